#include "common/clock.h"
#include "common/dates.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;

class TestDates : public QObject {
    Q_OBJECT

  private slots:
    void dayNumbers_data();
    void dayNumbers();
    void formDateText_data();
    void formDateText();
    void weekday_data();
    void weekday();
    void weekdayOfNumber_data();
    void weekdayOfNumber();
    void dateParts();
    void clockText_data();
    void clockText();
    void fixedClock();
};

void TestDates::dayNumbers_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<qint64>("number");

    // Counted by hand: 1900 is no leap year; 1900-01-01 + 25567 days (70 years, 17 of them leap) = 1970.
    QTest::newRow("day zero") << QDate(1899, 12, 30) << qint64(0);
    QTest::newRow("day before") << QDate(1899, 12, 29) << qint64(-1);
    QTest::newRow("first of 1900") << QDate(1900, 1, 1) << qint64(2);
    QTest::newRow("after 28 Feb 1900") << QDate(1900, 3, 1) << qint64(61);
    QTest::newRow("unix epoch") << QDate(1970, 1, 1) << qint64(25569);
    QTest::newRow("first of 1999") << QDate(1999, 1, 1) << qint64(36161);
    QTest::newRow("23 Jan 1999") << QDate(1999, 1, 23) << qint64(36183);
    QTest::newRow("leap day 2000") << QDate(2000, 2, 29) << qint64(36585);
}

void TestDates::dayNumbers() {
    QFETCH(QDate, date);
    QFETCH(qint64, number);
    QCOMPARE(dayNumber(date), number);
    QCOMPARE(dateFromDayNumber(number), date);
}

void TestDates::formDateText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected"); // invalid: forming fails

    QTest::newRow("ordinary") << u"1999/01/23"_s << QDate(1999, 1, 23);
    QTest::newRow("one-digit parts") << u"1999/1/3"_s << QDate(1999, 1, 3);
    QTest::newRow("leap day") << u"2000/02/29"_s << QDate(2000, 2, 29);
    QTest::newRow("30 February") << u"1999/02/30"_s << QDate();
    QTest::newRow("29 February of a common year") << u"1999/02/29"_s << QDate();
    QTest::newRow("1900 is no leap year") << u"1900/02/29"_s << QDate();
    QTest::newRow("month 13") << u"1999/13/01"_s << QDate();
    QTest::newRow("month 0") << u"1999/00/10"_s << QDate();
    QTest::newRow("day 0") << u"1999/01/00"_s << QDate();
    QTest::newRow("31 April") << u"1999/04/31"_s << QDate();
    QTest::newRow("two parts") << u"1999/01"_s << QDate();
    QTest::newRow("other separator") << u"1999-01-23"_s << QDate();
    QTest::newRow("letters") << u"1999/ab/23"_s << QDate();
    QTest::newRow("empty") << QString() << QDate();
}

void TestDates::formDateText() {
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    const std::optional<QDate> d = formDate(text);
    if (!expected.isValid()) {
        QVERIFY2(!d, qPrintable(d ? d->toString(Qt::ISODate) : QString()));
        return;
    }
    QVERIFY(d);
    QCOMPARE(*d, expected);
}

void TestDates::weekday_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("expected");

    // 17 January 1999 was a Sunday.
    const QString names = u"日月火水木金土"_s;
    for (int i = 0; i < 7; ++i) {
        const QDate d(1999, 1, 17 + i);
        QTest::newRow(qPrintable(d.toString(Qt::ISODate))) << d << names.mid(i, 1);
    }
    QTest::newRow("2000-01-01") << QDate(2000, 1, 1) << u"土"_s;
}

void TestDates::weekday() {
    QFETCH(QDate, date);
    QFETCH(QString, expected);
    QCOMPARE(weekdayChar(date), expected);
}

// Qt's day of week, as the statistics count it; nothing outside 1 … 7.
void TestDates::weekdayOfNumber_data() {
    QTest::addColumn<int>("dayOfWeek");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Monday") << 1 << u"月"_s;
    QTest::newRow("Saturday") << 6 << u"土"_s;
    QTest::newRow("Sunday") << 7 << u"日"_s;
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("8") << 8 << QString();
    QTest::newRow("-1") << -1 << QString();
}

void TestDates::weekdayOfNumber() {
    QFETCH(int, dayOfWeek);
    QFETCH(QString, expected);
    QCOMPARE(weekdayChar(dayOfWeek), expected);
}

void TestDates::dateParts() {
    const QDate d(1999, 1, 5);
    QCOMPARE(yyyy(d), u"1999"_s);
    QCOMPARE(mm(d), u"01"_s);
    QCOMPARE(dd(d), u"05"_s);
    QCOMPARE(mm(QDate(2001, 12, 31)), u"12"_s);
    QCOMPARE(dd(QDate(2001, 12, 31)), u"31"_s);
}

void TestDates::clockText_data() {
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("expected");

    QTest::newRow("padded parts") << QDateTime(QDate(2005, 3, 7), QTime(0, 0)) << u"05/03/07 Mon  00:00"_s;
    QTest::newRow("afternoon") << QDateTime(QDate(1999, 1, 23), QTime(23, 59, 58))
                               << u"99/01/23 Sat  23:59"_s;
    QTest::newRow("year 2000") << QDateTime(QDate(2000, 10, 1), QTime(9, 5)) << u"00/10/01 Sun  09:05"_s;
}

void TestDates::clockText() {
    QFETCH(QDateTime, time);
    QFETCH(QString, expected);
    QCOMPARE(tama::clockText(time), expected);
}

void TestDates::fixedClock() {
    const QDateTime t(QDate(1999, 1, 23), QTime(9, 30));
    FixedClock fixed(t);
    setClock(&fixed);
    QCOMPARE(tama::clock().now(), t);
    QCOMPARE(tama::clock().today(), QDate(1999, 1, 23));
    setClock(nullptr);
    QVERIFY(&tama::clock() != &fixed);
}

TAMA_TEST_MAIN(TestDates)
#include "tst_dates.moc"
