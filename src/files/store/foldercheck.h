#pragma once

#include "common/dialogs.h"
#include "store/datafolder.h"

#include <QByteArray>
#include <QList>
#include <QSet>
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
        PlayDatabase, // "tamanote.db": play data, hall terms and 機種スペック
        Unknown,      // a file without an extension that no hall names: not the program's
        Cp932Name,    // a name written in code page 932, as archives made on Windows unpack
        BadName,      // a name that is neither UTF-8 nor code page 932
    };

    QString name;
    Kind kind;
    QStringList problems; // the file does not hold what its format says
    QStringList notes;    // worth knowing, but the program copes with it
    bool damaged() const { return !problems.isEmpty(); }
};

// The kind of data file a name is by the name alone, or nothing for files the program
// never opens (its own hidden files such as the lock file, other extensions). A diary
// of a user whose name begins with "." counts. Without the folder a name without an
// extension is taken for a model list. Scratch names: "t#e#m#p.tmp", "t#e#m#p#.tmp",
// "namae.dat.tmp" and a model list's name + ".tmp".
std::optional<FileCheck::Kind> dataFileKind(const QString &name);

// What the folder's own data says about names: the model lists are the ones its halls
// (patishop.dat) name, so a core dump or a stray file without an extension is not read.
class FolderNames {
  public:
    FolderNames() = default; // a folder without halls
    // Reads the hall names; an unreadable store file names no model list.
    explicit FolderNames(const DataFolder &folder);

    bool namesModelList(const QString &name) const { return m_modelLists.contains(name); }
    // dataFileKind, with a name without an extension that no hall names Unknown.
    std::optional<FileCheck::Kind> kindOf(const QString &name) const;

  private:
    QSet<QString> m_modelLists;
};

struct FolderEntry {
    QString name;
    FileCheck::Kind kind;
};

// Every entry of the folder that FolderNames gives a kind, Unknown ones included, in
// name order. Names that are not UTF-8 are left to foreignNames. Throws StoreError when
// the folder cannot be listed.
QList<FolderEntry> dataFilesOf(const DataFolder &folder);

// A name in the folder that is not UTF-8.
struct ForeignName {
    QByteArray bytes; // as on disk
    QString shown;    // printable: bytes that are not ASCII as \xNN
    QString fixed;    // as it decodes from code page 932; empty when it does not
};

// The names of the folder that are not UTF-8, in byte order. Throws StoreError when
// the folder cannot be listed.
QList<ForeignName> foreignNames(const DataFolder &folder);
// Renames the entry to its code page 932 name in UTF-8, never over an existing one.
// Throws StoreError naming the file and the reason.
void fixForeignName(const DataFolder &folder, const ForeignName &name);

// Asks once, listing them, whether to put the folder's code page 932 names in UTF-8,
// and does so, reporting those that could not be renamed. Returns how many were.
int offerNameFixes(const DataFolder &folder, Dialogs &dialogs);

// The kind's name in the command-line tool's output and in snapshot manifests: "users",
// "diary", "stores", "catalogue", "model-list", "scratch", "journal", "conflict-copy",
// "lock", "play-database", "unknown", "cp932-name", "unreadable-name".
QString kindCode(FileCheck::Kind kind);
// The kinds that hold the user's data (not scratch files, the journal, conflict copies
// or files that are not the program's).
bool isDataKind(FileCheck::Kind kind);

// Checks one file of the folder. A missing file is an empty one and passes.
FileCheck checkDataFile(const DataFolder &folder, const QString &name, FileCheck::Kind kind);

// Checks every data file of the folder, in name order, then lists the names that are
// not UTF-8. Throws StoreError when the folder cannot be listed.
QList<FileCheck> checkFolder(const DataFolder &folder);

} // namespace tama
