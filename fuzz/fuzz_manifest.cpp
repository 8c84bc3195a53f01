// Any bytes as a snapshot's "manifest.json": listing and finding the snapshot read it
// without a crash, believe only what a snapshot of ours can hold, and write nothing.
#include "fuzzfolder.h"
#include "store/backup.h"
#include "store/foldercheck.h"

#include <QSet>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QString id = u"20261208-101500-manual"_s;
    static const QString snapshot = fuzz::folder().path() + u"/backups/"_s + id;
    static const bool made = QDir().mkpath(snapshot + u"/files"_s);
    if (!made) abort();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QFile manifest(snapshot + u"/manifest.json"_s);
    if (!manifest.open(QIODevice::WriteOnly | QIODevice::Truncate) || manifest.write(bytes) != bytes.size())
        abort();
    manifest.close();

    const backup::Backups backups{DataFolder(fuzz::folder().path()), backup::Settings()};
    const QList<backup::Snapshot> list = backups.list();
    const std::optional<backup::Snapshot> found = backups.find(id);
    if (list.size() > 1 || list.isEmpty() == found.has_value()) abort();
    if (found) {
        if (found->id != id || list[0].files.size() != found->files.size()) abort();
        QSet<QString> names;
        for (const backup::SnapshotFile &f : found->files) {
            const std::optional<FileCheck::Kind> kind = dataFileKind(f.name);
            if (!isPlainFileName(f.name) || !kind || kindCode(*kind) != f.kind || names.contains(f.name))
                abort();
            if (f.size < 0 || f.records < 0 || f.records > f.size || f.sha256.size() != 64) abort();
            names.insert(f.name);
        }
    }
    // Reading wrote nothing and made nothing.
    if (!manifest.open(QIODevice::ReadOnly) || manifest.readAll() != bytes) abort();
    if (QDir(fuzz::folder().path() + u"/backups"_s)
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden) != QStringList{id})
        abort();
    return 0;
}
