// Snapshots of the data folder: what they hold, restoring them, rotation over simulated
// days and months, and the automatic daily snapshot before the first write of a day.
#include "common/clock.h"
#include "store/backup.h"
#include "store/diary.h"
#include "store/modellist.h"
#include "store/organise.h"
#include "store/recordfile.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/writehook.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"
#include "tmpfsmount.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSet>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::cardBytes;
using tama::test::CardValues;
using tama::test::hex;
using tama::test::readFile;
using tama::test::storeErrorKind;
using tama::test::TempFolder;
using tama::test::TmpfsMount;
using tama::test::writeFile;

namespace {

const QString kDiary = u"taro.2026.dat"_s;
const QString kStores = u"patishop.dat"_s;
const QString kUsers = u"namae.dat"_s;
const QByteArray kUsersBytes = hex("81 40") + "taro              ";

QString weekday(const QDate &d) {
    static const QStringList names = {u"月"_s, u"火"_s, u"水"_s, u"木"_s, u"金"_s, u"土"_s, u"日"_s};
    return names[d.dayOfWeek() - 1];
}

CardValues visitOn(const QDate &d, int start = 1000, int cashOut = 40) {
    CardValues v;
    v.date = d.toString(u"yyyyMMdd"_s) + weekday(d);
    v.start = QString::number(start).rightJustified(4, u' ');
    v.cashOut = QString::number(cashOut).rightJustified(4, u'0');
    return v;
}

QByteArray storeRecord(const QByteArray &name) {
    return name.leftJustified(20, ' ') + QByteArray(60, ' ');
}

// The data folder's files (not the lock, the journal or the backups), name → bytes.
QMap<QString, QByteArray> dataState(const TempFolder &f) {
    QMap<QString, QByteArray> out;
    for (const QString &name : f.files())
        if (!name.startsWith(u'.')) out.insert(name, f.read(name));
    return out;
}

mode_t modeOf(const QString &path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

ino_t inode(const QString &path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

QStringList ids(const QList<backup::Snapshot> &list) {
    QStringList out;
    for (const backup::Snapshot &s : list)
        out.append(s.id);
    return out;
}

// One user and a diary of one card, the folder most cases start from; the diary's bytes.
QByteArray oneUserOneCard(const TempFolder &f) {
    const QByteArray diary = cardBytes(visitOn(QDate(2026, 1, 1)));
    f.write(kUsers, kUsersBytes);
    f.write(kDiary, diary);
    return diary;
}

QStringList partials(const TempFolder &f) {
    return QDir(f.file(u"backups"_s)).entryList({u".partial-*"_s}, QDir::AllEntries | QDir::Hidden);
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void organiseIsUndoneByItsSnapshot();
    void deletedStoreComesBackAlone();
    void wholeRestoreRemovesAndIsUndone();
    void theFolderSaysWhatIsSnapshotted();
    void unchangedFilesAreSharedAndManifestIsRight();
    void damagedSnapshotIsFoundAndRefused();
    void manifestOutOfRangeIsNotBelieved();
    void restoreStoppedHalfwayNamesTheWayBack();
    void restoredFilesGetTheirModes();
    void sequenceNeverWrapsNorLosesTheNewest_data();
    void linksInsideBackupsAreNeverFollowed_data();
    void copiesAreNoWiderThanTheirFiles_data();
    void damagedCopyIsNotShared();
    void recordIsTrustedOnlyWhileEveryFieldHolds_data();
    void recordIsTrustedOnlyWhileEveryFieldHolds();
    void mergedInodesAreSeparated();
    void copiesAreNoWiderThanTheirFiles();
    void linksInsideBackupsAreNeverFollowed();
    void sequenceNeverWrapsNorLosesTheNewest();
    void rotationKeepsThePromisedSets();
    void shareCapRemovesOldestButNeverNewest();
    void dailySnapshotThroughTheWriteHook();
    void writeIsRefusedWhenNoSnapshotCanBeTaken();
    void fullDiskRefusesTheWrite();
    void sizeAfterAYearOfUse();

  private:
    FixedClock m_clock{QDateTime(QDate(2026, 12, 8), QTime(10, 0))};
    // The snapshot before the day's first write, registered as the folder's opener does.
    backup::DailySnapshot m_daily;
    writehook::Registration m_beforeWrite{m_daily};
};

void TestBackup::initTestCase() {
    setClock(&m_clock);
}

void TestBackup::init() {
    m_clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 0)));
}

void TestBackup::cleanup() {
    backup::clearAutomatic();
}

void TestBackup::organiseIsUndoneByItsSnapshot() {
    TempFolder f;
    const DataFolder folder(f.path());
    CardValues marked = visitOn(QDate(2026, 1, 3));
    marked.date.replace(0, 1, u"R"_s);
    const QByteArray old = cardBytes(visitOn(QDate(2026, 3, 1))) + cardBytes(marked) +
                           cardBytes(visitOn(QDate(2026, 2, 1))) + cardBytes(visitOn(QDate(2026, 1, 1)));
    f.write(kDiary, old);
    backup::setAutomatic(folder, backup::Settings());
    const std::optional<backup::Snapshot> s =
        backup::beforeOperation(folder, backup::Reason::Organise, kDiary);
    QVERIFY(s);
    QCOMPARE(s->detail, kDiary);
    organiseDiary(folder, kDiary);
    QCOMPARE(f.read(kDiary).size(), 3 * 240);

    m_clock.set(m_clock.now().addSecs(1));
    backup::Backups(folder).restore(*s, kDiary);
    QCOMPARE(f.read(kDiary), old);
}

