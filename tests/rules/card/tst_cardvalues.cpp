#include "card/carddigits.h"
#include "card/profit.h"
#include "card/timeorder.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;

class TestCardValues : public QObject {
    Q_OBJECT
  private slots:
    void fieldBoxes_data();
    void fieldBoxes();
    void leadingZeros_data();
    void leadingZeros();
    void amounts();
    void profit_data();
    void profit();
    void timeOrder();
};

void TestCardValues::fieldBoxes_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("single-digit hour") << u" 930"_s << QStringList{QString(), u"9"_s, u"3"_s, u"0"_s};
    QTest::newRow("two-digit hour") << u"1405"_s << QStringList{u"1"_s, u"4"_s, u"0"_s, u"5"_s};
    QTest::newRow("amount") << u"0150"_s << QStringList{u"0"_s, u"1"_s, u"5"_s, u"0"_s};
    QTest::newRow("blank") << u"    "_s << QStringList{QString(), QString(), QString(), QString()};
    QTest::newRow("short") << u"12  "_s << QStringList{u"1"_s, u"2"_s, QString(), QString()};
}

void TestCardValues::fieldBoxes() {
    QFETCH(QString, field);
    QTEST(tama::fieldBoxes(field), "boxes");
}

void TestCardValues::leadingZeros_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("blanked");
    QTest::newRow("0005") << u"0005"_s << 3;
    QTest::newRow("0000") << u"0000"_s << 3;
    QTest::newRow("0045") << u"0045"_s << 2;
    QTest::newRow("0150") << u"0150"_s << 1;
    QTest::newRow("1500") << u"1500"_s << 0;
    QTest::newRow("blank") << u"    "_s << 0;
}

void TestCardValues::leadingZeros() {
    QFETCH(QString, field);
    QTEST(tama::leadingZeroBoxes(field), "blanked");
}

void TestCardValues::amounts() {
    QCOMPARE(tama::amountFromDigits({QString(), u"2"_s, u"3"_s, u"5"_s}), 23500);
    QCOMPARE(tama::amountFromDigits({u"9"_s, u"9"_s, u"9"_s, u"9"_s}), 999900);
    QCOMPARE(tama::amountFromDigits({QString(), QString(), QString(), QString()}), 0);
    QCOMPARE(tama::amountFromDigits({QString(), QString(), QString(), u"5"_s}), 500);
    // A blank box keeps its place as 0, as registering stores it: 1万2千 typed without
    // the 百円 digit is 12,000 yen, not 1,200.
    QCOMPARE(tama::amountFromDigits({u"1"_s, QString(), u"5"_s, u"0"_s}), 105000);
    QCOMPARE(tama::amountFromDigits({QString(), u"1"_s, u"2"_s, QString()}), 12000);
}

void TestCardValues::profit_data() {
    QTest::addColumn<qint64>("investment");
    QTest::addColumn<qint64>("cashOut");
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("red");
    QTest::newRow("loss") << qint64(23500) << qint64(10000) << u"-13,500"_s << u"-13,500"_s << true;
    QTest::newRow("loss all") << qint64(15000) << qint64(0) << u"-15,000"_s << u"-15,000"_s << true;
    QTest::newRow("gain") << qint64(10000) << qint64(1234500) << u"1,224,500"_s << u"1,224,500"_s << false;
    QTest::newRow("small gain") << qint64(0) << qint64(500) << u"500"_s << u"500"_s << false;
    QTest::newRow("even") << qint64(10000) << qint64(10000) << u"      0"_s << u"      0"_s << false;
    QTest::newRow("both zero") << qint64(0) << qint64(0) << u"      0"_s << u"0"_s << false;
}

void TestCardValues::profit() {
    QFETCH(qint64, investment);
    QFETCH(qint64, cashOut);
    QFETCH(bool, red);
    const tama::ProfitText entered = tama::enteredProfit(investment, cashOut);
    const tama::ProfitText shown = tama::shownProfit(investment, cashOut);
    QTEST(entered.text, "entered");
    QTEST(shown.text, "shown");
    QCOMPARE(entered.negative, red);
    QCOMPARE(shown.negative, red);
}

void TestCardValues::timeOrder() {
    QCOMPARE(tama::timeNumber(QString(), u"9"_s, u"3"_s, u"0"_s), 930);
    QCOMPARE(tama::timeNumber(u"1"_s, u"4"_s, u"0"_s, u"5"_s), 1405);
    QCOMPARE(tama::timeNumber(QString(), QString(), QString(), QString()), 0);
    // An end hour without minutes yet reads as the hour alone, before any full time.
    QCOMPARE(tama::timeNumber(u"1"_s, u"0"_s, QString(), QString()), 10);
    QVERIFY(tama::timeNumber(u"1"_s, u"1"_s, u"3"_s, u"0"_s) >
            tama::timeNumber(u"1"_s, u"1"_s, u"0"_s, u"0"_s));
    QVERIFY(tama::timeNumber(QString(), u"9"_s, u"5"_s, u"9"_s) <
            tama::timeNumber(u"1"_s, u"0"_s, u"0"_s, u"0"_s));
}

TAMA_TEST_MAIN(TestCardValues)
#include "tst_cardvalues.moc"
