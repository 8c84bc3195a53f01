#pragma once

#include "store/datafolder.h"

#include <QAbstractListModel>
#include <QStringList>

#include <functional>

namespace tama {

// The models installed in one hall as the store settings edit them, in the order shown:
// entries as installed:: makes them. It knows which list file they were read from, so that
// a save under another name never empties that hall's list, and whether they were changed
// since they were read or saved.
class InstalledModels : public QAbstractListModel {
  public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const QStringList &entries() const { return m_entries; }
    // The list file the entries were read from or saved to; empty when they belong to none.
    const QString &owner() const { return m_owner; }
    bool isDirty() const { return m_dirty; }

    // The list of the store named, read from its file (created empty when missing).
    void load(const DataFolder &folder, const QString &storeText);
    // The entries belong to no store any more (its name was edited or it was deleted).
    void forget();

    // A catalogue model taken under a section code, at the end. One entry per model:
    // taking it again under another section re-tags it.
    void take(const QString &catalogueName, int section);
    void removeAt(int row);

    // Saves for the store text: adds the store to the store file unless it is there, then
    // writes its list in section order (equal codes keep their order). Entries that are not
    // the store's list as read join what its file holds; none at all leave the file as it
    // is. Everything is checked before anything is written; storeAdded hears of the store
    // name added to the store file at once, also when writing the list fails after it.
    void save(const DataFolder &folder, const QString &storeText,
              const std::function<void(const QString &store)> &storeAdded = {});

  private:
    void reset(const QStringList &entries, const QString &owner);
    // Stable by section code; selections and other persistent indexes move with their entries.
    void sortBySection();

    QStringList m_entries;
    QString m_owner;
    bool m_dirty = false;
};

} // namespace tama
