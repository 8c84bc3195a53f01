// Code page 932 both ways on any bytes: decoding never reads or writes out of bounds,
// and a field encoded back is exactly its width without half a double-byte character.
#include "common/codec.h"

#include <QList>

#include <cstdint>
#include <cstdlib>

using namespace tama;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const cp932::DecodeResult d = cp932::decode(bytes);
    if (d.ok() != !d.badOffset.has_value()) std::abort();

    QList<char16_t> out(bytes.size() + 1);
    qsizetype bad = -1;
    const qsizetype n = cp932::decodeInto(bytes.constData(), bytes.size(), out.data(), &bad);
    if (n < 0 || n > bytes.size() || bad >= bytes.size()) std::abort();

    const int width = size > 0 ? data[0] % 40 : 0;
    if (cp932::firstUnencodable(d.text)) return 0;
    const QByteArray field = cp932::encodeField(d.text, width);
    if (field.size() != width) std::abort();
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (!cp932::isLeadByte(uchar(field[i]))) continue;
        if (i + 1 >= field.size()) std::abort(); // half a character at the end of the field
        ++i;
    }
    return 0;
}
