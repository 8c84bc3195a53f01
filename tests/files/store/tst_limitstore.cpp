#include "common/clock.h"
#include "store/playdata.h"
#include "store/storeerror.h"
#include "store/writehook.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <optional>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

const QDateTime kNoon(QDate(2026, 12, 9), QTime(12, 0), Qt::UTC);

struct CountingHook : writehook::BeforeWrite {
    QStringList paths;
    void beforeWrite(const QString &filePath) override { paths.append(filePath); }
};

LimitRow row(LimitKind kind, std::optional<qint64> value) {
    LimitRow r;
    r.kind = kind;
    r.value = value;
    return r;
}

} // namespace

class TestLimitStore : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_dir.emplace();
        m_clock.emplace(kNoon);
        setClock(&*m_clock);
    }
    void cleanup() { setClock(nullptr); }

    void valuesAtTheirBounds_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<bool>("good");
        const int inv = int(LimitKind::Investment), vis = int(LimitKind::Visits), hrs = int(LimitKind::Hours);
        QTest::newRow("investment lowest") << inv << qint64(1000) << true;
        QTest::newRow("investment below") << inv << qint64(900) << false;
        QTest::newRow("investment highest") << inv << qint64(99999900) << true;
        QTest::newRow("investment above") << inv << qint64(100000000) << false;
        QTest::newRow("investment odd yen") << inv << qint64(50050) << false;
        QTest::newRow("visits 0") << vis << qint64(0) << false;
        QTest::newRow("visits 1") << vis << qint64(1) << true;
        QTest::newRow("visits 999") << vis << qint64(999) << true;
        QTest::newRow("visits 1000") << vis << qint64(1000) << false;
        QTest::newRow("half an hour") << hrs << qint64(30) << true;
        QTest::newRow("quarter hour") << hrs << qint64(15) << false;
        QTest::newRow("24 hours") << hrs << qint64(1440) << true;
        QTest::newRow("past a day") << hrs << qint64(1455) << false;
        QTest::newRow("not a quarter") << hrs << qint64(100) << false;
    }
    void valuesAtTheirBounds() {
        QFETCH(int, kind);
        QFETCH(qint64, value);
        QFETCH(bool, good);
        PlayDatabase db{DataFolder(m_dir->path())};
        LimitRow r = row(LimitKind(kind), value);
        try {
            db.setLimit(u"taro"_s, r);
            QVERIFY(good);
        } catch (const StoreError &e) {
            QVERIFY2(!good, qPrintable(e.reason()));
            QCOMPARE(e.kind(), StoreError::Kind::Invalid);
        }
        // The same value as a pending change is checked the same way.
        r.value = std::nullopt;
        r.pendingSet = true;
        r.pending = value;
        r.pendingFrom = kNoon.addDays(1);
        try {
            db.setLimit(u"hanako"_s, r);
            QVERIFY(good);
        } catch (const StoreError &) {
            QVERIFY(!good);
        }
        QCOMPARE(db.limits(u"taro"_s).size(), good ? 1 : 0);
        QCOMPARE(db.limits(u"hanako"_s).size(), good ? 1 : 0);
    }

    void rowsRoundTripPerUserThroughTheSnapshotHook() {
        CountingHook hook;
        const writehook::Registration reg(hook);
        PlayDatabase db{DataFolder(m_dir->path())};
        LimitRow hours = row(LimitKind::Hours, 180);
        hours.pendingSet = true; // switched off, from tomorrow noon
        hours.pendingFrom = kNoon.addDays(1);
        db.setLimit(u"taro"_s, hours);
        db.setLimit(u"taro"_s, row(LimitKind::Investment, 50000));
        db.setLimit(u"jiro"_s, row(LimitKind::Visits, 8));
        QCOMPARE(hook.paths.size(), 2 + 1);
        QCOMPARE(hook.paths.first(), db.path());

        const auto reopened = PlayDatabase::openFile(db.path());
        const QList<LimitRow> taro = reopened->limits(u"taro"_s);
        QCOMPARE(taro.size(), 2);
        QCOMPARE(taro[0].kind, LimitKind::Investment);
        QCOMPARE(taro[0].value, std::optional<qint64>(50000));
        QVERIFY(!taro[0].pendingSet);
        QCOMPARE(taro[1].kind, LimitKind::Hours);
        QCOMPARE(taro[1].value, std::optional<qint64>(180));
        QVERIFY(taro[1].pendingSet);
        QCOMPARE(taro[1].pending, std::nullopt);
        QCOMPARE(taro[1].pendingFrom, kNoon.addDays(1));
        QCOMPARE(taro[1].updated, kNoon);
        QCOMPARE(reopened->limits(u"jiro"_s).size(), 1);
        QVERIFY(reopened->limits(u"saburo"_s).isEmpty());
    }

    void mergeKeepsTheNewerRowPerUserAndKind() {
        QTemporaryDir otherDir;
        PlayDatabase ours{DataFolder(m_dir->path())};
        PlayDatabase theirs{DataFolder(otherDir.path())};
        ours.setLimit(u"taro"_s, row(LimitKind::Visits, 10));
        theirs.setLimit(u"taro"_s, row(LimitKind::Investment, 30000)); // only theirs
        m_clock->set(kNoon.addSecs(60));
        theirs.setLimit(u"taro"_s, row(LimitKind::Visits, 5)); // newer
        ours.setLimit(u"taro"_s, row(LimitKind::Hours, 120));
        m_clock->set(kNoon.addSecs(120));
        ours.setLimit(u"taro"_s, row(LimitKind::Hours, 60)); // newer than theirs below
        theirs.setLimit(u"jiro"_s, row(LimitKind::Hours, 240));
        m_clock->set(kNoon.addSecs(90));
        theirs.setLimit(u"taro"_s, row(LimitKind::Hours, 300));

        const auto other = PlayDatabase::openFile(theirs.path());
        const PlayDatabase::MergeReport r = ours.mergeFrom(*other);
        QCOMPARE(r.added, 2);    // taro's investment, jiro's hours
        QCOMPARE(r.replaced, 1); // taro's visits
        QCOMPARE(r.conflicts.size(), 2);
        const QList<LimitRow> taro = ours.limits(u"taro"_s);
        QCOMPARE(taro.size(), 3);
        QCOMPARE(taro[0].value, std::optional<qint64>(30000));
        QCOMPARE(taro[1].value, std::optional<qint64>(5));
        QCOMPARE(taro[2].value, std::optional<qint64>(60));
        QCOMPARE(ours.limits(u"jiro"_s).value(0).value, std::optional<qint64>(240));
        // Merging again changes nothing.
        const PlayDatabase::MergeReport again = ours.mergeFrom(*other);
        QCOMPARE(again.added + again.replaced, 0);
    }

  private:
    std::optional<QTemporaryDir> m_dir;
    std::optional<FixedClock> m_clock;
};

QTEST_GUILESS_MAIN(TestLimitStore)
#include "tst_limitstore.moc"
