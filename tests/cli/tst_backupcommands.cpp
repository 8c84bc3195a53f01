// backups, backup, restore and merge, and the automatic snapshots of the writing commands.
#include "clifixture.h"

#include "common/clock.h"
#include "store/backup.h"

#include <QDir>
#include <QJsonArray>
#include <QLockFile>
#include <QSettings>

using namespace Qt::Literals::StringLiterals;
using namespace tama::test;
namespace backup = tama::backup;

namespace {

const QString kDiary = u"taro.1999.dat"_s;
const QByteArray kUsers = hex("81 40") + "taro              ";

CardValues visit(const QString &date, const QString &start, const QString &store = u"本店"_s) {
    CardValues v;
    v.date = date;
    v.start = start;
    v.store = store;
    return v;
}

QStringList snapshotIds(const TempFolder &f) {
    QStringList ids;
    for (const backup::Snapshot &s : backup::Backups(tama::DataFolder(f.path())).list())
        ids.append(s.id);
    return ids;
}

QList<backup::Reason> reasons(const TempFolder &f) {
    QList<backup::Reason> out;
    for (const backup::Snapshot &s : backup::Backups(tama::DataFolder(f.path())).list())
        out.append(s.reason);
    return out;
}

QStringList mergeArgs(const QString &from) {
    return {u"merge"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--from"_s, from};
}

} // namespace

class TestBackupCommands : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void backupAndListing();
    void restoreDryRunThenYesThenUndo();
    void restoreOneFile();
    void restoreRefusals();
    void positionalArguments();
    void mergeDryRunAndYes();
    void mergeTakesItsSnapshotWithAutomaticOff();
    void mergeRefusals();
    void writingCommandsTakeTheAutomaticSnapshots();
    void writesRefusedWithoutTheirSnapshot();
    void checkReportsConflictCopies();

  private:
    tama::FixedClock m_clock{QDateTime(QDate(2026, 12, 8), QTime(10, 15))};
};

void TestBackupCommands::initTestCase() {
    // The settings the commands read must be the test location's, not the user's.
    const QString settings = QSettings(u"tamanote"_s, u"tamanote"_s).fileName();
    QVERIFY2(settings.contains(u".qttest"_s), qPrintable(settings));
    tama::setClock(&m_clock);
}

void TestBackupCommands::init() {
    backup::Settings().save();
    // A second apart, so that each snapshot has a name of its own.
    m_clock.set(m_clock.now().addSecs(1));
}

void TestBackupCommands::cleanupTestCase() {
    backup::Settings().save();
    tama::setClock(nullptr);
}

