// Any bytes as "namae.dat": the user list and the auto-start user are read without a
// crash, one user per whole record, and reading writes nothing.
#include "fuzzfolder.h"
#include "store/diary.h"
#include "store/storeerror.h"
#include "store/userlist.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    fuzz::clear();
    fuzz::put(u"namae.dat"_s, bytes);
    const DataFolder folder(fuzz::folder().path());
    UserList list(folder, true);
    const QList<UserRecord> users = list.readAll();
    // One user per whole record, up to the format's 254; the rest is never read.
    if (users.size() != std::min<qsizetype>(qsizetype(size / 20), UserList::kMaxUsers)) abort();
    const std::optional<int> autoStart = list.autoStartRecord();
    if (autoStart && (*autoStart < 1 || *autoStart > users.size() || !users[*autoStart - 1].isAutoStart()))
        abort();
    for (const UserRecord &u : users)
        (void)diaryUserPart(u.userName); // names read from a file must not escape the folder
    QFile f(QDir(folder.path()).filePath(u"namae.dat"_s));
    if (!f.open(QIODevice::ReadOnly) || f.readAll() != bytes) abort();
    return 0;
}
