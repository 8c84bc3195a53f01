#include "common/codec.h"
#include "common/grouping.h"
#include "common/text.h"
#include "support/testsupport.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <limits>
#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

QString fromIcu(const icu::UnicodeString &s) {
    return QString(reinterpret_cast<const QChar *>(s.getBuffer()), s.length());
}

icu::UnicodeString toIcu(const QString &s) {
    return icu::UnicodeString(reinterpret_cast<const UChar *>(s.utf16()), int32_t(s.size()));
}

// Code points of a text, for readable failure messages.
QString codes(const QString &s) {
    QStringList out;
    for (QChar c : s)
        out << QString::number(c.unicode(), 16).toUpper();
    return out.join(u' ');
}

} // namespace

class TestText : public QObject {
    Q_OBJECT

  private slots:
    void trimming_data();
    void trimming();

    void fullWidth_data();
    void fullWidth();
    void fullWidthAlwaysEncodable();
    void fullWidthAgreesWithIcu();

    void fitText_data();
    void fitText();

    void textToNumber_data();
    void textToNumber();
    void numberToText_data();
    void numberToText();
    void formatAmount_data();
    void formatAmount();
    void groupedDigits_data();
    void groupedDigits();
};

void TestText::trimming_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("both");

    QTest::newRow("empty") << QString() << QString() << QString() << QString();
    QTest::newRow("half-width spaces") << u"  ab c  "_s << u"ab c  "_s << u"  ab c"_s << u"ab c"_s;
    QTest::newRow("full-width spaces") << u"　ab　"_s << u"ab　"_s << u"　ab"_s << u"ab"_s;
    QTest::newRow("mixed run") << u" 　 店　名 　"_s << u"店　名 　"_s << u" 　 店　名"_s << u"店　名"_s;
    QTest::newRow("only spaces") << u"　 　"_s << QString() << QString() << QString();
    // Only the two spaces count: tabs and no-break spaces are kept.
    QTest::newRow("tab kept") << u"\tab\t"_s << u"\tab\t"_s << u"\tab\t"_s << u"\tab\t"_s;
    QTest::newRow("no-break space kept")
        << u"\u00A0a\u00A0"_s << u"\u00A0a\u00A0"_s << u"\u00A0a\u00A0"_s << u"\u00A0a\u00A0"_s;
}

void TestText::trimming() {
    QFETCH(QString, text);
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(QString, both);
    QCOMPARE(trimLeft(text), left);
    QCOMPARE(trimRight(text), right);
    QCOMPARE(trim(text), both);
}

void TestText::fullWidth_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("letters and digits") << u"CR123abz"_s << u"ＣＲ１２３ａｂｚ"_s;
    QTest::newRow("space") << u"A B "_s << u"Ａ　Ｂ　"_s;
    QTest::newRow("symbols") << u"!~\\/#"_s << u"！～＼／＃"_s;
    QTest::newRow("yen sign") << u"¥"_s << u"￥"_s;
    QTest::newRow("plain kana") << u"ｹﾞｰﾑｾﾝﾀｰ ｱｲｳｦﾝ"_s << u"ゲームセンター　アイウヲン"_s;
    QTest::newRow("small kana") << u"ｧｯｬ"_s << u"ァッャ"_s;
    QTest::newRow("kana punctuation") << u"｡｢｣､･"_s << u"。「」、・"_s;
    QTest::newRow("voiced ka") << u"ｶﾞ"_s << u"ガ"_s;
    QTest::newRow("voiced tsu") << u"ﾂﾞ"_s << u"ヅ"_s;
    QTest::newRow("voiced to") << u"ﾄﾞ"_s << u"ド"_s;
    QTest::newRow("voiced ha") << u"ﾊﾞ"_s << u"バ"_s;
    QTest::newRow("semi-voiced ha") << u"ﾊﾟ"_s << u"パ"_s;
    QTest::newRow("semi-voiced ho") << u"ﾎﾟ"_s << u"ポ"_s;
    QTest::newRow("voiced u") << u"ｳﾞ"_s << u"ヴ"_s;
    QTest::newRow("voiced wa has no composed form") << u"ﾜﾞ"_s << u"ワ゛"_s;
    QTest::newRow("voiced a has no composed form") << u"ｱﾞ"_s << u"ア゛"_s;
    QTest::newRow("semi-voiced ka has no composed form") << u"ｶﾟ"_s << u"カ゜"_s;
    QTest::newRow("lone voicing mark") << u"ﾞ"_s << u"゛"_s;
    QTest::newRow("lone semi-voicing mark") << u"ﾟA"_s << u"゜Ａ"_s;
    QTest::newRow("second mark stays a mark") << u"ｶﾞﾞ"_s << u"ガ゛"_s;
    QTest::newRow("mark after a letter") << u"Aﾞ"_s << u"Ａ゛"_s;
    QTest::newRow("double-byte unchanged") << u"自ガＡ　ｶ"_s << u"自ガＡ　カ"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestText::fullWidth() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString got = toFullWidth(text);
    QVERIFY2(got == expected, qPrintable(codes(got) + u" != "_s + codes(expected)));
}

