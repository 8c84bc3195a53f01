#include "reports/monthgraph.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::digits4;
using tama::test::makeCard;
using Series = GraphSettings::Series;

namespace {

// A card of 1999 on the given month and day with amounts in hundreds of yen.
CardRecord dayCard(int month, int day, int investment, int cashOut) {
    const QString date = u"1999"_s + QString::number(month).rightJustified(2, u'0') +
                         QString::number(day).rightJustified(2, u'0') + u"月"_s;
    return makeCard({.date = date, .investment = digits4(investment), .cashOut = digits4(cashOut)});
}

GraphSettings onlyProfit() {
    return {};
}

GraphSettings allOn(bool bars = false) {
    GraphSettings g;
    g.investment = g.cashOut = g.profit = true;
    g.bars = bars;
    return g;
}

GraphShape line(double x1, double y1, double x2, double y2, Series s) {
    static const ViewColour colours[] = {ViewColour::Brown, ViewColour::Yellow, ViewColour::Navy};
    return {GraphShape::Line, x1, y1, x2, y2, colours[s], s};
}

// The dashes from x on at a level, k = 0, 50, … for the given number of strokes.
QList<GraphShape> dashes(double x, double level, int strokes, Series s) {
    QList<GraphShape> out;
    for (int k = 0; k < strokes; ++k)
        out.append(line(x + 50 * k, level, x + 50 * k + 25, level, s));
    return out;
}

} // namespace

class TestMonthGraph : public QObject {
    Q_OBJECT

  private slots:
    void monthSpan();
    void sharedDaySlot();
    void runningTotalsAndScale();
    void scaleTable_data();
    void scaleTable();
    void markedCard();
    void dashesBetweenDays();
    void extensionToMonthEnd();
    void bars();
    void totalsAndSettings();
};

void TestMonthGraph::monthSpan() {
    // March to October: 8 months, value 1 March, value 8 October.
    const QList<CardRecord> marToOct = {dayCard(3, 2, 1, 0), dayCard(7, 1, 1, 0), dayCard(10, 30, 1, 0)};
    const MonthSpan s = MonthGraph::monthSpan(marToOct, 1999, 2000, 1);
    QCOMPARE(s.span, 8);
    QCOMPARE(MonthGraph::monthAt(s, 1), std::make_pair(1999, 3));
    QCOMPARE(MonthGraph::monthAt(s, 8), std::make_pair(1999, 10));
    QCOMPARE(s.minimum(), 1);
    QCOMPARE(s.maximum(), 8);

    // First card in December: value 1 is December of the same year, then January.
    const QList<CardRecord> decToFeb = {makeCard({.date = u"19991224金"_s}),
                                        makeCard({.date = u"20000203木"_s})};
    const MonthSpan d = MonthGraph::monthSpan(decToFeb, 1999, 1999, 1);
    QCOMPARE(d.span, 3);
    QCOMPARE(MonthGraph::monthAt(d, 1), std::make_pair(1999, 12));
    QCOMPARE(MonthGraph::monthAt(d, 2), std::make_pair(2000, 1));
    QCOMPARE(MonthGraph::monthAt(d, 3), std::make_pair(2000, 2));

    // A marked first or last card stands for the diary's year.
    QList<CardRecord> marked = marToOct;
    marked.first().markCandidate();
    marked.last().markCandidate();
    const MonthSpan m = MonthGraph::monthSpan(marked, 1999, 2000, 1);
    QCOMPARE(m.firstYear, 1999);
    QCOMPARE(m.firstMonth, 3);
    QCOMPARE(m.span, 8);

    // No card: the month entered on the card screen, alone.
    const MonthSpan e = MonthGraph::monthSpan({}, 2001, 2001, 4);
    QCOMPARE(e.span, 1);
    QCOMPARE(MonthGraph::monthAt(e, 1), std::make_pair(2001, 4));

    // Out of date order (June first, March last): the range still spans both months
    // and opening on the span shows the last card's month.
    const MonthSpan u = MonthGraph::monthSpan({dayCard(6, 1, 1, 0), dayCard(3, 1, 1, 0)}, 1999, 1999, 1);
    QCOMPARE(u.span, -2);
    QCOMPARE(u.minimum(), -2);
    QCOMPARE(u.maximum(), 1);
    QCOMPARE(MonthGraph::monthAt(u, u.span), std::make_pair(1999, 3));
    QCOMPARE(MonthGraph::monthAt(u, 1), std::make_pair(1999, 6));
}

