#include "card/playfigures.h"
#include "reports/diarystats.h"
#include "reports/monthcalendar.h"
#include "store/playdata.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::CardValues;
using tama::test::digits4;
using tama::test::makeCard;
using tama::test::TempFolder;

namespace {

const QString kWide(QChar(0x3000));

void writeDiary(const TempFolder &f, int year, const QList<CardRecord> &cards) {
    test::writeDiary(f.path(), DiaryFileName(u"taro"_s, year), cards);
}

CardRecord marked(CardRecord c) {
    c.markCandidate();
    return c;
}

CardRecord amounts(int investment, int cashOut, CardValues s = {}) {
    s.investment = digits4(investment);
    s.cashOut = digits4(cashOut);
    return makeCard(s);
}

struct Row {
    QString key;
    int visits;
    qint64 profit;
    bool operator==(const Row &) const = default;
};

QList<Row> rows(const DiaryStats &s) {
    QList<Row> out;
    for (const StatsGroup &g : s.groups())
        out.append({g.key, g.visits, g.profit()});
    return out;
}

// "key:visits" of every group in order.
QStringList keys(const DiaryStats &s) {
    QStringList out;
    for (const StatsGroup &g : s.groups())
        out.append(g.key + u':' + QString::number(g.visits));
    return out;
}

// Cards written "date profit" with the profit in hundreds of yen, as "19990503 -10".
QList<CardRecord> dayCards(const QStringList &lines) {
    QList<CardRecord> out;
    for (const QString &line : lines) {
        const QStringList parts = line.split(u' ');
        const int p = parts[1].toInt();
        out.append(amounts(p < 0 ? -p : 0, p > 0 ? p : 0, {.date = parts[0] + u"月"_s}));
    }
    return out;
}

QList<qint64> runsOf(const StatsGroup &g) {
    const DayRuns &r = g.dayRuns;
    return {r.maxDrawdown, r.currentDrawdown, r.longestWinStreak, r.longestLossStreak, r.currentStreak};
}

DiaryStats statsOf(const QList<CardRecord> &cards, StatsBy by, bool includeMarked = false, int year = 1999) {
    DiaryStats s(by, includeMarked);
    for (const CardRecord &c : cards)
        s.add(c, year);
    s.finish();
    return s;
}

// The exchange terms and 機種スペック of the worked example: 4 yen a ball, 28 balls per 100 yen,
// 1/319.6 with 5400 balls a hit.
HallTerms terms(double lend = 4) {
    HallTerms t;
    t.store = u"本店"_s;
    t.from = QDate(1999, 1, 1);
    t.lend = lend;
    t.exchange = 28;
    return t;
}

ModelSpec modelSpec() {
    ModelSpec m;
    m.category = 1;
    m.model = u"Ｘ"_s;
    m.probability = 319.6;
    m.payout = 5400;
    return m;
}

PlayInputs inputs(std::optional<qint64> spins, std::optional<qint64> own = {}, const QString &machine = {}) {
    PlayInputs p;
    p.spins = spins;
    p.ownBalls = own;
    p.machine = machine;
    return p;
}

// A card of the hand-worked table with its play data and the figures they give.
struct PlayCard {
    CardRecord card;
    std::optional<PlayInputs> play;
    std::optional<HallTerms> terms;
    std::optional<ModelSpec> modelSpec;
};

DiaryStats playStatsOf(const QList<PlayCard> &cards, StatsBy by, bool keepDays = false) {
    DiaryStats s(by, false);
    s.keepPlayDays(keepDays);
    for (const PlayCard &c : cards) {
        if (!c.play) {
            s.add(c.card, 1999);
            continue;
        }
        const PlayFigures f =
            playFigures({c.card.investmentYen(), c.card.cashOutYen(), *c.play, c.terms, c.modelSpec});
        s.add(c.card, 1999, *c.play, f);
    }
    s.finish();
    return s;
}

// 本店: the worked example (I 20,000, O 31,000, S 410, Bown 500: EV 2,955, luck 8,045),
// 150 spins with 250 own balls at 1 yen a ball (F · L = 10,000 + 250) without a 機種スペック, a
// machine number alone, and a card without play data. 支店: spins without the hall's
// terms. 東店: no play data at all. A marked card with play data is left out.
QList<PlayCard> handWorkedTable() {
    return {{amounts(200, 310), inputs(410, 500), terms(), modelSpec()},
            {amounts(100, 0), inputs(150, 250), terms(1), std::nullopt},
            {amounts(30, 10), inputs(std::nullopt, std::nullopt, u"123"_s), terms(), modelSpec()},
            {amounts(50, 50), std::nullopt, terms(), modelSpec()},
            {amounts(50, 0, {.store = u"支店"_s}), inputs(100), std::nullopt, modelSpec()},
            {amounts(10, 0, {.store = u"東店"_s}), std::nullopt, std::nullopt, std::nullopt},
            {marked(amounts(100, 0)), inputs(1000), terms(), modelSpec()}};
}

} // namespace

