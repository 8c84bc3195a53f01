// Damaged and oversized files: every writing operation on a file with an incomplete last
// record, bytes that are not code page 932, odd model lists, a 10 MB model list and a
// full catalogue. Nothing may be lost and every refusal names the file.
#include "common/codec.h"
#include "fault/faultoperations.h"
#include "store/catalogue.h"
#include "store/diary.h"
#include "store/foldercheck.h"
#include "store/modellist.h"
#include "store/storeerror.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;
using tama::test::spaces;
using tama::test::TempFolder;

namespace {

void prepare(const TempFolder &dir) {
    const auto files = fault::preparedFolder();
    for (auto it = files.begin(); it != files.end(); ++it)
        dir.write(it.key(), it.value());
}

QByteArray catalogueRecord(int i) {
    // Full-width digits make every name distinct; the detail fields are filled.
    QByteArray name;
    for (char c : QByteArray::number(i).rightJustified(5, '0'))
        name += hex("82") + char(0x4F + (c - '0'));
    return name + spaces(30 - int(name.size())) + QByteArray(130, char('0' + i % 10));
}

} // namespace

class TestDamagedFiles : public QObject {
    Q_OBJECT
  private slots:
    void incompleteTail_data();
    void incompleteTail();
    void undecodableFieldsSurviveUpdates();
    void modelListOddLines();
    void hugeModelList();
    void fullCatalogue();
};

void TestDamagedFiles::incompleteTail_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("recordLength");
    for (const fault::Operation &op : fault::operations()) {
        const QString &n = op.name;
        QString file;
        int length = 0;
        if (n.endsWith(u"-card"_s) || n.endsWith(u"-diary"_s))
            file = fault::kDiary, length = 240;
        else if (n.endsWith(u"-user"_s) || n.endsWith(u"-autostart"_s))
            file = u"namae.dat"_s, length = 20;
        else if (n.endsWith(u"-store"_s))
            file = u"patishop.dat"_s, length = 80;
        else if (n.endsWith(u"-model"_s))
            file = u"CRpati.dat"_s, length = 160;
        else
            continue; // text files have no records
        QTest::newRow(qPrintable(n)) << n << file << length;
    }
}

// The bytes after the last whole record are never overwritten or dropped: an operation
// either leaves them at the end of the file or is refused with the file untouched.
void TestDamagedFiles::incompleteTail() {
    QFETCH(QString, operation);
    QFETCH(QString, file);
    QFETCH(int, recordLength);
    TempFolder dir;
    prepare(dir);
    const QByteArray tail = hex("82 60 FF 41 42 43 0D");
    const QByteArray before = dir.read(file) + tail;
    dir.write(file, before);

    const auto ops = fault::operations();
    const auto op = std::find_if(ops.begin(), ops.end(), [&](const auto &o) { return o.name == operation; });
    QVERIFY(op != ops.end());
    bool refused = false;
    try {
        op->run(DataFolder(dir.path()));
    } catch (const StoreError &e) {
        refused = true;
        QCOMPARE(e.kind(), StoreError::Kind::Damaged);
        QVERIFY2(e.message().startsWith(u"「"_s + file + u"」"_s), qPrintable(e.message()));
        QCOMPARE(dir.read(file), before);
    }
    const QByteArray now = dir.read(file);
    QVERIFY(now.endsWith(tail));
    QCOMPARE(now.size() % recordLength, tail.size());
    // Adding a record would have to overwrite the tail or leave it inside the file.
    if (operation.startsWith(u"add-"_s) || operation == u"append-card"_s)
        QVERIFY(refused || now.size() == before.size());
    if (!refused) QCOMPARE(now.size(), before.size()); // in place: no record moved or dropped
    QCOMPARE(dir.files().filter(u".tmp"_s), QStringList());
}

// Bytes another program wrote that are not code page 932 are kept byte for byte when
// another field of the same card changes, and the check names where they are.
void TestDamagedFiles::undecodableFieldsSurviveUpdates() {
    TempFolder dir;
    QByteArray card = hex("32 30 32 36 30 31 30 35 8C 8E") + "1000" + "1800";
    card += hex("82 60 FF FE 82") + spaces(15); // store: a bad pair, then a lone lead byte
    card += "2" + spaces(30) + "0150" + "0100" + "111";
    card += hex("81") + QByteArray(158, 'x') + hex("E0"); // cut double-byte characters at both ends
    QCOMPARE(card.size(), 240);
    dir.write(fault::kDiary, card);

    DiaryFile diary(DataFolder(dir.path()), fault::kDiary);
    CardRecord c = *diary.read(1);
    QVERIFY(c.record().hadUndecodableBytes());
    QCOMPARE(c.profitYen(), -5000);
    c.setField(CardRecord::CashOut, u"0300"_s);
    diary.write(1, c);
    diary.setCandidate(1, true);
    QByteArray expected = card;
    expected.replace(73, 4, "0300");
    expected[0] = 'R';
    QCOMPARE(dir.read(fault::kDiary).toHex(' '), expected.toHex(' '));

    const FileCheck check = checkDataFile(DataFolder(dir.path()), fault::kDiary, FileCheck::Kind::Diary);
    QVERIFY(check.damaged());
    QVERIFY2(check.problems.join(u' ').contains(u"StoreName"_s), qPrintable(check.problems.join(u' ')));
}

