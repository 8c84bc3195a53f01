#include "card/diarystate.h"
#include "reports/monthgraphmodel.h"
#include "store/record.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QDir>
#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::makeCard;
using Series = GraphSettings::Series;

Q_DECLARE_METATYPE(GraphSettings::Series)

namespace {

CardRecord card(const char *date, const char *investment = "0100") {
    return makeCard(
        {.date = QString::fromLatin1(date) + u"土"_s, .investment = QString::fromLatin1(investment)});
}

} // namespace

class TestMonthGraphModel : public QObject {
    Q_OBJECT

  private slots:
    void captionsFollowTheSettings_data() {
        QTest::addColumn<Series>("series");
        QTest::addColumn<QString>("offCaption");
        QTest::addColumn<QString>("onCaption");
        QTest::addColumn<bool>("onAtFirst");
        QTest::newRow("投資額") << Series::Investment << u"投資額加算グラフ"_s << u"投資額加算グラフ [ON]"_s
                                << false;
        QTest::newRow("換金額") << Series::CashOut << u"換金額加算グラフ"_s << u"換金額加算グラフ [ON]"_s
                                << false;
        QTest::newRow("損益額") << Series::Profit << u"損益額加算グラフ"_s << u"損益額加算グラフ [ON]"_s
                                << true;
    }
    void captionsFollowTheSettings() {
        QFETCH(Series, series);
        QFETCH(QString, offCaption);
        QFETCH(QString, onCaption);
        QFETCH(bool, onAtFirst);
        MonthGraphModel m;
        QSignalSpy changed(&m, &MonthGraphModel::settingsChanged);
        QCOMPARE(m.caption(series), onAtFirst ? onCaption : offCaption);
        m.toggle(series);
        QCOMPARE(m.settings().isOn(series), !onAtFirst);
        QCOMPARE(m.caption(series), onAtFirst ? offCaption : onCaption);
        m.toggle(series);
        QCOMPARE(m.caption(series), onAtFirst ? onCaption : offCaption);
        QCOMPARE(changed.count(), 2);
        // The other series stay as they were.
        for (Series other : {Series::Investment, Series::CashOut, Series::Profit})
            if (other != series) QCOMPARE(m.settings().isOn(other), GraphSettings().isOn(other));

        QCOMPARE(m.styleCaption(), u"線グラフ"_s);
        m.toggleStyle();
        QVERIFY(m.settings().bars);
        QCOMPARE(m.styleCaption(), u"棒グラフ"_s);
    }

    // The month drawn is the one at the scroller's place, with the settings in use.
    void drawsTheMonthAtThePlace() {
        MonthGraphModel m;
        QSignalSpy moved(&m, &MonthGraphModel::positionChanged);
        m.setCards({card("19990310"), card("19990520", "0300"), card("19990521")}, 1999);
        const MonthSpan span = m.span(2000, 1);
        QCOMPARE(span.span, 3);
        m.setPosition(3);
        m.setPosition(3);
        QCOMPARE(moved.count(), 1);
        GraphSettings bars;
        bars.bars = true;
        m.setSettings(bars);
        const auto g = m.graph(span, QDate(2000, 1, 15));
        QCOMPARE(g->month(), 5);
        QCOMPARE(g->investmentText(), u"40000"_s);
        QVERIFY(std::any_of(g->shapes().begin(), g->shapes().end(),
                            [](const GraphShape &s) { return s.kind == GraphShape::Box; }));
        // In the diary's own year the graphs are carried on to the month's end.
        QVERIFY(m.graph(span, QDate(1999, 12, 1))->shapes().size() > g->shapes().size());
    }

    // Each month as the whole diary gives it: cards out of date order, runs of a day
    // broken by another month's card, a marked card.
    void monthsAsFromTheWholeDiary() {
        CardRecord marked = card("19990501");
        marked.markCandidate();
        const QList<CardRecord> cards = {
            card("19990501", "0100"), card("19990601"), card("19990501", "0200"), marked,
            card("19990501", "0300"), card("19990502"), card("19990430"),         card("19990601")};
        MonthGraphModel m;
        m.setCards(cards, 1999);
        const MonthSpan span = m.span(0, 0);
        for (int place = span.minimum(); place <= span.maximum(); ++place) {
            m.setPosition(place);
            const auto [year, month] = MonthGraph::monthAt(span, place);
            const QList<MonthCard> expected = MonthGraph::monthCards(cards, year, month);
            const QList<MonthCard> got = m.graph(span, QDate(2000, 1, 1))->cards();
            QCOMPARE(got.size(), expected.size());
            for (qsizetype i = 0; i < got.size(); ++i) {
                QCOMPARE(got[i].record, expected[i].record);
                QCOMPARE(got[i].slotCount, expected[i].slotCount);
                QCOMPARE(got[i].investment, expected[i].investment);
            }
        }
        m.setPosition(1);
        QCOMPARE(m.graph(span, QDate(2000, 1, 1))->cards().size(), 4); // May, the marked card left out
        QCOMPARE(m.graph(span, QDate(2000, 1, 1))->cards().first().slotCount, 3);
    }

    // Without a card the span is the month entered on the card screen.
    void noCardSpansTheEntryMonth() {
        MonthGraphModel m;
        m.setCards({card("19990310")}, 1999);
        m.setCards({}, 1999);
        const MonthSpan s = m.span(1999, 7);
        QCOMPARE(s.span, 1);
        QCOMPARE(MonthGraph::monthAt(s, 1), std::make_pair(1999, 7));
    }

    void loadsTheDiaryInUse() {
        test::TempFolder folder;
        DiaryState state(folder.path());
        state.open(u"taro"_s, 1999);
        test::writeDiary(folder.path(), state.diaryFile(), {card("19990310"), card("19990410")});
        MonthGraphModel m;
        QSignalSpy changed(&m, &MonthGraphModel::cardsChanged);
        m.load(state);
        QCOMPARE(m.cardCount(), 2);
        QCOMPARE(m.diaryYear(), 1999);
        QCOMPARE(m.span(0, 0).span, 2);
        QCOMPARE(changed.count(), 1);

        // A diary that cannot be read leaves no card of the one before.
        state.open(u"jiro"_s, 1998);
        QVERIFY(QDir(folder.path()).mkdir(state.diaryFile()));
        QVERIFY(test::storeErrorKind([&] { m.load(state); }) != -1);
        QCOMPARE(m.cardCount(), 0);
        QCOMPARE(m.diaryYear(), 1998);
        QCOMPARE(changed.count(), 2);
    }
};

TAMA_TEST_MAIN(TestMonthGraphModel)
#include "tst_monthgraphmodel.moc"
