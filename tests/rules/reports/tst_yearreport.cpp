#include "reports/textcells.h"
#include "reports/yearreport.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QRandomGenerator>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::CardValues;
using tama::test::digits4;
using tama::test::makeCard;

namespace {

CardRecord card(const QString &category, const QString &dayType, int investment, int cashOut,
                const QString &start = u"1000"_s, const QString &end = u"1230"_s,
                const QString &store = u"本店"_s) {
    return makeCard({.start = start,
                     .end = end,
                     .store = store,
                     .category = category,
                     .investment = digits4(investment),
                     .cashOut = digits4(cashOut),
                     .dayType = dayType});
}

QStringList row(const YearReport &r, ReportCell ReportColumn::*cell) {
    QStringList out;
    for (const ReportColumn &c : r.columns())
        out.append((c.*cell).text);
    return out;
}

QList<ViewColour> colours(const YearReport &r, ReportCell ReportColumn::*cell) {
    QList<ViewColour> out;
    for (const ReportColumn &c : r.columns())
        out.append((c.*cell).colour);
    return out;
}

const QString kNone = u"-----"_s;

bool sameColumns(const YearReport &a, const YearReport &b) {
    if (a.columns().size() != b.columns().size()) return false;
    for (qsizetype i = 0; i < a.columns().size(); ++i) {
        const ReportColumn &x = a.columns()[i], &y = b.columns()[i];
        if (x.investment != y.investment || x.cashOut != y.cashOut || x.count != y.count ||
            x.minutes != y.minutes || !(x.rate == y.rate) || !(x.hourly == y.hourly) || !(x.hours == y.hours))
            return false;
    }
    return true;
}

} // namespace

class TestYearReport : public QObject {
    Q_OBJECT

  private slots:
    void awardLine();
    void awards();
    void table();
    void emptyDiary();
    void codesOutsideTheTables();
    void fixedTexts();
    void builtACardAtATime();
};

void TestYearReport::awardLine() {
    // 3 May, new opening, 本店, Ｘ, 5,000 in and 17,300 out.
    const CardRecord c = makeCard({.date = u"19990503土"_s,
                                   .store = u"本店"_s,
                                   .category = u"2"_s,
                                   .model = u"Ｘ"_s,
                                   .investment = u"0050"_s,
                                   .cashOut = u"0173"_s,
                                   .dayType = u"222"_s});
    const QString expected = u"05/03"_s + u"  新規 "_s + u" 本店"_s + QString(16, u' ') + u" Ｘ"_s +
                             QString(20, u' ') + u"  +12300円"_s;
    QCOMPARE(YearReport::awardLine(c, 123), expected);
    QCOMPARE(YearReport(QList<CardRecord>{c}).awards()[1], expected);

    // Half-width names and long names keep the columns: the line always takes 66 cells.
    const CardRecord half = makeCard({.store = u"ABC"_s, .model = u"ｱｲｳ"_s, .dayType = u"444"_s});
    const QString h = YearReport::awardLine(half, 9999);
    QCOMPARE(h, u"05/03  新台  ABC"_s + QString(17, u' ') + u" ｱｲｳ"_s + QString(19, u' ') + u" +999900円"_s);
    const CardRecord full =
        makeCard({.store = u"ＡＢＣＤＥＦＧＨＩＪＫ"_s, .model = u"１２３４５６７８９０１２"_s});
    const QString f = YearReport::awardLine(full, 1);
    QCOMPARE(f, u"05/03  平常  ＡＢＣＤＥＦＧＨＩＪ １２３４５６７８９０１    +100円"_s);
    for (const QString &line : {expected, h, f})
        QCOMPARE(cells::width(line), 66);
}

void TestYearReport::awards() {
    QList<CardRecord> cards = {
        card(u"1"_s, u"111"_s, 100, 150, u"1000"_s, u"1230"_s, u"一号店"_s), // 羽根物 +50
        card(u"1"_s, u"111"_s, 100, 200, u"1000"_s, u"1230"_s, u"二号店"_s), // +100, first of the tie
        card(u"1"_s, u"111"_s, 0, 100, u"1000"_s, u"1230"_s, u"三号店"_s),   // +100, later: loses the tie
        card(u"4"_s, u"111"_s, 100, 10),                                     // 権利物: all losses
        card(u"4"_s, u"111"_s, 50, 50),                                      // and an even card
        card(u"5"_s, u"333"_s, 0, 1),                                        // 一般電役 +1
    };
    // A marked card counts like any other.
    cards.append(card(u"3"_s, u"222"_s, 0, 7));
    cards.last().markCandidate();

    const YearReport r(cards);
    QCOMPARE(r.awards().size(), 5);
    QVERIFY(r.awards()[0].contains(u"二号店"_s));
    QVERIFY(r.awards()[0].endsWith(u"  +10000円"_s));
    QCOMPARE(r.awards()[1], QString());
    QVERIFY(r.awards()[2].startsWith(u"05/03  新規 "_s));
    QVERIFY(r.awards()[2].endsWith(u"    +700円"_s));
    QCOMPARE(r.awards()[3], QString());
    QVERIFY(r.awards()[4].startsWith(u"05/03  新装 "_s));
    QVERIFY(r.awards()[4].endsWith(u"    +100円"_s));
    // The losing category is red.
    QCOMPARE(r.columns()[YearReport::Kenri].rate.text, u"40"_s);
    QCOMPARE(r.columns()[YearReport::Kenri].rate.colour, ViewColour::Red);
}

