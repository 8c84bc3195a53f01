#include "clifixture.h"
#include "support/testsupport.h"

#include "common/clock.h"
#include "reports/chodamaledger.h"
#include "store/backup.h"
#include "store/playdata.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;
using namespace tama::test::samples;

namespace {

const QString kDiary = u"taro.1999.dat"_s;
const QString kDb = u"tamanote.db"_s;
const QStringList kAdd{u"chodama"_s, u"add"_s, u"--user"_s, u"taro"_s};

// 本店 (25 balls per 100 yen, 10 % fee) and 支店 (no terms); card 1 at 本店 on 3 May 1999
// replayed 250 balls and stored 400, card 2 at 支店 stored 30.
void writeFolder(const TempFolder &f) {
    f.write(u"patishop.dat"_s, field(kHonten, 80) + field(kShiten, 80));
    CardValues atShiten;
    atShiten.store = u"支店"_s;
    atShiten.start = u"1300"_s;
    f.write(kDiary, diaryBytes({CardValues{}, atShiten}));
    const DataFolder folder(f.path());
    PlayDatabase db(folder);
    QVERIFY2(db.isOpen(), qPrintable(db.reason()));
    db.setHallTerms(HallTerms{u"本店"_s, QDate(1999, 1, 1), 4, 25, 10.0, {}});
    const DiaryKeys keys = DiaryKeys::ofDiary(folder, kDiary);
    PlayInputs p;
    p.chodamaUsed = 250;
    p.chodamaDeposited = 400;
    db.setPlay(kDiary, keys.key(1), p, 1);
    p = PlayInputs{};
    p.chodamaDeposited = 30;
    db.setPlay(kDiary, keys.key(2), p, 2);
    ChodamaEntry e;
    e.user = u"taro"_s;
    e.store = u"本店"_s;
    e.day = QDate(1999, 5, 4);
    e.kind = ChodamaKind::Settle;
    e.balls = 100;
    e.note = u"景品"_s;
    db.addChodamaEntry(e);
}

QList<ChodamaEntry> entries(const TempFolder &f) {
    return PlayDatabase(DataFolder(f.path()), PlayDatabase::Mode::ReadOnly).chodamaEntries(u"taro"_s);
}

} // namespace

class TestChodamaCommands : public QObject {
    Q_OBJECT

  private slots:
    void init() { setClock(&m_clock); }
    void cleanup() { setClock(nullptr); }

    // 250 replayed at 10 % pay 25 more: 400 − 275 = 125, less 100 settled; 25 × 4 yen.
    void ledgerAsText() {
        TempFolder f;
        writeFolder(f);
        const CliResult r = runIn(f, {u"chodama"_s, u"--user"_s, u"taro"_s});
        QCOMPARE(r.status, 0);
        const QString uid = QString::fromLatin1(entries(f).value(0).uid.toHex());
        QCOMPARE(r.outText().split(u'\n'),
                 (QStringList{u"日付\t店名\t種類\t玉数\t手数料\t増減\t残高\t元\tメモ"_s,
                              u"1999-05-03\t本店\t再プレイ\t250\t25\t-275\t-275\ttaro.1999.dat #1\t-"_s,
                              u"1999-05-03\t本店\t預け入れ\t400\t0\t400\t125\ttaro.1999.dat #1\t-"_s,
                              u"1999-05-03\t支店\t預け入れ\t30\t0\t30\t30\ttaro.1999.dat #2\t-"_s,
                              u"1999-05-04\t本店\t精算\t100\t0\t-100\t25\t"_s + uid + u"\t景品"_s, QString(),
                              u"店名\t残高\t円（2026-12-09 の交換条件）"_s, u"支店\t30\t-（交換条件なし）"_s,
                              u"本店\t25\t100"_s, u"合計\t\t100"_s, QString()}));
    }