void TestBackup::deletedStoreComesBackAlone() {
    TempFolder f;
    const DataFolder folder(f.path());
    const QByteArray stores = storeRecord("AAA") + storeRecord("BBB") + storeRecord("CCC");
    f.write(kStores, stores);
    f.write(kDiary, cardBytes(visitOn(QDate(2026, 1, 1))));
    backup::setAutomatic(folder, backup::Settings());
    const std::optional<backup::Snapshot> s =
        backup::beforeOperation(folder, backup::Reason::DeleteStore, u"BBB"_s);
    QVERIFY(s);
    StoreFile(folder).deleteAt(1);
    QCOMPARE(f.read(kStores), storeRecord("AAA") + storeRecord("CCC"));
    const QByteArray diaryNow = cardBytes(visitOn(QDate(2026, 1, 1))) + cardBytes(visitOn(QDate(2026, 1, 2)));
    f.write(kDiary, diaryNow);

    m_clock.set(m_clock.now().addSecs(1));
    backup::Backups backups(folder);
    const backup::RestorePlan plan = backups.planRestore(*s, kStores);
    QCOMPARE(plan.write, QStringList{kStores});
    QVERIFY(plan.remove.isEmpty() && plan.same.isEmpty());
    backups.restore(*s, kStores);
    QCOMPARE(f.read(kStores), stores);
    QCOMPARE(f.read(kDiary), diaryNow);
}

void TestBackup::wholeRestoreRemovesAndIsUndone() {
    TempFolder f;
    const DataFolder folder(f.path());
    oneUserOneCard(f);
    f.write(kStores, storeRecord("AAA"));
    backup::Backups backups(folder);
    const backup::Snapshot s = backups.take(backup::Reason::Manual);
    const QMap<QString, QByteArray> then = dataState(f);

    m_clock.set(m_clock.now().addSecs(60));
    f.write(kDiary, cardBytes(visitOn(QDate(2026, 1, 1))) + cardBytes(visitOn(QDate(2026, 1, 2))));
    f.write(modelListFileName(u"AAA"_s), "# 2\r\n\x82\x60\r\n");
    f.write(u"taro.2025.dat"_s, cardBytes(visitOn(QDate(2025, 5, 5))));
    QVERIFY(QFile::remove(f.file(kUsers)));
    const QMap<QString, QByteArray> now = dataState(f);

    const backup::RestorePlan plan = backups.planRestore(s);
    QCOMPARE(plan.write, QStringList({kUsers, kDiary}));
    QCOMPARE(plan.remove, QStringList({u"taro.2025.dat"_s, modelListFileName(u"AAA"_s)}));
    QCOMPARE(plan.same, QStringList{kStores});
    const backup::Snapshot undo = backups.restore(s);
    QCOMPARE(undo.reason, backup::Reason::Restore);
    QCOMPARE(undo.detail, s.id);
    QCOMPARE(dataState(f), then);
    QVERIFY(f.exists(u"backups/"_s + s.id + u"/manifest.json"_s));

    m_clock.set(m_clock.now().addSecs(60));
    backups.restore(undo);
    QCOMPARE(dataState(f), now);
}

void TestBackup::theFolderSaysWhatIsSnapshotted() {
    TempFolder f;
    const DataFolder folder(f.path());
    oneUserOneCard(f);
    const QByteArray mika = cardBytes(visitOn(QDate(2024, 3, 3)));
    f.write(u".mika.2024.dat"_s, mika);
    f.write(kStores, storeRecord("AAA"));
    f.write(modelListFileName(u"AAA"_s), "# 2\r\n");
    // A sparse 2 GB file without an extension that no hall names, like a core dump.
    f.write(u"core"_s, QByteArray());
    QVERIFY(::truncate(QFile::encodeName(f.file(u"core"_s)).constData(), qint64(2) << 30) == 0);

    backup::Backups backups(folder);
    const backup::Snapshot s = backups.take(backup::Reason::Manual);
    QStringList names;
    for (const backup::SnapshotFile &file : s.files)
        names.append(file.name);
    QCOMPARE(names, QStringList({u".mika.2024.dat"_s, kUsers, kStores, kDiary, modelListFileName(u"AAA"_s)}));

    // The hidden diary comes back; the stray file is not the program's to remove.
    m_clock.set(m_clock.now().addSecs(60));
    f.write(u".mika.2024.dat"_s, QByteArray());
    backups.restore(s);
    QCOMPARE(f.read(u".mika.2024.dat"_s), mika);
    QCOMPARE(QFileInfo(f.file(u"core"_s)).size(), qint64(2) << 30);
}

