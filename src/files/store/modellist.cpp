#include "store/modellist.h"

#include "common/text.h"
#include "store/record.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/textfile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// The file name made from a whole name: older versions named every list so.
QString fileNameOf(const QString &name) {
    // Cut by characters, never inside a surrogate pair.
    const QList<uint> w = trimRight(toFullWidth(name)).toUcs4();
    auto part = [&w](qsizetype from, qsizetype n) {
        from = std::max<qsizetype>(0, from);
        return QString::fromUcs4(reinterpret_cast<const char32_t *>(w.constData()) + from,
                                 std::min(n, w.size() - from));
    };
    return trim(part(0, 2) + part(w.size() - 2, 2) + part(w.size() - 4, 4));
}

} // namespace

// The list belongs to the store as stored: a longer name typed is the same store.
QString modelListFileName(const QString &storeName) {
    return fileNameOf(storedStoreName(storeName));
}

ModelListFile::ModelListFile(const DataFolder &folder, const QString &storeName)
    : m_storeName(storeName), m_fileName(modelListFileName(storeName)) {
    if (m_fileName.isEmpty())
        throw StoreError(StoreError::Kind::Invalid, QString(), u"店名が選択または入力されていません。"_s);
    if (!isPlainFileName(m_fileName))
        throw StoreError(StoreError::Kind::Invalid, m_fileName, u"この店名ではファイルを作れません"_s);
    m_path = folder.file(m_fileName);
    const QString older = fileNameOf(storeName);
    if (older != m_fileName && isPlainFileName(older)) m_olderPath = folder.file(older);
}

bool ModelListFile::exists() const {
    return QFileInfo::exists(m_path);
}

QString ModelListFile::readPath() const {
    if (m_olderPath.isEmpty() || exists() || !QFileInfo::exists(m_olderPath)) return m_path;
    return m_olderPath;
}

QStringList ModelListFile::lines() const {
    return textfile::readLines(readPath()).lines;
}

void ModelListFile::ensure() const {
    if (readPath() != m_path || exists()) return;
    // A store that cannot be stored gets no list of its own either.
    requireEncodable(m_storeName, u"店名"_s);
    textfile::ensureExists(m_path);
}

void ModelListFile::ensureForReading() const {
    // Looking at a store in a folder that cannot be written (a read-only copy of the
    // data) reads the missing list as empty instead of failing to create it.
    if (!exists() && ::access(QFile::encodeName(QFileInfo(m_path).absolutePath()).constData(), W_OK) == 0)
        ensure();
}

QList<ModelListEntry> ModelListFile::parse(const QStringList &lines) {
    QList<ModelListEntry> entries;
    int counter = 2;
    for (const QString &line : lines) {
        if (line.startsWith(u'#')) {
            ++counter;
            if (line.startsWith(u"# #"_s) || counter >= 8) break;
            continue;
        }
        entries.append({line, counter - 1});
    }
    return entries;
}

QStringList ModelListFile::compose(const QList<ModelListEntry> &entries) {
    QList<ModelListEntry> sorted = entries;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ModelListEntry &a, const ModelListEntry &b) { return a.section < b.section; });
    QStringList lines;
    for (int c = 2; c <= 6; ++c) {
        lines.append(u"# "_s + QString::number(c));
        for (const ModelListEntry &e : sorted)
            if (e.section == c) lines.append(e.model);
    }
    lines.append(u"# #"_s);
    return lines;
}

QList<ModelListEntry> ModelListFile::read(bool create) const {
    if (create) ensureForReading();
    return parse(lines());
}

QStringList ModelListFile::section(const QString &marker, bool create) const {
    if (create) ensureForReading();
    const QStringList lines = this->lines();
    QStringList out;
    qsizetype i = 0;
    while (i < lines.size() && lines[i].left(3) != marker)
        ++i;
    for (++i; i < lines.size() && !lines[i].startsWith(u'#'); ++i)
        out.append(lines[i]);
    return out;
}

void ModelListFile::write(const QList<ModelListEntry> &entries) const {
    textfile::writeLines(m_path, compose(entries), u"機種名"_s);
}

} // namespace tama
