#include "halls/installedmodels.h"

#include "common/text.h"
#include "halls/installedentry.h"
#include "store/modellist.h"
#include "store/record.h"
#include "store/storefile.h"

#include <algorithm>
#include <numeric>

using namespace Qt::Literals::StringLiterals;

namespace tama {

int InstalledModels::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant InstalledModels::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return m_entries.at(index.row());
    return {};
}

void InstalledModels::reset(const QStringList &entries, const QString &owner) {
    beginResetModel();
    m_entries = entries;
    endResetModel();
    m_owner = owner;
    m_dirty = false;
}

void InstalledModels::load(const DataFolder &folder, const QString &storeText) {
    forget();
    const ModelListFile file(folder, storeText);
    reset(installed::fromModelList(file.read(true)), file.fileName());
}

void InstalledModels::forget() {
    reset({}, QString());
}

void InstalledModels::take(const QString &catalogueName, int section) {
    for (int i = int(m_entries.size()) - 1; i >= 0; --i)
        if (installed::namesModel(m_entries[i], catalogueName)) removeAt(i);
    const int row = int(m_entries.size());
    beginInsertRows(QModelIndex(), row, row);
    m_entries.append(installed::entryFromCatalogue(catalogueName, section));
    endInsertRows();
    m_dirty = true;
}

void InstalledModels::removeAt(int row) {
    if (row < 0 || row >= m_entries.size()) return;
    beginRemoveRows(QModelIndex(), row, row);
    m_entries.removeAt(row);
    endRemoveRows();
    m_dirty = true;
}

void InstalledModels::sortBySection() {
    QList<int> order(m_entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return installed::section(m_entries[a]) < installed::section(m_entries[b]);
    });
    if (std::is_sorted(order.begin(), order.end())) return;
    emit layoutAboutToBeChanged();
    QList<int> newRow(order.size());
    QStringList sorted;
    for (int i = 0; i < order.size(); ++i) {
        newRow[order[i]] = i;
        sorted.append(m_entries[order[i]]);
    }
    m_entries = sorted;
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex &i : before)
        after.append(index(newRow[i.row()]));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void InstalledModels::save(const DataFolder &folder, const QString &storeText,
                           const std::function<void(const QString &store)> &storeAdded) {
    const ModelListFile file(folder, storeText);
    QStringList kept; // stored entries this list does not replace, when it is not the stored list
    bool write = true;
    if (file.fileName() != m_owner) {
        const QStringList stored = installed::fromModelList(file.read(false));
        if (!stored.isEmpty() && m_entries.isEmpty()) write = false;
        const QStringList merged = installed::mergedWithStored(stored, m_entries);
        kept = merged.first(merged.size() - m_entries.size());
    }
    QStringList entries = installed::sortedBySection(kept + m_entries);
    const QList<ModelListEntry> lines = installed::toModelList(entries);

    // Refuse before anything is written, not halfway. The whole name typed counts, also
    // past the characters stored: it is the user's name for the store.
    requireEncodable(trimRight(toFullWidth(storeText)), u"店名"_s);
    for (const ModelListEntry &l : lines)
        requireEncodable(l.model, u"機種名"_s);

    if (const std::optional<QString> added = StoreFile(folder).add(storeText); added && storeAdded)
        storeAdded(*added);
    if (!write) return;
    file.write(lines);
    if (!kept.isEmpty()) {
        beginInsertRows(QModelIndex(), 0, int(kept.size()) - 1);
        m_entries = kept + m_entries;
        endInsertRows();
    }
    sortBySection();
    m_owner = file.fileName();
    m_dirty = false;
}

} // namespace tama