namespace QTest {
template <> char *toString(const Row &r) {
    return qstrdup(
        QStringLiteral("(%1, %2, %3)").arg(r.key).arg(r.visits).arg(r.profit).toUtf8().constData());
}
} // namespace QTest

class TestDiaryStats : public QObject {
    Q_OBJECT

  private slots:
    void roundingIsHalfAwayFromZero() {
        QCOMPARE(roundedDivision(5, 10), 1);
        QCOMPARE(roundedDivision(4, 10), 0);
        QCOMPARE(roundedDivision(-5, 10), -1);
        QCOMPARE(roundedDivision(-4, 10), 0);
        QCOMPARE(roundedDivision(15, -10), -2);
        QCOMPARE(tenthsText(794), u"79.4"_s);
        QCOMPARE(tenthsText(1000), u"100.0"_s);
        QCOMPARE(tenthsText(-5), u"-0.5"_s);
        QCOMPARE(tenthsText(0), u"0.0"_s);
    }

    // Each derived value worked out by hand from the sums.
    void derivedValuesOfAGroup() {
        StatsGroup g;
        g.addCard(15000, 4000, 150);  // -11000
        g.addCard(10000, 30000, 120); // +20000
        g.addCard(5000, 0, 45);       // -5000
        QCOMPARE(g.visits, 3);
        QCOMPARE(g.minutes, 315);
        QCOMPARE(g.profit(), 4000);
        // 34000 / 30000 = 113.33… %
        QCOMPARE(g.recoveryRateTenths(), std::optional<qint64>(1133));
        // 4000 yen in 5.25 hours = 761.9… → 761
        QCOMPARE(g.profitPerHour(), std::optional<qint64>(761));
        QCOMPARE(g.wins, 1);
        QCOMPARE(g.winRateTenths(), 333); // 33.33…
        QCOMPARE(g.bestProfit(), std::optional<qint64>(20000));
        QCOMPARE(g.worstProfit(), std::optional<qint64>(-11000));

        // 1 win of 16 is 6.25 % → 6.3.
        StatsGroup h;
        for (int i = 0; i < 16; ++i)
            h.addCard(100, i == 0 ? 200 : 0, 60);
        QCOMPARE(h.winRateTenths(), 63);
        QCOMPARE(h.profitPerHour(), std::optional<qint64>(-87)); // -1400 in 16 h = -87.5 → -87

        // A recovery rate that ends exactly on a half: 100 / 1600 = 6.25 % → 6.3.
        StatsGroup r;
        r.addCard(1600, 100, 0);
        QCOMPARE(r.recoveryRateTenths(), std::optional<qint64>(63));
        QCOMPARE(r.profitPerHour(), std::nullopt); // no time played
    }

    void noCardGivesZerosAndNothing() {
        const DiaryStats s = statsOf({}, StatsBy::Hall);
        QVERIFY(s.groups().isEmpty());
        const StatsGroup &t = s.total();
        QCOMPARE(t.visits, 0);
        QCOMPARE(t.minutes, 0);
        QCOMPARE(t.profit(), 0);
        QCOMPARE(t.recoveryRateTenths(), std::nullopt);
        QCOMPARE(t.profitPerHour(), std::nullopt);
        QCOMPARE(t.winRateTenths(), 0);
        QCOMPARE(t.bestProfit(), std::nullopt);
        QCOMPARE(t.worstProfit(), std::nullopt);
    }

    void markedCardsAreLeftOutUnlessAskedFor() {
        const QList<CardRecord> cards = {amounts(100, 300),
                                         marked(amounts(200, 0, {.date = u"20000102日"_s}))};
        const DiaryStats out = statsOf(cards, StatsBy::Month);
        QCOMPARE(rows(out), (QList<Row>{{u"1999-05"_s, 1, 20000}}));
        QCOMPARE(out.total().visits, 1);
        // The marked card's date is read as it was before the mark: R000 → 2000.
        const DiaryStats in = statsOf(cards, StatsBy::Month, true);
        QCOMPARE(rows(in), (QList<Row>{{u"1999-05"_s, 1, 20000}, {u"2000-01"_s, 1, -20000}}));
        QCOMPARE(in.total().profit(), 0);
        QCOMPARE(statsOf(cards, StatsBy::Weekday, true).groups().last().key, u"日"_s); // 2 Jan 2000
    }

