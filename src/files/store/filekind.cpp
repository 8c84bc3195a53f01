#include "store/filekind.h"

#include "store/category.h"
#include "store/diary.h"
#include "store/playdata.h"
#include "store/storefile.h"
#include "store/userlist.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace journal {

QString fileName() {
    return u".tamanote.journal"_s;
}

QString asidePrefix() {
    return u".tamanote.journal.aside-"_s;
}

bool isAsideName(const QString &name) {
    return name.startsWith(asidePrefix()) && name.size() > asidePrefix().size();
}

} // namespace journal

QString importNoteName() {
    return u".tamanote.import"_s;
}

namespace {

const QRegularExpression &diaryName() {
    static const QRegularExpression diary(u"^.+\\.[0-9]{4}\\.dat$"_s);
    return diary;
}

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

const CategoryInfo *catalogueByFileName(const QString &name) {
    const QString lower = name.toLower();
    for (const CategoryInfo &c : categories())
        if (c.fileName.toLower() == lower) return &c;
    return nullptr;
}

std::optional<FileCheck::Kind> dataFileKind(const QString &name) {
    if (name.isEmpty()) return std::nullopt;
    if (name == journal::fileName() || journal::isAsideName(name)) return FileCheck::Kind::Journal;
    if (name == importNoteName()) return FileCheck::Kind::ImportNote;
    // Other hidden names are the lock file's and other tools', but a user's name may
    // begin with "." too.
    if (name.startsWith(u'.')) {
        if (diaryName().match(name).hasMatch()) return FileCheck::Kind::Diary;
        if (conflictCopyOf(name)) return FileCheck::Kind::ConflictCopy;
        return std::nullopt;
    }
    if (name == UserList::fileName()) return FileCheck::Kind::UserList;
    if (name == PlayDatabase::fileName()) return FileCheck::Kind::PlayDatabase;
    if (conflictCopyOf(name)) return FileCheck::Kind::ConflictCopy;
    if (name == StoreFile::fileName()) return FileCheck::Kind::StoreFile;
    if (name == DiaryFile::scratchName() || name == StoreFile::scratchName()) return FileCheck::Kind::Scratch;
    // The scratch file of a text rewrite or of moving the auto-start mark: the name + ".tmp".
    if (name.endsWith(u".tmp"_s)) {
        const QString base = name.chopped(4);
        if (base == UserList::fileName() || (!base.isEmpty() && !base.contains(u'.')))
            return FileCheck::Kind::Scratch;
    }
    if (catalogueByFileName(name)) return FileCheck::Kind::Catalogue;
    if (diaryName().match(name).hasMatch()) return FileCheck::Kind::Diary;
    if (!name.contains(u'.')) return FileCheck::Kind::ModelList;
    return std::nullopt;
}

QString kindCode(FileCheck::Kind kind) {
    switch (kind) {
    case FileCheck::Kind::UserList:
        return u"users"_s;
    case FileCheck::Kind::Diary:
        return u"diary"_s;
    case FileCheck::Kind::StoreFile:
        return u"stores"_s;
    case FileCheck::Kind::Catalogue:
        return u"catalogue"_s;
    case FileCheck::Kind::ModelList:
        return u"model-list"_s;
    case FileCheck::Kind::Scratch:
        return u"scratch"_s;
    case FileCheck::Kind::Journal:
        return u"journal"_s;
    case FileCheck::Kind::ConflictCopy:
        return u"conflict-copy"_s;
    case FileCheck::Kind::Lock:
        return u"lock"_s;
    case FileCheck::Kind::PlayDatabase:
        return u"play-database"_s;
    case FileCheck::Kind::Unknown:
        return u"unknown"_s;
    case FileCheck::Kind::Cp932Name:
        return u"cp932-name"_s;
    case FileCheck::Kind::BadName:
        return u"unreadable-name"_s;
    case FileCheck::Kind::ImportNote:
        return u"import-note"_s;
    }
    return {};
}

bool isDataKind(FileCheck::Kind kind) {
    return kind != FileCheck::Kind::Scratch && kind != FileCheck::Kind::Journal &&
           kind != FileCheck::Kind::ConflictCopy && kind != FileCheck::Kind::Lock &&
           kind != FileCheck::Kind::Unknown && kind != FileCheck::Kind::Cp932Name &&
           kind != FileCheck::Kind::BadName && kind != FileCheck::Kind::ImportNote;
}

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

} // namespace tama
