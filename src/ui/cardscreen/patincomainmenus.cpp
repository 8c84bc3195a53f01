// The card screen's menus and keys, and what their items open.
#include "app/windowregistry.h"
#include "cardscreen/helpwindow.h"
#include "cardscreen/limitswindow.h"
#include "cardscreen/patincomain.h"
#include "cardscreen/picturebutton.h"
#include "cardscreen/playpanel.h"
#include "cardscreen/ver.h"
#include "master/backupwindow.h"
#include "master/chodamawindow.h"
#include "master/exportwindow.h"
#include "master/importwindow.h"
#include "master/kdata.h"
#include "master/mdata.h"
#include "master/new_touroku.h"
#include "master/search_kisyu.h"
#include "startup/newname.h"
#include "startup/patinkest.h"
#include "views/allselect.h"
#include "views/analysiswindow.h"
#include "views/dispreport.h"
#include "views/listview.h"
#include "views/tukigrafh.h"
#include "views/tyoimati.h"

#include <QAction>
#include <QHash>
#include <QMenuBar>

using namespace Qt::Literals::StringLiterals;

namespace tama {

void PatincoMain::buildMenus() {
    // Each item has a key of its own, shown beside it in the menu. None is a text box's
    // editing key on any platform (Ctrl+U empties the line on Linux), so each works
    // wherever the cursor is.
    static const QHash<QString, QKeySequence> keys = {
        {u"user_select"_s, QKeySequence(Qt::CTRL | Qt::Key_J)},
        {u"All"_s, QKeySequence(Qt::CTRL | Qt::Key_L)},
        {u"graph"_s, QKeySequence(Qt::CTRL | Qt::Key_G)},
        {u"disp_report"_s, QKeySequence(Qt::CTRL | Qt::Key_R)},
        {u"analysis"_s, QKeySequence(Qt::Key_F7)},
        {u"endi"_s, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {u"MISEDATASETTEI"_s, QKeySequence(Qt::CTRL | Qt::Key_1)},
        {u"kisyudatasettei"_s, QKeySequence(Qt::CTRL | Qt::Key_2)},
        {u"filesort"_s, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {u"backups"_s, QKeySequence(Qt::CTRL | Qt::Key_B)},
        {u"helpn"_s, QKeySequence(Qt::Key_F1)},
        {u"topic"_s, QKeySequence(Qt::SHIFT | Qt::Key_F1)},
    };
    auto item = [this](QMenu *menu, const QString &name, const QString &text, bool enabled) {
        QAction *a = menu->addAction(text);
        a->setObjectName(name);
        a->setEnabled(enabled);
        a->setShortcut(keys.value(name));
        return a;
    };
    QMenu *menu = menuBar()->addMenu(u"メニュー(&M)"_s);
    menu->setObjectName(u"menu"_s);
    connect(item(menu, u"user_select"_s, u"ユーザー選択(&Y)"_s, true), &QAction::triggered, this,
            &PatincoMain::user_select_Click);
    menu->addSeparator()->setObjectName(u"afrg"_s);
    connect(item(menu, u"All"_s, u"リスト表示(&L)"_s, true), &QAction::triggered, this,
            &PatincoMain::All_Click);
    connect(item(menu, u"graph"_s, u"グラフ表示(&G)"_s, true), &QAction::triggered, this,
            &PatincoMain::graph_Click);
    connect(item(menu, u"disp_report"_s, u"レポート表示(&R)"_s, true), &QAction::triggered, this,
            &PatincoMain::disp_report_Click);
    menu->addAction(m_playPanel->toggleAction());
    connect(item(menu, u"analysis"_s, u"分析(&A)"_s, true), &QAction::triggered, this,
            [this] { m_registry.show<AnalysisWindow>(); });
    menu->addSeparator()->setObjectName(u"impexp"_s);
    connect(item(menu, u"importCsv"_s, u"取り込み…(&I)"_s, true), &QAction::triggered, this,
            [this] { m_registry.show<ImportWindow>(); });
    // 終了 has E.
    connect(item(menu, u"exportCsv"_s, u"書き出し…(&X)"_s, true), &QAction::triggered, this,
            [this] { m_registry.show<ExportWindow>()->reload(); });
    menu->addSeparator()->setObjectName(u"zxc"_s);
    connect(item(menu, u"endi"_s, u"終了(&E)"_s, true), &QAction::triggered, this, &PatincoMain::endi_Click);

    QMenu *dataSET = menuBar()->addMenu(u"データ設定(&D)"_s);
    dataSET->setObjectName(u"dataSET"_s);
    connect(item(dataSET, u"MISEDATASETTEI"_s, u"店データ設定(&A)"_s, true), &QAction::triggered, this,
            &PatincoMain::MISEDATASETTEI_Click);
    connect(item(dataSET, u"kisyudatasettei"_s, u"機種データ設定(&B)"_s, true), &QAction::triggered, this,
            &PatincoMain::kisyudatasettei_Click);
    connect(item(dataSET, u"chodama"_s, u"貯玉(&C)"_s, true), &QAction::triggered, this,
            [this] { m_registry.show<ChodamaWindow>()->reload(); });
    dataSET->addSeparator()->setObjectName(u"zxcx"_s);
    connect(item(dataSET, u"filesort"_s, u"日記ファイルの整理(&D)"_s, true), &QAction::triggered, this,
            &PatincoMain::filesort_Click);
    connect(item(dataSET, u"undoOrganise"_s, u"整理を元に戻す(&U)"_s, false), &QAction::triggered, this,
            &PatincoMain::UndoOrganise);
    dataSET->addSeparator()->setObjectName(u"bkup"_s);
    connect(item(dataSET, u"backups"_s, u"バックアップと復元(&R)"_s, true), &QAction::triggered, this,
            [this] { m_registry.show<BackupWindow>()->reload(); });
    connect(item(dataSET, u"limits"_s, u"遊技の上限(&L)"_s, true), &QAction::triggered, this,
            [this] { m_registry.show<LimitsWindow>(); });

    QMenu *hppp = menuBar()->addMenu(u"ヘルプ(&H)"_s);
    hppp->setObjectName(u"hppp"_s);
    connect(item(hppp, u"helpn"_s, u"ヘルプ(&P)"_s, true), &QAction::triggered, this,
            &PatincoMain::helpn_Click);
    connect(item(hppp, u"topic"_s, u"トピック検索(&T)"_s, true), &QAction::triggered, this,
            &PatincoMain::topic_Click);
    hppp->addSeparator()->setObjectName(u"ghj"_s);
    connect(item(hppp, u"DispVer"_s, u"バージョン情報(&V)"_s, true), &QAction::triggered, this,
            &PatincoMain::DispVer_Click);
}

void PatincoMain::buildKeys() {
    // Keys for what the mouse does with the scrollers. A box keeps its own editing keys
    // (Ctrl+Home, Alt+← move the cursor or the word), so these use none of them.
    auto key = [this](const QString &name, const QKeySequence &keys, auto handler) {
        auto *a = new QAction(this);
        a->setObjectName(name);
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        connect(a, &QAction::triggered, this, handler);
    };
    key(u"previousCard"_s, QKeySequence(Qt::Key_PageUp),
        [this] { HScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub); });
    key(u"nextCard"_s, QKeySequence(Qt::Key_PageDown),
        [this] { HScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd); });
    key(u"previousYear"_s, QKeySequence(Qt::CTRL | Qt::Key_PageUp),
        [this] { HScroll2->triggerAction(QAbstractSlider::SliderSingleStepSub); });
    key(u"nextYear"_s, QKeySequence(Qt::CTRL | Qt::Key_PageDown),
        [this] { HScroll2->triggerAction(QAbstractSlider::SliderSingleStepAdd); });
    key(u"previousDay"_s, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageUp),
        [this] { HScroll3->triggerAction(QAbstractSlider::SliderSingleStepSub); });
    key(u"nextDay"_s, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageDown),
        [this] { HScroll3->triggerAction(QAbstractSlider::SliderSingleStepAdd); });
    key(u"firstCard"_s, QKeySequence(Qt::ALT | Qt::Key_Home),
        [this] { HScroll1->setValue(HScroll1->minimum()); });
    key(u"newCard"_s, QKeySequence(Qt::ALT | Qt::Key_End),
        [this] { HScroll1->setValue(HScroll1->maximum()); });
    key(u"register"_s, QKeySequence(Qt::CTRL | Qt::Key_S), [this] { Command23->click(); });
    // Ctrl+D deletes a character in a box; F8 is free everywhere.
    key(u"mark"_s, QKeySequence(Qt::Key_F8), [this] { Command6->click(); });
    Command23->setToolTip(u"登録・更新 (Ctrl+S)"_s);
    Command6->setToolTip(u"削除・削除取消 (F8)"_s);
    HScroll1->setToolTip(u"カードの移動 (PageUp / PageDown、Alt+Home / Alt+End)"_s);
    HScroll2->setToolTip(u"年の切り替え (Ctrl+PageUp / Ctrl+PageDown)"_s);
    HScroll3->setToolTip(u"日付の移動 (Ctrl+Shift+PageUp / Ctrl+Shift+PageDown)"_s);
}

