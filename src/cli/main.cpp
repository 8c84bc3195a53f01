#include "cli.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char **argv) {
    // Drawing an image needs the fonts of a GUI application, but never a display.
    bool drawing = false;
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--png") == 0 || qstrncmp(argv[i], "--png=", 6) == 0) drawing = true;
    std::unique_ptr<QCoreApplication> app;
    if (drawing) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The same application data folder as the desktop program.
    QCoreApplication::setApplicationName(u"tamanote"_s);
    return tama::cli::run(QCoreApplication::arguments());
}
