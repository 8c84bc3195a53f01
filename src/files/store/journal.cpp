#include "store/journal.h"

#include "store/datafolder.h"
#include "store/recordfile.h"
#include "store/safefile.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tama::journal {

namespace {

constexpr char kMagic[8] = {'T', 'A', 'M', 'A', 'J', 'N', 'L', '1'};
constexpr qsizetype kHeader = 8 + 4 + 4 + 8 + 8;
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
    QByteArray old;
};

enum class Parsed { Empty, Valid, Damaged };

Parsed parse(const QByteArray &bytes, Entry *e) {
    if (bytes.count('\0') == bytes.size()) return Parsed::Empty; // cleared, or never written
    if (bytes.size() < kHeader + 4 || std::memcmp(bytes.constData(), kMagic, 8) != 0) return Parsed::Damaged;
    const char *p = bytes.constData();
    const quint64 nameLen = get(p + 8, 4), oldLen = get(p + 12, 4);
    const quint64 total = quint64(kHeader) + nameLen + oldLen + 4;
    if (nameLen == 0 || nameLen > 1024 || oldLen > quint64(kLargestEntry) || total > quint64(bytes.size()))
        return Parsed::Damaged;
    if (get(p + kHeader + nameLen + oldLen, 4) != crc32(p, qsizetype(total - 4))) return Parsed::Damaged;
    e->offset = qint64(get(p + 16, 8));
    e->oldSize = qint64(get(p + 24, 8));
    e->name = bytes.mid(kHeader, qsizetype(nameLen));
    e->old = bytes.mid(kHeader + qsizetype(nameLen), qsizetype(oldLen));
    constexpr qint64 kLargestFile = qint64(64) << 20; // far past the largest data file (7.9 MB)
    if (e->offset < 0 || e->oldSize < 0 || e->oldSize > kLargestFile ||
        e->offset + qint64(oldLen) > e->oldSize)
        return Parsed::Damaged;
    return Parsed::Valid;
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

} // namespace

QString fileName() {
    return u".tamanote.journal"_s;
}

QByteArray encodeEntry(const QByteArray &name, qint64 offset, qint64 oldSize, const QByteArray &old) {
    QByteArray out(kMagic, 8);
    put(out, quint64(name.size()), 4);
    put(out, quint64(old.size()), 4);
    put(out, quint64(offset), 8);
    put(out, quint64(oldSize), 8);
    out += name;
    out += old;
    put(out, crc32(out.constData(), out.size()), 4);
    return out;
}

void recover(const QString &folder) {
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
            return; // none, or a folder that cannot be written: nothing was written there
        throw StoreError::fromErrno(err, path, u"書き込みの控えを開くことが"_s);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return; // the folder check reports it; a write refuses to use it
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
    // Only a data file of this folder: never a path, never a hidden file such as the journal.
    if (p == Parsed::Valid && isPlainFileName(QFile::decodeName(e.name)) && !e.name.startsWith('.')) {
        const QString target = QDir(folder).filePath(QFile::decodeName(e.name));
        int tfd = -1;
        try {
            tfd = safefile::openRegular(target, O_RDWR);
        } catch (const StoreError &) {
            tfd = -1; // no longer a regular file: nothing to put back
        }
        if (tfd >= 0) {
            const bool ok = rollBack(tfd, e);
            const int err = errno;
            ::close(tfd);
            if (!ok) {
                ::close(fd);
                throw StoreError::fromErrno(err, target, u"中断された書き込みを元に戻すことが"_s);
            }
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
}

void reserve(const QString &folder) {
    try {
        recover(folder);
    } catch (const StoreError &) {
        return; // the next write reports it
    }
    const QString path = journalPath(folder);
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return; // there already, or the folder cannot be written
    const QByteArray zeros(kReservedSize, '\0');
    const bool ok = safefile::writeFully(fd, zeros.constData(), zeros.size(), 0) && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok) ::unlink(name.constData());
}

State inspect(const QString &folder) {
    const QString path = journalPath(folder);
    State s;
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return s;
    bool more = false;
    const QByteArray bytes = safefile::readBounded(path, kLargestEntry, &more);
    Entry e;
    switch (parse(bytes, &e)) {
    case Parsed::Empty:
        s.kind = State::Clear;
        break;
    case Parsed::Valid:
        s.kind = State::Pending;
        s.file = QFile::decodeName(e.name);
        break;
    case Parsed::Damaged:
        s.kind = State::Damaged;
        break;
    }
    return s;
}

Guard::Guard(const QString &path, int fd, qint64 offset, qint64 len)
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
    const qint64 oldLen = std::clamp<qint64>(m_oldSize - offset, 0, len);
    m_old = QByteArray(oldLen, Qt::Uninitialized);
    qint64 got = 0;
    if (!safefile::readFully(fd, m_old.data(), oldLen, offset, &got)) fail(errno);
    m_old.truncate(got);
    const QByteArray entry =
        encodeEntry(QFile::encodeName(QFileInfo(path).fileName()), offset, m_oldSize, m_old);
    m_entrySize = entry.size();
    if (!safefile::writeFully(m_journalFd, entry.constData(), entry.size(), 0)) fail(errno);
    if (::fdatasync(m_journalFd) != 0) fail(errno);
    if (!m_reserved) {
        try {
            syncFolder(folder); // the new journal's name must survive a power cut too
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
