#include "cardbuilder.h"
#include "store/backup.h"
#include "store/chodama.h"
#include "store/diary.h"
#include "store/merge.h"
#include "store/organise.h"
#include "store/playdata.h"
#include "store/storeerror.h"
#include "store/writehook.h"
#include "testsupport.h"

#include <QDataStream>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QString kDiary = u"taro.1999.dat"_s;

QByteArray visit(const QString &start, const QString &impression = QString()) {
    CardValues v;
    v.start = start;
    v.impression = impression;
    return cardBytes(v);
}

PlayInputs chodama(qint64 used, qint64 deposited) {
    PlayInputs p;
    p.chodamaUsed = used;
    p.chodamaDeposited = deposited;
    return p;
}

ChodamaEntry entry(const QString &store, const QDate &day, ChodamaKind kind, qint64 balls,
                   const QString &user = u"taro"_s) {
    ChodamaEntry e;
    e.user = user;
    e.store = store;
    e.day = day;
    e.kind = kind;
    e.balls = balls;
    return e;
}

struct CountingHook : writehook::BeforeWrite {
    int calls = 0;
    void beforeWrite(const QString &) override { ++calls; }
};

void sql(sqlite3 *db, const char *text) {
    char *message = nullptr;
    const int rc = sqlite3_exec(db, text, nullptr, nullptr, &message);
    QVERIFY2(rc == SQLITE_OK, message);
}

} // namespace

