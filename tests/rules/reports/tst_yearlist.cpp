#include "common/codec.h"
#include "reports/textcells.h"
#include "reports/yearlist.h"
#include "reports/yearlistfilter.h"
#include "store/catalogue.h"
#include "store/storefile.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::CardValues;
using tama::test::makeCard;

namespace {

const QChar kFull(0x3000);

QString fullBlanks(int n) {
    return QString(n, kFull);
}

QList<CardRecord> cardsOf(const QList<CardValues> &shapes) {
    QList<CardRecord> out;
    for (const CardValues &s : shapes)
        out.append(makeCard(s));
    return out;
}

YearListFilter filterOf(const QList<FilterEntry> &stores, const QList<FilterEntry> &models) {
    return YearListFilter(stores, models);
}

bool sameTotals(const YearListTotals &a, const YearListTotals &b) {
    return a.investment == b.investment && a.cashOut == b.cashOut && a.profit == b.profit &&
           a.minutes == b.minutes && a.investmentText == b.investmentText && a.cashOutText == b.cashOutText &&
           a.profitText == b.profitText && a.profitColour == b.profitColour && a.rateText == b.rateText &&
           a.rateColour == b.rateColour && a.perHourText == b.perHourText &&
           a.perHourColour == b.perHourColour;
}

bool sameLine(const YearListLine &a, const YearListLine &b) {
    return a.record == b.record && a.investmentYen == b.investmentYen && a.cashOutYen == b.cashOutYen &&
           a.profitYen == b.profitYen && a.minutes == b.minutes && a.text() == b.text() &&
           a.bounds() == b.bounds();
}

} // namespace

class TestYearList : public QObject {
    Q_OBJECT

  private slots:
    void exampleLine();
    void nameColumns();
    void wideRecordNumbers();
    void totals_data();
    void totals();
    void hoursOfPlay();
    void filterRule();
    void initialFilter();
    void builtACardAtATime();
};

void TestYearList::exampleLine() {
    // Record 12 of 3 May (a Saturday), 本店, Ｘ, 15,000 in, 4,000 out.
    QList<CardRecord> cards;
    for (int i = 0; i < 11; ++i)
        cards.append(makeCard({.store = u"他店"_s}));
    cards.append(makeCard({.date = u"19990503土"_s, .investment = u"0150"_s, .cashOut = u"0040"_s}));

    const YearList list(cards, YearListFilter::everything());
    QCOMPARE(list.lines().size(), 12);
    const YearListLine &l = list.lines().last();
    const QString expected = u"  12"_s + u"  05/03(土)"_s + u" 本店"_s + fullBlanks(8) + u" Ｘ"_s +
                             fullBlanks(10) + u"   15000"_s + u"    4000"_s + u"  -11000"_s;
    QCOMPARE(l.text(), expected);
    QCOMPARE(l.text().size(), 61);
    QCOMPARE(cells::width(l.text()), 83);
    QStringList columns;
    for (int c = 0; c < YearListLine::ColumnCount; ++c)
        columns.append(l.column(YearListLine::Column(c)).toString());
    QCOMPARE(columns, QStringList({u"  12"_s, u"  05/03(土)"_s, u" 本店"_s + fullBlanks(8),
                                   u" Ｘ"_s + fullBlanks(10), u"   15000"_s, u"    4000"_s, u"  -11000"_s}));
    QCOMPARE(l.record, 12);
    QCOMPARE(l.profitYen, -11000);
    QCOMPARE(list.lines().first().column(YearListLine::No), u"   1"_s);
    // The same line in code page 932: 83 bytes, one per cell.
    QCOMPARE(cp932::encode(l.text()).bytes.size(), 83);
}

