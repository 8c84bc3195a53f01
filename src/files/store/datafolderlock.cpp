#include "store/datafolderlock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

} // namespace

QString DataFolderLock::fileName() {
    return u".tamanote.lock"_s;
}

DataFolderLock::DataFolderLock(const DataFolder &folder, Holder holder) : m_path(folder.file(fileName())) {
    const QByteArray name = QFile::encodeName(m_path);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EINTR) continue;
            if (errno == ELOOP && ::unlink(name.constData()) == 0)
                continue; // a planted link is replaced, never followed
            m_refusal = u"データフォルダに書き込めません（"_s + QString::fromLocal8Bit(std::strerror(errno)) +
                        u"）。"_s;
            return;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            if (::unlink(name.constData()) == 0) continue;
            m_refusal = u"ロックファイルの名前に通常のファイルでないものがあります。"_s;
            return;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            if (err == EWOULDBLOCK) {
                char text[256];
                const ssize_t n = ::pread(fd, text, sizeof text, 0);
                m_refusal = busyMessage(QByteArray(text, n > 0 ? int(n) : 0));
            } else {
                m_refusal = u"データフォルダをロックできません（"_s +
                            QString::fromLocal8Bit(std::strerror(err)) + u"）。"_s;
            }
            ::close(fd);
            return;
        }
        // A holder that just ended removes the name: the lock must be on the file the name
        // now stands for, or a third process could lock a new file beside it.
        struct stat now {};
        if (::lstat(name.constData(), &now) != 0 || now.st_ino != st.st_ino || now.st_dev != st.st_dev) {
            ::close(fd);
            continue;
        }
        // Whatever the file held (nothing, another machine's name) belonged to nobody alive.
        const QByteArray who = (holder == Holder::Program ? "program " : "command ") +
                               QByteArray::number(qint64(::getpid())) + '\n';
        if (::ftruncate(fd, 0) == 0)
            (void)!::pwrite(fd, who.constData(), size_t(who.size()), 0); // only for the message
        m_fd = fd;
        return;
    }
    m_refusal = u"データフォルダをロックできません（ロックファイルが入れ替わり続けています）。"_s;
}

DataFolderLock::~DataFolderLock() {
    if (m_fd < 0) return;
    // Removed while still held, so that nobody locks the old file after us.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
}

} // namespace tama
