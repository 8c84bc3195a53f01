#pragma once

#include <QStringList>

class QIODevice;

namespace tama::cli {

// Runs the command-line tool on its arguments (the program name first); returns the
// exit status: 0 success, 1 a problem with the data or a file, 2 a usage error.
// Output goes to stdout, one-line errors to stderr.
int run(const QStringList &arguments);

// The same, writing to the given devices (UTF-8, or the bytes the CSV encoding asks for).
int run(const QStringList &arguments, QIODevice &out, QIODevice &err);

} // namespace tama::cli
