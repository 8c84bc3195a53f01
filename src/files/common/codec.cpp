#include "common/codec.h"

#include <cstring>

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

UConverter *converter() {
    thread_local ConverterPtr cnv = [] {
        UErrorCode err = U_ZERO_ERROR;
        ConverterPtr c(ucnv_open("windows-31j", &err));
        if (U_FAILURE(err) || !c) throw std::runtime_error("ICU has no windows-31j converter");
        ucnv_setFallback(c.get(), false);
        ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        return c;
    }();
    ucnv_reset(cnv.get());
    return cnv.get();
}

char16_t normaliseChar(char16_t c) {
    switch (c) {
    case 0x301C:
        return 0xFF5E; // 〜 → ～
    case 0x2212:
        return 0xFF0D; // − → －
    case 0x2016:
        return 0x2225; // ‖ → ∥
    case 0x2014:
        return 0x2015; // — → ―
    case 0x00A2:
        return 0xFFE0; // ¢ → ￠
    case 0x00A3:
        return 0xFFE1; // £ → ￡
    case 0x00AC:
        return 0xFFE2; // ¬ → ￢
    default:
        return c;
    }
}

// ICU's windows-31j table is IBM's, which swaps three control codes (0x1A, 0x1C and
// 0x7F) against Unicode; Windows' code page 932 maps them as they are. Encoding hands
// ICU the code points it turns into the right bytes; the decode tables are put right.
QString forIcuEncoding(const QString &s) {
    QString out = s;
    for (qsizetype i = 0; i < out.size(); ++i) {
        switch (out[i].unicode()) {
        case 0x1A:
            out[i] = QChar(0x1C);
            break; // ICU writes U+001C as 0x1A
        case 0x1C:
            out[i] = QChar(0x7F);
            break; // ... U+007F as 0x1C
        case 0x7F:
            out[i] = QChar(0x1A);
            break; // ... U+001A as 0x7F
        default:
            break;
        }
    }
    return out;
}

} // namespace

QString normalise(const QString &s) {
    QString out = s;
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = QChar(normaliseChar(out[i].unicode()));
    return out;
}

EncodeResult encode(const QString &input) {
    EncodeResult r;
    const QString s = normalise(input);
    const QString icuInput = forIcuEncoding(s);
    UConverter *cnv = converter();
    const UChar *src = reinterpret_cast<const UChar *>(icuInput.utf16());
    const UChar *srcEnd = src + icuInput.size();
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
        if (U_FAILURE(e2) || len <= 0) len = 1;
        qsizetype index = (src - srcStart) - len;
        if (index < 0) index = 0;
        r.badIndex = index;
        r.badChar = s.mid(index, len);
    }
    return r;
}

namespace {

// Decoding goes through tables filled once from ICU's own converter: the same
// answers, without a converter call per field of every record read.
constexpr char16_t kNone = 0xFFFF;

struct DecodeTables {
    char16_t single[256];
    bool lead[256];
    char16_t pair[256][256];
    bool asciiDecodable; // every byte below 0x80 is a character of its own (checked, not assumed)
};

// Bytes below 0x80 from p onwards, up to end, eight at a time.
inline const unsigned char *skipAscii(const unsigned char *p, const unsigned char *end) {
    while (end - p >= 8) {
        quint64 w;
        std::memcpy(&w, p, 8);
        if (w & 0x8080808080808080ull) break;
        p += 8;
    }
    while (p < end && *p < 0x80)
        ++p;
    return p;
}

const DecodeTables &decodeTables() {
    static const DecodeTables *tables = [] {
        auto *t = new DecodeTables;
        UConverter *cnv = converter();
        auto decodeOne = [cnv](const char *bytes, int n, char16_t *out) {
            ucnv_reset(cnv);
            UChar buf[4];
            UChar *dst = buf;
            const char *src = bytes;
            UErrorCode err = U_ZERO_ERROR;
            ucnv_toUnicode(cnv, &dst, buf + 4, &src, bytes + n, nullptr, true, &err);
            if (U_FAILURE(err) || dst - buf != 1 || src != bytes + n) return false;
            *out = buf[0];
            return true;
        };
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            t->lead[b] = false;
            if (!decodeOne(&c, 1, &t->single[b])) t->single[b] = kNone;
            for (int u = 0; u < 256; ++u)
                t->pair[b][u] = kNone;
        }
        for (int b = 0; b < 256; ++b) {
            if (!isLeadByte(static_cast<unsigned char>(b))) continue;
            t->lead[b] = true;
            for (int u = 0x40; u <= 0xFC; ++u) {
                const char two[2] = {char(b), char(u)};
                char16_t ch;
                if (decodeOne(two, 2, &ch)) t->pair[b][u] = ch;
            }
        }
        for (char16_t c : {0x1A, 0x1C, 0x7F}) // see forIcuEncoding
            t->single[c] = c;
        t->asciiDecodable = true;
        for (int b = 0; b < 0x80; ++b)
            t->asciiDecodable = t->asciiDecodable && t->single[b] != kNone && !t->lead[b];
        ucnv_reset(cnv);
        return t;
    }();
    return *tables;
}

