#include "common/text.h"
#include "store/modellist.h"
#include "store/recordfile.h"
#include "store/storeerror.h"
#include "store/textfile.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;
using tama::test::storeErrorKind;
using tama::test::TempFolder;

Q_DECLARE_METATYPE(tama::ModelListEntry)

namespace {

// The seven-line list of one three-character model in section 6, as the registration
// window writes it: the name padded with twelve full-width spaces.
QByteArray sevenLines() {
    return QByteArray("# 2\r\n# 3\r\n# 4\r\n# 5\r\n# 6\r\n") + hex("8A 43 95 A8 8C EA") +
           hex("81 40").repeated(12) + "\r\n# #\r\n";
}

using Entries = QList<ModelListEntry>;

} // namespace

class TestModelList : public QObject {
    Q_OBJECT

  private slots:
    void fileName_data();
    void fileName();
    void noFileName();
    void writeSevenLines();
    void readSevenLines();
    void parse_data();
    void parse();
    void writeDropsOtherSections();
    void section_data();
    void section();
    void missingFile();
    void longNameReadsTheOlderList();
    void unencodableRefused();
    void writeReplacesInOneStep();
    void textLines_data();
    void textLines();
};

void TestModelList::fileName_data() {
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Ａ to Ｇ") << u"ＡＢＣＤＥＦＧ"_s << u"ＡＢＦＧＤＥＦＧ"_s;
    QTest::newRow("typed half-width") << u"ABCDEFG"_s << u"ＡＢＦＧＤＥＦＧ"_s;
    QTest::newRow("third letter differs, same file") << u"ＡＢＸＤＥＦＧ"_s << u"ＡＢＦＧＤＥＦＧ"_s;
    QTest::newRow("four characters") << u"ＡＢＣＤ"_s << u"ＡＢＣＤＡＢＣＤ"_s;
    QTest::newRow("three characters") << u"海物語"_s << u"海物物語海物語"_s;
    QTest::newRow("two characters") << u"AB"_s << u"ＡＢＡＢＡＢ"_s;
    QTest::newRow("one character") << u"花"_s << u"花花花"_s;
    QTest::newRow("trailing spaces are not part of it") << u"ABC  "_s << u"ＡＢＢＣＡＢＣ"_s;
    QTest::newRow("full-width padding is not part of it") << u"ＡＢＣ　　　"_s << u"ＡＢＢＣＡＢＣ"_s;
    QTest::newRow("slash becomes full-width") << u"A/B"_s << u"Ａ／／ＢＡ／Ｂ"_s;
    QTest::newRow("ten characters, as stored") << u"ABCDEFGHIJ"_s << u"ＡＢＩＪＧＨＩＪ"_s;
    QTest::newRow("longer: the ten stored") << u"ABCDEFGHIJKL"_s << u"ＡＢＩＪＧＨＩＪ"_s;
    QTest::newRow("cut, then trimmed") << u"ABCDEFGH  KL"_s << u"ＡＢＧＨＥＦＧＨ"_s;
}

void TestModelList::fileName() {
    QFETCH(QString, store);
    QFETCH(QString, expected);
    QCOMPARE(modelListFileName(store), expected);
    TempFolder dir;
    ModelListFile list(DataFolder(dir.path()), store);
    QCOMPARE(list.fileName(), expected);
    QCOMPARE(list.path(), dir.file(expected));
}

void TestModelList::noFileName() {
    QVERIFY(modelListFileName(QString()).isEmpty());
    QVERIFY(modelListFileName(u" 　 "_s).isEmpty());
    TempFolder dir;
    for (const QString &store : {QString(), u"   "_s, u"A\tB"_s}) {
        QCOMPARE(storeErrorKind([&] { ModelListFile(DataFolder(dir.path()), store); }),
                 int(StoreError::Kind::Invalid));
    }
    QVERIFY(dir.files().isEmpty());
}

void TestModelList::writeSevenLines() {
    TempFolder dir;
    ModelListFile list(DataFolder(dir.path()), u"ＡＢＣＤＥＦＧ"_s);
    list.write({{u"海物語"_s + QString(12, QChar(0x3000)), 6}});
    QCOMPARE(dir.files(), QStringList{u"ＡＢＦＧＤＥＦＧ"_s});
    QCOMPARE(dir.read(u"ＡＢＦＧＤＥＦＧ"_s).toHex(' '), sevenLines().toHex(' '));
}

void TestModelList::readSevenLines() {
    TempFolder dir;
    dir.write(u"ＡＢＦＧＤＥＦＧ"_s, sevenLines());
    const Entries entries = ModelListFile(DataFolder(dir.path()), u"ABCDEFG"_s).read();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].section, 6);
    QCOMPARE(trimRight(entries[0].model), u"海物語"_s);
}

