#include "viewfixture.h"

#include "cardscreen/patincomain.h"
#include "cardscreen/picturebutton.h"
#include "views/allselect.h"
#include "views/dispreport.h"
#include "views/tukigrafh.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QColor kRed(255, 0, 0), kBlue(0, 0, 255), kBlack(0, 0, 0);

CardValues on(const char *date, const char *investment, const char *cashOut) {
    return {.date = QString::fromLatin1(date) + u"土"_s,
            .investment = QString::fromLatin1(investment),
            .cashOut = QString::fromLatin1(cashOut)};
}

int count(const MonthGraph *g, GraphSettings::Series series, GraphShape::Kind kind) {
    int n = 0;
    for (const GraphShape &s : g->shapes())
        n += s.series == series && s.kind == kind;
    return n;
}

} // namespace

class TstTukiGrafh : public QObject {
    Q_OBJECT

  private slots:
    void opensOnTheLastMonth() {
        ViewFixture f;
        f.writeDiary(
            {on("19990310", "0100", "0000"), on("19991005", "0300", "0900"), on("19991005", "0250", "0000")});
        tukiGrafh *w = f.registry.get<tukiGrafh>();
        w->show();
        QCOMPARE(w->windowTitle(), u"月別グラフ"_s);
        QCOMPARE(control<QScrollBar>(w, "HScroll1")->minimum(), 1);
        QCOMPARE(control<QScrollBar>(w, "HScroll1")->maximum(), 8);
        QCOMPARE(control<QScrollBar>(w, "HScroll1")->value(), 8);
        // The thumb stands at the month's place: the right end on the last month, the
        // left end on the first.
        // The thumb is one month wide and stands at the month's place: the right end on
        // the last month, the left end on the first.
        auto colourAt = [w](double x) {
            const QImage img = control<QScrollBar>(w, "HScroll1")->grab().toImage();
            return img.pixel(int(img.width() * x), img.height() / 2);
        };
        QVERIFY(colourAt(0.9) != colourAt(0.1));
        QCOMPARE(colourAt(0.5), colourAt(0.1));
        control<QScrollBar>(w, "HScroll1")->setValue(1);
        QVERIFY(colourAt(0.1) != colourAt(0.9));
        QCOMPARE(colourAt(0.5), colourAt(0.9));
        control<QScrollBar>(w, "HScroll1")->setValue(8);
        QCOMPARE(control<QLabel>(w, "Label12")->text(), u"1999"_s);
        QCOMPARE(control<QLabel>(w, "Label14")->text(), u"10"_s);
        QCOMPARE(control<QLabel>(w, "Label16")->text(), u"55000"_s);
        QCOMPARE(control<QLabel>(w, "Label18")->text(), u"90000"_s);
        QCOMPARE(control<QLabel>(w, "Label17")->text(), u"35000"_s);
        QCOMPARE(textColour(control<QLabel>(w, "Label17")), kBlue);
        QCOMPARE(w->area()->axisLabel(u"Label1(0)"_s)->text(), u"10"_s);
        QCOMPARE(w->area()->axisLabel(u"Label3(1)"_s)->text(), u"5"_s);
        QCOMPARE(control<QAction>(w, "sumSoneki")->text(), u"損益額加算グラフ [ON]"_s);
        QCOMPARE(control<QAction>(w, "sumkankin")->text(), u"換金額加算グラフ"_s);
        QCOMPARE(control<QAction>(w, "SumTousi")->text(), u"投資額加算グラフ"_s);
        QCOMPARE(control<QAction>(w, "sengrafh")->text(), u"線グラフ"_s);
        QCOMPARE(control<QMenu>(w, "settei")->title(), u"設定１"_s);
        QCOMPARE(control<QMenu>(w, "set2")->title(), u"設定２"_s);

        control<QScrollBar>(w, "HScroll1")->setValue(1);
        QCOMPARE(control<QLabel>(w, "Label14")->text(), u"3"_s);
        QCOMPARE(control<QLabel>(w, "Label17")->text(), u"-10000"_s);
        QCOMPARE(textColour(control<QLabel>(w, "Label17")), kRed);
        QCOMPARE(w->area()->axisLabel(u"Label1(0)"_s)->text(), u"5"_s);
        control<QScrollBar>(w, "HScroll1")->setValue(2); // April: no card
        QCOMPARE(control<QLabel>(w, "Label17")->text(), u"0"_s);
        QCOMPARE(textColour(control<QLabel>(w, "Label17")), kBlack);

        // Activation goes back to the last month.
        w->Form_Activate();
        QCOMPARE(control<QLabel>(w, "Label14")->text(), u"10"_s);
    }