    void ledgerAsJsonOfOneHall() {
        TempFolder f;
        writeFolder(f);
        const CliResult r =
            runIn(f, {u"chodama"_s, u"--user"_s, u"taro"_s, u"--store"_s, u"本店"_s, u"--json"_s});
        QCOMPARE(r.status, 0);
        const QJsonObject o = r.json();
        QCOMPARE(o[u"valued_on"_s].toString(), u"2026-12-09"_s);
        const QJsonArray lines = o[u"lines"_s].toArray();
        QCOMPARE(lines.size(), 3);
        const QJsonObject replay = lines[0].toObject();
        QCOMPARE(replay[u"kind"_s].toString(), u"再プレイ"_s);
        QCOMPARE(replay[u"fee"_s].toInt(), 25);
        QCOMPARE(replay[u"change"_s].toInt(), -275);
        QCOMPARE(replay[u"card"_s].toInt(), 1);
        QVERIFY(replay[u"uid"_s].isNull());
        QCOMPARE(lines[2].toObject()[u"uid"_s].toString().size(), 32);
        QVERIFY(lines[2].toObject()[u"card"_s].isNull());
        const QJsonArray halls = o[u"halls"_s].toArray();
        QCOMPARE(halls.size(), 1);
        QCOMPARE(halls[0].toObject()[u"yen"_s].toInt(), 100);
        QCOMPARE(o[u"total_yen"_s].toInt(), 100);
    }

    // Added under the lock after the day's snapshot, dated today unless told.
    void addWritesAfterTheSnapshot() {
        TempFolder f;
        writeFolder(f);
        const CliResult r = runIn(
            f, kAdd + QStringList{u"--store"_s, u"支店"_s, u"--kind"_s, u"調整"_s, u"--balls"_s, u"-5"_s});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.outText().contains(u"加えました"_s), r.out.constData());
        const QList<ChodamaEntry> all = entries(f);
        QCOMPARE(all.size(), 2);
        QCOMPARE(all[1].day, QDate(2026, 12, 9));
        QCOMPARE(all[1].store, u"支店"_s);
        QCOMPARE(all[1].kind, ChodamaKind::Adjust);
        QCOMPARE(all[1].balls, -5);
        const QList<backup::Snapshot> snapshots = backup::Backups(DataFolder(f.path())).list();
        QCOMPARE(snapshots.size(), 1);
        QCOMPARE(snapshots.first().reason, backup::Reason::Daily);

