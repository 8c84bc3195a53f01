#include "store/importwriter.h"

#include "store/catalogue.h"
#include "store/category.h"
#include "store/diary.h"
#include "store/filekind.h"
#include "store/journal.h"
#include "store/recordfile.h"
#include "store/safefile.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/writehook.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// Larger than any file an import touches: a full diary is 7.5 MB, the database of many
// full diaries some tens of MB.
constexpr qint64 kLargestNoted = 512 * 1024 * 1024;
constexpr qint64 kLargestNote = 16 * 1024 * 1024;

QByteArray native(const QString &path) {
    return QFile::encodeName(path);
}

QByteArray sha256Hex(const QByteArray &bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

bool isHex(const QByteArray &text, qsizetype length) {
    return text.size() == length && std::all_of(text.cbegin(), text.cend(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// A file the import may change, as it was before: the import only appends to files that
// exist, so cutting each back to its size undoes it, and files it made are removed.
struct NotedFile {
    QString name;
    bool existed = false;
    qint64 size = 0;
    QByteArray sha256; // hexadecimal, of its bytes before
};

struct NotedRow {
    QString diary;
    CardKey key;
};

struct Note {
    QString snapshot;
    QList<NotedFile> files;
    QList<NotedRow> rows; // the new cards' play rows
};

// Only the kinds of file an import writes are believed: a note can cut nothing else.
bool importable(const QString &name) {
    const std::optional<FileCheck::Kind> kind = dataFileKind(name);
    return isPlainFileName(name) && kind &&
           (*kind == FileCheck::Kind::Diary || *kind == FileCheck::Kind::StoreFile ||
            *kind == FileCheck::Kind::Catalogue || *kind == FileCheck::Kind::PlayDatabase);
}

// One line each, the name last (a name may hold spaces); "end" last, so that a note cut
// short while it was written (before any data file changed) is told from a whole one.
QByteArray encodeNote(const Note &note) {
    QByteArray out = "tamanote-import 1\nsnapshot " + note.snapshot.toUtf8() + '\n';
    for (const NotedFile &f : note.files)
        out += "file " + QByteArray(f.existed ? "1 " : "0 ") + QByteArray::number(f.size) + ' ' + f.sha256 +
               ' ' + f.name.toUtf8() + '\n';
    for (const NotedRow &r : note.rows)
        out += "play " + r.key.fingerprint.toHex() + ' ' + QByteArray::number(r.key.ordinal) + ' ' +
               r.diary.toUtf8() + '\n';
    return out + "end\n";
}

enum class NoteState { Whole, CutShort, Damaged };

NoteState decodeNote(const QByteArray &bytes, Note *note) {
    if (!bytes.startsWith("tamanote-import 1\n") || !bytes.endsWith("\nend\n")) return NoteState::CutShort;
    const QList<QByteArray> lines = bytes.chopped(1).split('\n');
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        // The words before the name; the name is the rest of the line.
        auto words = [&](int n, QList<QByteArray> *out) {
            qsizetype at = 0;
            for (int w = 0; w < n; ++w) {
                const qsizetype space = line.indexOf(' ', at);
                if (space < 0) return false;
                out->append(line.mid(at, space - at));
                at = space + 1;
            }
            out->append(line.mid(at));
            return true;
        };
        QList<QByteArray> w;
        if (line.startsWith("snapshot ")) {
            note->snapshot = QString::fromUtf8(line.mid(9));
            if (!note->snapshot.isEmpty() &&
                (!isPlainFileName(note->snapshot) || note->snapshot.startsWith(u'.')))
                return NoteState::Damaged;
        } else if (line.startsWith("file ") && words(4, &w)) {
            NotedFile f;
            bool ok = false;
            f.existed = w[1] == "1";
            f.size = w[2].toLongLong(&ok);
            f.sha256 = w[3];
            f.name = QString::fromUtf8(w[4]);
            if ((w[1] != "0" && w[1] != "1") || !ok || f.size < 0 || f.size > kLargestNoted ||
                !isHex(f.sha256, 64) || !importable(f.name))
                return NoteState::Damaged;
            note->files.append(f);
        } else if (line.startsWith("play ") && words(3, &w)) {
            NotedRow r;
            bool ok = false;
            r.key.fingerprint = QByteArray::fromHex(w[1]);
            r.key.ordinal = w[2].toInt(&ok);
            r.diary = QString::fromUtf8(w[3]);
            if (!isHex(w[1], 32) || !ok || r.key.ordinal < 0 ||
                dataFileKind(r.diary) != FileCheck::Kind::Diary || !isPlainFileName(r.diary))
                return NoteState::Damaged;
            note->rows.append(r);
        } else {
            return NoteState::Damaged;
        }
    }
    return NoteState::Whole;
}

NotedFile noteOf(const DataFolder &folder, const QString &name) {
    NotedFile f;
    f.name = name;
    const QString path = folder.file(name);
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0) {
        if (errno != ENOENT) throw StoreError::fromErrno(errno, path, u"調べることが"_s);
        f.sha256 = sha256Hex({});
        return f;
    }
    if (const auto why = safefile::notRegularReason(path))
        throw StoreError(StoreError::Kind::Invalid, path, *why);
    bool more = false;
    const QByteArray bytes = safefile::readBounded(path, kLargestNoted, &more);
    if (more) throw StoreError(StoreError::Kind::Limit, path, u"ファイルが大きすぎるため、取り込めません"_s);
    f.existed = true;
    f.size = bytes.size();
    f.sha256 = sha256Hex(bytes);
    return f;
}

void removeNote(const DataFolder &folder) {
    const QString path = folder.file(importNoteName());
    if (::unlink(native(path).constData()) != 0 && errno != ENOENT)
        throw StoreError::fromErrno(errno, path, u"取り込みの記録を消すことが"_s);
    safefile::syncFolder(folder.path());
}

// Thrown from inside a write with play rows, so that the rows' change is dropped too.
struct ChangedSince {};

// The file back to its first size bytes, when they are still those noted; never through a
// link. Throws ChangedSince when they are not.
void cutBack(const QString &path, qint64 size, const QByteArray &sha256) {
    int fd;
    do {
        fd = ::open(native(path).constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || errno == ELOOP) throw ChangedSince();
        throw StoreError::fromErrno(errno, path, u"取り込みを元に戻すために開くことが"_s);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw StoreError::fromErrno(errno, path, u"調べることが"_s);
    if (!S_ISREG(st.st_mode) || st.st_size < size) throw ChangedSince();
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 got = 0;
    if (!safefile::readFully(fd, bytes.data(), size, 0, &got))
        throw StoreError::fromErrno(errno, path, u"読み込むことが"_s);
    if (got != size || sha256Hex(bytes) != sha256) throw ChangedSince();
    if (st.st_size == size) return;
    if (::ftruncate(fd, size) != 0 || ::fsync(fd) != 0)
        throw StoreError::fromErrno(errno, path, u"取り込む前の長さに戻すことが"_s);
}

// Undoes what the note names; files another program changed since are left alone and
// go to changed, files that could not be put back to failed.
void undo(const DataFolder &folder, const Note &note, QStringList *changed, QStringList *failed) {
    const writehook::Suspend quiet; // no daily snapshot of a state being taken back
    try {
        journal::recover(folder.path()); // a torn append first
    } catch (const StoreError &e) {
        failed->append(e.message());
        return;
    }
    // The database last: a database the import made goes, with its rows.
    QList<NotedFile> order = note.files;
    std::stable_partition(order.begin(), order.end(),
                          [](const NotedFile &f) { return f.name != PlayDatabase::fileName(); });
    for (const NotedFile &f : order) {
        const QString path = folder.file(f.name);
        try {
            struct stat st {};
            const bool there = ::lstat(native(path).constData(), &st) == 0;
            if (!f.existed && !there) continue;
            if (!f.existed && !S_ISREG(st.st_mode)) {
                changed->append(f.name);
                continue;
            }
            // The new cards' rows go with the cut, noted first as any diary write; a
            // diary made by the import is emptied so, then removed.
            PlayChange rows(f.name);
            for (const NotedRow &r : note.rows)
                if (r.diary == f.name) rows.remove(r.key);
            DiaryExpectation expected;
            expected.fingerprint = QByteArray::fromHex(f.sha256);
            expected.size = f.size;
            if (f.name == PlayDatabase::fileName()) {
                if (f.existed) continue; // its rows went with their diaries
            } else {
                try {
                    writeWithPlay(folder, rows, expected, [&] { cutBack(path, f.size, f.sha256); });
                } catch (const ChangedSince &) {
                    changed->append(f.name);
                    continue;
                }
            }
            if (!f.existed) {
                if (::unlink(native(path).constData()) != 0 && errno != ENOENT)
                    throw StoreError::fromErrno(errno, path, u"取り込みで作ったファイルを消すことが"_s);
                if (f.name == PlayDatabase::fileName()) ::unlink(native(path + u"-journal"_s).constData());
            }
        } catch (const StoreError &e) {
            failed->append(e.message());
        }
    }
    try {
        safefile::syncFolder(folder.path());
    } catch (const StoreError &e) {
        failed->append(e.message());
    }
}

QString snapshotText(const QString &id) {
    return id.isEmpty() ? u"「バックアップと復元」の取り込みの前のバックアップ"_s
                        : u"バックアップ「"_s + id + u"」"_s;
}

QString changedText(const QStringList &changed, const QString &snapshot) {
    if (changed.isEmpty()) return {};
    return u"次のファイルは取り込みの後にほかのプログラムで変わっていたため、そのままにしました: "_s +
           changed.join(u"、"_s) + u"。取り込む前の状態は"_s + snapshotText(snapshot) + u"にあります。"_s;
}

// What the batch will do to a diary, read and checked before anything is written.
struct DiaryPlan {
    const ImportBatch::Diary *diary;
    QList<QByteArray> before;
};

DiaryPlan planDiary(const DataFolder &folder, const ImportBatch::Diary &d) {
    const QString path = folder.file(d.fileName);
    if (!isPlainFileName(d.fileName) || dataFileKind(d.fileName) != FileCheck::Kind::Diary)
        throw StoreError(StoreError::Kind::Invalid, d.fileName, u"日記ファイルの名前ではありません"_s);
    if (!d.play.isEmpty() && d.play.size() != d.records.size())
        throw StoreError(StoreError::Kind::Invalid, d.fileName, u"カードと稼働データの数が合いません"_s);
    for (const QByteArray &r : d.records)
        if (r.size() != cardLayout().length())
            throw StoreError(StoreError::Kind::Invalid, d.fileName, u"カードの長さが違います"_s);
    for (const PlayInputs &p : d.play)
        validatePlayInputs(p);
    DiaryPlan plan{&d, {}};
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0) return plan; // made by the import
    safefile::checkReplaceable(path);
    if (st.st_nlink > 1)
        throw StoreError(StoreError::Kind::Invalid, path,
                         u"ほかの名前（ハードリンク）もあるファイルのため、取り込みで書き換えません"_s);
    const RecordFile f(path, cardLayout(), RecordFile::Mode::ReadOnly);
    if (f.partialTail() != 0)
        throw StoreError(StoreError::Kind::Damaged, path,
                         u"ファイルの末尾に不完全なレコードがあるため、取り込めません"_s);
    if (qint64(f.count()) + d.records.size() > DiaryFile::kMaxCards)
        throw StoreError(
            StoreError::Kind::Limit, path,
            QStringLiteral("日記に入るカードは %1 枚までのため、%2 枚は取り込めません（今 %3 枚）")
                .arg(DiaryFile::kMaxCards)
                .arg(d.records.size())
                .arg(f.count()));
    plan.before = f.readAllRaw();
    return plan;
}

const QString kImported = u"imported"_s; // beside the snapshot's manifest

// What the import left, for undoing it later from the backup window. Losing it costs only
// that button: the snapshot itself restores as any other.
void recordImported(const DataFolder &folder, const Note &note, const QString &snapshotPath,
                    QStringList *notices) {
    QByteArray text = "tamanote-imported 1\n";
    try {
        for (const NotedFile &f : note.files) {
            if (f.name == PlayDatabase::fileName()) continue; // its rows go with their diaries
            bool more = false;
            const QByteArray bytes = safefile::readBounded(folder.file(f.name), kLargestNoted, &more);
            text += QByteArray(f.existed ? "0 " : "1 ") + sha256Hex(bytes) + ' ' + f.name.toUtf8() + '\n';
        }
        text += "end\n";
        const QString path = snapshotPath + u'/' + kImported;
        if (const int err = safefile::writeNewFile(AT_FDCWD, native(path), text, 0600))
            throw StoreError::fromErrno(err, path, u"取り込みの記録を書き込むことが"_s);
    } catch (const StoreError &e) {
        notices->append(e.message() + u"（取り込みを元に戻すには、バックアップ「"_s + note.snapshot +
                        u"」からファイルごとに復元してください）"_s);
    }
}

// The rows of the diary's cards that are no longer in it: the cards of an import undone.
void dropRowsOffCards(const DataFolder &folder, const QString &diary) {
    if (!QFileInfo::exists(folder.file(PlayDatabase::fileName()))) return;
    PlayDatabase db(folder);
    if (!db.isOpen()) return;
    const DiaryKeys keys =
        QFileInfo::exists(folder.file(diary)) ? DiaryKeys::ofDiary(folder, diary) : DiaryKeys();
    const QHash<CardKey, PlayInputs> rows = db.playOfDiary(diary);
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        if (keys.find(it.key()) == 0) db.setPlay(diary, it.key(), PlayInputs(), 0);
}

} // namespace

QList<ImportedFile> importedFiles(const backup::Snapshot &snapshot) {
    bool more = false;
    QByteArray bytes;
    try {
        if (safefile::notRegularReason(snapshot.path + u'/' + kImported)) return {};
        bytes = safefile::readBounded(snapshot.path + u'/' + kImported, kLargestNote, &more);
    } catch (const StoreError &) {
        return {};
    }
    if (more || !bytes.startsWith("tamanote-imported 1\n") || !bytes.endsWith("\nend\n")) return {};
    QList<ImportedFile> out;
    const QList<QByteArray> lines = bytes.chopped(1).split('\n');
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> w = lines[i].split(' ');
        if (w.size() < 3) return {};
        ImportedFile f;
        f.made = w[0] == "1";
        f.sha256 = w[1];
        f.name = QString::fromUtf8(lines[i].mid(w[0].size() + w[1].size() + 2));
        if ((w[0] != "0" && w[0] != "1") || !isHex(f.sha256, 64) || !importable(f.name)) return {};
        if (!f.made && !snapshot.file(f.name)) return {}; // restored from the snapshot, so in it
        out.append(f);
    }
    return out;
}