    void menuItemsToggleAndRedraw() {
        ViewFixture f;
        f.writeDiary(
            {on("19991001", "0300", "0900"), on("19991002", "0250", "0000")}); // no dashes before day 1
        tukiGrafh *w = f.registry.get<tukiGrafh>();
        w->show();
        QCOMPARE(count(w->graph(), GraphSettings::Profit, GraphShape::Line), 4);
        QCOMPARE(count(w->graph(), GraphSettings::CashOut, GraphShape::Line), 0);

        int draws = w->drawCount();
        control<QAction>(w, "sumkankin")->trigger();
        QCOMPARE(control<QAction>(w, "sumkankin")->text(), u"換金額加算グラフ [ON]"_s);
        QCOMPARE(w->drawCount(), draws + 1);
        QCOMPARE(count(w->graph(), GraphSettings::CashOut, GraphShape::Line), 4);

        control<QAction>(w, "sengrafh")->trigger();
        QCOMPARE(control<QAction>(w, "sengrafh")->text(), u"棒グラフ"_s);
        QCOMPARE(count(w->graph(), GraphSettings::CashOut, GraphShape::Box), 2);
        QCOMPARE(count(w->graph(), GraphSettings::Profit, GraphShape::Box), 2);
        QCOMPARE(count(w->graph(), GraphSettings::Profit, GraphShape::Line), 0);

        control<QAction>(w, "SumTousi")->trigger();
        QCOMPARE(control<QAction>(w, "SumTousi")->text(), u"投資額加算グラフ [ON]"_s);
        QCOMPARE(count(w->graph(), GraphSettings::Investment, GraphShape::Box), 2);

        for (QAction *a : {control<QAction>(w, "sumSoneki"), control<QAction>(w, "sumkankin"),
                           control<QAction>(w, "SumTousi")})
            a->trigger();
        QCOMPARE(control<QAction>(w, "sumSoneki")->text(), u"損益額加算グラフ"_s);
        QVERIFY(w->graph()->shapes().isEmpty());
        QCOMPARE(control<QLabel>(w, "Label17")->text(), u"35000"_s); // the totals count every card
        QCOMPARE(w->drawCount(), draws + 6);

        control<QAction>(w, "sengrafh")->trigger();
        QCOMPARE(control<QAction>(w, "sengrafh")->text(), u"線グラフ"_s);

        // Settings given from outside are drawn and captioned.
        GraphSettings cashOut;
        cashOut.cashOut = true;
        w->model().setSettings(cashOut);
        QCOMPARE(control<QAction>(w, "sumkankin")->text(), u"換金額加算グラフ [ON]"_s);
        QCOMPARE(count(w->graph(), GraphSettings::CashOut, GraphShape::Line), 4);
    }

    // The diary is read when it changes, not for each month shown; the year list and
    // the report follow it too.
    void followsTheDiary() {
        ViewFixture f;
        f.writeDiary({on("19990310", "0100", "0000"), on("19990405", "0300", "0900")});
        tukiGrafh *w = f.registry.get<tukiGrafh>();
        w->show();
        dispreport *report = f.registry.get<dispreport>();
        QCOMPARE(control<QLabel>(w, "Label16")->text(), u"30000"_s);

        f.writeDiary(
            {on("19990310", "0200", "0000"), on("19990405", "0300", "0900"), on("19990501", "0100", "0000")});
        control<QScrollBar>(w, "HScroll1")->setValue(1);
        QCOMPARE(control<QLabel>(w, "Label16")->text(), u"10000"_s); // not read again
        f.state.noteCardsChanged();
        QCOMPARE(control<QScrollBar>(w, "HScroll1")->maximum(), 3);
        QCOMPARE(control<QLabel>(w, "Label14")->text(), u"5"_s);
        QCOMPARE(control<QLabel>(w, "Label16")->text(), u"10000"_s);
        control<QScrollBar>(w, "HScroll1")->setValue(1);
        QCOMPARE(control<QLabel>(w, "Label16")->text(), u"20000"_s);
        QCOMPARE(control<QLabel>(report, "Label18(0)")->text(), u"150"_s);

        f.folder.write(u"taro.1998.dat"_s, diaryBytes({on("19981120", "0050", "0000")}));
        f.state.setYear(1998);
        QCOMPARE(control<QLabel>(w, "Label12")->text(), u"1998"_s);
        QCOMPARE(control<QLabel>(w, "Label14")->text(), u"11"_s);
        QCOMPARE(report->windowTitle(), u"1998 年度評価レポート"_s);
    }

