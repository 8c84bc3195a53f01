#include "app/datafolderopening.h"
#include "app/keyboard.h"
#include "app/qtdialogs.h"
#include "app/resources.h"
#include "app/windowregistry.h"
#include "common/version.h"
#include "master/backupwindow.h"
#include "startup/patinkest.h"
#include "store/datafolder.h"
#include "store/foldercheck.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char **argv) {
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
    parser.setApplicationDescription(u"タマノート — パチンコ日記"_s);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataOption(u"data"_s, u"データフォルダ"_s, u"DIR"_s);
    parser.addOption(dataOption);
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
    // A folder unpacked from an archive made on Windows has names in code page 932.
    if (!lock->readOnly()) tama::offerNameFixes(tama::DataFolder(folder), dialogs);
    // Copies a folder synchroniser left when the folder changed on two computers at once.
    if (const QList<tama::ConflictCopy> copies = tama::findConflictCopies(tama::DataFolder(folder));
        !copies.isEmpty())
        dialogs.info(tama::BackupWindow::conflictNotice(copies), u"競合コピー"_s);

    tama::DiaryState state(folder);
    state.readOnly = lock->readOnly();
    tama::WindowRegistry registry(state);
    registry.get<tama::PATINKEST>()->Form_Load();
    const int rc = QApplication::exec();
    registry.unloadAll();
    return rc;
}
