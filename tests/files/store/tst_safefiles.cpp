// The data folder under attack: lock files left behind, planted links and FIFOs,
// permissions, oversized files and torn writes in place.
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include "common/clock.h"
#include "store/datafolderlock.h"
#include "store/diary.h"
#include "store/foldercheck.h"
#include "store/journal.h"
#include "store/modellist.h"
#include "store/organise.h"
#include "store/safefile.h"
#include "store/storeerror.h"
#include "store/textfile.h"
#include "store/userlist.h"
#include "store/writehook.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QString kDiary = u"taro.1999.dat"_s;
const QString kListABC = modelListFileName(u"ＡＢＣ"_s);
const QString kListDEF = modelListFileName(u"ＤＥＦ"_s);

// A card of the given date and start time; fill marks it apart from the others.
// patishop.dat with the halls ＡＢＣ and ＤＥＦ, whose model lists are kListABC and kListDEF.
QByteArray hallsABCandDEF() {
    return hex("82 60 82 61 82 62").leftJustified(80, ' ') + hex("82 63 82 64 82 65").leftJustified(80, ' ');
}

QByteArray card(const char *date, const char *start, char fill) {
    const QString f(QChar::fromLatin1(fill));
    return cardBytes({.date = QString::fromLatin1(date) + u"土"_s,
                      .start = QString::fromLatin1(start),
                      .end = u"1200"_s,
                      .store = f.repeated(20),
                      .category = f,
                      .model = f.repeated(30),
                      .investment = f.repeated(4),
                      .cashOut = f.repeated(4),
                      .dayType = f.repeated(3),
                      .impression = f.repeated(160)});
}

mode_t modeOf(const QString &path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode;
}

bool makeFifo(const QString &path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
}

QString messageOf(const std::function<void()> &f) {
    try {
        f();
    } catch (const StoreError &e) {
        return e.message();
    }
    return {};
}

journal::Identity identityOf(const QString &path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

// The journal a write of fresh at offset into the file name leaves when the program dies
// before clearing it: what the file is and holds now, before the write.
QByteArray journalOf(const TempFolder &f, const QString &name, qint64 offset, const QByteArray &fresh) {
    const QByteArray now = f.read(name);
    return journal::encodeEntry(name.toUtf8(), offset, now.size(), identityOf(f.file(name)),
                                now.mid(offset, fresh.size()), fresh);
}

// The journal entry of earlier versions: the old bytes only, without identity or new bytes.
QByteArray previousEntry(const QByteArray &name, qint64 offset, qint64 oldSize, const QByteArray &old) {
    QByteArray out("TAMAJNL1");
    auto put = [&out](quint64 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.append(char((v >> (8 * i)) & 0xFF));
    };
    put(name.size(), 4);
    put(old.size(), 4);
    put(offset, 8);
    put(oldSize, 8);
    out += name + old;
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : out) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    put(~crc, 4);
    return out;
}

