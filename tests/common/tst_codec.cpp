#include "common/codec.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;

class TestCodec : public QObject {
    Q_OBJECT

  private slots:
    void encodeKnown_data();
    void encodeKnown();
    void decodeKnown_data();
    void decodeKnown();
    void unencodable_data();
    void unencodable();
    void undecodable_data();
    void undecodable();
    void encodeField_data();
    void encodeField();
    void encodeFieldNeverSplits();
};

void TestCodec::encodeKnown_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("full-width A") << u"Ａ"_s << hex("82 60");
    QTest::newRow("kanji") << u"自"_s << hex("8E A9");
    QTest::newRow("full-width space") << u"　"_s << hex("81 40");
    QTest::newRow("half-width kana") << u"ｱﾝ"_s << hex("B1 DD");
    QTest::newRow("ascii") << u"A1 ~\\"_s << hex("41 31 20 7E 5C");
    QTest::newRow("katakana") << u"ガヴワ"_s << hex("83 4B 83 94 83 8F");
    QTest::newRow("voicing marks") << u"゛゜"_s << hex("81 4A 81 4B");
    QTest::newRow("weekday") << u"土"_s << hex("93 79");
    QTest::newRow("circled digit (NEC row 13)") << u"①"_s << hex("87 40");
    // Input methods type these; the code page has them under other code points.
    QTest::newRow("wave dash U+301C") << u"\u301C"_s << hex("81 60");
    QTest::newRow("full-width tilde U+FF5E") << u"\uFF5E"_s << hex("81 60");
    QTest::newRow("minus sign U+2212") << u"\u2212"_s << hex("81 7C");
    QTest::newRow("double vertical line U+2016") << u"\u2016"_s << hex("81 61");
    QTest::newRow("em dash U+2014") << u"\u2014"_s << hex("81 5C");
    QTest::newRow("cent, pound, not") << u"\u00A2\u00A3\u00AC"_s << hex("81 91 81 92 81 CA");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestCodec::encodeKnown() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const cp932::EncodeResult r = cp932::encode(text);
    QVERIFY(r.ok());
    QCOMPARE(r.bytes.toHex(' '), bytes.toHex(' '));
    QVERIFY(!cp932::firstUnencodable(text));
}

void TestCodec::decodeKnown_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("mixed") << hex("82 60 8E A9 81 40 B1 41") << u"Ａ自　ｱA"_s;
    QTest::newRow("81 60 is the full-width tilde") << hex("81 60") << u"\uFF5E"_s;
    QTest::newRow("81 7C is the full-width minus") << hex("81 7C") << u"\uFF0D"_s;
    QTest::newRow("5C is the backslash") << hex("5C 7E") << u"\\~"_s;
    QTest::newRow("NEC-selected IBM extension") << hex("ED 40") << u"\u7E8A"_s;
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestCodec::decodeKnown() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const cp932::DecodeResult r = cp932::decode(bytes);
    QVERIFY(r.ok());
    QCOMPARE(r.text, text);
}

void TestCodec::unencodable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("badChar");
    QTest::addColumn<QString>("codePoint");

    QTest::newRow("emoji") << u"ab😀c"_s << 2 << u"😀"_s << u"U+1F600"_s;
    QTest::newRow("surrogate pair first") << u"𠮷野家"_s << 0 << u"𠮷"_s << u"U+20BB7"_s;
    QTest::newRow("accented letter") << u"café"_s << 3 << u"é"_s << u"U+00E9"_s;
    QTest::newRow("after double-byte text") << u"自動é😀"_s << 2 << u"é"_s << u"U+00E9"_s;
    QTest::newRow("hangul") << u"Ａ한"_s << 1 << u"한"_s << u"U+D55C"_s;
    QTest::newRow("combining voicing mark") << u"ワ\u3099"_s << 1 << u"\u3099"_s << u"U+3099"_s;
}

