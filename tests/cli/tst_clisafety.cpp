// tamanote-cli on a data folder that was tampered with or left in a bad state.
#include "../files/store/tmpfsmount.h"
#include "clifixture.h"

#include "store/modellist.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama::test;

namespace {

const QString kDiary = u"taro.1999.dat"_s;
const QStringList kOrganise = {u"organise"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--yes"_s};

QByteArray twoCardsOutOfOrder() {
    CardValues late;
    late.date = u"19990503土"_s;
    CardValues early;
    early.date = u"19990501土"_s;
    return cardBytes(late) + cardBytes(early);
}

QString lineFor(const CliResult &r, const QString &name) {
    for (const QString &l : r.outLines())
        if (l.section(u' ', 1, 1).startsWith(name)) return l;
    return {};
}

bool makeSocket(const QByteArray &path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool made = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    return made;
}

} // namespace

class TestCliSafety : public QObject {
    Q_OBJECT
  private slots:
    void organiseTakesOverADeadLock_data();
    void organiseTakesOverADeadLock();
    void organiseIgnoresAPlantedScratchLink();
    void readersRefuseFifosAndDevices();
    void oversizedUserListIsReadToItsLimit();
    void checkReportsEveryLeftover();
    void whatTakesTheLockNameIsPutAside_data();
    void whatTakesTheLockNameIsPutAside();
    void writersRefuseAReadOnlyFolder_data();
    void writersRefuseAReadOnlyFolder();
};

void TestCliSafety::organiseTakesOverADeadLock_data() {
    QTest::addColumn<QByteArray>("lock");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("another host") << QByteArray("31337\ntamanote\nsomewhere-else\n");
    QTest::newRow("a command that was killed") << QByteArray("command 2147483000\n");
}

void TestCliSafety::organiseTakesOverADeadLock() {
    QFETCH(QByteArray, lock);
    TempFolder f;
    f.write(kDiary, twoCardsOutOfOrder());
    f.write(u".tamanote.lock"_s, lock);
    for (int i = 0; i < 2; ++i) { // and again: nothing is left that blocks the next one
        const CliResult r = runIn(f, kOrganise);
        QVERIFY2(r.status == 0, r.err.constData());
    }
    QCOMPARE(f.read(kDiary).left(8), QByteArray("19990501"));
    QCOMPARE(f.files(), QStringList{kDiary});
}

void TestCliSafety::organiseIgnoresAPlantedScratchLink() {
    TempFolder f, outside;
    f.write(kDiary, twoCardsOutOfOrder());
    outside.write(u"victim"_s, "precious");
    QVERIFY(QFile::link(outside.file(u"victim"_s), f.file(u"t#e#m#p.tmp"_s)));

    const CliResult planted = runIn(f, {u"check"_s});
    QCOMPARE(planted.status, 1);
    QVERIFY2(lineFor(planted, u"t#e#m#p.tmp"_s).startsWith(u"damaged t#e#m#p.tmp: シンボリックリンク"_s),
             planted.out.constData());

    const CliResult r = runIn(f, kOrganise);
    QVERIFY2(r.status == 0, r.err.constData());
    QCOMPARE(outside.read(u"victim"_s), QByteArray("precious"));
    QVERIFY(!QFileInfo(f.file(kDiary)).isSymLink());
    QCOMPARE(f.read(kDiary).left(8), QByteArray("19990501"));
    QCOMPARE(runIn(f, {u"check"_s}).status, 0);
}

void TestCliSafety::readersRefuseFifosAndDevices() {
    TempFolder f;
    const QString list = tama::modelListFileName(u"本店"_s);
    for (const QString &name : {kDiary, u"namae.dat"_s, list})
        QVERIFY(::mkfifo(QFile::encodeName(f.file(name)).constData(), 0644) == 0);
    const QStringList diary = {u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s};
    const QList<QStringList> commands = {
        {u"users"_s},
        QStringList{u"cards"_s} + diary,
        QStringList{u"list"_s} + diary,
        QStringList{u"report"_s} + diary,
        {u"model-list"_s, u"--store"_s, u"本店"_s},
    };
    for (const QStringList &c : commands) {
        const CliResult r = runIn(f, c);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.errText().contains(u"FIFO"_s), qPrintable(c.join(u' ') + u": "_s + r.errText()));
    }

