#include "store/foldercheck.h"

#include "common/codec.h"
#include "common/text.h"
#include "store/catalogue.h"
#include "store/conflictcopy.h"
#include "store/diary.h"
#include "store/journal.h"
#include "store/modellist.h"
#include "store/recordfile.h"
#include "store/safefile.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/textfile.h"
#include "store/userlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

constexpr int kLongestModelLine = 15;

const CategoryInfo *catalogueByFileName(const QString &name) {
    const QString lower = name.toLower();
    for (const CategoryInfo &c : categories())
        if (c.fileName.toLower() == lower) return &c;
    return nullptr;
}

QString hexBytes(const QByteArray &bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// d.badOffset counts from the start of the field or line.
QString notCp932(const cp932::DecodeResult &d) {
    return QStringLiteral("Shift-JIS（コードページ 932）でないバイト %1 があります（%2 バイト目）")
        .arg(hexBytes(d.badBytes))
        .arg(d.badOffset.value_or(0) + 1);
}

// Only the fields the program reads as text are decoded; the rest (reserved store
// fields, catalogue details) are carried byte for byte and may hold anything.
void checkRecords(const QString &path, const RecordLayout &layout, int interpretedFields, FileCheck &check) {
    const RecordFile file(path, layout, RecordFile::Mode::ReadOnly);
    if (const int tail = file.partialTail())
        check.problems.append(QStringLiteral("長さ %1 バイトがレコード長 %2 の倍数ではありません（末尾の %3 "
                                             "バイトは不完全なレコードです）")
                                  .arg(file.size())
                                  .arg(layout.length())
                                  .arg(tail));

    // A block at a time, and only a field that does not decode is decoded again for
    // the message, so checking the largest diary is quick and holds little.
    QString first;
    int more = 0;
    file.forEachRaw([&](int n, const char *bytes) {
        for (int f = 0; f < interpretedFields; ++f) {
            const char *at = bytes + layout.offset(f);
            if (cp932::findUndecodable(at, layout.field(f).width) < 0) continue;
            if (!first.isEmpty()) {
                ++more;
                continue;
            }
            const cp932::DecodeResult d = cp932::decode(QByteArray(at, layout.field(f).width));
            first = QStringLiteral("レコード %1 の %2（%3）に")
                        .arg(n)
                        .arg(layout.field(f).name, layout.field(f).label) +
                    notCp932(d);
        }
    });
    if (!first.isEmpty())
        check.problems.append(more == 0 ? first : first + QStringLiteral("（ほかに %1 か所）").arg(more));

    // Reading stops at the limit, so what lies past it is never seen by the program.
    if (file.count() > layout.maxRecords())
        check.problems.append(
            QStringLiteral("%1 件あり、このプログラムが扱える %2 件を超えています（超えた分は読みません）")
                .arg(file.count())
                .arg(layout.maxRecords()));
}

void checkModelList(const QString &path, FileCheck &check) {
    bool cut = false;
    const QByteArray bytes = safefile::readBounded(path, textfile::kMaxTextBytes, &cut);
    if (cut)
        check.problems.append(QStringLiteral("%1 MiB を超えています（超えた分は読みません）")
                                  .arg(textfile::kMaxTextBytes / (1024 * 1024)));

    // Split the way the readers do (CR LF, a lone LF accepted), keeping line numbers.
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) end = bytes.size();
        qsizetype stop = end;
        if (stop > start && bytes[stop - 1] == '\r') --stop;
        const cp932::DecodeResult d = cp932::decode(bytes.mid(start, stop - start));
        if (!d.ok() && check.problems.isEmpty())
            check.problems.append(QStringLiteral("%1 行目に").arg(lines.size() + 1) + notCp932(d));
        lines.append(d.text);
        start = end + 1;
    }

    // Longer lines are never written by the program but read without harm.
    for (const ModelListEntry &e : ModelListFile::parse(lines)) {
        const QString model = trimRight(e.model);
        if (model.size() > kLongestModelLine)
            check.notes.append(QStringLiteral("機種名「%1」が %2 文字あります（%3 文字まで）")
                                   .arg(model)
                                   .arg(model.size())
                                   .arg(kLongestModelLine));
    }
}

} // namespace

