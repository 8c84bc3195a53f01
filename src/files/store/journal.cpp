#include "store/journal.h"

#include "common/clock.h"
#include "store/category.h"
#include "store/datafolder.h"
#include "store/diary.h"
#include "store/record.h"
#include "store/safefile.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/userlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tama::journal {

namespace {

constexpr char kMagic[8] = {'T', 'A', 'M', 'A', 'J', 'N', 'L', '2'};
// The entry of earlier versions: no identity and no new bytes, so it cannot be checked.
constexpr char kPreviousMagic[8] = {'T', 'A', 'M', 'A', 'J', 'N', 'L', '1'};
constexpr qsizetype kHeader = 8 + 4 + 4 + 8 + 8 + 8 + 8;
constexpr qsizetype kPreviousHeader = 8 + 4 + 4 + 8 + 8;
constexpr qint64 kLargestEntry = 64 * 1024;

quint32 crc32(const char *data, qsizetype size) {
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i) {
        crc ^= quint8(data[i]);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put(QByteArray &out, quint64 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

quint64 get(const char *at, int bytes) {
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | quint8(at[i]);
    return v;
}

struct Entry {
    QByteArray name;
    qint64 offset = 0;
    qint64 oldSize = 0;
    Identity id;
    QByteArray old;
    QByteArray fresh;
};

// Previous: an entry of an earlier version (its name, when whole, in e->name).
enum class Parsed { Empty, Valid, Previous, Damaged };

Parsed parsePrevious(const QByteArray &bytes, Entry *e) {
    if (bytes.size() < kPreviousHeader + 4) return Parsed::Previous;
    const char *p = bytes.constData();
    const quint64 nameLen = get(p + 8, 4), oldLen = get(p + 12, 4);
    const quint64 total = quint64(kPreviousHeader) + nameLen + oldLen + 4;
    if (nameLen > 1024 || oldLen > quint64(kLargestEntry) || total > quint64(bytes.size()))
        return Parsed::Previous;
    if (get(p + total - 4, 4) == crc32(p, qsizetype(total - 4)))
        e->name = bytes.mid(kPreviousHeader, qsizetype(nameLen));
    return Parsed::Previous;
}

Parsed parse(const QByteArray &bytes, Entry *e) {
    if (bytes.count('\0') == bytes.size()) return Parsed::Empty; // cleared, or never written
    if (bytes.size() >= 8 && std::memcmp(bytes.constData(), kPreviousMagic, 8) == 0)
        return parsePrevious(bytes, e);
    if (bytes.size() < kHeader + 4 || std::memcmp(bytes.constData(), kMagic, 8) != 0) return Parsed::Damaged;
    const char *p = bytes.constData();
    const quint64 nameLen = get(p + 8, 4), len = get(p + 12, 4);
    const quint64 offset = get(p + 16, 8), oldSize = get(p + 24, 8);
    if (nameLen == 0 || nameLen > 1024 || len == 0 || len > quint64(kLargestEntry) ||
        offset > quint64(kLargestEntry) << 20 || oldSize > quint64(kLargestEntry) << 20)
        return Parsed::Damaged;
    const quint64 oldLen = offset < oldSize ? std::min(len, oldSize - offset) : 0;
    const quint64 total = quint64(kHeader) + nameLen + oldLen + len + 4;
    if (total > quint64(bytes.size())) return Parsed::Damaged;
    if (get(p + total - 4, 4) != crc32(p, qsizetype(total - 4))) return Parsed::Damaged;
    e->offset = qint64(offset);
    e->oldSize = qint64(oldSize);
    e->id = {get(p + 32, 8), get(p + 40, 8)};
    e->name = bytes.mid(kHeader, qsizetype(nameLen));
    e->old = bytes.mid(kHeader + qsizetype(nameLen), qsizetype(oldLen));
    e->fresh = bytes.mid(kHeader + qsizetype(nameLen + oldLen), qsizetype(len));
    return Parsed::Valid;
}

// The largest file of the kind a name stands for, among those written in place; nothing
// for any other name.
std::optional<qint64> largestFile(const QString &name) {
    if (!isPlainFileName(name)) return std::nullopt;
    const std::optional<FileCheck::Kind> kind = dataFileKind(name);
    const RecordLayout *layout = nullptr;
    switch (kind.value_or(FileCheck::Kind::Scratch)) {
    case FileCheck::Kind::UserList:
        layout = &userLayout();
        break;
    case FileCheck::Kind::Diary:
        layout = &cardLayout();
        break;
    case FileCheck::Kind::StoreFile:
        layout = &storeLayout();
        break;
    case FileCheck::Kind::Catalogue:
        for (const CategoryInfo &c : categories())
            if (c.fileName.compare(name, Qt::CaseInsensitive) == 0) layout = c.layout;
        break;
    default:
        break;
    }
    if (!layout) return std::nullopt;
    return qint64(layout->maxRecords()) * layout->length();
}

// Why e is not applied even before its file is looked at, or nothing.
std::optional<QString> refusal(const Entry &e) {
    const QString name = QFile::decodeName(e.name);
    const std::optional<qint64> largest = largestFile(name);
    if (!largest) return u"書き込みの控えがデータファイルでないものを指している"_s;
    const qint64 end = e.offset + e.fresh.size();
    if (e.offset > e.oldSize || e.oldSize > *largest || end > *largest)
        return u"書き込みの控えの位置や大きさがファイルの形式に合わない"_s;
    return std::nullopt;
}

// Why e does not belong to the file at path, open as fd (no longer the same file, or no
// longer holding at the write's place the bytes from before or after it), or nothing.
// Throws StoreError when the file cannot be looked at: that decides nothing yet.
std::optional<QString> mismatch(int fd, const QString &path, const Entry &e) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw StoreError::fromErrno(errno, path, u"ファイルを調べることが"_s);
    if (quint64(st.st_dev) != e.id.dev || quint64(st.st_ino) != e.id.ino)
        return u"ファイルがその後で置き換えられた"_s;
    const qint64 size = qint64(st.st_size), end = e.offset + e.fresh.size();
    // A write within the file leaves its size; an append grows it by at most the write.
    if (size < e.oldSize || size > std::max(e.oldSize, end)) return u"ファイルの大きさがその後で変わった"_s;
    const qint64 span = std::min(size, end) - e.offset;
    QByteArray now(span, Qt::Uninitialized);
    qint64 got = 0;
    if (!safefile::readFully(fd, now.data(), span, e.offset, &got))
        throw StoreError::fromErrno(errno, path, u"中断された書き込みの場所を読むことが"_s);
    if (got != span) return u"ファイルの大きさがその後で変わった"_s;
    // A torn write mixes old and new bytes; past the old end, what did not arrive reads as zeros.
    for (qint64 i = 0; i < span; ++i) {
        const char expected = i < e.old.size() ? e.old[i] : '\0';
        if (now[i] != expected && now[i] != e.fresh[i]) return u"書き込んだ場所の内容がその後で変わった"_s;
    }
    return std::nullopt;
}

QString journalPath(const QString &folder) {
    return QDir(folder).filePath(fileName());
}

// Clears an open journal: a reserved one is zeroed and flushed, any other removed.
bool clearJournal(const QString &path, int fd, qint64 used) {
    struct stat st {};
    // Another name for the same file (a hard link planted from outside) is never written to.
    if (::fstat(fd, &st) == 0 && st.st_size == kReservedSize && st.st_nlink == 1) {
        const QByteArray zeros(std::min(used, kReservedSize), '\0');
        return safefile::writeFully(fd, zeros.constData(), zeros.size(), 0) && ::fdatasync(fd) == 0;
    }
    return ::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT;
}

// Puts the old bytes of e back into its file, open as fd, and flushes it.
bool rollBack(int fd, const Entry &e) {
    if (!e.old.isEmpty() && !safefile::writeFully(fd, e.old.constData(), e.old.size(), e.offset))
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    if (st.st_size > e.oldSize && ::ftruncate(fd, off_t(e.oldSize)) != 0) return false;
    return ::fdatasync(fd) == 0;
}

// Renames the journal to a free name of its own, flushed; returns that name.
QString putAside(const QString &folder) {
    const QString stamp = clock().now().toString(u"yyyyMMdd-HHmmss"_s);
    const QByteArray from = QFile::encodeName(journalPath(folder));
    for (int n = 1;; ++n) {
        const QString name = asidePrefix() + stamp + (n == 1 ? QString() : u"-%1"_s.arg(n));
        const QByteArray to = QFile::encodeName(QDir(folder).filePath(name));
        struct stat st {};
        if (::lstat(to.constData(), &st) == 0) continue; // never over one kept before
        if (errno != ENOENT || ::rename(from.constData(), to.constData()) != 0)
            throw StoreError::fromErrno(errno, journalPath(folder), u"書き込みの控えを脇に置くことが"_s);
        safefile::syncFolder(folder);
        return name;
    }
}

QString asideNotice(const QString &file, const QString &reason, const QString &aside) {
    const QString what =
        file.isEmpty() ? u"中断された書き込みの控え"_s : u"「"_s + file + u"」への中断された書き込みの控え"_s;
    return what + u"は、"_s + reason + u"ため適用せず、「"_s + aside +
           u"」として残しました。データファイルは今の内容のままです。"_s;
}

} // namespace

QByteArray encodeEntry(const QByteArray &name, qint64 offset, qint64 oldSize, Identity id,
                       const QByteArray &old, const QByteArray &fresh) {
    QByteArray out(kMagic, 8);
    put(out, quint64(name.size()), 4);
    put(out, quint64(fresh.size()), 4);
    put(out, quint64(offset), 8);
    put(out, quint64(oldSize), 8);
    put(out, id.dev, 8);
    put(out, id.ino, 8);
    out += name;
    out += old;
    out += fresh;
    put(out, crc32(out.constData(), out.size()), 4);
    return out;
}

QString recover(const QString &folder) {
    const QString path = journalPath(folder);
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(name.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int err = errno;
        if (err == ELOOP) ::unlink(name.constData()); // a planted link is never written through
        if (err == ENOENT || err == ELOOP || err == EACCES || err == EPERM || err == EROFS || err == EISDIR)
            return {}; // none, or a folder that cannot be written: nothing was written there
        throw StoreError::fromErrno(err, path, u"書き込みの控えを開くことが"_s);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {}; // the folder check reports it; a write refuses to use it
    }
    QByteArray bytes(std::min<qint64>(st.st_size, kLargestEntry), Qt::Uninitialized);
    qint64 got = 0;
    if (!safefile::readFully(fd, bytes.data(), bytes.size(), 0, &got)) {
        const int err = errno;
        ::close(fd);
        throw StoreError::fromErrno(err, path, u"書き込みの控えを読むことが"_s);
    }
    bytes.truncate(got);
    Entry e;
    const Parsed p = parse(bytes, &e);
    if (p == Parsed::Valid || p == Parsed::Previous) {
        const QString file = QFile::decodeName(e.name), target = QDir(folder).filePath(file);
        std::optional<QString> why =
            p == Parsed::Previous ? u"以前の版の形式で、ファイルに合うか確かめられない"_s : refusal(e);
        int tfd = -1;
        if (!why) {
            try {
                tfd = safefile::openRegular(target, O_RDWR);
            } catch (const StoreError &) {
                why = u"ファイルが通常のファイルではなくなった"_s;
            }
            // Gone, or a link now: not the file written. Any other failure decides nothing,
            // and the journal stays for the next open.
            if (!why && tfd < 0 && errno != ENOENT && errno != ELOOP) {
                const int err = errno;
                ::close(fd);
                throw StoreError::fromErrno(err, target, u"中断された書き込みを元に戻すために開くことが"_s);
            }
            if (!why && tfd < 0)
                why = errno == ELOOP ? u"ファイルがその後でリンクに置き換えられた"_s
                                     : u"ファイルがその後でなくなった"_s;
        }
        try {
            if (!why) why = mismatch(tfd, target, e);
        } catch (const StoreError &) {
            ::close(tfd);
            ::close(fd);
            throw;
        }
        if (!why && !rollBack(tfd, e)) {
            const int err = errno;
            ::close(tfd);
            ::close(fd);
            throw StoreError::fromErrno(err, target, u"中断された書き込みを元に戻すことが"_s);
        }
        if (tfd >= 0) ::close(tfd);
        if (why) {
            // Kept whole for the user; applying it would write into a file it does not belong to.
            ::close(fd);
            const QString aside = putAside(folder);
            return asideNotice(isPlainFileName(file) ? file : QString(), *why, aside);
        }
    }
    // An empty journal of one write (cut off before its entry was written) goes too.
    const bool leftover = p == Parsed::Empty && st.st_size != kReservedSize;
    if ((p != Parsed::Empty || leftover) && !clearJournal(path, fd, got)) {
        const int err = errno;
        ::close(fd);
        throw StoreError::fromErrno(err, path, u"書き込みの控えを消すことが"_s);
    }
    ::close(fd);
    return {};
}

QString reserve(const QString &folder) {
    QString notice;
    try {
        notice = recover(folder);
    } catch (const StoreError &) {
        return {}; // the next write reports it
    }
    const QString path = journalPath(folder);
    // Not made when it is there already or the folder cannot be written; removed when it
    // cannot be filled.
    (void)safefile::writeNewFile(AT_FDCWD, QFile::encodeName(path), QByteArray(kReservedSize, '\0'), 0666);
    return notice;
}

State inspect(const QString &folder, const QString &name) {
    const QString path = QDir(folder).filePath(name);
    State s;
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return s;
    bool more = false;
    const QByteArray bytes = safefile::readBounded(path, kLargestEntry, &more);
    Entry e;
    const Parsed p = parse(bytes, &e);
    if (isPlainFileName(QFile::decodeName(e.name))) s.file = QFile::decodeName(e.name);
    if (isAsideName(name)) {
        s.kind = State::Aside;
        return s;
    }
    switch (p) {
    case Parsed::Empty:
        s.kind = State::Clear;
        break;
    case Parsed::Valid:
    case Parsed::Previous: {
        std::optional<QString> why =
            p == Parsed::Previous ? u"以前の版の形式で、ファイルに合うか確かめられない"_s : refusal(e);
        if (!why) {
            const int fd = ::open(QFile::encodeName(QDir(folder).filePath(s.file)).constData(),
                                  O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            struct stat t {};
            if (fd < 0 || ::fstat(fd, &t) != 0 || !S_ISREG(t.st_mode)) {
                why = u"ファイルがその後でなくなった"_s;
            } else {
                try {
                    why = mismatch(fd, s.file, e);
                } catch (const StoreError &err) {
                    why = err.message();
                }
            }
            if (fd >= 0) ::close(fd);
        }
        s.kind = why ? State::Stale : State::Pending;
        s.reason = why.value_or(QString());
        break;
    }
    case Parsed::Damaged:
        s.kind = State::Damaged;
        break;
    }
    return s;
}

Guard::Guard(const QString &path, int fd, qint64 offset, const QByteArray &bytes)
    : m_path(path), m_journal(journalPath(QFileInfo(path).absolutePath())), m_fd(fd), m_offset(offset) {
    const QString folder = QFileInfo(path).absolutePath();
    recover(folder); // an interrupted write of any file goes back before its journal is reused
    const QByteArray jname = QFile::encodeName(m_journal);
    auto fail = [&](int err) {
        if (m_journalFd >= 0) {
            ::close(m_journalFd);
            m_journalFd = -1;
        }
        if (!m_reserved) ::unlink(jname.constData());
        throw StoreError::fromErrno(err, m_journal, u"書き込みの控えを作ることが"_s);
    };

    do {
        m_journalFd = ::open(jname.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    } while (m_journalFd < 0 && errno == EINTR);
    if (m_journalFd < 0 && errno != ENOENT && errno != ELOOP && errno != EISDIR && errno != EACCES)
        throw StoreError::fromErrno(errno, m_journal, u"書き込みの控えを開くことが"_s);
    struct stat st {};
    if (m_journalFd >= 0 && ::fstat(m_journalFd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 &&
        st.st_size == kReservedSize) {
        m_reserved = true;
    } else {
        // Anything else under the name (a link, a leftover) is replaced by a fresh file.
        if (m_journalFd >= 0) {
            ::close(m_journalFd);
            m_journalFd = -1;
        }
        if (::unlink(jname.constData()) != 0 && errno != ENOENT) {
            if (errno == EISDIR)
                throw StoreError(
                    StoreError::Kind::Damaged, m_journal,
                    u"書き込みの控えの名前のフォルダがあるため書き込めません。このフォルダを移してください"_s);
            fail(errno);
        }
        do {
            m_journalFd = ::open(jname.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        } while (m_journalFd < 0 && errno == EINTR);
        if (m_journalFd < 0) throw StoreError::fromErrno(errno, m_journal, u"書き込みの控えを作ることが"_s);
    }

    struct stat data {};
    if (::fstat(fd, &data) != 0) fail(errno);
    m_oldSize = qint64(data.st_size);
    const qint64 oldLen = std::clamp<qint64>(m_oldSize - offset, 0, bytes.size());
    m_old = QByteArray(oldLen, Qt::Uninitialized);
    qint64 got = 0;
    if (!safefile::readFully(fd, m_old.data(), oldLen, offset, &got)) fail(errno);
    if (got != oldLen) fail(EIO); // the file shrank under us: the entry would not describe it
    const QByteArray entry = encodeEntry(QFile::encodeName(QFileInfo(path).fileName()), offset, m_oldSize,
                                         {quint64(data.st_dev), quint64(data.st_ino)}, m_old, bytes);
    if (entry.size() > kLargestEntry) fail(EFBIG); // recovery reads no more than this
    m_entrySize = entry.size();
    if (!safefile::writeFully(m_journalFd, entry.constData(), entry.size(), 0)) fail(errno);
    if (::fdatasync(m_journalFd) != 0) fail(errno);
    if (!m_reserved) {
        try {
            safefile::syncFolder(folder); // the new journal's name must survive a power cut too
        } catch (const StoreError &) {
            ::close(m_journalFd);
            m_journalFd = -1;
            ::unlink(jname.constData());
            throw;
        }
    }
}

Guard::~Guard() {
    if (m_journalFd >= 0) ::close(m_journalFd);
}

void Guard::clear() {
    if (m_journalFd < 0) return;
    const bool ok = m_reserved ? clearJournal(m_journal, m_journalFd, m_entrySize)
                               : (::unlink(QFile::encodeName(m_journal).constData()) == 0);
    const int err = errno;
    ::close(m_journalFd);
    m_journalFd = -1;
    if (!ok) throw StoreError::fromErrno(err, m_journal, u"書き込みの控えを消すことが"_s);
}

void Guard::commit() {
    clear();
}

void Guard::restore() {
    Entry e;
    e.offset = m_offset;
    e.oldSize = m_oldSize;
    e.old = m_old;
    if (!rollBack(m_fd, e)) return; // the journal stays: the next open puts the old bytes back
    try {
        clear();
    } catch (const StoreError &) {
        // The old bytes are back; a journal left over only writes them once more.
    }
}

} // namespace tama::journal