bool isTrailByte(unsigned char b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

} // namespace

qsizetype findUndecodable(const char *bytes, qsizetype size) {
    const DecodeTables &t = decodeTables();
    const auto *p = reinterpret_cast<const unsigned char *>(bytes);
    qsizetype i = 0;
    while (i < size) {
        if (t.asciiDecodable) {
            i = skipAscii(p + i, p + size) - p;
            if (i >= size) break;
        }
        const unsigned char b = p[i];
        if (!t.lead[b]) {
            if (t.single[b] == kNone) return i;
            ++i;
        } else if (i + 1 < size && t.pair[b][p[i + 1]] != kNone) {
            i += 2;
        } else {
            return i;
        }
    }
    return -1;
}

qsizetype decodeInto(const char *bytes, qsizetype size, char16_t *out, qsizetype *badOffset,
                     qsizetype *badLength) {
    const DecodeTables &t = decodeTables();
    qsizetype n = 0;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes);
    auto bad = [&](qsizetype at, qsizetype len) {
        if (*badOffset < 0) {
            *badOffset = at;
            if (badLength) *badLength = len;
        }
        out[n++] = 0xFFFD;
    };
    qsizetype i = 0;
    while (i < size) {
        if (t.asciiDecodable) {
            const qsizetype run = skipAscii(p + i, p + size) - (p + i);
            for (qsizetype k = 0; k < run; ++k)
                out[n + k] = t.single[p[i + k]];
            n += run;
            i += run;
            if (i >= size) break;
        }
        const unsigned char b = p[i];
        if (!t.lead[b]) {
            if (t.single[b] == kNone)
                bad(i, 1);
            else
                out[n++] = t.single[b];
            ++i;
            continue;
        }
        if (i + 1 >= size) { // a lead byte with nothing after it
            bad(i, 1);
            ++i;
            continue;
        }
        const unsigned char u = p[i + 1];
        const char16_t ch = t.pair[b][u];
        if (ch != kNone) {
            out[n++] = ch;
            i += 2;
        } else if (isTrailByte(u)) { // a well-formed pair the code page does not assign
            bad(i, 2);
            i += 2;
        } else { // the second byte starts a character of its own
            bad(i, 1);
            ++i;
        }
    }
    return n;
}

DecodeResult decode(const QByteArray &bytes) {
    DecodeResult r;
    r.text.resize(bytes.size());
    qsizetype badOffset = -1;
    qsizetype badLength = 0;
    const qsizetype n = decodeInto(bytes.constData(), bytes.size(),
                                   reinterpret_cast<char16_t *>(r.text.data()), &badOffset, &badLength);
    r.text.truncate(n);
    if (badOffset >= 0) {
        r.badOffset = badOffset;
        r.badBytes = bytes.mid(badOffset, badLength);
    }
    return r;
}

std::optional<QString> firstUnencodable(const QString &s) {
    EncodeResult r = encode(s);
    if (r.ok()) return std::nullopt;
    return r.badChar;
}

QByteArray encodeField(const QString &s, int n) {
    QByteArray bytes = encode(s).bytes;
    if (bytes.size() > n) {
        // Walk characters so that a double-byte character is never split at the end.
        qsizetype i = 0;
        while (i < n) {
            const int width = isLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
            if (i + width > n) break;
            i += width;
        }
        bytes.truncate(i);
    }
    if (bytes.size() < n) bytes.append(QByteArray(n - bytes.size(), ' '));
    return bytes;
}

QString describeChar(const QString &ch) {
    if (ch.isEmpty()) return {};
    const char32_t cp =
        ch.size() > 1 && ch[0].isHighSurrogate() ? QChar::surrogateToUcs4(ch[0], ch[1]) : ch[0].unicode();
    const QString code = QStringLiteral("U+%1").arg(uint(cp), 4, 16, QChar(u'0')).toUpper();
    if (cp < 0x20 || cp == 0x7F) return code;
    return u"「"_s + ch + u"」("_s + code + u')';
}

} // namespace tama::cp932
