#include "card/limits.h"
#include "cardbuilder.h"
#include "common/clock.h"
#include "store/datafolder.h"

#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

using Value = std::optional<qint64>;
Q_DECLARE_METATYPE(Value)

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(14, 30));
constexpr qint64 kDay = kLimitWaitSeconds;

CardValues card(const QString &date, const QString &start, const QString &end, int hundreds) {
    CardValues v;
    v.date = date;
    v.start = start;
    v.end = end;
    v.investment = digits4(hundreds);
    return v;
}

} // namespace

class TestLimits : public QObject {
    Q_OBJECT

  private slots:
    // pendingIn: seconds from now when a stored change takes effect (negative: already
    // due); nothing stored pending when pendingSet is false.
    void changeTightensAtOnceAndLoosensAfterADay_data() {
        QTest::addColumn<Value>("value");
        QTest::addColumn<bool>("pendingSet");
        QTest::addColumn<Value>("pending");
        QTest::addColumn<qint64>("pendingIn");
        QTest::addColumn<Value>("set");
        QTest::addColumn<Value>("wantValue");
        QTest::addColumn<bool>("wantPendingSet");
        QTest::addColumn<Value>("wantPending");
        QTest::addColumn<qint64>("wantPendingIn");
        const Value off;
        QTest::newRow("set where none")
            << off << false << off << qint64(0) << Value(50000) << Value(50000) << false << off << qint64(0);
        QTest::newRow("lowered") << Value(50000) << false << off << qint64(0) << Value(30000) << Value(30000)
                                 << false << off << qint64(0);
        QTest::newRow("raised waits") << Value(50000) << false << off << qint64(0) << Value(60000)
                                      << Value(50000) << true << Value(60000) << kDay;
        QTest::newRow("off waits") << Value(50000) << false << off << qint64(0) << off << Value(50000) << true
                                   << off << kDay;
        QTest::newRow("off while off")
            << off << false << off << qint64(0) << off << off << false << off << qint64(0);
        QTest::newRow("lowering drops a waiting raise")
            << Value(50000) << true << Value(80000) << qint64(3600) << Value(40000) << Value(40000) << false
            << off << qint64(0);
        QTest::newRow("the same again drops a waiting raise")
            << Value(50000) << true << off << qint64(3600) << Value(50000) << Value(50000) << false << off
            << qint64(0);
        QTest::newRow("a smaller raise keeps the waiting time")
            << Value(50000) << true << Value(80000) << qint64(3600) << Value(60000) << Value(50000) << true
            << Value(60000) << qint64(3600);
        QTest::newRow("a larger raise waits a day again")
            << Value(50000) << true << Value(60000) << qint64(3600) << Value(90000) << Value(50000) << true
            << Value(90000) << kDay;
        QTest::newRow("a change due is in force before the next")
            << Value(50000) << true << Value(60000) << qint64(-1) << Value(70000) << Value(60000) << true
            << Value(70000) << kDay;
    }
    void changeTightensAtOnceAndLoosensAfterADay() {
        QFETCH(Value, value);
        QFETCH(bool, pendingSet);
        QFETCH(Value, pending);
        QFETCH(qint64, pendingIn);
        QFETCH(Value, set);
        LimitRow stored;
        stored.kind = LimitKind::Investment;
        stored.value = value;
        stored.pendingSet = pendingSet;
        stored.pending = pending;
        if (pendingSet) stored.pendingFrom = kNow.addSecs(pendingIn).toUTC();
        const LimitRow r = UserLimits({stored}).change(LimitKind::Investment, set, kNow);
        QTEST(r.value, "wantValue");
        QTEST(r.pendingSet, "wantPendingSet");
        QTEST(r.pending, "wantPending");
        QFETCH(qint64, wantPendingIn);
        if (r.pendingSet) QCOMPARE(r.pendingFrom, kNow.addSecs(wantPendingIn));
    }

