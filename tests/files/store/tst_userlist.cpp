#include "store/recordfile.h"
#include "store/storeerror.h"
#include "store/userlist.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;
using tama::test::spaces;
using tama::test::storeErrorKind;
using tama::test::TempFolder;

namespace {

const QByteArray kMarked = hex("8E A9");   // 自
const QByteArray kUnmarked = hex("81 40"); // 　

// A user record as another program may have written it: mark bytes, then a name.
QByteArray user(const QByteArray &mark, const QByteArray &name) {
    return mark + name + spaces(18 - int(name.size()));
}

const QString kFile = u"namae.dat"_s;

} // namespace

class TestUserList : public QObject {
    Q_OBJECT

  private slots:
    void createdOnRead();
    void readAll();
    void autoStart_data();
    void autoStart();
    void clearMarks();
    void markUser();
    void markUnknownUser();
    void moveMarkAllOrNothing();
    void append_data();
    void append();
    void appendRefused_data();
    void appendRefused();
    void limit();
};

void TestUserList::createdOnRead() {
    TempFolder dir;
    UserList list{DataFolder(dir.path())};
    QVERIFY(list.readAll().isEmpty());
    QVERIFY(dir.exists(kFile));
    QCOMPARE(dir.read(kFile).size(), 0);
    QVERIFY(!list.autoStartRecord());

    TempFolder other;
    UserList readOnly(DataFolder(other.path()), true);
    QVERIFY(readOnly.readAll().isEmpty());
    QVERIFY(!other.exists(kFile));
}

void TestUserList::readAll() {
    TempFolder dir;
    dir.write(kFile, user(kUnmarked, "taro") + user(kMarked, hex("8E 52 93 63 89 D4 8E 71")) // 山田花子
                         + user("  ", "ABCDEFGHIJKLMNOPQR"));
    const QList<UserRecord> users = UserList(DataFolder(dir.path())).readAll();
    QCOMPARE(users.size(), 3);
    QCOMPARE(users[0].userName, u"taro"_s + QString(14, u' ')); // as read, padded
    QVERIFY(!users[0].isAutoStart());
    QCOMPARE(users[1].userName, u"山田花子"_s + QString(14, u' '));
    QVERIFY(users[1].isAutoStart());
    QCOMPARE(users[2].userName, u"ABCDEFGHIJKLMNOPQR"_s);
    QVERIFY(!users[2].isAutoStart());
}

void TestUserList::autoStart_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("expected"); // 0: none

    QTest::newRow("none") << QByteArray(user(kUnmarked, "a") + user(kUnmarked, "b")) << 0;
    QTest::newRow("one") << QByteArray(user(kUnmarked, "a") + user(kMarked, "b")) << 2;
    QTest::newRow("the last marked wins")
        << QByteArray(user(kMarked, "a") + user(kMarked, "b") + user(kUnmarked, "c")) << 2;
    QTest::newRow("blank mark") << QByteArray(user("  ", "a")) << 0;
}

void TestUserList::autoStart() {
    QFETCH(QByteArray, file);
    QFETCH(int, expected);
    TempFolder dir;
    dir.write(kFile, file);
    const std::optional<int> got = UserList(DataFolder(dir.path())).autoStartRecord();
    QCOMPARE(got.value_or(0), expected);
}

// Only marked records are rewritten; the others, and bytes that are no code page 932,
// stay as they are.
void TestUserList::clearMarks() {
    TempFolder dir;
    const QByteArray odd = user(kUnmarked, hex("FF FE 80"));
    dir.write(kFile, user(kMarked, "a") + odd + user(kMarked, hex("FF 41")) + user("  ", "d"));
    UserList list{DataFolder(dir.path())};
    list.clearMarks();
    QCOMPARE(dir.read(kFile).toHex(' '),
             (user(kUnmarked, "a") + odd + user(kUnmarked, hex("FF 41")) + user("  ", "d")).toHex(' '));
    QVERIFY(!list.autoStartRecord());

    const QByteArray cleared = dir.read(kFile);
    list.clearMarks();
    QCOMPARE(dir.read(kFile), cleared);
}

void TestUserList::markUser() {
    TempFolder dir;
    const QByteArray odd = user(kUnmarked, hex("FF FE"));
    dir.write(kFile, user(kMarked, "taro") + odd + user(kUnmarked, "hanako") + user(kUnmarked, "hanako"));
    UserList list{DataFolder(dir.path())};
    QCOMPARE(list.markUser(u" hanako　"_s), 3); // the first of two equal names, trimmed
    QCOMPARE(
        dir.read(kFile).toHex(' '),
        (user(kUnmarked, "taro") + odd + user(kMarked, "hanako") + user(kUnmarked, "hanako")).toHex(' '));
    QCOMPARE(list.autoStartRecord().value_or(0), 3);

    QCOMPARE(list.markUser(u"taro"_s), 1);
    QCOMPARE(list.autoStartRecord().value_or(0), 1);
    QCOMPARE(dir.read(kFile).mid(40, 2), kUnmarked);
}

