#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tama {

struct CategoryInfo;

// Which of the program's files a name is, by the name alone: one rule for the folder
// check, the journal, the snapshots and conflict copies.

namespace journal {
// The rollback journal (journal.h) and the names it is put aside under.
QString fileName();                    // ".tamanote.journal"
QString asidePrefix();                 // ".tamanote.journal.aside-"
bool isAsideName(const QString &name); // ".tamanote.journal.aside-…"
} // namespace journal

// The note an import keeps while it writes (importwriter.h), so that a crash is undone.
QString importNoteName(); // ".tamanote.import"

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
        ImportNote,   // ".tamanote.import": an import being written, or cut short
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

// The kind's name in the command-line tool's output and in snapshot manifests: "users",
// "diary", "stores", "catalogue", "model-list", "scratch", "journal", "conflict-copy",
// "lock", "play-database", "unknown", "cp932-name", "unreadable-name", "import-note".
QString kindCode(FileCheck::Kind kind);
// The kinds that hold the user's data (not scratch files, the journal, conflict copies
// or files that are not the program's).
bool isDataKind(FileCheck::Kind kind);

// The category whose catalogue file the name is, without regard to case, or nothing.
const CategoryInfo *catalogueByFileName(const QString &name);

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

} // namespace tama