void TestModelList::parse_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<Entries>("expected");

    QTest::newRow("every section")
        << QStringList{u"# 2"_s, u"Ａ"_s, u"# 3"_s, u"Ｂ"_s, u"Ｃ"_s, u"# 4"_s,
                       u"# 5"_s, u"Ｄ"_s, u"# 6"_s, u"Ｅ"_s, u"# #"_s}
        << Entries{{u"Ａ"_s, 2}, {u"Ｂ"_s, 3}, {u"Ｃ"_s, 3}, {u"Ｄ"_s, 5}, {u"Ｅ"_s, 6}};
    QTest::newRow("no end line: read to the end")
        << QStringList{u"# 2"_s, u"Ａ"_s, u"# 3"_s, u"Ｂ"_s} << Entries{{u"Ａ"_s, 2}, {u"Ｂ"_s, 3}};
    QTest::newRow("lines before the first header are section 1")
        << QStringList{u"Ｘ"_s, u"# 2"_s, u"Ａ"_s} << Entries{{u"Ｘ"_s, 1}, {u"Ａ"_s, 2}};
    QTest::newRow("nothing after the end line")
        << QStringList{u"# 2"_s, u"# #"_s, u"Ａ"_s, u"# 3"_s, u"Ｂ"_s} << Entries{};
    QTest::newRow("headers are counted, not read")
        << QStringList{u"# 6"_s, u"Ａ"_s, u"#"_s, u"Ｂ"_s} << Entries{{u"Ａ"_s, 2}, {u"Ｂ"_s, 3}};
    QTest::newRow("a sixth header ends the reading")
        << QStringList{u"# 2"_s, u"# 3"_s, u"# 4"_s, u"# 5"_s, u"# 6"_s, u"Ｅ"_s, u"# 7"_s, u"Ｆ"_s}
        << Entries{{u"Ｅ"_s, 6}};
    QTest::newRow("empty lines are model lines")
        << QStringList{u"# 2"_s, QString()} << Entries{{QString(), 2}};
    QTest::newRow("long lines are accepted")
        << QStringList{u"# 2"_s, u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴ"_s}
        << Entries{{u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴ"_s, 2}};
    QTest::newRow("empty file") << QStringList{} << Entries{};
}

void TestModelList::parse() {
    QFETCH(QStringList, lines);
    QFETCH(Entries, expected);
    QCOMPARE(ModelListFile::parse(lines), expected);
}

void TestModelList::writeDropsOtherSections() {
    TempFolder dir;
    dir.write(u"ＡＡＡ"_s, "\x82\x79\r\n# 2\r\n\x82\x60\r\n# 3\r\n\x82\x61\r\n"); // Ｚ before any header
    ModelListFile list(DataFolder(dir.path()), u"A"_s);
    Entries entries = list.read();
    QCOMPARE(entries, (Entries{{u"Ｚ"_s, 1}, {u"Ａ"_s, 2}, {u"Ｂ"_s, 3}}));
    // Entries in any order come out by section, in their own order within one.
    entries.append({u"Ｃ"_s, 2});
    entries.append({u"Ｄ"_s, 9});
    entries.append({u"Ｅ"_s, 6});
    list.write(entries);
    QCOMPARE(dir.read(u"ＡＡＡ"_s),
             QByteArray("# 2\r\n\x82\x60\r\n\x82\x62\r\n# 3\r\n\x82\x61\r\n# 4\r\n# 5\r\n"
                        "# 6\r\n\x82\x64\r\n# #\r\n"));
    QCOMPARE(dir.files(), QStringList{u"ＡＡＡ"_s}); // no temporary file left
}

void TestModelList::section_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QStringList>("expected");

    const QByteArray file = "# 2\r\nA\r\n# 3\r\nB\r\nC\r\n# 4\r\n";
    QTest::newRow("羽物") << file << u"# 3"_s << QStringList{u"B"_s, u"C"_s};
    QTest::newRow("デジパチ") << file << u"# 2"_s << QStringList{u"A"_s};
    QTest::newRow("empty section") << file << u"# 4"_s << QStringList{};
    QTest::newRow("missing section") << file << u"# 6"_s << QStringList{};
    QTest::newRow("up to the end line")
        << QByteArray("# 5\r\nD\r\n# #\r\nX\r\n") << u"# 5"_s << QStringList{u"D"_s};
    QTest::newRow("marker is the first three characters")
        << QByteArray("# 3 old\r\nB\r\n") << u"# 3"_s << QStringList{u"B"_s};
}

void TestModelList::section() {
    QFETCH(QByteArray, file);
    QFETCH(QString, marker);
    QFETCH(QStringList, expected);
    TempFolder dir;
    dir.write(u"ＡＡＡ"_s, file);
    QCOMPARE(ModelListFile(DataFolder(dir.path()), u"A"_s).section(marker), expected);
    QCOMPARE(dir.read(u"ＡＡＡ"_s), file);
}

void TestModelList::missingFile() {
    TempFolder dir;
    ModelListFile list(DataFolder(dir.path()), u"ABC"_s);
    QVERIFY(!list.exists());
    QVERIFY(list.read(false).isEmpty());
    QVERIFY(list.section(u"# 3"_s, false).isEmpty());
    QVERIFY(dir.files().isEmpty());

    QVERIFY(list.section(u"# 3"_s).isEmpty()); // looking creates it, empty
    QCOMPARE(dir.files(), QStringList{u"ＡＢＢＣＡＢＣ"_s});
    QCOMPARE(dir.read(u"ＡＢＢＣＡＢＣ"_s).size(), 0);

    // An existing list is never emptied by looking at it.
    dir.write(u"ＡＢＢＣＡＢＣ"_s, sevenLines());
    list.ensure();
    QCOMPARE(list.read().size(), 1);
    QCOMPARE(dir.read(u"ＡＢＢＣＡＢＣ"_s), sevenLines());
}

// Older versions named the list of a store typed longer than ten characters from the whole
// name; it is read until the list of the stored name exists, and never removed.
void TestModelList::longNameReadsTheOlderList() {
    TempFolder dir;
    const QString older = u"ＡＢＫＬＩＪＫＬ"_s, cut = u"ＡＢＩＪＧＨＩＪ"_s;
    dir.write(older, sevenLines());
    const ModelListFile list(DataFolder(dir.path()), u"ABCDEFGHIJKL"_s);
    QCOMPARE(list.fileName(), cut);
    QVERIFY(!list.exists());
    QCOMPARE(list.read().size(), 1);
    QCOMPARE(list.section(u"# 6"_s).size(), 1);
    list.ensure();
    QCOMPARE(dir.files(), QStringList{older}); // looking creates no empty list in its place

    // The store named as stored finds no older list.
    QVERIFY(ModelListFile(DataFolder(dir.path()), u"ABCDEFGHIJ"_s).read(false).isEmpty());

    Entries entries = list.read();
    entries.append({u"Ａ"_s, 2});
    list.write(entries);
    QCOMPARE(dir.read(cut), QByteArray("# 2\r\n\x82\x60\r\n# 3\r\n# 4\r\n# 5\r\n# 6\r\n") +
                                hex("8A 43 95 A8 8C EA") + hex("81 40").repeated(12) + "\r\n# #\r\n");
    QCOMPARE(dir.read(older), sevenLines());
    // From now on the stored name's list is the one read.
    QCOMPARE(list.read().size(), 2);
    QCOMPARE(ModelListFile(DataFolder(dir.path()), u"ABCDEFGHIJ"_s).read().size(), 2);
}

void TestModelList::unencodableRefused() {
    TempFolder dir;
    dir.write(u"ＡＡＡ"_s, sevenLines());
    try {
        ModelListFile(DataFolder(dir.path()), u"A"_s).write({{u"Ａ"_s, 2}, {u"機種😀"_s, 3}});
        QFAIL("no error");
    } catch (const StoreError &e) {
        QCOMPARE(e.kind(), StoreError::Kind::Encoding);
        QVERIFY2(e.message().contains(u"😀"_s), qPrintable(e.message()));
    }
    QCOMPARE(dir.read(u"ＡＡＡ"_s), sevenLines());
    QCOMPARE(dir.files(), QStringList{u"ＡＡＡ"_s});
}

// Until the new list is complete on disk, the old one stays in place.
void TestModelList::writeReplacesInOneStep() {
    TempFolder dir;
    dir.write(u"ＡＡＡ"_s, sevenLines());
    ModelListFile list(DataFolder(dir.path()), u"A"_s);
    QByteArray targetSeen, scratchSeen;
    RecordFile::beforeReplaceHook = [&] {
        targetSeen = dir.read(u"ＡＡＡ"_s);
        scratchSeen = tama::test::readFile(textfile::scratchPath(list.path()));
    };
    list.write({{u"Ａ"_s, 2}});
    RecordFile::beforeReplaceHook = nullptr;
    const QByteArray written = "# 2\r\n\x82\x60\r\n# 3\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n";
    QCOMPARE(targetSeen, sevenLines());
    QCOMPARE(scratchSeen, written);
    QCOMPARE(dir.read(u"ＡＡＡ"_s), written);
    QCOMPARE(dir.files(), QStringList{u"ＡＡＡ"_s});
}

void TestModelList::textLines_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("undecodable");

    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{u"a"_s, u"b"_s} << false;
    QTest::newRow("no final line break") << QByteArray("a\r\nb") << QStringList{u"a"_s, u"b"_s} << false;
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << QStringList{u"a"_s, u"b"_s} << false;
    QTest::newRow("empty lines") << QByteArray("\r\n\r\na\r\n") << QStringList{QString(), QString(), u"a"_s}
                                 << false;
    QTest::newRow("double-byte") << QByteArray(hex("8E A9 81 40 0D 0A")) << QStringList{u"自　"_s} << false;
    QTest::newRow("not code page 932") << QByteArray("a\xFF\r\n") << QStringList{u"a\uFFFD"_s} << true;
    QTest::newRow("empty file") << QByteArray() << QStringList{} << false;
}

void TestModelList::textLines() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, lines);
    QFETCH(bool, undecodable);
    TempFolder dir;
    dir.write(u"f"_s, file);
    const textfile::ReadResult r = textfile::readLines(dir.file(u"f"_s));
    QCOMPARE(r.lines, lines);
    QCOMPARE(r.undecodable, undecodable);
}

TAMA_TEST_MAIN(TestModelList)
#include "tst_modellist.moc"