void TestBackup::unchangedFilesAreSharedAndManifestIsRight() {
    TempFolder f;
    const DataFolder folder(f.path());
    f.write(kUsers, kUsersBytes);
    const QByteArray diary = cardBytes(visitOn(QDate(2026, 1, 1))) + cardBytes(visitOn(QDate(2026, 1, 2)));
    f.write(kDiary, diary);
    backup::Backups backups(folder);
    const backup::Snapshot first = backups.take(backup::Reason::Manual);
    m_clock.set(m_clock.now().addSecs(1));
    const QByteArray more = diary + cardBytes(visitOn(QDate(2026, 1, 3)));
    f.write(kDiary, more);
    const backup::Snapshot second = backups.take(backup::Reason::Manual);

    QCOMPARE(second.sequence, first.sequence + 1);
    QCOMPARE(inode(second.filePath(kUsers)), inode(first.filePath(kUsers)));
    QVERIFY(inode(second.filePath(kDiary)) != inode(first.filePath(kDiary)));
    // Never a link to the data file itself: changing it must not change a snapshot.
    QVERIFY(inode(first.filePath(kUsers)) != inode(f.file(kUsers)));

    // What list() reads back from the manifest is what is on disk.
    const backup::Snapshot read = *backups.find(second.id);
    QCOMPARE(read.files.size(), 2);
    const backup::SnapshotFile *users = read.file(kUsers);
    const backup::SnapshotFile *cards = read.file(kDiary);
    QVERIFY(users && cards);
    QCOMPARE(users->kind, u"users"_s);
    QCOMPARE(users->records, 1);
    QCOMPARE(users->changed, false);
    QCOMPARE(cards->kind, u"diary"_s);
    QCOMPARE(cards->records, 3);
    QCOMPARE(cards->changed, true);
    QCOMPARE(cards->size, qint64(more.size()));
    QCOMPARE(cards->sha256, QCryptographicHash::hash(more, QCryptographicHash::Sha256).toHex());
    QCOMPARE(readFile(read.filePath(kDiary)), more);
    QCOMPARE(backups.find(first.id)->file(kDiary)->sha256,
             QCryptographicHash::hash(diary, QCryptographicHash::Sha256).toHex());
    QVERIFY(backups.verify(read).isEmpty());
    // The shared copy counts once.
    QCOMPARE(backups.dataBytes(), qint64(kUsersBytes.size() + more.size()));
    // With the manifests and the record of what the files were.
    const qint64 manifests = QFileInfo(first.path + u"/manifest.json"_s).size() +
                             QFileInfo(second.path + u"/manifest.json"_s).size() +
                             QFileInfo(backups.path() + u"/.known.json"_s).size();
    QCOMPARE(backups.backupBytes(), kUsersBytes.size() + diary.size() + more.size() + manifests);
}

void TestBackup::damagedSnapshotIsFoundAndRefused() {
    TempFolder f;
    const DataFolder folder(f.path());
    const QByteArray diary = oneUserOneCard(f);
    backup::Backups backups(folder);
    const backup::Snapshot s = backups.take(backup::Reason::Manual);
    const QByteArray now = diary + diary;
    f.write(kDiary, now);

    writeFile(s.filePath(kDiary), QByteArray(diary).replace(0, 1, "9"));
    QStringList problems = backups.verify(s);
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems[0].startsWith(kDiary + u": "_s), qPrintable(problems[0]));
    QVERIFY(backups.verify(s, kUsers).isEmpty());
    for (const QString &only : {QString(), kDiary}) {
        QCOMPARE(storeErrorKind([&] { backups.restore(s, only); }), int(StoreError::Kind::Damaged));
        QCOMPARE(f.read(kDiary), now);
    }
    // Nothing was taken for a refused restore.
    QCOMPARE(backups.list().size(), 1);
    // The sound file of it can still be restored alone.
    QVERIFY(QFile::remove(f.file(kUsers)));
    m_clock.set(m_clock.now().addSecs(1));
    backups.restore(s, kUsers);
    QCOMPARE(f.read(kUsers), kUsersBytes);

    // A missing copy is found too.
    QVERIFY(QFile::remove(s.filePath(kUsers)));
    problems = backups.verify(s, kUsers);
    QCOMPARE(problems.size(), 1);
    QVERIFY(problems[0].startsWith(kUsers));
}

// A manifest from a copied or damaged folder: a value no snapshot of ours writes makes the
// snapshot unlisted, never a half-believed one (a size past what a double holds exactly
// was cast without a check before, and card counts were summed in an int).
void TestBackup::manifestOutOfRangeIsNotBelieved() {
    TempFolder f;
    const DataFolder folder(f.path());
    oneUserOneCard(f);
    backup::Backups backups(folder);
    const backup::Snapshot s = backups.take(backup::Reason::Manual);
    const QString manifest = s.path + u"/manifest.json"_s;
    const QJsonObject sound = QJsonDocument::fromJson(readFile(manifest)).object();
    const QJsonArray files = sound.value(u"files"_s).toArray();
    QCOMPARE(files.size(), 2);
    const int diaryAt = files[0].toObject().value(u"name"_s).toString() == kDiary ? 0 : 1;

    const QList<std::pair<QString, QJsonValue>> bad = {
        {u"size"_s, 1e300},         {u"size"_s, -240},          {u"size"_s, 240.5},
        {u"size"_s, u"240"_s},      {u"records"_s, 2147483647}, {u"records"_s, -1},
        {u"records"_s, 241},        {u"sha256"_s, u"abc"_s},    {u"sha256"_s, QString(64, u'g')},
        {u"kind"_s, u"users"_s},    {u"kind"_s, QJsonValue()},  {u"name"_s, u"../taro.2026.dat"_s},
        {u"name"_s, u"notes.txt"_s}};
    for (const auto &[key, value] : bad) {
        QJsonArray changed = files;
        QJsonObject file = changed[diaryAt].toObject();
        file.insert(key, value);
        changed[diaryAt] = file;
        QJsonObject o = sound;
        o.insert(u"files"_s, changed);
        writeFile(manifest, QJsonDocument(o).toJson());
        QVERIFY2(backups.list().isEmpty(), QJsonDocument(file).toJson().constData());
        QVERIFY(!backups.find(s.id));
    }
    // The same file named twice.
    QJsonObject twice = sound;
    twice.insert(u"files"_s, QJsonArray{files[diaryAt], files[1 - diaryAt], files[diaryAt]});
    writeFile(manifest, QJsonDocument(twice).toJson());
    QVERIFY(backups.list().isEmpty());

    writeFile(manifest, QJsonDocument(sound).toJson(QJsonDocument::Compact));
    QCOMPARE(ids(backups.list()), QStringList{s.id});
    QCOMPARE(backups.find(s.id)->file(kDiary)->records, 1);
}