    // Play past midnight is not corrected, as the yearly report counts it.
    void endBeforeStartSubtractsTime() {
        const QList<CardRecord> cards = {makeCard({.start = u"2300"_s, .end = u"0100"_s}),
                                         makeCard({.start = u"1000"_s, .end = u"1100"_s})};
        const DiaryStats s = statsOf(cards, StatsBy::Hall);
        QCOMPARE(s.total().minutes, -1320 + 60);
        QCOMPARE(s.total().profitPerHour(), std::nullopt);
        // Exactly zero minutes has no hourly figure either; one minute has.
        QCOMPARE(statsOf({makeCard({.start = u"1000"_s, .end = u"1000"_s})}, StatsBy::Hall)
                     .total()
                     .profitPerHour(),
                 std::nullopt);
        QCOMPARE(statsOf({makeCard({.start = u"1000"_s, .end = u"1001"_s})}, StatsBy::Hall)
                     .total()
                     .profitPerHour(),
                 std::optional<qint64>(-11000 * 60));
    }

    void unknownCategoryAndDayType() {
        const QList<CardRecord> cards = {makeCard({.category = u"3"_s, .dayType = u"333"_s}),
                                         makeCard({.category = u"9"_s, .dayType = u"999"_s}),
                                         makeCard({.category = u" "_s, .dayType = u"   "_s}),
                                         makeCard({.category = u"1"_s, .dayType = u"111"_s}),
                                         makeCard({.category = u"5"_s, .dayType = u"444"_s})};
        const DiaryStats byCategory = statsOf(cards, StatsBy::Category);
        QCOMPARE(keys(byCategory),
                 (QStringList{u"羽物:1"_s, u"ＣＲデジパチ:1"_s, u"一般電役、一般機:1"_s, u"不明:2"_s}));
        // Unknown day types count as ordinary days.
        QCOMPARE(keys(statsOf(cards, StatsBy::DayType)),
                 (QStringList{u"平常開店:3"_s, u"新装開店:1"_s, u"新台入替:1"_s}));
    }

    void zeroInvestmentHasNoRecoveryRate() {
        const DiaryStats s = statsOf({amounts(0, 250)}, StatsBy::Hall);
        const StatsGroup &g = s.groups().first();
        QCOMPARE(g.recoveryRateTenths(), std::nullopt);
        QCOMPARE(g.profitPerHour(), std::optional<qint64>(12500)); // 25000 yen in 2 hours
        QCOMPARE(g.winRateTenths(), 1000);
    }

    void oneCardGroupsHaveEqualBestAndWorst() {
        const DiaryStats s =
            statsOf({amounts(150, 40, {.model = u"Ｘ"_s}), amounts(100, 300, {.model = u"Ｙ"_s}),
                     amounts(100, 300, {.model = u"Ｙ"_s}), amounts(50, 50, {.model = u"Ｚ"_s})},
                    StatsBy::Model);
        QCOMPARE(rows(s), (QList<Row>{{u"Ｙ"_s, 2, 40000}, {u"Ｘ"_s, 1, -11000}, {u"Ｚ"_s, 1, 0}}));
        for (const StatsGroup &g : s.groups())
            if (g.visits == 1) QCOMPARE(g.best, g.worst);
        QCOMPARE(s.groups()[2].wins, 0); // breaking even is no win
    }

    // Halls trimmed of both spaces; equal visits ordered by key.
    void hallsAndModelsTrimmedAndOrdered() {
        const QList<CardRecord> cards = {
            makeCard({.store = kWide + u"本店"_s + kWide}),
            makeCard({.store = u" 本店"_s}),
            makeCard({.store = u"Ｂ館"_s}),
            makeCard({.store = u"Ａ館"_s}),
            makeCard({.store = u"Ａ館"_s}),
            makeCard({.store = u"Ｃ館"_s}),
            makeCard({.store = u"本店 "_s + kWide}),
        };
        QCOMPARE(rows(statsOf(cards, StatsBy::Hall)), (QList<Row>{{u"本店"_s, 3, -33000},
                                                                  {u"Ａ館"_s, 2, -22000},
                                                                  {u"Ｂ館"_s, 1, -11000},
                                                                  {u"Ｃ館"_s, 1, -11000}}));
    }

