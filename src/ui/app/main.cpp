#include "app/keyboard.h"
#include "app/qtdialogs.h"
#include "app/resources.h"
#include "app/windowregistry.h"
#include "common/version.h"
#include "master/backupwindow.h"
#include "startup/patinkest.h"
#include "store/backup.h"
#include "store/datafolder.h"
#include "store/datafolderlock.h"
#include "store/journal.h"

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

    // One writer per data folder, for as long as the program runs.
    const tama::DataFolderLock lock(tama::DataFolder(folder), tama::DataFolderLock::Holder::Program);
    if (!lock.held()) {
        dialogs.error(lock.refusal() + u"\n"_s + folder, u"エラー"_s);
        return 1;
    }
    // Space for the rollback journal now, so that changing a card works on a full disk. A
    // journal that does not fit its file any more was put aside: the user hears of it once.
    if (const QString notice = tama::journal::reserve(folder); !notice.isEmpty())
        dialogs.info(notice, u"書き込みの控え"_s);
    // Snapshots before the first write of each day and before operations that drop data.
    tama::backup::setAutomatic(tama::DataFolder(folder), tama::backup::Settings::load());
    // Copies a folder synchroniser left when the folder changed on two computers at once.
    if (const QList<tama::ConflictCopy> copies = tama::findConflictCopies(tama::DataFolder(folder));
        !copies.isEmpty())
        dialogs.info(tama::BackupWindow::conflictNotice(copies), u"競合コピー"_s);

    tama::DiaryState state(folder);
    tama::WindowRegistry registry(state);
    registry.get<tama::PATINKEST>()->Form_Load();
    const int rc = QApplication::exec();
    registry.unloadAll();
    return rc;
}
