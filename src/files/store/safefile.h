#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include <sys/types.h>

namespace tama::safefile {

// Why the entry at path (not followed) cannot be a data file: a symbolic link, a folder,
// a FIFO, a device or a socket. Nothing when it is a regular file or missing.
std::optional<QString> notRegularReason(const QString &path);

// Opens a data file without blocking (a FIFO must never hang a reader) and refuses
// anything but a regular file. flags: O_RDONLY or O_RDWR, optionally O_CREAT; writable
// opens never follow a symbolic link. Returns the descriptor, or -1 with errno set
// (ELOOP for a symbolic link opened to write). Throws StoreError for a file that is
// there but not a regular file.
int openRegular(const QString &path, int flags);

// Creates the scratch file for target afresh: a stale one is removed without following
// it, then the name is created exclusively, never through a link. It gets target's
// permission bits (and owner and group where allowed) when target exists. Throws
// StoreError on failure.
int createScratch(const QString &scratch, const QString &target);

// Refuses a rewrite of target that would split a link from its file or replace a file
// the user made read-only. Throws StoreError naming target.
void checkReplaceable(const QString &target);

// Reads at most limit bytes of a regular file; *more is set when the file holds more.
// A missing file reads as empty. Throws StoreError when it cannot be read.
QByteArray readBounded(const QString &path, qint64 limit, bool *more);

// Flushes the folder's entry list to disk after a rename; throws StoreError when that fails
// (a file system that cannot flush folders is not a failure).
void syncFolder(const QString &folder);

// Every new file is written the same way: created exclusively under the name (relative
// to the folder open as at, or a path with AT_FDCWD), never through a link, with
// createMode; then prepare (owner, mode) runs when given, bytes become the whole file, it
// is flushed to disk and closed. When a step after the create fails the file is removed
// again. Returns 0, or the errno of the step that failed.
int writeNewFile(int at, const QByteArray &name, const QByteArray &bytes, mode_t createMode,
                 const std::function<bool(int fd)> &prepare = {});
// The same for a file the caller has created and opened as fd.
int finishNewFile(int fd, int at, const QByteArray &name, const QByteArray &bytes);

bool writeFully(int fd, const char *data, qint64 size, qint64 offset);
bool readFully(int fd, char *data, qint64 size, qint64 offset, qint64 *got);

} // namespace tama::safefile
