#pragma once

#include "common/dialogs.h"
#include "store/datafolder.h"
#include "store/filekind.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace tama {

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

// Checks one file of the folder. A missing file is an empty one and passes.
FileCheck checkDataFile(const DataFolder &folder, const QString &name, FileCheck::Kind kind);

// Checks every data file of the folder, in name order, then lists the names that are
// not UTF-8. Throws StoreError when the folder cannot be listed.
QList<FileCheck> checkFolder(const DataFolder &folder);

} // namespace tama
