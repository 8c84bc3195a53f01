#include "reports/chodamaledger.h"
#include "store/playdata.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::cardBytes;
using tama::test::CardValues;

namespace {

const QString kDiary = u"taro.1999.dat"_s;
constexpr qint64 kNone = std::numeric_limits<qint64>::min();

QByteArray visit(const QString &date, const QString &store, const QString &start = u"1000"_s) {
    CardValues v;
    v.date = date;
    v.store = store;
    v.start = start;
    return cardBytes(v);
}

PlayInputs chodama(std::optional<qint64> used, std::optional<qint64> deposited) {
    PlayInputs p;
    p.chodamaUsed = used;
    p.chodamaDeposited = deposited;
    return p;
}

ChodamaEntry entry(const QString &store, const QDate &day, ChodamaKind kind, qint64 balls) {
    ChodamaEntry e;
    e.user = u"taro"_s;
    e.store = store;
    e.day = day;
    e.kind = kind;
    e.balls = balls;
    return e;
}

// One line as text, so that a whole ledger compares in one go.
QString lineText(const ChodamaLine &l) {
    return l.day.toString(u"MM-dd"_s) + u' ' + l.store + u' ' + chodamaKindName(l.kind) + u' ' +
           QString::number(l.balls) + u'/' + QString::number(l.feeBalls) + u'/' + QString::number(l.change) +
           u'=' + QString::number(l.balance) + (l.card ? u" #"_s + QString::number(l.card) : u" hand"_s);
}

} // namespace

