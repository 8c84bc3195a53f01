// Any bytes as ".tamanote.journal" beside a diary: the rollback writes only the file a
// valid journal names, creates nothing, and leaves no journal that is still pending.
#include "fuzzfolder.h"
#include "store/journal.h"
#include "store/storeerror.h"

#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    fuzz::clear();
    const QString diary = u"taro.1999.dat"_s;
    const QByteArray cards(720, 'd');
    fuzz::put(diary, cards);
    fuzz::put(journal::fileName(), bytes);
    const QString path = fuzz::folder().path();
    const journal::State before = journal::inspect(path);
    try {
        journal::recover(path);
    } catch (const StoreError &) {
        abort(); // a journal that cannot be rolled back would block every later write
    }
    const journal::State after = journal::inspect(path);
    if (after.kind == journal::State::Pending || after.kind == journal::State::Damaged) abort();
    QDir dir(path);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &n : names)
        if (n != diary && n != journal::fileName()) abort();
    if (before.kind == journal::State::Pending && before.file == diary) return 0; // rolled back
    QFile f(dir.filePath(diary));
    if (!f.open(QIODevice::ReadOnly) || f.size() != cards.size() || f.readAll() != cards) abort();
    return 0;
}