    void weekdayHourMonthFromTheDate() {
        const QList<CardRecord> cards = {
            // The stored weekday is wrong (3 May 1999 was a Monday); the date decides.
            makeCard({.date = u"19990503土"_s, .start = u" 930"_s}),
            makeCard({.date = u"19990509日"_s, .start = u"2200"_s}),
            makeCard({.date = u"19990230火"_s, .start = u"1000"_s}), // no such date
            makeCard({.date = u"1999AB01月"_s, .start = u"    "_s}),
            makeCard({.date = u"19991231金"_s, .start = u"1015"_s}),
        };
        QCOMPARE(keys(statsOf(cards, StatsBy::Weekday)),
                 (QStringList{u"月:1"_s, u"金:1"_s, u"日:1"_s, u"不明:2"_s}));
        QCOMPARE(keys(statsOf(cards, StatsBy::Hour)),
                 (QStringList{u"09:1"_s, u"10:2"_s, u"22:1"_s, u"不明:1"_s}));
        QCOMPARE(keys(statsOf(cards, StatsBy::Month)),
                 (QStringList{u"1999-05:2"_s, u"1999-12:1"_s, u"不明:2"_s}));
        // The year is the diary's, whatever the date holds.
        QCOMPARE(rows(statsOf(cards, StatsBy::Year, false, 2001)), (QList<Row>{{u"2001"_s, 5, -55000}}));
    }

    void severalYearsSkipMissingDiariesAndCreateNothing() {
        TempFolder f;
        writeDiary(f, 1999, {amounts(100, 300), marked(amounts(100, 0))});
        writeDiary(f, 2000, {}); // a diary without cards
        writeDiary(f, 2002,
                   {amounts(100, 0, {.date = u"20020105土"_s}), amounts(50, 60, {.date = u"20020106日"_s})});
        const QStringList before = f.files();
        const DataFolder folder(f.path());

        DiaryStats s = readStats(folder, u"taro"_s, 1997, 2003, StatsBy::Year, false);
        QCOMPARE(rows(s), (QList<Row>{{u"1999"_s, 1, 20000}, {u"2002"_s, 2, -9000}}));
        QCOMPARE(s.total().visits, 3);
        QCOMPARE(s.total().profit(), 11000);
        QCOMPARE(s.total().best, 20000);
        QCOMPARE(s.total().worst, -10000);
        QCOMPARE(f.files(), before);

        s = readStats(folder, u"taro"_s, 1999, 2002, StatsBy::Month, true);
        QCOMPARE(rows(s), (QList<Row>{{u"1999-05"_s, 2, 10000}, {u"2002-01"_s, 2, -9000}}));

        // Only years without any diary: nothing, and still nothing created.
        s = readStats(folder, u"taro"_s, 1990, 1998, StatsBy::Hall, true);
        QVERIFY(s.groups().isEmpty());
        QCOMPARE(s.total().visits, 0);
        QCOMPARE(f.files(), before);

        QCOMPARE(diaryYears(folder, u"taro"_s), (QList<int>{1999, 2000, 2002}));
        QCOMPARE(diaryYears(folder, u"hanako"_s), QList<int>{});
    }

    void diaryYearsOfAUserOnly() {
        TempFolder f;
        for (const QString &name : {u"taro.1999.dat"_s, u"taro.2004.dat"_s, u"taroo.2001.dat"_s,
                                    u"taro.20x1.dat"_s, u"taro.12345.dat"_s, u"ta.ro.2002.dat"_s})
            f.write(name, {});
        const DataFolder folder(f.path());
        QCOMPARE(diaryYears(folder, u"taro"_s), (QList<int>{1999, 2004}));
        QCOMPARE(diaryYears(folder, u"ta.ro"_s), (QList<int>{2002}));
        // The file name takes the first nine characters of the user name.
        f.write(u"abcdefghi.2010.dat"_s, {});
        QCOMPARE(diaryYears(folder, u"abcdefghijk"_s), (QList<int>{2010}));
    }

