#pragma once

#include "store/record.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace tama {

// A file of fixed-length records, numbered from 1. The count is the file size divided
// by the record length; reading record n seeks to it. Every failure throws StoreError.
class RecordFile {
  public:
    enum class Mode {
        Create,   // a missing file is created empty (the program's way)
        ReadOnly, // a missing file reads as empty and nothing is ever written
    };

    RecordFile(const QString &path, const RecordLayout &layout, Mode mode = Mode::Create);
    ~RecordFile();
    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    const QString &path() const { return m_path; }
    const RecordLayout &layout() const { return *m_layout; }

    qint64 size() const;
    int count() const; // whole records
    // Bytes after the last whole record (a damaged file); they are never overwritten.
    int partialTail() const { return int(size() % m_layout->length()); }

    // Record n, or nothing when n lies beyond the last record.
    std::optional<Record> read(int n) const;
    // Record n, or a blank record beyond the end.
    Record readOrBlank(int n) const;
    QByteArray readRaw(int n) const; // empty beyond the end
    QList<QByteArray> readAllRaw() const;
    // Calls visit(n, bytes) for every whole record in order, reading the file a block
    // at a time, so that going through a large file holds one block, not the file.
    void forEachRaw(const std::function<void(int n, const char *bytes)> &visit) const;

    // Writes record n in place (n ≤ count) or appends it (n = count + 1), with one
    // write call guarded by the folder's rollback journal. Anything else, a file at its largest size, or a
    // file with a partial tail is refused and nothing is written.
    void write(int n, const Record &record);
    int append(const Record &record); // returns the number written

    // Replaces the whole file by records, crash-safely: they are written to the
    // scratch file, flushed to disk and renamed over the target in one step.
    static void rewrite(const QString &target, const QString &scratch, const RecordLayout &layout,
                        const QList<QByteArray> &records);

    // Test hook: called after a scratch file is on disk and before it replaces its
    // target (rewrite, replaceFile, and once before a restore's renames), so a test can
    // stop the process there. Never set by the program.
    static inline std::function<void()> beforeReplaceHook;

  private:
    void writeAt(qint64 offset, const QByteArray &bytes);

    QString m_path;
    const RecordLayout *m_layout;
    int m_fd = -1;
    bool m_writable = false;
    int m_writeError = 0; // why a file opened to write could only be read
};

// Replaces target by bytes: written to scratch (same folder), flushed to disk and renamed
// over target, so that a crash leaves the old file or the new one. Used for text files too.
void replaceFile(const QString &target, const QString &scratch, const QByteArray &bytes);

// Writes records as the whole of a file through a scratch file, crash-safely, refusing
// a file that has an incomplete record at its end (it would be dropped).
void rewriteRecords(const QString &folder, const QString &target, const QString &scratchName,
                    const RecordLayout &layout, const QList<QByteArray> &records);

} // namespace tama
