#pragma once

#include <QStringList>

namespace tama::cli {

// Runs the command-line tool on its arguments (the program name first); returns the
// exit status. Output goes to stdout, one-line errors to stderr.
int run(const QStringList &arguments);

} // namespace tama::cli
