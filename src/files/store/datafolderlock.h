#pragma once

#include "store/datafolder.h"
#include "store/filekind.h"

#include <QString>

#include <optional>

namespace tama {

// The one writer of a data folder: an flock on ".tamanote.lock", held as long as this
// object lives. The operating system drops it when the holder ends in any way, so a
// lock file left behind (empty, from another machine, from a killed process, from
// another account) never blocks: only a living holder does. The file names the holder
// for the refusal message. Only a file this object created itself is ever written; any
// other entry under the name is put aside, never written through.
//
// A folder this account cannot write is not locked: readOnly() tells, and refusal()
// is the one message every write there is refused with.
class DataFolderLock {
  public:
    enum class Holder {
        Program, // the desktop program, for as long as it runs
        Command, // tamanote-cli while it rewrites a file
    };

    static QString fileName(); // ".tamanote.lock"
    // True when this account may not create files in the folder: no write permission, or
    // a read-only file system.
    static bool folderIsReadOnly(const QString &folderPath);
    // The folder check's finding on the lock's name when it is not a lock file: a folder
    // blocks every write (a problem); a link, a second name of a file, a FIFO, a socket or
    // a device is put aside by the next writer (a note). Nothing for a plain file or none.
    static std::optional<FileCheck> checkName(const DataFolder &folder);

    DataFolderLock(const DataFolder &folder, Holder holder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock &) = delete;
    DataFolderLock &operator=(const DataFolderLock &) = delete;

    bool held() const { return m_fd >= 0; }
    bool readOnly() const { return m_readOnly; }
    // Refused because a living process holds the folder (not for a fault of the folder).
    bool busy() const { return m_busy; }
    // Why the lock was not taken, for the user: who holds the folder, when known.
    const QString &refusal() const { return m_refusal; }

  private:
    QString m_path;
    int m_fd = -1;
    bool m_readOnly = false;
    bool m_busy = false;
    QString m_refusal;
};

} // namespace tama
