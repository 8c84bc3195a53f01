#include "store/datafolder.h"

#include <QDir>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace tama {

DataFolder::DataFolder(QString path) : m_path(std::move(path)) {}

QString DataFolder::file(const QString &name) const {
    return QDir(m_path).filePath(name);
}

QString DataFolder::defaultPath() {
    QString p = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (p.isEmpty()) p = QDir::home().filePath(u".tamanote"_s);
    return p;
}

bool isPlainFileName(const QString &name) {
    if (name.isEmpty() || name == u"."_s || name == u".."_s) return false;
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == u'/' || c == u'\\') return false;
    return true;
}

std::optional<QString> unsafeFileNameReason(const QString &name) {
    if (name.isEmpty()) return u"名前が空です"_s;
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return u"制御文字は使えません"_s;
        if (QStringView(u"/\\:*?\"<>|").contains(c)) return u"次の文字は使えません: / \\ : * ? \" < > |"_s;
    }
    if (name.contains(u".."_s)) return u"「..」は使えません"_s;
    if (name == u"."_s) return u"「.」だけの名前は使えません"_s;
    static const QStringList reserved = {u"CON"_s, u"PRN"_s, u"AUX"_s, u"NUL"_s};
    const QString base = name.section(u'.', 0, 0).toUpper();
    if (reserved.contains(base) ||
        (base.size() == 4 && (base.startsWith(u"COM"_s) || base.startsWith(u"LPT"_s)) && base[3].isDigit()))
        return u"「"_s + base + u"」は装置名のため使えません"_s;
    return std::nullopt;
}

} // namespace tama
