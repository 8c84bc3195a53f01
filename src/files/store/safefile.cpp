#include "store/safefile.h"

#include "store/storeerror.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tama::safefile {

namespace {

QString kindOf(mode_t mode) {
    if (S_ISLNK(mode)) return u"シンボリックリンク"_s;
    if (S_ISDIR(mode)) return u"フォルダ"_s;
    if (S_ISFIFO(mode)) return u"FIFO"_s;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return u"装置"_s;
    if (S_ISSOCK(mode)) return u"ソケット"_s;
    return u"通常でないファイル"_s;
}

[[noreturn]] void refuseNotRegular(const QString &path, mode_t mode) {
    throw StoreError(StoreError::Kind::Damaged, path,
                     u"通常のファイルではないため開きません（"_s + kindOf(mode) + u"）"_s);
}

} // namespace

std::optional<QString> notRegularReason(const QString &path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode)) return std::nullopt;
    return kindOf(st.st_mode) + u"です（通常のファイルであるべき名前です）"_s;
}

int openRegular(const QString &path, int flags) {
    const QByteArray name = QFile::encodeName(path);
    const bool writing = (flags & O_ACCMODE) != O_RDONLY;
    // Looked at before opening, so that no device or FIFO is ever opened.
    struct stat st {};
    if ((writing ? ::lstat(name.constData(), &st) : ::stat(name.constData(), &st)) == 0 &&
        !S_ISREG(st.st_mode)) {
        if (writing && S_ISLNK(st.st_mode)) {
            errno = ELOOP;
            return -1;
        }
        refuseNotRegular(path, st.st_mode);
    }
    int fd;
    do {
        fd = ::open(name.constData(), flags | O_CLOEXEC | O_NONBLOCK | (writing ? O_NOFOLLOW : 0), 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        const mode_t mode = st.st_mode;
        ::close(fd);
        if (mode != 0 && !S_ISREG(mode)) refuseNotRegular(path, mode);
        errno = err;
        return -1;
    }
    return fd;
}

void checkReplaceable(const QString &target) {
    const QByteArray name = QFile::encodeName(target);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0) return; // a missing file is created
    if (S_ISLNK(st.st_mode))
        throw StoreError(StoreError::Kind::Invalid, target,
                         u"シンボリックリンクのため書き直せません（リンクとリンク先が分かれてしまいます）。"
                         u"リンク先のファイルをデータフォルダに移してください"_s);
    if (!S_ISREG(st.st_mode)) refuseNotRegular(target, st.st_mode);
    // Root may write anything; a file without write permission was made read-only on purpose.
    if ((st.st_mode & 0222) == 0)
        throw StoreError::fromErrno(EACCES, target, u"読み取り専用のファイルのため書き直すことが"_s);
    // Someone else's file in a folder we may write: replacing it would take it over.
    // (A read-only file system is reported by the scratch file, which cannot be made.)
    if (::access(name.constData(), W_OK) != 0 && errno != EROFS)
        throw StoreError::fromErrno(errno, target, u"書き直すことが"_s);
}

int createScratch(const QString &scratch, const QString &target) {
    const QByteArray name = QFile::encodeName(scratch);
    int unlinkError = 0;
    if (::unlink(name.constData()) != 0 && errno != ENOENT) {
        if (errno == EISDIR)
            throw StoreError(
                StoreError::Kind::Damaged, scratch,
                u"作業ファイルの名前のフォルダがあるため書き直せません。このフォルダを移してください"_s);
        if (errno != EROFS) throw StoreError::fromErrno(errno, scratch, u"古い作業ファイルを消すことが"_s);
        unlinkError = errno; // a read-only folder is reported below, when the file cannot be made
    }
    struct stat st {};
    const bool keep = ::stat(QFile::encodeName(target).constData(), &st) == 0 && S_ISREG(st.st_mode);
    int fd;
    do {
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    keep ? 0600 : 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == EEXIST && unlinkError != 0)
        throw StoreError::fromErrno(unlinkError, scratch, u"古い作業ファイルを消すことが"_s);
    if (fd < 0) throw StoreError::fromErrno(errno, scratch, u"作業ファイルを作ることが"_s);
    if (keep) {
        // Owner first: changing it clears the set-id bits that the mode then restores.
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
            (void)!::fchown(fd, st.st_uid, st.st_gid); // only root may give a file away
        if (::fchmod(fd, st.st_mode & 07777) != 0) {
            const int err = errno;
            ::close(fd);
            ::unlink(name.constData());
            throw StoreError::fromErrno(err, scratch, u"作業ファイルを作ることが"_s);
        }
    }
    return fd;
}

QByteArray readBounded(const QString &path, qint64 limit, bool *more) {
    *more = false;
    const int fd = openRegular(path, O_RDONLY);
    if (fd < 0) {
        if (errno == ENOENT) return {};
        throw StoreError::fromErrno(errno, path, u"読み込むことが"_s);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throw StoreError::fromErrno(err, path, u"読み込むことが"_s);
    }
    const qint64 want = std::min<qint64>(qint64(st.st_size), limit + 1);
    QByteArray bytes(want, Qt::Uninitialized);
    qint64 got = 0;
    const bool ok = readFully(fd, bytes.data(), want, 0, &got);
    const int err = errno;
    ::close(fd);
    if (!ok) throw StoreError::fromErrno(err, path, u"読み込むことが"_s);
    bytes.truncate(got);
    if (got > limit) {
        *more = true;
        bytes.truncate(limit);
    }
    return bytes;
}

bool writeFully(int fd, const char *data, qint64 size, qint64 offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(size), off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

bool readFully(int fd, char *data, qint64 size, qint64 offset, qint64 *got) {
    *got = 0;
    while (size > 0) {
        const ssize_t n = ::pread(fd, data, size_t(size), off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        data += n;
        size -= n;
        offset += n;
        *got += n;
    }
    return true;
}

int writeNewFile(int at, const QByteArray &name, const QByteArray &bytes, mode_t createMode,
                 const std::function<bool(int fd)> &prepare) {
    int fd;
    do {
        fd = ::openat(at, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createMode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    if (prepare && !prepare(fd)) {
        const int err = errno;
        ::close(fd);
        ::unlinkat(at, name.constData(), 0);
        return err;
    }
    return finishNewFile(fd, at, name, bytes);
}

int finishNewFile(int fd, int at, const QByteArray &name, const QByteArray &bytes) {
    int err = 0;
    if (!writeFully(fd, bytes.constData(), bytes.size(), 0) || ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) ::unlinkat(at, name.constData(), 0);
    return err;
}

void syncFolder(const QString &folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw StoreError::fromErrno(errno, folder, u"フォルダをディスクに書き出すことが"_s);
    // EINVAL: a file system that cannot flush folders; the rename is all it offers.
    if (::fsync(fd) != 0 && errno != EINVAL) {
        const int err = errno;
        ::close(fd);
        throw StoreError::fromErrno(err, folder, u"フォルダをディスクに書き出すことが"_s);
    }
    ::close(fd);
}

} // namespace tama::safefile
