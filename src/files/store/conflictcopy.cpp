#include "store/conflictcopy.h"

#include "store/foldercheck.h"

#include "store/storeerror.h"

#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

struct Pattern {
    QRegularExpression marker; // removed from the name to give the original
    QString tool;
};

const QList<Pattern> &patterns() {
    static const QList<Pattern> list = {
        {QRegularExpression(u"\\.sync-conflict-[0-9]{8}-[0-9]{6}-[0-9A-Z]+"_s), u"Syncthing"_s},
        {QRegularExpression(u" \\([^()]*conflicted copy[^()]*\\)"_s,
                            QRegularExpression::CaseInsensitiveOption),
         u"Dropbox / Nextcloud"_s},
        {QRegularExpression(u"_conflict-[0-9]{8}-[0-9]{6}"_s), u"ownCloud"_s},
        {QRegularExpression(u" \\(SFConflict [^()]*\\)"_s), u"Seafile"_s},
        {QRegularExpression(u"[~.]conflict[^.]*"_s, QRegularExpression::CaseInsensitiveOption), QString()},
    };
    return list;
}

bool isDataFile(const QString &name) {
    const std::optional<FileCheck::Kind> kind = dataFileKind(name);
    return kind && isDataKind(*kind);
}

} // namespace

std::optional<ConflictCopy> conflictCopyOf(const QString &name) {
    // The diary of a user whose name holds a marker ("a.conflict.2026.dat") is a diary:
    // taken for a copy, it would be left out of the snapshots. No synchroniser's copy of
    // a diary keeps the ".<year>.dat" ending.
    static const QRegularExpression diary(u"^.+\\.[0-9]{4}\\.dat$"_s);
    if (diary.match(name).hasMatch()) return std::nullopt;
    for (const Pattern &p : patterns()) {
        QRegularExpressionMatchIterator it = p.marker.globalMatch(name);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            const QString original = name.left(m.capturedStart()) + name.mid(m.capturedEnd());
            if (original.isEmpty() || !isDataFile(original)) continue;
            return ConflictCopy{name, original, p.tool.isEmpty() ? u"フォルダ同期ソフト"_s : p.tool};
        }
    }
    return std::nullopt;
}

QList<ConflictCopy> findConflictCopies(const DataFolder &folder) {
    QList<ConflictCopy> found;
    QList<FolderEntry> entries;
    try {
        entries = dataFilesOf(folder);
    } catch (const StoreError &) {
        return found;
    }
    // The original must be a data file of this folder: "core (conflicted copy)" is no hall's.
    for (const FolderEntry &e : entries)
        if (e.kind == FileCheck::Kind::ConflictCopy && !QFileInfo(folder.file(e.name)).isDir())
            found.append(*conflictCopyOf(e.name));
    return found;
}

} // namespace tama
