#include "store/storeerror.h"
#include "store/storefile.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;
using tama::test::spaces;
using tama::test::storeErrorKind;
using tama::test::TempFolder;

namespace {

const QString kFile = u"patishop.dat"_s;

// A store record with its reserved fields filled by another program (bytes that are
// no code page 932 among them).
QByteArray store(const QByteArray &name, char tag) {
    return name + spaces(20 - int(name.size())) + QByteArray(6, tag) + hex("FF 80 A0 FD") +
           QByteArray("note ") + tag + QByteArray(44, tag);
}

const QByteArray kA = hex("82 60"); // Ａ
const QByteArray kB = hex("82 61");
const QByteArray kC = hex("82 62");
const QByteArray kD = hex("82 63");

} // namespace

class TestStoreFile : public QObject {
    Q_OBJECT

  private slots:
    void layout();
    void storedName_data();
    void storedName();
    void addToEmpty();
    void addExisting_data();
    void addExisting();
    void addTwelveDoubleByte();
    void addRefused_data();
    void addRefused();
    void deleteAt_data();
    void deleteAt();
    void deleteBadPosition();
    void moveToFront_data();
    void moveToFront();
    void moveLastOfEqualNames();
};

void TestStoreFile::layout() {
    QCOMPARE(storeLayout().length(), 80);
    QCOMPARE(store("x", 'a').size(), 80);
    const QList<int> widths = {20, 1, 1, 1, 1, 1, 1, 4, 50};
    QCOMPARE(storeLayout().fieldCount(), int(widths.size()));
    for (int i = 0; i < widths.size(); ++i)
        QCOMPARE(storeLayout().field(i).width, widths[i]);
}

void TestStoreFile::storedName_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("half-width") << u"ABC"_s << u"ＡＢＣ"_s;
    QTest::newRow("trailing spaces") << u"ABC  "_s << u"ＡＢＣ"_s;
    QTest::newRow("inner space kept") << u"A C"_s << u"Ａ　Ｃ"_s;
    QTest::newRow("cut to 10") << u"ABCDEFGHIJKL"_s << u"ＡＢＣＤＥＦＧＨＩＪ"_s;
    QTest::newRow("kana with marks") << u"ﾊﾟﾁﾝｺ ｶﾞｲ"_s << u"パチンコ　ガイ"_s;
}

void TestStoreFile::storedName() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(storedStoreName(text), expected);
}

void TestStoreFile::addToEmpty() {
    TempFolder dir;
    StoreFile stores{DataFolder(dir.path())};
    QCOMPARE(stores.add(u"ABC"_s).value_or(QString()), u"ＡＢＣ"_s);
    QCOMPARE(dir.read(kFile).toHex(' '), (hex("82 60 82 61 82 62") + spaces(74)).toHex(' '));
    QCOMPARE(stores.list(), QStringList{u"ＡＢＣ"_s});
}

void TestStoreFile::addExisting_data() {
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QString>("text");

    QTest::newRow("half-width again") << QByteArray(kA + kB + kC) << u"ABC"_s;
    QTest::newRow("full-width form") << QByteArray(kA + kB + kC) << u"ＡＢＣ"_s;
    QTest::newRow("typed with a trailing space") << QByteArray(kA + kB + kC) << u"ABC "_s;
    // Stored by registering a shown card again: padded with full-width spaces.
    QTest::newRow("stored with full-width padding")
        << QByteArray(kA + kB + kC + hex("81 40").repeated(7)) << u"ABC"_s;
}

void TestStoreFile::addExisting() {
    QFETCH(QByteArray, existing);
    QFETCH(QString, text);
    TempFolder dir;
    const QByteArray before = store("x", 'a') + store(existing, 'b');
    dir.write(kFile, before);
    QVERIFY(!StoreFile(DataFolder(dir.path())).add(text));
    QCOMPARE(dir.read(kFile), before);
}

void TestStoreFile::addTwelveDoubleByte() {
    TempFolder dir;
    StoreFile stores{DataFolder(dir.path())};
    QCOMPARE(stores.add(u"一二三四五六七八九十壱弐"_s).value_or(QString()), u"一二三四五六七八九十"_s);
    const QByteArray ten = hex("88 EA 93 F1 8E 4F 8E 6C 8C DC 98 5A 8E B5 94 AA 8B E3 8F 5C");
    QCOMPARE(dir.read(kFile).toHex(' '), (ten + spaces(60)).toHex(' '));
    QVERIFY(!stores.add(u"一二三四五六七八九十"_s));
    QVERIFY(!stores.add(u"一二三四五六七八九十百千"_s)); // agrees in the first 10
    QCOMPARE(dir.read(kFile).size(), 80);
    QCOMPARE(stores.list(), QStringList{u"一二三四五六七八九十"_s});
}

