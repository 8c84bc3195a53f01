#pragma once

#include <QString>
#include <QStringList>

namespace tama::textfile {

// The most a text file is read: the largest model list the program can write (every
// model of the five catalogues, about 5.3 MB) three times over.
constexpr qint64 kMaxTextBytes = 16 * 1024 * 1024;

struct ReadResult {
    QStringList lines;
    bool undecodable = false; // some bytes were not code page 932 (shown as U+FFFD)
    bool cut = false;         // the file is longer than kMaxTextBytes; the rest was not read
};

// Lines ended by CR LF (a lone LF is accepted too), decoded from code page 932.
// A missing file reads as no lines. Throws StoreError when the file cannot be read or
// is not a regular file.
ReadResult readLines(const QString &path);

// Writes every line followed by CR LF, crash-safely (the scratch file below, renamed over
// the target). Refuses, before writing anything, text that code page 932 cannot hold.
void writeLines(const QString &path, const QStringList &lines, const QString &label);
// The scratch file of a text file: its name followed by ".tmp" (never a model-list name,
// whose characters are all full-width).
QString scratchPath(const QString &path);

// Creates an empty file when none exists.
void ensureExists(const QString &path);

} // namespace tama::textfile
