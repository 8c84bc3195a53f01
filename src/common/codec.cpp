#include "codec.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;
#include <stdexcept>

namespace tama::cp932 {

namespace {

struct ConverterDeleter {
    void operator()(UConverter *c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterDeleter>;

UConverter *converter()
{
    thread_local ConverterPtr cnv = [] {
        UErrorCode err = U_ZERO_ERROR;
        ConverterPtr c(ucnv_open("windows-31j", &err));
        if (U_FAILURE(err) || !c)
            throw std::runtime_error("ICU has no windows-31j converter");
        ucnv_setFallback(c.get(), false);
        ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        return c;
    }();
    ucnv_reset(cnv.get());
    return cnv.get();
}

char16_t normaliseChar(char16_t c)
{
    switch (c) {
    case 0x301C: return 0xFF5E; // 〜 → ～
    case 0x2212: return 0xFF0D; // − → －
    case 0x2016: return 0x2225; // ‖ → ∥
    case 0x2014: return 0x2015; // — → ―
    case 0x00A2: return 0xFFE0; // ¢ → ￠
    case 0x00A3: return 0xFFE1; // £ → ￡
    case 0x00AC: return 0xFFE2; // ¬ → ￢
    default: return c;
    }
}

} // namespace

QString normalise(const QString &s)
{
    QString out = s;
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = QChar(normaliseChar(out[i].unicode()));
    return out;
}

EncodeResult encode(const QString &input)
{
    EncodeResult r;
    const QString s = normalise(input);
    UConverter *cnv = converter();
    const UChar *src = reinterpret_cast<const UChar *>(s.utf16());
    const UChar *srcEnd = src + s.size();
    const UChar *const srcStart = src;
    r.bytes.resize(s.size() * 2 + 8);
    char *dst = r.bytes.data();
    char *const dstStart = dst;
    UErrorCode err = U_ZERO_ERROR;
    ucnv_fromUnicode(cnv, &dst, dstStart + r.bytes.size(), &src, srcEnd, nullptr, true, &err);
    r.bytes.resize(dst - dstStart);
    if (U_FAILURE(err)) {
        UChar bad[8];
        int8_t len = sizeof bad / sizeof bad[0];
        UErrorCode e2 = U_ZERO_ERROR;
        ucnv_getInvalidUChars(cnv, bad, &len, &e2);
        if (U_FAILURE(e2) || len <= 0)
            len = 1;
        qsizetype index = (src - srcStart) - len;
        if (index < 0)
            index = 0;
        r.badIndex = index;
        r.badChar = s.mid(index, len);
    }
    return r;
}

DecodeResult decode(const QByteArray &bytes)
{
    DecodeResult r;
    r.text.reserve(bytes.size());
    UConverter *cnv = converter();
    const char *src = bytes.constData();
    const char *const srcStart = src;
    const char *const srcEnd = src + bytes.size();
    QString buffer(bytes.size() + 4, Qt::Uninitialized);
    while (true) {
        UChar *dst = reinterpret_cast<UChar *>(buffer.data());
        UChar *const dstStart = dst;
        UErrorCode err = U_ZERO_ERROR;
        ucnv_toUnicode(cnv, &dst, dstStart + buffer.size(), &src, srcEnd, nullptr, true, &err);
        r.text.append(QStringView(dstStart, dst - dstStart));
        if (!U_FAILURE(err))
            break;
        char bad[8];
        int8_t len = sizeof bad;
        UErrorCode e2 = U_ZERO_ERROR;
        ucnv_getInvalidChars(cnv, bad, &len, &e2);
        if (U_FAILURE(e2) || len <= 0)
            len = 1;
        if (!r.badOffset) {
            r.badOffset = (src - srcStart) - len;
            r.badBytes = QByteArray(bad, len);
        }
        r.text.append(QChar(0xFFFD));
        ucnv_reset(cnv);
        if (src >= srcEnd)
            break;
    }
    return r;
}

std::optional<QString> firstUnencodable(const QString &s)
{
    EncodeResult r = encode(s);
    if (r.ok())
        return std::nullopt;
    return r.badChar;
}

QByteArray encodeField(const QString &s, int n)
{
    QByteArray bytes = encode(s).bytes;
    if (bytes.size() > n) {
        // Walk characters so that a double-byte character is never split at the end.
        qsizetype i = 0;
        while (i < n) {
            const int width = isLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
            if (i + width > n)
                break;
            i += width;
        }
        bytes.truncate(i);
    }
    if (bytes.size() < n)
        bytes.append(QByteArray(n - bytes.size(), ' '));
    return bytes;
}

QString describeChar(const QString &ch)
{
    if (ch.isEmpty())
        return {};
    const char32_t cp = ch.size() > 1 && ch[0].isHighSurrogate() ? QChar::surrogateToUcs4(ch[0], ch[1])
                                                                   : ch[0].unicode();
    const QString code = QStringLiteral("U+%1").arg(uint(cp), 4, 16, QChar(u'0')).toUpper();
    if (cp < 0x20 || cp == 0x7F)
        return code;
    return u"「"_s + ch + u"」("_s + code + u')';
}

} // namespace tama::cp932