void TestBackupCommands::backupAndListing() {
    TempFolder f;
    const CliResult none = runIn(f, {u"backups"_s});
    QCOMPARE(none.status, 0);
    QVERIFY2(none.outText().startsWith(u"バックアップ 0 個"_s), qPrintable(none.outText()));

    const QByteArray one = diaryBytes({visit(u"19990503月"_s, u"1000"_s)});
    const QByteArray two = one + cardBytes(visit(u"19990504火"_s, u"1100"_s));
    f.write(u"namae.dat"_s, kUsers);
    f.write(kDiary, one);
    const CliResult first = runIn(f, {u"backup"_s});
    QCOMPARE(first.status, 0);
    QCOMPARE(first.errText(), QString());
    f.write(kDiary, two);
    m_clock.set(m_clock.now().addSecs(60));
    const CliResult second = runIn(f, {u"backup"_s});
    QCOMPARE(second.status, 0);
    QCOMPARE(QStringList({first.outText().trimmed(), second.outText().trimmed()}), snapshotIds(f));
    QVERIFY(first.outText().trimmed().endsWith(u"-manual"_s));

    const CliResult text = runIn(f, {u"backups"_s});
    QCOMPARE(text.status, 0);
    const QStringList lines = text.outLines();
    QCOMPARE(lines.size(), 7);
    QVERIFY2(lines[0].startsWith(first.outText().trimmed() + u"\t2026-12-08 10:15:"_s), qPrintable(lines[0]));
    QVERIFY(lines[0].contains(u"manual 手動"_s));
    QCOMPARE(lines[1], u"  namae.dat\tusers\t1 人\t20 バイト\t変更あり"_s);
    QCOMPARE(lines[2], u"  taro.1999.dat\tdiary\t1 枚\t240 バイト\t変更あり"_s);
    QCOMPARE(lines[4], u"  namae.dat\tusers\t1 人\t20 バイト\t前と同じ"_s);
    QCOMPARE(lines[5], u"  taro.1999.dat\tdiary\t2 枚\t480 バイト\t変更あり"_s);
    // Shared files count once: 20 + 240 + 480 bytes of data copies, and the manifests.
    QVERIFY2(lines[6].startsWith(u"バックアップ 2 個、"_s) &&
                 lines[6].endsWith(u"（データファイル 500 バイト）"_s),
             qPrintable(lines[6]));

    const CliResult json = runIn(f, {u"backups"_s, u"--json"_s});
    QCOMPARE(json.status, 0);
    const QJsonObject o = json.json();
    QCOMPARE(o.value(u"dataBytes"_s).toInteger(), 500);
    QVERIFY(o.value(u"backupBytes"_s).toInteger() > 740);
    const QJsonArray snapshots = o.value(u"snapshots"_s).toArray();
    QCOMPARE(snapshots.size(), 2);
    const QJsonObject last = snapshots[1].toObject();
    QCOMPARE(last.value(u"id"_s).toString(), second.outText().trimmed());
    QCOMPARE(last.value(u"reason"_s).toString(), u"manual"_s);
    QCOMPARE(last.value(u"reasonText"_s).toString(), u"手動"_s);
    const QJsonArray files = last.value(u"files"_s).toArray();
    QCOMPARE(files.size(), 2);
    QCOMPARE(files[1].toObject().value(u"name"_s).toString(), kDiary);
    QCOMPARE(files[1].toObject().value(u"records"_s).toInt(), 2);
    QCOMPARE(files[1].toObject().value(u"size"_s).toInteger(), 480);
    QCOMPARE(files[0].toObject().value(u"changed"_s).toBool(), false);
    QCOMPARE(files[1].toObject().value(u"changed"_s).toBool(), true);
    QCOMPARE(files[1].toObject().value(u"sha256"_s).toString().size(), 64);
}

