// Any bytes as a store's model list: read without a crash, and writing the entries read
// and reading them again gives the same entries (those of the five sections, in order).
#include "fuzzfolder.h"
#include "store/modellist.h"
#include "store/textfile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    fuzz::clear();
    const DataFolder folder(fuzz::folder().path());
    const ModelListFile file(folder, u"ＡＢＣ"_s);
    fuzz::put(file.fileName(), bytes);

    const QList<ModelListEntry> entries = file.read(false);
    for (const ModelListEntry &e : entries)
        if (e.section < 1 || e.section > 6 || e.model.startsWith(u'#')) abort();
    (void)file.section(u"# 3"_s, false);

    QList<ModelListEntry> kept;
    for (const ModelListEntry &e : entries)
        if (e.section >= 2) kept.append(e);
    std::stable_sort(kept.begin(), kept.end(),
                     [](const auto &a, const auto &b) { return a.section < b.section; });
    if (ModelListFile::parse(ModelListFile::compose(entries)) != kept) abort();
    return 0;
}
