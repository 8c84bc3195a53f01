#include "cli/cli.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The same application data folder as the desktop program.
    QCoreApplication::setApplicationName(u"tamanote"_s);
    return tama::cli::run(app.arguments());
}