void TestBackupCommands::restoreDryRunThenYesThenUndo() {
    TempFolder f;
    const QByteArray old = diaryBytes({visit(u"19990503月"_s, u"1000"_s)});
    const QByteArray now = old + cardBytes(visit(u"19990504火"_s, u"1100"_s));
    f.write(u"namae.dat"_s, kUsers);
    f.write(kDiary, old);
    const QString id = runIn(f, {u"backup"_s}).outText().trimmed();
    f.write(kDiary, now);
    f.write(u"patishop.dat"_s, QByteArray(80, ' '));

    const CliResult dry = runIn(f, {u"restore"_s, id});
    QCOMPARE(dry.status, 0);
    const QStringList lines = dry.outLines();
    QCOMPARE(lines.mid(0, 3),
             QStringList({u"write "_s + kDiary, u"remove patishop.dat"_s, u"same namae.dat"_s}));
    QVERIFY2(lines.value(3).contains(u"書き戻し 1、削除 1、変わらない 1"_s), qPrintable(lines.value(3)));
    QCOMPARE(f.read(kDiary), now);
    QVERIFY(f.exists(u"patishop.dat"_s));
    QCOMPARE(snapshotIds(f).size(), 1);

    m_clock.set(m_clock.now().addSecs(1));
    const CliResult yes = runIn(f, {u"restore"_s, id, u"--yes"_s});
    QCOMPARE(yes.status, 0);
    QCOMPARE(f.read(kDiary), old);
    QVERIFY(!f.exists(u"patishop.dat"_s));
    QCOMPARE(f.read(u"namae.dat"_s), kUsers);
    const QStringList ids = snapshotIds(f);
    QCOMPARE(ids.size(), 2); // the restore's own; the daily one is not taken by a restore
    QCOMPARE(reasons(f).last(), backup::Reason::Restore);
    QVERIFY2(yes.outText().contains(u"restore "_s + ids.last() + u" --yes"_s), qPrintable(yes.outText()));
    QVERIFY(yes.errText().contains(ids.last()));

    // Restoring the snapshot the restore took gives back what was there.
    m_clock.set(m_clock.now().addSecs(1));
    QCOMPARE(runIn(f, {u"restore"_s, ids.last(), u"--yes"_s}).status, 0);
    QCOMPARE(f.read(kDiary), now);
    QCOMPARE(f.read(u"patishop.dat"_s), QByteArray(80, ' '));

    // Nothing to do: no snapshot is taken for it.
    const int before = int(snapshotIds(f).size());
    const CliResult same = runIn(f, {u"restore"_s, ids.last(), u"--yes"_s});
    QCOMPARE(same.status, 0);
    QVERIFY(same.outText().contains(u"すでに"_s));
    QCOMPARE(snapshotIds(f).size(), before);
}

void TestBackupCommands::restoreOneFile() {
    TempFolder f;
    const QByteArray old = diaryBytes({visit(u"19990503月"_s, u"1000"_s)});
    f.write(u"namae.dat"_s, kUsers);
    f.write(kDiary, old);
    const QString id = runIn(f, {u"backup"_s}).outText().trimmed();
    const QByteArray users = kUsers + hex("81 40") + "hanako            ";
    const QByteArray now = old + old;
    f.write(u"namae.dat"_s, users);
    f.write(kDiary, now);
    f.write(u"patishop.dat"_s, QByteArray(80, ' '));

    const CliResult dry = runIn(f, {u"restore"_s, u"--file"_s, kDiary, id});
    QCOMPARE(dry.status, 0);
    QCOMPARE(dry.outLines().first(), u"write "_s + kDiary);
    QVERIFY(!dry.outText().contains(u"remove"_s));
    QCOMPARE(runIn(f, {u"restore"_s, id, u"--file="_s + kDiary, u"--yes"_s}).status, 0);
    QCOMPARE(f.read(kDiary), old);
    // The other files stay as they are.
    QCOMPARE(f.read(u"namae.dat"_s), users);
    QVERIFY(f.exists(u"patishop.dat"_s));
    const backup::Snapshot undo = backup::Backups(tama::DataFolder(f.path())).list().last();
    QCOMPARE(undo.detail, kDiary + u" ← "_s + id);
}

