#include "store/writehook.h"

#include "store/storeerror.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace tama::writehook {

namespace {
BeforeWrite *registered = nullptr;
QString &readOnlyFolder() {
    static QString folder;
    return folder;
}
int suspended = 0;
} // namespace

Registration::Registration(BeforeWrite &before) : m_previous(registered) {
    registered = &before;
}

Registration::~Registration() {
    registered = m_previous;
}

void beforeWrite(const QString &filePath) {
    checkWritable(filePath);
    if (suspended > 0 || !registered) return;
    // Its own writes must not call it again.
    const Suspend inside;
    registered->beforeWrite(filePath);
}

void setReadOnlyFolder(const QString &folderPath) {
    readOnlyFolder() = folderPath.isEmpty() ? QString() : QDir::cleanPath(QDir(folderPath).absolutePath());
}

bool isReadOnly(const QString &path) {
    const QString &folder = readOnlyFolder();
    if (folder.isEmpty()) return false;
    const QString p = QDir::cleanPath(QDir(path).absolutePath());
    return p == folder || p.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

void checkWritable(const QString &path) {
    if (isReadOnly(path)) throw readOnlyError(readOnlyFolder());
}

StoreError readOnlyError(const QString &folderPath) {
    return StoreError(StoreError::Kind::Io, QString(),
                      u"データフォルダ「"_s + QDir::toNativeSeparators(folderPath) +
                          u"」は読み取り専用のため、書き込めません。"_s);
}

Suspend::Suspend() {
    ++suspended;
}

Suspend::~Suspend() {
    --suspended;
}

} // namespace tama::writehook
