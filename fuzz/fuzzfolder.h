#pragma once
// A data folder of its own for the fuzz targets, on a memory file system when there is one.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tama::fuzz {

// Never the current folder: clear() empties the folder it is given, so a temporary folder
// that cannot be made (a /dev/shm this account cannot write) falls back to the system's
// temporary folder, and ends the run when that fails too.
inline QTemporaryDir &folder() {
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        auto d = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/tamafuzz-XXXXXX"));
        if (!d->isValid())
            d = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tamafuzz-XXXXXX"));
        if (!d->isValid() || d->path().isEmpty()) {
            std::fprintf(stderr, "fuzz: no temporary folder can be made: %s\n", qPrintable(d->errorString()));
            abort();
        }
        return d;
    }();
    return *dir;
}

inline void clear() {
    QDir dir(folder().path());
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(name);
}

inline void put(const QString &name, const QByteArray &bytes) {
    QFile f(QDir(folder().path()).filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) abort();
}

} // namespace tama::fuzz