void TestBackupCommands::restoreRefusals() {
    TempFolder f;
    const QByteArray old = diaryBytes({visit(u"19990503月"_s, u"1000"_s)});
    f.write(kDiary, old);
    const QString id = runIn(f, {u"backup"_s}).outText().trimmed();
    const QByteArray now = old + old;
    f.write(kDiary, now);

    const CliResult unknown = runIn(f, {u"restore"_s, u"20000101-000000-manual"_s, u"--yes"_s});
    QCOMPARE(unknown.status, 1);
    QVERIFY2(unknown.errText().contains(u"ありません"_s), qPrintable(unknown.errText()));
    QCOMPARE(runIn(f, {u"restore"_s, u"../"_s + id}).status, 1);

    const CliResult noFile = runIn(f, {u"restore"_s, id, u"--file"_s, u"patishop.dat"_s, u"--yes"_s});
    QCOMPARE(noFile.status, 1);
    QVERIFY2(noFile.errText().contains(u"patishop.dat"_s), qPrintable(noFile.errText()));
    QCOMPARE(runIn(f, {u"restore"_s, id, u"--file"_s, u"../x"_s}).status, 2);

    // A snapshot whose copy was changed is refused, in the dry run too.
    const backup::Snapshot s = *backup::Backups(tama::DataFolder(f.path())).find(id);
    writeFile(s.filePath(kDiary), QByteArray(240, 'x'));
    for (const QStringList &extra : {QStringList(), QStringList{u"--yes"_s}}) {
        const CliResult damaged = runIn(f, QStringList{u"restore"_s, id} + extra);
        QCOMPARE(damaged.status, 1);
        QVERIFY2(damaged.errText().contains(u"壊れている"_s), qPrintable(damaged.errText()));
        QCOMPARE(f.read(kDiary), now);
    }
    // So is one whose manifest cannot be read, with its own message.
    writeFile(QDir(s.path).filePath(u"manifest.json"_s), "{");
    const CliResult manifest = runIn(f, {u"restore"_s, id});
    QCOMPARE(manifest.status, 1);
    QVERIFY2(manifest.errText().contains(u"manifest.json"_s), qPrintable(manifest.errText()));
    QCOMPARE(f.read(kDiary), now);
    QCOMPARE(snapshotIds(f), QStringList());

    // The lock of the running program is respected.
    const QString good = runIn(f, {u"backup"_s}).outText().trimmed();
    f.write(kDiary, old);
    QLockFile program(f.file(u".tamanote.lock"_s));
    QVERIFY(program.tryLock(0));
    const CliResult locked = runIn(f, {u"restore"_s, good, u"--yes"_s});
    QCOMPARE(locked.status, 1);
    QVERIFY2(locked.errText().contains(u"タマノートが使っています"_s), qPrintable(locked.errText()));
    QCOMPARE(f.read(kDiary), old);
    QCOMPARE(runIn(f, {u"backup"_s}).status, 1);
    QCOMPARE(snapshotIds(f).size(), 1);
}

void TestBackupCommands::positionalArguments() {
    TempFolder f;
    f.write(kDiary, cardBytes());
    const QString id = runIn(f, {u"backup"_s}).outText().trimmed();
    QCOMPARE(runIn(f, {u"restore"_s}).status, 2);
    const CliResult two = runIn(f, {u"restore"_s, id, u"another"_s});
    QCOMPARE(two.status, 2);
    QVERIFY2(two.errText().contains(u"余分な引数があります: another"_s), qPrintable(two.errText()));
    // The argument may come before the options too.
    QCOMPARE(runIn(f, {u"restore"_s, id, u"--file"_s, kDiary}).status, 0);
    // No other command takes one.
    for (const QString &command : {u"backups"_s, u"backup"_s, u"users"_s, u"check"_s}) {
        const CliResult stray = runIn(f, {command, u"stray"_s});
        QCOMPARE(stray.status, 2);
        QVERIFY2(stray.errText().contains(u"余分な引数があります: stray"_s), qPrintable(stray.errText()));
    }
    QCOMPARE(snapshotIds(f).size(), 1);
    QCOMPARE(runIn(f, {u"backup"_s, u"--yes"_s}).status, 2);
    QCOMPARE(runIn(f, {u"backups"_s, u"--file"_s, kDiary}).status, 2);

    const QString help = runCli({u"--help"_s}).outText();
    for (const QString &usage :
         {u"\n  backups [--json]\n"_s, u"\n  backup\n"_s, u"\n  restore SNAPSHOT [--file NAME] [--yes]\n"_s,
          u"\n  merge --user NAME --year YYYY --from FILE [--yes]\n"_s})
        QVERIFY2(help.contains(usage), qPrintable(usage));
}