    void emptyDiaryShowsTheEntryMonth() {
        ViewFixture f;
        f.writeDiary({});
        f.clock.set(QDateTime(QDate(1999, 7, 20), QTime(10, 0)));
        tukiGrafh *w = f.registry.get<tukiGrafh>();
        w->show();
        QCOMPARE(control<QScrollBar>(w, "HScroll1")->maximum(), 1);
        QCOMPARE(control<QLabel>(w, "Label12")->text(), u"1999"_s);
        QCOMPARE(control<QLabel>(w, "Label14")->text(), u"7"_s);
        QCOMPARE(control<QLabel>(w, "Label16")->text(), u"0"_s);
        QVERIFY(w->graph()->shapes().isEmpty()); // today's month: nothing carried on

        QTest::mouseClick(control<QPushButton>(w, "Command3"), Qt::LeftButton);
        QVERIFY(!f.registry.find<tukiGrafh>());
    }

    void cardScreenOpensTheViews() {
        ViewFixture f;
        f.writeDiary({on("19991001", "0300", "0900")});
        f.clock.set(QDateTime(QDate(1999, 12, 1), QTime(10, 0)));
        PatincoMain *main = f.openCardScreen(f.state.diaryFile(), f.state.yearText());
        auto action = [main](const char *name) { return control<QAction>(main, name); };
        auto picture = [main](const char *name) { return control<PictureButton>(main, name); };

        // The menu item shows the graph with the captions of its own design.
        action("graph")->trigger();
        tukiGrafh *g = f.registry.find<tukiGrafh>();
        QVERIFY(g && g->isVisible());
        QCOMPARE(control<QAction>(g, "sumkankin")->text(), u"換金額加算グラフ"_s);
        control<QAction>(g, "sumSoneki")->trigger(); // off
        // The picture sets three captions whatever they read before.
        QTest::mouseClick(picture("Picture1"), Qt::LeftButton);
        QCOMPARE(f.registry.find<tukiGrafh>(), g);
        QVERIFY(picture("Picture1")->showsPressedImage());
        QCOMPARE(control<QAction>(g, "sumkankin")->text(), u"換金額加算グラフ [ON]"_s);
        QCOMPARE(control<QAction>(g, "SumTousi")->text(), u"投資額加算グラフ [ON]"_s);
        QCOMPARE(control<QAction>(g, "sengrafh")->text(), u"棒グラフ"_s);
        QCOMPARE(control<QAction>(g, "sumSoneki")->text(), u"損益額加算グラフ"_s);
        g->Form_Activate(); // they count from the next drawing
        QCOMPARE(count(g->graph(), GraphSettings::CashOut, GraphShape::Box), 1);
        QCOMPARE(count(g->graph(), GraphSettings::Investment, GraphShape::Box), 1);
        QCOMPARE(count(g->graph(), GraphSettings::Profit, GraphShape::Box), 0);
        main->Form_Activate();
        QVERIFY(!picture("Picture1")->showsPressedImage());

        // "リスト表示(&L)" opens the filter in its first state every time; the picture
        // shows it as it is.
        action("All")->trigger();
        allSelect *filter = f.registry.find<allSelect>();
        QVERIFY(filter && filter->isVisible());
        control<QCheckBox>(filter, "Check1")->setChecked(false);
        QTest::mouseClick(picture("Picture2"), Qt::LeftButton);
        QCOMPARE(f.registry.find<allSelect>(), filter);
        QVERIFY(!control<QCheckBox>(filter, "Check1")->isChecked());
        action("All")->trigger();
        allSelect *fresh = f.registry.find<allSelect>();
        QVERIFY(fresh != filter);
        QVERIFY(control<QCheckBox>(fresh, "Check1")->isChecked());
        QCOMPARE(selectedCount(control<SelectionList>(fresh, "List1")), 2);

        QTest::mouseClick(picture("Picture6"), Qt::LeftButton);
        QVERIFY(f.registry.find<dispreport>() && f.registry.find<dispreport>()->isVisible());
        QVERIFY(picture("Picture6")->showsPressedImage());
        f.registry.unload<dispreport>();
        action("disp_report")->trigger();
        QVERIFY(f.registry.find<dispreport>());
    }

