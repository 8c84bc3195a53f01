#include "context.h"

#include "common/text.h"
#include "store/backup.h"
#include "store/diary.h"
#include "store/organise.h"
#include "store/storeerror.h"

#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace tama::cli {

namespace {

// How a card is named in the report: its date, start time and store as stored.
QString describe(const CardRecord &card) {
    return trim(card.field(CardRecord::VisitDate)) + u' ' + card.field(CardRecord::StartTime) + u' ' +
           trim(card.field(CardRecord::StoreName));
}

} // namespace

int organiseCommand(const Context &c) {
    const QString fileName = c.diaryFileName();
    if (!QFileInfo::exists(c.folder.file(fileName))) {
        c.errorLine(u"日記ファイルがありません: "_s + fileName);
        return 1;
    }
    const bool write = c.has(u"yes"_s);

    // The desktop program holds this lock while it has the folder open; organising
    // under it would replace the diary behind the card screen's back.
    std::optional<WriteLock> lock;
    if (write) {
        lock.emplace(c);
        if (!lock->held()) {
            c.errorLine(lock->refusal(u"終了してから整理してください。"_s));
            return 1;
        }
    }

    const DiaryFile diary(c.folder, fileName, write ? RecordFile::Mode::Create : RecordFile::Mode::ReadOnly);
    if (diary.partialTail() != 0) {
        c.errorLine(u"damaged "_s + fileName + u": 末尾に不完全なレコードがあるため整理できません"_s);
        return 1;
    }
    const QList<QByteArray> records = diary.readAllRaw();
    const OrganisePlan plan = planOrganise(records);
    auto card = [&records](int n) { return CardRecord(Record::fromBytes(cardLayout(), records[n - 1])); };

    for (int n : plan.dropped)
        c.line(u"drop "_s + QString::number(n) + u'\t' + describe(card(n)));
    for (int i = 0; i < plan.after(); ++i) {
        const int from = plan.order[i];
        if (from != i + 1)
            c.line(u"move "_s + QString::number(from) + u" -> "_s + QString::number(i + 1) + u'\t' +
                   describe(card(from)));
    }
    const QString summary = QStringLiteral("%1: %2 枚 → %3 枚（削除 %4 枚、移動 %5 枚）")
                                .arg(fileName)
                                .arg(plan.before)
                                .arg(plan.after())
                                .arg(plan.dropped.size())
                                .arg(plan.moved());
    if (!write) {
        c.line(summary + u"。--yes を付けると書き換えます。"_s);
        return 0;
    }
    if (const std::optional<backup::Snapshot> b =
            backup::beforeOperation(c.folder, backup::Reason::Organise, fileName))
        c.errorLine(u"整理する前の状態をバックアップ "_s + b->id + u" に保存しました"_s);
    const OrganisePlan done = organiseDiary(c.folder, fileName);
    if (done.order != plan.order || done.dropped != plan.dropped) {
        // The diary changed between reading and writing; what was written is its newest state.
        c.errorLine(u"整理中に日記ファイルが変わりました。結果を確かめてください。"_s);
    }
    c.line(summary + u"。整理しました。"_s);
    if (!c.flushOut()) {
        // The diary is organised: a script must not take the lost report for a failure.
        c.errorLine(summary + u"。整理しました（報告は出力できませんでした）。"_s);
        c.acceptOutputLoss();
    }
    return 0;
}

} // namespace tama::cli
