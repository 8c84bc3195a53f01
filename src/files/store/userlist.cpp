#include "store/userlist.h"

#include "common/text.h"
#include "store/recordfile.h"
#include "store/storeerror.h"

#include <QFileInfo>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {
const QString kMark = u"自"_s;
const QString kNoMark = u"　"_s;
constexpr int kMark_ = 0;
constexpr int kName = 1;

RecordFile::Mode modeFor(bool readOnly) {
    return readOnly ? RecordFile::Mode::ReadOnly : RecordFile::Mode::Create;
}
} // namespace

bool UserRecord::isAutoStart() const {
    return trim(autoStartMark.left(1)) == kMark;
}

const RecordLayout &userLayout() {
    static const RecordLayout layout(
        u"namae.dat"_s, {{u"AutoStartMark"_s, u"自動起動の印"_s, 2}, {u"UserName"_s, u"お名前"_s, 18}},
        UserList::kMaxUsers);
    return layout;
}

QString UserList::fileName() {
    return u"namae.dat"_s;
}

UserList::UserList(const DataFolder &folder, bool readOnly)
    : m_path(folder.file(fileName())), m_readOnly(readOnly) {}

QList<UserRecord> UserList::readAll() const {
    RecordFile f(m_path, userLayout(), modeFor(m_readOnly));
    QList<UserRecord> users;
    const int n = std::min(f.count(), UserList::kMaxUsers); // the rest is damage, never read
    for (int i = 1; i <= n; ++i) {
        const Record r = f.readOrBlank(i);
        users.append({r.field(kMark_), r.field(kName)});
    }
    return users;
}

std::optional<int> UserList::autoStartRecord() const {
    std::optional<int> found;
    const QList<UserRecord> users = readAll();
    for (int i = 0; i < users.size(); ++i)
        if (users[i].isAutoStart()) found = i + 1; // the last one wins
    return found;
}

namespace {

// Leaves the mark on record target alone (0: on none). One changed record is written in
// place; more go through a scratch file, so that a failure leaves the old marks, not none.
void setMarks(const QString &path, int target) {
    QList<QByteArray> raw;
    QList<int> changed;
    {
        RecordFile f(path, userLayout());
        raw = f.readAllRaw();
        for (int i = 0; i < raw.size(); ++i) {
            Record r = Record::fromBytes(userLayout(), raw[i]);
            const bool marked = trim(r.field(kMark_).left(1)) == kMark;
            if (marked == (i + 1 == target)) continue;
            r.setField(kMark_, marked ? kNoMark : kMark);
            raw[i] = r.toBytes();
            changed.append(i);
        }
        if (changed.size() == 1) f.write(changed[0] + 1, Record::fromBytes(userLayout(), raw[changed[0]]));
    }
    if (changed.size() > 1)
        rewriteRecords(QFileInfo(path).absolutePath(), path, QFileInfo(path).fileName() + u".tmp"_s,
                       userLayout(), raw);
}

} // namespace

void UserList::clearMarks() {
    setMarks(m_path, 0);
}

int UserList::markUser(const QString &name) {
    const QString wanted = trim(name);
    int target = 0;
    {
        RecordFile f(m_path, userLayout());
        const int n = std::min(f.count(), kMaxUsers);
        for (int i = 1; i <= n && target == 0; ++i)
            if (trim(f.readOrBlank(i).field(kName)) == wanted) target = i;
    }
    if (target == 0)
        throw StoreError(StoreError::Kind::Invalid, m_path, u"使用者「"_s + wanted + u"」が見つかりません"_s);
    setMarks(m_path, target);
    return target;
}

int UserList::append(const QString &name) {
    const QString trimmed = trim(name);
    if (auto why = unsafeFileNameReason(trimmed))
        throw StoreError(StoreError::Kind::Invalid, QString(), u"この名前は使えません: "_s + *why);
    RecordFile f(m_path, userLayout());
    Record r(userLayout());
    r.setField(kName, trimmed);
    return f.append(r);
}

} // namespace tama
