#pragma once

#include "store/filekind.h"

#include <QByteArray>
#include <QString>

namespace tama::journal {

// The rollback journal of a data folder: before a record is written in place, the file's
// identity and old size, the offset, and the bytes there before and after the write are
// written here and flushed; after the write they are cleared. A journal found later means
// the write may be torn: the old bytes go back, but only into the same file still holding,
// at that place, bytes of that write. One journal per folder, since one program writes a folder.
// Its names, fileName() and isAsideName(), are in filekind.h with the other files' names.
// Size of a reserved journal: a journal of this size is cleared by zeroing, never removed,
// so that a write in place needs no new space on a full disk.
constexpr qint64 kReservedSize = 4096;

// Which file a journal belongs to: a copy put in its place under the same name is another.
struct Identity {
    quint64 dev = 0;
    quint64 ino = 0;
};

// Guards one write of bytes at offset in the file at path, open as fd. The constructor
// writes and flushes the journal (throws StoreError on failure, before anything is
// written to the file).
class Guard {
  public:
    Guard(const QString &path, int fd, qint64 offset, const QByteArray &bytes);
    ~Guard();
    Guard(const Guard &) = delete;
    Guard &operator=(const Guard &) = delete;

    // The write is on disk: clears the journal. Throws StoreError on failure.
    void commit();
    // The write failed: puts the old bytes back and clears the journal. When that fails
    // the journal stays and the next open rolls back.
    void restore();

  private:
    void clear();

    QString m_path;
    QString m_journal;
    int m_fd;
    int m_journalFd = -1;
    bool m_reserved = false;
    qint64 m_offset;
    qint64 m_oldSize = 0;
    QByteArray m_old;
    qint64 m_entrySize = 0;
};

// Rolls back a journal in folder that belongs to the file it names, discards a damaged one
// and puts any other aside. Returns a notice for the user when one was put aside (naming
// the data file, why, and the name it now has), empty otherwise. Nothing happens when there
// is none or the folder cannot be written. Throws StoreError when a rollback fails.
QString recover(const QString &folder);

// Recovers, then creates a zeroed journal of kReservedSize when none exists, so that later
// writes in place never need new space. Returns recover's notice. Best effort otherwise: a
// failure is left to the writes to report.
QString reserve(const QString &folder);

// What a look at a journal of the folder (the journal, or one put aside) found, for the
// folder check. It only reads.
struct State {
    enum Kind {
        None,
        Clear,
        Pending, // would be rolled back
        Stale,   // would be put aside, for reason
        Damaged, // cut short: discarded
        Aside,   // one put aside earlier
    } kind = None;
    QString file;   // the data file the journal names, when it names one
    QString reason; // Stale: why it will not be applied
};
State inspect(const QString &folder, const QString &name = fileName());

// Encoding, for tests: the journal entry of a write of fresh at offset into name, a file
// of identity id and oldSize bytes that held old there.
QByteArray encodeEntry(const QByteArray &name, qint64 offset, qint64 oldSize, Identity id,
                       const QByteArray &old, const QByteArray &fresh);

} // namespace tama::journal
