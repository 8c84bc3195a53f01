#include "context.h"

#include "common/text.h"
#include "store/backup.h"
#include "store/diary.h"
#include "store/importwriter.h"
#include "store/merge.h"
#include "store/playdata.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QLocale>

using namespace Qt::Literals::StringLiterals;

namespace tama::cli {

namespace {

QString unitOf(const QString &kind) {
    if (kind == u"users"_s) return u"人"_s;
    if (kind == u"diary"_s) return u"枚"_s;
    if (kind == u"stores"_s) return u"店"_s;
    return u"機種"_s;
}

QString timeText(const QDateTime &t) {
    return t.toString(u"yyyy-MM-dd HH:mm:ss"_s);
}

QString sizeText(qint64 bytes) {
    return QLocale::c().toString(bytes) + u" バイト"_s;
}

// A snapshot the user named: unknown and unreadable ones are told apart.
std::optional<backup::Snapshot> namedSnapshot(const Context &c, const backup::Backups &backups,
                                              const QString &id) {
    if (std::optional<backup::Snapshot> s = backups.find(id)) return s;
    const QFileInfo folder(QDir(backups.path()).filePath(id));
    if (isPlainFileName(id) && !id.startsWith(u'.') && folder.isDir() && !folder.isSymLink())
        c.errorLine(u"バックアップ「"_s + id + u"」は目録（manifest.json）が読めないため使えません"_s);
    else
        c.errorLine(u"バックアップ「"_s + id + u"」はありません（backups で一覧を出せます）"_s);
    return std::nullopt;
}

// How a card is named in a report: its date, start time and store as stored.
QString describe(const QByteArray &record) {
    const CardRecord card(Record::fromBytes(cardLayout(), record));
    return trim(card.field(CardRecord::VisitDate)) + u' ' + card.field(CardRecord::StartTime) + u' ' +
           trim(card.field(CardRecord::StoreName));
}

} // namespace

WriteLock::WriteLock(const Context &c) : m_lock(c.folder, DataFolderLock::Holder::Command) {
    if (!m_lock.held()) return;
    m_settings = backup::Settings::load();
    // A restore that a crash cut short between its renames is finished before anything else.
    try {
        if (const std::optional<QString> done = backup::Backups(c.folder).finishInterruptedRestore())
            c.errorLine(*done);
    } catch (const StoreError &e) {
        c.errorLine(e.message());
    }
    try {
        if (const std::optional<QString> done = finishInterruptedImport(c.folder)) c.errorLine(*done);
    } catch (const StoreError &e) {
        c.errorLine(e.message());
    }
    backup::setAutomatic(c.folder, m_settings);
    m_beforeWrite.emplace(m_daily);
    if (const std::optional<QString> notice = repairPlayData(c.folder)) c.errorLine(*notice);
}

// Nothing of one command is left to the next run in the same process.
WriteLock::~WriteLock() {
    if (m_lock.held()) backup::clearAutomatic();
}

int backupsCommand(const Context &c) {
    const backup::Backups backups(c.folder);
    const QList<backup::Snapshot> list = backups.list();
    const qint64 backupBytes = backups.backupBytes(), dataBytes = backups.dataBytes();
    if (c.has(u"json"_s)) {
        QJsonArray snapshots;
        for (const backup::Snapshot &s : list) {
            QJsonArray files;
            for (const backup::SnapshotFile &f : s.files)
                files.append(QJsonObject{{u"name"_s, f.name},
                                         {u"kind"_s, f.kind},
                                         {u"size"_s, f.size},
                                         {u"sha256"_s, QString::fromLatin1(f.sha256)},
                                         {u"records"_s, f.records},
                                         {u"changed"_s, f.changed}});
            snapshots.append(QJsonObject{{u"id"_s, s.id},
                                         {u"time"_s, s.time.toString(Qt::ISODate)},
                                         {u"reason"_s, backup::reasonCode(s.reason)},
                                         {u"reasonText"_s, backup::reasonText(s.reason)},
                                         {u"detail"_s, s.detail},
                                         {u"files"_s, files}});
        }
        c.json({{u"snapshots"_s, snapshots}, {u"backupBytes"_s, backupBytes}, {u"dataBytes"_s, dataBytes}});
        return 0;
    }
    for (const backup::Snapshot &s : list) {
        QString head = s.id + u'\t' + timeText(s.time) + u'\t' + backup::reasonCode(s.reason) + u' ' +
                       backup::reasonText(s.reason);
        if (!s.detail.isEmpty()) head += u'\t' + s.detail;
        c.line(head);
        for (const backup::SnapshotFile &f : s.files)
            c.line(u"  "_s + f.name + u'\t' + f.kind + u'\t' + QString::number(f.records) + u' ' +
                   unitOf(f.kind) + u'\t' + sizeText(f.size) + u'\t' +
                   (f.changed ? u"変更あり"_s : u"前と同じ"_s));
    }
    c.line(QStringLiteral("バックアップ %1 個、%2（データファイル %3）")
               .arg(list.size())
               .arg(sizeText(backupBytes), sizeText(dataBytes)));
    return 0;
}

int backupCommand(const Context &c) {
    const WriteLock writing(c);
    if (!writing.held()) {
        c.errorLine(writing.refusal(u"終了してからバックアップを取ってください。"_s));
        return 1;
    }
    const backup::Snapshot s = backup::Backups(c.folder, writing.settings()).take(backup::Reason::Manual);
    return c.reportDone(s.id);
}

int restoreCommand(const Context &c) {
    if (c.arguments.isEmpty()) throw UsageError{u"restore には復元するバックアップの名前が必要です"_s};
    const QString id = c.arguments.first();
    const QString only = c.value(u"file"_s);
    if (c.values.contains(u"file"_s) && !isPlainFileName(only))
        throw UsageError{u"--file にはデータフォルダのファイルの名前を指定してください: "_s + only};

    const backup::Backups looking(c.folder);
    const std::optional<backup::Snapshot> s = namedSnapshot(c, looking, id);
    if (!s) return 1;
    const backup::RestorePlan plan = looking.planRestore(*s, only);
    const QStringList problems = looking.verify(*s, only);
    if (!problems.isEmpty()) {
        for (const QString &p : problems)
            c.errorLine(u"damaged "_s + s->id + u"/"_s + p);
        c.errorLine(u"バックアップ「"_s + s->id + u"」は壊れているため復元できません"_s);
        return 1;
    }
    for (const QString &name : plan.write)
        c.line(u"write "_s + name);
    for (const QString &name : plan.remove)
        c.line(u"remove "_s + name);
    for (const QString &name : plan.same)
        c.line(u"same "_s + name);
    const QString summary = QStringLiteral("%1（%2）から: 書き戻し %3、削除 %4、変わらない %5")
                                .arg(s->id, timeText(s->time))
                                .arg(plan.write.size())
                                .arg(plan.remove.size())
                                .arg(plan.same.size());
    if (plan.write.isEmpty() && plan.remove.isEmpty()) {
        c.line(summary + u"。データはすでにこのバックアップと同じです。"_s);
        return 0;
    }
    if (!c.has(u"yes"_s)) {
        c.line(summary + u"。--yes を付けると復元します。"_s);
        return 0;
    }

    const WriteLock writing(c);
    if (!writing.held()) {
        c.errorLine(writing.refusal(u"終了してから復元してください。"_s));
        return 1;
    }
    backup::Backups backups(c.folder, writing.settings());
    const backup::Snapshot undo = backups.restore(*s, only);
    c.errorLine(u"復元する前の状態をバックアップ "_s + undo.id + u" に保存しました"_s);
    return c.reportDone(summary + u"。復元しました（元に戻すには restore "_s + undo.id + u" --yes）。"_s);
}

int mergeCommand(const Context &c) {
    QString yearText;
    const QString fileName = c.diaryFileName(&yearText);
    const int year = yearText.toInt();
    const QString from = c.required(u"from"_s);
    const QList<QByteArray> theirs = readOtherCopy(from);
    if (QFileInfo(from).canonicalFilePath() == QFileInfo(c.folder.file(fileName)).canonicalFilePath()) {
        c.errorLine(u"日記そのものとは統合できません: "_s + from);
        return 1;
    }
    // A name mistyped would otherwise make a new diary of the other copy.
    if (!QFileInfo::exists(c.folder.file(fileName))) {
        c.errorLine(u"日記ファイルがありません: "_s + fileName);
        return 1;
    }
    const DiaryFile diary(c.folder, fileName, RecordFile::Mode::ReadOnly);
    if (diary.partialTail() != 0) {
        c.errorLine(u"damaged "_s + fileName + u": 末尾に不完全なレコードがあるため統合できません"_s);
        return 1;
    }
    const MergePlan plan = planMerge(diary.readAllRaw(), theirs, year);

    for (int i = 0; i < plan.added.size(); ++i) {
        const int n = plan.ours + i + 1;
        c.line(u"add "_s + QString::number(plan.added[i]) + u" -> "_s + QString::number(n) + u'\t' +
               describe(plan.records[n - 1]));
    }
    for (const MergePlan::Pair &p : plan.conflicts)
        c.line(u"conflict "_s + QString::number(p.ours) + u" / "_s + QString::number(p.theirs) + u'\t' +
               describe(plan.records[p.ours - 1]));
    QString summary =
        QStringLiteral("%1: 日記 %2 枚、%3 %4 枚（同じカード %5 枚、削除候補の印を引き継ぐ %6 枚）"
                       "→ %7 枚（加わる %8 枚）")
            .arg(fileName)
            .arg(plan.ours)
            .arg(QFileInfo(from).fileName())
            .arg(plan.theirs)
            .arg(plan.same)
            .arg(plan.marked)
            .arg(plan.after())
            .arg(plan.added.size());
    if (!plan.conflicts.isEmpty())
        summary +=
            QStringLiteral("。日付・開始時刻・店が同じで中身の違うカードが %1 組あります（conflict の行）。"
                           "両方とも残すので、確かめて要らないほうを削除候補にしてください")
                .arg(plan.conflicts.size());
    if (!plan.changes()) {
        c.line(summary + u"。統合しても変わるところはありません。"_s);
        return 0;
    }
    if (!c.has(u"yes"_s)) {
        c.line(summary + u"。--yes を付けると統合します。"_s);
        return 0;
    }

    const WriteLock writing(c);
    if (!writing.held()) {
        c.errorLine(writing.refusal(u"終了してから統合してください。"_s));
        return 1;
    }
    // Asked for by name, so taken even when the automatic snapshots are off.
    const backup::Snapshot before =
        backup::Backups(c.folder, writing.settings()).take(backup::Reason::Merge, fileName);
    c.errorLine(u"統合する前の状態をバックアップ "_s + before.id + u" に保存しました"_s);
    const MergePlan done = mergeDiary(c.folder, fileName, from, year);
    if (done.records != plan.records)
        c.errorLine(u"統合中に日記ファイルが変わりました。結果を確かめてください。"_s);
    return c.reportDone(summary + u"。統合しました。"_s);
}

} // namespace tama::cli
