#pragma once

#include <QString>

#include <functional>

namespace tama::writehook {

// Called with a data file's path before anything changes it: the daily backup is taken
// there. It may throw StoreError, and the write then does not happen.
using Hook = std::function<void(const QString &filePath)>;

void set(Hook hook); // an empty hook removes it
void beforeWrite(const QString &filePath);

// While one lives, beforeWrite does nothing: the backups' own writes and restores.
class Suspend {
  public:
    Suspend();
    ~Suspend();
    Suspend(const Suspend &) = delete;
    Suspend &operator=(const Suspend &) = delete;
};

} // namespace tama::writehook