void PatincoMain::user_select_Click() {
    m_registry.unload<allSelect>();
    m_registry.unload<dispreport>();
    m_registry.unload<KDATA>();
    m_registry.unload<listview>();
    m_registry.unload<MDATA>();
    m_registry.unload<tukiGrafh>();
    m_registry.unload<New_touroku>();
    m_registry.unload<NEWNAME>();
    m_registry.unload<search_kisyu>();
    m_registry.unload<tyoimati>();
    m_registry.get<PATINKEST>()->ShowFromMenu();
}

void PatincoMain::endi_Click() {
    m_registry.endProgram();
}

// There is no platform help viewer to hand the help file to: the program shows its own
// pages, at the contents or at the keyword search with an empty key.
void PatincoMain::helpn_Click() {
    m_registry.get<HelpWindow>()->showContents();
}

void PatincoMain::topic_Click() {
    m_registry.get<HelpWindow>()->showSearch(QString());
}

void PatincoMain::DispVer_Click() {
    m_registry.show<ver>();
}

void PatincoMain::MISEDATASETTEI_Click() {
    m_registry.show<MDATA>();
}

void PatincoMain::kisyudatasettei_Click() {
    m_registry.show<KDATA>();
}

// The pressed picture stays until this window is active again.
void PatincoMain::Picture4_Click() {
    Picture4->showPressedImage(true);
    m_registry.show<MDATA>();
}

void PatincoMain::Picture5_Click() {
    Picture5->showPressedImage(true);
    m_registry.show<KDATA>();
}

// The menu always opens the filter afresh; its picture button shows it as it is.
void PatincoMain::All_Click() {
    m_registry.unload<allSelect>();
    m_registry.show<allSelect>();
}

void PatincoMain::graph_Click() {
    m_registry.show<tukiGrafh>();
}

void PatincoMain::disp_report_Click() {
    m_registry.show<dispreport>();
}

void PatincoMain::Picture1_Click() {
    Picture1->showPressedImage(true);
    m_registry.show<tukiGrafh>();
    MonthGraphModel &graph = m_registry.get<tukiGrafh>()->model();
    GraphSettings settings = graph.settings();
    settings.cashOut = settings.investment = settings.bars = true;
    graph.setSettings(settings);
}

void PatincoMain::Picture2_Click() {
    Picture2->showPressedImage(true);
    m_registry.show<allSelect>();
}

void PatincoMain::Picture6_Click() {
    Picture6->showPressedImage(true);
    m_registry.show<dispreport>();
}

} // namespace tama