void TestCodec::unencodable() {
    QFETCH(QString, text);
    QFETCH(int, index);
    QFETCH(QString, badChar);
    QFETCH(QString, codePoint);

    const cp932::EncodeResult r = cp932::encode(text);
    QVERIFY(!r.ok());
    QCOMPARE(*r.badIndex, qsizetype(index));
    QCOMPARE(r.badChar, badChar);

    const std::optional<QString> first = cp932::firstUnencodable(text);
    QVERIFY(first);
    QCOMPARE(*first, badChar);

    const QString described = cp932::describeChar(badChar);
    QVERIFY2(described.contains(badChar) && described.contains(codePoint), qPrintable(described));

    // The converter is shared: a failure must not leave state behind for the next call.
    QCOMPARE(cp932::encode(u"Ａ"_s).bytes, hex("82 60"));
}

void TestCodec::undecodable_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("text");

    QTest::newRow("lone lead byte at the end") << hex("41 82") << 1 << u"A\uFFFD"_s;
    QTest::newRow("FF") << hex("41 42 FF 43") << 2 << u"AB\uFFFDC"_s;
    QTest::newRow("lead byte before a space") << hex("82 20 41") << 0 << QString();
    QTest::newRow("after a double-byte character") << hex("81 40 82") << 2 << u"　\uFFFD"_s;
    QTest::newRow("first of two") << hex("FF 41 FF") << 0 << u"\uFFFDA\uFFFD"_s;
}

void TestCodec::undecodable() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, offset);
    QFETCH(QString, text);

    const cp932::DecodeResult r = cp932::decode(bytes);
    QVERIFY(!r.ok());
    QCOMPARE(*r.badOffset, qsizetype(offset));
    QVERIFY(!r.badBytes.isEmpty());
    QCOMPARE(quint8(r.badBytes[0]), quint8(bytes[offset]));
    QVERIFY(r.text.contains(QChar(0xFFFD)));
    if (!text.isNull()) QCOMPARE(r.text, text);

    // Nothing of the failed call leaks into the next one.
    const cp932::DecodeResult next = cp932::decode(hex("82 60"));
    QVERIFY(next.ok());
    QCOMPARE(next.text, u"Ａ"_s);
}

void TestCodec::encodeField_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("padded") << u"A"_s << 3 << hex("41 20 20");
    QTest::newRow("empty") << QString() << 2 << hex("20 20");
    QTest::newRow("exact") << u"ＡＢＣ"_s << 6 << hex("82 60 82 61 82 62");
    QTest::newRow("half a character becomes a space") << u"ＡＢＣ"_s << 5 << hex("82 60 82 61 20");
    QTest::newRow("eight digits and a kanji")
        << u"12345678自"_s << 10 << hex("31 32 33 34 35 36 37 38 8E A9");
    QTest::newRow("kanji straddling the end")
        << u"123456789自"_s << 10 << hex("31 32 33 34 35 36 37 38 39 20");
    QTest::newRow("half-width kana are single bytes") << u"ｱｲｳ"_s << 2 << hex("B1 B2");
    QTest::newRow("width 1 with a kanji") << u"自"_s << 1 << hex("20");
    QTest::newRow("normalised first") << u"\u301C"_s << 2 << hex("81 60");
}

void TestCodec::encodeField() {
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QByteArray, bytes);
    QCOMPARE(cp932::encodeField(text, width).toHex(' '), bytes.toHex(' '));
}

// Every cut of a mixed text is exactly the width and decodes cleanly to a prefix of it.
void TestCodec::encodeFieldNeverSplits() {
    const QString text = u"aｱ自Ｂ1ガ 土ｶ〜x"_s;
    for (int width = 0; width <= 22; ++width) {
        const QByteArray field = cp932::encodeField(text, width);
        QCOMPARE(field.size(), qsizetype(width));
        const cp932::DecodeResult d = cp932::decode(field);
        QVERIFY2(d.ok(), qPrintable(QString::number(width)));
        QString kept = d.text;
        while (kept.endsWith(u' ') && !cp932::normalise(text).startsWith(kept))
            kept.chop(1);
        QVERIFY2(cp932::normalise(text).startsWith(kept), qPrintable(QString::number(width) + u' ' + d.text));
    }
}

TAMA_TEST_MAIN(TestCodec)
#include "tst_codec.moc"
