#pragma once

#include "store/datafolder.h"

#include <QList>
#include <QString>

#include <optional>

namespace tama {

// A second copy of a data file that a folder synchroniser left beside it when the
// file changed on two computers at once.
struct ConflictCopy {
    QString name;     // the copy, in the data folder
    QString original; // the data file it is a copy of
    QString tool;     // the synchroniser that names copies this way
};

// The names recognised, with the tools that make them:
//   Syncthing     name.sync-conflict-20261208-101500-ABCDEFG.ext
//   Dropbox       name (conflicted copy 2026-12-08).ext, name (Taro's conflicted copy 2026-12-08).ext
//   Nextcloud     name (conflicted copy 2026-12-08 101500).ext
//   ownCloud      name_conflict-20261208-101500.ext
//   Seafile       name (SFConflict taro@example.com 2026-12-08-10-15-00).ext
//   others        name~conflict….ext, name.conflict….ext
// Only a name that, without the marker, is one of the program's data files counts.
std::optional<ConflictCopy> conflictCopyOf(const QString &name);

// Every conflict copy in the folder, in name order; nothing when it cannot be listed.
QList<ConflictCopy> findConflictCopies(const DataFolder &folder);

} // namespace tama
