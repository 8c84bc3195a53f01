#include "viewfixture.h"

#include "cli/clifixture.h"

#include "cardscreen/patincomain.h"
#include "common/grouping.h"
#include "reports/resultstext.h"
#include "store/playdata.h"
#include "views/analysiswindow.h"
#include "views/resultspage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QJsonArray>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

// The diaries of the command-line tests: 1999 with a loss, a win and a marked card in
// May, nothing in 2000, one card in January 2001.
void writeDiaries(ViewFixture &f) {
    // Late in 2001, so that the card screen reaches every diary and opens on 2001's.
    f.clock.set(QDateTime(QDate(2001, 12, 1), QTime(10, 0)));
    f.writeDiary(samples::may1999());
    f.folder.write(u"taro.2001.dat"_s, cardBytes(samples::january2001(u"本店"_s)));
}

// The card screen on taro's 1999, active, as start-up leaves it.
PatincoMain *openCardScreen(ViewFixture &f) {
    PatincoMain *main = f.openCardScreen(f.state.diaryFile(), f.state.yearText());
    QApplication::setActiveWindow(main);
    return main;
}

AnalysisWindow *openAnalysis(ViewFixture &f) {
    PatincoMain *main = openCardScreen(f);
    QTest::keyClick(main, Qt::Key_F7);
    AnalysisWindow *w = f.registry.find<AnalysisWindow>();
    if (w) {
        QApplication::setActiveWindow(w);
        QTest::qWait(0);
    }
    return w;
}

// A part of the window as a person finds it, by its name.
template <class T> T *child(const QWidget *w, const char *name) {
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c) qFatal("no %s in the window", name);
    return c;
}

void clickTab(AnalysisWindow *w, int index) {
    QTabBar *bar = child<QTabWidget>(w, "Tabs")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

void clickHeader(QTableView *t, int column) {
    QHeaderView *h = t->horizontalHeader();
    const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
}

// A cell as the user reads it, without the thousands separators.
QString cell(const QTableView *t, int row, int column) {
    return t->model()->index(row, column).data().toString().remove(u',');
}

QStringList windowRow(const QTableView *t, int row) {
    QStringList out;
    for (int c = 0; c < int(StatsColumn::Count); ++c)
        out.append(cell(t, row, c));
    return out;
}

// A group of tamanote-cli stats --json as the window shows it: the key and the play time
// in a player's words.
QStringList cliRow(const QJsonObject &g, StatsBy by) {
    QStringList out;
    for (const QString &k : {u"key"_s,
                             u"visits"_s,
                             u"minutes"_s,
                             u"investment"_s,
                             u"cash_out"_s,
                             u"profit"_s,
                             u"recovery_rate"_s,
                             u"profit_per_hour"_s,
                             u"wins"_s,
                             u"win_rate"_s,
                             u"best"_s,
                             u"worst"_s,
                             u"play_cards"_s,
                             u"spins"_s,
                             u"spin_rate"_s,
                             u"expected_value"_s,
                             u"luck"_s,
                             u"sd_per_hour"_s,
                             u"hourly_ci95"_s,
                             u"max_drawdown"_s,
                             u"current_drawdown"_s,
                             u"longest_win_streak"_s,
                             u"longest_loss_streak"_s,
                             u"current_streak"_s}) {
        const QJsonValue v = g[k];
        // The range is two columns.
        if (k == u"hourly_ci95"_s) {
            for (int i : {0, 1})
                out.append(v.isNull() ? u"-"_s : QString::number(v.toArray()[i].toInteger()));
            continue;
        }
        const bool rate = k == u"recovery_rate"_s || k == u"win_rate"_s;
        out.append(v.isNull()            ? u"-"_s
                   : v.isString()        ? statsKeyText(by, v.toString())
                   : k == u"minutes"_s   ? playTimeText(v.toInteger())
                   : k == u"spin_rate"_s ? QString::number(v.toDouble(), 'f', 2)
                   : rate                ? QString::number(v.toDouble(), 'f', 1)
                                         : QString::number(v.toInteger()));
    }
    return out;
}

QJsonObject cliStats(const ViewFixture &f, const QString &by, bool marked = false) {
    QStringList args{u"stats"_s, u"--user"_s, u"taro"_s, u"--from"_s, u"1999"_s,
                     u"--to"_s,  u"2001"_s,   u"--by"_s, by,          u"--json"_s};
    if (marked) args.append(u"--include-marked"_s);
    const CliResult r = runIn(f.folder, args);
    return r.json();
}

} // namespace