std::optional<FileCheck::Kind> dataFileKind(const QString &name) {
    if (name.isEmpty()) return std::nullopt;
    if (name == journal::fileName() || journal::isAsideName(name)) return FileCheck::Kind::Journal;
    if (name.startsWith(u'.')) return std::nullopt;
    if (name == UserList::fileName()) return FileCheck::Kind::UserList;
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
    static const QRegularExpression diary(u"^.+\\.[0-9]{4}\\.dat$"_s);
    if (diary.match(name).hasMatch()) return FileCheck::Kind::Diary;
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
    }
    return {};
}

bool isDataKind(FileCheck::Kind kind) {
    return kind != FileCheck::Kind::Scratch && kind != FileCheck::Kind::Journal &&
           kind != FileCheck::Kind::ConflictCopy;
}

FileCheck checkDataFile(const DataFolder &folder, const QString &name, FileCheck::Kind kind) {
    FileCheck check{name, kind, {}, {}};
    const QString path = folder.file(name);
    if (const auto why = safefile::notRegularReason(path)) {
        check.problems.append(*why);
        return check;
    }
    try {
        switch (kind) {
        case FileCheck::Kind::UserList:
            checkRecords(path, userLayout(), userLayout().fieldCount(), check);
            break;
        case FileCheck::Kind::Diary:
            checkRecords(path, cardLayout(), cardLayout().fieldCount(), check);
            break;
        case FileCheck::Kind::StoreFile:
            checkRecords(path, storeLayout(), 1, check);
            break;
        case FileCheck::Kind::Catalogue: {
            const CategoryInfo *c = catalogueByFileName(name);
            checkRecords(path, c ? *c->layout : *categories().first().layout, 1, check);
            break;
        }
        case FileCheck::Kind::ModelList:
            checkModelList(path, check);
            break;
        case FileCheck::Kind::Scratch:
            if (QFile::exists(path))
                check.notes.append(
                    u"書き直しが中断されたときに残る作業ファイルです（データファイルは無事です）"_s);
            break;
        case FileCheck::Kind::ConflictCopy: {
            const std::optional<ConflictCopy> c = conflictCopyOf(name);
            check.notes.append(
                c->tool + u"が残した「"_s + c->original +
                u"」の競合コピーです。日記なら統合できます（merge、または「バックアップと復元」の画面）"_s);
            break;
        }
        case FileCheck::Kind::Journal: {
            const journal::State s = journal::inspect(folder.path(), name);
            if (s.kind == journal::State::Aside)
                check.notes.append(
                    (s.file.isEmpty() ? u"中断された書き込みの控えを"_s
                                      : u"「"_s + s.file + u"」への中断された書き込みの控えを"_s) +
                    u"、ファイルに合わないため適用せずに残したものです（データファイルは今の内容のままです。不要なら消してください）"_s);
            else if (s.kind == journal::State::Stale)
                check.notes.append((s.file.isEmpty()
                                        ? u"中断された書き込みの控えは"_s
                                        : u"「"_s + s.file + u"」への中断された書き込みの控えは"_s) +
                                   u"、"_s + s.reason + u"ため、次に書き込むときに適用せずに残します"_s);
            else if (s.kind == journal::State::Pending)
                check.notes.append(
                    u"「"_s + s.file +
                    u"」への書き込みが中断されています。次に書き込むときに書き込む前の内容に戻します"_s);
            else if (s.kind == journal::State::Damaged)
                check.notes.append(
                    u"書き込みの控えが途中までしか書かれていません（書き込み前に中断されたもので、次に書き込むときに捨てます）"_s);
            break;
        }
        }
    } catch (const StoreError &e) {
        check.problems.append(e.reason());
    }
    return check;
}

QList<FileCheck> checkFolder(const DataFolder &folder) {
    const QDir dir(folder.path());
    if (!dir.exists()) throw StoreError(StoreError::Kind::Io, folder.path(), u"データフォルダがありません"_s);
    // Every entry, not only files: a folder, link or FIFO under a data file's name is reported.
    QStringList names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (!dir.isReadable())
        throw StoreError(StoreError::Kind::Io, folder.path(), u"データフォルダを読むことができません"_s);
    std::sort(names.begin(), names.end()); // the same order on every system

    QList<FileCheck> checks;
    for (const QString &name : names) {
        const auto kind = dataFileKind(name);
        if (!kind) continue;
        // A folder whose name could be a model list (such as "backups") is the user's own.
        if (*kind == FileCheck::Kind::ModelList && QFileInfo(folder.file(name)).isDir() &&
            !QFileInfo(folder.file(name)).isSymLink())
            continue;
        checks.append(checkDataFile(folder, name, *kind));
    }
    return checks;
}

} // namespace tama