void TestBackup::restoreStoppedHalfwayNamesTheWayBack() {
    TempFolder f;
    TempFolder elsewhere;
    const DataFolder folder(f.path());
    const QByteArray diary = oneUserOneCard(f);
    backup::Backups backups(folder);
    const backup::Snapshot s = backups.take(backup::Reason::Manual);
    const QByteArray users = kUsersBytes + kUsersBytes;
    f.write(kUsers, users);
    // A diary that is a link is never written through: the restore stops before anything.
    writeFile(elsewhere.file(kDiary), diary + diary);
    QVERIFY(QFile::remove(f.file(kDiary)));
    QVERIFY(QFile::link(elsewhere.file(kDiary), f.file(kDiary)));

    m_clock.set(m_clock.now().addSecs(1));
    try {
        backups.restore(s);
        QFAIL("a link was written through");
    } catch (const StoreError &e) {
        QVERIFY2(e.file().endsWith(kDiary), qPrintable(e.message()));
    }
    QCOMPARE(f.read(kUsers), users);
    QCOMPARE(readFile(elsewhere.file(kDiary)), diary + diary);
    QCOMPARE(ids(backups.list()), QStringList{s.id});

    // A rename that fails part-way: what was put in place is taken back.
    QVERIFY(QFile::remove(f.file(kDiary)));
    f.write(kDiary, diary + diary);
    RecordFile::beforeReplaceHook = [&] {
        QVERIFY(QFile::remove(f.file(kDiary)));
        QVERIFY(QDir().mkdir(f.file(kDiary)));
    };
    try {
        backups.restore(s);
        RecordFile::beforeReplaceHook = nullptr;
        QFAIL("a rename over a folder succeeded");
    } catch (const StoreError &e) {
        RecordFile::beforeReplaceHook = nullptr;
        const backup::Snapshot undo = backups.list().last();
        QCOMPARE(undo.reason, backup::Reason::Restore);
        QVERIFY2(e.message().contains(u"復元の前の状態に戻しました"_s) && e.message().contains(undo.id),
                 qPrintable(e.message()));
        QCOMPARE(readFile(undo.filePath(kUsers)), users);
    }
    QCOMPARE(f.read(kUsers), users);
    QVERIFY(!f.exists(u"backups/.restoring"_s));
}

void TestBackup::restoredFilesGetTheirModes() {
    TempFolder f;
    const DataFolder folder(f.path());
    const QByteArray diary = oneUserOneCard(f);
    QCOMPARE(::chmod(QFile::encodeName(f.file(kUsers)).constData(), 0600), 0);
    QCOMPARE(::chmod(QFile::encodeName(f.file(kDiary)).constData(), 0600), 0);
    backup::Backups backups(folder);
    const backup::Snapshot s = backups.take(backup::Reason::Manual);
    // The user list made group-readable since, the diary gone.
    f.write(kUsers, kUsersBytes + kUsersBytes);
    QCOMPARE(::chmod(QFile::encodeName(f.file(kUsers)).constData(), 0640), 0);
    QVERIFY(QFile::remove(f.file(kDiary)));

    m_clock.set(m_clock.now().addSecs(1));
    backups.restore(s);
    QCOMPARE(f.read(kUsers), kUsersBytes);
    QCOMPARE(modeOf(f.file(kUsers)), mode_t(0640));
    QCOMPARE(f.read(kDiary), diary);
    QCOMPARE(modeOf(f.file(kDiary)), mode_t(0600));
}

void TestBackup::sequenceNeverWrapsNorLosesTheNewest_data() {
    QTest::addColumn<QByteArray>("planted"); // the sequence as the manifest spells it
    QTest::addColumn<bool>("believed");
    QTest::addColumn<qint64>("next");
    QTest::newRow("past 2^31 - 1") << QByteArray("2147483647") << true << qint64(2147483648);
    QTest::newRow("at the bound") << QByteArray("9007199254740991") << true << backup::maxSequence();
    QTest::newRow("past the bound") << QByteArray("9007199254740993") << false << qint64(1);
    QTest::newRow("negative") << QByteArray("-3") << false << qint64(1);
    QTest::newRow("fraction") << QByteArray("7.5") << false << qint64(1);
}

void TestBackup::sequenceNeverWrapsNorLosesTheNewest() {
    QFETCH(QByteArray, planted);
    QFETCH(bool, believed);
    QFETCH(qint64, next);
    TempFolder f;
    const DataFolder folder(f.path());
    oneUserOneCard(f);
    backup::Settings settings;
    settings.keepOperations = 1;
    backup::Backups backups(folder, settings);
    const backup::Snapshot old = backups.take(backup::Reason::Manual);
    const QString manifest = old.path + u"/manifest.json"_s;
    QByteArray text = readFile(manifest);
    const qsizetype at = text.indexOf("\"sequence\": 1,");
    QVERIFY(at >= 0);
    writeFile(manifest, text.replace(at, 15, "\"sequence\": " + planted + ','));
    QCOMPARE(backups.list().size(), believed ? 1 : 0);

    m_clock.set(m_clock.now().addSecs(1));
    const backup::Snapshot s = backups.take(backup::Reason::Manual);
    QCOMPARE(s.sequence, next);
    // Only one operation snapshot is kept, and it is the one just taken.
    QCOMPARE(ids(backups.list()), QStringList{s.id});
    QCOMPARE(backups.find(s.id)->sequence, next);
}