void TestBackupCommands::mergeDryRunAndYes() {
    TempFolder f;
    TempFolder other;
    const QByteArray a = cardBytes(visit(u"19990503月"_s, u"1000"_s));
    const QByteArray b = cardBytes(visit(u"19990504火"_s, u"1000"_s));
    CardValues bDifferent = visit(u"19990504火"_s, u"1000"_s);
    bDifferent.cashOut = u"0999"_s;
    const QByteArray c = cardBytes(visit(u"19990505水"_s, u" 930"_s, u"支店"_s));
    QByteArray aMarked = a;
    aMarked[0] = 'R';
    f.write(kDiary, a + b);
    const QString from = other.file(u"taro.1999.sync-conflict-20261208-101500-ABCDEFG.dat"_s);
    writeFile(from, aMarked + cardBytes(bDifferent) + c);

    const CliResult dry = runIn(f, mergeArgs(from));
    QCOMPARE(dry.status, 0);
    const QStringList lines = dry.outLines();
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], u"add 2 -> 3\t19990504火 1000 本店"_s);
    QCOMPARE(lines[1], u"add 3 -> 4\t19990505水  930 支店"_s);
    QCOMPARE(lines[2], u"conflict 2 / 3\t19990504火 1000 本店"_s);
    QVERIFY2(lines[3].contains(u"日記 2 枚、"_s) &&
                 lines[3].contains(
                     u" 3 枚（同じカード 1 枚、削除候補の印を引き継ぐ 1 枚）→ 4 枚（加わる 2 枚）"_s),
             qPrintable(lines[3]));
    QVERIFY(lines[3].contains(u"1 組"_s));
    QCOMPARE(f.read(kDiary), a + b);
    QVERIFY(!QFileInfo::exists(f.file(u"backups"_s)));

    const CliResult yes = runIn(f, mergeArgs(from) + QStringList{u"--yes"_s});
    QCOMPARE(yes.status, 0);
    QVERIFY2(yes.outText().contains(u"統合しました"_s), qPrintable(yes.outText()));
    QCOMPARE(f.read(kDiary), aMarked + b + cardBytes(bDifferent) + c);
    // The day's snapshot, then the merge's, the newest, holding the diary from before.
    const QList<backup::Snapshot> list = backup::Backups(tama::DataFolder(f.path())).list();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.first().reason, backup::Reason::Daily);
    QCOMPARE(list.last().reason, backup::Reason::Merge);
    QCOMPARE(list.last().detail, kDiary);
    QCOMPARE(readFile(list.last().filePath(kDiary)), a + b);
    QVERIFY(yes.errText().contains(list.last().id));

    // Merged already: nothing changes, and no snapshot is taken for it.
    const int snapshots = int(list.size());
    const CliResult again = runIn(f, mergeArgs(from) + QStringList{u"--yes"_s});
    QCOMPARE(again.status, 0);
    QVERIFY(again.outText().contains(u"変わるところはありません"_s));
    QCOMPARE(f.read(kDiary), aMarked + b + cardBytes(bDifferent) + c);
    QCOMPARE(snapshotIds(f).size(), snapshots);
}

void TestBackupCommands::mergeTakesItsSnapshotWithAutomaticOff() {
    backup::Settings off;
    off.automatic = false;
    off.save();
    TempFolder f;
    TempFolder other;
    const QByteArray a = cardBytes(visit(u"19990503月"_s, u"1000"_s));
    const QByteArray b = cardBytes(visit(u"19990504火"_s, u"1000"_s));
    f.write(kDiary, a);
    writeFile(other.file(kDiary), b);
    QCOMPARE(runIn(f, mergeArgs(other.file(kDiary)) + QStringList{u"--yes"_s}).status, 0);
    QCOMPARE(f.read(kDiary), a + b);
    QCOMPARE(reasons(f), QList<backup::Reason>{backup::Reason::Merge});
}

