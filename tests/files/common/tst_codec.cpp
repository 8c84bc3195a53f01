#include "common/codec.h"
#include "support/testsupport.h"

#include <QRandomGenerator>

#include <unicode/ucnv.h>

#include <vector>

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
    void findUndecodableAgreesWithDecoding();
    void badByteAroundTheEightByteSteps();
    void decodeMatchesTheConverter();
};

namespace {

// What ICU's own converter makes of the bytes, used as the reference: decoded up to
// each undecodable sequence, which becomes U+FFFD, then on after it. ICU's table is
// IBM's, which swaps three control codes; code page 932 maps them as they are.
struct Reference {
    QString text;
    qsizetype firstBad = -1;
    qsizetype firstBadLength = 0;
};

Reference referenceDecode(const QByteArray &bytes) {
    UErrorCode e = U_ZERO_ERROR;
    UConverter *cnv = ucnv_open("windows-31j", &e);
    Q_ASSERT(U_SUCCESS(e));
    ucnv_setFallback(cnv, false);
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &e);
    Reference r;
    const char *const begin = bytes.constData();
    const char *src = begin;
    const char *const end = begin + bytes.size();
    std::vector<UChar> buf(size_t(bytes.size()) + 4);
    while (true) {
        UChar *dst = buf.data();
        UErrorCode err = U_ZERO_ERROR;
        ucnv_toUnicode(cnv, &dst, buf.data() + buf.size(), &src, end, nullptr, true, &err);
        r.text += QStringView(buf.data(), dst - buf.data());
        if (U_SUCCESS(err)) break;
        char invalid[8];
        int8_t len = sizeof invalid;
        UErrorCode e2 = U_ZERO_ERROR;
        ucnv_getInvalidChars(cnv, invalid, &len, &e2);
        if (r.firstBad < 0) {
            r.firstBad = (src - begin) - len;
            r.firstBadLength = len;
        }
        r.text += QChar(0xFFFD);
        ucnv_reset(cnv);
        if (src >= end) break;
    }
    ucnv_close(cnv);
    for (QChar &c : r.text) {
        switch (c.unicode()) {
        case 0x1C:
            c = QChar(0x1A);
            break; // byte 0x1A
        case 0x7F:
            c = QChar(0x1C);
            break; // byte 0x1C
        case 0x1A:
            c = QChar(0x7F);
            break; // byte 0x7F
        default:
            break;
        }
    }
    return r;
}

// Random bytes drawn from the classes the decoder treats differently.
QByteArray randomBytes(QRandomGenerator &rng, int length, int asciiWeight) {
    static const unsigned char odd[] = {0x80, 0xA0, 0xFD, 0xFE, 0xFF, 0x7F, 0x00, 0x5C};
    QByteArray b;
    for (int i = 0; i < length; ++i) {
        const int k = rng.bounded(asciiWeight + 5);
        unsigned char c;
        if (k < asciiWeight)
            c = uchar(rng.bounded(0x20, 0x80));
        else if (k == asciiWeight)
            c = uchar(rng.bounded(2) ? rng.bounded(0x81, 0xA0) : rng.bounded(0xE0, 0xFD)); // lead
        else if (k == asciiWeight + 1)
            c = uchar(rng.bounded(0x40, 0xFD)); // trail range
        else if (k == asciiWeight + 2)
            c = uchar(rng.bounded(0xA1, 0xE0)); // half-width kana
        else if (k == asciiWeight + 3)
            c = odd[rng.bounded(int(sizeof odd))];
        else
            c = uchar(rng.bounded(0x100));
        b.append(char(c));
    }
    return b;
}

// Decodes with decodeInto into a buffer with a guard area after it, checks the guard
// and returns the text, the bad offset and its length.
QString decodeGuarded(const char *bytes, qsizetype size, qsizetype *bad, qsizetype *badLength) {
    constexpr char16_t kGuard = 0xABCD;
    std::vector<char16_t> out(size_t(size) + 16, kGuard);
    *bad = -1;
    *badLength = 0;
    const qsizetype n = cp932::decodeInto(bytes, size, out.data(), bad, badLength);
    if (n < 0 || n > size) return u"<count out of range>"_s;
    for (size_t i = size_t(n); i < out.size(); ++i)
        if (out[i] != kGuard) return u"<written beyond the count>"_s;
    return QString(reinterpret_cast<const QChar *>(out.data()), n);
}

QByteArray describe(const QByteArray &bytes, qsizetype size) {
    return bytes.left(size).toHex(' ') + " (size " + QByteArray::number(size) + ')';
}

} // namespace

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

// findUndecodable, decodeInto and ICU agree on where the first undecodable sequence
// starts, for whole strings and for pieces of them whose following bytes must not count.
void TestCodec::findUndecodableAgreesWithDecoding() {
    QRandomGenerator rng(932);
    for (int round = 0; round < 20000; ++round) {
        const int length = rng.bounded(0, 48);
        const QByteArray bytes = randomBytes(rng, length, round % 2 ? 40 : 3);
        // A piece of the bytes: whatever follows it in memory must be ignored.
        const int from = length ? rng.bounded(0, length) : 0;
        const int size = length ? rng.bounded(0, length - from + 1) : 0;
        const QByteArray piece = bytes.mid(from, size);
        const Reference ref = referenceDecode(piece);

        const qsizetype found = cp932::findUndecodable(bytes.constData() + from, size);
        qsizetype bad, badLength;
        const QString text = decodeGuarded(bytes.constData() + from, size, &bad, &badLength);
        const QByteArray where = describe(piece, size);
        QVERIFY2(found == ref.firstBad, where.constData());
        QVERIFY2(bad == ref.firstBad, where.constData());
        if (bad >= 0) QVERIFY2(badLength == ref.firstBadLength, where.constData());
        QVERIFY2(text == ref.text, where.constData());
    }
}

