#include "app/datafolderopening.h"
#include "app/keyboard.h"
#include "app/qtdialogs.h"
#include "app/resources.h"
#include "app/windowregistry.h"
#include "common/version.h"
#include "master/backupwindow.h"
#include "startup/patinkest.h"
#include "store/backup.h"
#include "store/datafolder.h"
#include "store/foldercheck.h"
#include "store/writehook.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// --help and --version only print, so they must work where no display is (a terminal, ssh).
bool onlyPrints(int argc, char **argv, const char *which = nullptr) {
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"--help", "-h", "-?", "--help-all", "--version", "-v"})
            if (qstrcmp(argv[i], option) == 0 && (!which || qstrcmp(option, which) == 0)) return true;
    return false;
}

void describeOptions(QCommandLineParser &parser, const QCommandLineOption &data) {
    parser.setApplicationDescription(u"タマノート — パチンコ日記"_s);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(data);
}

} // namespace

int main(int argc, char **argv) {
    const QCommandLineOption dataOption(u"data"_s, u"データフォルダ"_s, u"DIR"_s);
    if (onlyPrints(argc, argv)) {
        // Qt's window options (--help-all) are known to a window application only; offscreen
        // it needs no display either.
        std::unique_ptr<QCoreApplication> app;
        if (onlyPrints(argc, argv, "--help-all")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            app = std::make_unique<QApplication>(argc, argv);
        } else {
            app = std::make_unique<QCoreApplication>(argc, argv);
        }
        QCoreApplication::setApplicationName(u"tamanote"_s);
        QCoreApplication::setApplicationVersion(tama::programVersion());
        QCommandLineParser parser;
        describeOptions(parser, dataOption);
        parser.process(*app); // prints and exits
        return 0;
    }
    QApplication app(argc, argv);
    tama::initResources();
    QApplication::setApplicationName(u"tamanote"_s);
    QApplication::setApplicationDisplayName(u"タマノート"_s);
    QApplication::setApplicationVersion(tama::programVersion());
    // Lets the desktop match the windows to the installed desktop entry and its icon.
    QApplication::setDesktopFileName(u"io.github.tamanote.Tamanote"_s);
    QApplication::setWindowIcon(QIcon(u":/icons/tamanote.png"_s));
    tama::installJapaneseTranslation(); // without it the standard buttons stay English

    QCommandLineParser parser;
    describeOptions(parser, dataOption);
    parser.process(app);

    tama::QtDialogs dialogs;
    tama::setDialogs(&dialogs);

    QString folder = parser.isSet(dataOption) ? parser.value(dataOption) : tama::DataFolder::defaultPath();
    if (!QDir().mkpath(folder)) {
        dialogs.error(u"データフォルダ「"_s + folder + u"」を作れません。"_s, u"エラー"_s);
        return 1;
    }
    folder = QDir(folder).absolutePath();

    // One writer per data folder, for as long as the program runs; or read-only.
    const std::unique_ptr<tama::DataFolderLock> lock = tama::openDataFolder(folder);
    if (!lock) return 1;
    // The day's snapshot before its first write, for as long as the program has the folder.
    tama::backup::DailySnapshot daily;
    const tama::writehook::Registration beforeWrite(daily);
    // A folder unpacked from an archive made on Windows has names in code page 932.
    if (!lock->readOnly()) tama::offerNameFixes(tama::DataFolder(folder), dialogs);
    // Copies a folder synchroniser left when the folder changed on two computers at once.
    if (const QList<tama::ConflictCopy> copies = tama::findConflictCopies(tama::DataFolder(folder));
        !copies.isEmpty())
        dialogs.info(tama::BackupWindow::conflictNotice(copies), u"競合コピー"_s);

    tama::DiaryState state(folder);
    state.setReadOnly(lock->readOnly());
    tama::WindowRegistry registry(state);
    registry.get<tama::PATINKEST>()->Form_Load();
    const int rc = QApplication::exec();
    registry.unloadAll();
    return rc;
}
