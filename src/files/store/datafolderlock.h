#pragma once

#include "store/datafolder.h"

#include <QString>

namespace tama {

// The one writer of a data folder: an flock on ".tamanote.lock", held as long as this
// object lives. The operating system drops it when the holder ends in any way, so a
// lock file left behind (empty, from another machine, from a killed process) never
// blocks: only a living holder does. The file names the holder for the refusal message.
class DataFolderLock {
  public:
    enum class Holder {
        Program, // the desktop program, for as long as it runs
        Command, // tamanote-cli while it rewrites a file
    };

    static QString fileName(); // ".tamanote.lock"

    DataFolderLock(const DataFolder &folder, Holder holder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock &) = delete;
    DataFolderLock &operator=(const DataFolderLock &) = delete;

    bool held() const { return m_fd >= 0; }
    // Why the lock was not taken, for the user: who holds the folder, when known.
    const QString &refusal() const { return m_refusal; }

  private:
    QString m_path;
    int m_fd = -1;
    QString m_refusal;
};

} // namespace tama
