#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Code page 932 (Windows Shift-JIS) through ICU's windows-31j table, with fallbacks
// off so that a character the code page cannot hold is reported, never replaced.
namespace tama::cp932 {

struct EncodeResult {
    QByteArray bytes;
    // Index in the (normalised) input of the first character that cannot be encoded.
    std::optional<qsizetype> badIndex;
    QString badChar; // that character (two QChars for a surrogate pair)
    bool ok() const { return !badIndex.has_value(); }
};

struct DecodeResult {
    QString text;                       // undecodable bytes appear as U+FFFD
    std::optional<qsizetype> badOffset; // byte offset of the first undecodable sequence
    QByteArray badBytes;
    bool ok() const { return !badOffset.has_value(); }
};

// Maps the few characters that input methods type under code points other than the
// code page's own (〜 → ～, − → －, …). Everything else is left as it is.
QString normalise(const QString &s);

EncodeResult encode(const QString &s); // normalises first
DecodeResult decode(const QByteArray &bytes);
// The same into out, which has room for size characters; returns how many were written.
// The first undecodable sequence, if any, is reported through badOffset (else -1).
qsizetype decodeInto(const char *bytes, qsizetype size, char16_t *out, qsizetype *badOffset,
                     qsizetype *badLength = nullptr);

// The offset of the first byte sequence decodeInto would report, or -1 when all of the
// bytes decode; nothing is decoded, so checking a whole file is cheap.
qsizetype findUndecodable(const char *bytes, qsizetype size);

// True when every character of s can be encoded; otherwise the first one that cannot.
std::optional<QString> firstUnencodable(const QString &s);

// Encodes s (which must be encodable) and fits it to exactly n bytes: cut without
// splitting a double-byte character, padded with spaces.
QByteArray encodeField(const QString &s, int n);

// Byte length of the character starting at p[0] (1 or 2) for valid code page 932.
inline bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// A readable description of a character for messages: the character and its code point.
QString describeChar(const QString &ch);

} // namespace tama::cp932
