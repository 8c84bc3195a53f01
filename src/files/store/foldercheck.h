#pragma once

#include "store/datafolder.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tama {

// What a look at one data file found. It only reads: nothing is repaired or created.
struct FileCheck {
    enum class Kind {
        UserList,     // "namae.dat"
        Diary,        // <user>.<year>.dat
        StoreFile,    // "patishop.dat"
        Catalogue,    // one of the five model catalogues, any case
        ModelList,    // a store's model list (no extension)
        Scratch,      // left over by an interrupted rewrite
        Journal,      // ".tamanote.journal", the rollback journal of writes in place
        ConflictCopy, // a copy a folder synchroniser left beside a data file
        Lock,         // ".tamanote.lock" when it is not a plain lock file
    };

    QString name;
    Kind kind;
    QStringList problems; // the file does not hold what its format says
    QStringList notes;    // worth knowing, but the program copes with it
    bool damaged() const { return !problems.isEmpty(); }
};

// The kind of data file a name in the folder is, or nothing for files the program
// never opens (hidden ones such as the lock file, other extensions). Scratch names:
// "t#e#m#p.tmp", "t#e#m#p#.tmp", "namae.dat.tmp" and a model list's name + ".tmp".
std::optional<FileCheck::Kind> dataFileKind(const QString &name);

// The kind's name in the command-line tool's output and in snapshot manifests: "users",
// "diary", "stores", "catalogue", "model-list", "scratch", "journal", "conflict-copy", "lock".
QString kindCode(FileCheck::Kind kind);
// The kinds that hold the user's data (not scratch files, the journal or conflict copies).
bool isDataKind(FileCheck::Kind kind);

// Checks one file of the folder. A missing file is an empty one and passes.
FileCheck checkDataFile(const DataFolder &folder, const QString &name, FileCheck::Kind kind);

// Checks every data file of the folder, in name order. Throws StoreError when the
// folder cannot be listed.
QList<FileCheck> checkFolder(const DataFolder &folder);

} // namespace tama