// Every single-byte character, alone and followed by each voicing mark, must come out
// as double-byte characters that the code page can store.
void TestText::fullWidthAlwaysEncodable() {
    QList<char16_t> singles;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        singles << c;
    for (char16_t c = 0xFF61; c <= 0xFF9F; ++c)
        singles << c;
    for (char16_t c : singles) {
        for (const QString &text :
             {QString(QChar(c)), QString(QChar(c)) + QChar(0xFF9E), QString(QChar(c)) + QChar(0xFF9F)}) {
            const QString full = toFullWidth(text);
            const cp932::EncodeResult r = cp932::encode(full);
            QVERIFY2(r.ok(), qPrintable(u"not encodable: "_s + codes(text) + u" → "_s + codes(full)));
            QVERIFY2(r.bytes.size() == 2 * full.size(),
                     qPrintable(u"not all double-byte: "_s + codes(text) + u" → "_s + codes(full)));
        }
    }
}

// ICU's transliterator is an independent table; where code page 932 has the character it
// gives the same as ours (it differs only for marks it cannot compose: ﾜﾞ, a lone ﾞ).
void TestText::fullWidthAgreesWithIcu() {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> t(
        icu::Transliterator::createInstance("Halfwidth-Fullwidth", UTRANS_FORWARD, status));
    if (U_FAILURE(status) || !t) QSKIP("ICU has no Halfwidth-Fullwidth transliterator");

    QStringList texts;
    for (char16_t c = 0x21; c <= 0x7E; ++c)
        texts << QString(QChar(c));
    for (char16_t c = 0xFF61; c <= 0xFF9D; ++c) // every kana and kana punctuation, not the marks
        texts << QString(QChar(c));
    for (char16_t c = 0xFF76; c <= 0xFF84; ++c) // ｶ…ﾄ + ﾞ
        texts << QString(QChar(c)) + QChar(0xFF9E);
    for (char16_t c = 0xFF8A; c <= 0xFF8E; ++c) // ﾊ…ﾎ + ﾞ and ﾟ
        texts << QString(QChar(c)) + QChar(0xFF9E) << QString(QChar(c)) + QChar(0xFF9F);
    texts << u"ｳﾞ"_s << u"ﾊﾟﾁﾝｺ ｽﾛｯﾄ"_s;

    for (const QString &text : texts) {
        icu::UnicodeString u = toIcu(text);
        t->transliterate(u);
        const QString icu = fromIcu(u);
        const QString ours = toFullWidth(text);
        QVERIFY2(ours == icu,
                 qPrintable(codes(text) + u": ours "_s + codes(ours) + u", ICU "_s + codes(icu)));
    }
}