void TestBackupCommands::mergeRefusals() {
    TempFolder f;
    TempFolder other;
    const QByteArray a = cardBytes(visit(u"19990503月"_s, u"1000"_s));
    f.write(kDiary, a);

    writeFile(other.file(u"taro.2000.dat"_s), cardBytes(visit(u"20000503水"_s, u"1000"_s)));
    const CliResult year = runIn(f, mergeArgs(other.file(u"taro.2000.dat"_s)) + QStringList{u"--yes"_s});
    QCOMPARE(year.status, 1);
    QVERIFY2(year.errText().contains(u"1999 年のものではありません"_s), qPrintable(year.errText()));

    writeFile(other.file(u"torn.dat"_s), a + "19990504");
    const CliResult torn = runIn(f, mergeArgs(other.file(u"torn.dat"_s)) + QStringList{u"--yes"_s});
    QCOMPARE(torn.status, 1);
    QVERIFY2(torn.errText().contains(u"倍数ではない"_s), qPrintable(torn.errText()));

    const CliResult missing = runIn(f, mergeArgs(other.file(u"none.dat"_s)) + QStringList{u"--yes"_s});
    QCOMPARE(missing.status, 1);
    QVERIFY2(missing.errText().contains(u"ありません"_s), qPrintable(missing.errText()));

    QCOMPARE(runIn(f, mergeArgs(f.file(kDiary)) + QStringList{u"--yes"_s}).status, 1);

    // A diary that is not there (a name mistyped) is not made from the other copy.
    writeFile(other.file(u"jiro.1999.dat"_s), a);
    const CliResult noDiary = runIn(f, {u"merge"_s, u"--user"_s, u"jiro"_s, u"--year"_s, u"1999"_s,
                                        u"--from"_s, other.file(u"jiro.1999.dat"_s), u"--yes"_s});
    QCOMPARE(noDiary.status, 1);
    QVERIFY2(noDiary.errText().contains(u"日記ファイルがありません: jiro.1999.dat"_s),
             qPrintable(noDiary.errText()));
    QVERIFY(!f.exists(u"jiro.1999.dat"_s));

    // Our own diary torn at its end is not merged into.
    writeFile(other.file(kDiary), cardBytes(visit(u"19990504火"_s, u"1000"_s)));
    f.write(kDiary, a + "1999");
    const CliResult ours = runIn(f, mergeArgs(other.file(kDiary)) + QStringList{u"--yes"_s});
    QCOMPARE(ours.status, 1);
    QVERIFY2(ours.errText().contains(u"damaged "_s + kDiary), qPrintable(ours.errText()));
    QCOMPARE(f.read(kDiary), a + "1999");

    QCOMPARE(runIn(f, {u"merge"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s}).status, 2);
    QCOMPARE(runIn(f, {u"merge"_s, u"--user"_s, u"taro"_s, u"--from"_s, other.file(kDiary)}).status, 2);
    QVERIFY(!QFileInfo::exists(f.file(u"backups"_s)));
}

