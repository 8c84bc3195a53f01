#include "store/backup.h"

#include "common/clock.h"
#include "store/catalogue.h"
#include "store/category.h"
#include "store/diary.h"
#include "store/foldercheck.h"
#include "store/journal.h"
#include "store/playdata.h"
#include "store/recordfile.h"
#include "store/safefile.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/userlist.h"
#include "store/writehook.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSettings>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace tama::backup {

namespace {

constexpr int kFormat = 1;
// Larger than any data file the formats allow (32766 cards of 240 bytes is 7.5 MB), and than
// the play database of many full diaries (about 3.5 MB for each).
constexpr qint64 kLargestFile = 512 * 1024 * 1024;
constexpr qint64 kLargestManifest = 4 * 1024 * 1024;

const QString kManifest = u"manifest.json"_s;
const QString kFiles = u"files"_s;
const QString kPartial = u".partial-"_s; // a snapshot being made or removed

QByteArray native(const QString &path) {
    return QFile::encodeName(path);
}

// A descriptor closed on scope exit. Everything under backups/ is reached through
// descriptors opened without following links, so that no name there can lead elsewhere.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(Fd &&o) noexcept : m_fd(std::exchange(o.m_fd, -1)) {}
    Fd &operator=(Fd &&o) noexcept {
        if (this != &o) {
            reset();
            m_fd = std::exchange(o.m_fd, -1);
        }
        return *this;
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() { reset(); }
    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void reset() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

  private:
    int m_fd = -1;
};

// A folder at name in at (AT_FDCWD: a path), never through a link: -1 with ELOOP or
// ENOTDIR otherwise.
Fd openFolderAt(int at, const QString &name) {
    int fd;
    do {
        fd = ::openat(at, native(name).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return Fd(fd);
}

bool statAt(int at, const QString &name, struct stat *st) {
    return ::fstatat(at, native(name).constData(), st, AT_SYMLINK_NOFOLLOW) == 0;
}

// A regular file in the folder at, opened to read: a link, a FIFO or a device is never
// opened. Throws StoreError naming shown.
Fd openCopyAt(int at, const QString &name, const QString &shown, struct stat *st) {
    if (!statAt(at, name, st)) throw StoreError::fromErrno(errno, shown, u"読み込むことが"_s);
    if (S_ISLNK(st->st_mode))
        throw StoreError(
            StoreError::Kind::Damaged, shown,
            u"シンボリックリンクのため読みません（バックアップの中のものは通常のファイルであるべきです）"_s);
    if (!S_ISREG(st->st_mode))
        throw StoreError(StoreError::Kind::Damaged, shown, u"通常のファイルではないため読みません"_s);
    int fd;
    do {
        fd = ::openat(at, native(name).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw StoreError::fromErrno(errno, shown, u"読み込むことが"_s);
    Fd out(fd);
    if (::fstat(fd, st) != 0) throw StoreError::fromErrno(errno, shown, u"読み込むことが"_s);
    if (!S_ISREG(st->st_mode))
        throw StoreError(StoreError::Kind::Damaged, shown, u"通常のファイルではないため読みません"_s);
    return out;
}

// At most limit bytes of an open file; *more when it holds more.
QByteArray readOpen(int fd, qint64 size, qint64 limit, const QString &shown, bool *more) {
    const qint64 want = std::min(size, limit + 1);
    QByteArray bytes(want, Qt::Uninitialized);
    qint64 got = 0;
    if (!safefile::readFully(fd, bytes.data(), want, 0, &got))
        throw StoreError::fromErrno(errno, shown, u"読み込むことが"_s);
    bytes.truncate(got);
    *more = got > limit;
    if (*more) bytes.truncate(limit);
    return bytes;
}

// The backups folder of a data folder, opened without following a link; an empty Fd when
// it is missing, a StoreError when something else has its name.
Fd openBackupsRoot(const QString &root) {
    Fd fd = openFolderAt(AT_FDCWD, root);
    if (!fd && errno != ENOENT) {
        if (errno == ELOOP || errno == ENOTDIR)
            throw StoreError(StoreError::Kind::Invalid, root,
                             u"バックアップのフォルダの名前のファイルやリンクがあるため使えません。"
                             u"このファイルを移してください"_s);
        throw StoreError::fromErrno(errno, root, u"バックアップのフォルダを開くことが"_s);
    }
    return fd;
}

struct ReasonInfo {
    Reason reason;
    QString code;
    QString text;
};

const QList<ReasonInfo> &reasons() {
    static const QList<ReasonInfo> list = {
        {Reason::Daily, u"daily"_s, u"その日の最初の書き込みの前"_s},
        {Reason::Organise, u"organise"_s, u"日記ファイルの整理の前"_s},
        {Reason::DeleteStore, u"delete-store"_s, u"店の削除の前"_s},
        {Reason::DeleteModel, u"delete-model"_s, u"機種の削除の前"_s},
        {Reason::AutoStart, u"autostart"_s, u"起動時に開くユーザーの変更の前"_s},
        {Reason::Restore, u"restore"_s, u"復元の前"_s},
        {Reason::Merge, u"merge"_s, u"日記の統合の前"_s},
        {Reason::Manual, u"manual"_s, u"手動"_s},
        {Reason::Import, u"import"_s, u"取り込みの前"_s},
    };
    return list;
}

int recordsIn(const QString &name, const QString &kind, const QByteArray &bytes) {
    const qint64 size = bytes.size();
    if (kind == u"users"_s) return int(size / userLayout().length());
    if (kind == u"diary"_s) return int(size / cardLayout().length());
    if (kind == u"stores"_s) return int(size / storeLayout().length());
    if (kind == kindCode(FileCheck::Kind::PlayDatabase)) return PlayDatabase::playRowsIn(bytes);
    if (kind == u"catalogue"_s) {
        for (const CategoryInfo &c : categories())
            if (c.fileName.compare(name, Qt::CaseInsensitive) == 0) return int(size / c.layout->length());
        return 0;
    }
    // A model list: one model a line, between the "# n" section lines.
    int models = 0;
    for (const QByteArray &line : bytes.split('\n')) {
        const QByteArray t = line.trimmed();
        if (!t.isEmpty() && !t.startsWith('#')) ++models;
    }
    return models;
}

QByteArray sha256Hex(const QByteArray &bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

struct DataFile {
    QString name;
    QString kind;
};

// The data files of the folder that are regular files, in name order. Links and other
// entries under a data file's name are left to the folder check to report.
QList<DataFile> dataFiles(const DataFolder &folder) {
    QList<DataFile> out;
    for (const FolderEntry &e : dataFilesOf(folder))
        if (isDataKind(e.kind) && !safefile::notRegularReason(folder.file(e.name)))
            out.append({e.name, kindCode(e.kind)});
    return out;
}

// A data file's bytes and what it is (its mode, its inode), from one open.
QByteArray readData(const QString &path, struct stat *st) {
    const int fd = safefile::openRegular(path, O_RDONLY);
    if (fd < 0) throw StoreError::fromErrno(errno, path, u"読み込むことが"_s);
    const Fd open(fd);
    if (::fstat(fd, st) != 0) throw StoreError::fromErrno(errno, path, u"読み込むことが"_s);
    bool more = false;
    QByteArray bytes = readOpen(fd, st->st_size, kLargestFile, path, &more);
    if (more)
        throw StoreError(StoreError::Kind::Limit, path,
                         u"ファイルが大きすぎるため、バックアップできません"_s);
    return bytes;
}

// A folder of copies with these modes grants group or others read and search only where
// one of its files grants them read.
mode_t folderModeFor(mode_t filesRead) {
    return 0700 | ((filesRead & S_IRGRP) ? 0050 : 0) | ((filesRead & S_IROTH) ? 0005 : 0);
}

QByteArray readWhole(const QString &path) {
    bool more = false;
    QByteArray bytes = safefile::readBounded(path, kLargestFile, &more);
    if (more)
        throw StoreError(StoreError::Kind::Limit, path,
                         u"ファイルが大きすぎるため、バックアップできません"_s);
    return bytes;
}

// A new file name in the folder at with these bytes and mode (and the owner and group of
// owner where allowed), flushed; removed again when any step fails. Never opened through a link.
void writeNewFileAt(int at, const QString &name, const QString &shown, const QByteArray &bytes, mode_t mode,
                    const struct stat *owner = nullptr,
                    const QString &what = u"バックアップを書き込むことが"_s) {
    const int err = safefile::writeNewFile(at, native(name), bytes, 0600, [&](int fd) {
        // Owner first: changing it clears the set-id bits that the mode then restores.
        if (owner && (owner->st_uid != ::geteuid() || owner->st_gid != ::getegid()))
            (void)!::fchown(fd, owner->st_uid, owner->st_gid); // only root may give a file away
        return ::fchmod(fd, mode) == 0;
    });
    if (err != 0) throw StoreError::fromErrno(err, shown, what);
}

// A new folder, with exactly this mode whatever the umask.
Fd makeFolderAt(int at, const QString &name, const QString &shown, mode_t mode) {
    if (::mkdirat(at, native(name).constData(), 0700) != 0)
        throw StoreError::fromErrno(errno, shown, u"バックアップのフォルダを作ることが"_s);
    Fd fd = openFolderAt(at, name);
    if (!fd || ::fchmod(fd.get(), mode) != 0)
        throw StoreError::fromErrno(errno, shown, u"バックアップのフォルダを作ることが"_s);
    return fd;
}

void syncAt(int fd, const QString &shown) {
    // EINVAL: a file system that cannot flush folders; the rename is all it offers.
    if (::fsync(fd) != 0 && errno != EINVAL)
        throw StoreError::fromErrno(errno, shown, u"フォルダをディスクに書き出すことが"_s);
}

// The names in an open folder but "." and "..".
QStringList namesAt(int fd) {
    QStringList out;
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return out;
    DIR *dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return out;
    }
    ::rewinddir(dir);
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray n(e->d_name);
        if (n != "." && n != "..") out.append(QFile::decodeName(n));
    }
    ::closedir(dir);
    out.sort();
    return out;
}

// Removes name in at and, for a folder, what it holds, never following a link.
void removeTreeAt(int at, const QString &name) {
    struct stat st {};
    if (!statAt(at, name, &st)) return;
    if (S_ISDIR(st.st_mode)) {
        if (const Fd dir = openFolderAt(at, name))
            for (const QString &inner : namesAt(dir.get()))
                removeTreeAt(dir.get(), inner);
        ::unlinkat(at, native(name).constData(), AT_REMOVEDIR);
    } else {
        ::unlinkat(at, native(name).constData(), 0);
    }
}

QJsonObject manifestOf(const Snapshot &s) {
    QJsonArray files;
    for (const SnapshotFile &f : s.files)
        files.append(QJsonObject{{u"name"_s, f.name},
                                 {u"kind"_s, f.kind},
                                 {u"size"_s, double(f.size)},
                                 {u"sha256"_s, QString::fromLatin1(f.sha256)},
                                 {u"records"_s, f.records},
                                 {u"changed"_s, f.changed}});
    return {{u"format"_s, kFormat},
            {u"sequence"_s, double(s.sequence)},
            {u"time"_s, s.time.toString(Qt::ISODateWithMs)},
            {u"reason"_s, reasonCode(s.reason)},
            {u"detail"_s, s.detail},
            {u"files"_s, files}};
}

// One file of a manifest. A copied or damaged folder may hold any manifest, so a value
// out of range makes the snapshot unreadable rather than half believed.
std::optional<SnapshotFile> manifestFile(const QJsonObject &f) {
    SnapshotFile file;
    file.name = f.value(u"name"_s).toString();
    // A name from the manifest must stay inside the snapshot and the data folder.
    if (!isPlainFileName(file.name)) return std::nullopt;
    const std::optional<FileCheck::Kind> kind = dataFileKind(file.name);
    file.kind = f.value(u"kind"_s).toString();
    if (!kind || !isDataKind(*kind) || kindCode(*kind) != file.kind) return std::nullopt;
    const double size = f.value(u"size"_s).toDouble(-1);
    if (!(size >= 0 && size <= double(kLargestFile)) || size != std::floor(size)) return std::nullopt;
    file.size = qint64(size);
    // A record takes at least a byte of the file.
    file.records = f.value(u"records"_s).toInt(-1);
    if (file.records < 0 || file.records > file.size) return std::nullopt;
    file.sha256 = f.value(u"sha256"_s).toString().toLatin1();
    if (file.sha256.size() != 64 || !std::all_of(file.sha256.cbegin(), file.sha256.cend(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        }))
        return std::nullopt;
    file.changed = f.value(u"changed"_s).toBool(true);
    return file;
}

// The snapshot id in the backups folder open as rootFd; nothing when its folder or its
// manifest is a link or unreadable.
std::optional<Snapshot> readSnapshotAt(int rootFd, const QString &root, const QString &id) {
    const QString dir = QDir(root).filePath(id);
    const Fd folder = openFolderAt(rootFd, id);
    if (!folder) return std::nullopt;
    QByteArray bytes;
    try {
        struct stat st {};
        const Fd manifest = openCopyAt(folder.get(), kManifest, QDir(dir).filePath(kManifest), &st);
        bool more = false;
        bytes = readOpen(manifest.get(), st.st_size, kLargestManifest, dir, &more);
        if (more) return std::nullopt;
    } catch (const StoreError &) {
        return std::nullopt;
    }
    const QJsonObject o = QJsonDocument::fromJson(bytes).object();
    const std::optional<Reason> reason = reasonOfCode(o.value(u"reason"_s).toString());
    const QDateTime time = QDateTime::fromString(o.value(u"time"_s).toString(), Qt::ISODateWithMs);
    if (o.value(u"format"_s).toInt() != kFormat || !reason || !time.isValid()) return std::nullopt;
    Snapshot s;
    s.id = id;
    s.path = dir;
    const double sequence = o.value(u"sequence"_s).toDouble(-1);
    if (!(sequence >= 0 && sequence <= double(maxSequence())) || sequence != std::floor(sequence))
        return std::nullopt;
    s.sequence = qint64(sequence);
    s.time = time;
    s.reason = *reason;
    s.detail = o.value(u"detail"_s).toString();
    QSet<QString> names; // a set: a manifest may list thousands of files
    for (const QJsonValue &v : o.value(u"files"_s).toArray()) {
        std::optional<SnapshotFile> file = manifestFile(v.toObject());
        if (!file || names.contains(file->name)) return std::nullopt;
        names.insert(file->name);
        s.files.append(*file);
    }
    return s;
}

using Inode = QPair<quint64, quint64>;

Inode inodeOf(const struct stat &st) {
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

// Whether the copy name in the folder files holds the bytes its manifest names, and is no
// data file itself; *st gets what it is.
bool soundCopy(int files, const SnapshotFile &f, const QString &shown, const QSet<Inode> &live,
               struct stat *st) {
    try {
        const Fd fd = openCopyAt(files, f.name, shown, st);
        if (st->st_size != f.size || live.contains(inodeOf(*st))) return false;
        bool more = false;
        return sha256Hex(readOpen(fd.get(), st->st_size, kLargestFile, shown, &more)) == f.sha256;
    } catch (const StoreError &) {
        return false;
    }
}

// Copies of the snapshots that are a data file's own inode (files made one by a tool that
// merges identical files) are replaced by copies of their own, so that the next write in
// place changes no snapshot.
void separateFromData(int rootFd, const QList<Snapshot> &snapshots, const QSet<Inode> &live) {
    for (const Snapshot &s : snapshots) {
        const Fd folder = openFolderAt(rootFd, s.id);
        const Fd files = folder ? openFolderAt(folder.get(), kFiles) : Fd();
        if (!files) continue;
        for (const SnapshotFile &f : s.files) {
            struct stat st {};
            if (!statAt(files.get(), f.name, &st) || !S_ISREG(st.st_mode) || !live.contains(inodeOf(st)))
                continue;
            const Fd fd = openCopyAt(files.get(), f.name, s.filePath(f.name), &st);
            bool more = false;
            const QByteArray bytes = readOpen(fd.get(), st.st_size, kLargestFile, s.filePath(f.name), &more);
            const QString fresh = kPartial + f.name;
            ::unlinkat(files.get(), native(fresh).constData(), 0);
            writeNewFileAt(files.get(), fresh, s.filePath(f.name), bytes, st.st_mode & 0777);
            if (::renameat(files.get(), native(fresh).constData(), files.get(), native(f.name).constData()) !=
                0) {
                const int err = errno;
                ::unlinkat(files.get(), native(fresh).constData(), 0);
                throw StoreError::fromErrno(err, s.filePath(f.name),
                                            u"バックアップをデータファイルから切り離すことが"_s);
            }
            syncAt(files.get(), s.filePath(QString()));
        }
    }
}

// ---- what is known of files ----
//
// What was recorded of each data file at the last snapshot (its stat fields, its SHA-256
// and record count) and of that snapshot's copies, so that an unchanged file is neither
// read nor hashed again. Kept in a file under backups/ with a checksum of its own; any
// doubt about it and the files are read.

const QString kKnown = u".known.json"_s;
constexpr qint64 kRacyNs = 2'000'000'000; // a couple of seconds: coarse timestamps lag

struct Stamp {
    qint64 size = -1, mtime = 0, ctime = 0;
    quint64 dev = 0, ino = 0;
    bool operator==(const Stamp &) const = default;
};

Stamp stampOf(const struct stat &st) {
    return {qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec, quint64(st.st_dev),
            quint64(st.st_ino)};
}

qint64 nowNs() {
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

struct KnownFile {
    Stamp stamp;
    qint64 recorded = 0; // when the stamp was taken
    QByteArray sha256;   // data files only
    int records = 0;

    // The file was changed since it was recorded when a field differs, or may have been
    // when its times were within the timestamps' lag of the recording.
    bool trustedData(const struct stat &st) const {
        return stampOf(st) == stamp && recorded - stamp.mtime > kRacyNs && recorded - stamp.ctime > kRacyNs;
    }
    // A copy's ctime moves with every link to it, made by us; its content time is what
    // tells a change, and the ctime must still be the one recorded after the last link.
    bool trustedCopy(const struct stat &st) const {
        return stampOf(st) == stamp && recorded - stamp.mtime > kRacyNs;
    }
};

struct Known {
    QHash<QString, KnownFile> data;
    QString snapshot; // whose copies are in copies
    QHash<QString, KnownFile> copies;
};

QJsonArray knownEntry(const KnownFile &k) {
    const Stamp &s = k.stamp;
    QJsonArray a;
    for (const qint64 v : {s.size, s.mtime, s.ctime, qint64(s.dev), qint64(s.ino), k.recorded})
        a.append(QString::number(v));
    a.append(QString::fromLatin1(k.sha256));
    a.append(QString::number(k.records));
    return a;
}

std::optional<KnownFile> knownFrom(const QJsonValue &v) {
    const QJsonArray a = v.toArray();
    if (a.size() != 8) return std::nullopt;
    qint64 n[7];
    for (int i = 0; i < 8; ++i) {
        if (i == 6) continue;
        bool ok = false;
        n[i == 7 ? 6 : i] = a[i].toString().toLongLong(&ok);
        if (!ok) return std::nullopt;
    }
    KnownFile k;
    k.stamp = {n[0], n[1], n[2], quint64(n[3]), quint64(n[4])};
    k.recorded = n[5];
    k.sha256 = a[6].toString().toLatin1();
    // What a manifest could not hold is not believed either.
    if (n[0] < 0 || n[0] > kLargestFile || n[6] < 0 || n[6] > n[0] || k.sha256.size() != 64 ||
        !std::all_of(k.sha256.cbegin(), k.sha256.cend(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
        return std::nullopt;
    k.records = int(n[6]);
    return k;
}

QJsonObject knownBody(const Known &known) {
    QJsonObject data, copies;
    for (auto it = known.data.cbegin(); it != known.data.cend(); ++it)
        data.insert(it.key(), knownEntry(it.value()));
    for (auto it = known.copies.cbegin(); it != known.copies.cend(); ++it)
        copies.insert(it.key(), knownEntry(it.value()));
    return {{u"data"_s, data}, {u"snapshot"_s, known.snapshot}, {u"copies"_s, copies}};
}

// What the file says, or nothing known when it is missing, a link, damaged or odd.
Known readKnown(int rootFd, const QString &root) {
    try {
        struct stat st {};
        const Fd fd = openCopyAt(rootFd, kKnown, QDir(root).filePath(kKnown), &st);
        bool more = false;
        const QByteArray bytes = readOpen(fd.get(), st.st_size, kLargestManifest, root, &more);
        const QJsonObject o = QJsonDocument::fromJson(bytes).object();
        const QJsonObject body = o.value(u"body"_s).toObject();
        if (more || o.value(u"format"_s).toInt() != kFormat ||
            o.value(u"sha256"_s).toString().toLatin1() !=
                sha256Hex(QJsonDocument(body).toJson(QJsonDocument::Compact)))
            return {};
        Known known;
        known.snapshot = body.value(u"snapshot"_s).toString();
        for (const auto &[key, into] :
             {std::pair{u"data"_s, &known.data}, std::pair{u"copies"_s, &known.copies}}) {
            const QJsonObject entries = body.value(key).toObject();
            for (auto it = entries.begin(); it != entries.end(); ++it) {
                const std::optional<KnownFile> k = knownFrom(it.value());
                if (!k) return {};
                into->insert(it.key(), *k);
            }
        }
        return known;
    } catch (const StoreError &) {
        return {};
    }
}

// Written beside, flushed and renamed over the old one. Losing it costs only time, so a
// failure is not the snapshot's: the old file is removed then, never left to be believed.
void writeKnown(int rootFd, const QString &root, const Known &known) {
    const QJsonObject body = knownBody(known);
    const QJsonObject o{
        {u"format"_s, kFormat},
        {u"sha256"_s, QString::fromLatin1(sha256Hex(QJsonDocument(body).toJson(QJsonDocument::Compact)))},
        {u"body"_s, body}};
    const QString scratch = kPartial + kKnown;
    try {
        ::unlinkat(rootFd, native(scratch).constData(), 0);
        writeNewFileAt(rootFd, scratch, QDir(root).filePath(scratch),
                       QJsonDocument(o).toJson(QJsonDocument::Compact), 0600);
        if (::renameat(rootFd, native(scratch).constData(), rootFd, native(kKnown).constData()) == 0) return;
    } catch (const StoreError &) {
    }
    ::unlinkat(rootFd, native(scratch).constData(), 0);
    ::unlinkat(rootFd, native(kKnown).constData(), 0);
}

void dailyIfDue(const QString &what);
bool isAutomaticFolder(const QString &path);

QString sameFolder(const QString &path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

QString reasonCode(Reason r) {
    for (const ReasonInfo &i : reasons())
        if (i.reason == r) return i.code;
    return {};
}

QString reasonText(Reason r) {
    for (const ReasonInfo &i : reasons())
        if (i.reason == r) return i.text;
    return {};
}

std::optional<Reason> reasonOfCode(const QString &code) {
    for (const ReasonInfo &i : reasons())
        if (i.code == code) return i.reason;
    return std::nullopt;
}

// ---- settings ----

Settings Settings::load() {
    QSettings q(u"tamanote"_s, u"tamanote"_s);
    q.beginGroup(u"backups"_s);
    const Settings d;
    Settings s;
    s.automatic = q.value(u"automatic"_s, d.automatic).toBool();
    s.keepOperations = q.value(u"keepOperations"_s, d.keepOperations).toInt();
    s.keepDaily = q.value(u"keepDaily"_s, d.keepDaily).toInt();
    s.keepMonthly = q.value(u"keepMonthly"_s, d.keepMonthly).toInt();
    s.maxSharePercent = q.value(u"maxSharePercent"_s, d.maxSharePercent).toInt();
    return s.bounded();
}

void Settings::save() const {
    const Settings s = bounded();
    QSettings q(u"tamanote"_s, u"tamanote"_s);
    q.beginGroup(u"backups"_s);
    q.setValue(u"automatic"_s, s.automatic);
    q.setValue(u"keepOperations"_s, s.keepOperations);
    q.setValue(u"keepDaily"_s, s.keepDaily);
    q.setValue(u"keepMonthly"_s, s.keepMonthly);
    q.setValue(u"maxSharePercent"_s, s.maxSharePercent);
    q.endGroup();
    q.sync();
    if (q.status() != QSettings::NoError)
        throw StoreError(StoreError::Kind::Io, q.fileName(), u"設定を保存できませんでした"_s);
}

Settings Settings::bounded() const {
    Settings s = *this;
    s.keepOperations = std::clamp(s.keepOperations, 1, 1000);
    s.keepDaily = std::clamp(s.keepDaily, 1, 1000);
    s.keepMonthly = std::clamp(s.keepMonthly, 0, 1000);
    s.maxSharePercent = std::clamp(s.maxSharePercent, 10, 99);
    return s;
}

// ---- snapshots ----

const SnapshotFile *Snapshot::file(const QString &name) const {
    for (const SnapshotFile &f : files)
        if (f.name == name) return &f;
    return nullptr;
}

QString Snapshot::filePath(const QString &name) const {
    return QDir(QDir(path).filePath(kFiles)).filePath(name);
}

QString Backups::folderName() {
    return u"backups"_s;
}

Backups::Backups(const DataFolder &folder, Settings settings)
    : m_folder(folder), m_settings(settings.bounded()) {}

QString Backups::path() const {
    return m_folder.file(folderName());
}

QList<Snapshot> Backups::list() const {
    QList<Snapshot> out;
    const Fd root = openFolderAt(AT_FDCWD, path());
    if (!root) return out;
    for (const QString &id : namesAt(root.get())) {
        if (id.startsWith(u'.')) continue;
        if (std::optional<Snapshot> s = readSnapshotAt(root.get(), path(), id)) out.append(*s);
    }
    std::sort(out.begin(), out.end(), [](const Snapshot &a, const Snapshot &b) {
        return a.sequence != b.sequence ? a.sequence < b.sequence : a.id < b.id;
    });
    return out;
}

std::optional<Snapshot> Backups::find(const QString &id) const {
    if (!isPlainFileName(id) || id.startsWith(u'.')) return std::nullopt;
    const Fd root = openFolderAt(AT_FDCWD, path());
    if (!root) return std::nullopt;
    return readSnapshotAt(root.get(), path(), id);
}

Snapshot Backups::take(Reason reason, const QString &detail) {
    writehook::checkWritable(m_folder.path());
    // Before an operation that writes, the day's own snapshot comes first, so that this one
    // is the newest and holds the state the operation starts from. (A restore's writes take
    // no daily snapshot; one taken by hand writes nothing.)
    const bool writesNext = reason != Reason::Daily && reason != Reason::Manual && reason != Reason::Restore;
    if (writesNext && isAutomaticFolder(m_folder.path())) dailyIfDue(reasonText(reason).chopped(2));
    const writehook::Suspend quiet;
    // A write cut short is rolled back first, so that no snapshot holds a torn record.
    journal::recover(m_folder.path());

    const QString root = path();
    Fd rootFd = openBackupsRoot(root);
    if (!rootFd) {
        const Fd data = openFolderAt(AT_FDCWD, m_folder.path());
        if (!data) throw StoreError::fromErrno(errno, m_folder.path(), u"データフォルダを開くことが"_s);
        rootFd = makeFolderAt(data.get(), folderName(), root, 0700);
        syncAt(data.get(), m_folder.path());
    }
    // What a snapshot cut short left.
    for (const QString &name : namesAt(rootFd.get()))
        if (name.startsWith(kPartial)) removeTreeAt(rootFd.get(), name);

    const QList<DataFile> data = dataFiles(m_folder);
    QSet<Inode> live;
    QHash<QString, struct stat> liveStat;
    for (const DataFile &d : data) {
        struct stat st {};
        if (::lstat(native(m_folder.file(d.name)).constData(), &st) != 0) continue;
        live.insert(inodeOf(st));
        liveStat.insert(d.name, st);
    }
    const Known known = readKnown(rootFd.get(), root);
    const QList<Snapshot> existing = list();
    separateFromData(rootFd.get(), existing, live);
    const Snapshot *previous = existing.isEmpty() ? nullptr : &existing.last();
    Fd previousFiles;
    if (previous)
        if (const Fd folder = openFolderAt(rootFd.get(), previous->id))
            previousFiles = openFolderAt(folder.get(), kFiles);

    Snapshot s;
    s.time = clock().now();
    s.reason = reason;
    s.detail = detail;
    // At the bound (a planted manifest) the id, which holds the time, orders them.
    s.sequence = previous ? std::min(previous->sequence + 1, maxSequence()) : 1;
    const QString base = s.time.toString(u"yyyyMMdd-HHmmss"_s) + u'-' + reasonCode(reason);
    s.id = base;
    struct stat st {};
    for (int i = 2; statAt(rootFd.get(), s.id, &st); ++i)
        s.id = base + u'-' + QString::number(i);
    const QString partialName = kPartial + s.id;
    const QString partial = QDir(root).filePath(partialName);
    s.path = QDir(root).filePath(s.id);

    Fd partialFd = makeFolderAt(rootFd.get(), partialName, partial, 0700);
    mode_t readable = 0; // the read bits of every copy
    Known next;
    next.snapshot = s.id;
    try {
        const QString files = QDir(partial).filePath(kFiles);
        const Fd filesFd = makeFolderAt(partialFd.get(), kFiles, files, 0700);
        for (const DataFile &d : data) {
            SnapshotFile f;
            f.name = d.name;
            f.kind = d.kind;
            struct stat now {};
            QByteArray bytes;
            bool loaded = false;
            KnownFile record;
            // Read and hashed unless what was recorded of it still holds.
            auto load = [&] {
                const qint64 at = nowNs();
                bytes = readData(m_folder.file(d.name), &now);
                // The database through SQLite, so that the copy is consistent.
                if (d.kind == kindCode(FileCheck::Kind::PlayDatabase))
                    bytes = PlayDatabase::imageOf(m_folder.file(d.name));
                loaded = true;
                f.size = bytes.size();
                f.sha256 = sha256Hex(bytes);
                f.records = recordsIn(d.name, d.kind, bytes);
                record = {stampOf(now), at, f.sha256, f.records};
            };
            const auto ls = liveStat.constFind(d.name);
            const auto k = known.data.constFind(d.name);
            if (ls != liveStat.cend() && k != known.data.cend() && k->trustedData(*ls)) {
                now = *ls;
                record = *k;
                f.size = k->stamp.size;
                f.sha256 = k->sha256;
                f.records = k->records;
            } else {
                load();
            }
            const mode_t mode = now.st_mode & 0777;
            readable |= mode & 0444;
            const QString target = QDir(files).filePath(d.name);
            bool stored = false;
            struct stat copy {};
            if (const SnapshotFile *old = previous ? previous->file(d.name) : nullptr;
                old && previousFiles && old->size == f.size && old->sha256 == f.sha256) {
                f.changed = false;
                // The copy kept before is shared, not written again, when it is sound, of the
                // same mode and no data file's own inode; where the file system has no hard
                // links it is copied.
                struct stat from {};
                const auto kc =
                    known.snapshot == previous->id ? known.copies.constFind(d.name) : known.copies.cend();
                const bool sound =
                    (kc != known.copies.cend() && statAt(previousFiles.get(), d.name, &from) &&
                     S_ISREG(from.st_mode) && !live.contains(inodeOf(from)) && kc->trustedCopy(from) &&
                     kc->sha256 == old->sha256) ||
                    soundCopy(previousFiles.get(), *old, previous->filePath(d.name), live, &from);
                stored = sound && (from.st_mode & 0777) == mode &&
                         ::linkat(previousFiles.get(), native(d.name).constData(), filesFd.get(),
                                  native(d.name).constData(), 0) == 0;
                // Replaced between the check and the link: not the copy checked.
                if (stored && !(statAt(filesFd.get(), d.name, &copy) && inodeOf(copy) == inodeOf(from))) {
                    ::unlinkat(filesFd.get(), native(d.name).constData(), 0);
                    stored = false;
                }
            }
            if (!stored) {
                if (!loaded) {
                    load();
                    const SnapshotFile *old = previous ? previous->file(d.name) : nullptr;
                    f.changed = !old || old->size != f.size || old->sha256 != f.sha256;
                }
                writeNewFileAt(filesFd.get(), d.name, target, bytes, mode);
                if (!statAt(filesFd.get(), d.name, &copy))
                    throw StoreError::fromErrno(errno, target, u"バックアップを調べることが"_s);
            }
            // Recorded after the link, which changes the copy's ctime.
            next.copies.insert(d.name, {stampOf(copy), nowNs(), f.sha256, f.records});
            next.data.insert(d.name, record);
            s.files.append(f);
        }
        const mode_t folderMode = folderModeFor(readable);
        if (::fchmod(filesFd.get(), folderMode) != 0 || ::fchmod(partialFd.get(), folderMode) != 0)
            throw StoreError::fromErrno(errno, partial, u"バックアップのフォルダの許可を設定することが"_s);
        syncAt(filesFd.get(), files);
        writeNewFileAt(partialFd.get(), kManifest, QDir(partial).filePath(kManifest),
                       QJsonDocument(manifestOf(s)).toJson(QJsonDocument::Indented),
                       0600 | (folderMode & 0044));
        syncAt(partialFd.get(), partial);
        // The backups folder no wider than the newest snapshot; a folder of someone else's
        // stays as it is.
        struct stat rootStat {};
        if (::fstat(rootFd.get(), &rootStat) == 0 && (rootStat.st_mode & 07777) != folderMode &&
            ::fchmod(rootFd.get(), folderMode) != 0 && errno != EPERM)
            throw StoreError::fromErrno(errno, root, u"バックアップのフォルダの許可を設定することが"_s);
        if (::renameat(rootFd.get(), native(partialName).constData(), rootFd.get(),
                       native(s.id).constData()) != 0)
            throw StoreError::fromErrno(errno, s.path, u"バックアップを仕上げることが"_s);
    } catch (const StoreError &) {
        removeTreeAt(rootFd.get(), partialName);
        throw;
    }
    syncAt(rootFd.get(), root);
    try {
        rotate(s.id);
    } catch (const StoreError &) {
        // The snapshot is whole; old ones that could not be removed go next time.
    }
    // Removing a snapshot that shared a copy changed the copy's ctime: taken again where
    // nothing else of it changed since it was recorded.
    const Fd taken = openFolderAt(rootFd.get(), s.id);
    const Fd takenFiles = taken ? openFolderAt(taken.get(), kFiles) : Fd();
    for (auto it = next.copies.begin(); it != next.copies.end(); ++it) {
        struct stat st {};
        Stamp now;
        if (takenFiles && statAt(takenFiles.get(), it.key(), &st)) now = stampOf(st);
        Stamp was = it->stamp;
        was.ctime = now.ctime;
        if (now == was) it->stamp = now;
    }
    writeKnown(rootFd.get(), root, next);
    return s;
}

std::optional<Snapshot> Backups::takeDailyIfDue() {
    const QDate today = clock().today();
    for (const Snapshot &s : list())
        if (s.isDaily() && s.time.date() == today) return std::nullopt;
    return take(Reason::Daily);
}

namespace {

// The snapshot's bytes of the files named (every file when names is empty), checked
// against the manifest, read through its folders without following a link. Problems go
// to problems; the bytes of sound files are returned.
struct Loaded {
    QByteArray bytes;
    mode_t mode = 0600;
};

QMap<QString, Loaded> loadFiles(const QString &root, const Snapshot &s, const QString &only,
                                QStringList *problems) {
    QMap<QString, Loaded> out;
    Fd files;
    if (const Fd rootFd = openFolderAt(AT_FDCWD, root))
        if (const Fd folder = openFolderAt(rootFd.get(), s.id)) files = openFolderAt(folder.get(), kFiles);
    for (const SnapshotFile &f : s.files) {
        if (!only.isEmpty() && f.name != only) continue;
        if (!files) {
            problems->append(f.name + u": バックアップのフォルダがないか、リンクです"_s);
            continue;
        }
        QByteArray bytes;
        struct stat st {};
        try {
            const Fd fd = openCopyAt(files.get(), f.name, s.filePath(f.name), &st);
            bool more = false;
            bytes = readOpen(fd.get(), st.st_size, kLargestFile, s.filePath(f.name), &more);
        } catch (const StoreError &e) {
            problems->append(f.name + u": "_s + e.reason());
            continue;
        }
        if (bytes.size() != f.size || sha256Hex(bytes) != f.sha256)
            problems->append(f.name + u": 中身が記録と違います"_s);
        else
            out.insert(f.name, {bytes, mode_t(st.st_mode & 0777)});
    }
    return out;
}

const QString kStaging = u".restoring"_s; // a restore's files before they are put in place

// A new file name in the folder at for target: its mode and owner where target exists,
// else mode. Flushed; removed again when a step fails.
void stageFile(int at, const QString &name, const QString &shown, const QByteArray &bytes,
               const struct stat *target, mode_t mode) {
    writeNewFileAt(at, name, shown, bytes, target ? target->st_mode & 07777 : mode, target,
                   u"復元するファイルを書き込むことが"_s);
}

// The renames of a whole restore, written and flushed into the staging folder before the
// first of them: a restore cut short by a crash between its renames is finished by the
// next open instead of leaving some files restored and some not.
const QString kPlan = u".plan"_s;

void writePlan(int stage, const QString &staging, const QStringList &write, const QStringList &remove,
               const QString &undoId) {
    QByteArray text = "undo " + undoId.toUtf8() + '\n';
    for (const QString &name : write)
        text += "write " + native(name) + '\n';
    for (const QString &name : remove)
        text += "remove " + native(name) + '\n';
    text += "end\n"; // a plan cut short lacks it, and no rename had begun then
    writeNewFileAt(stage, kPlan, QDir(staging).filePath(kPlan), text, 0600);
    syncAt(stage, staging);
}

struct Plan {
    QString undoId;
    QStringList write, remove;
};

// The plan in the staging folder, or nothing when there is none or it is not whole. Only
// plain data file names are believed: a plan moves files between the two folders alone.
std::optional<Plan> readPlan(int stage, const QString &staging) {
    struct stat st {};
    QByteArray bytes;
    try {
        const Fd fd = openCopyAt(stage, kPlan, QDir(staging).filePath(kPlan), &st);
        bool more = false;
        bytes = readOpen(fd.get(), st.st_size, 1024 * 1024, QDir(staging).filePath(kPlan), &more);
        if (more) return std::nullopt;
    } catch (const StoreError &) {
        return std::nullopt;
    }
    if (!bytes.endsWith("\nend\n")) return std::nullopt;
    Plan plan;
    for (const QByteArray &line : bytes.split('\n')) {
        const qsizetype space = line.indexOf(' ');
        const QByteArray word = line.left(space);
        const QString name = QFile::decodeName(line.mid(space + 1));
        if (word == "undo") {
            plan.undoId = QString::fromUtf8(line.mid(space + 1));
            continue;
        }
        if (word != "write" && word != "remove") continue;
        const std::optional<FileCheck::Kind> kind = dataFileKind(name);
        if (space < 0 || !isPlainFileName(name) || !kind || !isDataKind(*kind)) return std::nullopt;
        (word == "write" ? plan.write : plan.remove).append(name);
    }
    return plan;
}

// The database's rollback journal belongs to the database being replaced: left beside the
// new one, SQLite would play the old pages into it.
void dropDatabaseJournal(int data, const QStringList &write, const QStringList &remove) {
    const QString db = PlayDatabase::fileName();
    if (write.contains(db) || remove.contains(db))
        ::unlinkat(data, native(db + u"-journal"_s).constData(), 0);
}

} // namespace

std::optional<QString> Backups::finishInterruptedRestore() {
    const Fd rootFd = openBackupsRoot(path());
    if (!rootFd) return std::nullopt;
    const QString staging = QDir(path()).filePath(kStaging);
    const Fd stage = openFolderAt(rootFd.get(), kStaging);
    if (!stage) return std::nullopt;
    const std::optional<Plan> plan = readPlan(stage.get(), staging);
    if (!plan) {
        // Cut short while staging: nothing was put in place yet.
        removeTreeAt(rootFd.get(), kStaging);
        return std::nullopt;
    }
    writehook::checkWritable(m_folder.path());
    const Fd data = openFolderAt(AT_FDCWD, m_folder.path());
    if (!data) throw StoreError::fromErrno(errno, m_folder.path(), u"データフォルダを開くことが"_s);
    const QString undo = u"。復元の前の状態はバックアップ「"_s + plan->undoId + u"」にあります"_s;
    dropDatabaseJournal(data.get(), plan->write, plan->remove);
    struct stat st {};
    for (const QString &name : plan->write) {
        // Gone from the staging folder: put in place before the cut.
        if (!statAt(stage.get(), name, &st)) continue;
        if (!S_ISREG(st.st_mode) ||
            ::renameat(stage.get(), native(name).constData(), data.get(), native(name).constData()) != 0)
            throw StoreError(StoreError::Kind::Io, m_folder.file(name),
                             u"中断された復元のファイルを置くことができませんでした"_s + undo);
    }
    for (const QString &name : plan->remove) {
        if (!statAt(data.get(), name, &st)) continue;
        if (::renameat(data.get(), native(name).constData(), stage.get(), native(name).constData()) != 0)
            throw StoreError::fromErrno(errno, m_folder.file(name), u"中断された復元で削除することが"_s);
    }
    syncAt(data.get(), m_folder.path());
    removeTreeAt(rootFd.get(), kStaging);
    return u"前回中断された復元を最後まで行いました"_s + undo + u"。"_s;
}

QStringList Backups::verify(const Snapshot &s, const QString &onlyFile) const {
    QStringList problems;
    loadFiles(path(), s, onlyFile, &problems);
    return problems;
}

RestorePlan Backups::planRestore(const Snapshot &s, const QString &fileName) const {
    if (!fileName.isEmpty() && !s.file(fileName))
        throw StoreError(StoreError::Kind::Invalid, fileName,
                         u"バックアップ「"_s + s.id + u"」にこのファイルはありません"_s);
    RestorePlan plan;
    for (const SnapshotFile &f : s.files) {
        if (!fileName.isEmpty() && f.name != fileName) continue;
        bool same = false;
        const QString now = m_folder.file(f.name);
        if (QFileInfo(now).isFile() && QFileInfo(now).size() == f.size) {
            try {
                same = sha256Hex(readWhole(now)) == f.sha256;
            } catch (const StoreError &) {
            }
        }
        (same ? plan.same : plan.write).append(f.name);
    }
    if (fileName.isEmpty())
        for (const DataFile &d : dataFiles(m_folder))
            if (!s.file(d.name)) plan.remove.append(d.name);
    return plan;
}

Snapshot Backups::restore(const Snapshot &s, const QString &fileName) {
    writehook::checkWritable(m_folder.path());
    const writehook::Suspend quiet;
    journal::recover(m_folder.path());
    const RestorePlan plan = planRestore(s, fileName);
    QStringList problems;
    // Read before the snapshot of the present, whose rotation may remove this one.
    const QMap<QString, Loaded> copies = loadFiles(path(), s, fileName, &problems);
    if (!problems.isEmpty())
        throw StoreError(StoreError::Kind::Damaged, s.id,
                         u"バックアップが壊れているため復元できません（"_s + problems.join(u"、"_s) +
                             u"）"_s);
    // The play rows of a diary restored alone, from the snapshot's database when it has one.
    std::optional<PlayChange> restoredRows;
    if (!fileName.isEmpty() && dataFileKind(fileName) == FileCheck::Kind::Diary &&
        s.file(PlayDatabase::fileName()) && verify(s, PlayDatabase::fileName()).isEmpty()) {
        const std::unique_ptr<PlayDatabase> snapshotDb =
            PlayDatabase::openFile(s.filePath(PlayDatabase::fileName()));
        if (snapshotDb->isOpen()) restoredRows = PlayChange::forRestore(fileName, *snapshotDb);
    }
    // Every target is checked before anything changes: a link, a read-only file or
    // someone else's stops the restore while nothing is written.
    QMap<QString, struct stat> targets;
    for (const QString &name : plan.write) {
        safefile::checkReplaceable(m_folder.file(name));
        struct stat st {};
        if (::lstat(native(m_folder.file(name)).constData(), &st) == 0) targets.insert(name, st);
    }
    for (const QString &name : plan.remove)
        safefile::checkReplaceable(m_folder.file(name));

    // Every file is staged first, flushed, on the data folder's file system: a full disk
    // stops the restore here, with nothing changed.
    const Fd data = openFolderAt(AT_FDCWD, m_folder.path());
    if (!data) throw StoreError::fromErrno(errno, m_folder.path(), u"データフォルダを開くことが"_s);
    const QString root = path();
    Fd rootFd = openBackupsRoot(root);
    if (!rootFd) rootFd = makeFolderAt(data.get(), folderName(), root, 0700);
    finishInterruptedRestore(); // or, cut short while staging, removed
    const QString staging = QDir(root).filePath(kStaging);
    const Fd stage = makeFolderAt(rootFd.get(), kStaging, staging, 0700);
    try {
        struct stat a {
        }, b{};
        if (::fstat(data.get(), &a) != 0 || ::fstat(stage.get(), &b) != 0 || a.st_dev != b.st_dev)
            throw StoreError(StoreError::Kind::Invalid, root,
                             u"バックアップのフォルダがデータフォルダと別の場所にあるため、復元できません"_s);
        for (const QString &name : plan.write) {
            const auto t = targets.constFind(name);
            stageFile(stage.get(), name, m_folder.file(name), copies.value(name).bytes,
                      t == targets.cend() ? nullptr : &*t, copies.value(name).mode);
        }
        syncAt(stage.get(), staging);
    } catch (const StoreError &) {
        removeTreeAt(rootFd.get(), kStaging);
        throw;
    }
    Snapshot undo;
    try {
        undo = take(Reason::Restore, fileName.isEmpty() ? s.id : fileName + u" ← "_s + s.id);
    } catch (const StoreError &) {
        removeTreeAt(rootFd.get(), kStaging);
        throw;
    }
    try {
        writePlan(stage.get(), staging, plan.write, plan.remove, undo.id);
    } catch (const StoreError &) {
        removeTreeAt(rootFd.get(), kStaging);
        throw;
    }
    // A diary restored alone takes its play rows from the snapshot's database, noted before
    // the diary is put in place and applied after, as every diary write with its rows.
    std::unique_ptr<PlayDatabase> liveDb;
    std::optional<qint64> pendingRows;
    if (restoredRows && QFileInfo::exists(m_folder.file(PlayDatabase::fileName()))) {
        liveDb = std::make_unique<PlayDatabase>(m_folder);
        try {
            if (liveDb->isOpen()) {
                const QByteArray bytes = copies.value(fileName).bytes;
                DiaryExpectation expected;
                expected.fingerprint = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
                expected.size = bytes.size();
                if (plan.write.contains(fileName))
                    pendingRows = liveDb->prepare(*restoredRows, expected);
                else
                    liveDb->commit(liveDb->prepare(*restoredRows, expected)); // the cards are as they were
            }
        } catch (const StoreError &) {
            // The diary comes first; rows that no longer fit are set aside by the next repair.
        }
    }
    dropDatabaseJournal(data.get(), plan.write, plan.remove);
    if (RecordFile::beforeReplaceHook) RecordFile::beforeReplaceHook();

    // Then put in place by renames; the files removed go to the staging folder until the
    // end, so that every step can be undone.
    QStringList placed, moved;
    try {
        for (const QString &name : plan.write) {
            if (::renameat(stage.get(), native(name).constData(), data.get(), native(name).constData()) != 0)
                throw StoreError::fromErrno(errno, m_folder.file(name), u"復元したファイルを置くことが"_s);
            placed.append(name);
        }
        for (const QString &name : plan.remove) {
            if (::renameat(data.get(), native(name).constData(), stage.get(), native(name).constData()) != 0)
                throw StoreError::fromErrno(errno, m_folder.file(name), u"削除することが"_s);
            moved.append(name);
        }
        syncAt(data.get(), m_folder.path());
    } catch (const StoreError &e) {
        // Back to the state before, from the snapshot just taken; without the plan, so
        // that a crash while going back is not finished forward.
        ::unlinkat(stage.get(), native(kPlan).constData(), 0);
        QStringList notBack;
        for (const QString &name : moved)
            if (::renameat(stage.get(), native(name).constData(), data.get(), native(name).constData()) != 0)
                notBack.append(name);
        QStringList undoProblems;
        const QMap<QString, Loaded> before = loadFiles(root, undo, QString(), &undoProblems);
        for (const QString &name : placed) {
            try {
                if (!undo.file(name)) {
                    if (::unlinkat(data.get(), native(name).constData(), 0) != 0 && errno != ENOENT)
                        notBack.append(name);
                    continue;
                }
                if (!before.contains(name)) {
                    notBack.append(name);
                    continue;
                }
                struct stat st {};
                const bool there =
                    ::fstatat(data.get(), native(name).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
                ::unlinkat(stage.get(), native(name).constData(), 0);
                stageFile(stage.get(), name, m_folder.file(name), before.value(name).bytes,
                          there ? &st : nullptr, before.value(name).mode);
                if (::renameat(stage.get(), native(name).constData(), data.get(), native(name).constData()) !=
                    0)
                    notBack.append(name);
            } catch (const StoreError &) {
                notBack.append(name);
            }
        }
        try {
            syncAt(data.get(), m_folder.path());
        } catch (const StoreError &) {
        }
        removeTreeAt(rootFd.get(), kStaging);
        if (pendingRows) {
            try {
                liveDb->abandon(*pendingRows);
            } catch (const StoreError &) {
            }
        }
        const QString how =
            notBack.isEmpty()
                ? u"。復元は取りやめ、データフォルダを復元の前の状態に戻しました（その状態はバックアップ「"_s +
                      undo.id + u"」にもあります）"_s
                : u"。復元は途中で止まり、次のファイルを元に戻せませんでした: "_s + notBack.join(u"、"_s) +
                      u"。復元の前の状態はバックアップ「"_s + undo.id + u"」にあります"_s;
        throw StoreError(e.kind(), e.file(), e.reason() + how);
    }
    removeTreeAt(rootFd.get(), kStaging);
    if (pendingRows) {
        try {
            liveDb->commit(*pendingRows);
        } catch (const StoreError &) {
            // Left pending: the next repair finds the diary restored and finishes it.
        }
    }
    return undo;
}

QStringList keptByCount(const QList<Snapshot> &snapshots, const Settings &settings) {
    QStringList kept;
    QList<const Snapshot *> operations, daily;
    for (const Snapshot &s : snapshots)
        (s.isDaily() ? daily : operations).append(&s);
    for (qsizetype i = std::max<qsizetype>(0, operations.size() - settings.keepOperations);
         i < operations.size(); ++i)
        kept.append(operations[i]->id);
    for (qsizetype i = std::max<qsizetype>(0, daily.size() - settings.keepDaily); i < daily.size(); ++i)
        kept.append(daily[i]->id);
    // The monthly ones: the first daily snapshot of each month, the newest months kept.
    QList<const Snapshot *> firstOfMonth;
    for (const Snapshot *s : daily)
        if (firstOfMonth.isEmpty() ||
            firstOfMonth.last()->time.toString(u"yyyyMM"_s) != s->time.toString(u"yyyyMM"_s))
            firstOfMonth.append(s);
    for (qsizetype i = std::max<qsizetype>(0, firstOfMonth.size() - settings.keepMonthly);
         i < firstOfMonth.size(); ++i)
        if (!kept.contains(firstOfMonth[i]->id)) kept.append(firstOfMonth[i]->id);
    return kept;
}

namespace {

void removeSnapshot(const QString &root, const QString &id) {
    const Fd rootFd = openBackupsRoot(root);
    if (!rootFd) return;
    // Out of the list in one step, then emptied; a remove cut short is finished next time.
    const QString doomed = kPartial + u"del-"_s + id;
    if (::renameat(rootFd.get(), native(id).constData(), rootFd.get(), native(doomed).constData()) != 0)
        throw StoreError::fromErrno(errno, QDir(root).filePath(id), u"古いバックアップを消すことが"_s);
    removeTreeAt(rootFd.get(), doomed);
}

// The bytes of the regular files under the folder open as fd, each inode once.
void addBytesAt(int fd, QSet<QPair<quint64, quint64>> *seen, qint64 *total) {
    for (const QString &name : namesAt(fd)) {
        struct stat st {};
        if (!statAt(fd, name, &st)) continue;
        if (S_ISDIR(st.st_mode)) {
            if (const Fd inner = openFolderAt(fd, name)) addBytesAt(inner.get(), seen, total);
        } else if (S_ISREG(st.st_mode) && !seen->contains({quint64(st.st_dev), quint64(st.st_ino)})) {
            seen->insert({quint64(st.st_dev), quint64(st.st_ino)});
            *total += st.st_size;
        }
    }
}

} // namespace

QStringList Backups::rotate(const QString &keep) {
    const writehook::Suspend quiet;
    QList<Snapshot> all = list();
    if (all.isEmpty()) return {};
    const QStringList kept = keptByCount(all, m_settings);
    const QString newest = keep.isEmpty() ? all.last().id : keep;
    QStringList removed;
    for (const Snapshot &s : all) {
        if (kept.contains(s.id) || s.id == newest) continue;
        removeSnapshot(path(), s.id);
        removed.append(s.id);
    }
    all.removeIf([&](const Snapshot &s) { return removed.contains(s.id); });
    // Then the size: the oldest go first, never the newest.
    const qint64 p = m_settings.maxSharePercent;
    all.removeIf([&](const Snapshot &s) { return s.id == newest; });
    while (!all.isEmpty()) {
        const qint64 b = backupBytes(), d = dataBytes();
        if (b * (100 - p) <= p * d) break;
        removeSnapshot(path(), all.first().id);
        removed.append(all.first().id);
        all.removeFirst();
    }
    return removed;
}

qint64 Backups::dataBytes() const {
    qint64 total = 0;
    for (const DataFile &d : dataFiles(m_folder))
        total += QFileInfo(m_folder.file(d.name)).size();
    return total;
}

qint64 Backups::backupBytes() const {
    qint64 total = 0;
    QSet<QPair<quint64, quint64>> seen;
    if (const Fd root = openFolderAt(AT_FDCWD, path())) addBytesAt(root.get(), &seen, &total);
    return total;
}

// ---- automatic snapshots ----

namespace {

struct Automatic {
    QString folder;
    Settings settings;
    QDate dailyChecked;
};

std::optional<Automatic> &automatic() {
    static std::optional<Automatic> a;
    return a;
}

StoreError refusal(const StoreError &e, const QString &what) {
    return StoreError(
        e.kind(), e.file(),
        e.reason() + u"。バックアップを取れないため、"_s + what +
            u"を取りやめました（自動バックアップは「バックアップと復元」の設定で止められます）"_s);
}

// The day's snapshot before the first write of the day to the automatic folder.
void dailyIfDue(const QString &what) {
    std::optional<Automatic> &a = automatic();
    const QDate today = clock().today();
    if (!a || !a->settings.automatic || a->dailyChecked == today) return;
    try {
        Backups(DataFolder(a->folder), a->settings).takeDailyIfDue();
    } catch (const StoreError &e) {
        throw refusal(e, what);
    }
    a->dailyChecked = today;
}

bool isAutomaticFolder(const QString &path) {
    const std::optional<Automatic> &a = automatic();
    return a && sameFolder(path) == a->folder;
}

} // namespace

void setAutomatic(const DataFolder &folder, const Settings &settings) {
    automatic() = Automatic{sameFolder(folder.path()), settings.bounded(), QDate()};
}

void clearAutomatic() {
    automatic().reset();
}

void DailySnapshot::beforeWrite(const QString &filePath) {
    const std::optional<Automatic> &a = automatic();
    if (a && sameFolder(QFileInfo(filePath).absolutePath()) == a->folder) dailyIfDue(u"書き込み"_s);
}

std::optional<Settings> automaticSettings() {
    const std::optional<Automatic> &a = automatic();
    if (!a) return std::nullopt;
    return a->settings;
}

std::optional<Snapshot> beforeOperation(const DataFolder &folder, Reason reason, const QString &detail) {
    const std::optional<Automatic> &a = automatic();
    if (!a || !a->settings.automatic || sameFolder(folder.path()) != a->folder) return std::nullopt;
    const QString what = reasonText(reason).chopped(2); // "日記ファイルの整理の前" → "…の整理"
    dailyIfDue(what);
    try {
        return Backups(folder, a->settings).take(reason, detail);
    } catch (const StoreError &e) {
        throw refusal(e, what);
    }
}

} // namespace tama::backup