// Records the paths it is called with, and what each file held then.
struct Recording : writehook::BeforeWrite {
    QStringList seen;
    QByteArrayList held;
    void beforeWrite(const QString &filePath) override {
        seen.append(filePath);
        QFile file(filePath);
        held.append(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
};

FileCheck checkOf(const TempFolder &f, const QString &name) {
    for (const FileCheck &c : checkFolder(DataFolder(f.path())))
        if (c.name == name) return c;
    return FileCheck{u"(not reported)"_s, FileCheck::Kind::Scratch, {u"not reported"_s}, {}};
}

} // namespace

class TestSafeFiles : public QObject {
    Q_OBJECT
  private slots:
    void lockFilesLeftBehindAreTakenOver();
    void lockNamesItsHolderAndDiesWithIt();
    void plantedLinksAreNeverWrittenThrough();
    void rewriteKeepsPermissions();
    void linkedDiaryIsRefusedWhole();
    void nonRegularFilesAreRefused();
    void readsStopAtTheLimits();
    void checkKnowsEveryScratchName();
    void tornWriteIsRolledBack();
    void damagedJournalIsDiscarded();
    void journalThatNoLongerFitsIsPutAside_data();
    void journalThatNoLongerFitsIsPutAside();
    void journalIsClearedAfterEveryWrite();
    void newFileIsWholeOrNotThere_data();
    void newFileIsWholeOrNotThere();
    void beforeWriteIsCalledByWhoeverIsRegistered();
};

void TestSafeFiles::lockFilesLeftBehindAreTakenOver() {
    const QList<QByteArray> leftovers = {
        QByteArray(),                          // killed between creating and writing it
        "4242\ntamanote\nanother-host\n",      // copied from another machine
        "program 99999999\n",                  // a holder long gone
        QByteArray("\xff\xfe\x00garbage", 10), // unreadable
    };
    for (const QByteArray &text : leftovers) {
        TempFolder f;
        f.write(DataFolderLock::fileName(), text);
        {
            const DataFolderLock lock(DataFolder(f.path()), DataFolderLock::Holder::Command);
            QVERIFY2(lock.held(), qPrintable(lock.refusal()));
            QCOMPARE(f.read(DataFolderLock::fileName()), "command " + QByteArray::number(::getpid()) + '\n');
        }
        QVERIFY(!f.exists(DataFolderLock::fileName())); // given back
    }

    // A planted link is replaced, its target untouched.
    TempFolder f, outside;
    outside.write(u"victim"_s, "keep");
    QVERIFY(QFile::link(outside.file(u"victim"_s), f.file(DataFolderLock::fileName())));
    {
        const DataFolderLock lock(DataFolder(f.path()), DataFolderLock::Holder::Program);
        QVERIFY2(lock.held(), qPrintable(lock.refusal()));
    }
    QCOMPARE(outside.read(u"victim"_s), QByteArray("keep"));
}

void TestSafeFiles::lockNamesItsHolderAndDiesWithIt() {
    TempFolder f;
    const DataFolder folder(f.path());
    {
        const DataFolderLock program(folder, DataFolderLock::Holder::Program);
        QVERIFY(program.held());
        const DataFolderLock second(folder, DataFolderLock::Holder::Command);
        QVERIFY(!second.held());
        QVERIFY2(second.refusal().contains(u"タマノートが使っています（プロセス %1）"_s.arg(::getpid())),
                 qPrintable(second.refusal()));
    }
    {
        const DataFolderLock command(folder, DataFolderLock::Holder::Command);
        QVERIFY(command.held());
        const DataFolderLock second(folder, DataFolderLock::Holder::Program);
        QVERIFY(!second.held());
        QVERIFY2(second.refusal().contains(u"tamanote-cli"_s) &&
                     second.refusal().contains(QString::number(::getpid())),
                 qPrintable(second.refusal()));
    }

    // A holder killed outright leaves its file, but not its lock.
    int ready[2];
    QVERIFY(::pipe(ready) == 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const DataFolderLock lock(folder, DataFolderLock::Holder::Program);
        const char ok = lock.held() ? 'y' : 'n';
        (void)!::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    QCOMPARE(::read(ready[0], &ok, 1), ssize_t(1));
    QCOMPARE(ok, 'y');
    {
        const DataFolderLock refused(folder, DataFolderLock::Holder::Command);
        QVERIFY(!refused.held());
        QVERIFY2(refused.refusal().contains(QString::number(child)), qPrintable(refused.refusal()));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    QVERIFY(f.exists(DataFolderLock::fileName()));
    const DataFolderLock after(folder, DataFolderLock::Holder::Command);
    QVERIFY2(after.held(), qPrintable(after.refusal()));
}

void TestSafeFiles::plantedLinksAreNeverWrittenThrough() {
    TempFolder f, outside;
    const QByteArray cards = card("19990503", "1000", 'a') + card("19990501", "1000", 'b');
    f.write(kDiary, cards);
    outside.write(u"victim"_s, "precious");
    QVERIFY(QFile::link(outside.file(u"victim"_s), f.file(DiaryFile::scratchName())));

    organiseDiary(DataFolder(f.path()), kDiary);
    QCOMPARE(outside.read(u"victim"_s), QByteArray("precious"));
    QVERIFY(!QFileInfo(f.file(kDiary)).isSymLink());
    QCOMPARE(f.read(kDiary), card("19990501", "1000", 'b') + card("19990503", "1000", 'a'));
    QVERIFY(!f.exists(DiaryFile::scratchName()));

    // A dangling link where a new file is to be created is not followed either.
    QVERIFY(QFile::link(outside.file(u"created"_s), f.file(u"namae.dat"_s)));
    const QString refused = messageOf([&] { UserList(DataFolder(f.path())).append(u"hanako"_s); });
    QVERIFY(!refused.isEmpty());
    QVERIFY(!outside.exists(u"created"_s));

    // Nor a link planted as the journal, symbolic or hard.
    QVERIFY(QFile::link(outside.file(u"victim"_s), f.file(journal::fileName())));
    DiaryFile(DataFolder(f.path()), kDiary).setCandidate(1, true);
    QCOMPARE(outside.read(u"victim"_s), QByteArray("precious"));
    QCOMPARE(f.read(kDiary).at(0), 'R');
    const QByteArray reserved = "precious" + QByteArray(journal::kReservedSize - 8, '\0');
    f.write(u"victim"_s, reserved); // same file system, so that a hard link can be made
    QVERIFY(::link(QFile::encodeName(f.file(u"victim"_s)).constData(),
                   QFile::encodeName(f.file(journal::fileName())).constData()) == 0);
    DiaryFile(DataFolder(f.path()), kDiary).setCandidate(1, false);
    QCOMPARE(f.read(u"victim"_s), reserved);
}

void TestSafeFiles::rewriteKeepsPermissions() {
    TempFolder f;
    const DataFolder folder(f.path());
    const QByteArray cards = card("19990503", "1000", 'a') + card("19990501", "1000", 'b');
    f.write(kDiary, cards);
    QVERIFY(::chmod(QFile::encodeName(f.file(kDiary)).constData(), 0600) == 0);
    organiseDiary(folder, kDiary);
    QCOMPARE(modeOf(f.file(kDiary)) & 07777, mode_t(0600));

    f.write(kListABC, "# 2\r\n# #\r\n");
    QVERIFY(::chmod(QFile::encodeName(f.file(kListABC)).constData(), 0640) == 0);
    ModelListFile(folder, u"ＡＢＣ"_s).write({{u"ＣＲ１"_s, 6}});
    QCOMPARE(modeOf(f.file(kListABC)) & 07777, mode_t(0640));

    // A file made read-only is left alone, even by root, in a folder that may be written.
    f.write(kDiary, cards);
    QVERIFY(::chmod(QFile::encodeName(f.file(kDiary)).constData(), 0444) == 0);
    const QString refused = messageOf([&] { organiseDiary(folder, kDiary); });
    QVERIFY2(refused.contains(u"読み取り専用"_s) || refused.contains(u"アクセス"_s), qPrintable(refused));
    const QString inPlace = messageOf([&] { DiaryFile(folder, kDiary).setCandidate(1, true); });
    QVERIFY2(!inPlace.isEmpty(), "a read-only diary was written in place");
    QCOMPARE(f.read(kDiary), cards);
    QCOMPARE(modeOf(f.file(kDiary)) & 07777, mode_t(0444));
    QCOMPARE(f.files(), QStringList{kDiary} + QStringList{kListABC});
}

void TestSafeFiles::linkedDiaryIsRefusedWhole() {
    TempFolder f;
    const DataFolder folder(f.path());
    const QByteArray cards = card("19990503", "1000", 'a') + card("19990501", "1000", 'b');
    f.write(u"real.dat"_s, cards);
    QVERIFY(QFile::link(f.file(u"real.dat"_s), f.file(kDiary)));

    // Read through the link, but never rewritten: the link and its file would part.
    QCOMPARE(DiaryFile(folder, kDiary, RecordFile::Mode::ReadOnly).count(), 2);
    QCOMPARE(DiaryFile(folder, kDiary).count(), 2);
    const QString organised = messageOf([&] { organiseDiary(folder, kDiary); });
    QVERIFY2(organised.contains(u"シンボリックリンク"_s), qPrintable(organised));
    const QString marked = messageOf([&] { DiaryFile(folder, kDiary).setCandidate(1, true); });
    QVERIFY2(marked.contains(u"シンボリックリンク"_s), qPrintable(marked));
    QVERIFY(QFileInfo(f.file(kDiary)).isSymLink());
    QCOMPARE(f.read(u"real.dat"_s), cards);
    QVERIFY(checkOf(f, kDiary).damaged());
}

void TestSafeFiles::nonRegularFilesAreRefused() {
    TempFolder f;
    const DataFolder folder(f.path());
    QVERIFY(makeFifo(f.file(kDiary)));
    QVERIFY(makeFifo(f.file(u"namae.dat"_s)));
    QVERIFY(makeFifo(f.file(kListABC)));
    QVERIFY(QFile::link(u"/dev/zero"_s, f.file(kListDEF)));

    // Each of these would block on the FIFO or read /dev/zero for ever.
    QVERIFY(messageOf([&] { DiaryFile(folder, kDiary, RecordFile::Mode::ReadOnly); }).contains(u"FIFO"_s));
    QVERIFY(messageOf([&] { DiaryFile(folder, kDiary).count(); }).contains(u"FIFO"_s));
    QVERIFY(messageOf([&] { UserList(folder, true).readAll(); }).contains(u"FIFO"_s));
    QVERIFY(messageOf([&] { ModelListFile(folder, u"ＡＢＣ"_s).read(false); }).contains(u"FIFO"_s));
    QVERIFY(messageOf([&] { ModelListFile(folder, u"ＤＥＦ"_s).read(false); }).contains(u"装置"_s));

    f.write(u"patishop.dat"_s, hallsABCandDEF());
    QVERIFY(QDir(f.path()).mkdir(DiaryFile::scratchName()));
    for (const QString &name : {kDiary, u"namae.dat"_s, kListABC, kListDEF, DiaryFile::scratchName()})
        QVERIFY2(checkOf(f, name).damaged(), qPrintable(name));
    QVERIFY(!checkOf(f, u"patishop.dat"_s).damaged());
    QVERIFY(checkOf(f, DiaryFile::scratchName()).problems.join(u""_s).contains(u"フォルダ"_s));

    // The folder named like the diary's scratch file is reported by the rewrite too.
    QVERIFY(QFile::remove(f.file(kDiary)));
    f.write(kDiary, card("19990503", "1000", 'a'));
    QVERIFY(messageOf([&] { organiseDiary(folder, kDiary); }).contains(u"フォルダ"_s));
}

void TestSafeFiles::readsStopAtTheLimits() {
    TempFolder f;
    const DataFolder folder(f.path());
    QByteArray users;
    for (int i = 0; i < 1000; ++i) // the first two marked for auto-start
        users += (i < 2 ? hex("8e a9") : hex("81 40")) +
                 QByteArray("user" + QByteArray::number(i)).leftJustified(18, ' ');
    f.write(u"namae.dat"_s, users);
    QCOMPARE(UserList(folder, true).readAll().size(), UserList::kMaxUsers);
    const FileCheck users_ = checkOf(f, u"namae.dat"_s);
    QVERIFY2(users_.damaged() && users_.problems.join(u""_s).contains(u"254"_s),
             qPrintable(users_.problems.join(u";"_s)));
    // Moving the mark rewrites the list, which would drop what was never read.
    const QString moved = messageOf([&] { UserList(folder).markUser(u"user3"_s); });
    QVERIFY2(moved.contains(u"254"_s), qPrintable(moved));
    QCOMPARE(f.read(u"namae.dat"_s), users);

    // A model list past the limit: read up to it, the rest reported.
    QByteArray list = "# 2\r\n";
    const QByteArray line = hex("82 60 82 61 82 62") + "\r\n";
    while (list.size() <= textfile::kMaxTextBytes)
        list += line;
    f.write(kListABC, list);
    const textfile::ReadResult r = textfile::readLines(f.file(kListABC));
    QVERIFY(r.cut);
    QVERIFY(r.lines.size() < list.count('\n'));
    QCOMPARE(r.lines.last(), u"ＡＢＣ"_s);
    f.write(u"patishop.dat"_s, hallsABCandDEF());
    QVERIFY(checkOf(f, kListABC).damaged());
}

void TestSafeFiles::checkKnowsEveryScratchName() {
    TempFolder f;
    f.write(u"namae.dat.tmp"_s, QByteArray(20, ' '));
    f.write(kListABC + u".tmp"_s, "# 2\r\n");
    f.write(u"t#e#m#p.tmp"_s, QByteArray(240, ' '));
    f.write(u"t#e#m#p#.tmp"_s, QByteArray(80, ' '));
    f.write(u"memo.txt"_s, "mine");
    for (const QString &name :
         {u"namae.dat.tmp"_s, kListABC + u".tmp"_s, u"t#e#m#p.tmp"_s, u"t#e#m#p#.tmp"_s}) {
        const FileCheck c = checkOf(f, name);
        QVERIFY2(c.kind == FileCheck::Kind::Scratch && !c.notes.isEmpty() && !c.damaged(), qPrintable(name));
    }
    QCOMPARE(checkOf(f, u"memo.txt"_s).name, u"(not reported)"_s);

    // An interrupted write in place is named by the journal it left.
    f.write(journal::fileName(), journalOf(f, kDiary, 0, QByteArray(240, 'x')));
    const FileCheck j = checkOf(f, journal::fileName());
    QCOMPARE(j.kind, FileCheck::Kind::Journal);
    QVERIFY2(!j.damaged() && j.notes.join(u""_s).contains(kDiary), qPrintable(j.notes.join(u";"_s)));
}

void TestSafeFiles::tornWriteIsRolledBack() {
    TempFolder f;
    const DataFolder folder(f.path());
    const QByteArray a = card("19990501", "1000", 'a'), b = card("19990502", "1000", 'b'),
                     c = card("19990503", "1000", 'c');

    // Card 2 torn half way through its update: the old card comes back at the next open.
    const QByteArray z = card("19990509", "0900", 'z');
    f.write(kDiary, a + b + c);
    f.write(journal::fileName(), journalOf(f, kDiary, 240, z));
    f.write(kDiary, a + z.left(100) + b.mid(100) + c);
    QCOMPARE(DiaryFile(folder, kDiary).count(), 3);
    QCOMPARE(f.read(kDiary), a + b + c);
    QVERIFY(!f.exists(journal::fileName()));

    // An append torn after 70 bytes: the partial record goes.
    f.write(kDiary, a + b);
    f.write(journal::fileName(), journalOf(f, kDiary, 480, c));
    f.write(kDiary, a + b + c.left(70));
    UserList(folder).readAll(); // any file opened to write in the folder rolls back
    QCOMPARE(f.read(kDiary), a + b);
    // One cut by a power loss: the file grew, but its new end never arrived and reads as zeros.
    f.write(journal::fileName(), journalOf(f, kDiary, 480, c));
    f.write(kDiary, a + b + c.left(10) + QByteArray(230, '\0'));
    UserList(folder).readAll();
    QCOMPARE(f.read(kDiary), a + b);

    // A reserved journal is zeroed, not removed, after the rollback.
    QByteArray reserved = journalOf(f, kDiary, 240, c);
    f.write(kDiary, a + c);
    reserved += QByteArray(journal::kReservedSize - reserved.size(), '\0');
    f.write(journal::fileName(), reserved);
    QCOMPARE(DiaryFile(folder, kDiary).count(), 2);
    QCOMPARE(f.read(kDiary), a + b);
    QCOMPARE(f.read(journal::fileName()), QByteArray(journal::kReservedSize, '\0'));

    // A journal that names a file outside the folder is never followed.
    TempFolder outside;
    outside.write(u"victim"_s, "precious");
    f.write(journal::fileName(),
            journal::encodeEntry(
                QFile::encodeName(u"../"_s + QFileInfo(outside.path()).fileName() + u"/victim"_s), 0, 8,
                identityOf(outside.file(u"victim"_s)), "precious", "XXXXXXXX"));
    QCOMPARE(DiaryFile(folder, kDiary).count(), 2);
    QCOMPARE(outside.read(u"victim"_s), QByteArray("precious"));
}

void TestSafeFiles::damagedJournalIsDiscarded() {
    TempFolder f;
    const DataFolder folder(f.path());
    const QByteArray cards = card("19990501", "1000", 'a') + card("19990502", "1000", 'b');
    f.write(kDiary, cards);
    QByteArray entry = journalOf(f, kDiary, 0, QByteArray(240, 'x'));
    // Cut short (a crash while writing it, so the file was never touched), and one bit off.
    for (const QByteArray &bad : {entry.left(entry.size() - 3), QByteArray(entry).replace(100, 1, "y")}) {
        f.write(journal::fileName(), bad);
        const FileCheck c = checkOf(f, journal::fileName());
        QVERIFY(!c.damaged() && !c.notes.isEmpty());
        QCOMPARE(DiaryFile(folder, kDiary).count(), 2);
        QCOMPARE(f.read(kDiary), cards);
        QVERIFY(!f.exists(journal::fileName()));
    }
}

void TestSafeFiles::journalThatNoLongerFitsIsPutAside_data() {
    QTest::addColumn<QString>("name");      // the file the journal names
    QTest::addColumn<QByteArray>("before"); // what it held when the write began
    QTest::addColumn<qint64>("offset");     // of the write
    QTest::addColumn<QByteArray>("fresh");  // the bytes written
    QTest::addColumn<QByteArray>("now");    // what it holds when the program starts again
    QTest::addColumn<bool>("newFile");      // moved in as another file, not copied over
    QTest::addColumn<bool>("previous");     // a journal of the earlier format
    QTest::addColumn<qint64>("planted");    // a planted journal's old size, its old bytes all X; or -1
    QTest::addColumn<QString>("reason");

    QList<QByteArray> cards;
    for (int i = 0; i < 310; ++i)
        cards.append(
            card(QByteArray("1999") + QByteArray::number(1000 + i).right(4), "1000", char('A' + i % 26)));
    const auto first = [&](int n) { return cards.mid(0, n).join(); };
    QByteArray marked = cards[1], edited = cards[1], elsewhere = first(8);
    marked[0] = 'R';
    edited.replace(200, 4, "9999");
    elsewhere.replace(240 + 200, 4, "1234"); // card 2 changed on the other computer
    const qint64 real = -1;

    QTest::newRow("mark card 2, then the diary of 11 cards copied over")
        << kDiary << first(8) << qint64(240) << marked << first(11) << false << false << real << u"大きさ"_s;
    QTest::newRow("append card 301, then the diary of 310 cards copied over")
        << kDiary << first(300) << qint64(300 * 240) << cards[300] << first(310) << false << false << real
        << u"大きさ"_s;
    QTest::newRow("update card 2, then a diary with card 2 changed copied over")
        << kDiary << first(8) << qint64(240) << edited << elsewhere << false << false << real << u"内容"_s;
    QTest::newRow("update card 2, then the same bytes moved in as another file")
        << kDiary << first(8) << qint64(240) << edited << first(8) << true << false << real << u"置き換え"_s;
    QTest::newRow("planted: a file that is not data")
        << u"memo.txt"_s << QByteArray("my own notes") << qint64(0) << QByteArray("XXXX")
        << QByteArray("my own notes") << false << false << qint64(12) << u"データファイルでない"_s;
    QTest::newRow("planted: an offset of 50,000,000 in the diary")
        << kDiary << first(2) << qint64(50000000) << cards[2] << first(2) << false << false
        << qint64(50000240) << u"位置"_s;
    QTest::newRow("the earlier format, which names no identity")
        << kDiary << first(8) << qint64(240) << marked << first(8) << false << true << real << u"以前の版"_s;
}

// A journal left by a killed write, found after the file changed: never applied, kept
// under a name of its own, and the user told which file and why.
void TestSafeFiles::journalThatNoLongerFitsIsPutAside() {
    QFETCH(QString, name);
    QFETCH(QByteArray, before);
    QFETCH(qint64, offset);
    QFETCH(QByteArray, fresh);
    QFETCH(QByteArray, now);
    QFETCH(bool, newFile);
    QFETCH(bool, previous);
    QFETCH(qint64, planted);
    QFETCH(QString, reason);
    TempFolder f;
    const FixedClock then(QDateTime(QDate(2026, 12, 8), QTime(9, 30, 15)));
    setClock(&then);
    f.write(name, before);
    QByteArray entry = journalOf(f, name, offset, fresh);
    if (previous) entry = previousEntry(name.toUtf8(), offset, before.size(), before.mid(offset, 240));
    if (planted >= 0)
        entry =
            journal::encodeEntry(name.toUtf8(), offset, planted, identityOf(f.file(name)),
                                 QByteArray(std::min<qint64>(fresh.size(), planted - offset), 'X'), fresh);
    f.write(journal::fileName(), entry);
    if (newFile) {
        // Written beside it and renamed over it, as a copy or a synchroniser puts a file in place.
        f.write(name + u".new"_s, now);
        QVERIFY(::rename(QFile::encodeName(f.file(name + u".new"_s)).constData(),
                         QFile::encodeName(f.file(name)).constData()) == 0);
    } else {
        f.write(name, now); // as cp does: the same file, new bytes
    }

    const FileCheck pending = checkOf(f, journal::fileName());
    QVERIFY2(pending.notes.join(u""_s).contains(reason), qPrintable(pending.notes.join(u";"_s)));
    const QString notice = journal::recover(f.path());
    setClock(nullptr);
    const QString aside = u".tamanote.journal.aside-20261208-093015"_s;
    QCOMPARE(f.read(name), now);
    QCOMPARE(f.read(aside), entry);
    QVERIFY(!f.exists(journal::fileName()));
    QVERIFY2(notice.contains(name) && notice.contains(aside) && notice.contains(reason), qPrintable(notice));
    QVERIFY2(checkOf(f, aside).notes.join(u""_s).contains(name),
             qPrintable(checkOf(f, aside).notes.join(u";"_s)));

    // Once aside it stays aside: a later write goes ahead and leaves it alone.
    UserList(DataFolder(f.path())).append(u"hanako"_s);
    QCOMPARE(f.read(name), now);
    QCOMPARE(f.read(aside), entry);
}

void TestSafeFiles::journalIsClearedAfterEveryWrite() {
    TempFolder f;
    const DataFolder folder(f.path());
    const QByteArray a = card("19990501", "1000", 'a');
    f.write(kDiary, a);
    DiaryFile d(folder, kDiary);
    d.setCandidate(1, true);
    QCOMPARE(f.files(), QStringList{kDiary}); // a journal of its own is removed

    journal::reserve(f.path());
    QCOMPARE(f.read(journal::fileName()), QByteArray(journal::kReservedSize, '\0'));
    d.setCandidate(1, false);
    d.write(2, CardRecord(Record::fromBytes(cardLayout(), a)));
    QCOMPARE(f.read(kDiary).size(), 480);
    QCOMPARE(f.read(kDiary).mid(240), a);
    QCOMPARE(f.read(journal::fileName()),
             QByteArray(journal::kReservedSize, '\0')); // reserved stays, cleared
    QCOMPARE(checkOf(f, journal::fileName()).notes, QStringList());
}

void TestSafeFiles::newFileIsWholeOrNotThere_data() {
    QTest::addColumn<QString>("there");     // what is at the name already
    QTest::addColumn<bool>("prepareFails"); // the owner and mode cannot be set
    QTest::addColumn<int>("error");
    QTest::newRow("fresh") << QString() << false << 0;
    QTest::newRow("a file") << u"file"_s << false << EEXIST;
    QTest::newRow("a link") << u"link"_s << false << EEXIST;
    QTest::newRow("a dangling link") << u"dangling"_s << false << EEXIST;
    QTest::newRow("mode refused") << QString() << true << EPERM;
}

void TestSafeFiles::newFileIsWholeOrNotThere() {
    QFETCH(QString, there);
    QFETCH(bool, prepareFails);
    QFETCH(int, error);
    TempFolder f, outside;
    outside.write(u"victim"_s, "precious");
    const QString name = f.file(u"new"_s);
    if (there == u"file"_s) f.write(u"new"_s, "older");
    if (there == u"link"_s) QVERIFY(QFile::link(outside.file(u"victim"_s), name));
    if (there == u"dangling"_s) QVERIFY(QFile::link(outside.file(u"created"_s), name));

    const int err = safefile::writeNewFile(AT_FDCWD, QFile::encodeName(name), "fresh bytes", 0640, [&](int) {
        errno = EPERM;
        return !prepareFails;
    });
    QCOMPARE(err, error);
    QCOMPARE(outside.read(u"victim"_s), QByteArray("precious"));
    QVERIFY(!outside.exists(u"created"_s));
    if (error == 0) {
        QCOMPARE(f.read(u"new"_s), QByteArray("fresh bytes"));
        const mode_t mask = ::umask(0);
        ::umask(mask);
        QCOMPARE(modeOf(name) & 0777, mode_t(0640 & ~mask));
    } else if (there == u"file"_s) {
        QCOMPARE(f.read(u"new"_s), QByteArray("older"));
    } else if (there.isEmpty()) {
        QVERIFY(!QFileInfo::exists(name)); // removed again
    } else {
        QVERIFY(QFileInfo(name).isSymLink());
    }
}

void TestSafeFiles::beforeWriteIsCalledByWhoeverIsRegistered() {
    TempFolder f;
    const DataFolder folder(f.path());
    const QString diary = folder.file(kDiary);
    const QByteArray first = card("19990501", "1000", 'a');
    f.write(kDiary, first);
    Recording outer, inner;
    writehook::beforeWrite(diary); // none registered: nothing is called
    {
        const writehook::Registration a(outer);
        DiaryFile(folder, kDiary).setCandidate(1, true);
        {
            const writehook::Registration b(inner);
            organiseDiary(folder, kDiary);
            {
                const writehook::Suspend quiet;
                writehook::beforeWrite(diary);
            }
        }
        writehook::beforeWrite(diary);
    }
    writehook::beforeWrite(diary);
    QCOMPARE(outer.seen, QStringList({diary, diary}));
    // Called before the write: the card was not marked yet.
    QCOMPARE(outer.held.first(), first);
    QCOMPARE(inner.seen, QStringList({diary}));
}

TAMA_TEST_MAIN(TestSafeFiles)
#include "tst_safefiles.moc"