void TestText::fitText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");

    QTest::newRow("padded") << u"ab"_s << 4 << u"ab  "_s;
    QTest::newRow("cut") << u"abcdef"_s << 3 << u"abc"_s;
    QTest::newRow("exact") << u"abc"_s << 3 << u"abc"_s;
    QTest::newRow("empty") << QString() << 2 << u"  "_s;
    QTest::newRow("double-byte counts one") << u"自動起動"_s << 3 << u"自動起"_s;
}

void TestText::fitText() {
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(tama::fitText(text, width), expected);
}

void TestText::textToNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("leading space") << u" 930"_s << qint64(930);
    QTest::newRow("empty") << QString() << qint64(0);
    QTest::newRow("stops at a letter") << u"12ab"_s << qint64(12);
    QTest::newRow("stops at a point") << u"3.7"_s << qint64(3);
    QTest::newRow("no number") << u"abc"_s << qint64(0);
    QTest::newRow("leading zeros") << u"0045"_s << qint64(45);
    QTest::newRow("negative") << u"-45"_s << qint64(-45);
    QTest::newRow("sign alone") << u"-"_s << qint64(0);
    QTest::newRow("spaces inside are skipped") << u" 1 405"_s << qint64(1405);
    QTest::newRow("full-width digits are no number") << u"１２"_s << qint64(0);
}

void TestText::textToNumber() {
    QFETCH(QString, text);
    QFETCH(qint64, expected);
    QCOMPARE(tama::textToNumber(text), expected);
}

void TestText::numberToText_data() {
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("expected");

    QTest::newRow("positive") << qint64(3) << u" 3"_s;
    QTest::newRow("negative") << qint64(-3) << u"-3"_s;
    QTest::newRow("zero") << qint64(0) << u" 0"_s;
    QTest::newRow("four digits") << qint64(1405) << u" 1405"_s;
}

void TestText::numberToText() {
    QFETCH(qint64, number);
    QFETCH(QString, expected);
    QCOMPARE(tama::numberToText(number), expected);
}

void TestText::formatAmount_data() {
    QTest::addColumn<qint64>("amount");
    QTest::addColumn<QString>("expected");

    QTest::newRow("millions") << qint64(1234500) << u"1,234,500"_s;
    QTest::newRow("loss") << qint64(-13500) << u"-13,500"_s;
    QTest::newRow("zero is empty") << qint64(0) << QString();
    QTest::newRow("three digits") << qint64(999) << u"999"_s;
    QTest::newRow("four digits") << qint64(1000) << u"1,000"_s;
    QTest::newRow("six digits") << qint64(999900) << u"999,900"_s;
    QTest::newRow("small loss") << qint64(-100) << u"-100"_s;
    QTest::newRow("loss of a million") << qint64(-1000000) << u"-1,000,000"_s;
}

void TestText::formatAmount() {
    QFETCH(qint64, amount);
    QFETCH(QString, expected);
    QCOMPARE(tama::formatAmount(amount), expected);
}

// Zero and a minus sign before a full group are where a hand-made grouping goes wrong.
void TestText::groupedDigits_data() {
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << qint64(0) << u"0"_s;
    QTest::newRow("three digits") << qint64(999) << u"999"_s;
    QTest::newRow("four digits") << qint64(1000) << u"1,000"_s;
    QTest::newRow("six digits") << qint64(123456) << u"123,456"_s;
    QTest::newRow("seven digits") << qint64(1234567) << u"1,234,567"_s;
    QTest::newRow("minus three") << qint64(-100) << u"-100"_s;
    QTest::newRow("minus six") << qint64(-123456) << u"-123,456"_s;
    QTest::newRow("minus seven") << qint64(-1234567) << u"-1,234,567"_s;
    QTest::newRow("lowest") << std::numeric_limits<qint64>::min() << u"-9,223,372,036,854,775,808"_s;
}

void TestText::groupedDigits() {
    QFETCH(qint64, number);
    QFETCH(QString, expected);
    QCOMPARE(tama::groupedDigits(number), expected);
}

TAMA_TEST_MAIN(TestText)
#include "tst_text.moc"