class TestChodama : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_dir.emplace();
        QVERIFY(m_dir->isValid());
    }

    void badValuesAreRefused_data() {
        QTest::addColumn<int>("caseNo");
        QTest::addColumn<int>("kind"); // -1: accepted
        const int invalid = int(StoreError::Kind::Invalid);
        QTest::newRow("deposit") << 0 << -1;
        QTest::newRow("adjustment below 0") << 1 << -1;
        QTest::newRow("deposit below 0") << 2 << invalid;
        QTest::newRow("0 balls") << 3 << invalid;
        QTest::newRow("past the most") << 4 << invalid;
        QTest::newRow("no store") << 5 << invalid;
        QTest::newRow("no user") << 6 << invalid;
        QTest::newRow("no day") << 7 << invalid;
        QTest::newRow("note outside the code page") << 8 << int(StoreError::Kind::Encoding);
        QTest::newRow("no such kind") << 9 << invalid;
        QTest::newRow("the most") << 10 << -1;
        QTest::newRow("card: used at the most") << 11 << -1;
        QTest::newRow("card: used past the most") << 12 << invalid;
        QTest::newRow("card: deposited below 0") << 13 << invalid;
    }
    void badValuesAreRefused() {
        QFETCH(int, caseNo);
        QFETCH(int, kind);
        ChodamaEntry e = entry(u"本店"_s, QDate(1999, 5, 3), ChodamaKind::Deposit, 100);
        PlayInputs p;
        switch (caseNo) {
        case 1:
            e.kind = ChodamaKind::Adjust, e.balls = -40;
            break;
        case 2:
            e.balls = -1;
            break;
        case 3:
            e.balls = 0;
            break;
        case 4:
            e.balls = kMaxChodamaBalls + 1;
            break;
        case 5:
            e.store = u"　 "_s;
            break;
        case 6:
            e.user.clear();
            break;
        case 7:
            e.day = QDate();
            break;
        case 8:
            e.note = u"😀"_s;
            break;
        case 9:
            e.kind = ChodamaKind(7);
            break;
        case 10:
            e.balls = kMaxChodamaBalls;
            break;
        case 11:
            p.chodamaUsed = kMaxChodamaBalls;
            break;
        case 12:
            p.chodamaUsed = kMaxChodamaBalls + 1;
            break;
        case 13:
            p.chodamaDeposited = -1;
            break;
        }
        if (caseNo >= 11) {
            QCOMPARE(storeErrorKind([&] { validatePlayInputs(p); }), kind);
            if (kind >= 0) {
                try {
                    validatePlayInputs(p);
                } catch (const StoreError &err) {
                    QVERIFY(err.reason().contains(caseNo == 12 ? u"貯玉再プレイ"_s : u"貯玉預け入れ"_s));
                }
            }
        } else {
            QCOMPARE(storeErrorKind([&] { validateChodamaEntry(e); }), kind);
        }
    }

    void feeIsRoundedHalfAwayFromZero_data() {
        QTest::addColumn<qint64>("used");
        QTest::addColumn<double>("percent"); // below 0: no fee set
        QTest::addColumn<qint64>("fee");
        QTest::newRow("10 % of 1000") << qint64(1000) << 10.0 << qint64(100);
        QTest::newRow("2.5 is 3") << qint64(25) << 10.0 << qint64(3);
        QTest::newRow("2.4 is 2") << qint64(24) << 10.0 << qint64(2);
        QTest::newRow("half of 0.1 %") << qint64(500) << 0.1 << qint64(1);
        QTest::newRow("a fee of 0") << qint64(1000) << 0.0 << qint64(0);
        QTest::newRow("no fee set") << qint64(1000) << -1.0 << qint64(0);
    }
    void feeIsRoundedHalfAwayFromZero() {
        QFETCH(qint64, used);
        QFETCH(double, percent);
        QFETCH(qint64, fee);
        QCOMPARE(chodamaFeeBalls(used, percent < 0 ? std::nullopt : std::optional(percent)), fee);
    }

    void kindsByEitherName() {
        QCOMPARE(chodamaKindFromName(u"預け入れ"_s), ChodamaKind::Deposit);
        QCOMPARE(chodamaKindFromName(u"Replay"_s), ChodamaKind::Replay);
        QCOMPARE(chodamaKindFromName(u"精算"_s), ChodamaKind::Settle);
        QCOMPARE(chodamaKindFromName(u"adjust"_s), ChodamaKind::Adjust);
        QCOMPARE(chodamaKindFromName(u"引き出し"_s), std::nullopt);
        QCOMPARE(entry(u"本店"_s, {}, ChodamaKind::Settle, 30).change(), -30);
        QCOMPARE(entry(u"本店"_s, {}, ChodamaKind::Adjust, -30).change(), -30);
    }

    void entriesAreStoredFoundAndRemoved() {
        PlayDatabase db{DataFolder(m_dir->path())};
        CountingHook hook;
        const writehook::Registration registered(hook);
        ChodamaEntry later = entry(u"本店　"_s, QDate(1999, 6, 1), ChodamaKind::Settle, 300);
        later.note = u"景品に"_s;
        const ChodamaEntry a = db.addChodamaEntry(later);
        const ChodamaEntry b =
            db.addChodamaEntry(entry(u"駅前店"_s, QDate(1999, 5, 1), ChodamaKind::Deposit, 10));
        db.addChodamaEntry(entry(u"本店"_s, QDate(1999, 5, 2), ChodamaKind::Deposit, 20, u"hana"_s));
        QCOMPARE(hook.calls, 3);
        QCOMPARE(a.uid.size(), 16);
        QVERIFY(a.uid != b.uid);
        QCOMPARE(a.store, u"本店"_s);
        QVERIFY(a.updated.isValid());
        QCOMPARE(db.chodamaEntries(u"taro"_s), (QList<ChodamaEntry>{b, a}));
        QCOMPARE(db.chodamaEntries(u"taro"_s, u"本店"_s), (QList<ChodamaEntry>{a}));
        QCOMPARE(storeErrorKind([&] { db.addChodamaEntry(entry(u"本店"_s, {}, ChodamaKind::Deposit, 1)); }),
                 int(StoreError::Kind::Invalid));
        QCOMPARE(hook.calls, 3); // refused before anything
        db.removeChodamaEntry(a.uid);
        QCOMPARE(db.chodamaEntries(u"taro"_s), (QList<ChodamaEntry>{b}));
        QCOMPARE(storeErrorKind([&] { db.removeChodamaEntry(a.uid); }), int(StoreError::Kind::Invalid));
    }

    // A card's 貯玉 is kept in its play row wherever the row goes.
    void cardsChodamaIsKeptInItsRow() {
        const DataFolder folder(m_dir->path());
        const QByteArray a = visit(u"1000"_s);
        const DiaryKeys keys = DiaryKeys::ofRecords({a});
        PlayDatabase db(folder);
        PlayInputs p = chodama(250, 400);
        p.spins = 12;
        db.setPlay(kDiary, keys.key(1), p, 1);
        QCOMPARE(db.play(kDiary, keys.key(1)), std::optional(p));
        QCOMPARE(db.playOfDiary(kDiary).value(keys.key(1)), p);
        PlayInputs seen;
        db.forEachPlay(kDiary, [&](const char *, int, const PlayInputs &v) { seen = v; });
        QCOMPARE(seen.chodamaUsed, p.chodamaUsed);
        QCOMPARE(seen.chodamaDeposited, p.chodamaDeposited);
        QVERIFY(!chodama(0, 0).isEmpty());

        // Set aside when the card changed elsewhere, and put back on it.
        test::writeFile(m_dir->filePath(kDiary), visit(u"1100"_s));
        QVERIFY(db.repair(folder).detached == 1);
        QCOMPARE(db.detached().size(), 1);
        QCOMPARE(db.detached()[0].play, p);
        const DiaryKeys now = DiaryKeys::ofDiary(folder, kDiary);
        db.attach(db.detached()[0].id, kDiary, now.key(1), 1);
        QCOMPARE(db.play(kDiary, now.key(1)), std::optional(p));
    }

    // A change noted before 貯玉 was kept (its steps without a version) is still finished.
    void pendingChangeOfTheOldFormIsFinished() {
        const DataFolder folder(m_dir->path());
        const QByteArray a = visit(u"1000"_s);
        test::writeFile(m_dir->filePath(kDiary), a);
        const CardKey key = DiaryKeys::ofRecords({a}).key(1);
        { PlayDatabase create(folder); }
        QByteArray steps;
        {
            QDataStream s(&steps, QIODevice::WriteOnly);
            s.setVersion(QDataStream::Qt_6_4);
            s << qint32(1) << qint32(1) << QByteArray() << qint32(0) << key.fingerprint << qint32(0)
              << qint32(1);
            s << true << qint64(321) << false << qint64(0) << true << qint64(4) << u"12"_s;
        }
        const DiaryExpectation expected = DiaryExpectation::fileWritten({a});
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(folder.file(PlayDatabase::fileName())).constData(), &raw),
                 SQLITE_OK);
        sqlite3_stmt *q = nullptr;
        sqlite3_prepare_v2(raw,
                           "INSERT INTO pending(diary, card, expect, size, steps) VALUES(?1, 0, ?2, ?3, ?4)",
                           -1, &q, nullptr);
        const QByteArray name = kDiary.toUtf8();
        sqlite3_bind_text(q, 1, name.constData(), int(name.size()), SQLITE_STATIC);
        sqlite3_bind_blob(q, 2, expected.fingerprint.constData(), int(expected.fingerprint.size()),
                          SQLITE_STATIC);
        sqlite3_bind_int64(q, 3, expected.size);
        sqlite3_bind_blob(q, 4, steps.constData(), int(steps.size()), SQLITE_STATIC);
        QCOMPARE(sqlite3_step(q), SQLITE_DONE);
        sqlite3_finalize(q);
        sqlite3_close(raw);

        PlayDatabase db(folder);
        QCOMPARE(db.repair(folder).completed, 1);
        PlayInputs want;
        want.spins = 321;
        want.hits = 4;
        want.machine = u"12"_s;
        QCOMPARE(db.play(kDiary, key), std::optional(want));
    }

    // A card's update, an organise that moves it, a merge of another copy of the diary and a
    // restore all keep its 貯玉 on it.
    void chodamaMovesWithItsCard() {
        const DataFolder folder(m_dir->path());
        const QByteArray a = visit(u"1000"_s), b = visit(u"0900"_s);
        test::writeFile(m_dir->filePath(kDiary), a + b);
        {
            PlayDatabase db(folder);
            const DiaryKeys keys = DiaryKeys::ofDiary(folder, kDiary);
            db.setPlay(kDiary, keys.key(1), chodama(100, 1000), 1);
            db.setPlay(kDiary, keys.key(2), chodama(0, 2000), 2);
        }
        auto onCards = [&] {
            const DiaryKeys keys = DiaryKeys::ofDiary(folder, kDiary);
            PlayDatabase db(folder);
            QList<qint64> out;
            for (int n = 1; n <= keys.count(); ++n)
                out.append(db.play(kDiary, keys.key(n)).value_or(PlayInputs()).chodamaDeposited.value_or(0));
            return out;
        };
        const backup::Snapshot before = backup::Backups(folder).take(backup::Reason::Manual);

        // The card's text changes (its impression), its play data does not.
        const QByteArray edited = visit(u"1000"_s, u"よかった"_s);
        const PlayChange change = PlayChange::forCardWrite(kDiary, DiaryKeys::ofDiary(folder, kDiary), 1,
                                                           edited.constData(), std::nullopt);
        QVERIFY(writeWithPlay(folder, change, DiaryExpectation::cardWritten(1, edited, 480),
                              [&] { test::writeFile(m_dir->filePath(kDiary), edited + b); }));
        QCOMPARE(onCards(), (QList<qint64>{1000, 2000}));

        organiseDiary(folder, kDiary); // b goes first by its start
        QCOMPARE(onCards(), (QList<qint64>{2000, 1000}));

        QTemporaryDir other;
        test::writeFile(other.filePath(kDiary), b + visit(u"1500"_s));
        mergeDiary(folder, kDiary, other.filePath(kDiary), 1999);
        QCOMPARE(onCards(), (QList<qint64>{2000, 1000, 0}));

        backup::Backups(folder).restore(before, kDiary);
        QCOMPARE(onCards(), (QList<qint64>{1000, 2000}));
        PlayDatabase db(folder);
        QCOMPARE(db.play(kDiary, DiaryKeys::ofDiary(folder, kDiary).key(1))->chodamaUsed, 100);
        QVERIFY(db.detached().isEmpty());
    }

    // Another copy of the database: entries by uid and settings by name, the newer kept.
    void mergeTakesEntriesByUidAndSettingsByName() {
        QTemporaryDir otherDir;
        PlayDatabase ours{DataFolder(m_dir->path())};
        const ChodamaEntry shared =
            ours.addChodamaEntry(entry(u"本店"_s, QDate(1999, 5, 1), ChodamaKind::Deposit, 10));
        ours.setUserSetting(u"taro"_s, u"chodama_in_totals"_s, u"1"_s);
        ours.backupTo(otherDir.filePath(PlayDatabase::fileName()));
        PlayDatabase theirs{DataFolder(otherDir.path())};
        QTest::qWait(5);
        // Theirs changed the shared entry later and added one; ours changed the setting later.
        {
            sqlite3 *raw = nullptr;
            sqlite3_open(QFile::encodeName(theirs.path()).constData(), &raw);
            sql(raw, "UPDATE chodama SET balls = 11, updated = updated + 1000");
            sqlite3_close(raw);
        }
        const ChodamaEntry added =
            theirs.addChodamaEntry(entry(u"駅前店"_s, QDate(1999, 5, 2), ChodamaKind::Deposit, 5));
        theirs.setUserSetting(u"taro"_s, u"chodama_in_totals"_s, u"0"_s);
        QTest::qWait(5);
        ours.setUserSetting(u"taro"_s, u"chodama_in_totals"_s, u"2"_s);
        ours.setUserSetting(u"hana"_s, u"x"_s, u"y"_s);

        const auto other = PlayDatabase::openFile(theirs.path());
        const PlayDatabase::MergeReport r = ours.mergeFrom(*other);
        QCOMPARE(r.added, 1);
        QCOMPARE(r.replaced, 1);
        QCOMPARE(r.conflicts.size(), 2);
        const QList<ChodamaEntry> got = ours.chodamaEntries(u"taro"_s);
        QCOMPARE(got.size(), 2);
        QCOMPARE(got[0].uid, shared.uid);
        QCOMPARE(got[0].balls, 11);
        QCOMPARE(got[1], added);
        QCOMPARE(ours.userSetting(u"taro"_s, u"chodama_in_totals"_s), std::optional(u"2"_s));
        QCOMPARE(ours.mergeFrom(*other).added, 0); // merged twice, nothing more
    }

    // A database of the first version gains the 貯玉 tables and keeps its rows.
    void upgradeFromTheFirstVersionKeepsItsRows() {
        const DataFolder folder(m_dir->path());
        const CardKey key = DiaryKeys::ofRecords({visit(u"1000"_s)}).key(1);
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(folder.file(PlayDatabase::fileName())).constData(), &raw),
                 SQLITE_OK);
        sql(raw,
            "CREATE TABLE hall_terms(store TEXT NOT NULL, from_date TEXT NOT NULL, lend REAL NOT NULL,"
            " exchange REAL NOT NULL, fee REAL, updated INTEGER NOT NULL, PRIMARY KEY(store, from_date))"
            " WITHOUT ROWID;"
            "CREATE TABLE model_specs(category INTEGER NOT NULL, model TEXT NOT NULL, probability REAL,"
            " payout REAL, border REAL, updated INTEGER NOT NULL, PRIMARY KEY(category, model)) WITHOUT "
            "ROWID;"
            "CREATE TABLE diaries(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, size INTEGER,"
            " mtime INTEGER);"
            "CREATE TABLE play(diary INTEGER NOT NULL, fingerprint BLOB NOT NULL, ordinal INTEGER NOT NULL,"
            " card_hint INTEGER NOT NULL, spins INTEGER, own_balls INTEGER, hits INTEGER, machine TEXT,"
            " updated INTEGER NOT NULL, PRIMARY KEY(diary, fingerprint, ordinal)) WITHOUT ROWID;"
            "CREATE TABLE detached_play(id INTEGER PRIMARY KEY, diary TEXT NOT NULL, card_hint INTEGER"
            " NOT NULL, spins INTEGER, own_balls INTEGER, hits INTEGER, machine TEXT, updated INTEGER NOT"
            " NULL);"
            "CREATE TABLE pending(id INTEGER PRIMARY KEY, diary TEXT NOT NULL, card INTEGER NOT NULL,"
            " expect BLOB NOT NULL, size INTEGER NOT NULL, steps BLOB NOT NULL);"
            "INSERT INTO hall_terms VALUES('本店', '1999-01-01', 4, 28, 3, 0);"
            "INSERT INTO diaries(id, name) VALUES(1, 'taro.1999.dat');"
            "INSERT INTO detached_play VALUES(1, 'taro.1999.dat', 2, 5, NULL, NULL, '', 0);"
            "PRAGMA user_version=1;");
        sqlite3_stmt *q = nullptr;
        sqlite3_prepare_v2(raw, "INSERT INTO play VALUES(1, ?1, 0, 1, 300, 20, 2, '7', 0)", -1, &q, nullptr);
        sqlite3_bind_blob(q, 1, key.fingerprint.constData(), 16, SQLITE_STATIC);
        QCOMPARE(sqlite3_step(q), SQLITE_DONE);
        sqlite3_finalize(q);
        sqlite3_close(raw);

        PlayDatabase db(folder);
        QVERIFY2(db.isOpen(), qPrintable(db.reason()));
        PlayInputs want;
        want.spins = 300;
        want.ownBalls = 20;
        want.hits = 2;
        want.machine = u"7"_s;
        QCOMPARE(db.play(kDiary, key), std::optional(want));
        QCOMPARE(db.detached().size(), 1);
        QCOMPARE(db.detached()[0].play.spins, 5);
        QCOMPARE(db.termsOn(u"本店"_s, QDate(1999, 5, 1))->exchange, 28.0);
        db.addChodamaEntry(entry(u"本店"_s, QDate(1999, 5, 1), ChodamaKind::Deposit, 10));
        QCOMPARE(db.chodamaEntries(u"taro"_s).size(), 1);
    }

  private:
    std::optional<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestChodama)
#include "tst_chodama.moc"