void TestYearList::nameColumns() {
    const QList<CardRecord> cards = cardsOf({
        // Blanks around the store name go; the model keeps a leading blank of its own.
        {.store = u" 本店　"_s, .model = u"　Ｘ"_s},
        // Cut to 10 and 11 characters.
        {.store = u"ＡＢＣＤＥＦＧＨＩＪＫＬ"_s, .model = u"１２３４５６７８９０１２３"_s},
        // Half-width names written by other means still fill their columns.
        {.store = u"ABC"_s, .model = u"ｱｲ"_s},
        // A blank record.
        CardValues::blank(),
    });
    const YearList list(cards, YearListFilter::everything());
    const QList<YearListLine> &l = list.lines();
    QCOMPARE(l[0].column(YearListLine::Store), u" 本店"_s + fullBlanks(8));
    QCOMPARE(l[0].column(YearListLine::Model), u" 　Ｘ"_s + fullBlanks(9));
    QCOMPARE(l[1].column(YearListLine::Store), u" ＡＢＣＤＥＦＧＨＩＪ"_s);
    QCOMPARE(l[1].column(YearListLine::Model), u" １２３４５６７８９０１"_s);
    QCOMPARE(l[2].column(YearListLine::Store), u" ABC"_s + fullBlanks(8) + u' ');
    QCOMPARE(l[2].column(YearListLine::Model), u" ｱｲ"_s + fullBlanks(10));
    QCOMPARE(l[3].column(YearListLine::Date), u"    /  ( ) "_s);
    QCOMPARE(l[3].column(YearListLine::Investment), u"       0"_s);
    QCOMPARE(l[3].column(YearListLine::Profit), u"       0"_s);
    // Whatever the names, every line takes the same cells, so the columns stay aligned.
    for (const YearListLine &line : l)
        QCOMPARE(cells::width(line.text()), 83);
}

void TestYearList::wideRecordNumbers() {
    QList<CardRecord> cards;
    for (int i = 0; i < 1000; ++i)
        cards.append(makeCard({.store = i == 999 ? u"駅前"_s : u"本店"_s}));
    const YearList all(cards, YearListFilter::everything());
    QCOMPARE(all.noCells(), 5);
    QCOMPARE(all.lines().first().column(YearListLine::No), u"    1"_s);
    QCOMPARE(all.lines().last().column(YearListLine::No), u" 1000"_s);
    for (const YearListLine &l : all.lines())
        QCOMPARE(cells::width(l.text()), 84);

    // Listing only numbers below 1000 keeps the usual column.
    const YearList some(cards, filterOf({{u"本店"_s, true}}, {{u"Ｘ"_s, true}}));
    QCOMPARE(some.lines().size(), 999);
    QCOMPARE(some.noCells(), 4);
    QCOMPARE(some.lines().last().column(YearListLine::No), u" 999"_s);
}

void TestYearList::totals_data() {
    QTest::addColumn<qint64>("investment");
    QTest::addColumn<qint64>("cashOut");
    QTest::addColumn<qint64>("minutes");
    QTest::addColumn<QStringList>("texts");         // investment, cash-out, profit, rate, per hour
    QTest::addColumn<QList<ViewColour>>("colours"); // profit, rate, per hour

    using C = ViewColour;
    QTest::newRow("nothing listed") << 0ll << 0ll << 0ll
                                    << QStringList{u" 0"_s, u" 0"_s, u" 0"_s, u"0"_s, u"0"_s}
                                    << QList<C>{C::Blue, C::Black, C::Black};
    QTest::newRow("rate 99") << 10000ll << 9900ll << 120ll
                             << QStringList{u" 10000"_s, u" 9900"_s, u"-100"_s, u"99"_s, u"-50"_s}
                             << QList<C>{C::Red, C::Red, C::Red};
    QTest::newRow("rate 100") << 10000ll << 10000ll << 120ll
                              << QStringList{u" 10000"_s, u" 10000"_s, u" 0"_s, u"100"_s, u"0"_s}
                              << QList<C>{C::Blue, C::Blue, C::Blue};
    QTest::newRow("rate 250") << 10000ll << 25000ll << 180ll
                              << QStringList{u" 10000"_s, u" 25000"_s, u" 15000"_s, u"250"_s, u"5000"_s}
                              << QList<C>{C::Blue, C::Blue, C::Blue};
    // 2900 / 10000 × 100 is 28.999… in binary floating point; the rate is 29.
    QTest::newRow("rate 29 exactly") << 10000ll << 2900ll << 60ll
                                     << QStringList{u" 10000"_s, u" 2900"_s, u"-7100"_s, u"29"_s, u"-7100"_s}
                                     << QList<C>{C::Red, C::Red, C::Red};
    QTest::newRow("cash-out only") << 0ll << 500ll << 0ll
                                   << QStringList{u" 0"_s, u" 500"_s, u" 500"_s, u"0"_s, u"0"_s}
                                   << QList<C>{C::Blue, C::Black, C::Black};
    // −100 yen over 200 hours is −0.5 an hour: shown as 0, but below 0 and red.
    QTest::newRow("small loss per hour")
        << 100ll << 0ll << 12000ll << QStringList{u" 100"_s, u" 0"_s, u"-100"_s, u"0"_s, u"0"_s}
        << QList<C>{C::Red, C::Red, C::Red};
    QTest::newRow("loss over negative hours")
        << 11000ll << 0ll << -1200ll << QStringList{u" 11000"_s, u" 0"_s, u"-11000"_s, u"0"_s, u"550"_s}
        << QList<C>{C::Red, C::Red, C::Blue};
}