void TestBackup::linksInsideBackupsAreNeverFollowed_data() {
    QTest::addColumn<QString>("moved"); // in the snapshot folder, moved out and linked back
    QTest::addColumn<bool>("listed");
    QTest::newRow("a copy") << u"files/"_s + kDiary << true;
    QTest::newRow("files") << u"files"_s << true;
    QTest::newRow("the manifest") << u"manifest.json"_s << false;
    QTest::newRow("the snapshot folder") << QString() << false;
}

// Each link leads to the very bytes the manifest names, so only not following it shows.
void TestBackup::linksInsideBackupsAreNeverFollowed() {
    QFETCH(QString, moved);
    QFETCH(bool, listed);
    TempFolder f;
    TempFolder elsewhere;
    const DataFolder folder(f.path());
    const QByteArray diary = oneUserOneCard(f);
    backup::Backups backups(folder);
    const backup::Snapshot s = backups.take(backup::Reason::Manual);
    f.write(kDiary, diary + diary);
    const QString inside = moved.isEmpty() ? s.path : s.path + u'/' + moved;
    const QString outside = elsewhere.file(u"moved"_s);
    QVERIFY(QDir().rename(inside, outside));
    QVERIFY(QFile::link(outside, inside));

    QCOMPARE(backups.list().size(), listed ? 1 : 0);
    QCOMPARE(backups.find(s.id).has_value(), listed);
    if (listed) {
        const QStringList problems = backups.verify(s);
        QVERIFY(!problems.isEmpty());
        QVERIFY2(problems.join(u' ').contains(kDiary), qPrintable(problems.join(u' ')));
        QCOMPARE(storeErrorKind([&] { backups.restore(s); }), int(StoreError::Kind::Damaged));
        QCOMPARE(f.read(kDiary), diary + diary);
    }
    // The next snapshot holds copies of its own, none a link.
    m_clock.set(m_clock.now().addSecs(1));
    const backup::Snapshot next = backups.take(backup::Reason::Manual);
    for (const backup::SnapshotFile &file : next.files)
        QVERIFY2(QFileInfo(next.filePath(file.name)).isFile() &&
                     !QFileInfo(next.filePath(file.name)).isSymLink(),
                 qPrintable(file.name));
    QVERIFY(backups.verify(next).isEmpty());
}

void TestBackup::copiesAreNoWiderThanTheirFiles_data() {
    QTest::addColumn<int>("diaryMode");
    QTest::addColumn<int>("folderMode"); // of the snapshot, its files/ and backups/
    QTest::newRow("private") << 0600 << 0700;
    QTest::newRow("group reads") << 0640 << 0750;
    QTest::newRow("all read") << 0644 << 0755;
    QTest::newRow("others read") << 0604 << 0705;
    QTest::newRow("owner only, executable") << 0700 << 0700;
}

void TestBackup::copiesAreNoWiderThanTheirFiles() {
    QFETCH(int, diaryMode);
    QFETCH(int, folderMode);
    TempFolder f;
    const DataFolder folder(f.path());
    oneUserOneCard(f);
    QCOMPARE(::chmod(QFile::encodeName(f.file(kUsers)).constData(), 0600), 0);
    QCOMPARE(::chmod(QFile::encodeName(f.file(kDiary)).constData(), mode_t(diaryMode)), 0);
    backup::Backups backups(folder);
    const backup::Snapshot s = backups.take(backup::Reason::Manual);
    QCOMPARE(modeOf(s.filePath(kUsers)), mode_t(0600));
    QCOMPARE(modeOf(s.filePath(kDiary)), mode_t(diaryMode));
    QCOMPARE(modeOf(s.path + u"/files"_s), mode_t(folderMode));
    QCOMPARE(modeOf(s.path), mode_t(folderMode));
    QCOMPARE(modeOf(s.path + u"/manifest.json"_s), mode_t(0600 | (folderMode & 0044)));
    QCOMPARE(modeOf(backups.path()), mode_t(folderMode));

    // Made private since: the copy kept before is not shared, and nothing new is wider.
    QCOMPARE(::chmod(QFile::encodeName(f.file(kDiary)).constData(), 0600), 0);
    m_clock.set(m_clock.now().addSecs(1));
    const backup::Snapshot next = backups.take(backup::Reason::Manual);
    QCOMPARE(modeOf(next.filePath(kDiary)), mode_t(0600));
    QCOMPARE(modeOf(next.path), mode_t(0700));
    QCOMPARE(modeOf(backups.path()), mode_t(0700));
    QVERIFY(backups.verify(next).isEmpty());
}

