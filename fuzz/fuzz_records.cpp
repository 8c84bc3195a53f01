// Decodes any bytes as a record of one type and checks what every reader relies on:
// each field is exactly its width in characters, and a record whose fields were not
// changed is written back byte for byte.
#include "store/catalogue.h"
#include "store/diary.h"
#include "store/record.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/userlist.h"

#include <cstdint>
#include <cstdlib>

using namespace tama;

namespace {

const RecordLayout &layoutFor(const uint8_t *&data, size_t &size) {
#if TAMA_FUZZ_RECORD == 0
    (void)data;
    (void)size;
    return userLayout();
#elif TAMA_FUZZ_RECORD == 1
    (void)data;
    (void)size;
    return cardLayout();
#elif TAMA_FUZZ_RECORD == 2
    (void)data;
    (void)size;
    return storeLayout();
#else
    // The first byte chooses the category: every catalogue has its own field widths.
    int pick = 0;
    if (size > 0) {
        pick = data[0] % categories().size();
        ++data;
        --size;
    }
    return *categories()[pick].layout;
#endif
}

void check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const RecordLayout &layout = layoutFor(data, size);
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    bytes = bytes.leftJustified(layout.length(), ' ', true);

    const Record r = Record::fromBytes(layout, bytes);
    for (int i = 0; i < layout.fieldCount(); ++i)
        check(r.field(i).size() == layout.field(i).width);
    check(r.toBytes() == bytes);

    // Every field set to what was read: encodes to the record length or is refused.
    Record copy = r;
    for (int i = 0; i < layout.fieldCount(); ++i)
        copy.setField(i, r.field(i));
    try {
        check(copy.toBytes().size() == layout.length());
    } catch (const StoreError &e) {
        check(e.kind() == StoreError::Kind::Encoding);
    }

#if TAMA_FUZZ_RECORD == 1
    CardRecord card(r);
    (void)card.profitYen();
    const bool candidate = card.isCandidate();
    card.markCandidate();
    check(card.isCandidate());
    card.unmarkCandidate();
    check(!card.isCandidate());
    (void)candidate;
#endif
    return 0;
}
