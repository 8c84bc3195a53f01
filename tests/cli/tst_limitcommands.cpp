#include "clifixture.h"
#include "common/clock.h"
#include "store/playdata.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

class TestLimitCommands : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_clock.set(QDateTime(QDate(2026, 12, 9), QTime(14, 30)));
        setClock(&m_clock);
    }
    void cleanup() { setClock(nullptr); }

    void setListsAndWaitsForARaise() {
        TempFolder f;
        f.write(u"taro.2026.dat"_s, diaryBytes({{.date = u"20261209水"_s, .investment = u"0420"_s},
                                                {.date = u"20261130月"_s, .investment = u"0100"_s}}));
        const QStringList set = {u"limits"_s, u"set"_s, u"--user"_s, u"taro"_s, u"--kind"_s, u"investment"_s};

        const CliResult dry = runIn(f, set + QStringList{u"--value"_s, u"50000"_s, u"--dry-run"_s});
        QCOMPARE(dry.status, 0);
        QVERIFY(!QFile::exists(f.file(PlayDatabase::fileName())));

        QCOMPARE(runIn(f, set + QStringList{u"--value"_s, u"50000"_s}).status, 0);
        const CliResult raised = runIn(f, set + QStringList{u"--value"_s, u"60000"_s});
        QCOMPARE(raised.status, 0);
        QVERIFY2(raised.outText().contains(u"new\t2026年12月10日 14:30から 60,000円"_s),
                 raised.err.constData());

        const CliResult list = runIn(f, {u"limits"_s, u"--user"_s, u"taro"_s});
        QCOMPARE(list.status, 0);
        QCOMPARE(list.outLines().value(1),
                 u"今月の投資\t50,000円\t42,000円\t2026年12月10日 14:30から 60,000円"_s);
        QCOMPARE(list.outLines().value(2), u"今月の来店\tなし\t1回\t-"_s);

        m_clock.set(m_clock.now().addDays(1));
        const QJsonObject json = runIn(f, {u"limits"_s, u"--user"_s, u"taro"_s, u"--json"_s}).json();
        const QJsonObject investment = json[u"limits"_s].toArray().at(0).toObject();
        QCOMPARE(investment[u"limit"_s].toInteger(), 60000);
        QVERIFY(investment[u"pending"_s].isNull());
        QCOMPARE(investment[u"used"_s].toInteger(), 42000); // the same month
    }

    void wrongCommandLinesWriteNothing_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("says");
        const QStringList base = {u"limits"_s, u"set"_s, u"--user"_s, u"taro"_s};
        QTest::newRow("no kind") << base + QStringList{u"--value"_s, u"5"_s} << u"--kind"_s;
        QTest::newRow("unknown kind")
            << base + QStringList{u"--kind"_s, u"money"_s, u"--value"_s, u"5"_s} << u"investment"_s;
        QTest::newRow("odd yen") << base + QStringList{u"--kind"_s, u"investment"_s, u"--value"_s, u"1050"_s}
                                 << u"100円単位"_s;
        QTest::newRow("hours not in quarters")
            << base + QStringList{u"--kind"_s, u"hours"_s, u"--value"_s, u"2.4"_s} << u"15分"_s;
        QTest::newRow("visits as words")
            << base + QStringList{u"--kind"_s, u"visits"_s, u"--value"_s, u"ten"_s} << u"整数か off"_s;
        QTest::newRow("value without set")
            << QStringList{u"limits"_s, u"--user"_s, u"taro"_s, u"--value"_s, u"5"_s} << u"limits set"_s;
    }
    void wrongCommandLinesWriteNothing() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        TempFolder f;
        const CliResult r = runIn(f, arguments);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.errText().contains(says), qPrintable(r.errText()));
        QVERIFY(!QFile::exists(f.file(PlayDatabase::fileName())));
    }

  private:
    FixedClock m_clock{QDateTime()};
};

QTEST_GUILESS_MAIN(TestLimitCommands)
#include "tst_limitcommands.moc"
