#pragma once

#include "store/datafolderlock.h"

#include <QString>

#include <memory>

namespace tama {

// The program takes its data folder for as long as it runs: the lock, the journal's
// space and the automatic snapshots. A folder this account cannot write opens
// read-only instead: nothing is prepared for writing, and every write is refused with
// one message. Null, after the user was told why, when the program cannot start. The
// caller registers a backup::DailySnapshot while it has the folder (writehook.h).
std::unique_ptr<DataFolderLock> openDataFolder(const QString &folderPath);

// What the windows' titles end with while the folder is read-only.
QString readOnlyTitleSuffix();

} // namespace tama