    // A list linked to an endless device is refused, not read until memory runs out.
    QVERIFY(QFile::remove(f.file(list)));
    QVERIFY(QFile::link(u"/dev/zero"_s, f.file(list)));
    const CliResult r = runIn(f, {u"model-list"_s, u"--store"_s, u"本店"_s});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.errText().contains(u"装置"_s), qPrintable(r.errText()));
    f.write(u"patishop.dat"_s, field(hex("96 7b 93 58"), 80)); // 本店 makes the link its model list
    const CliResult check = runIn(f, {u"check"_s});
    QCOMPARE(check.status, 1);
    QVERIFY(lineFor(check, list).startsWith(u"damaged "_s));
    QVERIFY(lineFor(check, kDiary).contains(u"FIFO"_s));
}

void TestCliSafety::oversizedUserListIsReadToItsLimit() {
    TempFolder f;
    QByteArray users;
    for (int i = 0; i < 50000; ++i) // 1 MB
        users += field(hex("81 40"), 2) + field("u" + QByteArray::number(i), 18);
    f.write(u"namae.dat"_s, users);
    const CliResult r = runIn(f, {u"users"_s, u"--json"_s});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.json()[u"users"_s].toArray().size(), 254);
    QVERIFY2(r.errText().contains(u"254"_s), qPrintable(r.errText()));
}

void TestCliSafety::checkReportsEveryLeftover() {
    TempFolder f;
    const QString list = tama::modelListFileName(u"本店"_s);
    f.write(u"namae.dat.tmp"_s, QByteArray(20, ' '));
    f.write(list + u".tmp"_s, "# 2\r\n");
    f.write(u"t#e#m#p#.tmp"_s, QByteArray(80, ' '));
    const CliResult leftovers = runIn(f, {u"check"_s});
    QCOMPARE(leftovers.status, 0);
    for (const QString &name : {u"namae.dat.tmp"_s, list + u".tmp"_s, u"t#e#m#p#.tmp"_s})
        QVERIFY2(lineFor(leftovers, name).startsWith(u"note "_s + name), leftovers.out.constData());

    // A folder under the diary's scratch name stops every organise: it is damage.
    QVERIFY(QDir(f.path()).mkdir(u"t#e#m#p.tmp"_s));
    const CliResult folder = runIn(f, {u"check"_s});
    QCOMPARE(folder.status, 1);
    QVERIFY2(lineFor(folder, u"t#e#m#p.tmp"_s).startsWith(u"damaged t#e#m#p.tmp: フォルダ"_s),
             folder.out.constData());
    f.write(kDiary, twoCardsOutOfOrder());
    const CliResult organise = runIn(f, kOrganise);
    QCOMPARE(organise.status, 1);
    QVERIFY2(organise.errText().contains(u"t#e#m#p.tmp"_s), qPrintable(organise.errText()));
    QCOMPARE(f.read(kDiary), twoCardsOutOfOrder());
}

void TestCliSafety::whatTakesTheLockNameIsPutAside_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("line"); // what check says of it
    const QString hardLink = u"note .tamanote.lock: ほかの名前もあるファイル"_s;
    QTest::newRow("hard link to the diary") << u"diary"_s << hardLink;
    QTest::newRow("hard link to a file elsewhere") << u"elsewhere"_s << hardLink;
    QTest::newRow("symbolic link") << u"symlink"_s << u"note .tamanote.lock: シンボリックリンク"_s;
    QTest::newRow("FIFO") << u"fifo"_s << u"note .tamanote.lock: FIFO です"_s;
    QTest::newRow("socket") << u"socket"_s << u"note .tamanote.lock: ソケットです"_s;
    QTest::newRow("folder") << u"folder"_s << u"damaged .tamanote.lock: フォルダです"_s;
}

