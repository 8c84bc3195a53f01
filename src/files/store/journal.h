#pragma once

#include <QByteArray>
#include <QString>

namespace tama::journal {

// The rollback journal of a data folder: before a record is written in place, its old
// bytes, their offset and the file's old size are written here and flushed; after the
// write they are cleared. A valid journal found later means the write may be torn, and
// the old bytes go back. One journal per folder, since one program writes a folder.
QString fileName(); // ".tamanote.journal"

// Size of a reserved journal: a journal of this size is cleared by zeroing, never removed,
// so that a write in place needs no new space on a full disk.
constexpr qint64 kReservedSize = 4096;

// Guards one write of len bytes at offset in the file at path, open as fd. The
// constructor writes and flushes the journal (throws StoreError on failure, before
// anything is written to the file).
class Guard {
  public:
    Guard(const QString &path, int fd, qint64 offset, qint64 len);
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

// Rolls back a valid journal in folder and discards a damaged one. Nothing happens when
// there is none or the folder cannot be written. Throws StoreError when a rollback fails.
void recover(const QString &folder);

// Creates a zeroed journal of kReservedSize when none exists, so that later writes in
// place never need new space. Best effort: a failure is left to the writes to report.
void reserve(const QString &folder);

// What a look at the journal found, for the folder check.
struct State {
    enum Kind { None, Clear, Pending, Damaged } kind = None;
    QString file; // Pending: the data file whose write was interrupted
};
State inspect(const QString &folder);

// Encoding, for tests: the journal entry of a write.
QByteArray encodeEntry(const QByteArray &name, qint64 offset, qint64 oldSize, const QByteArray &old);

} // namespace tama::journal
