#include "testsupport.h"

#include <QDir>
#include <QFile>

namespace tama::test {

QByteArray hex(const char *text) {
    QByteArray compact(text);
    compact.replace(' ', "");
    compact.replace('\n', "");
    return QByteArray::fromHex(compact);
}

QByteArray spaces(int n) {
    return QByteArray(n, ' ');
}

QByteArray readFile(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write test file %s", qPrintable(path));
    f.write(bytes);
}

TempFolder::TempFolder() {
    if (!m_dir.isValid()) qFatal("cannot create a temporary folder");
}

bool TempFolder::exists(const QString &name) const {
    return QFile::exists(file(name));
}

QStringList TempFolder::files() const {
    return QDir(path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace tama::test