QStringList changedSinceImport(const DataFolder &folder, const QList<ImportedFile> &files) {
    QStringList changed;
    for (const ImportedFile &f : files) {
        const QString path = folder.file(f.name);
        bool more = false;
        try {
            if (safefile::notRegularReason(path) || !QFileInfo::exists(path) ||
                sha256Hex(safefile::readBounded(path, kLargestNoted, &more)) != f.sha256 || more)
                changed.append(f.name);
        } catch (const StoreError &) {
            changed.append(f.name);
        }
    }
    return changed;
}

QString undoImportDetail(const QString &importSnapshotId) {
    return u"取り込みを元に戻す ← "_s + importSnapshotId;
}

backup::Snapshot undoImport(const DataFolder &folder, const backup::Snapshot &snapshot) {
    const QList<ImportedFile> files = importedFiles(snapshot);
    if (files.isEmpty())
        throw StoreError(StoreError::Kind::Invalid, snapshot.id,
                         u"このバックアップには取り込みの記録がありません"_s);
    const backup::Settings settings = backup::automaticSettings().value_or(backup::Settings());
    backup::Backups backups(folder, settings);
    const backup::Snapshot before = backups.take(backup::Reason::Restore, undoImportDetail(snapshot.id));
    for (const ImportedFile &f : files) {
        if (f.made) {
            const QString path = folder.file(f.name);
            if (safefile::notRegularReason(path) || !QFileInfo::exists(path)) continue;
            if (dataFileKind(f.name) == FileCheck::Kind::Diary) {
                // Its rows go first, with the diary emptied, as any diary write with its rows.
                PlayChange rows(f.name);
                const DiaryKeys keys = DiaryKeys::ofDiary(folder, f.name);
                for (int n = 1; n <= keys.count(); ++n)
                    rows.remove(keys.key(n));
                writeWithPlay(folder, rows, DiaryExpectation::fileWritten({}), [&] {
                    RecordFile::rewrite(path, folder.file(DiaryFile::scratchName()), cardLayout(), {});
                });
            }
            if (::unlink(native(path).constData()) != 0 && errno != ENOENT)
                throw StoreError::fromErrno(errno, path, u"取り込みで作ったファイルを消すことが"_s);
            safefile::syncFolder(folder.path());
            continue;
        }
        backups.restore(snapshot, f.name);
        if (dataFileKind(f.name) == FileCheck::Kind::Diary) dropRowsOffCards(folder, f.name);
    }
    return before;
}

