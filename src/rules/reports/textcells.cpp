#include "reports/textcells.h"

#include "common/codec.h"

namespace tama::cells {

int width(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F)) // ASCII and half-width katakana
        return 1;
    if ((u >= 0x3000 && u <= 0x9FFF) || (u >= 0xFF01 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE5))
        return 2;
    // The rest is rare (Greek, Cyrillic, symbols, undecodable bytes): ask the code page.
    const cp932::EncodeResult r = cp932::encode(QString(c));
    return r.ok() ? int(r.bytes.size()) : 1;
}

int width(QStringView s) {
    int n = 0;
    for (QChar c : s)
        n += width(c);
    return n;
}

void appendFullWidth(QString &out, QStringView s, int cells) {
    out += s;
    const int left = cells - width(s);
    if (left <= 0) return;
    out.resize(out.size() + left / 2, QChar(0x3000));
    if (left % 2) out += u' ';
}

void appendHalfWidth(QString &out, QStringView s, int cells) {
    out += s;
    const int left = cells - width(s);
    if (left > 0) out.resize(out.size() + left, u' ');
}

} // namespace tama::cells
