#include "reports/chodamamodel.h"
#include "reports/yearlist.h"
#include "reports/yearlistfilter.h"
#include "reports/yearreport.h"
#include "store/storeerror.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::digits4;
using tama::test::makeCard;
using tama::test::storeErrorKind;

class TestChodamaModel : public QObject {
    Q_OBJECT

  private slots:
    // Balls as a person types them; only an adjustment may take balls away.
    void entryTyped_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint64>("balls"); // 0: refused
        QTest::newRow("digits") << int(ChodamaKind::Deposit) << u"1200"_s << qint64(1200);
        QTest::newRow("full width, grouped") << int(ChodamaKind::Replay) << u"１，２００"_s << qint64(1200);
        QTest::newRow("spaces around") << int(ChodamaKind::Settle) << u" 35 "_s << qint64(35);
        QTest::newRow("adjust down") << int(ChodamaKind::Adjust) << u"\u2212150"_s << qint64(-150);
        QTest::newRow("adjust down, full width") << int(ChodamaKind::Adjust) << u"－１５"_s << qint64(-15);
        QTest::newRow("deposit below 0") << int(ChodamaKind::Deposit) << u"-5"_s << qint64(0);
        QTest::newRow("zero") << int(ChodamaKind::Adjust) << u"0"_s << qint64(0);
        QTest::newRow("empty") << int(ChodamaKind::Deposit) << u""_s << qint64(0);
        QTest::newRow("a fraction") << int(ChodamaKind::Deposit) << u"1.5"_s << qint64(0);
        QTest::newRow("words") << int(ChodamaKind::Deposit) << u"たくさん"_s << qint64(0);
        QTest::newRow("beyond the most") << int(ChodamaKind::Deposit) << u"10000001"_s << qint64(0);
    }
    void entryTyped() {
        QFETCH(int, kind);
        QFETCH(QString, typed);
        QFETCH(qint64, balls);
        const auto make = [&] {
            return chodamaEntryOf(u"taro"_s, u"ＡＢＣ "_s, QDate(2026, 12, 1), ChodamaKind(kind), typed,
                                  u" メモ "_s);
        };
        if (balls == 0) {
            QCOMPARE(storeErrorKind(make), int(StoreError::Kind::Invalid));
            return;
        }
        const ChodamaEntry e = make();
        QCOMPARE(e.balls, balls);
        QCOMPARE(e.store, u"ＡＢＣ"_s);
        QCOMPARE(e.note, u"メモ"_s);
    }

    void modelsAreSound() {
        ChodamaLinesModel lines;
        ChodamaHallsModel halls;
        QAbstractItemModelTester t1(&lines, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester t2(&halls, QAbstractItemModelTester::FailureReportingMode::QtTest);
        ChodamaLedger ledger;
        ChodamaLine card{
            QDate(2026, 1, 2), u"ＡＢＣ"_s, ChodamaKind::Replay, 500, 10, -510, 490, u"d"_s, 3, {}, {}};
        ChodamaLine hand{
            QDate(2026, 1, 3), u"ＡＢＣ"_s, ChodamaKind::Adjust, -90, 0, -90, 400, {}, 0, "u", u"x"_s};
        ledger.lines = {card, hand};
        ledger.halls = {ChodamaHall{u"ＡＢＣ"_s, 400, 1600}, ChodamaHall{u"ＤＥＦ"_s, 10, std::nullopt}};
        ledger.totalYen = 1600;
        lines.setLines(ledger.lines);
        halls.setLedger(ledger);
        QCOMPARE(lines.index(0, ChodamaLinesModel::Change).data().toString(), u"\u2212510"_s);
        QCOMPARE(lines.index(0, ChodamaLinesModel::About).data().toString(), u"2026年のカード 3"_s);
        QCOMPARE(lines.index(1, ChodamaLinesModel::Balls).data().toString(), u"\u221290"_s);
        QVERIFY(!lines.index(0, 0).data(ChodamaLinesModel::HandEntryRole).toBool());
        QVERIFY(lines.index(1, 0).data(ChodamaLinesModel::HandEntryRole).toBool());
        QCOMPARE(halls.rowCount(), 3); // and the total
        QCOMPARE(halls.index(1, ChodamaHallsModel::Yen).data().toString(), u"交換条件なし"_s);
        QCOMPARE(halls.index(2, ChodamaHallsModel::Yen).data().toString(), u"1,600円"_s);
        halls.setLedger({});
        QCOMPARE(halls.rowCount(), 0);
    }

    // Balls stored count as yen taken home, balls replayed as yen put in, for the cards the
    // filter lets through; the year report keeps its hundreds of yen.
    void chodamaInTheTotals() {
        const QList<CardRecord> cards = {
            makeCard({.store = u"ＡＢＣ"_s, .investment = digits4(100), .cashOut = digits4(0)}),
            makeCard({.store = u"ＤＥＦ"_s, .investment = digits4(50), .cashOut = digits4(120)}),
            makeCard({.store = u"ＡＢＣ"_s, .investment = digits4(10), .cashOut = digits4(0)})};
        const QHash<int, qint64> yen = {{1, 4000}, {2, -2040}, {3, 260}};
        const YearListFilter everything = YearListFilter::everything(); // the list keeps it while being built
        YearList list(everything, 3);
        list.countChodama(yen);
        for (int i = 0; i < 3; ++i)
            list.add(i + 1, cards[i]);
        list.finish();
        QCOMPARE(list.totals().investment, 16000 + 2040);
        QCOMPARE(list.totals().cashOut, 12000 + 4260);
        QCOMPARE(list.totals().profit, -4000 + 2220);
        QCOMPARE(list.totals().chodamaYen, std::optional<qint64>(2220));
        QCOMPARE(list.totals().chodamaText, u"貯玉 +2,220円を含む"_s);

        YearList plain(cards, YearListFilter::everything());
        QVERIFY(!plain.totals().chodamaYen);
        QCOMPARE(plain.totals().profit, -4000);

        YearReport report;
        for (int i = 0; i < 3; ++i)
            report.add(cards[i], yen.value(i + 1));
        report.finish();
        const ReportColumn &all = report.columns()[YearReport::Overall];
        QCOMPARE(all.investment, 160 + 20);  // 2,040 yen: 20 hundreds
        QCOMPARE(all.cashOut, 120 + 40 + 3); // 260 yen: 3 hundreds, half away from zero
        QCOMPARE(report.chodamaYen(), std::optional<qint64>(2220));
    }
};

QTEST_MAIN(TestChodamaModel)
#include "tst_chodamamodel.moc"
