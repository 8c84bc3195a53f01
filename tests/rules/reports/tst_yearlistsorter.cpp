#include "reports/yearlist.h"
#include "reports/yearlistfilter.h"
#include "reports/yearlistsorter.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::CardValues;
using tama::test::digits4;
using tama::test::makeCard;
using Column = YearListSorter::Column;

namespace {

// Cards with these investments and cash-outs (hundreds of yen), records 1, 2, …
QList<CardRecord> amountCards(const QList<std::pair<int, int>> &amounts) {
    QList<CardRecord> out;
    for (auto [in, out_] : amounts)
        out.append(makeCard({.investment = digits4(in), .cashOut = digits4(out_)}));
    return out;
}

QList<int> records(const YearList &list, const YearListSorter &s) {
    QList<int> r;
    for (int i : s.order())
        r.append(list.lines()[i].record);
    return r;
}

QList<int> reversed(QList<int> l) {
    std::reverse(l.begin(), l.end());
    return l;
}

} // namespace

class TestYearListSorter : public QObject {
    Q_OBJECT

  private slots:
    void amountToggles();
    void sharedNoDateToggle();
    void nameColumns();
    void profitOrder();
    void profitToggle();
    void longDiaryByNumber();
};

void TestYearListSorter::amountToggles() {
    // Investments 150, 40, 150, 1000, 5 (hundreds): ties go by record number.
    const QList<CardRecord> cards = amountCards({{150, 10}, {40, 20}, {150, 30}, {1000, 0}, {5, 0}});
    const YearList list(cards, YearListFilter::everything());
    YearListSorter s(list);
    QCOMPARE(records(list, s), QList<int>({1, 2, 3, 4, 5}));

    const QList<int> ascending{5, 2, 1, 3, 4};
    s.press(Column::Investment);
    QCOMPARE(records(list, s), ascending);
    QVERIFY(s.investmentToggle());
    s.press(Column::Investment);
    QCOMPARE(records(list, s), reversed(ascending));
    QVERIFY(!s.investmentToggle());
    s.press(Column::Investment);
    QCOMPARE(records(list, s), ascending);

    // Another button clears the toggle: investment sorts ascending again after it.
    s.press(Column::CashOut);
    QCOMPARE(records(list, s), QList<int>({4, 5, 1, 2, 3}));
    QVERIFY(!s.investmentToggle());
    QVERIFY(s.cashOutToggle());
    s.press(Column::Investment);
    QCOMPARE(records(list, s), ascending);
    QVERIFY(!s.cashOutToggle());

    // Amounts sort as their right-aligned texts: a negative amount (a damaged field)
    // goes after the shorter numbers and before the longer ones of its length.
    const QList<CardRecord> odd = {makeCard({.investment = u"0150"_s}), makeCard({.investment = u"-050"_s}),
                                   makeCard({.investment = u"0040"_s}), makeCard({.investment = u"0005"_s})};
    const YearList oddList(odd, YearListFilter::everything());
    YearListSorter o(oddList);
    o.press(Column::Investment);
    QCOMPARE(records(oddList, o), QList<int>({4, 3, 2, 1})); // 500, 4000, -5000, 15000

    // The lines move whole.
    const QStringList texts = s.texts();
    QCOMPARE(texts.size(), 5);
    QCOMPARE(texts.first(), list.lines()[4].text());
}

void TestYearListSorter::sharedNoDateToggle() {
    const QList<CardRecord> cards = amountCards({{30, 0}, {10, 0}, {20, 0}});
    const YearList list(cards, YearListFilter::everything());
    YearListSorter s(list);
    s.press(Column::Investment);
    QCOMPARE(records(list, s), QList<int>({2, 3, 1}));
    s.press(Column::Date); // sorts by record number
    QCOMPARE(records(list, s), QList<int>({1, 2, 3}));
    QVERIFY(s.noToggle());
    QVERIFY(!s.investmentToggle());
    s.press(Column::No); // the shared toggle: reverses
    QCOMPARE(records(list, s), QList<int>({3, 2, 1}));
    QVERIFY(!s.noToggle());
    s.press(Column::No);
    QCOMPARE(records(list, s), QList<int>({1, 2, 3}));

    // Store and model clear every toggle.
    s.press(Column::Store);
    QVERIFY(!s.noToggle());
    s.press(Column::Date);
    QCOMPARE(records(list, s), QList<int>({1, 2, 3}));
}