class TestAnalysisWindow : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { setDialogs(nullptr); }

    // Every grouping chosen by keyboard shows, row for row, what tamanote-cli stats prints.
    void statisticsMatchTheCommandLine() {
        ViewFixture f;
        setDialogs(&f.dialogs);
        writeDiaries(f);
        AnalysisWindow *w = openAnalysis(f);
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), u"分析"_s);
        clickTab(w, 1);
        QCOMPARE(child<QTabWidget>(w, "Tabs")->currentIndex(), 1);
        QCOMPARE(child<QSpinBox>(w, "FromYear")->value(), 1999);
        QCOMPARE(child<QSpinBox>(w, "ToYear")->value(), 2001);

        QTest::keyClick(w, Qt::Key_B, Qt::AltModifier); // the label 集計(&B) leads to the grouping
        QCOMPARE(QApplication::focusWidget(), child<QComboBox>(w, "ByCombo"));
        const QStringList names = statsByNames();
        for (int i = 0; i < names.size(); ++i) {
            if (i > 0) QTest::keyClick(child<QComboBox>(w, "ByCombo"), Qt::Key_Down);
            QCOMPARE(child<QComboBox>(w, "ByCombo")->currentIndex(), i);
            const QJsonObject o = cliStats(f, names[i]);
            const QJsonArray groups = o[u"groups"_s].toArray();
            QCOMPARE(child<QTableView>(w, "StatsTable")->model()->rowCount(), groups.size());
            for (int row = 0; row < groups.size(); ++row)
                QCOMPARE(windowRow(child<QTableView>(w, "StatsTable"), row),
                         cliRow(groups[row].toObject(), StatsBy(i)));
            const QJsonObject t = o[u"total"_s].toObject();
            QVERIFY2(child<QLabel>(w, "StatsTotal")
                         ->text()
                         .remove(u',')
                         .contains(u"収支 +"_s + QString::number(t[u"profit"_s].toInt())),
                     qPrintable(child<QLabel>(w, "StatsTotal")->text()));
        }

        // By hour: the head says what the keys are, and the table and the chart read 10時台.
        while (child<QComboBox>(w, "ByCombo")->currentIndex() != int(StatsBy::Hour))
            QTest::keyClick(child<QComboBox>(w, "ByCombo"), Qt::Key_Up);
        QCOMPARE(
            child<QTableView>(w, "StatsTable")->horizontalHeader()->model()->headerData(0, Qt::Horizontal),
            u"時間帯"_s);
        QStringList hours;
        for (const ChartValue &v : child<ChartView>(w, "StatsChart")->values())
            hours.append(v.label);
        QCOMPARE(hours, (QStringList{u"10時台"_s, u"13時台"_s, u"18時台"_s}));

        // Marked cards counted: the weekday grouping gains Tuesday, as on the command line.
        while (child<QComboBox>(w, "ByCombo")->currentIndex() != int(StatsBy::Weekday))
            QTest::keyClick(child<QComboBox>(w, "ByCombo"), Qt::Key_Up);
        QTest::mouseClick(child<QCheckBox>(w, "IncludeMarked"), Qt::LeftButton, {},
                          QPoint(6, child<QCheckBox>(w, "IncludeMarked")->height() / 2));
        QVERIFY(child<QCheckBox>(w, "IncludeMarked")->isChecked());
        const QJsonArray marked = cliStats(f, u"weekday"_s, true)[u"groups"_s].toArray();
        QCOMPARE(child<QTableView>(w, "StatsTable")->model()->rowCount(), 3);
        for (int row = 0; row < marked.size(); ++row)
            QCOMPARE(windowRow(child<QTableView>(w, "StatsTable"), row),
                     cliRow(marked[row].toObject(), StatsBy::Weekday));
    }

    void sortingChartAndCsv() {
        ViewFixture f;
        setDialogs(&f.dialogs);
        writeDiaries(f);
        AnalysisWindow *w = openAnalysis(f);
        QVERIFY(w);
        clickTab(w, 1);
        QTest::keyClick(w, Qt::Key_B, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), child<QComboBox>(w, "ByCombo"));
        while (child<QComboBox>(w, "ByCombo")->currentIndex() != int(StatsBy::Category))
            QTest::keyClick(child<QComboBox>(w, "ByCombo"), Qt::Key_Down);
        QCOMPARE(windowRow(child<QTableView>(w, "StatsTable"), 0)[0], u"羽物"_s);

        // The first click on 損益額 sorts ascending, the second descending; the chart follows.
        clickHeader(child<QTableView>(w, "StatsTable"), int(StatsColumn::Profit));
        QStringList profits;
        for (int r = 0; r < 3; ++r)
            profits.append(cell(child<QTableView>(w, "StatsTable"), r, int(StatsColumn::Profit)));
        QCOMPARE(profits, (QStringList{u"-11000"_s, u"12000"_s, u"20000"_s}));
        clickHeader(child<QTableView>(w, "StatsTable"), int(StatsColumn::Profit));
        QCOMPARE(cell(child<QTableView>(w, "StatsTable"), 0, int(StatsColumn::Key)), u"デジパチ"_s);
        QStringList chart;
        for (const ChartValue &v : child<ChartView>(w, "StatsChart")->values())
            chart.append(v.label + u' ' + QString::number(v.value));
        QCOMPARE(chart, (QStringList{u"デジパチ 20000"_s, u"不明 12000"_s, u"羽物 -11000"_s}));

        // A missing value sorts lowest: 不明 has no recovery rate (nothing put in).
        clickHeader(child<QTableView>(w, "StatsTable"), int(StatsColumn::RecoveryRate));
        if (child<QTableView>(w, "StatsTable")->horizontalHeader()->sortIndicatorOrder() ==
            Qt::DescendingOrder)
            clickHeader(child<QTableView>(w, "StatsTable"), int(StatsColumn::RecoveryRate));
        QCOMPARE(cell(child<QTableView>(w, "StatsTable"), 0, int(StatsColumn::RecoveryRate)), u"-"_s);
        QCOMPARE(cell(child<QTableView>(w, "StatsTable"), 2, int(StatsColumn::RecoveryRate)), u"300.0"_s);
        // The chart of another column, chosen by keyboard.
        QTest::keyClick(w, Qt::Key_G, Qt::AltModifier); // グラフ(&G)
        QCOMPARE(QApplication::focusWidget(), child<QComboBox>(w, "ChartColumn"));
        while (child<QComboBox>(w, "ChartColumn")->currentText() != u"回収率"_s)
            QTest::keyClick(child<QComboBox>(w, "ChartColumn"), Qt::Key_Down);
        QCOMPARE(child<ChartView>(w, "StatsChart")->values().last().text, u"300.0"_s);

        // Back in the order of the key; the CSV is the command line's without its total.
        clickHeader(child<QTableView>(w, "StatsTable"), int(StatsColumn::Key));
        if (child<QTableView>(w, "StatsTable")->horizontalHeader()->sortIndicatorOrder() ==
            Qt::DescendingOrder)
            clickHeader(child<QTableView>(w, "StatsTable"), int(StatsColumn::Key));
        const QString path = f.folder.file(u"out.csv"_s);
        QVERIFY(w->exportCsv(path));
        const CliResult csv = runIn(f.folder, {u"stats"_s, u"--user"_s, u"taro"_s, u"--from"_s, u"1999"_s,
                                               u"--to"_s, u"2001"_s, u"--by"_s, u"category"_s, u"--csv"_s});
        QByteArray withoutTotal = csv.out;
        withoutTotal.truncate(withoutTotal.lastIndexOf("\r\n", withoutTotal.size() - 3) + 2);
        QCOMPARE(readFile(path), withoutTotal);
        QVERIFY(!w->exportCsv(f.folder.file(u"no/such/dir/x.csv"_s)));
    }

    void calendarStepsMonthsAndOpensCards() {
        ViewFixture f;
        setDialogs(&f.dialogs);
        writeDiaries(f);
        AnalysisWindow *w = openAnalysis(f);
        QVERIFY(w);
        QCOMPARE(child<QTabWidget>(w, "Tabs")->currentIndex(), 0);
        CalendarView *cal = child<CalendarView>(w, "Calendar");
        QTest::mouseClick(cal, Qt::LeftButton, {}, cal->dayCentre(15)); // a single click only focuses it
        QCOMPARE(QApplication::focusWidget(), cal);
        // It opens in the card screen's year; arrow keys to May 1999, as a person would.
        QCOMPARE(cal->calendar().year(), 2001);
        while (cal->calendar().year() != 1999)
            QTest::keyClick(cal, Qt::Key_Up);
        while (cal->calendar().month() != 5)
            QTest::keyClick(cal, cal->calendar().month() > 5 ? Qt::Key_Left : Qt::Key_Right);
        QCOMPARE(child<QLabel>(w, "MonthLabel")->text(), u"1999年 5月"_s);
        const CalendarDay third = cal->calendar().days()[2];
        QCOMPARE(third.visits, 2);
        QCOMPARE(third.profit(), 9000);
        QCOMPARE(cal->calendar().days()[3].visits, 0); // the marked card
        QCOMPARE(cal->calendar().total().profit(), 9000);

        // The gain of the 3rd is drawn in blue inside its cell.
        const QImage picture = cal->grab().toImage();
        const QRect cell3 = CalendarPainter::dayRect(cal->rect(), cal->calendar(), cal->font(), 3).toRect();
        int blue = 0;
        for (int y = cell3.top(); y < cell3.bottom(); ++y)
            for (int x = cell3.left(); x < cell3.right(); ++x) {
                const QColor c = picture.pixelColor(x * picture.width() / cal->width(),
                                                    y * picture.height() / cal->height());
                blue += c.blue() > 200 && c.red() < 80 && c.green() < 80;
            }
        QVERIFY(blue > 10);

        // Years: down is a year later; the last diary's December is the end.
        QTest::keyClick(cal, Qt::Key_Down);
        QCOMPARE(child<QLabel>(w, "MonthLabel")->text(), u"2000年 5月"_s);
        QCOMPARE(cal->calendar().total().visits, 0);
        QVERIFY(!f.folder.exists(u"taro.2000.dat"_s));
        QTest::mouseClick(child<QPushButton>(w, "NextYear"), Qt::LeftButton);
        QCOMPARE(child<QLabel>(w, "MonthLabel")->text(), u"2001年 5月"_s);
        QVERIFY(!child<QPushButton>(w, "NextYear")->isEnabled());
        QTest::keyClick(cal, Qt::Key_Down);
        QCOMPARE(child<QLabel>(w, "MonthLabel")->text(), u"2001年 5月"_s);
        for (int i = 0; i < 4; ++i)
            QTest::mouseClick(child<QPushButton>(w, "PrevMonth"), Qt::LeftButton);
        QCOMPARE(child<QLabel>(w, "MonthLabel")->text(), u"2001年 1月"_s);

        // Double-clicking the 6th shows that day's card on the card screen, in 2001's diary.
        QTest::mouseDClick(cal, Qt::LeftButton, {}, cal->dayCentre(6));
        PatincoMain *main = f.registry.find<PatincoMain>();
        QCOMPARE(f.state.yearText(), u"2001"_s);
        QCOMPARE(f.state.diaryFile(), u"taro.2001.dat"_s);
        QCOMPARE(main->findChild<QScrollBar *>(u"HScroll1"_s)->value(), 1);
        // A day without a card leaves the card screen where it is.
        QTest::mouseDClick(cal, Qt::LeftButton, {}, cal->dayCentre(7));
        QCOMPARE(f.state.yearText(), u"2001"_s);

        // Back to 1999: the second card of the 3rd May is not the day's first.
        QTest::mouseClick(child<QPushButton>(w, "PrevYear"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(w, "PrevYear"), Qt::LeftButton);
        QTest::mouseClick(cal, Qt::LeftButton, {}, cal->dayCentre(15));
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(cal, Qt::Key_PageDown);
        QCOMPARE(child<QLabel>(w, "MonthLabel")->text(), u"1999年 5月"_s);
        QTest::mouseDClick(cal, Qt::LeftButton, {}, cal->dayCentre(3));
        QCOMPARE(f.state.diaryFile(), u"taro.1999.dat"_s);
        QCOMPARE(main->findChild<QScrollBar *>(u"HScroll1"_s)->value(), 1);
        QVERIFY(!child<QPushButton>(w, "PrevYear")->isEnabled());

        // Escape closes and unloads the window.
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(!f.registry.find<AnalysisWindow>());
    }

    // A day's double-click opens its earliest visit, not its first card in the file.
    void calendarOpensTheEarliestVisit() {
        ViewFixture f;
        setDialogs(&f.dialogs);
        writeDiaries(f);
        CardValues evening = samples::january2001(u"本店"_s);
        CardValues morning = evening, alsoMorning = evening;
        morning.start = u" 930"_s;
        morning.store = u"支店"_s;
        alsoMorning.start = u" 930"_s;
        f.folder.write(u"taro.2001.dat"_s, diaryBytes({evening, morning, alsoMorning}));
        AnalysisWindow *w = openAnalysis(f);
        QVERIFY(w);
        CalendarView *cal = child<CalendarView>(w, "Calendar");
        QTest::mouseClick(cal, Qt::LeftButton, {}, cal->dayCentre(15));
        while (cal->calendar().month() != 1)
            QTest::keyClick(cal, Qt::Key_Left);
        QCOMPARE(child<QLabel>(w, "MonthLabel")->text(), u"2001年 1月"_s);
        QTest::mouseDClick(cal, Qt::LeftButton, {}, cal->dayCentre(6));
        PatincoMain *main = f.registry.find<PatincoMain>();
        QCOMPARE(f.state.diaryFile(), u"taro.2001.dat"_s);
        QCOMPARE(main->findChild<QScrollBar *>(u"HScroll1"_s)->value(), 2);
        QCOMPARE(main->findChild<QComboBox *>(u"Combo1"_s)->currentText(), u"支店"_s);
    }

    void yearsPage() {
        ViewFixture f;
        setDialogs(&f.dialogs);
        writeDiaries(f);
        f.folder.write(u"taro.2000.dat"_s, {}); // a diary without cards still has its line
        AnalysisWindow *w = openAnalysis(f);
        QVERIFY(w);
        clickTab(w, 2);
        QCOMPARE(child<QTabWidget>(w, "Tabs")->currentIndex(), 2);
        QCOMPARE(w->years(), (QList<int>{1999, 2000, 2001}));
        QTableWidget *t = child<QTableWidget>(w, "YearTable");
        QCOMPARE(t->rowCount(), 3);
        QStringList rows;
        for (int r = 0; r < 3; ++r) {
            QStringList cells;
            for (int c = 0; c < t->columnCount(); ++c)
                cells.append(cell(t, r, c));
            rows.append(cells.join(u' '));
        }
        QCOMPARE(rows, (QStringList{u"1999 2 25000 34000 9000 136.0 50.0 9000"_s, u"2000 0 0 0 0 - - 9000"_s,
                                    u"2001 1 0 12000 12000 - 100.0 21000"_s}));
        QStringList running;
        for (const ChartValue &v : child<ChartView>(w, "YearChart")->values())
            running.append(v.label + u' ' + QString::number(v.value));
        QCOMPARE(running, (QStringList{u"1999 9000"_s, u"2000 9000"_s, u"2001 21000"_s}));
        // The totals agree with the command line's.
        const QJsonObject total = cliStats(f, u"year"_s)[u"total"_s].toObject();
        QVERIFY(child<QLabel>(w, "YearTotal")
                    ->text()
                    .remove(u',')
                    .contains(u"投資額 "_s + QString::number(total[u"investment"_s].toInt())));

        // 終了 unloads every window, this one with them.
        f.registry.unloadAll();
        QVERIFY(!f.registry.find<AnalysisWindow>());
    }

    // A user without any diary: an empty window, nothing created.
    // The play columns show what the command line prints; the 期待値 page draws the cards
    // with complete figures, or says why there is nothing to draw.
    void playDataColumnsAndRunningExpectedValue() {
        ViewFixture f;
        setDialogs(&f.dialogs);
        writeDiaries(f);
        AnalysisWindow *w = openAnalysis(f);
        QVERIFY(w);
        QTest::keyClick(w, Qt::Key_E, Qt::AltModifier); // 期待値(&E)
        QCOMPARE(child<QTabWidget>(w, "Tabs")->currentIndex(), 3);
        QVERIFY(child<LuckChartView>(w, "LuckChart")->days().isEmpty());
        QVERIFY2(child<LuckChartView>(w, "LuckChart")
                     ->emptyText()
                     .startsWith(u"期待値の出せるカードがありません"_s),
                 qPrintable(child<LuckChartView>(w, "LuckChart")->emptyText()));
        w->close();

        {
            PlayDatabase db(f.state.folder);
            QVERIFY2(db.isOpen(), qPrintable(db.reason()));
            db.setHallTerms({u"本店"_s, QDate(1999, 1, 1), 4, 28, std::nullopt, {}});
            db.setHallTerms({u"支店"_s, QDate(1999, 1, 1), 4, 25, std::nullopt, {}});
            db.setModelSpec({1, u"Ｘ"_s, 319.6, 5400, std::nullopt, {}});
            const QString diary = u"taro.1999.dat"_s;
            const DiaryKeys keys = DiaryKeys::ofDiary(f.state.folder, diary);
            db.setPlay(diary, keys.key(1), {300, std::nullopt, std::nullopt, {}}, 1);
            db.setPlay(diary, keys.key(2), {200, 100, std::nullopt, {}},
                       2); // 支店's model has no 機種スペック
        }
        w = openAnalysis(f);
        QVERIFY(w);
        clickTab(w, 1);
        while (child<QComboBox>(w, "ByCombo")->currentIndex() != int(StatsBy::Hall))
            QTest::keyClick(child<QComboBox>(w, "ByCombo"), Qt::Key_Down);
        const QJsonArray groups = cliStats(f, u"hall"_s)[u"groups"_s].toArray();
        QCOMPARE(child<QTableView>(w, "StatsTable")->model()->rowCount(), groups.size());
        for (int row = 0; row < groups.size(); ++row)
            QCOMPARE(windowRow(child<QTableView>(w, "StatsTable"), row),
                     cliRow(groups[row].toObject(), StatsBy::Hall));
        const QJsonObject total = cliStats(f, u"year"_s)[u"total"_s].toObject();

        clickTab(w, 3);
        const QList<PlayDay> days = child<LuckChartView>(w, "LuckChart")->days();
        QCOMPARE(days.size(), 1); // only 本店's card has complete figures
        QCOMPARE(days[0].date, QDate(1999, 5, 3));
        QCOMPARE(days[0].runningProfit, -11000);
        QCOMPARE(days[0].runningExpectedValue, total[u"expected_value"_s].toInteger());
        w->close();

        f.folder.write(PlayDatabase::fileName(), "not a database");
        w = openAnalysis(f);
        QVERIFY(w);
        QVERIFY(child<LuckChartView>(w, "LuckChart")->days().isEmpty());
        QVERIFY2(child<LuckChartView>(w, "LuckChart")->emptyText().startsWith(u"稼働データを読めません"_s),
                 qPrintable(child<LuckChartView>(w, "LuckChart")->emptyText()));
    }

    // Another user chosen while the window is open shows that user's diaries; cards
    // written in a new year add its line.
    void followsTheUserAndTheCards() {
        ViewFixture f;
        setDialogs(&f.dialogs);
        writeDiaries(f);
        f.folder.write(u"hanako.2001.dat"_s, cardBytes(samples::january2001(u"支店"_s)));
        AnalysisWindow *w = openAnalysis(f);
        QVERIFY(w);
        QCOMPARE(w->years(), (QList<int>{1999, 2001}));
        f.state.open(u"hanako"_s, 2001);
        QCOMPARE(w->userName(), u"hanako"_s);
        QCOMPARE(w->years(), QList<int>{2001});
        QCOMPARE(child<QTableWidget>(w, "YearTable")->rowCount(), 1);
        QCOMPARE(child<QSpinBox>(w, "FromYear")->value(), 2001);

        f.folder.write(u"hanako.2000.dat"_s, cardBytes(samples::january2001(u"本店"_s)));
        f.state.noteCardsChanged();
        QCOMPARE(w->years(), (QList<int>{2000, 2001}));
        QCOMPARE(child<QTableWidget>(w, "YearTable")->rowCount(), 2);
        QCOMPARE(child<QSpinBox>(w, "FromYear")->minimum(), 2000);
    }

    void noDiaries() {
        ViewFixture f;
        setDialogs(&f.dialogs);
        f.state.open(u"hanako"_s, 1999);
        const QStringList before = f.folder.files();
        AnalysisWindow w(f.registry);
        QCOMPARE(w.userName(), u"hanako"_s);
        QVERIFY(w.years().isEmpty());
        QCOMPARE(child<QTableView>(&w, "StatsTable")->model()->rowCount(), 0);
        QCOMPARE(child<QTableWidget>(&w, "YearTable")->rowCount(), 0);
        QCOMPARE(child<CalendarView>(&w, "Calendar")->calendar().total().visits, 0);
        QVERIFY(!child<QPushButton>(&w, "NextMonth")->isEnabled() &&
                !child<QPushButton>(&w, "PrevMonth")->isEnabled());
        QCOMPARE(f.folder.files(), before);
    }
    // 成績 says in words what `stats` gives for the same user and years, and follows the
    // years chosen on 集計.
    void resultsPageFollowsTheRange() {
        ViewFixture f;
        setDialogs(&f.dialogs);
        writeDiaries(f);
        AnalysisWindow *w = openAnalysis(f);
        QVERIFY(w);
        clickTab(w, 4);
        QCOMPARE(child<QTabWidget>(w, "Tabs")->currentIndex(), 4);
        const QLabel *text = child<QLabel>(w, "ResultsText");
        auto expected = [&](int from, int to) {
            return resultsLines(readStats(f.state.folder, u"taro"_s, from, to, StatsBy::Hall, false).total())
                .join(u'\n');
        };
        QCOMPARE(text->text(), expected(1999, 2001));
        // The command line's figures are the ones in the words.
        const QJsonObject total = cliStats(f, u"month"_s)[u"total"_s].toObject();
        const QJsonArray range = total[u"hourly_ci95"_s].toArray();
        QVERIFY2(text->text().contains(u"（95%の範囲: "_s + resultYenText(range[0].toInteger()) + u"〜"_s +
                                       resultYenText(range[1].toInteger()) + u"）— まだ運の範囲です"_s),
                 qPrintable(text->text()));
        QVERIFY(text->text().contains(u"最大ドローダウン "_s +
                                      groupedDigits(total[u"max_drawdown"_s].toInteger()) + u"円"_s));
        QVERIFY(text->text().contains(u"最長連勝 "_s +
                                      QString::number(total[u"longest_win_streak"_s].toInt()) + u"日"_s));
        QCOMPARE(child<ResultsChartView>(w, "ResultsChart")->days().size(), 2);

        // From 2000 on, only the card of 2001 is left, and it has no play time.
        clickTab(w, 1);
        QSpinBox *from = child<QSpinBox>(w, "FromYear");
        QTest::mouseClick(from, Qt::LeftButton, {}, QPoint(4, from->height() / 2));
        QTest::keyClick(from, Qt::Key_Up);
        QCOMPARE(from->value(), 2000);
        clickTab(w, 4);
        QCOMPARE(text->text(), expected(2000, 2001));
        QVERIFY(text->text().startsWith(u"時給 -"_s));
        QVERIFY(child<QLabel>(w, "ResultsRange")->text().startsWith(u"2000年から2001年まで"_s));
        QCOMPARE(child<ResultsChartView>(w, "ResultsChart")->days().size(), 1);
    }
};

TAMA_GUI_TEST_MAIN(TestAnalysisWindow)
#include "tst_analysiswindow.moc"