void TestYearList::totals() {
    QFETCH(qint64, investment);
    QFETCH(qint64, cashOut);
    QFETCH(qint64, minutes);
    QFETCH(QStringList, texts);
    QFETCH(QList<ViewColour>, colours);
    const YearListTotals t = YearListTotals::compute(investment, cashOut, minutes);
    QCOMPARE(QStringList({t.investmentText, t.cashOutText, t.profitText, t.rateText, t.perHourText}), texts);
    QCOMPARE(QList<ViewColour>({t.profitColour, t.rateColour, t.perHourColour}), colours);
}

void TestYearList::hoursOfPlay() {
    // 9:30 to 14:05, 10:00 to 12:30, and 23:00 to 1:00 past midnight (−22 hours).
    const QList<CardRecord> cards = cardsOf({
        {.start = u" 930"_s, .end = u"1405"_s, .investment = u"0050"_s, .cashOut = u"0000"_s},
        {.start = u"1000"_s, .end = u"1230"_s, .investment = u"0000"_s, .cashOut = u"0000"_s},
        {.start = u"2300"_s, .end = u" 100"_s, .investment = u"0000"_s, .cashOut = u"0000"_s},
    });
    const YearList list(cards, YearListFilter::everything());
    QCOMPARE(list.lines()[0].minutes, 275);
    QCOMPARE(list.lines()[1].minutes, 150);
    QCOMPARE(list.lines()[2].minutes, -1320);
    const YearListTotals &t = list.totals();
    QCOMPARE(t.minutes, -895);
    QCOMPARE(t.profitText, u"-5000"_s);
    QCOMPARE(t.profitColour, ViewColour::Red);
    // −5000 / (−895 / 60) = 335.19…: a loss over negative hours reads as a gain.
    QCOMPARE(t.perHourText, u"335"_s);
    QCOMPARE(t.perHourColour, ViewColour::Blue);

    // Only the listed cards count.
    const YearList none(cards, filterOf({}, {{u"Ｘ"_s, true}}));
    QVERIFY(none.lines().isEmpty());
    QCOMPARE(none.totals().minutes, 0);
    QCOMPARE(none.totals().investmentText, u" 0"_s);
}

