#include "store/foldercheck.h"

#include "common/codec.h"
#include "common/text.h"
#include "store/catalogue.h"
#include "store/datafolderlock.h"
#include "store/diary.h"
#include "store/journal.h"
#include "store/modellist.h"
#include "store/playdata.h"
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
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

constexpr int kLongestModelLine = 15;

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

bool isUtf8(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString unused = utf8.decode(bytes);
    return !utf8.hasError();
}

// The folder's names as bytes; "." and ".." left out.
QList<QByteArray> rawNames(const DataFolder &folder) {
    if (!QFileInfo(folder.path()).isDir())
        throw StoreError(StoreError::Kind::Io, folder.path(), u"データフォルダがありません"_s);
    DIR *dir = ::opendir(QFile::encodeName(folder.path()).constData());
    if (!dir)
        throw StoreError(StoreError::Kind::Io, folder.path(), u"データフォルダを読むことができません"_s);
    QList<QByteArray> names;
    errno = 0;
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..") names.append(name);
        errno = 0;
    }
    const int err = errno;
    ::closedir(dir);
    if (err != 0) throw StoreError::fromErrno(err, folder.path(), u"データフォルダを読むことが"_s);
    return names;
}

QString printable(const QByteArray &bytes) {
    QString out;
    for (const char c : bytes) {
        const auto b = uchar(c);
        if (b >= 0x20 && b < 0x7f && b != '\\')
            out.append(QLatin1Char(char(b)));
        else
            out.append(u"\\x"_s + QString::number(b, 16).toUpper().rightJustified(2, u'0'));
    }
    return out;
}

FileCheck foreignCheck(const ForeignName &n) {
    if (n.fixed.isEmpty())
        return {n.shown,
                FileCheck::Kind::BadName,
                {},
                {u"UTF-8 でもコードページ 932 でもない名前のため、読めません"_s}};
    return {n.shown,
            FileCheck::Kind::Cp932Name,
            {},
            {u"Windows のコードページ 932 で書かれた名前「"_s + n.fixed + u"」です。UTF-8 の名前「"_s +
             n.fixed + u"」にすると読めます（check --fix-names）"_s}};
}

} // namespace

FolderNames::FolderNames(const DataFolder &folder) {
    try {
        StoreFile(folder, true).forEachName([this](const QString &hall) {
            const QString file = modelListFileName(hall);
            if (!file.isEmpty()) m_modelLists.insert(file);
        });
    } catch (const StoreError &) {
        // The folder check reports the store file itself.
    }
}

std::optional<FileCheck::Kind> FolderNames::kindOf(const QString &name) const {
    const std::optional<FileCheck::Kind> kind = dataFileKind(name);
    if (kind == FileCheck::Kind::ModelList && !namesModelList(name)) return FileCheck::Kind::Unknown;
    if (kind == FileCheck::Kind::ConflictCopy) {
        const std::optional<FileCheck::Kind> original = kindOf(conflictCopyOf(name)->original);
        if (!original || !isDataKind(*original)) return std::nullopt;
    }
    return kind;
}

QList<FolderEntry> dataFilesOf(const DataFolder &folder) {
    const FolderNames known(folder);
    QStringList names;
    for (const QByteArray &raw : rawNames(folder))
        if (isUtf8(raw)) names.append(QString::fromUtf8(raw));
    std::sort(names.begin(), names.end()); // the same order on every system
    QList<FolderEntry> out;
    for (const QString &name : names)
        if (const std::optional<FileCheck::Kind> kind = known.kindOf(name)) out.append({name, *kind});
    return out;
}

QList<ForeignName> foreignNames(const DataFolder &folder) {
    QList<QByteArray> raw = rawNames(folder);
    std::sort(raw.begin(), raw.end());
    QList<ForeignName> out;
    for (const QByteArray &bytes : raw) {
        if (isUtf8(bytes)) continue;
        const cp932::DecodeResult d = cp932::decode(bytes);
        const bool plain = d.ok() && isPlainFileName(d.text) && !d.text.contains(u'\\');
        out.append({bytes, printable(bytes), plain ? d.text : QString()});
    }
    return out;
}

void fixForeignName(const DataFolder &folder, const ForeignName &name) {
    const QString path = folder.file(name.shown);
    if (name.fixed.isEmpty())
        throw StoreError(StoreError::Kind::Invalid, path,
                         u"コードページ 932 の名前ではないため、直せません"_s);
    const QByteArray from = name.bytes, to = name.fixed.toUtf8();
    const int dir = ::open(QFile::encodeName(folder.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) throw StoreError::fromErrno(errno, folder.path(), u"データフォルダを開くことが"_s);
    int err = 0;
    if (::renameat2(dir, from.constData(), dir, to.constData(), RENAME_NOREPLACE) != 0) {
        err = errno;
        // File systems without RENAME_NOREPLACE: a new link refuses an existing name too.
        if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP) {
            err = 0;
            if (::linkat(dir, from.constData(), dir, to.constData(), 0) != 0)
                err = errno;
            else if (::unlinkat(dir, from.constData(), 0) != 0) {
                err = errno;
                ::unlinkat(dir, to.constData(), 0);
            }
        }
    }
    ::close(dir);
    if (err == EEXIST)
        throw StoreError(StoreError::Kind::Invalid, path,
                         u"「"_s + name.fixed + u"」がすでにあるため、名前を変えません"_s);
    if (err != 0) throw StoreError::fromErrno(err, path, u"名前を「"_s + name.fixed + u"」に変えることが"_s);
}

