#include "card/spinner.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using tama::Spinner;

class TestSpinner : public QObject {
    Q_OBJECT
  private slots:
    void rangesAndStarts_data();
    void rangesAndStarts();
    void wrapsAtBothEnds_data();
    void wrapsAtBothEnds();
    void everyNumberReachableByStepping();
    void digitBoxes_data();
    void digitBoxes();
};

void TestSpinner::rangesAndStarts_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("shownAtStart");
    QTest::newRow("start hour") << 1 << 8 << 24 << 22 << 10;
    QTest::newRow("start minute") << 2 << 0 << 61 << 60 << 0;
    QTest::newRow("end hour") << 3 << 8 << 24 << 23 << 9;
    QTest::newRow("end minute") << 4 << 0 << 61 << 61 << -1;
    QTest::newRow("investment man") << 5 << 0 << 101 << 100 << 0;
    QTest::newRow("investment sen") << 6 << 0 << 11 << 10 << 0;
    QTest::newRow("investment hyaku") << 7 << 0 << 11 << 10 << 0;
    QTest::newRow("cash-out man") << 8 << 0 << 101 << 100 << 0;
    QTest::newRow("cash-out sen") << 9 << 0 << 11 << 10 << 0;
    QTest::newRow("cash-out hyaku") << 10 << 0 << 11 << 10 << 0;
}

void TestSpinner::rangesAndStarts() {
    QFETCH(int, index);
    const Spinner &s = Spinner::at(index);
    QTEST(s.minimum(), "min");
    QTEST(s.maximum(), "max");
    QTEST(s.start(), "start");
    QTEST(s.shown(s.start()), "shownAtStart");
}

void TestSpinner::wrapsAtBothEnds_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("wrapped");
    QTest::addColumn<int>("shown");
    // Past either end the number comes round to the other end.
    QTest::newRow("hour below 9 → 23") << 1 << 24 << 9 << 23;
    QTest::newRow("hour above 23 → 9") << 1 << 8 << 23 << 9;
    QTest::newRow("hour inside") << 3 << 15 << 15 << 17;
    QTest::newRow("minute below 0 → 59") << 2 << 61 << 1 << 59;
    QTest::newRow("minute 60 → 0") << 4 << 0 << 60 << 0;
    QTest::newRow("minute inside") << 2 << 30 << 30 << 30;
    QTest::newRow("man below 0 → 99") << 5 << 101 << 1 << 99;
    QTest::newRow("man 100 → 0") << 8 << 0 << 100 << 0;
    QTest::newRow("digit below 0 → 9") << 6 << 11 << 1 << 9;
    QTest::newRow("digit 10 → 0") << 10 << 0 << 10 << 0;
    QTest::newRow("digit inside") << 7 << 1 << 1 << 9;
}

void TestSpinner::wrapsAtBothEnds() {
    QFETCH(int, index);
    QFETCH(int, value);
    const Spinner &s = Spinner::at(index);
    const int w = s.wrap(value);
    QTEST(w, "wrapped");
    QTEST(s.shown(w), "shown");
}

void TestSpinner::everyNumberReachableByStepping() {
    // Stepping up from the start passes every number exactly once before it repeats.
    for (int index = 1; index <= 10; ++index) {
        const Spinner &s = Spinner::at(index);
        QList<int> seen;
        int v = s.wrap(s.start());
        for (int i = 0; i < 200; ++i) {
            const int n = s.shown(v);
            if (seen.contains(n)) break;
            seen << n;
            v = s.wrap(v - 1);
        }
        std::sort(seen.begin(), seen.end());
        const int low = s.kind() == Spinner::Kind::Hour ? 9 : 0;
        const int high = s.kind() == Spinner::Kind::Hour           ? 23
                         : s.kind() == Spinner::Kind::Minute       ? 59
                         : s.kind() == Spinner::Kind::TenThousands ? 99
                                                                   : 9;
        QCOMPARE(seen.size(), high - low + 1);
        QCOMPARE(seen.first(), low);
        QCOMPARE(seen.last(), high);
    }
}

void TestSpinner::digitBoxes_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("tens");
    QTest::addColumn<QString>("ones");
    QTest::newRow("hour 9: tens blank") << 1 << 9 << QString() << u"9"_s;
    QTest::newRow("hour 10") << 3 << 10 << u"1"_s << u"0"_s;
    QTest::newRow("hour 23") << 1 << 23 << u"2"_s << u"3"_s;
    QTest::newRow("minute 0: tens 0") << 2 << 0 << u"0"_s << u"0"_s;
    QTest::newRow("minute 7") << 4 << 7 << u"0"_s << u"7"_s;
    QTest::newRow("minute 45") << 2 << 45 << u"4"_s << u"5"_s;
    QTest::newRow("man 0: tens blank") << 5 << 0 << QString() << u"0"_s;
    QTest::newRow("man 9: tens blank") << 8 << 9 << QString() << u"9"_s;
    QTest::newRow("man 10") << 5 << 10 << u"1"_s << u"0"_s;
    QTest::newRow("man 99") << 8 << 99 << u"9"_s << u"9"_s;
    QTest::newRow("digit 7") << 6 << 7 << QString() << u"7"_s;
}

void TestSpinner::digitBoxes() {
    QFETCH(int, index);
    QFETCH(int, number);
    const Spinner &s = Spinner::at(index);
    const int v = s.valueFor(number);
    QVERIFY(v >= s.minimum() && v <= s.maximum());
    QTEST(s.tensBox(v), "tens");
    QTEST(s.onesBox(v), "ones");
}

TAMA_TEST_MAIN(TestSpinner)
#include "tst_spinner.moc"
