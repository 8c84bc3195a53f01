#include "common/holidays.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;

class TestHolidays : public QObject {
    Q_OBJECT

  private slots:
    // The holidays of whole years as the Cabinet Office published them ("MM-DD name"). Its
    // list calls both a 振替休日 and a 国民の休日 just 休日; here they carry the rule's name.
    void publishedYears_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("2019") << 2019 << QStringList{u"01-01 元日"_s,           u"01-14 成人の日"_s,
                                                     u"02-11 建国記念の日"_s,   u"03-21 春分の日"_s,
                                                     u"04-29 昭和の日"_s,       u"04-30 国民の休日"_s,
                                                     u"05-01 即位の日"_s,       u"05-02 国民の休日"_s,
                                                     u"05-03 憲法記念日"_s,     u"05-04 みどりの日"_s,
                                                     u"05-05 こどもの日"_s,     u"05-06 振替休日"_s,
                                                     u"07-15 海の日"_s,         u"08-11 山の日"_s,
                                                     u"08-12 振替休日"_s,       u"09-16 敬老の日"_s,
                                                     u"09-23 秋分の日"_s,       u"10-14 体育の日"_s,
                                                     u"10-22 即位礼正殿の儀"_s, u"11-03 文化の日"_s,
                                                     u"11-04 振替休日"_s,       u"11-23 勤労感謝の日"_s};
        QTest::newRow("2020") << 2020
                              << QStringList{
                                     u"01-01 元日"_s,         u"01-13 成人の日"_s,   u"02-11 建国記念の日"_s,
                                     u"02-23 天皇誕生日"_s,   u"02-24 振替休日"_s,   u"03-20 春分の日"_s,
                                     u"04-29 昭和の日"_s,     u"05-03 憲法記念日"_s, u"05-04 みどりの日"_s,
                                     u"05-05 こどもの日"_s,   u"05-06 振替休日"_s,   u"07-23 海の日"_s,
                                     u"07-24 スポーツの日"_s, u"08-10 山の日"_s,     u"09-21 敬老の日"_s,
                                     u"09-22 秋分の日"_s,     u"11-03 文化の日"_s,   u"11-23 勤労感謝の日"_s};
        QTest::newRow("2021") << 2021
                              << QStringList{
                                     u"01-01 元日"_s,       u"01-11 成人の日"_s,     u"02-11 建国記念の日"_s,
                                     u"02-23 天皇誕生日"_s, u"03-20 春分の日"_s,     u"04-29 昭和の日"_s,
                                     u"05-03 憲法記念日"_s, u"05-04 みどりの日"_s,   u"05-05 こどもの日"_s,
                                     u"07-22 海の日"_s,     u"07-23 スポーツの日"_s, u"08-08 山の日"_s,
                                     u"08-09 振替休日"_s,   u"09-20 敬老の日"_s,     u"09-23 秋分の日"_s,
                                     u"11-03 文化の日"_s,   u"11-23 勤労感謝の日"_s};
        QTest::newRow("2024") << 2024
                              << QStringList{
                                     u"01-01 元日"_s,       u"01-08 成人の日"_s,   u"02-11 建国記念の日"_s,
                                     u"02-12 振替休日"_s,   u"02-23 天皇誕生日"_s, u"03-20 春分の日"_s,
                                     u"04-29 昭和の日"_s,   u"05-03 憲法記念日"_s, u"05-04 みどりの日"_s,
                                     u"05-05 こどもの日"_s, u"05-06 振替休日"_s,   u"07-15 海の日"_s,
                                     u"08-11 山の日"_s,     u"08-12 振替休日"_s,   u"09-16 敬老の日"_s,
                                     u"09-22 秋分の日"_s,   u"09-23 振替休日"_s,   u"10-14 スポーツの日"_s,
                                     u"11-03 文化の日"_s,   u"11-04 振替休日"_s,   u"11-23 勤労感謝の日"_s};
        QTest::newRow("2025") << 2025
                              << QStringList{
                                     u"01-01 元日"_s,         u"01-13 成人の日"_s,   u"02-11 建国記念の日"_s,
                                     u"02-23 天皇誕生日"_s,   u"02-24 振替休日"_s,   u"03-20 春分の日"_s,
                                     u"04-29 昭和の日"_s,     u"05-03 憲法記念日"_s, u"05-04 みどりの日"_s,
                                     u"05-05 こどもの日"_s,   u"05-06 振替休日"_s,   u"07-21 海の日"_s,
                                     u"08-11 山の日"_s,       u"09-15 敬老の日"_s,   u"09-23 秋分の日"_s,
                                     u"10-13 スポーツの日"_s, u"11-03 文化の日"_s,   u"11-23 勤労感謝の日"_s,
                                     u"11-24 振替休日"_s};
        QTest::newRow("2026") << 2026
                              << QStringList{
                                     u"01-01 元日"_s,         u"01-12 成人の日"_s,   u"02-11 建国記念の日"_s,
                                     u"02-23 天皇誕生日"_s,   u"03-20 春分の日"_s,   u"04-29 昭和の日"_s,
                                     u"05-03 憲法記念日"_s,   u"05-04 みどりの日"_s, u"05-05 こどもの日"_s,
                                     u"05-06 振替休日"_s,     u"07-20 海の日"_s,     u"08-11 山の日"_s,
                                     u"09-21 敬老の日"_s,     u"09-22 国民の休日"_s, u"09-23 秋分の日"_s,
                                     u"10-12 スポーツの日"_s, u"11-03 文化の日"_s,   u"11-23 勤労感謝の日"_s};
    }

    // Every listed date is a holiday of its name, and every other day of the year is none.
    void publishedYears() {
        QFETCH(int, year);
        QFETCH(QStringList, expected);
        QStringList listed;
        for (const Holiday &h : holidaysOf(year))
            listed.append(h.date.toString(u"MM-dd"_s) + u' ' + h.name);
        QCOMPARE(listed, expected);
        QStringList byDay;
        for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1))
            if (const QString name = holidayName(d); !name.isEmpty())
                byDay.append(d.toString(u"MM-dd"_s) + u' ' + name);
        QCOMPARE(byDay, expected);
    }

    // The rules where they changed: the first 振替休日 and 国民の休日, the Monday-only
    // substitute before 2007, the moved Mondays, the emperors' birthdays.
    void rulesInTheirTime_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("name");
        QTest::newRow("before the law") << QDate(1948, 5, 5) << QString();
        QTest::newRow("first autumn equinox") << QDate(1948, 9, 23) << u"秋分の日"_s;
        QTest::newRow("Sunday before substitutes") << QDate(1973, 2, 12) << QString();
        QTest::newRow("first substitute") << QDate(1973, 4, 30) << u"振替休日"_s;
        QTest::newRow("first day between") << QDate(1988, 5, 4) << u"国民の休日"_s;
        QTest::newRow("last birthday in April") << QDate(1988, 4, 29) << u"天皇誕生日"_s;
        QTest::newRow("no December birthday yet") << QDate(1988, 12, 23) << QString();
        QTest::newRow("funeral") << QDate(1989, 2, 24) << u"昭和天皇の大喪の礼"_s;
        QTest::newRow("greenery in April") << QDate(1989, 4, 29) << u"みどりの日"_s;
        QTest::newRow("Sunday between, old rule") << QDate(1997, 5, 4) << QString();
        QTest::newRow("Monday substitute, old rule") << QDate(1998, 5, 4) << u"振替休日"_s;
        QTest::newRow("fixed coming of age") << QDate(1999, 1, 15) << u"成人の日"_s;
        QTest::newRow("Monday coming of age") << QDate(2000, 1, 10) << u"成人の日"_s;
        QTest::newRow("fixed marine day") << QDate(2002, 7, 20) << u"海の日"_s;
        QTest::newRow("day between, 2006") << QDate(2006, 5, 4) << u"国民の休日"_s;
        QTest::newRow("substitute carried") << QDate(2008, 5, 6) << u"振替休日"_s;
        QTest::newRow("silver week") << QDate(2009, 9, 22) << u"国民の休日"_s;
        QTest::newRow("last December birthday") << QDate(2018, 12, 24) << u"振替休日"_s;
        QTest::newRow("no birthday in 2019") << QDate(2019, 12, 23) << QString();
        QTest::newRow("sports day moved, 2020") << QDate(2020, 10, 12) << QString();
        QTest::newRow("sports day moved, 2021") << QDate(2021, 10, 11) << QString();
        QTest::newRow("sports day in October") << QDate(2022, 10, 10) << u"スポーツの日"_s;
        QTest::newRow("invalid date") << QDate() << QString();
    }

    void rulesInTheirTime() {
        QFETCH(QDate, date);
        QFETCH(QString, name);
        QCOMPARE(holidayName(date), name);
    }
};

TAMA_TEST_MAIN(TestHolidays)
#include "tst_holidays.moc"