int offerNameFixes(const DataFolder &folder, Dialogs &dialogs) {
    QList<ForeignName> fixable;
    try {
        for (const ForeignName &n : foreignNames(folder))
            if (!n.fixed.isEmpty()) fixable.append(n);
    } catch (const StoreError &) {
        return 0; // the folder's own trouble is reported where it is read
    }
    if (fixable.isEmpty()) return 0;

    constexpr int kListed = 20;
    QStringList listed;
    for (qsizetype i = 0; i < fixable.size() && i < kListed; ++i)
        listed.append(u"　"_s + fixable[i].fixed);
    if (fixable.size() > kListed) listed.append(QStringLiteral("　ほか %1 個").arg(fixable.size() - kListed));
    const QString question =
        QStringLiteral("次の %1 個のファイルは名前が Windows のコードページ 932 で書かれているため、"
                       "このままでは使われません。\n\n")
            .arg(fixable.size()) +
        listed.join(u'\n') + u"\n\n名前を UTF-8 に直しますか？"_s;
    if (dialogs.confirmCancelled(question, u"ファイル名"_s)) return 0;

    int renamed = 0;
    QStringList failed;
    for (const ForeignName &n : fixable) {
        try {
            fixForeignName(folder, n);
            ++renamed;
        } catch (const StoreError &e) {
            failed.append(e.message());
        }
    }
    if (!failed.isEmpty())
        dialogs.error(u"次のファイルの名前は直せませんでした。\n\n"_s + failed.join(u'\n'), u"エラー"_s);
    return renamed;
}

namespace {
// Opened read-only: the check changes nothing, not even a pending change.
void checkPlayDatabase(const QString &path, FileCheck &check) {
    if (!QFileInfo::exists(path)) return;
    const std::unique_ptr<PlayDatabase> db = PlayDatabase::openFile(path);
    if (!db->isOpen()) {
        check.problems.append(db->reason());
        return;
    }
    check.problems.append(db->integrityProblems());
    QMap<QString, QStringList> lost; // by diary, the cards they were on
    for (const DetachedPlay &d : db->detached())
        lost[d.diary].append(u"カード"_s + QString::number(d.cardHint));
    for (auto it = lost.cbegin(); it != lost.cend(); ++it)
        check.notes.append(u"日記「"_s + it.key() + u"」の稼働データ "_s + QString::number(it->size()) +
                           u" 件がどのカードにも付いていません（"_s + it->join(u"、"_s) +
                           u"。ほかのプログラムでカードが変わったためです。カード画面で付け直せます）"_s);
    if (const int pending = db->pendingChanges())
        check.notes.append(QString::number(pending) +
                           u" 件の稼働データの変更が中断されています（次に開くときに仕上げます）"_s);
}
} // namespace

FileCheck checkDataFile(const DataFolder &folder, const QString &name, FileCheck::Kind kind) {
    FileCheck check{name, kind, {}, {}};
    const QString path = folder.file(name);
    // Not the program's: its size is all that is looked at, whatever it is.
    if (kind == FileCheck::Kind::Unknown) {
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0)
            check.notes.append(QStringLiteral("どの店の機種リストでもない、このプログラムのものではない"
                                              "ファイルです（%1 バイト。読みません）")
                                   .arg(qint64(st.st_size)));
        return check;
    }
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
        case FileCheck::Kind::Lock: // checkFolder asks DataFolderLock::checkName
            break;
        case FileCheck::Kind::PlayDatabase:
            checkPlayDatabase(path, check);
            break;
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
        case FileCheck::Kind::ImportNote:
            check.notes.append(
                u"取り込みが終わらずに中断されています。次に書き込みのために開くとき、取り込む前の状態に戻します"_s);
            break;
        case FileCheck::Kind::Unknown:
        case FileCheck::Kind::Cp932Name:
        case FileCheck::Kind::BadName:
            break;
        }
    } catch (const StoreError &e) {
        check.problems.append(e.reason());
    }
    return check;
}

QList<FileCheck> checkFolder(const DataFolder &folder) {
    const QList<FolderEntry> entries = dataFilesOf(folder);
    // Every entry, not only files: a folder, link or FIFO under a data file's name is reported.
    QList<FileCheck> checks;
    if (const std::optional<FileCheck> lock = DataFolderLock::checkName(folder)) checks.append(*lock);
    for (const FolderEntry &e : entries) {
        // A folder that is not the program's (such as "backups") is the user's own.
        if (e.kind == FileCheck::Kind::Unknown && QFileInfo(folder.file(e.name)).isDir() &&
            !QFileInfo(folder.file(e.name)).isSymLink())
            continue;
        checks.append(checkDataFile(folder, e.name, e.kind));
    }
    for (const ForeignName &n : foreignNames(folder))
        checks.append(foreignCheck(n));
    return checks;
}

} // namespace tama
