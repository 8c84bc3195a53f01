#include "store/conflictcopy.h"

#include "store/foldercheck.h"
#include "store/storeerror.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace tama {

QList<ConflictCopy> findConflictCopies(const DataFolder &folder) {
    QList<ConflictCopy> found;
    QList<FolderEntry> entries;
    try {
        entries = dataFilesOf(folder);
    } catch (const StoreError &) {
        return found;
    }
    // The original must be a data file of this folder: "core (conflicted copy)" is no hall's.
    for (const FolderEntry &e : entries)
        if (e.kind == FileCheck::Kind::ConflictCopy && !QFileInfo(folder.file(e.name)).isDir())
            found.append(*conflictCopyOf(e.name));
    return found;
}

} // namespace tama
