#include "store/catalogue.h"
#include "store/storeerror.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;
using tama::test::spaces;
using tama::test::storeErrorKind;
using tama::test::TempFolder;

namespace {

const CategoryInfo &bySection(int code) {
    const CategoryInfo *c = categoryBySection(code);
    if (!c) qFatal("no category of section %d", code);
    return *c;
}

// A catalogue record supplied with filled detail fields.
QByteArray model(const QByteArray &name, char tag) {
    QByteArray detail;
    for (int i = 0; i < 130; ++i)
        detail += char('0' + (i + tag) % 10);
    detail[0] = tag;
    detail[129] = char(0xFF); // not code page 932
    return name + spaces(30 - int(name.size())) + detail;
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT

  private slots:
    void layouts_data();
    void layouts();
    void lookups();
    void addCr123();
    void addTwentyCharacters();
    void addRefused();
    void deleteFirst();
    void deleteBadPosition();
    void lowerCaseFileIsUsed();
    void readOnlyDoesNotCreate();
};

void TestCatalogue::layouts_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("cardCode");
    QTest::addColumn<QList<int>>("widths");

    QTest::newRow("羽物") << 3 << u"羽物"_s << u"hirapati.dat"_s << u"1"_s
                          << QList<int>{30, 2, 2, 2, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 109};
    QTest::newRow("デジパチ") << 2 << u"デジパチ"_s << u"DEGIpati.dat"_s << u"2"_s
                              << QList<int>{30, 5, 1, 3, 4, 4, 2, 2, 2, 20, 87};
    QTest::newRow("権利物") << 4 << u"権利物"_s << u"KENpati.dat"_s << u"4"_s
                            << QList<int>{30, 5, 5, 5, 5, 5, 5, 2, 2, 2, 4, 1, 3, 1, 85};
    QTest::newRow("一般電役") << 5 << u"一般電役"_s << u"SLOTpati.dat"_s << u"5"_s
                              << QList<int>{30, 5, 5, 5, 5, 5, 5, 2, 2, 2, 4, 1, 3, 86};
    QTest::newRow("ＣＲデジパチ") << 6 << u"ＣＲデジパチ"_s << u"CRpati.dat"_s << u"3"_s
                                  << QList<int>{30, 5, 5, 5, 5, 5, 5, 2, 2, 2, 4, 3, 4, 83};
}

void TestCatalogue::layouts() {
    QFETCH(int, section);
    QFETCH(QString, caption);
    QFETCH(QString, fileName);
    QFETCH(QString, cardCode);
    QFETCH(QList<int>, widths);

    const CategoryInfo &c = bySection(section);
    QCOMPARE(c.caption, caption);
    QCOMPARE(c.fileName, fileName);
    QCOMPARE(c.cardCode, cardCode);
    QCOMPARE(c.layout->length(), 160);
    QCOMPARE(c.layout->fieldCount(), int(widths.size()));
    for (int i = 0; i < widths.size(); ++i)
        QCOMPARE(c.layout->field(i).width, widths[i]);
}

void TestCatalogue::lookups() {
    QCOMPARE(categories().size(), 5);
    QCOMPARE(categoryByCardCode(u"3"_s)->sectionCode, 6);
    QCOMPARE(categoryByCardCode(u"1"_s)->sectionCode, 3);
    QCOMPARE(categoryByCaption(u"権利物"_s)->cardCode, u"4"_s);
    QVERIFY(!categoryBySection(1));
    QVERIFY(!categoryByCardCode(u"6"_s));
}

void TestCatalogue::addCr123() {
    TempFolder dir;
    ModelCatalogue cr(DataFolder(dir.path()), bySection(6));
    QCOMPARE(cr.add(u"CR123"_s).value_or(QString()), u"ＣＲ１２３"_s);
    QCOMPARE(dir.files(), QStringList{u"CRpati.dat"_s});
    QCOMPARE(dir.read(u"CRpati.dat"_s).toHex(' '),
             (hex("82 62 82 71 82 50 82 51 82 52") + spaces(20) + spaces(130)).toHex(' '));
    QCOMPARE(cr.list(), QStringList{u"ＣＲ１２３"_s});
}