void TestBackup::damagedCopyIsNotShared() {
    TempFolder f;
    const DataFolder folder(f.path());
    oneUserOneCard(f);
    backup::Backups backups(folder);
    const backup::Snapshot s = backups.take(backup::Reason::Manual);
    // Changed in place, size and inode kept.
    QByteArray tampered = kUsersBytes;
    tampered[2] = 'j';
    writeFile(s.filePath(kUsers), tampered);
    QCOMPARE(backups.verify(s).size(), 1);

    m_clock.set(m_clock.now().addSecs(1));
    const backup::Snapshot next = backups.take(backup::Reason::Manual);
    QVERIFY2(backups.verify(next).isEmpty(), qPrintable(backups.verify(next).join(u' ')));
    QCOMPARE(readFile(next.filePath(kUsers)), kUsersBytes);
    QCOMPARE(next.file(kUsers)->changed, false); // the data file itself did not change
    QCOMPARE(inode(next.filePath(kDiary)), inode(s.filePath(kDiary)));
}

// Identical files made one inode, as a de-duplicating tool does with link(2): the diary
// becomes the inode of two snapshots' copies; then it is written in place.
void TestBackup::mergedInodesAreSeparated() {
    TempFolder f;
    const DataFolder folder(f.path());
    const QByteArray diary = oneUserOneCard(f);
    backup::Backups backups(folder);
    const backup::Snapshot first = backups.take(backup::Reason::Manual);
    m_clock.set(m_clock.now().addSecs(1));
    const backup::Snapshot second = backups.take(backup::Reason::Manual);
    QCOMPARE(inode(second.filePath(kDiary)), inode(first.filePath(kDiary)));
    QVERIFY(QFile::remove(f.file(kDiary)));
    QCOMPARE(::link(QFile::encodeName(second.filePath(kDiary)).constData(),
                    QFile::encodeName(f.file(kDiary)).constData()),
             0);

    m_clock.set(m_clock.now().addSecs(1));
    const backup::Snapshot third = backups.take(backup::Reason::Manual);
    for (const backup::Snapshot &s : {first, second, third})
        QVERIFY2(inode(s.filePath(kDiary)) != inode(f.file(kDiary)), qPrintable(s.id));
    DiaryFile(folder, kDiary).setCandidate(1, true);
    QVERIFY(f.read(kDiary).startsWith('R'));
    for (const backup::Snapshot &s : {first, second, third}) {
        QVERIFY2(backups.verify(s).isEmpty(), qPrintable(s.id));
        QCOMPARE(readFile(s.filePath(kDiary)), diary);
    }
}

void TestBackup::recordIsTrustedOnlyWhileEveryFieldHolds_data() {
    QTest::addColumn<int>("field"); // of the diary's record changed: -1 none, else its place
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("trusted");
    QTest::newRow("all hold") << -1 << QString() << true;
    QTest::newRow("size") << 0 << QString() << false;
    QTest::newRow("mtime") << 1 << QString() << false;
    QTest::newRow("ctime") << 2 << QString() << false;
    QTest::newRow("device") << 3 << QString() << false;
    QTest::newRow("inode") << 4 << QString() << false;
    QTest::newRow("recorded within the lag") << -1 << u"racy"_s << false;
    QTest::newRow("checksum of the record") << -1 << u"unsigned"_s << false;
    QTest::newRow("record a link") << -1 << u"link"_s << false;
    QTest::newRow("more cards than bytes") << -1 << u"cards"_s << false;
}

// The record is what the next snapshot believes instead of reading the diary; a planted
// card count shows whether it was believed.
void TestBackup::recordIsTrustedOnlyWhileEveryFieldHolds() {
    QFETCH(int, field);
    QFETCH(QString, how);
    QFETCH(bool, trusted);
    TempFolder f;
    TempFolder elsewhere;
    const DataFolder folder(f.path());
    oneUserOneCard(f);
    backup::Backups backups(folder);
    backups.take(backup::Reason::Manual);
    const QString known = backups.path() + u"/.known.json"_s;
    QJsonObject o = QJsonDocument::fromJson(readFile(known)).object();
    QJsonObject body = o.value(u"body"_s).toObject();
    QJsonObject data = body.value(u"data"_s).toObject();
    QJsonArray entry = data.value(kDiary).toArray();
    QCOMPARE(entry.size(), 8);
    auto at = [&](int i) { return entry[i].toString().toLongLong(); };
    // Recorded long after the diary's times, unless the case says otherwise.
    entry[5] = QString::number(std::max(at(1), at(2)) + (how == u"racy"_s ? 1'000'000'000 : 60'000'000'000));
    entry[7] = how == u"cards"_s ? u"241"_s : u"9"_s;
    if (field >= 0) entry[field] = QString::number(at(field) + 1);
    data.insert(kDiary, entry);
    body.insert(u"data"_s, data);
    o.insert(u"body"_s, body);
    if (how != u"unsigned"_s)
        o.insert(u"sha256"_s, QString::fromLatin1(
                                  QCryptographicHash::hash(QJsonDocument(body).toJson(QJsonDocument::Compact),
                                                           QCryptographicHash::Sha256)
                                      .toHex()));
    const QString written = how == u"link"_s ? elsewhere.file(u"known.json"_s) : known;
    QVERIFY(QFile::remove(known));
    writeFile(written, QJsonDocument(o).toJson(QJsonDocument::Compact));
    if (how == u"link"_s) QVERIFY(QFile::link(written, known));

    m_clock.set(m_clock.now().addSecs(1));
    const backup::Snapshot next = backups.take(backup::Reason::Manual);
    QCOMPARE(next.file(kDiary)->records, trusted ? 9 : 1);
    QCOMPARE(next.file(kUsers)->records, 1);
}