    void calendarOfAMonth() {
        MonthCalendar c(2000, 2, false);
        QCOMPARE(c.days().size(), 29); // a leap year
        QCOMPARE(c.firstColumn(), 1);  // 1 Feb 2000 was a Tuesday
        QCOMPARE(c.days()[0].weekday, u"火"_s);
        QCOMPARE(c.days()[5].weekday, u"日"_s);
        c.add(1, amounts(100, 0, {.date = u"20000131月"_s})); // another month
        c.add(2, amounts(100, 300, {.date = u"20000205土"_s}));
        c.add(3, marked(amounts(100, 900, {.date = u"20000205土"_s}))); // left out
        c.add(4, amounts(50, 0, {.date = u"20000205土"_s}));
        c.add(5, amounts(10, 0, {.date = u"20000229火"_s}));
        c.add(6, amounts(10, 0, {.date = u"20000230水"_s})); // no such day
        const CalendarDay &fifth = c.days()[4];
        QCOMPARE(fifth.visits, 2);
        QCOMPARE(fifth.investment, 15000);
        QCOMPARE(fifth.cashOut, 30000);
        QCOMPARE(fifth.profit(), 15000);
        QCOMPARE(fifth.firstCard, 2);
        QCOMPARE(c.days()[28].firstCard, 5);
        QCOMPARE(c.days()[3].firstCard, 0);
        QCOMPARE(c.days()[10].holiday, u"建国記念の日"_s);
        QCOMPARE(c.days()[9].holiday, QString());
        const CalendarDay t = c.total();
        QCOMPARE(t.visits, 3);
        QCOMPARE(t.profit(), 14000);

        MonthCalendar with(2000, 2, true);
        with.add(3, marked(amounts(100, 900, {.date = u"20000205土"_s})));
        QCOMPARE(with.days()[4].visits, 1);
        QCOMPARE(with.days()[4].firstCard, 3);
    }

    // A day opens on its earliest visit whatever the order of the cards in the file: "n
    // HHMM" is card n starting then.
    void calendarDayOpensItsEarliestVisit_data() {
        QTest::addColumn<QStringList>("cards");
        QTest::addColumn<int>("first");
        QTest::newRow("later card, earlier start") << QStringList{u"1 1400"_s, u"2  930"_s} << 2;
        QTest::newRow("minutes count") << QStringList{u"1 1030"_s, u"2 1015"_s} << 2;
        QTest::newRow("hour with or without zero") << QStringList{u"1  945"_s, u"2 0930"_s} << 2;
        QTest::newRow("equal starts, lower number") << QStringList{u"5 1000"_s, u"3 1000"_s} << 3;
        QTest::newRow("unreadable start last") << QStringList{u"1     "_s, u"2 2300"_s} << 2;
        QTest::newRow("none readable") << QStringList{u"4 ab  "_s, u"2     "_s} << 2;
    }

    void calendarDayOpensItsEarliestVisit() {
        QFETCH(QStringList, cards);
        QFETCH(int, first);
        MonthCalendar c(2000, 2, false);
        for (const QString &card : cards)
            c.add(card.section(u' ', 0, 0).toInt(),
                  makeCard({.date = u"20000205土"_s, .start = card.mid(2)}));
        QCOMPARE(c.days()[4].visits, int(cards.size()));
        QCOMPARE(c.days()[4].firstCard, first);
    }