void TestCatalogue::addTwentyCharacters() {
    TempFolder dir;
    ModelCatalogue hane(DataFolder(dir.path()), bySection(3));
    QCOMPARE(hane.add(u"ABCDEFGHIJKLMNOPQRST"_s).value_or(QString()), u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯ"_s);
    const QByteArray record =
        hex("82 60 82 61 82 62 82 63 82 64 82 65 82 66 82 67 82 68 82 69 82 6A 82 6B 82 6C 82 6D 82 6E") +
        spaces(130);
    QCOMPARE(dir.read(u"hirapati.dat"_s).toHex(' '), record.toHex(' '));

    QVERIFY(!hane.add(u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴ"_s)); // its full-width form
    QVERIFY(!hane.add(u"ABCDEFGHIJKLMNO "_s));
    QCOMPARE(dir.read(u"hirapati.dat"_s), record);

    QCOMPARE(hane.add(u"ABCDEFGHIJKLMN"_s).value_or(QString()), u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮ"_s);
    QCOMPARE(hane.list().size(), 2);
}

void TestCatalogue::addRefused() {
    TempFolder dir;
    ModelCatalogue degi(DataFolder(dir.path()), bySection(2));
    for (const QString &text : {QString(), u"　"_s, u"海物語😀"_s}) {
        try {
            degi.add(text);
            QFAIL("no error");
        } catch (const StoreError &e) {
            QVERIFY(e.kind() == StoreError::Kind::Invalid || e.kind() == StoreError::Kind::Encoding);
        }
    }
    QVERIFY(degi.list().isEmpty());
    QCOMPARE(dir.read(u"DEGIpati.dat"_s).size(), 0);
}

void TestCatalogue::deleteFirst() {
    TempFolder dir;
    const QByteArray a = model(hex("82 60"), 'a'), b = model(hex("82 61"), 'b'), c = model(hex("82 62"), 'c');
    dir.write(u"KENpati.dat"_s, a + b + c);
    ModelCatalogue ken(DataFolder(dir.path()), bySection(4));
    ken.deleteAt(0);
    QCOMPARE(dir.read(u"KENpati.dat"_s).toHex(' '), (b + c).toHex(' '));
    QCOMPARE(dir.files(), QStringList{u"KENpati.dat"_s});
    QCOMPARE(ken.list(), (QStringList{u"Ｂ"_s, u"Ｃ"_s}));

    // Adding next to filled records leaves them alone too.
    QVERIFY(ken.add(u"D"_s));
    QCOMPARE(dir.read(u"KENpati.dat"_s), b + c + hex("82 63") + spaces(158));
}

void TestCatalogue::deleteBadPosition() {
    TempFolder dir;
    const QByteArray before = model(hex("82 60"), 'a');
    dir.write(u"SLOTpati.dat"_s, before);
    ModelCatalogue slot(DataFolder(dir.path()), bySection(5));
    for (int p : {-1, 1}) {
        QCOMPARE(storeErrorKind([&] { slot.deleteAt(p); }), int(StoreError::Kind::Invalid));
    }
    QCOMPARE(dir.read(u"SLOTpati.dat"_s), before);
}

// A folder copied from a system that ignores case may hold the lower-case name.
void TestCatalogue::lowerCaseFileIsUsed() {
    TempFolder dir;
    dir.write(u"degipati.dat"_s, model(hex("82 60"), 'a'));
    const DataFolder folder(dir.path());
    QCOMPARE(cataloguePath(folder, bySection(2)), dir.file(u"degipati.dat"_s));
    ModelCatalogue degi(folder, bySection(2));
    QCOMPARE(degi.list(), QStringList{u"Ａ"_s});
    QVERIFY(degi.add(u"B"_s));
    QCOMPARE(dir.files(), QStringList{u"degipati.dat"_s});
    QCOMPARE(dir.read(u"degipati.dat"_s).size(), 320);

    // Other categories keep the names of the table.
    QCOMPARE(cataloguePath(folder, bySection(6)), dir.file(u"CRpati.dat"_s));
}

void TestCatalogue::readOnlyDoesNotCreate() {
    TempFolder dir;
    QVERIFY(ModelCatalogue(DataFolder(dir.path()), bySection(3), true).list().isEmpty());
    QVERIFY(dir.files().isEmpty());
    QVERIFY(ModelCatalogue(DataFolder(dir.path()), bySection(3)).list().isEmpty());
    QCOMPARE(dir.files(), QStringList{u"hirapati.dat"_s});
}

TAMA_TEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