ImportResult applyImport(const DataFolder &folder, const ImportBatch &batch) {
    writehook::checkWritable(folder.path());
    ImportResult result;
    // One cut short before is undone first: its note must not be taken for this one's.
    if (const std::optional<QString> done = finishInterruptedImport(folder)) result.notices.append(*done);
    // A torn write rolled back before the diaries are read, not after (the snapshot would).
    if (const QString notice = journal::recover(folder.path()); !notice.isEmpty())
        result.notices.append(notice);

    // Everything is read and checked before the snapshot: a refusal writes nothing.
    QList<DiaryPlan> diaries;
    QSet<QString> names;
    int cards = 0;
    bool withPlay = false;
    for (const ImportBatch::Diary &d : batch.diaries) {
        if (d.records.isEmpty()) continue;
        if (names.contains(d.fileName))
            throw StoreError(StoreError::Kind::Invalid, d.fileName, u"同じ日記が二度あります"_s);
        names.insert(d.fileName);
        diaries.append(planDiary(folder, d));
        cards += int(d.records.size());
        withPlay = withPlay || std::any_of(d.play.cbegin(), d.play.cend(),
                                           [](const PlayInputs &p) { return !p.isEmpty(); });
    }
    QList<const CategoryInfo *> catalogues;
    for (const auto &[option, name] : batch.models) {
        const CategoryInfo *c = categoryByOption(option);
        if (!c)
            throw StoreError(StoreError::Kind::Invalid, name,
                             QStringLiteral("機種の種類 %1 はありません").arg(option));
        if (!catalogues.contains(c)) catalogues.append(c);
    }
    QStringList touched;
    for (const DiaryPlan &p : diaries)
        touched.append(p.diary->fileName);
    if (!batch.stores.isEmpty()) touched.append(StoreFile::fileName());
    for (const CategoryInfo *c : catalogues)
        touched.append(QFileInfo(cataloguePath(folder, *c)).fileName());
    for (const QString &name : touched.mid(diaries.size()))
        safefile::checkReplaceable(folder.file(name));
    const bool makesDatabase = withPlay && !QFileInfo::exists(folder.file(PlayDatabase::fileName()));
    if (makesDatabase) touched.append(PlayDatabase::fileName());
    if (touched.isEmpty()) return result;

    // The snapshot that undoes the import, whether automatic snapshots are on or not.
    const QString detail = QStringLiteral("%1 から %2 枚").arg(batch.source).arg(cards);
    try {
        result.snapshot = backup::Backups(folder, backup::automaticSettings().value_or(backup::Settings()))
                              .take(backup::Reason::Import, detail);
    } catch (const StoreError &e) {
        throw StoreError(e.kind(), e.file(),
                         e.reason() + u"。バックアップを取れないため、取り込みを取りやめました"_s);
    }

    Note note;
    note.snapshot = result.snapshot->id;
    for (const QString &name : touched)
        note.files.append(noteOf(folder, name));
    for (const DiaryPlan &p : diaries) {
        if (p.diary->play.isEmpty()) continue;
        const DiaryKeys keys = DiaryKeys::ofRecords(p.before + p.diary->records);
        for (qsizetype i = 0; i < p.diary->play.size(); ++i)
            if (!p.diary->play[i].isEmpty())
                note.rows.append({p.diary->fileName, keys.key(int(p.before.size() + i + 1))});
    }
    const QString notePath = folder.file(importNoteName());
    if (const int err = safefile::writeNewFile(AT_FDCWD, native(notePath), encodeNote(note), 0600))
        throw StoreError::fromErrno(err, notePath, u"取り込みの記録を書き込むことが"_s);
    try {
        safefile::syncFolder(folder.path());
    } catch (const StoreError &) {
        ::unlink(native(notePath).constData());
        throw;
    }

    try {
        if (withPlay) {
            const PlayDatabase db(folder);
            if (!db.isOpen())
                throw StoreError(StoreError::Kind::Io, db.path(),
                                 db.reason() + u"稼働データを保存できないため、取り込みませんでした"_s);
        }
        for (const DiaryPlan &p : diaries) {
            const ImportBatch::Diary &d = *p.diary;
            const QList<QByteArray> all = p.before + d.records;
            PlayChange change(d.fileName);
            if (!d.play.isEmpty()) {
                const DiaryKeys keys = DiaryKeys::ofRecords(all);
                for (qsizetype i = 0; i < d.play.size(); ++i) {
                    const int n = int(p.before.size() + i + 1);
                    if (!d.play[i].isEmpty()) change.set(keys.key(n), d.play[i], n);
                }
            }
            // The whole diary through its scratch file: one flush, and never a half-written
            // diary for the card screen to open.
            writeWithPlay(
                folder, change, DiaryExpectation::fileWritten(all),
                [&] {
                    rewriteRecords(folder.path(), folder.file(d.fileName), DiaryFile::scratchName(),
                                   cardLayout(), all);
                },
                true);
            result.cards += int(d.records.size());
        }
        if (!batch.stores.isEmpty()) {
            StoreFile stores(folder);
            for (const QString &s : batch.stores)
                if (const std::optional<QString> added = stores.add(s)) result.addedStores.append(*added);
        }
        for (const auto &[option, name] : batch.models)
            if (const std::optional<QString> added =
                    ModelCatalogue(folder, *categoryByOption(option)).add(name))
                result.addedModels.append(*added);
        recordImported(folder, note, result.snapshot->path, &result.notices);
        // Until the note is gone, the next open would undo the import.
        removeNote(folder);
    } catch (const StoreError &e) {
        QStringList changed, failed;
        undo(folder, note, &changed, &failed);
        if (failed.isEmpty()) {
            try {
                removeNote(folder);
            } catch (const StoreError &n) {
                failed.append(n.message());
            }
        }
        const QString how = failed.isEmpty()
                                ? u"。取り込みは取りやめ、データフォルダを取り込む前の状態に戻しました。"_s +
                                      changedText(changed, note.snapshot)
                                : u"。取り込みを途中で止め、元に戻しきれませんでした（"_s +
                                      failed.join(u"、"_s) +
                                      u"）。次に開くときに取り込む前の状態に戻します。その状態は"_s +
                                      snapshotText(note.snapshot) + u"にもあります"_s;
        throw StoreError(e.kind(), e.file(), e.reason() + how);
    }
    return result;
}