class TestChodamaLedger : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_dir.emplace();
        m_folder.emplace(m_dir->path());
        m_db = std::make_unique<PlayDatabase>(*m_folder);
        QVERIFY(m_db->isOpen());
        // 本店: 28 balls per 100 yen with a 10 % fee, then 25 balls with 5 % from June.
        m_db->setHallTerms(HallTerms{u"本店"_s, QDate(1999, 1, 1), 4, 28, 10.0, {}});
        m_db->setHallTerms(HallTerms{u"本店"_s, QDate(1999, 6, 1), 4, 25, 5.0, {}});
        m_db->setHallTerms(HallTerms{u"駅前店"_s, QDate(1999, 1, 1), 4, 40, std::nullopt, {}});
    }
    void cleanup() {
        m_db.reset();
        m_folder.reset();
        m_dir.reset();
    }

    // Worked by hand: cards post on their day before the entries made by hand; a replay pays
    // the fee of the terms on its day; the halls are valued at the terms on the day asked for.
    void ledgerOfSeveralHallsByHand() {
        QByteArray marked = visit(u"19990503月"_s, u"本店"_s, u"1800"_s);
        marked[0] = 'R';
        const QList<QByteArray> records = {
            visit(u"19990503月"_s, u"本店"_s),   visit(u"19990510月"_s, u"本店"_s),
            visit(u"19990510月"_s, u"駅前店"_s), visit(u"19990701木"_s, u"本店"_s),
            visit(u"19990702金"_s, u"本店"_s),   marked};
        test::writeFile(m_folder->file(kDiary), records.join());
        const DiaryKeys keys = DiaryKeys::ofRecords(records);
        m_db->setPlay(kDiary, keys.key(1), chodama(std::nullopt, 1000), 1);
        m_db->setPlay(kDiary, keys.key(2), chodama(250, 400), 2);
        m_db->setPlay(kDiary, keys.key(3), chodama(std::nullopt, 333), 3);
        m_db->setPlay(kDiary, keys.key(4), chodama(50, std::nullopt), 4);
        PlayInputs spinsOnly;
        spinsOnly.spins = 300;
        m_db->setPlay(kDiary, keys.key(5), spinsOnly, 5);
        m_db->setPlay(kDiary, keys.key(6), chodama(std::nullopt, 999), 6); // marked for deletion
        m_db->addChodamaEntry(entry(u"本店"_s, QDate(1999, 5, 10), ChodamaKind::Adjust, -5));
        m_db->addChodamaEntry(entry(u"駅前店"_s, QDate(1999, 5, 1), ChodamaKind::Deposit, 100));
        m_db->addChodamaEntry(entry(u"駅裏店"_s, QDate(1999, 8, 1), ChodamaKind::Deposit, 10));
        m_db->addChodamaEntry(entry(u"本店"_s, QDate(1999, 7, 2), ChodamaKind::Settle, 300));
        m_db->addChodamaEntry(entry(u"本店"_s, QDate(1999, 7, 3), ChodamaKind::Replay, 100));
        ChodamaEntry someoneElse = entry(u"本店"_s, QDate(1999, 5, 3), ChodamaKind::Deposit, 7777);
        someoneElse.user = u"hana"_s;
        m_db->addChodamaEntry(someoneElse);

        const ChodamaLedger all = chodamaLedger(*m_folder, *m_db, u"taro"_s, QString(), QDate(1999, 12, 31));
        QStringList lines;
        for (const ChodamaLine &l : all.lines)
            lines.append(lineText(l));
        QCOMPARE(lines, (QStringList{
                            u"05-01 駅前店 預け入れ 100/0/100=100 hand"_s,
                            u"05-03 本店 預け入れ 1000/0/1000=1000 #1"_s,
                            u"05-10 本店 再プレイ 250/25/-275=725 #2"_s,
                            u"05-10 本店 預け入れ 400/0/400=1125 #2"_s,
                            u"05-10 駅前店 預け入れ 333/0/333=433 #3"_s,
                            u"05-10 本店 調整 -5/0/-5=1120 hand"_s,
                            u"07-01 本店 再プレイ 50/3/-53=1067 #4"_s, // 2.5 balls of fee are 3
                            u"07-02 本店 精算 300/0/-300=767 hand"_s,
                            u"07-03 本店 再プレイ 100/5/-105=662 hand"_s,
                            u"08-01 駅裏店 預け入れ 10/0/10=10 hand"_s,
                        }));
        QCOMPARE(all.lines[1].diary, kDiary);
        QVERIFY(all.problems.isEmpty());
        // 662 balls at 4 yen, 433 at 2.5 yen (1082.5 → 1083), 駅裏店 without terms.
        QCOMPARE(all.halls.size(), 3);
        QCOMPARE(all.halls[0].store, u"本店"_s);
        QCOMPARE(all.halls[0].balls, 662);
        QCOMPARE(all.halls[0].yen, std::optional<qint64>(2648));
        QCOMPARE(all.halls[1].store, u"駅前店"_s);
        QCOMPARE(all.halls[1].yen, std::optional<qint64>(1083));
        QCOMPARE(all.halls[2].store, u"駅裏店"_s);
        QCOMPARE(all.halls[2].yen, std::nullopt);
        QCOMPARE(all.totalYen, 2648 + 1083);

        // Valued in March, 本店 is at 28 balls per 100 yen: 662 × 100 / 28 = 2364.3.
        const ChodamaLedger march =
            chodamaLedger(*m_folder, *m_db, u"taro"_s, u"本店　"_s, QDate(1999, 3, 1));
        QCOMPARE(march.lines.size(), 7);
        QCOMPARE(march.halls.size(), 1);
        QCOMPARE(march.halls[0].yen, std::optional<qint64>(2364));
        QCOMPARE(march.totalYen, 2364);
    }

    // A diary that cannot be read is named, the others still count.
    void aDiaryThatCannotBeReadIsNamed() {
        const QByteArray card = visit(u"19990503月"_s, u"本店"_s);
        test::writeFile(m_folder->file(kDiary), card);
        const DiaryKeys keys = DiaryKeys::ofRecords({card});
        m_db->setPlay(kDiary, keys.key(1), chodama(std::nullopt, 1000), 1);
        m_db->setPlay(u"taro.1998.dat"_s, keys.key(1), chodama(std::nullopt, 50), 1);
        QCOMPARE(::mkfifo(QFile::encodeName(m_folder->file(u"taro.1998.dat"_s)).constData(), 0644), 0);
        const ChodamaLedger l = chodamaLedger(*m_folder, *m_db, u"taro"_s, QString(), QDate(1999, 12, 31));
        QCOMPARE(l.problems.size(), 1);
        QVERIFY2(l.problems[0].contains(u"taro.1998.dat"_s), qPrintable(l.problems[0]));
        QCOMPARE(l.lines.size(), 1);
        QCOMPARE(l.halls.size(), 1);
        QCOMPARE(l.halls[0].balls, 1000);
    }

    void cardChange_data() {
        QTest::addColumn<qint64>("used");
        QTest::addColumn<qint64>("deposited");
        QTest::addColumn<bool>("withTerms");
        QTest::addColumn<qint64>("change");
        QTest::addColumn<qint64>("yen"); // kNone: nothing
        // 本店 in May: 28 balls per 100 yen, 10 % fee.
        QTest::newRow("replay and deposit")
            << qint64(250) << qint64(400) << true << qint64(125) << qint64(446);
        QTest::newRow("replay only, fee rounded up")
            << qint64(5) << qint64(-1) << true << qint64(-6) << qint64(-21);
        QTest::newRow("without terms no fee, no yen")
            << qint64(250) << qint64(400) << false << qint64(150) << kNone;
        QTest::newRow("no 貯玉") << qint64(-1) << qint64(-1) << true << qint64(0) << kNone;
    }
    void cardChange() {
        QFETCH(qint64, used);
        QFETCH(qint64, deposited);
        QFETCH(bool, withTerms);
        QFETCH(qint64, change);
        QFETCH(qint64, yen);
        const PlayInputs p = chodama(used < 0 ? std::nullopt : std::optional(used),
                                     deposited < 0 ? std::nullopt : std::optional(deposited));
        const std::optional<HallTerms> terms = m_db->termsOn(u"本店"_s, QDate(1999, 5, 10));
        const HallTerms *t = withTerms ? &*terms : nullptr;
        QCOMPARE(chodamaChangeOfCard(p, t), change);
        QCOMPARE(chodamaYenOfCard(p, t), yen == kNone ? std::nullopt : std::optional(yen));
    }

    void totalsSwitchIsTheUsersOwn() {
        QVERIFY(!chodamaInTotals(*m_db, u"taro"_s));
        setChodamaInTotals(*m_db, u"taro"_s, true);
        QVERIFY(chodamaInTotals(*m_db, u"taro"_s));
        QVERIFY(!chodamaInTotals(*m_db, u"hana"_s));
        setChodamaInTotals(*m_db, u"taro"_s, false);
        QVERIFY(!chodamaInTotals(*m_db, u"taro"_s));
        QCOMPARE(m_db->userSetting(u"taro"_s, u"chodama_in_totals"_s), std::nullopt);
    }

  private:
    std::optional<QTemporaryDir> m_dir;
    std::optional<DataFolder> m_folder;
    std::unique_ptr<PlayDatabase> m_db;
};

TAMA_TEST_MAIN(TestChodamaLedger)
#include "tst_chodamaledger.moc"
