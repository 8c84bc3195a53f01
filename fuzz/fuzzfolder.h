#pragma once
// A data folder of its own for the fuzz targets, on a memory file system when there is one.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace tama::fuzz {

inline QTemporaryDir &folder() {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/tamafuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/tamafuzz-XXXXXX"));
    return dir;
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