std::optional<QString> finishInterruptedImport(const DataFolder &folder) {
    const QString path = folder.file(importNoteName());
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0) return std::nullopt;
    writehook::checkWritable(folder.path());
    if (!S_ISREG(st.st_mode))
        throw StoreError(StoreError::Kind::Damaged, path,
                         u"取り込みの記録の名前に通常のファイルでないものがあります。これを移してください"_s);
    bool more = false;
    const QByteArray bytes = safefile::readBounded(path, kLargestNote, &more);
    Note note;
    const NoteState state = more ? NoteState::Damaged : decodeNote(bytes, &note);
    if (state == NoteState::Damaged)
        throw StoreError(
            StoreError::Kind::Damaged, path,
            u"中断された取り込みの記録が壊れているため、元に戻せません。"
            u"「バックアップと復元」で取り込みの前のバックアップから戻してから、この記録を消してください"_s);
    // Cut short while the note was written: no data file had changed yet.
    if (state == NoteState::CutShort) {
        removeNote(folder);
        return std::nullopt;
    }
    QStringList changed, failed;
    undo(folder, note, &changed, &failed);
    if (!failed.isEmpty())
        throw StoreError(StoreError::Kind::Io, path,
                         u"前回の中断された取り込みを元に戻せませんでした（"_s + failed.join(u"、"_s) +
                             u"）。次に開くときにもう一度戻します。取り込む前の状態は"_s +
                             snapshotText(note.snapshot) + u"にあります"_s);
    removeNote(folder);
    return u"前回の取り込みは終わっていなかったため、取り込む前の状態に戻しました。"_s +
           changedText(changed, note.snapshot);
}

} // namespace tama
