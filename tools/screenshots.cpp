// Takes pictures of the windows that have no other picture-taking path, from the real
// windows on a sample data folder. Run under a display (xvfb-run): see
// scripts/screenshots.sh.
#include "app/resources.h"
#include "app/windowregistry.h"
#include "cardscreen/helpwindow.h"
#include "cardscreen/patincomain.h"
#include "cardscreen/ver.h"
#include "common/dialogs.h"
#include "master/new_touroku.h"
#include "master/search_kisyu.h"
#include "startup/newname.h"
#include "startup/patinkest.h"
#include "store/catalogue.h"
#include "store/diary.h"
#include "store/modellist.h"
#include "store/storefile.h"
#include "store/userlist.h"
#include "views/tyoimati.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

class QuietDialogs final : public Dialogs {
public:
    void info(const QString &, const QString &) override {}
    bool confirmCancelled(const QString &, const QString &) override { return false; }
    void error(const QString &, const QString &) override {}
    void beep() override {}
};

void settle()
{
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

void save(QWidget *w, const QString &dir, const QString &name)
{
    w->show();
    w->raise();
    settle();
    w->grab().save(QDir(dir).filePath(name));
}

void sampleData(const DataFolder &folder)
{
    UserList users(folder);
    users.append(u"taro"_s);
    users.append(u"はなこ"_s);
    StoreFile stores(folder);
    stores.add(u"パーラー駅前"_s);
    stores.add(u"ホール桜町"_s);
    ModelCatalogue degi(folder, *categoryBySection(2));
    degi.add(u"フィーバー銀河"_s);
    degi.add(u"ドリームスター"_s);
    ModelCatalogue hane(folder, *categoryBySection(3));
    hane.add(u"ビッグシューター"_s);
    ModelListFile(folder, u"パーラー駅前"_s).write({{u"フィーバー銀河"_s, 2}, {u"ビッグシューター"_s, 3}});
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    initResources();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"docs/screenshots"_s;
    QuietDialogs dialogs;
    setDialogs(&dialogs);
    QTemporaryDir dir;
    DiaryState state(dir.path());
    sampleData(state.folder);
    WindowRegistry registry(state);

    PATINKEST *users = registry.get<PATINKEST>();
    users->Form_Load();
    users->List1->setCurrentRow(0);
    save(users, out, u"patinkest.png"_s);

    NEWNAME *newName = registry.get<NEWNAME>();
    newName->Text1->setText(u"じろう"_s);
    save(newName, out, u"newname.png"_s);
    newName->hide();

    users->OpenUserDiary(u"taro"_s);
    PatincoMain *main = registry.find<PatincoMain>();
    settle();
    main->findChild<QComboBox *>(u"Combo1"_s)->setEditText(u"パーラー駅前"_s);
    main->findChild<QRadioButton *>(u"Option2"_s)->click();
    main->findChild<QComboBox *>(u"Combo2"_s)->setEditText(u"ドリームスター"_s);
    settle();

    save(registry.get<search_kisyu>(), out, u"search_kisyu.png"_s);
    registry.unload<search_kisyu>();
    save(registry.get<New_touroku>(), out, u"new_touroku.png"_s);
    registry.unload<New_touroku>();
    save(registry.get<ver>(), out, u"ver.png"_s);
    HelpWindow *help = registry.get<HelpWindow>();
    help->showContents();
    save(help, out, u"help.png"_s);
    tyoimati *wait = registry.get<tyoimati>();
    save(wait, out, u"tyoimati.png"_s);
    registry.unloadAll();
    return 0;
}
