#include "store/record.h"
#include "store/storeerror.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;
using tama::test::spaces;

namespace {

// Three fields: 20, 10 and 4 bytes.
const RecordLayout &testLayout() {
    static const RecordLayout layout(
        u"test"_s, {{u"A"_s, u"名前"_s, 20}, {u"B"_s, u"番号"_s, 10}, {u"C"_s, u"予備"_s, 4}}, 10);
    return layout;
}

} // namespace

class TestRecord : public QObject {
    Q_OBJECT

  private slots:
    void layoutOffsets();
    void blankRecord();
    void storedField_data();
    void storedField();
    void unchangedFieldsKeepTheirBytes_data();
    void unchangedFieldsKeepTheirBytes();
    void unencodableIsRefused();
};

void TestRecord::layoutOffsets() {
    const RecordLayout &l = testLayout();
    QCOMPARE(l.length(), 34);
    QCOMPARE(l.fieldCount(), 3);
    QCOMPARE(l.offset(0), 0);
    QCOMPARE(l.offset(1), 20);
    QCOMPARE(l.offset(2), 30);
    QCOMPARE(l.indexOf(u"C"_s), 2);
}

void TestRecord::blankRecord() {
    const Record r(testLayout());
    QCOMPARE(r.toBytes(), spaces(34));
    QCOMPARE(r.field(0), QString(20, u' '));
    QCOMPARE(r.field(u"B"_s), QString(10, u' '));
    QVERIFY(!r.hadUndecodableBytes());
}

// What a field stores and what it shows when read back.
void TestRecord::storedField_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("25 single-byte characters in 20")
        << 0 << u"ABCDEFGHIJKLMNOPQRSTUVWXY"_s << QByteArray("ABCDEFGHIJKLMNOPQRST")
        << u"ABCDEFGHIJKLMNOPQRST"_s;
    QTest::newRow("12 double-byte characters in 20")
        << 0 << u"あいうえおかきくけこさし"_s
        << hex("82 A0 82 A2 82 A4 82 A6 82 A8 82 A9 82 AB 82 AD 82 AF 82 B1")
        << u"あいうえおかきくけこ"_s + QString(10, u' ');
    QTest::newRow("8 digits and a kanji in 10")
        << 1 << u"12345678自"_s << hex("31 32 33 34 35 36 37 38 8E A9") << u"12345678自 "_s;
    QTest::newRow("kanji that would straddle the end")
        << 1 << u"123456789自"_s << hex("31 32 33 34 35 36 37 38 39 20") << u"123456789 "_s;
    QTest::newRow("short text padded with space bytes") << 2 << u"ｱ"_s << hex("B1 20 20 20") << u"ｱ   "_s;
    QTest::newRow("full-width spaces are characters") << 2 << u"　Ａ"_s << hex("81 40 82 60") << u"　Ａ  "_s;
}

void TestRecord::storedField() {
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, readBack);

    const RecordLayout &l = testLayout();
    Record r(l);
    r.setField(field, text);
    const QByteArray all = r.toBytes();
    QCOMPARE(all.size(), qsizetype(l.length()));
    QCOMPARE(all.mid(l.offset(field), l.field(field).width).toHex(' '), bytes.toHex(' '));
    // The other fields stay blank.
    QCOMPARE(all.left(l.offset(field)), spaces(l.offset(field)));
    QCOMPARE(all.mid(l.offset(field) + l.field(field).width),
             spaces(l.length() - l.offset(field) - l.field(field).width));

    const Record back = Record::fromBytes(l, all);
    QCOMPARE(back.field(field), readBack);
    QCOMPARE(back.field(field).size(), qsizetype(l.field(field).width));
}

// Fields this program does not change are written back as they were read, also when
// their bytes would not come back the same through decoding and encoding.
void TestRecord::unchangedFieldsKeepTheirBytes_data() {
    QTest::addColumn<QByteArray>("otherFields");
    QTest::addColumn<bool>("undecodable");

    QTest::newRow("not code page 932")
        << QByteArray(hex("FF FE 80 A0 FD 82") + spaces(4) + hex("82 20 00 01")) << true;
    // 纊 (ED 40) would be encoded as FA 5C, ≒ (87 90) as 81 E0.
    QTest::newRow("duplicate code points")
        << QByteArray(hex("ED 40 87 90") + spaces(6) + hex("ED 40 87 90")) << false;
}

void TestRecord::unchangedFieldsKeepTheirBytes() {
    QFETCH(QByteArray, otherFields);
    QFETCH(bool, undecodable);

    const RecordLayout &l = testLayout();
    const QByteArray original = hex("82 60") + spaces(18) + otherFields;
    QCOMPARE(original.size(), qsizetype(l.length()));

    Record r = Record::fromBytes(l, original);
    QCOMPARE(r.hadUndecodableBytes(), undecodable);
    QCOMPARE(r.toBytes(), original);

    // Setting a field to the text it already shows changes nothing.
    r.setField(1, r.field(1));
    r.setField(2, r.field(2));
    QCOMPARE(r.toBytes(), original);

    r.setField(0, u"ＡＢ"_s);
    QCOMPARE(r.toBytes(), hex("82 60 82 61") + spaces(16) + otherFields);
}

void TestRecord::unencodableIsRefused() {
    Record r(testLayout());
    r.setField(1, u"é"_s);
    try {
        (void)r.toBytes();
        QFAIL("no error");
    } catch (const StoreError &e) {
        QCOMPARE(e.kind(), StoreError::Kind::Encoding);
        QVERIFY2(e.message().contains(u"番号"_s) && e.message().contains(u"é"_s), qPrintable(e.message()));
    }
}

TAMA_TEST_MAIN(TestRecord)
#include "tst_record.moc"
