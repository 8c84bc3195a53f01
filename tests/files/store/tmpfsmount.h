#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace tama::test {

// A small tmpfs mounted over a test's folder, so that a test can run out of space or
// make the folder read-only. Needs root, where permission bits are not checked anyway.
// Mount it before putting files in the folder; it is unmounted when it goes away.
class TmpfsMount {
  public:
    TmpfsMount(const QString &dir, int kilobytes) : m_dir(QFile::encodeName(dir)) {
        if (::geteuid() != 0) {
            m_why = "needs root to mount a file system";
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0700";
        if (::mount("tmpfs", m_dir.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) != 0) {
            m_why = "cannot mount a tmpfs: " + QByteArray(std::strerror(errno));
            return;
        }
        m_mounted = true;
    }
    ~TmpfsMount() {
        if (m_mounted) ::umount2(m_dir.constData(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount &) = delete;
    TmpfsMount &operator=(const TmpfsMount &) = delete;

    bool mounted() const { return m_mounted; }
    const char *whyNot() const { return m_why.constData(); }

    bool makeReadOnly() {
        return ::mount(nullptr, m_dir.constData(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                       nullptr) == 0;
    }

    // Takes every free page with a file of its own. True when the file system is full.
    bool fill(const QString &fillerPath) {
        const int fd = ::open(QFile::encodeName(fillerPath).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) return false;
        const QByteArray chunk(4096, 'x');
        int err = 0;
        for (int i = 0; i < 100000; ++i) {
            if (::write(fd, chunk.constData(), size_t(chunk.size())) < 0) {
                err = errno;
                break;
            }
        }
        ::close(fd);
        return err == ENOSPC;
    }

  private:
    QByteArray m_dir;
    QByteArray m_why;
    bool m_mounted = false;
};

} // namespace tama::test