void TestMonthGraph::sharedDaySlot() {
    // Three cards on day 5, in file order, between cards of other days and months.
    const QList<CardRecord> cards = {dayCard(5, 4, 10, 0), dayCard(4, 5, 99, 0), dayCard(5, 5, 0, 10),
                                     dayCard(5, 5, 0, 20), dayCard(5, 5, 0, 30), dayCard(5, 6, 0, 0)};
    const MonthGraph g(cards, 1999, 5, onlyProfit(), false);
    QList<int> records, slotCounts;
    for (const MonthCard &c : g.cards()) {
        records.append(c.record);
        slotCounts.append(c.slotCount);
    }
    QCOMPARE(records, QList<int>({1, 3, 4, 5, 6}));
    QCOMPARE(slotCounts, QList<int>({1, 3, 2, 1, 1}));

    // Day 4: 540-660, profit −10 (y = +24 at S = 500). Day 5 in thirds of 40 units.
    const QList<GraphShape> expected = {
        line(540, 0, 660, 24, Series::Profit),      line(540, 13, 660, 37, Series::Profit),
        line(660, 24, 700, 0, Series::Profit),      line(660, 37, 700, 13, Series::Profit),
        line(700, 0, 740, -48, Series::Profit),     line(700, 13, 740, -35, Series::Profit),
        line(740, -48, 780, -120, Series::Profit),  line(740, -35, 780, -107, Series::Profit),
        line(780, -120, 900, -120, Series::Profit), line(780, -107, 900, -107, Series::Profit),
    };
    // Day 4 is not day 1: dashes at zero from 200 first (200 … 500, the last ending 525).
    QCOMPARE(g.shapes().mid(0, 7), dashes(200, 0, 7, Series::Profit));
    QCOMPARE(g.shapes().mid(7), expected);
}

void TestMonthGraph::runningTotalsAndScale() {
    // 300 in / 900 out, then 250 in / 0 out: running profit 600 then 350, M = 900.
    const QList<CardRecord> cards = {dayCard(5, 1, 300, 900), dayCard(5, 2, 250, 0)};
    const MonthGraph g(cards, 1999, 5, allOn(), false);
    QCOMPARE(g.largest(), 900);
    QCOMPARE(g.scale().full, 1000);
    QCOMPARE(g.scale().outer, u"10"_s);
    QCOMPARE(g.scale().inner, u"5"_s);
    // 1.2 units per hundred yen; investment downwards, cash-out and profit upwards.
    const QList<GraphShape> expected = {
        line(180, 0, 300, 360, Series::Investment),    line(180, 13, 300, 373, Series::Investment),
        line(180, 0, 300, -1080, Series::CashOut),     line(180, 13, 300, -1067, Series::CashOut),
        line(180, 0, 300, -720, Series::Profit),       line(180, 13, 300, -707, Series::Profit),
        line(300, 360, 420, 660, Series::Investment),  line(300, 373, 420, 673, Series::Investment),
        line(300, -1080, 420, -1080, Series::CashOut), line(300, -1067, 420, -1067, Series::CashOut),
        line(300, -720, 420, -420, Series::Profit),    line(300, -707, 420, -407, Series::Profit),
    };
    QCOMPARE(g.shapes(), expected);
    QCOMPARE(g.investmentText(), u"55000"_s);
    QCOMPARE(g.cashOutText(), u"90000"_s);
    QCOMPARE(g.profitText(), u"35000"_s);
    QCOMPARE(g.profitColour(), ViewColour::Blue);
}

