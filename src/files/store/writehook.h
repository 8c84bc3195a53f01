#pragma once

#include <QString>

namespace tama {
class StoreError;
}

namespace tama::writehook {

// What runs before a data file is changed: the day's snapshot. Whoever opens the data
// folder to write makes one and registers it for as long as the folder is open.
class BeforeWrite {
  public:
    virtual ~BeforeWrite() = default;
    // Called with a data file's path before anything changes it. It may throw
    // StoreError, and the write then does not happen.
    virtual void beforeWrite(const QString &filePath) = 0;
};

// While one lives, the store calls its BeforeWrite before each write; the one registered
// before comes back after.
class Registration {
  public:
    explicit Registration(BeforeWrite &before);
    ~Registration();
    Registration(const Registration &) = delete;
    Registration &operator=(const Registration &) = delete;

  private:
    BeforeWrite *m_previous;
};

// Every writer of the store calls this first: refuses a read-only folder, then calls the
// registered BeforeWrite.
void beforeWrite(const QString &filePath);

// A data folder this account cannot write (no permission, a read-only file system) is
// used read-only: every write of a file in it, or under it, is refused with the one
// message of readOnlyError before anything is tried. Suspend does not lift this.
void setReadOnlyFolder(const QString &folderPath); // empty: none
bool isReadOnly(const QString &path);
void checkWritable(const QString &path); // throws readOnlyError when isReadOnly(path)
StoreError readOnlyError(const QString &folderPath);

// While one lives, beforeWrite calls no BeforeWrite: the backups' own writes and restores.
class Suspend {
  public:
    Suspend();
    ~Suspend();
    Suspend(const Suspend &) = delete;
    Suspend &operator=(const Suspend &) = delete;
};

} // namespace tama::writehook
