#include "store/storefile.h"

#include "common/text.h"
#include "store/recordfile.h"
#include "store/storeerror.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace tama {

const RecordLayout &storeLayout() {
    static const RecordLayout layout(u"patishop.dat"_s,
                                     {
                                         {u"StoreName"_s, u"店名"_s, 20},
                                         {u"StoreFlag1"_s, u"予備"_s, 1},
                                         {u"StoreFlag2"_s, u"予備"_s, 1},
                                         {u"StoreFlag3"_s, u"予備"_s, 1},
                                         {u"StoreFlag4"_s, u"予備"_s, 1},
                                         {u"StoreFlag5"_s, u"予備"_s, 1},
                                         {u"StoreFlag6"_s, u"予備"_s, 1},
                                         {u"StoreCode"_s, u"予備"_s, 4},
                                         {u"StoreNote"_s, u"予備"_s, 50},
                                     },
                                     StoreFile::kMaxStores);
    return layout;
}

QString storedStoreName(const QString &text) {
    return trimRight(toFullWidth(text).left(10));
}

QString StoreFile::fileName() {
    return u"patishop.dat"_s;
}
QString StoreFile::scratchName() {
    return u"t#e#m#p#.tmp"_s;
}

StoreFile::StoreFile(const DataFolder &folder, bool readOnly)
    : m_folder(folder.path()), m_path(folder.file(fileName())), m_readOnly(readOnly) {}

QStringList StoreFile::list() const {
    QStringList out;
    forEachName([&](const QString &name) { out.append(name); });
    return out;
}

void StoreFile::forEachName(const std::function<void(const QString &name)> &visit) const {
    const RecordFile f(m_path, storeLayout(),
                       m_readOnly ? RecordFile::Mode::ReadOnly : RecordFile::Mode::Create);
    f.forEachRaw([&](int, const char *bytes) { visit(trimRight(fieldOf(storeLayout(), 0, bytes))); });
}

std::optional<QString> StoreFile::add(const QString &text) {
    const QString stored = storedStoreName(text);
    if (stored.isEmpty()) throw StoreError(StoreError::Kind::Invalid, QString(), u"店名が空です"_s);
    requireEncodable(stored, u"店名"_s);
    RecordFile f(m_path, storeLayout());
    bool present = false;
    f.forEachRaw([&](int, const char *bytes) {
        present = present || trimRight(fieldOf(storeLayout(), 0, bytes).left(10)) == stored;
    });
    if (present) return std::nullopt;
    Record r(storeLayout());
    r.setField(0, stored);
    f.append(r);
    return stored;
}

void StoreFile::deleteAt(int p) {
    RecordFile f(m_path, storeLayout());
    QList<QByteArray> raw = f.readAllRaw();
    if (p < 0 || p >= raw.size())
        throw StoreError(StoreError::Kind::Invalid, m_path, u"削除する店が選ばれていません"_s);
    raw.removeAt(p);
    rewriteRecords(m_folder, m_path, scratchName(), storeLayout(), raw);
}

bool StoreFile::moveToFront(const QString &entry) {
    const QString wanted = trimRight(entry);
    RecordFile f(m_path, storeLayout());
    QList<QByteArray> raw = f.readAllRaw();
    int c = -1;
    for (int i = 0; i < raw.size(); ++i)
        if (trimRight(Record::fromBytes(storeLayout(), raw[i]).field(0)) == wanted)
            c = i; // the last match wins
    if (c < 0) return false;
    if (c == 0) return true; // already first: the order does not change
    raw.move(c, 0);
    rewriteRecords(m_folder, m_path, scratchName(), storeLayout(), raw);
    return true;
}

} // namespace tama
