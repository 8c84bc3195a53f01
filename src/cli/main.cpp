#include "cli/cli.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return tama::cli::run(app.arguments());
}