// No end line, lines far longer than 15 characters, a lone LF, headers past the sixth:
// read without loss, and the check notes the long line instead of failing.
void TestDamagedFiles::modelListOddLines() {
    TempFolder dir;
    const ModelListFile list(DataFolder(dir.path()), u"ＡＢＣ"_s);
    const QString longName = u"ロングネームロングネームロングネームロングネーム"_s; // 24 characters
    QByteArray bytes = "# 2\r\n" + hex("82 60") + "\r\n# 3\n" + cp932::encode(longName).bytes + "\r\n";
    bytes += "# 4\r\n# 5\r\n# 6\r\n" + hex("82 61") + "\r\n# 7\r\n" + hex("82 62"); // no end line
    dir.write(list.fileName(), bytes);

    const QList<ModelListEntry> entries = list.read(false);
    const QList<ModelListEntry> expected = {{u"Ａ"_s, 2}, {longName, 3}, {u"Ｂ"_s, 6}};
    QCOMPARE(entries, expected);
    QCOMPARE(dir.read(list.fileName()), bytes); // reading changes nothing

    const FileCheck check =
        checkDataFile(DataFolder(dir.path()), list.fileName(), FileCheck::Kind::ModelList);
    QVERIFY2(!check.damaged(), qPrintable(check.problems.join(u' ')));
    QCOMPARE(check.notes.filter(longName).size(), 1);

    // Written back, the long line is kept whole and the list gains its end line.
    list.write(entries);
    QCOMPARE(list.read(false), expected);
    QVERIFY(dir.read(list.fileName()).endsWith("# #\r\n"));
}

// 10 MB of model lines: every line is read, and the first of them is where it belongs.
void TestDamagedFiles::hugeModelList() {
    TempFolder dir;
    const ModelListFile list(DataFolder(dir.path()), u"ＡＢＣ"_s);
    QByteArray line = hex("83 4E 83 8B 83 5E"); // クルタ
    QByteArray bytes = "# 2\r\n";
    const int lines = 10 * 1024 * 1024 / 8;
    bytes.reserve(lines * 8 + 16);
    for (int i = 0; i < lines; ++i)
        bytes += line + "\r\n";
    bytes += "# 3\r\n" + hex("82 60") + "\r\n# #\r\n";
    QVERIFY(bytes.size() > 10 * 1024 * 1024);
    dir.write(list.fileName(), bytes);

    const QList<ModelListEntry> entries = list.read(false);
    QCOMPARE(entries.size(), lines + 1);
    QCOMPARE(entries.first(), (ModelListEntry{u"クルタ"_s, 2}));
    QCOMPARE(entries.last(), (ModelListEntry{u"Ａ"_s, 3}));
    QCOMPARE(list.section(u"# 3"_s, false), QStringList{u"Ａ"_s});
    QVERIFY(!checkDataFile(DataFolder(dir.path()), list.fileName(), FileCheck::Kind::ModelList).damaged());
}

// A catalogue at its largest: listed whole, a new model refused with the file untouched,
// an existing one found, and a deletion makes room again.
void TestDamagedFiles::fullCatalogue() {
    TempFolder dir;
    QByteArray bytes;
    bytes.reserve(32766 * 160);
    for (int i = 0; i < 32766; ++i)
        bytes += catalogueRecord(i);
    dir.write(u"CRpati.dat"_s, bytes);
    ModelCatalogue cat(DataFolder(dir.path()), *categoryBySection(6));

    const QStringList names = cat.list();
    QCOMPARE(names.size(), 32766);
    QCOMPARE(names.last(), u"３２７６５"_s);
    try {
        cat.add(u"CR999"_s);
        QFAIL("a model was added to a full catalogue");
    } catch (const StoreError &e) {
        QCOMPARE(e.kind(), StoreError::Kind::Limit);
        QVERIFY2(e.message().startsWith(u"「CRpati.dat」"_s), qPrintable(e.message()));
    }
    QCOMPARE(cat.add(u"32765"_s), std::nullopt); // found: the stored form is full-width
    QVERIFY(dir.read(u"CRpati.dat"_s) == bytes);

    cat.deleteAt(0);
    QCOMPARE(dir.read(u"CRpati.dat"_s), bytes.mid(160));
    QCOMPARE(cat.add(u"CR999"_s), u"ＣＲ９９９"_s);
    QCOMPARE(cat.list().size(), 32766);
    QVERIFY(!checkDataFile(DataFolder(dir.path()), u"CRpati.dat"_s, FileCheck::Kind::Catalogue).damaged());
}

TAMA_TEST_MAIN(TestDamagedFiles)
#include "tst_damagedfiles.moc"