void TestBackup::rotationKeepsThePromisedSets() {
    TempFolder f;
    const DataFolder folder(f.path());
    QByteArray diary;
    for (int i = 0; i < 20; ++i)
        diary += cardBytes(visitOn(QDate(2026, 1, 1).addDays(i)));
    f.write(kDiary, diary);
    backup::Settings settings;
    settings.maxSharePercent = 99; // the counts alone here
    backup::Backups backups(folder, settings);

    // From mid-June 2025 to the end of 2026: a daily snapshot each day, and an operation
    // every fifth day; now and then the diary changes.
    QList<QDateTime> operations;
    QList<QDate> days;
    const QDate first(2025, 6, 15), last(2026, 12, 31);
    for (QDate d = first; d <= last; d = d.addDays(1)) {
        m_clock.set(QDateTime(d, QTime(9, 0)));
        QVERIFY(backups.takeDailyIfDue());
        days.append(d);
        m_clock.set(QDateTime(d, QTime(18, 0)));
        QVERIFY(!backups.takeDailyIfDue()); // one a day
        if (first.daysTo(d) % 5 == 0) {
            m_clock.set(QDateTime(d, QTime(12, 0)));
            backups.take(backup::Reason::Organise, kDiary);
            operations.append(m_clock.now());
        }
        if (d.day() % 9 == 0) f.write(kDiary, diary + cardBytes(visitOn(d)));
    }

    QSet<QDateTime> expected;
    for (const QDateTime &t : operations.mid(operations.size() - 20))
        expected.insert(t);
    for (const QDate &d : days.mid(days.size() - 30))
        expected.insert(QDateTime(d, QTime(9, 0)));
    for (int m = 1; m <= 12; ++m) // the first daily of each of the newest twelve months
        expected.insert(QDateTime(QDate(2026, m, 1), QTime(9, 0)));
    QCOMPARE(expected.size(), 20 + 30 + 12);

    QSet<QDateTime> kept;
    for (const backup::Snapshot &s : backups.list())
        kept.insert(s.time);
    QCOMPARE(kept, expected);
    // Every snapshot kept is whole, whatever it shares with those removed.
    for (const backup::Snapshot &s : backups.list())
        QVERIFY2(backups.verify(s).isEmpty(), qPrintable(s.id));
    QCOMPARE(partials(f), QStringList());
    QCOMPARE(backups.rotate(), QStringList()); // nothing more to remove
}

void TestBackup::shareCapRemovesOldestButNeverNewest() {
    TempFolder f;
    const DataFolder folder(f.path());
    QByteArray diary;
    for (int i = 0; i < 10; ++i)
        diary += cardBytes(visitOn(QDate(2026, 1, 1).addDays(i)));
    backup::Settings settings;
    settings.maxSharePercent = 80; // the backups at most four times the data
    backup::Backups backups(folder, settings);
    QStringList taken;
    for (int i = 0; i < 12; ++i) {
        // Each snapshot with a diary of its own, so that none shares a copy.
        f.write(kDiary, diary + cardBytes(visitOn(QDate(2026, 2, 1), 1000, i)));
        m_clock.set(m_clock.now().addSecs(1));
        taken.append(backups.take(backup::Reason::Manual).id);
        const QStringList kept = ids(backups.list());
        QVERIFY(!kept.isEmpty());
        QCOMPARE(kept.last(), taken.last());
        // The oldest go first: what is left is the newest ones, in a row.
        QCOMPARE(kept, taken.mid(taken.size() - kept.size()));
        QVERIFY2(kept.size() == 1 || backups.backupBytes() <= 4 * backups.dataBytes(),
                 qPrintable(u"%1 over %2"_s.arg(backups.backupBytes()).arg(backups.dataBytes())));
    }
    QVERIFY(backups.list().size() > 1 && backups.list().size() < 12);

    // A snapshot larger than the cap on its own is still kept.
    settings.maxSharePercent = 10;
    backup::Backups tight(folder, settings);
    m_clock.set(m_clock.now().addSecs(1));
    const backup::Snapshot newest = tight.take(backup::Reason::Manual);
    QCOMPARE(ids(tight.list()), QStringList{newest.id});
    QVERIFY(tight.backupBytes() * 90 > tight.dataBytes() * 10);
}