void TestYearReport::table() {
    QList<CardRecord> cards;
    // 羽根物: four cards of 10:00 to 12:30, 99.9 % recovered, ordinary days.
    for (int i = 0; i < 4; ++i)
        cards.append(card(u"1"_s, u"111"_s, 250, i == 0 ? 249 : 250));
    // デジパチ: 250 %, 7 h 28 min (7.46 h), new machines.
    cards.append(card(u"2"_s, u"444"_s, 100, 250, u"1000"_s, u"1728"_s));
    // ＣＲデジ: cash-out without investment, one hour, new opening.
    cards.append(card(u"3"_s, u"222"_s, 0, 50, u"1000"_s, u"1100"_s));
    // 権利物: even, no time, renovation.
    cards.append(card(u"4"_s, u"333"_s, 100, 100, u"1000"_s, u"1000"_s));

    const YearReport r(cards);
    QCOMPARE(r.columns().size(), 7);
    // Columns: 羽根物, デジパチ, ＣＲデジ, 権利物, 一般電役, 総合, 新規新装.
    QCOMPARE(row(r, &ReportColumn::rate),
             QStringList({u"99"_s, u"250"_s, u"0"_s, u"100"_s, kNone, u"116"_s, u"200"_s}));
    QCOMPARE(colours(r, &ReportColumn::rate),
             QList<ViewColour>({ViewColour::Red, ViewColour::Blue, ViewColour::Red, ViewColour::Black,
                                ViewColour::Red, ViewColour::Blue, ViewColour::Blue}));
    // −100 yen over 10 h; 15,000 over 448 min; 5,000 over 1 h; even; …
    QCOMPARE(row(r, &ReportColumn::hourly),
             QStringList({u"-10"_s, u"2008"_s, u"5000"_s, u"0"_s, kNone, u"1077"_s, u"2362"_s}));
    QCOMPARE(colours(r, &ReportColumn::hourly),
             QList<ViewColour>({ViewColour::Red, ViewColour::Blue, ViewColour::Blue, ViewColour::Black,
                                ViewColour::Black, ViewColour::Blue, ViewColour::Blue}));
    QCOMPARE(row(r, &ReportColumn::hours),
             QStringList({u"10"_s, u"7.4"_s, u"1"_s, u"0"_s, kNone, u"18.4"_s, u"8.4"_s}));
    for (ViewColour c : colours(r, &ReportColumn::hours))
        QCOMPARE(c, ViewColour::Black);

    // "111" counts in 総合 only, "444" in both.
    QCOMPARE(r.columns()[YearReport::Overall].count, 7);
    QCOMPARE(r.columns()[YearReport::Special].count, 3);
    QCOMPARE(r.columns()[YearReport::Hane].minutes, 600);

    // Hours are truncated to tenths toward zero, also below zero.
    const YearReport night({card(u"1"_s, u"111"_s, 10, 0, u"2300"_s, u"2230"_s)});
    QCOMPARE(night.columns()[YearReport::Hane].hours.text, u"-0.5"_s);
    QCOMPARE(night.columns()[YearReport::Hane].hourly.text, u"2000"_s); // a loss over negative hours
    const YearReport past({card(u"1"_s, u"111"_s, 10, 0, u"2300"_s, u" 100"_s)});
    QCOMPARE(past.columns()[YearReport::Hane].hours.text, u"-22"_s);
}

void TestYearReport::emptyDiary() {
    const YearReport r(QList<CardRecord>{});
    QCOMPARE(r.awards(), QStringList(5, QString()));
    QCOMPARE(row(r, &ReportColumn::rate), QStringList(7, kNone));
    QCOMPARE(row(r, &ReportColumn::hourly), QStringList(7, kNone));
    QCOMPARE(row(r, &ReportColumn::hours), QStringList(7, kNone));
    // An empty recovery rate reads as 0 and turns red; an empty hourly cell stays black.
    QCOMPARE(colours(r, &ReportColumn::rate), QList<ViewColour>(7, ViewColour::Red));
    QCOMPARE(colours(r, &ReportColumn::hourly), QList<ViewColour>(7, ViewColour::Black));
}

void TestYearReport::codesOutsideTheTables() {
    const YearReport r({
        card(u"9"_s, u"444"_s, 10, 30), // no category: no award, but all cards and new machines
        card(u" "_s, u"111"_s, 10, 40),
        card(u"2"_s, u"000"_s, 10, 20), // unknown day type: an ordinary day
        card(u"2"_s, u"   "_s, 10, 10),
    });
    QCOMPARE(r.columns()[YearReport::Overall].count, 4);
    QCOMPARE(r.columns()[YearReport::Special].count, 1);
    QCOMPARE(r.columns()[YearReport::Digi].count, 2);
    int inCategories = 0;
    for (int c = YearReport::Hane; c <= YearReport::Denyaku; ++c)
        inCategories += r.columns()[c].count;
    QCOMPARE(inCategories, 2);
    QVERIFY(r.awards()[1].startsWith(u"05/03  平常 "_s));
    QCOMPARE(YearReport::dayTypeLabel(u"000"_s), u"  平常 "_s);
    QCOMPARE(YearReport::dayTypeLabel(u"333"_s), u"  新装 "_s);
    for (int c : {0, 2, 3, 4})
        QCOMPARE(r.awards()[c], QString());
}

