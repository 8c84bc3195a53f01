// Any bytes cut into the files of a data folder: the folder check reads them all without
// a crash, writes nothing, and reports each file once. Whether ＡＢＢＣＡＢＣ is a model
// list depends on patishop.dat naming the hall ＡＢＣ; a file that is not the program's is
// never found damaged, since it is never read.
#include "fuzzfolder.h"
#include "store/foldercheck.h"
#include "store/storeerror.h"

#include <QCryptographicHash>

#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QStringList names = {u"namae.dat"_s,    u"taro.2026.dat"_s,  u"patishop.dat"_s,
                                      u"degipati.dat"_s, u"CRpati.dat"_s,     u"ＡＢＢＣＡＢＣ"_s,
                                      u"t#e#m#p.tmp"_s,  u"t#e#m#p#.tmp"_s,   u"hirapati.dat"_s,
                                      u"notes.txt"_s,    u".mika.2026.dat"_s, u"core"_s};
    fuzz::clear();
    // Byte 0x1e separates the files; the first byte of each part picks its name.
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList written;
    for (const QByteArray &part : bytes.split('\x1e')) {
        if (part.isEmpty()) continue;
        const QString name = names[uchar(part[0]) % names.size()];
        if (written.contains(name)) continue;
        fuzz::put(name, part.mid(1));
        written.append(name);
    }
    QDir dir(fuzz::folder().path());
    auto digest = [&] {
        QCryptographicHash h(QCryptographicHash::Sha1);
        for (const QString &n : dir.entryList(QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(n));
            if (!f.open(QIODevice::ReadOnly)) abort();
            h.addData(n.toUtf8());
            h.addData(f.readAll());
        }
        return h.result();
    };
    const QByteArray before = digest();
    const QList<FileCheck> checks = checkFolder(DataFolder(dir.path()));
    QStringList seen;
    for (const FileCheck &c : checks) {
        if (seen.contains(c.name) || !written.contains(c.name)) abort();
        if (c.kind == FileCheck::Kind::Unknown && c.damaged()) abort();
        seen.append(c.name);
    }
    if (digest() != before) abort();
    return 0;
}