void TestBackup::dailySnapshotThroughTheWriteHook() {
    TempFolder f;
    TempFolder elsewhere;
    const DataFolder folder(f.path());
    const QByteArray first = cardBytes(visitOn(QDate(2026, 1, 1)));
    f.write(kDiary, first);
    backup::setAutomatic(folder, backup::Settings());
    backup::Backups backups(folder);

    auto append = [](const DataFolder &where, const QDate &d) {
        DiaryFile diary(where, kDiary);
        diary.write(diary.count() + 1, test::makeCard(visitOn(d)));
    };
    m_clock.set(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
    append(folder, QDate(2026, 12, 8));
    QList<backup::Snapshot> list = backups.list();
    QCOMPARE(list.size(), 1);
    QCOMPARE(list[0].reason, backup::Reason::Daily);
    // It holds the diary from before the write.
    QCOMPARE(readFile(list[0].filePath(kDiary)), first);

    m_clock.set(QDateTime(QDate(2026, 12, 8), QTime(23, 59)));
    append(folder, QDate(2026, 12, 8));
    DiaryFile(folder, kDiary).setCandidate(1, true);
    QCOMPARE(backups.list().size(), 1);
    // A write in another folder takes none there or here.
    append(DataFolder(elsewhere.path()), QDate(2026, 12, 8));
    QVERIFY(!elsewhere.exists(u"backups"_s));
    QCOMPARE(backups.list().size(), 1);

    m_clock.set(QDateTime(QDate(2026, 12, 9), QTime(0, 1)));
    const QByteArray beforeNextDay = f.read(kDiary);
    append(folder, QDate(2026, 12, 9));
    list = backups.list();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[1].time.date(), QDate(2026, 12, 9));
    QCOMPARE(readFile(list[1].filePath(kDiary)), beforeNextDay);

    // Turned off, the next day takes none.
    backup::Settings off;
    off.automatic = false;
    backup::setAutomatic(folder, off);
    m_clock.set(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    append(folder, QDate(2026, 12, 10));
    QVERIFY(!backup::beforeOperation(folder, backup::Reason::Organise, kDiary));
    QCOMPARE(backups.list().size(), 2);
}

void TestBackup::writeIsRefusedWhenNoSnapshotCanBeTaken() {
    TempFolder f;
    const DataFolder folder(f.path());
    const QByteArray diary = cardBytes(visitOn(QDate(2026, 1, 1)));
    f.write(kDiary, diary);
    f.write(u"backups"_s, "not a folder");
    backup::setAutomatic(folder, backup::Settings());

    try {
        DiaryFile d(folder, kDiary);
        d.write(2, test::makeCard(visitOn(QDate(2026, 1, 2))));
        QFAIL("the write went ahead without its snapshot");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(u"バックアップを取れないため、書き込みを取りやめました"_s),
                 qPrintable(e.message()));
    }
    QCOMPARE(f.read(kDiary), diary);
    try {
        backup::beforeOperation(folder, backup::Reason::Organise, kDiary);
        QFAIL("the operation's snapshot was taken");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(u"日記ファイルの整理を取りやめました"_s), qPrintable(e.message()));
    }
    QCOMPARE(f.read(u"backups"_s), QByteArray("not a folder"));
    QCOMPARE(f.read(kDiary), diary);

    // Once the way is clear the same write goes ahead, after its snapshot.
    QVERIFY(QFile::remove(f.file(u"backups"_s)));
    DiaryFile(folder, kDiary).write(2, test::makeCard(visitOn(QDate(2026, 1, 2))));
    QCOMPARE(f.read(kDiary).size(), 480);
    QCOMPARE(backup::Backups(folder).list().size(), 1);
}

void TestBackup::fullDiskRefusesTheWrite() {
    QTemporaryDir dir;
    TmpfsMount mount(dir.path(), 64);
    if (!mount.mounted()) QSKIP(mount.whyNot());
    const DataFolder folder(dir.path());
    QByteArray diary;
    for (int i = 0; i < 40; ++i) // 9600 bytes: its copy cannot fit once the disk is full
        diary += cardBytes(visitOn(QDate(2026, 1, 1).addDays(i)));
    writeFile(folder.file(kDiary), diary);
    backup::setAutomatic(folder, backup::Settings());
    QVERIFY(mount.fill(folder.file(u"filler"_s)));

    QCOMPARE(storeErrorKind([&] { DiaryFile(folder, kDiary).setCandidate(1, true); }),
             int(StoreError::Kind::Io));
    QCOMPARE(readFile(folder.file(kDiary)), diary);
    // Nothing of the snapshot is left, and nothing is listed.
    QCOMPARE(
        QDir(folder.file(u"backups"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList());
    QVERIFY(backup::Backups(folder).list().isEmpty());

    // Room again: the write goes ahead after its snapshot.
    QVERIFY(QFile::remove(folder.file(u"filler"_s)));
    DiaryFile(folder, kDiary).setCandidate(1, true);
    QVERIFY(readFile(folder.file(kDiary)).startsWith('R'));
    QCOMPARE(backup::Backups(folder).list().size(), 1);
}

// Not a check: the figure for the documentation. A diary of 300 cards, one or two cards
// added on most days, an organise a month, every snapshot the program would take.
void TestBackup::sizeAfterAYearOfUse() {
    TempFolder f;
    const DataFolder folder(f.path());
    QList<CardRecord> cards;
    for (int i = 0; i < 300; ++i)
        cards.append(test::makeCard(visitOn(QDate(2026, 1, 1), 900 + i % 60)));
    test::writeDiary(f.path(), kDiary, cards);
    f.write(kUsers, kUsersBytes);
    f.write(kStores, storeRecord("AAA") + storeRecord("BBB"));
    backup::setAutomatic(folder, backup::Settings());

    for (QDate d(2026, 1, 1); d.year() == 2026; d = d.addDays(1)) {
        m_clock.set(QDateTime(d, QTime(20, 0)));
        if (d.day() == 28) {
            DiaryFile(folder, kDiary).setCandidate(1, true);
            backup::beforeOperation(folder, backup::Reason::Organise, kDiary);
            organiseDiary(folder, kDiary);
        }
        if (d.dayOfWeek() == 3) continue; // no visit on Wednesdays
        DiaryFile diary(folder, kDiary);
        for (int i = 0; i < 1 + d.day() % 2; ++i)
            diary.write(diary.count() + 1, test::makeCard(visitOn(d, 1000 + 100 * i)));
    }
    const backup::Backups backups(folder);
    const QList<backup::Snapshot> list = backups.list();
    qInfo("a year of use: %lld snapshots, backups %lld bytes, data %lld bytes (diary %d cards)",
          qsizetype(list.size()), backups.backupBytes(), backups.dataBytes(),
          DiaryFile(folder, kDiary).count());
    QVERIFY(!list.isEmpty());
}

TAMA_TEST_MAIN(TestBackup)
#include "tst_backup.moc"