        QCOMPARE(
            runIn(f, {u"chodama"_s, u"remove"_s, u"--uid"_s, QString::fromLatin1(all[1].uid.toHex())}).status,
            0);
        QCOMPARE(entries(f).size(), 1);
    }

    void dryRunWritesNothing() {
        TempFolder f;
        writeFolder(f);
        const QByteArray before = f.read(kDb);
        const CliResult r =
            runIn(f, kAdd + QStringList{u"--store"_s, u"本店"_s, u"--kind"_s, u"replay"_s, u"--balls"_s,
                                        u"70"_s, u"--date"_s, u"1999-06-01"_s, u"--dry-run"_s});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.outLines().value(0), u"add\t1999-06-01\t本店\t再プレイ\t70\t-"_s);
        QCOMPARE(f.read(kDb), before);
        QVERIFY(!f.exists(u"backups"_s));
    }

    void badEntriesAreRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QStringList deposit{u"--kind"_s, u"deposit"_s, u"--balls"_s, u"10"_s};
        QTest::newRow("store not in the file") << QStringList{u"--store"_s, u"新店"_s} + deposit
                                               << u"店の一覧（patishop.dat）にない店です: 新店"_s;
        QTest::newRow("no such kind")
            << QStringList{u"--store"_s, u"本店"_s, u"--kind"_s, u"引き出し"_s, u"--balls"_s, u"10"_s}
            << u"--kind は"_s;
        QTest::newRow("deposit below 0")
            << QStringList{u"--store"_s, u"本店"_s, u"--kind"_s, u"deposit"_s, u"--balls"_s, u"-10"_s}
            << u"調整で"_s;
        QTest::newRow("no such day") << QStringList{u"--store"_s, u"本店"_s, u"--date"_s, u"1999-02-30"_s} +
                                            deposit
                                     << u"--date は日付"_s;
    }
    void badEntriesAreRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        TempFolder f;
        writeFolder(f);
        const QByteArray before = f.read(kDb);
        const CliResult r = runIn(f, kAdd + arguments);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.errText().contains(message), qPrintable(r.errText()));
        QCOMPARE(f.read(kDb), before);
    }

    // A card's 貯玉 through play, and in the cards' play object.
    void playSetsACardsChodama() {
        TempFolder f;
        writeFolder(f);
        const CliResult r = runIn(f, {u"play"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--card"_s,
                                      u"2"_s, u"--chodama-used"_s, u"10000000"_s, u"--yes"_s});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.outText().contains(u"貯玉再プレイ\t-\t→\t10000000"_s), r.out.constData());
        const CliResult cards =
            runIn(f, {u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s});
        const QJsonObject play = cards.json()[u"cards"_s].toArray()[1].toObject()[u"play"_s].toObject();
        QCOMPARE(play[u"chodama_used"_s].toInteger(), 10000000);
        QCOMPARE(play[u"chodama_deposited"_s].toInt(), 30);
        const CliResult tooMany = runIn(f, {u"play"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s,
                                            u"--card"_s, u"2"_s, u"--chodama-deposited"_s, u"10000001"_s});
        QCOMPARE(tooMany.status, 2);
    }

    // With the user's switch on, card 1's 125 balls (400 stored, 250 and a fee of 25 replayed)
    // count at 4 yen as 500 yen taken home in the statistics, the year list and the report;
    // 支店 has no terms, so card 2's 30 balls count nothing. Off, no figure changes.
    void theSwitchCountsInTheTotals() {
        TempFolder f;
        writeFolder(f);
        f.write(u"hirapati.dat"_s,
                hex("82 77") + spaces(158)); // the cards' model Ｘ, for the year list's filter
        const QStringList stats{u"stats"_s, u"--user"_s, u"taro"_s, u"--year"_s,
                                u"1999"_s,  u"--by"_s,   u"hall"_s, u"--json"_s};
        const QStringList list{u"list"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s};
        const QStringList report{u"report"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s};
        auto group = [](const QJsonObject &o, const QString &key) {
            for (const QJsonValue &g : o[u"groups"_s].toArray())
                if (g[u"key"_s].toString() == key) return g.toObject();
            return QJsonObject();
        };
        const QJsonObject offStats = runIn(f, stats).json();
        QVERIFY(!offStats[u"total"_s].toObject().contains(u"chodama_yen"_s));
        QCOMPARE(offStats[u"total"_s][u"cash_out"_s].toInteger(), 8000);
        QVERIFY(!runIn(f, list).json()[u"totals"_s].toObject().contains(u"chodama_yen"_s));
        QVERIFY(!runIn(f, report).json().contains(u"chodama_yen"_s));

        {
            PlayDatabase db{DataFolder(f.path())};
            setChodamaInTotals(db, u"taro"_s, true);
        }
        const QJsonObject on = runIn(f, stats).json();
        const QJsonObject honten = group(on, u"本店"_s);
        QCOMPARE(honten[u"chodama_yen"_s].toInteger(), 500);
        QCOMPARE(honten[u"cash_out"_s].toInteger(), 4500);
        QCOMPARE(honten[u"profit"_s].toInteger(), -10500);
        QCOMPARE(group(on, u"支店"_s)[u"chodama_yen"_s].toInteger(), 0);
        QCOMPARE(on[u"total"_s][u"chodama_yen"_s].toInteger(), 500);
        QCOMPARE(on[u"total"_s][u"investment"_s].toInteger(), 30000);
        const QStringList keys = on[u"total"_s].toObject().keys();
        QVERIFY(keys.contains(u"current_streak"_s) && keys.contains(u"chodama_yen"_s));
        const QJsonObject totals = runIn(f, list).json()[u"totals"_s].toObject();
        QCOMPARE(totals[u"chodama_yen"_s].toInteger(), 500);
        QCOMPARE(totals[u"cash_out"_s].toString(), u" 8500"_s);
        QCOMPARE(runIn(f, report).json()[u"chodama_yen"_s].toInteger(), 500);
        const CliResult text = runIn(f, stats.mid(0, 7));
        QCOMPARE(text.outLines().last(), u"貯玉 +500円を含む"_s);
    }

  private:
    FixedClock m_clock{QDateTime(QDate(2026, 12, 9), QTime(12, 0))};
};

TAMA_TEST_MAIN(TestChodamaCommands)
#include "tst_chodamacommands.moc"