void TestYearList::filterRule() {
    const YearListFilter f =
        filterOf({{u"本店"_s, true}, {u"駅前"_s, false}, {u"新町店  "_s, true}},
                 {{u"Ｘ"_s, true}, {u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯ"_s, true}, {u"Ｙ"_s, false}});
    const QList<CardRecord> cards = cardsOf({
        {.store = u"本店"_s},                   // 1 passes
        {.store = u"駅前"_s},                   // 2 store not selected
        {.store = u"本店　　　"_s},             // 3 full-width fill, as registered again
        {.store = u"新町店"_s},                 // 4 the entry's trailing blanks go
        {.store = u"本店"_s, .model = u"Ｙ"_s}, // 5 model not selected
        {.store = u"本店"_s, .model = u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰ"_s}, // 6 first 15 match
        {.store = u"本店Ａ"_s},                                               // 7 no such entry
        {.store = u"本"_s},                                                   // 8 no prefix match
        {.store = QString(), .model = QString()},                             // 9 blank
    });
    QList<int> listed;
    const YearList list(cards, f);
    for (const YearListLine &l : list.lines())
        listed.append(l.record);
    QCOMPARE(listed, QList<int>({1, 3, 4, 6}));

    // A blank card passes only where an empty entry is selected.
    const YearListFilter blanks = filterOf({{QString(), true}}, {{QString(), true}});
    QCOMPARE(YearList(cards, blanks).lines().size(), 1);
    QCOMPARE(YearList(cards, blanks).lines().first().record, 9);

    // Nothing selected, nothing listed; no filter, everything listed.
    QCOMPARE(YearList(cards, filterOf({{u"本店"_s, false}}, {{u"Ｘ"_s, true}})).lines().size(), 0);
    QCOMPARE(YearList(cards, YearListFilter::everything()).lines().size(), cards.size());
    QVERIFY(!YearListFilter::everything().filters());
}

void TestYearList::initialFilter() {
    test::TempFolder tmp;
    const DataFolder folder(tmp.path());

    // An empty data folder: empty lists, and nothing passes.
    const YearListFilter empty = YearListFilter::initial(folder);
    QVERIFY(empty.stores().isEmpty());
    QVERIFY(empty.models().isEmpty());
    QVERIFY(!empty.passes(makeCard({})));

    StoreFile stores(folder);
    stores.add(u"駅前"_s);
    stores.add(u"本店"_s);
    auto addModel = [&](const QString &code, const QString &name) {
        ModelCatalogue(folder, *categoryByCardCode(code)).add(name);
    };
    addModel(u"1"_s, u"ｂ"_s); // 羽物
    addModel(u"3"_s, u"Ｃ"_s); // ＣＲデジパチ
    addModel(u"3"_s, u"Ａ"_s);
    addModel(u"5"_s, u"ｂ"_s); // the same name in another category is listed again
    addModel(u"2"_s, u"ｱ"_s);  // デジパチ, stored full-width

    const YearListFilter f = YearListFilter::initial(folder);
    QCOMPARE(f.stores(), QList<FilterEntry>({{u"駅前"_s, true}, {u"本店"_s, true}}));
    // Ascending without regard to case: ア, Ａ, ｂ, ｂ, Ｃ (kana before full-width letters).
    QCOMPARE(f.models(),
             QList<FilterEntry>(
                 {{u"ア"_s, true}, {u"Ａ"_s, true}, {u"ｂ"_s, true}, {u"ｂ"_s, true}, {u"Ｃ"_s, true}}));
    QVERIFY(f.passes(makeCard({.store = u"本店"_s, .model = u"Ｃ"_s})));
    QVERIFY(!f.passes(makeCard({.store = u"本店"_s, .model = u"Ｘ"_s})));

    QCOMPARE(YearListFilter::categoryEntries(),
             QStringList({u"羽物"_s, u"デジパチ"_s, u"ＣＲデジパチ"_s, u"権利物"_s, u"一般電役"_s}));
    // Only ＣＲデジパチ selected: the models of its catalogue alone.
    QCOMPARE(YearListFilter::modelEntries(folder, {false, false, true, false, false}),
             QStringList({u"Ａ"_s, u"Ｃ"_s}));
    QCOMPARE(YearListFilter::modelEntries(folder, {true, false, false, false, true}),
             QStringList({u"ｂ"_s, u"ｂ"_s}));
    QVERIFY(YearListFilter::modelEntries(folder, QList<bool>(5, false)).isEmpty());
}

// Built with add() and finish() from any card-count hint, the list is the list of all
// cards at once: the No column as wide as the largest number listed needs, however
// wide the hint made it while the cards were added.
void TestYearList::builtACardAtATime() {
    // 本店 up to 999, 支店 from 1000 to 9999, 駅前 at 10000.
    auto storeOf = [](int n) { return n <= 999 ? u"本店"_s : n <= 9999 ? u"支店"_s : u"駅前"_s; };
    QList<CardRecord> all;
    for (int n = 1; n <= 10000; ++n)
        all.append(makeCard({.start = u"1000"_s,
                             .end = n % 3 ? u"1200"_s : u"1345"_s,
                             .store = storeOf(n),
                             .investment = test::digits4(n % 97),
                             .cashOut = test::digits4(n * 7 % 151)}));

    const FilterEntry x{u"Ｘ"_s, true};
    const struct {
        const char *name;
        YearListFilter filter;
        QStringList stores;
    } filters[] = {
        {"everything", YearListFilter::everything(), {u"本店"_s, u"支店"_s, u"駅前"_s}},
        {"本店", filterOf({{u"本店"_s, true}}, {x}), {u"本店"_s}},
        {"本店 and 支店", filterOf({{u"本店"_s, true}, {u"支店"_s, true}}, {x}), {u"本店"_s, u"支店"_s}},
        {"支店", filterOf({{u"支店"_s, true}}, {x}), {u"支店"_s}},
        {"駅前", filterOf({{u"駅前"_s, true}}, {x}), {u"駅前"_s}},
    };

    for (const int count : {999, 1000, 9999, 10000}) {
        const QList<CardRecord> cards = all.mid(0, count);
        for (const auto &f : filters) {
            const YearList whole(cards, f.filter);
            QList<int> listed;
            for (int n = 1; n <= count; ++n)
                if (f.stores.contains(storeOf(n))) listed.append(n);
            const QByteArray where = QByteArray::number(count) + " cards, " + f.name;

            // The list of all cards against each card's line in the width its largest
            // listed number needs: that number's digits and a blank, at least 4.
            const int width =
                listed.isEmpty() ? 4 : std::max(4, int(QString::number(listed.last()).size()) + 1);
            QCOMPARE(whole.noCells(), width);
            QCOMPARE(whole.lines().size(), listed.size());
            for (qsizetype i = 0; i < listed.size(); ++i) {
                const YearListLine expected = YearList::lineOf(listed[i], cards[listed[i] - 1], width);
                QVERIFY2(sameLine(whole.lines()[i], expected),
                         (where + " line " + QByteArray::number(i)).constData());
                QCOMPARE(whole.lines()[i].bounds()[YearListLine::Date], width);
            }
            if (QTest::currentTestFailed()) return;

            for (const int hint : {0, 5, count - 1, count, count * 10 + 7, 1000000}) {
                YearList built(f.filter, hint);
                for (int n = 1; n <= count; ++n)
                    built.add(n, cards[n - 1]);
                built.finish();
                const QByteArray what = where + ", hint " + QByteArray::number(hint);
                QVERIFY2(built.noCells() == width, what.constData());
                QVERIFY2(built.lines().size() == whole.lines().size(), what.constData());
                for (qsizetype i = 0; i < built.lines().size(); ++i)
                    QVERIFY2(sameLine(built.lines()[i], whole.lines()[i]),
                             (what + " line " + QByteArray::number(i) + ": <" +
                              built.lines()[i].text().toUtf8() + "> <" + whole.lines()[i].text().toUtf8() +
                              '>')
                                 .constData());
                QVERIFY2(sameTotals(built.totals(), whole.totals()), what.constData());
            }
        }
    }

    // Nothing added: the usual width and zero totals, whatever the hint.
    YearList empty(YearListFilter::everything(), 123456);
    empty.finish();
    QCOMPARE(empty.noCells(), 4);
    QVERIFY(empty.lines().isEmpty());
    QVERIFY(sameTotals(empty.totals(), YearList(QList<CardRecord>(), YearListFilter::everything()).totals()));
    QCOMPARE(empty.totals().investmentText, u" 0"_s);
}

TAMA_TEST_MAIN(TestYearList)
#include "tst_yearlist.moc"