    void reportShowsAwardsTableAndColours() {
        ViewFixture f;
        CardValues win = on("19990503", "0050", "0173");
        win.dayType = u"222"_s;
        CardValues loss = on("19990504", "0100", "0000");
        loss.category = u"2"_s;
        f.writeDiary({win, loss});
        dispreport *w = f.registry.get<dispreport>();
        w->show();
        QCOMPARE(w->windowTitle(), u"1999 年度評価レポート"_s);
        QCOMPARE(control<QGroupBox>(w, "Frame1")->title(), u"最優秀出玉賞"_s);
        QCOMPARE(control<QLabel>(w, "Label2(2)")->text(), u"ＣＲデジ部門"_s);
        QCOMPARE(control<QLabel>(w, "Label3(0)")->text(), u"05/03"_s + u"  新規 "_s + u" 本店"_s +
                                                              QString(16, u' ') + u" Ｘ"_s +
                                                              QString(20, u' ') + u"  +12300円"_s);
        QCOMPARE(control<QLabel>(w, "Label3(1)")->text(), QString());
        QVERIFY(control<QLabel>(w, "Label3(0)")->font().fixedPitch());
        QCOMPARE(control<QLabel>(w, "Label18(0)")->text(), u"346"_s);
        QCOMPARE(textColour(control<QLabel>(w, "Label18(0)")), kBlue);
        QCOMPARE(control<QLabel>(w, "Label18(1)")->text(), u"0"_s);
        QCOMPARE(textColour(control<QLabel>(w, "Label18(1)")), kRed);
        QCOMPARE(control<QLabel>(w, "Label18(2)")->text(), u"-----"_s);
        QCOMPARE(textColour(control<QLabel>(w, "Label18(2)")), kRed);
        QCOMPARE(control<QLabel>(w, "Label9(2)")->text(), u"-----"_s);
        QCOMPARE(textColour(control<QLabel>(w, "Label9(2)")), kBlack);
        QCOMPARE(control<QLabel>(w, "Label9(1)")->text(), u"-5000"_s);
        QCOMPARE(textColour(control<QLabel>(w, "Label9(1)")), kRed);
        QCOMPARE(control<QLabel>(w, "Label4(5)")->text(), u"4"_s);
        QCOMPARE(control<QLabel>(w, "Label4(6)")->text(),
                 u"2"_s); // 新規 only: the ordinary day is not special
        QCOMPARE(w->findChild<QLabel *>(u"Label24(1)"_s)->text(), u"新規新装"_s);
        QCOMPARE(w->findChild<QLabel *>(u"Label1(8)"_s)->text(), u"所要時間"_s);
        // The heads stand left to right as 羽根物 … 一般電役, 新規新装, 総合.
        QVERIFY(w->findChild<QLabel *>(u"Label24(1)"_s)->x() < w->findChild<QLabel *>(u"Label24(0)"_s)->x());
        QVERIFY(w->findChild<QLabel *>(u"Label24(4)"_s)->x() < w->findChild<QLabel *>(u"Label24(5)"_s)->x());

        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QVERIFY(!f.registry.find<dispreport>());
    }
};

TAMA_GUI_TEST_MAIN(TstTukiGrafh)
#include "tst_tukigrafh.moc"