void TestYearReport::fixedTexts() {
    QCOMPARE(YearReport::caption(u"1999"_s), u"1999 年度評価レポート"_s);
    QCOMPARE(YearReport::sectionTitles(), QStringList({u"羽根物部門"_s, u"デジパチ部門"_s, u"ＣＲデジ部門"_s,
                                                       u"権利物部門"_s, u"一般電役部門"_s}));
    QStringList shown;
    for (int i : YearReport::displayOrder())
        shown.append(YearReport::columnHeads()[i]);
    QCOMPARE(shown, QStringList({u"羽根物"_s, u"デジパチ"_s, u"ＣＲデジ"_s, u"権利物"_s, u"一般電役"_s,
                                 u"新規新装"_s, u"総合"_s}));
}

// A report built with add() and finish() is the report of the whole list, for random
// diaries with ties, codes outside the tables and cards read back from a file.
void TestYearReport::builtACardAtATime() {
    QRandomGenerator rng(1999);
    const QStringList categories{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"9"_s, u" "_s};
    const QStringList dayTypes{u"111"_s, u"222"_s, u"333"_s, u"444"_s, u"000"_s, u"   "_s};
    for (int round = 0; round < 200; ++round) {
        QList<CardRecord> cards;
        const int n = rng.bounded(0, 60);
        for (int i = 0; i < n; ++i) {
            const int start = rng.bounded(0, 24 * 60), end = rng.bounded(0, 24 * 60);
            auto hhmm = [](int m) {
                return QString::number(m / 60).rightJustified(2, u' ') +
                       QString::number(m % 60).rightJustified(2, u'0');
            };
            cards.append(card(categories[rng.bounded(int(categories.size()))],
                              dayTypes[rng.bounded(int(dayTypes.size()))], rng.bounded(0, 6) * 50,
                              rng.bounded(0, 8) * 50, hhmm(start), hhmm(end), u"店"_s + QString::number(i)));
        }
        const YearReport whole(cards);
        YearReport built;
        for (const CardRecord &c : cards)
            built.add(c);
        built.finish();
        QVERIFY2(built.awards() == whole.awards(), qPrintable(QString::number(round)));
        QVERIFY2(sameColumns(built, whole), qPrintable(QString::number(round)));
        built.finish(); // a second finish changes nothing
        QVERIFY(built.awards() == whole.awards() && sameColumns(built, whole));

        // Counted independently: categories 1 to 5 by code, 総合 all, 新規新装 222/333/444;
        // the award goes to the first card of the best profit above 0.
        for (int k = 0; k < 5; ++k) {
            int count = 0;
            qint64 investment = 0, best = 0;
            int winner = -1;
            for (int i = 0; i < n; ++i) {
                if (cards[i].field(CardRecord::Category) != QString::number(k + 1)) continue;
                ++count;
                investment += cards[i].investmentYen() / 100;
                const qint64 profit = cards[i].profitYen() / 100;
                if (profit > best) {
                    best = profit;
                    winner = i;
                }
            }
            QCOMPARE(whole.columns()[k].count, count);
            QCOMPARE(whole.columns()[k].investment, investment);
            QCOMPARE(whole.awards()[k], winner < 0 ? QString() : YearReport::awardLine(cards[winner], best));
        }
        int special = 0;
        for (const CardRecord &c : cards)
            special += QStringList({u"222"_s, u"333"_s, u"444"_s}).contains(c.field(CardRecord::DayType));
        QCOMPARE(whole.columns()[YearReport::Overall].count, int(n));
        QCOMPARE(whole.columns()[YearReport::Special].count, special);
    }

    // Read back from a diary a card at a time.
    test::TempFolder tmp;
    QList<CardRecord> cards;
    for (int i = 0; i < 700; ++i)
        cards.append(card(categories[i % 7], dayTypes[i % 6], i % 13 * 20, i % 17 * 20, u"1000"_s, u"1230"_s,
                          u"店"_s + QString::number(i)));
    test::writeDiary(tmp.path(), u"taro.1999.dat"_s, cards);
    const DiaryFile diary(DataFolder(tmp.path()), u"taro.1999.dat"_s);
    YearReport built;
    diary.forEach([&](int, const CardRecord &c) { built.add(c); });
    built.finish();
    const YearReport whole(cards);
    QCOMPARE(built.awards(), whole.awards());
    QVERIFY(sameColumns(built, whole));
    QCOMPARE(built.columns()[YearReport::Overall].count, 700);
}

TAMA_TEST_MAIN(TestYearReport)
#include "tst_yearreport.moc"
