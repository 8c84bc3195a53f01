#pragma once

#include "store/datafolder.h"
#include "store/filekind.h"

#include <QList>
#include <QString>

namespace tama {

// Every conflict copy in the folder, in name order; nothing when it cannot be listed.
QList<ConflictCopy> findConflictCopies(const DataFolder &folder);

} // namespace tama
