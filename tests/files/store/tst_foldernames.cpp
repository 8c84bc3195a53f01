// Which names of a data folder are data files: the halls name the model lists, users
// may begin with ".", and folders unpacked from Windows archives have cp932 names.
#include "store/foldercheck.h"
#include "store/modellist.h"
#include "support/recordingdialogs.h"
#include "support/testsupport.h"

#include <QDir>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;
using tama::test::RecordingDialogs;
using tama::test::TempFolder;

namespace {

// パー大和 and its model list パー大和パー大和, as an archive made on Windows names them.
const QByteArray kHall = hex("83 70 81 5b 91 e5 98 61");
const QByteArray kCp932List = kHall + kHall;
const QByteArray kCp932Diary = hex("91 be 98 59") + ".2024.dat"; // 太郎.2024.dat
const QString kList = u"パー大和パー大和"_s;

void writeRaw(const TempFolder &f, const QByteArray &name, const QByteArray &bytes) {
    const int fd =
        ::open((QFile::encodeName(f.path()) + '/' + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    ::close(fd);
}

QByteArray readRaw(const TempFolder &f, const QByteArray &name) {
    QByteArray bytes(64, '\0');
    const int fd = ::open((QFile::encodeName(f.path()) + '/' + name).constData(), O_RDONLY);
    if (fd < 0) return "(missing)";
    bytes.resize(::read(fd, bytes.data(), size_t(bytes.size())));
    ::close(fd);
    return bytes;
}

std::optional<FileCheck> checkOf(const QList<FileCheck> &checks, const QString &name) {
    for (const FileCheck &c : checks)
        if (c.name == name) return c;
    return std::nullopt;
}

} // namespace

class TestFolderNames : public QObject {
    Q_OBJECT
  private slots:
    void kindsComeFromTheFolder_data();
    void kindsComeFromTheFolder();
    void strayFileIsNotRead();
    void cp932NamesAreListedAndFixed();
    void startupAsksOnceAndReportsClashes();
};

void TestFolderNames::kindsComeFromTheFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind"); // empty: not listed by the check
    QTest::newRow("the model list a hall names") << kList << u"model-list"_s;
    QTest::newRow("no hall names it") << u"ＡＢＣ"_s << u"unknown"_s;
    QTest::newRow("a diary of user .mika") << u".mika.2024.dat"_s << u"diary"_s;
    QTest::newRow("the lock file") << u".tamanote.lock"_s << QString();
    QTest::newRow("an import's note") << u".tamanote.import"_s << u"import-note"_s;
    QTest::newRow("a hidden file of another tool") << u".directory"_s << QString();
    QTest::newRow("a folder of the user's") << u"photos"_s << QString();
}

void TestFolderNames::kindsComeFromTheFolder() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    TempFolder f;
    f.write(u"patishop.dat"_s,
            kHall.leftJustified(80, ' ') + hex("82 77 82 78 82 79").leftJustified(80, ' '));
    f.write(kList, "# 2\r\n");
    f.write(u"ＡＢＣ"_s, "# 2\r\n");
    f.write(u".mika.2024.dat"_s, QByteArray());
    f.write(u".tamanote.lock"_s, "1");
    f.write(u".tamanote.import"_s, "tamanote-import 1\n");
    f.write(u".directory"_s, "x");
    QVERIFY(QDir(f.path()).mkdir(u"photos"_s));

    const std::optional<FileCheck> c = checkOf(checkFolder(DataFolder(f.path())), name);
    QCOMPARE(c ? kindCode(c->kind) : QString(), kind);
    if (c) QVERIFY2(!c->damaged(), qPrintable(c->problems.join(u"; "_s)));
}

void TestFolderNames::strayFileIsNotRead() {
    TempFolder f;
    // Sparse: 2 GB that no check may read whole.
    f.write(u"core"_s, QByteArray());
    QVERIFY(::truncate(QFile::encodeName(f.file(u"core"_s)).constData(), qint64(2) << 30) == 0);
    const std::optional<FileCheck> c = checkOf(checkFolder(DataFolder(f.path())), u"core"_s);
    QVERIFY(c);
    QCOMPARE(c->kind, FileCheck::Kind::Unknown);
    QVERIFY(c->problems.isEmpty());
    QVERIFY2(c->notes.join(u""_s).contains(u"2147483648"_s), qPrintable(c->notes.join(u""_s)));
}

void TestFolderNames::cp932NamesAreListedAndFixed() {
    TempFolder f;
    const DataFolder folder(f.path());
    f.write(u"patishop.dat"_s, kHall.leftJustified(80, ' '));
    writeRaw(f, kCp932List, "# 2\r\n");
    writeRaw(f, kCp932Diary, "theirs");
    writeRaw(f, "\xff\xfe.dat", "x"); // neither UTF-8 nor cp932

    const QList<FileCheck> checks = checkFolder(folder);
    QVERIFY(!checkOf(checks, kList)); // not under its own name yet
    const std::optional<FileCheck> list =
        checkOf(checks, u"\\x83p\\x81[\\x91\\xE5\\x98a\\x83p\\x81[\\x91\\xE5\\x98a"_s);
    QVERIFY(list);
    QCOMPARE(list->kind, FileCheck::Kind::Cp932Name);
    QVERIFY(list->notes.join(u""_s).contains(kList));
    const std::optional<FileCheck> bad = checkOf(checks, u"\\xFF\\xFE.dat"_s);
    QVERIFY(bad);
    QCOMPARE(bad->kind, FileCheck::Kind::BadName);

    const QList<ForeignName> names = foreignNames(folder);
    QCOMPARE(names.size(), 3);
    QCOMPARE(names[2].fixed, QString());
    fixForeignName(folder, names[0]);
    QCOMPARE(f.read(kList), QByteArray("# 2\r\n"));
}

void TestFolderNames::startupAsksOnceAndReportsClashes() {
    TempFolder f;
    const DataFolder folder(f.path());
    writeRaw(f, kCp932List, "# 2\r\n");
    writeRaw(f, kCp932Diary, "theirs");
    f.write(u"太郎.2024.dat"_s, "ours");
    RecordingDialogs dialogs;

    dialogs.answer({true});
    QCOMPARE(offerNameFixes(folder, dialogs), 0);
    QCOMPARE(dialogs.calls.size(), 1);
    QCOMPARE(dialogs.calls[0].kind, RecordingDialogs::Call::Confirm);
    QVERIFY(dialogs.calls[0].message.contains(kList) &&
            dialogs.calls[0].message.contains(u"太郎.2024.dat"_s));
    QCOMPARE(foreignNames(folder).size(), 2);

    dialogs.clear();
    dialogs.answer({false});
    QCOMPARE(offerNameFixes(folder, dialogs), 1);
    QCOMPARE(dialogs.count(RecordingDialogs::Call::Confirm), 1);
    QCOMPARE(dialogs.count(RecordingDialogs::Call::Error), 1);
    QVERIFY(dialogs.lastMessage().contains(u"太郎.2024.dat"_s));
    QVERIFY(f.exists(kList));
    // An existing name is never replaced: both files stay as they were.
    QCOMPARE(f.read(u"太郎.2024.dat"_s), QByteArray("ours"));
    QCOMPARE(readRaw(f, kCp932Diary), QByteArray("theirs"));
}

TAMA_TEST_MAIN(TestFolderNames)
#include "tst_foldernames.moc"