void TestYearListSorter::nameColumns() {
    const QList<CardRecord> cards = {
        makeCard({.store = u"駅前"_s, .model = u"ｂ"_s}),   // 1
        makeCard({.store = u"本店"_s, .model = u"Ａ"_s}),   // 2
        makeCard({.store = u"駅前"_s, .model = u"Ｃ"_s}),   // 3
        makeCard({.store = u"駅前店"_s, .model = u"Ａ"_s}), // 4
    };
    const YearList list(cards, YearListFilter::everything());
    YearListSorter s(list);
    // 本 U+672C before 駅 U+99C5; 駅前 (filled with blanks) before 駅前店; equal stores by number.
    const QList<int> byStore{2, 1, 3, 4};
    s.press(Column::Store);
    QCOMPARE(records(list, s), byStore);
    s.press(Column::Store); // ascending every time
    QCOMPARE(records(list, s), byStore);

    // Without regard to case: Ａ, ｂ, Ｃ (by code point ｂ would come last).
    s.press(Column::Model);
    QCOMPARE(records(list, s), QList<int>({2, 4, 1, 3}));
}

void TestYearListSorter::profitOrder() {
    // Profits −3000, 500, −12000, 0.
    const QList<CardRecord> cards = amountCards({{30, 0}, {0, 5}, {120, 0}, {10, 10}});
    const YearList list(cards, YearListFilter::everything());
    YearListSorter s(list);
    s.press(Column::Profit);
    QCOMPARE(records(list, s), QList<int>({3, 1, 4, 2}));

    // Equal losses: the later record first; equal gains and zeros: the earlier first.
    // Magnitudes of different length must not sort as text: −900 is no smaller than −1000.
    const QList<CardRecord> ties =
        amountCards({{10, 0}, {0, 10}, {10, 0}, {0, 0}, {0, 10}, {0, 0}, {9, 0}, {100, 0}, {0, 100}, {0, 9}});
    const YearList tieList(ties, YearListFilter::everything());
    YearListSorter t(tieList);
    t.press(Column::Profit);
    QCOMPARE(records(tieList, t), QList<int>({8, 3, 1, 7, 4, 6, 10, 2, 5, 9}));
}

void TestYearListSorter::profitToggle() {
    const QList<CardRecord> cards = amountCards({{30, 0}, {0, 5}, {120, 0}, {10, 10}});
    const YearList list(cards, YearListFilter::everything());
    YearListSorter s(list);
    s.press(Column::No);
    s.press(Column::Profit);
    QVERIFY(!s.noToggle());
    QVERIFY(s.profitToggle());
    s.press(Column::Profit);
    QCOMPARE(records(list, s), QList<int>({2, 4, 1, 3}));
    QVERIFY(!s.profitToggle());
    s.press(Column::Profit);
    QCOMPARE(records(list, s), QList<int>({3, 1, 4, 2}));
    s.press(Column::Investment);
    QVERIFY(!s.profitToggle());
}

void TestYearListSorter::longDiaryByNumber() {
    // Past record 99 the two last characters of the number would order 100 before 2.
    QList<CardRecord> cards;
    for (int i = 0; i < 1200; ++i)
        cards.append(makeCard({.investment = digits4(i % 7)}));
    const YearList list(cards, YearListFilter::everything());
    YearListSorter s(list);
    s.press(Column::Investment);
    s.press(Column::No);
    const QList<int> r = records(list, s);
    QCOMPARE(r.size(), 1200);
    QVERIFY(std::is_sorted(r.begin(), r.end()));
    QCOMPARE(r.first(), 1);
    QCOMPARE(r.last(), 1200);
    s.press(Column::Date);
    QCOMPARE(records(list, s).first(), 1200);
}

TAMA_TEST_MAIN(TestYearListSorter)
#include "tst_yearlistsorter.moc"
