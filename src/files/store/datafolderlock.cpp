#include "store/datafolderlock.h"

#include "store/storeerror.h"
#include "store/writehook.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// "program 1234" or "command 1234" as this class writes it; a bare process id is what
// older versions wrote. Anything else names nobody.
QString busyMessage(const QByteArray &text) {
    const QList<QByteArray> words = text.left(text.indexOf('\n')).simplified().split(' ');
    bool isPid = false;
    const qint64 pid = words.value(words.size() == 1 ? 0 : 1).toLongLong(&isPid);
    const QString process = isPid && pid > 0 ? QStringLiteral("（プロセス %1）").arg(pid) : QString();
    if (words.value(0) == "command" && isPid)
        return u"このデータフォルダは tamanote-cli が書き換え中です"_s + process + u"。"_s;
    return u"このデータフォルダはタマノートが使っています"_s + process + u"。"_s;
}

QString errorText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

QString ownerName(uid_t uid) {
    if (const passwd *pw = ::getpwuid(uid)) return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(uid);
}

// The name still stands for the file open on fd.
bool stillNamed(const QByteArray &name, int fd) {
    struct stat named {
    }, open{};
    return ::lstat(name.constData(), &named) == 0 && ::fstat(fd, &open) == 0 && named.st_ino == open.st_ino &&
           named.st_dev == open.st_dev;
}

} // namespace

QString DataFolderLock::fileName() {
    return u".tamanote.lock"_s;
}

bool DataFolderLock::folderIsReadOnly(const QString &folderPath) {
    const QByteArray path = QFile::encodeName(folderPath);
    struct statvfs fs {};
    if (::statvfs(path.constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0) return true;
    // The effective account decides, as it does for the writes themselves.
    if (::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) == 0) return false;
    return errno == EACCES || errno == EROFS || errno == EPERM;
}

std::optional<FileCheck> DataFolderLock::checkName(const DataFolder &folder) {
    struct stat st {};
    if (::lstat(QFile::encodeName(folder.file(fileName())).constData(), &st) != 0) return std::nullopt;
    FileCheck check{fileName(), FileCheck::Kind::Lock, {}, {}};
    const QString putAside = u"。次に書き込むときにこの名前を取り除きます"_s;
    if (S_ISDIR(st.st_mode))
        check.problems.append(
            u"フォルダです。ロックファイルの名前をふさいでいるため、書き込みはすべて断られます。"
            u"中身を確かめてから別の場所に移してください"_s);
    else if (S_ISLNK(st.st_mode))
        check.notes.append(u"シンボリックリンクです"_s + putAside + u"（リンク先はそのままです）"_s);
    else if (S_ISREG(st.st_mode) && st.st_nlink > 1)
        check.notes.append(u"ほかの名前もあるファイル（ハードリンク）です"_s + putAside +
                           u"（ほかの名前のファイルはそのままです）"_s);
    else if (S_ISFIFO(st.st_mode))
        check.notes.append(u"FIFO です"_s + putAside);
    else if (S_ISSOCK(st.st_mode))
        check.notes.append(u"ソケットです"_s + putAside);
    else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        check.notes.append(u"装置ファイルです"_s + putAside);
    else
        return std::nullopt;
    return check;
}

DataFolderLock::DataFolderLock(const DataFolder &folder, Holder holder) : m_path(folder.file(fileName())) {
    auto readOnlyFolder = [&] {
        m_readOnly = true;
        m_refusal = writehook::readOnlyError(folder.path()).message();
    };
    if (folderIsReadOnly(folder.path())) {
        readOnlyFolder();
        return;
    }

    const QByteArray name = QFile::encodeName(m_path);
    auto cannotRemove = [&](int err, uid_t owner) {
        m_refusal = u"ロックファイル「"_s + m_path + u"」（持ち主 "_s + ownerName(owner) +
                    u"）を取り除けません（"_s + errorText(err) +
                    u"）。持ち主かこのコンピュータの管理者に消してもらってください。"_s;
    };
    for (int attempt = 0; attempt < 8; ++attempt) {
        struct stat st {};
        if (::lstat(name.constData(), &st) != 0) {
            if (errno != ENOENT) {
                m_refusal = u"データフォルダをロックできません（"_s + errorText(errno) + u"）。"_s;
                return;
            }
            // Free: the holder is written only into a file made here, never through a name
            // that someone else made.
            const int fd = ::open(name.constData(),
                                  O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
            if (fd < 0) {
                const int err = errno;
                if (err == EEXIST || err == EINTR) continue;
                if (err == EACCES || err == EPERM || err == EROFS) {
                    readOnlyFolder();
                    return;
                }
                m_refusal = u"データフォルダに書き込めません（"_s + errorText(err) + u"）。"_s;
                return;
            }
            // Either fails only when another process took the file over in between.
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !stillNamed(name, fd)) {
                ::close(fd);
                continue;
            }
            const QByteArray who = (holder == Holder::Program ? "program " : "command ") +
                                   QByteArray::number(qint64(::getpid())) + '\n';
            (void)!::pwrite(fd, who.constData(), size_t(who.size()), 0); // only for the message
            m_fd = fd;
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            m_refusal = u"ロックファイルの名前「"_s + m_path +
                        u"」がフォルダになっているため、このデータフォルダには書き込めません。"
                        u"中身を確かめてから、そのフォルダを別の場所に移してください。"_s;
            return;
        }
        if (S_ISREG(st.st_mode)) {
            // Read-only, so that another account's file opens too; a granted flock means
            // whoever made it is gone.
            const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0) {
                const int err = errno;
                if (err == ENOENT || err == ELOOP || err == EINTR) continue; // replaced meanwhile
                if (err != EACCES && err != EPERM) {
                    m_refusal = u"データフォルダをロックできません（"_s + errorText(err) + u"）。"_s;
                    return;
                }
            }
            if (fd >= 0) {
                if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                    const int err = errno;
                    if (err == EWOULDBLOCK) {
                        char text[256];
                        const ssize_t n = ::pread(fd, text, sizeof text, 0);
                        m_refusal = busyMessage(QByteArray(text, n > 0 ? int(n) : 0));
                        m_busy = true;
                    } else {
                        m_refusal = u"データフォルダをロックできません（"_s + errorText(err) + u"）。"_s;
                    }
                    ::close(fd);
                    return;
                }
                // The name goes while the old lock is still held, so that nobody takes
                // the old file after it; a second name of a file only loses that name.
                if (!stillNamed(name, fd)) {
                    ::close(fd);
                    continue;
                }
                const int removed = ::unlink(name.constData()) == 0 ? 0 : errno;
                ::close(fd);
                if (removed == 0 || removed == ENOENT) continue;
                cannotRemove(removed, st.st_uid);
                return;
            }
            // A file this account may not read was not made by this program: put aside.
        }
        // A symbolic link, a FIFO, a socket, a device: never opened, only the name goes.
        if (::unlink(name.constData()) == 0 || errno == ENOENT) continue;
        cannotRemove(errno, st.st_uid);
        return;
    }
    m_refusal = u"データフォルダをロックできません（ロックファイルが入れ替わり続けています）。"_s;
}

DataFolderLock::~DataFolderLock() {
    if (m_fd < 0) return;
    // Removed while still held, so that nobody locks the old file after us; a name
    // that no longer stands for it is someone else's.
    const QByteArray name = QFile::encodeName(m_path);
    if (stillNamed(name, m_fd)) ::unlink(name.constData());
    ::close(m_fd);
}

} // namespace tama
