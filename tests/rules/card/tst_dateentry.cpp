#include "card/daterepair.h"
#include "card/datescroller.h"
#include "common/dates.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using tama::DateBox;

class TestDateEntry : public QObject {
    Q_OBJECT
  private slots:
    void repair_data();
    void repair();
    void padding_data();
    void padding();
    void scrollerValues();
    void scrollerRange();
    void placeOnScroller();
};

void TestDateEntry::repair_data() {
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::addColumn<bool>("inMonthBox");
    QTest::addColumn<QString>("newMonth");
    QTest::addColumn<QString>("newDay");
    QTest::addColumn<QString>("weekday");
    QTest::addColumn<int>("beeps");
    // 1999: 23 January is a Saturday, 1 February a Monday, 30 January a Saturday.
    QTest::newRow("valid") << u"01"_s << u"23"_s << true << u"01"_s << u"23"_s << u"土"_s << 0;
    QTest::newRow("2/30 in day box") << u"02"_s << u"30"_s << false << u"02"_s << u"01"_s << u"月"_s << 1;
    QTest::newRow("2/30 in month box") << u"02"_s << u"30"_s << true << u"01"_s << u"30"_s << u"土"_s << 1;
    QTest::newRow("13/40 in month box: both reset")
        << u"13"_s << u"40"_s << true << u"01"_s << u"01"_s << u"金"_s << 2;
    QTest::newRow("13/40 in day box: both reset")
        << u"13"_s << u"40"_s << false << u"01"_s << u"01"_s << u"金"_s << 2;
    QTest::newRow("00 month becomes 01") << u"00"_s << u"05"_s << true << u"01"_s << u"05"_s << u"火"_s << 0;
    QTest::newRow("00 day becomes 01") << u"03"_s << u"00"_s << false << u"03"_s << u"01"_s << u"月"_s << 0;
    // A box reading "0" is being typed: nothing is checked yet.
    QTest::newRow("month 0 still typing") << u"0"_s << u"31"_s << true << u"0"_s << u"31"_s << QString() << 0;
    QTest::newRow("day 0 still typing") << u"02"_s << u"0"_s << false << u"02"_s << u"0"_s << QString() << 0;
    QTest::newRow("single digits are dates") << u"2"_s << u"3"_s << false << u"2"_s << u"3"_s << u"水"_s << 0;
    QTest::newRow("blank day") << u"04"_s << QString() << false << u"04"_s << u"01"_s << u"木"_s << 1;
}

void TestDateEntry::repair() {
    QFETCH(QString, month);
    QFETCH(QString, day);
    QFETCH(bool, inMonthBox);
    const tama::DateRepair r =
        tama::repairDate(u"1999"_s, month, day, inMonthBox ? DateBox::Month : DateBox::Day);
    QTEST(r.month, "newMonth");
    QTEST(r.day, "newDay");
    QTEST(r.weekday, "weekday");
    QTEST(r.beeps, "beeps");
}

void TestDateEntry::padding_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::newRow("5") << u"5"_s << u"05"_s << u"05"_s;
    QTest::newRow("1") << u"1"_s << u"01"_s << u"01"_s;
    QTest::newRow("12") << u"12"_s << u"12"_s << u"12"_s;
    QTest::newRow("7x") << u"7x"_s << u"07"_s << u"07"_s;
    QTest::newRow("25: a day, not a month") << u"25"_s << u"02"_s << u"25"_s;
    QTest::newRow("31") << u"31"_s << u"03"_s << u"31"_s;
    QTest::newRow("45") << u"45"_s << u"04"_s << u"04"_s;
    QTest::newRow("trailing space") << u"3 "_s << u"03"_s << u"03"_s;
    QTest::newRow("empty") << QString() << u"0"_s << u"0"_s;
}

void TestDateEntry::padding() {
    QFETCH(QString, text);
    QTEST(tama::padMonth(text), "month");
    QTEST(tama::padDay(text), "day");
}

void TestDateEntry::scrollerValues() {
    QCOMPARE(tama::dateScrollerValue(QDate(1999, 1, 1)), 16161);
    QCOMPARE(tama::dateFromScrollerValue(16161), QDate(1999, 1, 1));
    // 19 June 2044 is the last date a signed 16-bit value holds; later ones go on.
    QCOMPARE(tama::dateScrollerValue(QDate(2044, 6, 19)), 32767);
    QCOMPARE(tama::dateScrollerValue(QDate(2044, 6, 20)), 32768);
    QCOMPARE(tama::dateFromScrollerValue(40000), QDate(2064, 4, 8));
    QCOMPARE(tama::dateFromScrollerValue(tama::dateScrollerValue(QDate(2100, 12, 31))), QDate(2100, 12, 31));
}

void TestDateEntry::scrollerRange() {
    const QDate today(1999, 3, 15);
    const tama::DateRange now = tama::dateScrollerRange(1999, today);
    QCOMPARE(tama::dateFromScrollerValue(now.minimum), QDate(1999, 1, 1));
    QCOMPARE(tama::dateFromScrollerValue(now.maximum), today);
    const tama::DateRange past = tama::dateScrollerRange(1996, today);
    QCOMPARE(tama::dateFromScrollerValue(past.minimum), QDate(1996, 1, 1));
    QCOMPARE(tama::dateFromScrollerValue(past.maximum), QDate(1996, 12, 31));
    QCOMPARE(past.maximum - past.minimum, 365); // a leap year
}

void TestDateEntry::placeOnScroller() {
    const tama::DateRange range = tama::dateScrollerRange(1999, QDate(1999, 3, 15));
    auto inside = tama::placeOnScroller(u"1999"_s, u"02"_s, u"28"_s, range);
    QVERIFY(inside && inside->inRange);
    QCOMPARE(tama::dateFromScrollerValue(inside->value), QDate(1999, 2, 28));
    // A date after today sits at the right end; the card keeps its own date.
    auto later = tama::placeOnScroller(u"1999"_s, u"12"_s, u"24"_s, range);
    QVERIFY(later && !later->inRange);
    QCOMPARE(later->value, range.maximum);
    QVERIFY(!tama::placeOnScroller(u"1999"_s, u"02"_s, u"30"_s, range));
    QVERIFY(!tama::placeOnScroller(u"1999"_s, QString(), u"30"_s, range));
}

TAMA_TEST_MAIN(TestDateEntry)
#include "tst_dateentry.moc"
