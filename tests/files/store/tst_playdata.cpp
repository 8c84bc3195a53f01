#include "cardbuilder.h"
#include "store/backup.h"
#include "store/diary.h"
#include "store/foldercheck.h"
#include "store/merge.h"
#include "store/organise.h"
#include "store/playdata.h"
#include "store/storeerror.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QString kDiary = u"taro.1999.dat"_s;

CardValues visit(const QString &start, const QString &store = u"本店"_s) {
    CardValues v;
    v.start = start;
    v.store = store;
    return v;
}

PlayInputs spins(qint64 s) {
    PlayInputs p;
    p.spins = s;
    return p;
}

// Writes a diary's records through the file layer, as the program would.
void writeRecords(const QString &folder, const QList<QByteArray> &records) {
    writeFile(folder + u'/' + kDiary, records.join());
}

} // namespace

class TestPlayData : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_dir.emplace();
        QVERIFY(m_dir->isValid());
    }

    void badValuesAreRefused_data() {
        QTest::addColumn<int>("what"); // 0 play, 1 terms, 2 機種スペック
        QTest::addColumn<int>("caseNo");
        QTest::addColumn<bool>("good");
        QTest::newRow("spins at the limit") << 0 << 0 << true;
        QTest::newRow("spins past the limit") << 0 << 1 << false;
        QTest::newRow("negative balls") << 0 << 2 << false;
        QTest::newRow("machine too long") << 0 << 3 << false;
        QTest::newRow("machine outside the code page") << 0 << 4 << false;
        QTest::newRow("terms as published") << 1 << 0 << true;
        QTest::newRow("lending price 0") << 1 << 1 << false;
        QTest::newRow("exchange rate 0") << 1 << 2 << false;
        QTest::newRow("fee above 100") << 1 << 3 << false;
        QTest::newRow("no date") << 1 << 4 << false;
        QTest::newRow("p and P") << 2 << 0 << true;
        QTest::newRow("border alone") << 2 << 1 << true;
        QTest::newRow("p of 1") << 2 << 2 << false;
        QTest::newRow("P of 0") << 2 << 3 << false;
        QTest::newRow("border of 0") << 2 << 4 << false;
        QTest::newRow("p without P") << 2 << 5 << false;
    }
    void badValuesAreRefused() {
        QFETCH(int, what);
        QFETCH(int, caseNo);
        QFETCH(bool, good);
        std::function<void()> check;
        if (what == 0) {
            PlayInputs p;
            if (caseNo == 0) p.spins = kMaxPlayCount;
            if (caseNo == 1) p.spins = kMaxPlayCount + 1;
            if (caseNo == 2) p.ownBalls = -1;
            if (caseNo == 3) p.machine = u"12345678901"_s;
            if (caseNo == 4) p.machine = u"😀"_s;
            check = [p] { validatePlayInputs(p); };
        } else if (what == 1) {
            HallTerms t{u"本店"_s, QDate(1999, 1, 1), 4, 28, 3.0, {}};
            if (caseNo == 1) t.lend = 0;
            if (caseNo == 2) t.exchange = 0;
            if (caseNo == 3) t.feePercent = 100.5;
            if (caseNo == 4) t.from = QDate();
            check = [t] { validateHallTerms(t); };
        } else {
            ModelSpec s{1, u"Ｘ"_s, 319.6, 5400.0, std::nullopt, {}};
            if (caseNo == 1) s = ModelSpec{1, u"Ｘ"_s, std::nullopt, std::nullopt, 16.9, {}};
            if (caseNo == 2) s.probability = 1.0;
            if (caseNo == 3) s.payout = 0.0;
            if (caseNo == 4) s = ModelSpec{1, u"Ｘ"_s, std::nullopt, std::nullopt, 0.0, {}};
            if (caseNo == 5) s.payout.reset();
            check = [s] { validateModelSpec(s); };
        }
        const bool encoding = what == 0 && caseNo == 4;
        QCOMPARE(storeErrorKind(check),
                 good ? -1 : int(encoding ? StoreError::Kind::Encoding : StoreError::Kind::Invalid));
    }

    void ballsPerSpinFromEitherPair() {
        // 5400 / 319.6 and 250 / 16 by hand.
        const ModelSpec pair{1, u"Ｘ"_s, 319.6, 5400.0, std::nullopt, {}};
        const ModelSpec border{1, u"Ｘ"_s, std::nullopt, std::nullopt, 16.0, {}};
        QCOMPARE(qRound(*pair.ballsPerSpin() * 10000), 168961);
        QCOMPARE(*border.ballsPerSpin(), 15.625);
    }

    void fingerprintLeavesOutTheMarkOnly() {
        QByteArray card = cardBytes(visit(u"1000"_s));
        QByteArray marked = card;
        marked[0] = 'R';
        QByteArray other = card;
        other[239] = other[239] == ' ' ? 'x' : ' ';
        QCOMPARE(cardFingerprint(card).size(), 16);
        QCOMPARE(cardFingerprint(marked), cardFingerprint(card));
        QVERIFY(cardFingerprint(other) != cardFingerprint(card));
    }

    void identicalCardsTakeOrdinalsInRecordOrder() {
        const QByteArray a = cardBytes(visit(u"1000"_s)), b = cardBytes(visit(u"1100"_s));
        DiaryKeys k = DiaryKeys::ofRecords({a, b, a, a});
        QCOMPARE(k.key(1).ordinal, 0);
        QCOMPARE(k.key(3).ordinal, 1);
        QCOMPARE(k.key(4).ordinal, 2);
        QCOMPARE(k.find(CardKey{cardFingerprint(a), 2}), 4);
        k.set(1, b.constData()); // the first a becomes a b: the later a's move up, the b's down
        QCOMPARE(k.key(3).ordinal, 0);
        QCOMPARE(k.key(1).ordinal, 0);
        QCOMPARE(k.key(2).ordinal, 1);
        k.set(5, a.constData());
        QCOMPARE(k.key(5).ordinal, 2);
    }

    void termsAndSpecsAreStoredAndFound() {
        PlayDatabase db(DataFolder(m_dir->path()));
        QVERIFY2(db.isOpen(), qPrintable(db.reason()));
        db.setHallTerms(HallTerms{u"本店"_s, QDate(1999, 1, 1), 4, 28, std::nullopt, {}});
        db.setHallTerms(HallTerms{u"本店"_s, QDate(1999, 6, 1), 4, 25, 5.0, {}});
        QCOMPARE(db.termsOn(u"本店"_s, QDate(1998, 12, 31)).has_value(), false);
        QCOMPARE(db.termsOn(u"本店"_s, QDate(1999, 5, 31))->exchange, 28.0);
        QCOMPARE(db.termsOn(u"本店"_s, QDate(1999, 6, 1))->feePercent, std::optional(5.0));
        db.setModelSpec(ModelSpec{2, u"Ｘ"_s, 319.6, 5400.0, std::nullopt, {}});
        QCOMPARE(db.modelSpec(2, u"Ｘ"_s)->payout, std::optional(5400.0));
        QVERIFY(!db.modelSpec(1, u"Ｘ"_s));
        QCOMPARE(db.hallTerms().size(), 2);
        db.removeHallTerms(u"本店"_s, QDate(1999, 1, 1));
        QCOMPARE(db.hallTerms(u"本店"_s).size(), 1);

        // A closed and reopened database answers the same; its schema is versioned.
        PlayDatabase again(DataFolder(m_dir->path()), PlayDatabase::Mode::ReadOnly);
        QCOMPARE(again.modelSpecs().size(), 1);
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(db.path()).constData(), &raw), SQLITE_OK);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(raw, "PRAGMA journal_mode", -1, &st, nullptr);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))), "delete"_ba);
        sqlite3_finalize(st);
        sqlite3_close(raw);
    }

    // A card write moves the rows of every card whose key it changes, identical cards too.
    void cardWriteKeepsEveryRowOnItsCard() {
        const QByteArray a = cardBytes(visit(u"1000"_s)), b = cardBytes(visit(u"1100"_s)),
                         c = cardBytes(visit(u"1200"_s));
        QList<QByteArray> records{a, b, a};
        writeRecords(m_dir->path(), records);
        PlayDatabase db(DataFolder(m_dir->path()));
        DiaryKeys keys = DiaryKeys::ofRecords(records);
        db.setPlay(kDiary, keys.key(2), spins(200), 2);
        db.setPlay(kDiary, keys.key(3), spins(300), 3);

        // Card 1 becomes c: card 3 is now the first a.
        const PlayChange change = PlayChange::forCardWrite(kDiary, keys, 1, c.constData(), spins(100));
        records[0] = c;
        const qint64 id = db.prepare(change, DiaryExpectation::cardWritten(1, c, 3 * 240));
        writeRecords(m_dir->path(), records);
        db.commit(id);
        keys.set(1, c.constData());
        QCOMPARE(db.play(kDiary, keys.key(1)), std::optional(spins(100)));
        QCOMPARE(db.play(kDiary, keys.key(2)), std::optional(spins(200)));
        QCOMPARE(db.play(kDiary, keys.key(3)), std::optional(spins(300)));
        QCOMPARE(db.playOfDiary(kDiary).size(), 3);

        // Without new inputs the row follows the card's new bytes.
        const PlayChange follow = PlayChange::forCardWrite(kDiary, keys, 2, a.constData(), std::nullopt);
        records[1] = a; // now a, a: card 2 is the first a, card 3 the second
        db.commit(db.prepare(follow, DiaryExpectation::cardWritten(2, a, 3 * 240)));
        keys.set(2, a.constData());
        QCOMPARE(db.play(kDiary, keys.key(2)), std::optional(spins(200)));
        QCOMPARE(db.play(kDiary, keys.key(3)), std::optional(spins(300)));
    }

    // A rewrite (organise) that drops a marked card identical to a kept one.
    void rewriteFollowsTheCardsItKeeps() {
        const QByteArray a = cardBytes(visit(u"1000"_s)), b = cardBytes(visit(u"0900"_s));
        QByteArray aMarked = a;
        aMarked[0] = 'R';
        const QList<QByteArray> before{aMarked, a, b};
        PlayDatabase db(DataFolder(m_dir->path()));
        const DiaryKeys keys = DiaryKeys::ofRecords(before);
        db.setPlay(kDiary, keys.key(1), spins(1), 1);
        db.setPlay(kDiary, keys.key(2), spins(2), 2);
        db.setPlay(kDiary, keys.key(3), spins(3), 3);
        const QList<QByteArray> after{b, a};
        db.commit(db.prepare(PlayChange::forRewrite(kDiary, before, after, {3, 2}),
                             DiaryExpectation::fileWritten(after)));
        const DiaryKeys now = DiaryKeys::ofRecords(after);
        QCOMPARE(db.play(kDiary, now.key(1)), std::optional(spins(3)));
        QCOMPARE(db.play(kDiary, now.key(2)), std::optional(spins(2)));
        QCOMPARE(db.playOfDiary(kDiary).size(), 2);
    }

    // A crash between the database's note and the diary write, or after the write.
    void repairFinishesOrDropsWhatACrashLeft_data() {
        QTest::addColumn<bool>("diaryWritten");
        QTest::newRow("diary written") << true;
        QTest::newRow("diary not written") << false;
    }
    void repairFinishesOrDropsWhatACrashLeft() {
        QFETCH(bool, diaryWritten);
        const QByteArray a = cardBytes(visit(u"1000"_s)), b = cardBytes(visit(u"1100"_s));
        writeRecords(m_dir->path(), {a});
        const DiaryKeys keys = DiaryKeys::ofRecords({a});
        {
            PlayDatabase db(DataFolder(m_dir->path()));
            db.setPlay(kDiary, keys.key(1), spins(10), 1);
            QVERIFY(db.repair(DataFolder(m_dir->path())).detached == 0); // stamps the diary
            db.prepare(PlayChange::forCardWrite(kDiary, keys, 1, b.constData(), spins(20)),
                       DiaryExpectation::cardWritten(1, b, 240));
            if (diaryWritten) writeRecords(m_dir->path(), {b});
        } // the program dies here
        PlayDatabase db(DataFolder(m_dir->path()));
        const PlayRepair r = db.repair(DataFolder(m_dir->path()));
        QCOMPARE(r.completed, diaryWritten ? 1 : 0);
        QCOMPARE(r.droppedChanges, diaryWritten ? 0 : 1);
        QCOMPARE(r.detached, 0);
        const DiaryKeys now = DiaryKeys::ofRecords({diaryWritten ? b : a});
        QCOMPARE(db.play(kDiary, now.key(1)), std::optional(spins(diaryWritten ? 20 : 10)));
        QCOMPARE(db.repair(DataFolder(m_dir->path())).changedSomething(), false);
    }

    // Another program changed a card: its row is set aside, never put on another card.
    void aCardChangedElsewhereDetachesItsRow() {
        const QByteArray a = cardBytes(visit(u"1000"_s)), b = cardBytes(visit(u"1100"_s));
        writeRecords(m_dir->path(), {a, b});
        PlayDatabase db(DataFolder(m_dir->path()));
        const DiaryKeys keys = DiaryKeys::ofRecords({a, b});
        db.setPlay(kDiary, keys.key(1), spins(10), 1);
        db.repair(DataFolder(m_dir->path()));
        const QByteArray changed = cardBytes(visit(u"1030"_s));
        writeRecords(m_dir->path(), {changed, b, a}); // a moved to 3 by hand: still found
        QCOMPARE(db.repair(DataFolder(m_dir->path())).detached, 0);
        writeRecords(m_dir->path(), {changed, b});
        QCOMPARE(db.repair(DataFolder(m_dir->path())).detached, 1);
        const QList<DetachedPlay> lost = db.detached();
        QCOMPARE(lost.size(), 1);
        QCOMPARE(lost[0].cardHint, 1);
        QCOMPARE(lost[0].play, spins(10));
        const DiaryKeys now = DiaryKeys::ofRecords({changed, b});
        db.setPlay(kDiary, now.key(2), spins(5), 2);
        QCOMPARE(storeErrorKind([&] { db.attach(lost[0].id, kDiary, now.key(2), 2); }),
                 int(StoreError::Kind::Invalid));
        db.attach(lost[0].id, kDiary, now.key(1), 1);
        QCOMPARE(db.play(kDiary, now.key(1)), std::optional(spins(10)));
        QVERIFY(db.detached().isEmpty());
    }

    // What stands at the database's name decides whether it is used; a diary never waits on it.
    void anUnusableDatabaseStaysClosed_data() {
        QTest::addColumn<int>("what");
        QTest::newRow("folder") << 0;
        QTest::newRow("symbolic link") << 1;
        QTest::newRow("hard link") << 2;
        QTest::newRow("not a database") << 3;
        QTest::newRow("newer schema") << 4;
    }
    void anUnusableDatabaseStaysClosed() {
        QFETCH(int, what);
        const QString path = m_dir->filePath(PlayDatabase::fileName());
        const QByteArray native = QFile::encodeName(path);
        const QString elsewhere = m_dir->filePath(u"elsewhere"_s);
        if (what == 0) QVERIFY(QDir().mkdir(path));
        if (what == 1 || what == 2) {
            { PlayDatabase made(DataFolder(m_dir->path())); }
            QVERIFY(QFile::rename(path, elsewhere));
            if (what == 1)
                QCOMPARE(::symlink(QFile::encodeName(elsewhere).constData(), native.constData()), 0);
            else
                QCOMPARE(::link(QFile::encodeName(elsewhere).constData(), native.constData()), 0);
        }
        if (what == 3) writeFile(path, QByteArray(4096, 'x'));
        if (what == 4) {
            sqlite3 *raw = nullptr;
            sqlite3_open(native.constData(), &raw);
            sqlite3_exec(raw, "PRAGMA user_version=99", nullptr, nullptr, nullptr);
            sqlite3_close(raw);
        }
        const QByteArray before = what == 3 ? readFile(path) : QByteArray();
        PlayDatabase db(DataFolder(m_dir->path()));
        QVERIFY(!db.isOpen());
        QVERIFY(!db.reason().isEmpty());
        QVERIFY(!db.play(kDiary, CardKey{QByteArray(16, 'a'), 0}));
        QCOMPARE(storeErrorKind([&] {
                     db.setPlay(kDiary, CardKey{QByteArray(16, 'a'), 0}, spins(1), 1);
                 }),
                 int(StoreError::Kind::Io));
        if (what == 3) QCOMPARE(readFile(path), before);
    }

    // A restore renames the snapshot's copy over the database while a window holds it open:
    // the window's next read and write go to the file now under the name.
    void aReplacedFileIsOpenedAgain() {
        const DataFolder folder(m_dir->path());
        const CardKey key{QByteArray(16, 'k'), 0};
        PlayDatabase held(folder);
        held.setPlay(kDiary, key, spins(1), 1);
        held.backupTo(m_dir->filePath(u"copy.db"_s));
        held.setPlay(kDiary, key, spins(2), 1);
        QCOMPARE(::rename(QFile::encodeName(m_dir->filePath(u"copy.db"_s)).constData(),
                          QFile::encodeName(held.path()).constData()),
                 0);
        QCOMPARE(held.play(kDiary, key), std::optional(spins(1)));
        held.setPlay(kDiary, key, spins(3), 1);
        QCOMPARE(PlayDatabase(folder).play(kDiary, key), std::optional(spins(3)));
        QVERIFY(QFile::remove(held.path()));
        QVERIFY(!held.isOpen());
        QVERIFY(!held.play(kDiary, key));
    }

    void readingNeverCreatesTheFile() {
        PlayDatabase db(DataFolder(m_dir->path()), PlayDatabase::Mode::ReadOnly);
        QVERIFY(!db.isOpen());
        QVERIFY(!QFile::exists(m_dir->filePath(PlayDatabase::fileName())));
    }

    // A snapshot's copy is whole, and one diary's rows come back from it.
    void copyAndRestoreOneDiary() {
        const QByteArray a = cardBytes(visit(u"1000"_s));
        const DiaryKeys keys = DiaryKeys::ofRecords({a});
        PlayDatabase db(DataFolder(m_dir->path()));
        db.setPlay(kDiary, keys.key(1), spins(10), 1);
        db.setPlay(u"hana.1999.dat"_s, keys.key(1), spins(99), 1);
        const QString copy = m_dir->filePath(u"copy.db"_s);
        db.backupTo(copy);
        QCOMPARE(storeErrorKind([&] { db.backupTo(copy); }), int(StoreError::Kind::Io)); // never over a name
        db.setPlay(kDiary, keys.key(1), spins(11), 1);
        db.setPlay(u"hana.1999.dat"_s, keys.key(1), spins(98), 1);
        const auto snapshot = PlayDatabase::openFile(copy);
        QVERIFY(snapshot->isOpen());
        QVERIFY(snapshot->integrityProblems().isEmpty());
        db.replaceDiaryRows(kDiary, *snapshot);
        QCOMPARE(db.play(kDiary, keys.key(1)), std::optional(spins(10)));
        QCOMPARE(db.play(u"hana.1999.dat"_s, keys.key(1)), std::optional(spins(98)));
    }

    // A synchroniser's conflict copy: rows only there come in; on both sides the newer wins.
    void mergeKeepsTheNewerRowAndListsTheOther() {
        const QByteArray a = cardBytes(visit(u"1000"_s)), b = cardBytes(visit(u"1100"_s));
        const DiaryKeys keys = DiaryKeys::ofRecords({a, b});
        QTemporaryDir otherDir;
        PlayDatabase theirs(DataFolder(otherDir.path()));
        PlayDatabase ours(DataFolder(m_dir->path()));
        theirs.setPlay(kDiary, keys.key(1), spins(1), 1); // older
        QTest::qWait(5);
        ours.setPlay(kDiary, keys.key(1), spins(2), 1);
        ours.setHallTerms(HallTerms{u"本店"_s, QDate(1999, 1, 1), 4, 28, std::nullopt, {}});
        QTest::qWait(5);
        theirs.setPlay(kDiary, keys.key(2), spins(3), 2);
        theirs.setHallTerms(HallTerms{u"本店"_s, QDate(1999, 1, 1), 4, 25, std::nullopt, {}}); // newer
        const auto other = PlayDatabase::openFile(theirs.path());
        const PlayDatabase::MergeReport r = ours.mergeFrom(*other);
        QCOMPARE(r.added, 1);
        QCOMPARE(r.replaced, 1);
        QCOMPARE(r.conflicts.size(), 2);
        QCOMPARE(ours.play(kDiary, keys.key(1)), std::optional(spins(2)));
        QCOMPARE(ours.play(kDiary, keys.key(2)), std::optional(spins(3)));
        QCOMPARE(ours.termsOn(u"本店"_s, QDate(1999, 2, 1))->exchange, 25.0);
    }

    // Every operation that moves or drops cards keeps each row on its own card.
    void rowsFollowTheirCardsThroughOrganiseMergeAndRestore() {
        const DataFolder folder(m_dir->path());
        const QByteArray a = cardBytes(visit(u"1000"_s)), b = cardBytes(visit(u"0900"_s)),
                         c = cardBytes(visit(u"0800"_s)), d = cardBytes(visit(u"1500"_s));
        QByteArray aMarked = a;
        aMarked[0] = 'R';
        writeRecords(m_dir->path(), {aMarked, a, b, c});
        // Spins by card as it stands in the diary: the marked a has 1, the other a 2.
        auto spinsOnCards = [&] {
            const DiaryKeys keys = DiaryKeys::ofDiary(folder, kDiary);
            PlayDatabase db(folder);
            QList<qint64> out;
            for (int n = 1; n <= keys.count(); ++n)
                out.append(db.play(kDiary, keys.key(n)).value_or(PlayInputs()).spins.value_or(0));
            return out;
        };
        {
            PlayDatabase db(folder);
            const DiaryKeys keys = DiaryKeys::ofDiary(folder, kDiary);
            for (int n = 1; n <= 4; ++n)
                db.setPlay(kDiary, keys.key(n), spins(n), n);
        }
        const backup::Snapshot before = backup::Backups(folder).take(backup::Reason::Manual);
        QVERIFY(before.file(PlayDatabase::fileName()));
        QCOMPARE(before.file(PlayDatabase::fileName())->records, 4); // the manifest counts the rows
        QVERIFY(backup::Backups(folder).verify(before).isEmpty());

        organiseDiary(folder, kDiary); // the marked a goes; c, b, a by start time
        QCOMPARE(spinsOnCards(), (QList<qint64>{4, 3, 2}));

        QTemporaryDir other;
        writeFile(other.filePath(kDiary), c + d);
        mergeDiary(folder, kDiary, other.filePath(kDiary), 1999); // d comes in after them
        QCOMPARE(spinsOnCards(), (QList<qint64>{4, 3, 2, 0}));
        {
            PlayDatabase db(folder);
            db.setPlay(kDiary, DiaryKeys::ofDiary(folder, kDiary).key(4), spins(5), 4);
        }

        backup::Backups(folder).restore(before, kDiary); // cards and rows as they were
        QCOMPARE(readFile(m_dir->filePath(kDiary)), aMarked + a + b + c);
        QCOMPARE(spinsOnCards(), (QList<qint64>{1, 2, 3, 4}));
        PlayDatabase db(folder);
        QVERIFY(db.detached().isEmpty());
        QCOMPARE(db.pendingChanges(), 0);
    }

    // The folder check sees into the database without changing it.
    void checkReportsSetAsideRowsAndDamage() {
        const DataFolder folder(m_dir->path());
        const QByteArray a = cardBytes(visit(u"1000"_s));
        writeRecords(m_dir->path(), {a});
        {
            PlayDatabase db(folder);
            db.setPlay(kDiary, DiaryKeys::ofRecords({a}).key(1), spins(7), 1);
        }
        writeRecords(m_dir->path(), {cardBytes(visit(u"1100"_s))}); // changed by another program
        QVERIFY(repairPlayData(folder)->contains(u"1 件"_s));
        const QByteArray bytes = readFile(m_dir->filePath(PlayDatabase::fileName()));
        auto dbCheck = [&] {
            for (const FileCheck &fc : checkFolder(folder))
                if (fc.kind == FileCheck::Kind::PlayDatabase) return fc;
            return FileCheck{};
        };
        const FileCheck sound = dbCheck();
        QCOMPARE(sound.name, PlayDatabase::fileName());
        QVERIFY(!sound.damaged());
        QCOMPARE(sound.notes.size(), 1);
        QVERIFY(sound.notes[0].contains(u"カード1"_s));
        QCOMPARE(readFile(m_dir->filePath(PlayDatabase::fileName())), bytes);

        QByteArray torn = bytes;
        torn.replace(4096, 2048, QByteArray(2048, '\xff')); // a page of the tables overwritten
        writeFile(m_dir->filePath(PlayDatabase::fileName()), torn);
        QVERIFY(dbCheck().damaged());
    }

    // A synchroniser's copy of the database is merged in at the next opening and kept aside.
    void conflictCopyIsMergedRowByRow() {
        const DataFolder folder(m_dir->path());
        const QByteArray a = cardBytes(visit(u"1000"_s)), b = cardBytes(visit(u"1100"_s));
        writeRecords(m_dir->path(), {a, b});
        const DiaryKeys keys = DiaryKeys::ofRecords({a, b});
        {
            PlayDatabase db(folder);
            db.setPlay(kDiary, keys.key(1), spins(1), 1);
            db.backupTo(m_dir->filePath(u"tamanote.sync-conflict-20261208-101500-ABCDEFG.db"_s));
        }
        {
            const auto copy = PlayDatabase::openFile(
                m_dir->filePath(u"tamanote.sync-conflict-20261208-101500-ABCDEFG.db"_s));
            QVERIFY(copy->isOpen());
        }
        // The other computer added card 2's row to its copy.
        {
            QTemporaryDir elsewhere;
            QVERIFY(QFile::rename(m_dir->filePath(u"tamanote.sync-conflict-20261208-101500-ABCDEFG.db"_s),
                                  elsewhere.filePath(PlayDatabase::fileName())));
            PlayDatabase theirs{DataFolder(elsewhere.path())};
            theirs.setPlay(kDiary, keys.key(2), spins(2), 2);
            theirs.backupTo(m_dir->filePath(u"tamanote.sync-conflict-20261208-101500-ABCDEFG.db"_s));
        }
        const std::optional<QString> notice = repairPlayData(folder);
        QVERIFY(notice && notice->contains(u"追加 1 件"_s));
        QVERIFY(
            QFile::exists(m_dir->filePath(u"tamanote.sync-conflict-20261208-101500-ABCDEFG.db.merged"_s)));
        PlayDatabase db(folder);
        QCOMPARE(db.play(kDiary, keys.key(2)), std::optional(spins(2)));
        QCOMPARE(db.play(kDiary, keys.key(1)), std::optional(spins(1)));
    }

  private:
    std::optional<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestPlayData)
#include "tst_playdata.moc"