// Mostly ASCII with one odd byte at every position around the 8-byte steps of the
// quick path, and a lead byte cut off at the end of the piece.
void TestCodec::badByteAroundTheEightByteSteps() {
    static const char odd[][2] = {{'\x80', 0}, {'\xA0', 0},   {'\xFD', 0},      {'\xFE', 0},
                                  {'\xFF', 0}, {'\x82', ' '}, {'\x82', '\x7F'}, {'\xEB', '\x40'}};
    for (int length = 1; length <= 34; ++length) {
        for (int at = 0; at < length; ++at) {
            for (const auto &o : odd) {
                QByteArray bytes(length, 'a');
                for (int i = 0; i < length; ++i)
                    bytes[i] = char('A' + i % 26);
                bytes[at] = o[0];
                if (o[1] && at + 1 < length) bytes[at + 1] = o[1];
                const Reference ref = referenceDecode(bytes);
                const QByteArray where = describe(bytes, length);
                QVERIFY2(ref.firstBad == at, where.constData()); // each odd start is undecodable
                QCOMPARE(cp932::findUndecodable(bytes.constData(), length), qsizetype(at));
                qsizetype bad, badLength;
                const QString text = decodeGuarded(bytes.constData(), length, &bad, &badLength);
                QCOMPARE(bad, qsizetype(at));
                QVERIFY2(text == ref.text, where.constData());
                // Everything before the odd byte is plain ASCII and comes out as it is.
                QCOMPARE(text.left(at), QString::fromLatin1(bytes.left(at)));
            }
        }
        // A lead byte at the end of the piece, completed only by a byte beyond it.
        QByteArray bytes(length, 'x');
        bytes[length - 1] = '\x82';
        bytes.append('\x60');
        QCOMPARE(cp932::findUndecodable(bytes.constData(), length), qsizetype(length - 1));
        qsizetype bad, badLength;
        const QString text = decodeGuarded(bytes.constData(), length, &bad, &badLength);
        QCOMPARE(bad, qsizetype(length - 1));
        QCOMPARE(badLength, qsizetype(1));
        QCOMPARE(text, QString(length - 1, u'x') + QChar(0xFFFD));
        // With the byte inside the piece it is one character.
        QCOMPARE(cp932::findUndecodable(bytes.constData(), length + 1), qsizetype(-1));
        QCOMPARE(decodeGuarded(bytes.constData(), length + 1, &bad, &badLength),
                 QString(length - 1, u'x') + u"Ａ"_s);
    }
}

// Sound text of every kind, long and short, decodes exactly as the converter decodes
// it, whatever the alignment of its ASCII runs.
void TestCodec::decodeMatchesTheConverter() {
    // Every assigned double-byte character, and every single byte that decodes.
    QList<QByteArray> chars;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!cp932::isLeadByte(uchar(lead))) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const char two[2] = {char(lead), char(trail)};
            if (referenceDecode(QByteArray(two, 2)).firstBad < 0) chars.append(QByteArray(two, 2));
        }
    }
    QVERIFY(chars.size() > 7000);
    for (int b = 0; b < 0x100; ++b) {
        const char one = char(b);
        if (!cp932::isLeadByte(uchar(b)) && referenceDecode(QByteArray(&one, 1)).firstBad < 0)
            chars.append(QByteArray(&one, 1));
    }
    QByteArray all;
    for (const QByteArray &c : chars)
        all += c;
    const cp932::DecodeResult whole = cp932::decode(all);
    QVERIFY(whole.ok());
    QCOMPARE(whole.text, referenceDecode(all).text);

    // Sound pieces with ASCII runs of every length in between.
    QRandomGenerator rng(31);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        const int parts = rng.bounded(1, 8);
        for (int p = 0; p < parts; ++p) {
            const int run = rng.bounded(0, 20);
            for (int i = 0; i < run; ++i)
                bytes.append(char(rng.bounded(0, 0x80)));
            const int n = rng.bounded(0, 4);
            for (int i = 0; i < n; ++i)
                bytes.append(chars[rng.bounded(int(chars.size()))]);
        }
        const Reference ref = referenceDecode(bytes);
        QVERIFY2(ref.firstBad < 0, describe(bytes, bytes.size()).constData());
        QCOMPARE(cp932::findUndecodable(bytes.constData(), bytes.size()), qsizetype(-1));
        qsizetype bad, badLength;
        QCOMPARE(decodeGuarded(bytes.constData(), bytes.size(), &bad, &badLength), ref.text);
        QCOMPARE(bad, qsizetype(-1));
    }
}

TAMA_TEST_MAIN(TestCodec)
#include "tst_codec.moc"
