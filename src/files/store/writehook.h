#pragma once

#include <QString>

#include <functional>

namespace tama {
class StoreError;
}

namespace tama::writehook {

// Called with a data file's path before anything changes it: the daily backup is taken
// there. It may throw StoreError, and the write then does not happen.
using Hook = std::function<void(const QString &filePath)>;

void set(Hook hook); // an empty hook removes it
void beforeWrite(const QString &filePath);

// A data folder this account cannot write (no permission, a read-only file system) is
// used read-only: every write of a file in it, or under it, is refused with the one
// message of readOnlyError before anything is tried. Suspend does not lift this.
void setReadOnlyFolder(const QString &folderPath); // empty: none
bool isReadOnly(const QString &path);
void checkWritable(const QString &path); // throws readOnlyError when isReadOnly(path)
StoreError readOnlyError(const QString &folderPath);

// While one lives, beforeWrite calls no hook: the backups' own writes and restores.
class Suspend {
  public:
    Suspend();
    ~Suspend();
    Suspend(const Suspend &) = delete;
    Suspend &operator=(const Suspend &) = delete;
};

} // namespace tama::writehook
