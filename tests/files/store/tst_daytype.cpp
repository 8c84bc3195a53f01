#include "store/daytype.h"
#include "testsupport.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

// The kinds of business day as the older program's cards store them.
class TestDayType : public QObject {
    Q_OBJECT

  private slots:
    void everyNameAgrees_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("reportLabel");
        QTest::addColumn<bool>("special");
        QTest::newRow("平常") << 1 << u"111"_s << u"平常開店"_s << u"平常"_s << false;
        QTest::newRow("新規") << 2 << u"222"_s << u"新規開店"_s << u"新規"_s << true;
        QTest::newRow("新装") << 3 << u"333"_s << u"新装開店"_s << u"新装"_s << true;
        QTest::newRow("新台") << 4 << u"444"_s << u"新台入替"_s << u"新台"_s << true;
    }

    void everyNameAgrees() {
        QFETCH(int, option);
        QFETCH(QString, code);
        QFETCH(QString, caption);
        QFETCH(QString, reportLabel);
        QFETCH(bool, special);
        const DayTypeInfo &d = dayTypes().at(option - 1);
        QCOMPARE(d.option, option);
        QCOMPARE(d.code, code);
        QCOMPARE(d.caption, caption);
        QCOMPARE(d.reportLabel, reportLabel);
        QCOMPARE(d.special, special);
        QCOMPARE(dayTypeByCode(code), &d);
        QCOMPARE(&dayTypeByValue(code.toLongLong()), &d);
    }

    // The card screen takes a code only as written; the reports read it as a number, and
    // anything else is an ordinary day.
    void otherCodes_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<qint64>("value");
        QTest::newRow("blank") << u"   "_s << qint64(0);
        QTest::newRow("padded") << u" 22"_s << qint64(22);
        QTest::newRow("555") << u"555"_s << qint64(555);
        QTest::newRow("negative") << u"-111"_s << qint64(-111);
        QTest::newRow("1110") << u"1110"_s << qint64(1110);
    }

    void otherCodes() {
        QFETCH(QString, code);
        QFETCH(qint64, value);
        QVERIFY(!dayTypeByCode(code));
        QCOMPARE(&dayTypeByValue(value), &ordinaryDay());
        QCOMPARE(ordinaryDay().code, u"111"_s);
    }
};

TAMA_TEST_MAIN(TestDayType)
#include "tst_daytype.moc"
