#include "common/text.h"
#include "common/grouping.h"

#include <array>

namespace tama {

bool isSpace(QChar c) {
    return c == u' ' || c == QChar(0x3000);
}

QString trimLeft(const QString &s) {
    qsizetype i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    return s.mid(i);
}

QString trimRight(const QString &s) {
    qsizetype n = s.size();
    while (n > 0 && isSpace(s[n - 1]))
        --n;
    return s.left(n);
}

QString trim(const QString &s) {
    return trimLeft(trimRight(s));
}

namespace {

// Half-width katakana U+FF61…U+FF9F to their full-width forms.
constexpr std::array<char16_t, 63> kKana = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5,
    0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC,
    0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4,
    0x30E6, 0x30E8, 0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};

constexpr char16_t kVoiced = 0xFF9E;
constexpr char16_t kSemiVoiced = 0xFF9F;

bool takesVoicing(char16_t half) // ｶ…ﾄ and ﾊ…ﾎ: the composed form is the next code point
{
    return (half >= 0xFF76 && half <= 0xFF84) || (half >= 0xFF8A && half <= 0xFF8E);
}

} // namespace

QString toFullWidth(const QString &s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c == u' ') {
            out += QChar(0x3000);
        } else if (c >= 0x21 && c <= 0x7E) {
            out += QChar(char16_t(c - 0x21 + 0xFF01));
        } else if (c == 0xA5) { // ¥
            out += QChar(0xFFE5);
        } else if (c == 0x203E) { // ‾
            out += QChar(0xFFE3);
        } else if (c >= 0xFF61 && c <= 0xFF9F) {
            const char16_t full = kKana[c - 0xFF61];
            const char16_t next = i + 1 < s.size() ? s[i + 1].unicode() : 0;
            if (next == kVoiced && takesVoicing(c)) {
                out += QChar(char16_t(full + 1));
                ++i;
            } else if (next == kVoiced && c == 0xFF73) { // ｳﾞ → ヴ
                out += QChar(0x30F4);
                ++i;
            } else if (next == kSemiVoiced && c >= 0xFF8A && c <= 0xFF8E) {
                out += QChar(char16_t(full + 2));
                ++i;
            } else {
                out += QChar(full);
            }
        } else {
            out += QChar(c);
        }
    }
    return out;
}

QString fitText(const QString &s, int n) {
    if (s.size() >= n) return s.left(n);
    return s + QString(n - s.size(), u' ');
}

qint64 textToNumber(const QString &s) {
    qint64 value = 0;
    bool negative = false;
    bool signSeen = false;
    bool digitSeen = false;
    for (QChar ch : s) {
        const char16_t c = ch.unicode();
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') continue;
        if (!digitSeen && !signSeen && (c == u'-' || c == u'+')) {
            signSeen = true;
            negative = c == u'-';
            continue;
        }
        if (c < u'0' || c > u'9') break;
        digitSeen = true;
        if (value < (Q_INT64_C(1) << 58)) // stays far from overflow; such numbers never occur
            value = value * 10 + (c - u'0');
    }
    return negative ? -value : value;
}

QString numberToText(qint64 n) {
    return n < 0 ? QString::number(n) : u' ' + QString::number(n);
}

QString formatAmount(qint64 n) {
    return n == 0 ? QString() : groupedDigits(n);
}

} // namespace tama
