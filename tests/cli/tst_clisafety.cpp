// tamanote-cli on a data folder that was tampered with or left in a bad state.
#include "clifixture.h"

#include "store/modellist.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <sys/stat.h>

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

TAMA_TEST_MAIN(TestCliSafety)
#include "tst_clisafety.moc"