    void aRaiseIsInForceOnlyAfterItsDay() {
        FixedClock clock(kNow);
        LimitRow stored;
        stored.kind = LimitKind::Visits;
        stored.value = 8;
        const LimitRow raised = UserLimits({stored}).change(LimitKind::Visits, 12, clock.now());
        const UserLimits limits({raised});
        Value waiting;
        QCOMPARE(limits.inForce(LimitKind::Visits, clock.now()), Value(8));
        QVERIFY(limits.waits(LimitKind::Visits, clock.now(), &waiting));
        QCOMPARE(waiting, Value(12));
        clock.set(kNow.addSecs(kDay - 1));
        QCOMPARE(limits.inForce(LimitKind::Visits, clock.now()), Value(8));
        clock.set(kNow.addSecs(kDay));
        QCOMPARE(limits.inForce(LimitKind::Visits, clock.now()), Value(12));
        QVERIFY(!limits.waits(LimitKind::Visits, clock.now()));
        QVERIFY(limits.anyInForce(clock.now()));
    }

    // 9 December 2026: what counts is this month's cards, and today's for the hours.
    void usageCountsTheMonthAndTheDay() {
        QTemporaryDir dir;
        const CardValues marked = [] {
            CardValues v = card(u"20261209水"_s, u"0900"_s, u"1000"_s, 100);
            v.date[0] = u'R';
            return v;
        }();
        writeDiary(dir.path(), u"taro.2026.dat"_s,
                   {makeCard(card(u"20261201火"_s, u"1000"_s, u"1200"_s, 150)),
                    makeCard(card(u"20261209水"_s, u"1000"_s, u"1130"_s, 200)),
                    makeCard(card(u"20261209水"_s, u"2300"_s, u"0030"_s, 50)),  // past midnight: 90
                    makeCard(card(u"20261109月"_s, u"1000"_s, u"1200"_s, 300)), // last month
                    makeCard(card(u"20261232水"_s, u"1000"_s, u"1200"_s, 300)), // no such date
                    makeCard(marked)});
        writeDiary(dir.path(), u"jiro.2026.dat"_s,
                   {makeCard(card(u"20261209水"_s, u"1000"_s, u"1200"_s, 10))});
        const LimitUsage u = limitUsage(DataFolder(dir.path()), u"taro"_s, kNow);
        QCOMPARE(u.investment, qint64(40000));
        QCOMPARE(u.visits, qint64(3));
        QCOMPARE(u.minutes, qint64(90 + 90));
        QCOMPARE(limitUsage(DataFolder(dir.path()), u"saburo"_s, kNow), LimitUsage());
    }

    void aCrossingIsReportedOnceWhenUsagePassesTheLimit_data() {
        QTest::addColumn<qint64>("before");
        QTest::addColumn<qint64>("after");
        QTest::addColumn<bool>("crossed");
        QTest::newRow("below to at") << qint64(40000) << qint64(50000) << false;
        QTest::newRow("at to above") << qint64(50000) << qint64(50100) << true;
        QTest::newRow("below to above") << qint64(10000) << qint64(60000) << true;
        QTest::newRow("already above") << qint64(50100) << qint64(70000) << false;
    }
    void aCrossingIsReportedOnceWhenUsagePassesTheLimit() {
        QFETCH(qint64, before);
        QFETCH(qint64, after);
        QFETCH(bool, crossed);
        LimitRow stored;
        stored.kind = LimitKind::Investment;
        stored.value = 50000;
        const QList<LimitCrossing> c =
            limitCrossings(UserLimits({stored}), kNow, LimitUsage{before, 1, 0}, LimitUsage{after, 9, 900});
        QCOMPARE(c.size(), crossed ? 1 : 0); // visits and hours have no limit
        if (crossed)
            QCOMPARE(crossingText(c[0]), u"今月の投資が上限の50,000円を超えました（"_s +
                                             limitValueText(LimitKind::Investment, after) + u"）。"_s);
    }

    void theLineShowsTheLimitNearestItsLimit() {
        LimitRow investment, hours;
        investment.kind = LimitKind::Investment;
        investment.value = 50000;
        hours.kind = LimitKind::Hours;
        hours.value = 240;
        const UserLimits limits({investment, hours});
        QCOMPARE(nearestLimitText(limits, LimitUsage{42000, 3, 60}, kNow),
                 u"今月の投資 42,000円 / 上限 50,000円"_s);
        QCOMPARE(nearestLimitText(limits, LimitUsage{10000, 3, 210}, kNow),
                 u"今日の遊技時間 3時間30分 / 上限 4時間"_s);
        QVERIFY(nearestLimitText(UserLimits(), LimitUsage{10000, 3, 210}, kNow).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLimits)
#include "tst_limits.moc"