void TestStoreFile::addRefused_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::newRow("empty") << QString() << int(StoreError::Kind::Invalid);
    QTest::newRow("spaces") << u"  "_s << int(StoreError::Kind::Invalid);
    QTest::newRow("emoji") << u"店😀"_s << int(StoreError::Kind::Encoding);
    QTest::newRow("accented letter") << u"Café"_s << int(StoreError::Kind::Encoding);
}

void TestStoreFile::addRefused() {
    QFETCH(QString, text);
    QFETCH(int, kind);
    TempFolder dir;
    const QByteArray before = store(kA, 'a');
    dir.write(kFile, before);
    QCOMPARE(storeErrorKind([&] { StoreFile(DataFolder(dir.path())).add(text); }), kind);
    QCOMPARE(dir.read(kFile), before);
}

void TestStoreFile::deleteAt_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("kept"); // tags of the records left
    QTest::newRow("first") << 0 << QByteArray("bc");
    QTest::newRow("middle") << 1 << QByteArray("ac");
    QTest::newRow("last") << 2 << QByteArray("ab");
}

// Every record left is byte for byte what it was, reserved fields included.
void TestStoreFile::deleteAt() {
    QFETCH(int, position);
    QFETCH(QByteArray, kept);
    TempFolder dir;
    const QMap<char, QByteArray> records = {
        {'a', store(kA, 'a')}, {'b', store(kB, 'b')}, {'c', store(kC, 'c')}};
    dir.write(kFile, records['a'] + records['b'] + records['c']);
    StoreFile(DataFolder(dir.path())).deleteAt(position);
    QByteArray expected;
    for (char t : kept)
        expected += records[t];
    QCOMPARE(dir.read(kFile).toHex(' '), expected.toHex(' '));
    QCOMPARE(dir.files(), QStringList{kFile});
}

void TestStoreFile::deleteBadPosition() {
    TempFolder dir;
    const QByteArray before = store(kA, 'a') + store(kB, 'b');
    dir.write(kFile, before);
    StoreFile stores{DataFolder(dir.path())};
    for (int p : {-1, 2, 100}) {
        QCOMPARE(storeErrorKind([&] { stores.deleteAt(p); }), int(StoreError::Kind::Invalid));
    }
    QCOMPARE(dir.read(kFile), before);
    QCOMPARE(dir.files(), QStringList{kFile});
}

void TestStoreFile::moveToFront_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("order"); // tags after the move

    QTest::newRow("third") << u"Ｃ"_s << true << QByteArray("cabd");
    QTest::newRow("third, entry with spaces") << u"Ｃ  "_s << true << QByteArray("cabd");
    QTest::newRow("last") << u"Ｄ"_s << true << QByteArray("dabc");
    QTest::newRow("first stays") << u"Ａ"_s << true << QByteArray("abcd");
    QTest::newRow("unknown") << u"Ｚ"_s << false << QByteArray("abcd");
    QTest::newRow("half-width is another name") << u"C"_s << false << QByteArray("abcd");
}

// Whole records move, so the reserved fields stay with their store.
void TestStoreFile::moveToFront() {
    QFETCH(QString, entry);
    QFETCH(bool, found);
    QFETCH(QByteArray, order);
    TempFolder dir;
    const QMap<char, QByteArray> records = {
        {'a', store(kA, 'a')}, {'b', store(kB, 'b')}, {'c', store(kC, 'c')}, {'d', store(kD, 'd')}};
    dir.write(kFile, records['a'] + records['b'] + records['c'] + records['d']);
    QCOMPARE(StoreFile(DataFolder(dir.path())).moveToFront(entry), found);
    QByteArray expected;
    for (char t : order)
        expected += records[t];
    QCOMPARE(dir.read(kFile).toHex(' '), expected.toHex(' '));
    QCOMPARE(dir.files(), QStringList{kFile});
}

void TestStoreFile::moveLastOfEqualNames() {
    TempFolder dir;
    const QByteArray first = store(kC, '1'), second = store(kC, '2');
    dir.write(kFile, store(kA, 'a') + first + store(kB, 'b') + second);
    QVERIFY(StoreFile(DataFolder(dir.path())).moveToFront(u"Ｃ"_s));
    QCOMPARE(dir.read(kFile), second + store(kA, 'a') + first + store(kB, 'b'));
}

TAMA_TEST_MAIN(TestStoreFile)
#include "tst_storefile.moc"