void TestBackupCommands::writingCommandsTakeTheAutomaticSnapshots() {
    const QStringList organise = {u"organise"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--yes"_s};
    const QByteArray late = cardBytes(visit(u"19990503月"_s, u"1000"_s));
    const QByteArray early = cardBytes(visit(u"19990501土"_s, u"1000"_s));
    {
        TempFolder f;
        f.write(kDiary, late + early);
        const CliResult r = runIn(f, organise);
        QCOMPARE(r.status, 0);
        QCOMPARE(f.read(kDiary), early + late);
        // The day's snapshot first, so that the organise one is the newest.
        QCOMPARE(reasons(f), QList<backup::Reason>({backup::Reason::Daily, backup::Reason::Organise}));
        const backup::Snapshot s = backup::Backups(tama::DataFolder(f.path())).list().last();
        QCOMPARE(readFile(s.filePath(kDiary)), late + early);
        QVERIFY2(r.errText().contains(s.id), qPrintable(r.errText()));
        // Later writes of the same day take none.
        f.write(kDiary, late + early);
        QCOMPARE(runIn(f, organise).status, 0);
        QCOMPARE(reasons(f), QList<backup::Reason>({backup::Reason::Daily, backup::Reason::Organise,
                                                    backup::Reason::Organise}));
        // A dry run takes nothing.
        f.write(kDiary, late + early);
        QCOMPARE(runIn(f, organise.mid(0, 5)).status, 0);
        QCOMPARE(snapshotIds(f).size(), 3);
    }
    {
        backup::Settings off;
        off.automatic = false;
        off.save();
        TempFolder f;
        f.write(kDiary, late + early);
        QCOMPARE(runIn(f, organise).status, 0);
        QCOMPARE(f.read(kDiary), early + late);
        QVERIFY(!QFileInfo::exists(f.file(u"backups"_s)));
    }
    // Nothing of the command's automatic snapshots is left behind in the process.
    QVERIFY(!backup::automaticSettings());
}

void TestBackupCommands::writesRefusedWithoutTheirSnapshot() {
    TempFolder f;
    TempFolder other;
    const QByteArray late = cardBytes(visit(u"19990503月"_s, u"1000"_s));
    const QByteArray early = cardBytes(visit(u"19990501土"_s, u"1000"_s));
    f.write(kDiary, late + early);
    f.write(u"backups"_s, "mine");
    writeFile(other.file(kDiary), cardBytes(visit(u"19990505水"_s, u"1000"_s)));
    const QList<QStringList> commands = {
        {u"organise"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--yes"_s},
        mergeArgs(other.file(kDiary)) + QStringList{u"--yes"_s},
        {u"backup"_s},
    };
    for (const QStringList &command : commands) {
        const CliResult r = runIn(f, command);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.errText().contains(u"バックアップのフォルダの名前のファイル"_s), qPrintable(r.errText()));
        QCOMPARE(f.read(kDiary), late + early);
        QCOMPARE(f.read(u"backups"_s), QByteArray("mine"));
    }
    QCOMPARE(runIn(f, {u"backups"_s}).status, 0);
}

void TestBackupCommands::checkReportsConflictCopies() {
    TempFolder f;
    const QByteArray a = cardBytes(visit(u"19990503月"_s, u"1000"_s));
    f.write(kDiary, a);
    const QString copy = u"taro.1999.sync-conflict-20261208-101500-ABCDEFG.dat"_s;
    f.write(copy, a + a);
    f.write(u"patishop (conflicted copy 2026-12-08).dat"_s, QByteArray(80, ' '));
    const CliResult text = runIn(f, {u"check"_s});
    QCOMPARE(text.status, 0);
    QVERIFY2(text.outLines().contains(u"note "_s + copy +
                                      u": Syncthingが残した「taro.1999.dat」の競合コピーです。"
                                      u"日記なら統合できます（merge、または「バックアップと復元」の画面）"_s),
             qPrintable(text.outText()));
    QVERIFY(text.outText().contains(
        u"note patishop (conflicted copy 2026-12-08).dat: Dropbox / Nextcloudが残した「patishop.dat」"_s));

    const CliResult json = runIn(f, {u"check"_s, u"--json"_s});
    QCOMPARE(json.status, 0);
    int copies = 0;
    for (const QJsonValue &v : json.json().value(u"files"_s).toArray()) {
        const QJsonObject o = v.toObject();
        if (o.value(u"kind"_s).toString() != u"conflict-copy"_s) continue;
        ++copies;
        QCOMPARE(o.value(u"status"_s).toString(), u"ok"_s);
        QCOMPARE(o.value(u"notes"_s).toArray().size(), 1);
    }
    QCOMPARE(copies, 2);
    // A copy of a diary is what merge takes.
    QCOMPARE(runIn(f, mergeArgs(f.file(copy))).status, 0);
}

TAMA_TEST_MAIN(TestBackupCommands)
#include "tst_backupcommands.moc"