void TestMonthGraph::scaleTable_data() {
    QTest::addColumn<qint64>("largest");
    QTest::addColumn<int>("full");
    QTest::addColumn<QString>("outer");
    QTest::addColumn<QString>("inner");
    QTest::newRow("0") << 0ll << 500 << u"5"_s << u"2.5"_s;
    QTest::newRow("500") << 500ll << 500 << u"5"_s << u"2.5"_s;
    QTest::newRow("501") << 501ll << 1000 << u"10"_s << u"5"_s;
    QTest::newRow("1000") << 1000ll << 1000 << u"10"_s << u"5"_s;
    QTest::newRow("1001") << 1001ll << 2000 << u"20"_s << u"10"_s;
    QTest::newRow("4000") << 4000ll << 4000 << u"40"_s << u"20"_s;
    QTest::newRow("8000") << 8000ll << 8000 << u"80"_s << u"40"_s;
    QTest::newRow("8001") << 8001ll << 16000 << u"160"_s << u"80"_s;
    QTest::newRow("beyond") << 40000ll << 16000 << u"160"_s << u"80"_s;
}

void TestMonthGraph::scaleTable() {
    QFETCH(qint64, largest);
    const GraphScale s = MonthGraph::scaleFor(largest);
    QTEST(s.full, "full");
    QTEST(s.outer, "outer");
    QTEST(s.inner, "inner");

    // The month finds M from a loss as well: a lone investment of `largest` hundreds
    // makes running investment and running profit reach it.
    if (largest >= 1 && largest <= 9999) {
        const MonthGraph g({dayCard(5, 1, int(largest), 0)}, 1999, 5, onlyProfit(), false);
        QCOMPARE(g.largest(), largest);
        QTEST(g.scale().full, "full");
    }
}

void TestMonthGraph::markedCard() {
    QList<CardRecord> cards = {dayCard(5, 1, 100, 0), dayCard(5, 1, 0, 400), dayCard(5, 2, 50, 0)};
    cards[1].markCandidate();
    const MonthGraph g(cards, 1999, 5, onlyProfit(), false);
    QCOMPARE(g.cards().size(), 2);
    QCOMPARE(g.cards()[0].slotCount, 1); // the marked card does not share day 1's slot
    QCOMPARE(g.investmentText(), u"15000"_s);
    QCOMPARE(g.cashOutText(), u"0"_s);
    QCOMPARE(g.profitText(), u"-15000"_s);
    QCOMPARE(g.profitColour(), ViewColour::Red);
    const QList<GraphShape> expected = {
        line(180, 0, 300, 240, Series::Profit),
        line(180, 13, 300, 253, Series::Profit),
        line(300, 240, 420, 360, Series::Profit),
        line(300, 253, 420, 373, Series::Profit),
    };
    QCOMPARE(g.shapes(), expected);
}

void TestMonthGraph::dashesBetweenDays() {
    // Day 3, then day 6 after a gap; profit +100 (y = −240) on day 3.
    const MonthGraph g({dayCard(5, 3, 0, 100), dayCard(5, 6, 0, 0)}, 1999, 5, onlyProfit(), false);
    QList<GraphShape> expected = dashes(200, 0, 5, Series::Profit); // 400-425 overshoots day 3 (420)
    expected += {line(420, 0, 540, -240, Series::Profit), line(420, 13, 540, -227, Series::Profit)};
    expected += dashes(540, -240, 5, Series::Profit); // the last from 740, as 790 > 780
    expected += {line(780, -240, 900, -240, Series::Profit), line(780, -227, 900, -227, Series::Profit)};
    QCOMPARE(g.shapes(), expected);

    // Consecutive days from day 1 need none.
    const MonthGraph c({dayCard(5, 1, 0, 100), dayCard(5, 2, 0, 0)}, 1999, 5, onlyProfit(), false);
    QCOMPARE(c.shapes().size(), 4);
}

