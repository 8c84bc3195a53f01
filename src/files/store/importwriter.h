#pragma once

#include "store/backup.h"
#include "store/datafolder.h"
#include "store/playdata.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace tama {

// What an import writes, worked out before: cards to append to diaries, halls and models
// to add. Only appends, so that undoing it is cutting each file back to its length before.
struct ImportBatch {
    struct Diary {
        QString fileName;          // the user's diary of a year; made when missing
        QList<QByteArray> records; // 240 bytes each, in the order to append
        QList<PlayInputs> play;    // the same length; empty inputs: none
    };
    QList<Diary> diaries;
    QStringList stores;                // as StoreFile::add takes them
    QList<QPair<int, QString>> models; // category option 1 … 5, name
    QString source;                    // the imported file's name, for the snapshot
};

struct ImportResult {
    std::optional<backup::Snapshot> snapshot; // the one taken before; restoring it undoes
    int cards = 0;
    QStringList addedStores;
    QStringList addedModels;
    QStringList notices; // play data that could not be kept, and the like
};

// The name of the note an import keeps in the data folder while it writes (".tamanote.import").
QString importNoteName();

// Writes the batch all or nothing: a snapshot first (Reason::Import, taken even when
// automatic snapshots are off, since it is what undoes the import), then a note of every
// file's length, then the appends (each diary through the same crash-safe writes as any
// card, its play rows with it), the halls and the models; the note goes last. When any
// step fails, every file is cut back to its length before and the StoreError is thrown;
// when even that fails, the note stays and the next open finishes it.
ImportResult applyImport(const DataFolder &folder, const ImportBatch &batch);

// At the opening of a folder for writing: an import that a crash or failure left
// unfinished is undone (each file named in the note cut back, files it made removed, the
// new cards' play rows removed). Returns what to tell the user, when anything was undone.
// Throws StoreError when it cannot be undone (the note stays).
std::optional<QString> finishInterruptedImport(const DataFolder &folder);

// A file an import changed, as recorded beside its snapshot once the import was done.
struct ImportedFile {
    QString name;
    bool made = false; // the import made it: undoing removes it
    QByteArray sha256; // hexadecimal, of its bytes just after the import
};
// What the import whose snapshot this is changed; empty when nothing was recorded.
QList<ImportedFile> importedFiles(const backup::Snapshot &snapshot);
// Those of the files whose bytes are no longer what the import left.
QStringList changedSinceImport(const DataFolder &folder, const QList<ImportedFile> &files);
// Undoes a finished import from its snapshot: a snapshot of the present first (returned, so
// that this too can be undone), then each file the import changed restored from the
// snapshot with its play rows, and each it made removed with its rows. Throws StoreError.
backup::Snapshot undoImport(const DataFolder &folder, const backup::Snapshot &snapshot);
// The detail of that snapshot of the present: "取り込みを元に戻す ← <id>".
QString undoImportDetail(const QString &importSnapshotId);

} // namespace tama