void TestUserList::markUnknownUser() {
    TempFolder dir;
    const QByteArray original = user(kMarked, "taro") + user(kUnmarked, "hanako");
    dir.write(kFile, original);
    QCOMPARE(storeErrorKind([&] { UserList(DataFolder(dir.path())).markUser(u"jiro"_s); }),
             int(StoreError::Kind::Invalid));
    QCOMPARE(dir.read(kFile), original); // the old mark is not cleared either
}

void TestUserList::append_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("record");

    QTest::newRow("trimmed") << u" taro　"_s << QByteArray(spaces(2) + "taro" + spaces(14));
    QTest::newRow("20 single-byte characters keep 18")
        << u"ABCDEFGHIJKLMNOPQRST"_s << QByteArray(spaces(2) + "ABCDEFGHIJKLMNOPQR");
    QTest::newRow("double-byte name")
        << u"山田花子"_s << QByteArray(spaces(2) + hex("8E 52 93 63 89 D4 8E 71") + spaces(10));
    QTest::newRow("10 double-byte characters keep 9")
        << u"あいうえおかきくけこ"_s
        << QByteArray(spaces(2) + hex("82 A0 82 A2 82 A4 82 A6 82 A8 82 A9 82 AB 82 AD 82 AF"));
    QTest::newRow("half-width kana") << u"ﾀﾛｳ"_s << QByteArray(spaces(2) + hex("C0 DB B3") + spaces(15));
}

void TestUserList::append() {
    QFETCH(QString, name);
    QFETCH(QByteArray, record);
    TempFolder dir;
    const QByteArray existing = user(kMarked, "taro");
    dir.write(kFile, existing);
    UserList list{DataFolder(dir.path())};
    QCOMPARE(list.append(name), 2);
    QCOMPARE(dir.read(kFile).toHex(' '), (existing + record).toHex(' '));
    QCOMPARE(list.autoStartRecord().value_or(0), 1); // the new user carries no mark
}

void TestUserList::appendRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");

    const int invalid = int(StoreError::Kind::Invalid);
    const int encoding = int(StoreError::Kind::Encoding);
    QTest::newRow("empty") << QString() << invalid;
    QTest::newRow("only spaces") << u" 　 "_s << invalid;
    QTest::newRow("slash") << u"a/b"_s << invalid;
    QTest::newRow("backslash") << u"a\\b"_s << invalid;
    QTest::newRow("parent folder") << u".."_s << invalid;
    QTest::newRow("dots inside") << u"a..b"_s << invalid;
    QTest::newRow("colon") << u"c:x"_s << invalid;
    QTest::newRow("control character") << u"ta\tro"_s << invalid;
    QTest::newRow("device name") << u"con"_s << invalid;
    QTest::newRow("emoji") << u"taro😀"_s << encoding;
    QTest::newRow("accented letter") << u"José"_s << encoding;
}

void TestUserList::appendRefused() {
    QFETCH(QString, name);
    QFETCH(int, kind);
    TempFolder dir;
    const QByteArray original = user(kUnmarked, "taro");
    dir.write(kFile, original);
    try {
        UserList(DataFolder(dir.path())).append(name);
        QFAIL("no error");
    } catch (const StoreError &e) {
        QCOMPARE(int(e.kind()), kind);
        QVERIFY(!e.message().isEmpty());
    }
    QCOMPARE(dir.read(kFile), original);
}

void TestUserList::limit() {
    TempFolder dir;
    QByteArray file;
    for (int i = 1; i <= 253; ++i)
        file += user(kUnmarked, QByteArray::number(i));
    dir.write(kFile, file);
    UserList list{DataFolder(dir.path())};
    QCOMPARE(list.append(u"u254"_s), 254);

    const QByteArray full = dir.read(kFile);
    QCOMPARE(full.size(), 254 * 20);
    QCOMPARE(storeErrorKind([&] { list.append(u"u255"_s); }), int(StoreError::Kind::Limit));
    QCOMPARE(dir.read(kFile), full);
    QCOMPARE(list.readAll().size(), 254);
}

// Moving the mark changes two records: a failure between them must not leave no mark.
void TestUserList::moveMarkAllOrNothing() {
    TempFolder dir;
    const QByteArray original = user(kMarked, "taro") + user(kUnmarked, "hanako") + user(kMarked, "jiro");
    dir.write(kFile, original);
    int replaced = 0;
    RecordFile::beforeReplaceHook = [&] {
        ++replaced;
        throw StoreError(StoreError::Kind::Io, dir.file(kFile), u"stopped"_s);
    };
    UserList list{DataFolder(dir.path())};
    QVERIFY_THROWS_EXCEPTION(StoreError, list.markUser(u"hanako"_s));
    QVERIFY_THROWS_EXCEPTION(StoreError, list.clearMarks());
    RecordFile::beforeReplaceHook = nullptr;
    QCOMPARE(replaced, 2);
    QCOMPARE(dir.read(kFile), original);

    QFile::remove(dir.file(u"namae.dat.tmp"_s));
    QCOMPARE(list.markUser(u"hanako"_s), 2);
    QCOMPARE(dir.read(kFile).toHex(' '),
             (user(kUnmarked, "taro") + user(kMarked, "hanako") + user(kUnmarked, "jiro")).toHex(' '));
    QCOMPARE(dir.files(), QStringList{kFile});
}

TAMA_TEST_MAIN(TestUserList)
#include "tst_userlist.moc"
