#include "store/catalogue.h"

#include "common/text.h"
#include "store/recordfile.h"
#include "store/storeerror.h"
#include "store/storefile.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace tama {

QString storedModelName(const QString &text) {
    return trimRight(toFullWidth(text).left(15));
}

QString cataloguePath(const DataFolder &folder, const CategoryInfo &category) {
    const QDir dir(folder.path());
    const QString wanted = category.fileName.toLower();
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        if (name.toLower() == wanted) return dir.filePath(name);
    return dir.filePath(category.fileName);
}

ModelCatalogue::ModelCatalogue(const DataFolder &folder, const CategoryInfo &category, bool readOnly)
    : m_folder(folder.path()), m_path(cataloguePath(folder, category)), m_category(&category),
      m_readOnly(readOnly) {}

QStringList ModelCatalogue::list() const {
    QStringList out;
    forEachName([&](const QString &name) { out.append(name); });
    return out;
}

void ModelCatalogue::forEachName(const std::function<void(const QString &name)> &visit) const {
    const RecordLayout &layout = *m_category->layout;
    const RecordFile f(m_path, layout, m_readOnly ? RecordFile::Mode::ReadOnly : RecordFile::Mode::Create);
    f.forEachRaw([&](int, const char *bytes) { visit(trimRight(fieldOf(layout, 0, bytes))); });
}

std::optional<QString> ModelCatalogue::add(const QString &text) {
    const QString stored = storedModelName(text);
    if (stored.isEmpty()) throw StoreError(StoreError::Kind::Invalid, QString(), u"機種名が空です"_s);
    requireEncodable(stored, u"機種名"_s);
    RecordFile f(m_path, *m_category->layout);
    bool present = false;
    f.forEachRaw([&](int, const char *bytes) {
        present = present || trimRight(fieldOf(*m_category->layout, 0, bytes).left(15)) == stored;
    });
    if (present) return std::nullopt;
    Record r(*m_category->layout);
    r.setField(0, stored);
    f.append(r);
    return stored;
}

void ModelCatalogue::deleteAt(int p) {
    RecordFile f(m_path, *m_category->layout);
    QList<QByteArray> raw = f.readAllRaw();
    if (p < 0 || p >= raw.size())
        throw StoreError(StoreError::Kind::Invalid, m_path, u"削除する機種が選ばれていません"_s);
    raw.removeAt(p);
    rewriteRecords(m_folder, m_path, StoreFile::scratchName(), *m_category->layout, raw);
}

} // namespace tama