// Found by check, then met by backup: all but a folder lose the name, and nothing is
// written through it; a folder is refused, named in full.
void TestCliSafety::whatTakesTheLockNameIsPutAside() {
    QFETCH(QString, kind);
    QFETCH(QString, line);
    TempFolder f, elsewhere;
    const QByteArray cards = twoCardsOutOfOrder().repeated(300); // 600 cards
    f.write(kDiary, cards);
    elsewhere.write(u"victim"_s, "precious");
    const QString lockPath = f.file(u".tamanote.lock"_s);
    const QByteArray lock = QFile::encodeName(lockPath);
    const QByteArray target =
        QFile::encodeName(kind == u"diary"_s ? f.file(kDiary) : elsewhere.file(u"victim"_s));
    if (kind == u"diary"_s || kind == u"elsewhere"_s)
        QVERIFY(::link(target.constData(), lock.constData()) == 0);
    if (kind == u"symlink"_s) QVERIFY(::symlink(target.constData(), lock.constData()) == 0);
    if (kind == u"fifo"_s) QVERIFY(::mkfifo(lock.constData(), 0644) == 0);
    if (kind == u"socket"_s) QVERIFY(makeSocket(lock));
    if (kind == u"folder"_s) QVERIFY(::mkdir(lock.constData(), 0755) == 0);

    const CliResult check = runIn(f, {u"check"_s});
    QCOMPARE(check.status, kind == u"folder"_s ? 1 : 0);
    QVERIFY2(lineFor(check, u".tamanote.lock"_s).startsWith(line), check.out.constData());
    const CliResult r = runIn(f, {u"backup"_s});
    if (kind == u"folder"_s) {
        QCOMPARE(r.status, 1);
        QVERIFY2(r.errText().contains(u"「"_s + lockPath + u"」"_s), qPrintable(r.errText()));
    } else {
        QVERIFY2(r.status == 0, r.err.constData());
        QVERIFY(!QFileInfo(lockPath).exists() && !QFileInfo(lockPath).isSymLink());
    }
    QCOMPARE(f.read(kDiary), cards);
    QCOMPARE(elsewhere.read(u"victim"_s), QByteArray("precious"));
}

void TestCliSafety::writersRefuseAReadOnlyFolder_data() {
    QTest::addColumn<QStringList>("command");
    QTest::newRow("backup") << QStringList{u"backup"_s};
    QTest::newRow("organise") << kOrganise;
    QTest::newRow("restore") << QStringList{u"restore"_s, u"SNAPSHOT"_s, u"--yes"_s};
}

// A read-only file system: refused before anything, with the one message and no advice
// to end a program that is not there.
void TestCliSafety::writersRefuseAReadOnlyFolder() {
    QFETCH(QStringList, command);
    TempFolder f;
    TmpfsMount mount(f.path(), 256);
    if (!mount.mounted()) QSKIP(mount.whyNot());
    f.write(kDiary, twoCardsOutOfOrder());
    const CliResult taken = runIn(f, {u"backup"_s});
    f.write(kDiary, twoCardsOutOfOrder() + cardBytes()); // so that the restore has work
    command.replaceInStrings(u"SNAPSHOT"_s, QString::fromUtf8(taken.out).trimmed());
    QVERIFY(mount.makeReadOnly());

    const CliResult r = runIn(f, command);
    QCOMPARE(r.status, 1);
    QCOMPARE(r.errText(), u"tamanote-cli: データフォルダ「"_s + f.path() +
                              u"」は読み取り専用のため、書き込めません。\n"_s);
    QCOMPARE(f.read(kDiary), twoCardsOutOfOrder() + cardBytes());
}

TAMA_TEST_MAIN(TestCliSafety)
#include "tst_clisafety.moc"