void TestMonthGraph::extensionToMonthEnd() {
    QVERIFY(MonthGraph::extendsToMonthEnd(5, 1999, QDate(1999, 6, 10)));
    QVERIFY(!MonthGraph::extendsToMonthEnd(6, 1999, QDate(1999, 6, 10))); // still running
    QVERIFY(!MonthGraph::extendsToMonthEnd(5, 1998, QDate(1999, 6, 10))); // another year's diary

    // Last card on day 6 (x = 780): dashes from 900, k up to 3732 − 900, so 57 strokes.
    const MonthGraph g({dayCard(5, 1, 0, 100), dayCard(5, 6, 0, 0)}, 1999, 5, onlyProfit(), true);
    const QList<GraphShape> tail = dashes(900, -240, 57, Series::Profit);
    QCOMPARE(g.shapes().mid(g.shapes().size() - 57), tail);
    QCOMPARE(g.shapes().last().x1, 3700.0);

    // An empty month: only the dashed zero levels of the graphs that are on, from 120.
    GraphSettings two;
    two.cashOut = true;
    const MonthGraph e({dayCard(4, 1, 10, 10)}, 1999, 5, two, true);
    QVERIFY(e.cards().isEmpty());
    QCOMPARE(e.shapes(), dashes(120, 0, 73, Series::CashOut) + dashes(120, 0, 73, Series::Profit));
    QCOMPARE(e.profitText(), u"0"_s);
    QCOMPARE(e.profitColour(), ViewColour::Black);
    QVERIFY(MonthGraph({dayCard(4, 1, 10, 10)}, 1999, 5, two, false).shapes().isEmpty());
}

void TestMonthGraph::bars() {
    // Two cards sharing day 2 (60 units each): boxes from the zero line to each new level.
    const MonthGraph g({dayCard(5, 1, 0, 0), dayCard(5, 2, 100, 0), dayCard(5, 2, 0, 300)}, 1999, 5,
                       allOn(true), false);
    auto box = [](double x1, double x2, double y, ViewColour c, Series s) {
        return GraphShape{GraphShape::Box, x1, 0, x2, y, c, s};
    };
    const QList<GraphShape> expected = {
        box(180, 300, 0, ViewColour::Brown, Series::Investment),
        box(180, 300, 0, ViewColour::Yellow, Series::CashOut),
        box(180, 300, 0, ViewColour::Navy, Series::Profit),
        box(300, 360, 240, ViewColour::Brown, Series::Investment),
        box(300, 360, 0, ViewColour::Yellow, Series::CashOut),
        box(300, 360, 240, ViewColour::Navy, Series::Profit),
        box(360, 420, 240, ViewColour::Brown, Series::Investment),
        box(360, 420, -720, ViewColour::Yellow, Series::CashOut),
        box(360, 420, -480, ViewColour::Navy, Series::Profit),
    };
    QCOMPARE(g.shapes(), expected);
}

void TestMonthGraph::totalsAndSettings() {
    // All graphs off: nothing drawn, the totals still count every card.
    GraphSettings off;
    off.profit = false;
    const MonthGraph g({dayCard(5, 1, 100, 100), dayCard(5, 9, 20, 20)}, 1999, 5, off, true);
    QVERIFY(g.shapes().isEmpty());
    QCOMPARE(g.investmentText(), u"12000"_s);
    QCOMPARE(g.profitText(), u"0"_s);
    QCOMPARE(g.profitColour(), ViewColour::Black);
    QCOMPARE(g.yearText(), u"1999"_s);
    QCOMPARE(g.monthText(), u"5"_s);

    QCOMPARE(GraphSettings::caption(Series::Profit, true), u"損益額加算グラフ [ON]"_s);
    QCOMPARE(GraphSettings::caption(Series::CashOut, false), u"換金額加算グラフ"_s);
    QCOMPARE(GraphSettings::caption(Series::Investment, true), u"投資額加算グラフ [ON]"_s);
    QCOMPARE(GraphSettings::styleCaption(true), u"棒グラフ"_s);
    QCOMPARE(GraphSettings::styleCaption(false), u"線グラフ"_s);
    const GraphSettings initial;
    QVERIFY(!initial.investment && !initial.cashOut && initial.profit && !initial.bars);
}

TAMA_TEST_MAIN(TestMonthGraph)
#include "tst_monthgraph.moc"