    // Which cards each play figure sums, and when it is nothing; -1 stands for nothing.
    void playFiguresOfGroups_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QList<qint64>>("figures"); // cards, spins, rate in 1/100, EV, luck
        QTest::newRow("all four kinds") << u"本店"_s << QList<qint64>{3, 560, 1736, 2955, 8045};
        QTest::newRow("no terms") << u"支店"_s << QList<qint64>{1, 100, -1, -1, -1};
        QTest::newRow("no play data") << u"東店"_s << QList<qint64>{-1, -1, -1, -1, -1};
        QTest::newRow("total") << QString() << QList<qint64>{4, 660, 1736, 2955, 8045};
    }
    void playFiguresOfGroups() {
        QFETCH(QString, key);
        QFETCH(QList<qint64>, figures);
        const DiaryStats s = playStatsOf(handWorkedTable(), StatsBy::Hall);
        StatsGroup g = s.total();
        for (const StatsGroup &each : s.groups())
            if (each.key == key) g = each;
        QCOMPARE(g.key, key);
        const QList<std::optional<qint64>> got = {g.playCardCount(), g.spinCount(), g.spinRateHundredths(),
                                                  g.expectedValue(), g.luck()};
        QList<qint64> shown;
        for (const auto &v : got)
            shown.append(v.value_or(-1));
        QCOMPARE(shown, figures);
    }

    void hundredthsTexts() {
        QCOMPARE(hundredthsText(1736), u"17.36"_s);
        QCOMPARE(hundredthsText(1705), u"17.05"_s);
        QCOMPARE(hundredthsText(-5), u"-0.05"_s);
    }

    // Days in date order whatever the order of the cards, each day's cards added together,
    // only cards with complete figures.
    void playDaysRunningSums() {
        const QList<PlayCard> cards = {
            {amounts(200, 310, {.date = u"19990510月"_s}), inputs(410, 500), terms(), modelSpec()},
            {amounts(100, 0, {.date = u"19990503月"_s}), inputs(150), terms(), modelSpec()},
            {amounts(100, 0, {.date = u"19990503月"_s}), inputs(150), terms(), modelSpec()},
            {amounts(100, 500, {.date = u"19990504火"_s}), inputs(150), terms(), std::nullopt},
            {amounts(100, 0, {.date = u"19990532月"_s}), inputs(150), terms(), modelSpec()}};
        // 150 spins on 10,000 yen: 25 / 7 · (150 · 5400 / 319.6) − 10,000 = −948.5…
        QCOMPARE(playFigures({10000, 0, inputs(150), terms(), modelSpec()}).expectedValue, -949);
        QVERIFY(playStatsOf(cards, StatsBy::Hall).playDays().isEmpty()); // not kept unless asked
        const QList<PlayDay> days = playStatsOf(cards, StatsBy::Hall, true).playDays();
        QCOMPARE(days.size(), 2);
        QCOMPARE(days[0].date, QDate(1999, 5, 3));
        QCOMPARE(days[0].profit, -20000);
        QCOMPARE(days[0].runningExpectedValue, -949 * 2);
        QCOMPARE(days[1].date, QDate(1999, 5, 10));
        QCOMPARE(days[1].runningProfit, -20000 + 11000);
        QCOMPARE(days[1].runningExpectedValue, -949 * 2 + 2955);
    }

    // Without a database that opens, the play figures are nothing and the rest as before.
    void closedDatabaseLeavesPlayFiguresEmpty() {
        TempFolder f;
        writeDiary(f, 1999, {amounts(200, 310), amounts(100, 0, {.store = u"支店"_s})});
        f.write(PlayDatabase::fileName(), "not a database");
        const DataFolder folder(f.path());
        const PlayDatabase db(folder, PlayDatabase::Mode::ReadOnly);
        QVERIFY(!db.isOpen());
        const DiaryStats with = readStats(folder, u"taro"_s, 1999, 1999, StatsBy::Hall, false, nullptr, &db);
        const DiaryStats without = readStats(folder, u"taro"_s, 1999, 1999, StatsBy::Hall, false);
        QCOMPARE(rows(with), rows(without));
        QCOMPARE(with.total().visits, 2);
        QVERIFY(!with.total().playCardCount());
        QVERIFY(!with.total().spinRateHundredths());
    }

    // The rows are found by fingerprint and place among identical cards; a marked card
    // still counts toward its twins' places.
    void readStatsFindsEachCardsPlayRow() {
        TempFolder f;
        const CardRecord twin = amounts(200, 310);
        writeDiary(f, 1999, {marked(twin), twin, twin, amounts(100, 0, {.store = u"支店"_s})});
        const DataFolder folder(f.path());
        const QString diary = DiaryFileName(u"taro"_s, 1999);
        {
            PlayDatabase db(folder);
            QVERIFY2(db.isOpen(), qPrintable(db.reason()));
            db.setHallTerms(terms());
            db.setModelSpec(modelSpec());
            const DiaryKeys keys = DiaryKeys::ofDiary(folder, diary);
            QCOMPARE(keys.key(3).ordinal, 2);
            db.setPlay(diary, keys.key(1), inputs(9999), 1); // the marked twin, left out
            db.setPlay(diary, keys.key(3), inputs(410, 500), 3);
            db.setPlay(diary, keys.key(4), inputs(100), 4);
        }
        const PlayDatabase db(folder, PlayDatabase::Mode::ReadOnly);
        const DiaryStats s = readStats(folder, u"taro"_s, 1999, 1999, StatsBy::Hall, false, nullptr, &db);
        QCOMPARE(s.total().visits, 3);
        QCOMPARE(s.total().playCardCount(), 2);
        QCOMPARE(s.total().spinCount(), 510);
        QCOMPARE(s.total().expectedValue(), 2955); // only card 3 has complete figures
        QCOMPARE(s.total().luck(), 8045);
        const DiaryStats marked = readStats(folder, u"taro"_s, 1999, 1999, StatsBy::Hall, true, nullptr, &db);
        QCOMPARE(marked.total().spinCount(), 9999 + 510);
    }

    // Worked by hand from the cards played more than 0 minutes: profit X in T hours,
    // σ² = (1/N)(ΣX²/T − (ΣX)²/ΣT), the range μ ∓ 1.96 σ / √ΣT.
    void hourlySpread_data() {
        QTest::addColumn<QList<qint64>>("cards"); // profit, minutes, profit, minutes, …
        QTest::addColumn<qint64>("mean");         // -1: nothing
        QTest::addColumn<qint64>("sd");
        QTest::addColumn<qint64>("low");
        QTest::addColumn<qint64>("high");
        QTest::newRow("no card") << QList<qint64>{} << -1LL << -1LL << -1LL << -1LL;
        QTest::newRow("one card") << QList<qint64>{1000, 60} << 1000LL << -1LL << -1LL << -1LL;
        // Cards of 0 and of negative minutes take no part: one card is left.
        QTest::newRow("zero hours") << QList<qint64>{5000, 0, -3000, -60, 1000, 60} << 1000LL << -1LL << -1LL
                                    << -1LL;
        QTest::newRow("nothing but zero hours")
            << QList<qint64>{5000, 0, 2000, 0} << -1LL << -1LL << -1LL << -1LL;
        // ΣX = 1000 in 3 h, μ = 333.3; ΣX²/T = 4,000,000 + 500,000; σ² = (4,500,000 − 333,333.3) / 2
        // = 2,083,333.3, σ = 1443.4; half the range 1.96 · 1443.4 / √3 = 1633.3.
        QTest::newRow("two cards") << QList<qint64>{2000, 60, -1000, 120} << 333LL << 1443LL << -1300LL
                                   << 1967LL;
        // The same 1,000 yen an hour on both: no spread, and the range closes on μ.
        QTest::newRow("no spread") << QList<qint64>{1000, 60, 2000, 120} << 1000LL << 0LL << 1000LL << 1000LL;
        // ΣX = 21,000 in 6 h, μ = 3500; ΣX²/T = 57,600,000 + 60,500,000 + 266,666,666.7;
        // σ² = (384,766,666.7 − 73,500,000) / 3 = 103,755,555.6, σ = 10,186.05;
        // half the range 1.96 · 10,186.05 / √6 = 8150.5.
        QTest::newRow("three cards and one of no time")
            << QList<qint64>{12000, 150, -11000, 120, 7000, 0, 20000, 90} << 3500LL << 10186LL << -4651LL
            << 11651LL;
        // −100 yen in 40 h: μ = −2.5, halves away from zero.
        QTest::newRow("half a yen") << QList<qint64>{-100, 2400} << -3LL << -1LL << -1LL << -1LL;
    }
    void hourlySpread() {
        QFETCH(QList<qint64>, cards);
        QFETCH(qint64, mean);
        QFETCH(qint64, sd);
        QFETCH(qint64, low);
        QFETCH(qint64, high);
        StatsGroup g;
        for (qsizetype i = 0; i < cards.size(); i += 2)
            g.addCard(cards[i] < 0 ? -cards[i] : 0, cards[i] > 0 ? cards[i] : 0, int(cards[i + 1]));
        QCOMPARE(g.hourlyMean().value_or(-1), mean);
        QCOMPARE(g.sdPerHour().value_or(-1), sd);
        const std::optional<HourlyRange> r = g.hourlyCi95();
        QCOMPARE(r.has_value(), low != -1);
        if (r) QCOMPARE(*r, (HourlyRange{low, high}));
    }

    // The days of a group in date order, each day the sum of its cards.
    void drawdownsAndStreaks_data() {
        QTest::addColumn<QStringList>("cards");
        // max drawdown, current drawdown, longest win, longest loss, current streak
        QTest::addColumn<QList<qint64>>("runs");
        QTest::newRow("no card") << QStringList{} << QList<qint64>{0, 0, 0, 0, 0};
        // The start counts as a peak of 0.
        QTest::newRow("one losing card")
            << QStringList{u"19990503 -10"_s} << QList<qint64>{1000, 1000, 0, 1, -1};
        QTest::newRow("one winning card") << QStringList{u"19990503 20"_s} << QList<qint64>{0, 0, 1, 0, 1};
        // Totals 1000, 0, 1000, 500: back at the peak ends the fall; the last day's fall is
        // below the highest peak.
        QTest::newRow("ties at the peak")
            << QStringList{u"19990501 10"_s, u"19990502 -10"_s, u"19990503 10"_s, u"19990504 -5"_s}
            << QList<qint64>{1000, 500, 1, 1, -1};
        QTest::newRow("back at the peak")
            << QStringList{u"19990501 10"_s, u"19990502 -10"_s, u"19990503 10"_s}
            << QList<qint64>{1000, 0, 1, 1, 1};
        // Totals −500, −1200, −200, −2200 with 0 the peak; then 300 above it.
        QTest::newRow("below the start")
            << QStringList{u"19990501 -5"_s, u"19990502 -7"_s, u"19990503 10"_s, u"19990504 -20"_s}
            << QList<qint64>{2200, 2200, 1, 2, -1};
        // A day of 0 ends both runs.
        QTest::newRow("a zero visit between streaks")
            << QStringList{u"19990501 1"_s,  u"19990502 1"_s,  u"19990503 0"_s,  u"19990504 1"_s,
                           u"19990505 -1"_s, u"19990506 -1"_s, u"19990507 -1"_s, u"19990508 0"_s}
            << QList<qint64>{300, 300, 2, 3, 0};
        // +20,000, −30,000 and +5,000 on the 3rd are one losing day, not a win and a loss.
        QTest::newRow("several cards on one day")
            << QStringList{u"19990503 200"_s, u"19990503 -300"_s, u"19990504 -10"_s, u"19990503 50"_s}
            << QList<qint64>{6000, 6000, 0, 2, -2};
        // In date order +2000, +500, −1000; in card order they would end at the peak on a
        // run of two wins.
        QTest::newRow("cards out of date order")
            << QStringList{u"19990503 -10"_s, u"19990501 20"_s, u"19990502 5"_s}
            << QList<qint64>{1000, 1000, 2, 1, -1};
        // A card whose date cannot be read counts in the sums but has no day.
        QTest::newRow("unreadable date")
            << QStringList{u"19990501 10"_s, u"1999AB01 -50"_s, u"19990230 -50"_s}
            << QList<qint64>{0, 0, 1, 0, 1};
    }
    void drawdownsAndStreaks() {
        QFETCH(QStringList, cards);
        QFETCH(QList<qint64>, runs);
        const DiaryStats s = statsOf(dayCards(cards), StatsBy::Hall);
        QCOMPARE(runsOf(s.total()), runs);
        QCOMPARE(s.total().visits, cards.size());
        if (!cards.isEmpty()) QCOMPARE(runsOf(s.groups().first()), runs);
    }

    // 150 cards going back over May five times: every day still sums its five cards.
    void daysOfManyCardsInAnyOrder() {
        QStringList lines;
        for (int round = 0; round < 5; ++round)
            for (int d = 30; d >= 1; --d)
                lines.append(u"199905"_s + QString::number(d).rightJustified(2, u'0') + u' ' +
                             QString::number(d % 2 ? -d : d));
        const QList<DayResult> days = statsOf(dayCards(lines), StatsBy::Model).days();
        QCOMPARE(days.size(), 30);
        for (int d = 1; d <= 30; ++d) {
            QCOMPARE(days[d - 1].date, QDate(1999, 5, d));
            QCOMPARE(days[d - 1].profit, qint64(d % 2 ? -d : d) * 5 * 100);
        }
    }

    // Each group has its own days; the total's days go to the chart with their peak.
    void daysOfGroupsAndOfTheTotal() {
        const DiaryStats s =
            statsOf(dayCards({u"19990601 -30"_s, u"19990501 10"_s, u"19990502 -20"_s, u"19990602 50"_s}),
                    StatsBy::Month);
        QCOMPARE(s.groups().size(), 2);
        QCOMPARE(runsOf(s.groups()[0]), (QList<qint64>{2000, 2000, 1, 1, -1})); // May: 1000, −1000
        QCOMPARE(runsOf(s.groups()[1]), (QList<qint64>{3000, 0, 1, 1, 1}));     // June: −3000, 2000
        // Totals 1000, −1000, −4000, 1000.
        QCOMPARE(runsOf(s.total()), (QList<qint64>{5000, 0, 1, 2, 1}));
        const QList<DayResult> days = s.days();
        QCOMPARE(days.size(), 4);
        QCOMPARE(days[0].date, QDate(1999, 5, 1));
        QCOMPARE(days[2].date, QDate(1999, 6, 1));
        QCOMPARE(days[2].profit, -3000);
        QCOMPARE(days[2].runningTotal, -4000);
        QCOMPARE(days[2].peak, 1000);
        QCOMPARE(days[3].runningTotal, 1000);
        QCOMPARE(days[3].peak, 1000);
    }

    void calendarReadsOnlyExistingDiaries() {
        TempFolder f;
        writeDiary(
            f, 2001,
            {amounts(100, 300, {.date = u"20010301木"_s}), amounts(100, 300, {.date = u"20010302金"_s})});
        const QStringList before = f.files();
        const DataFolder folder(f.path());
        const MonthCalendar march = MonthCalendar::read(folder, u"taro"_s, 2001, 3, false);
        QCOMPARE(march.total().visits, 2);
        QCOMPARE(march.days()[1].firstCard, 2);
        QCOMPARE(march.firstColumn(), 3); // Thursday
        QCOMPARE(MonthCalendar::read(folder, u"taro"_s, 2005, 3, false).total().visits, 0);
        QCOMPARE(f.files(), before);
    }
};

TAMA_TEST_MAIN(TestDiaryStats)
#include "tst_diarystats.moc"
