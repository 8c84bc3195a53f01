#include "store/merge.h"

#include "store/playdata.h"

#include "store/diary.h"
#include "store/recordfile.h"
#include "store/safefile.h"
#include "store/storeerror.h"

#include <QFileInfo>
#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

constexpr int kDateBytes = 10, kStartOffset = 10, kStartBytes = 4, kStoreOffset = 18, kStoreBytes = 20;

bool isMarked(const QByteArray &r) {
    return r.startsWith('R');
}

// The card with its deletion mark taken off: the mark replaced the first digit of the year.
QByteArray unmarked(const QByteArray &r, int year) {
    if (!isMarked(r)) return r;
    QByteArray u = r;
    u[0] = char('0' + (year / 1000) % 10);
    return u;
}

// Date (without the mark), start time and store, as stored.
QByteArray visitKey(const QByteArray &r) {
    return r.mid(1, kDateBytes - 1) + r.mid(kStartOffset, kStartBytes) + r.mid(kStoreOffset, kStoreBytes);
}

bool ofYear(const QByteArray &r, int year) {
    const QByteArray digits = QByteArray::number(year);
    return r.mid(1, 3) == digits.mid(1, 3) && (isMarked(r) || r.at(0) == digits.at(0));
}

} // namespace

MergePlan planMerge(const QList<QByteArray> &ours, const QList<QByteArray> &theirs, int year) {
    const int len = cardLayout().length();
    MergePlan plan;
    plan.ours = int(ours.size());
    plan.theirs = int(theirs.size());
    plan.records = ours;

    for (int i = 0; i < theirs.size(); ++i) {
        if (theirs[i].size() != len)
            throw StoreError(StoreError::Kind::Damaged, QString(),
                             u"統合するファイルのカードが壊れています"_s);
        if (!ofYear(theirs[i], year))
            throw StoreError(StoreError::Kind::Invalid, QString(),
                             QStringLiteral("統合するファイルの %1 枚目のカードは %2 年のものではありません。"
                                            "同じ年の日記どうししか統合できません")
                                 .arg(i + 1)
                                 .arg(year));
    }

    // Each card of ours matches at most one card of theirs, so that a card written twice
    // on one side stays twice.
    QHash<QByteArray, QList<int>> unmatched; // unmarked bytes → indexes in records
    for (int i = 0; i < ours.size(); ++i)
        unmatched[unmarked(ours[i], year)].append(i);
    QHash<QByteArray, QList<int>> byVisit;
    for (int i = 0; i < ours.size(); ++i)
        byVisit[visitKey(ours[i])].append(i);

    QList<int> pending; // cards of theirs not in ours
    for (int i = 0; i < theirs.size(); ++i) {
        QList<int> &same = unmatched[unmarked(theirs[i], year)];
        if (same.isEmpty()) {
            pending.append(i);
            continue;
        }
        const int at = same.takeFirst();
        ++plan.same;
        if (isMarked(theirs[i]) && !isMarked(plan.records[at])) {
            plan.records[at][0] = 'R';
            ++plan.marked;
        }
    }
    if (plan.records.size() + pending.size() > DiaryFile::kMaxCards)
        throw StoreError(StoreError::Kind::Limit, QString(),
                         QStringLiteral("統合すると %1 枚になり、1年の日記に入る %2 枚を超えます")
                             .arg(plan.records.size() + pending.size())
                             .arg(DiaryFile::kMaxCards));
    for (int i : pending) {
        plan.records.append(theirs[i]);
        plan.added.append(i + 1);
        const int n = int(plan.records.size());
        // A card both copies hold alike, added again because one side had it twice, is no
        // conflict with itself.
        for (int o : byVisit.value(visitKey(theirs[i])))
            if (unmarked(ours[o], year) != unmarked(theirs[i], year)) plan.conflicts.append({o + 1, n});
    }
    return plan;
}

QList<QByteArray> readOtherCopy(const QString &path) {
    const int len = cardLayout().length();
    bool more = false;
    const QByteArray bytes = safefile::readBounded(path, qint64(DiaryFile::kMaxCards) * len, &more);
    if (!QFileInfo::exists(path))
        throw StoreError(StoreError::Kind::Invalid, path, u"ファイルがありません"_s);
    if (more) throw StoreError(StoreError::Kind::Damaged, path, u"日記に入るより多くのカードがあります"_s);
    if (bytes.size() % len != 0)
        throw StoreError(
            StoreError::Kind::Damaged, path,
            QStringLiteral("長さ %1 バイトがカード %2 バイトの倍数ではないため、日記ではありません")
                .arg(bytes.size())
                .arg(len));
    QList<QByteArray> records;
    for (qsizetype at = 0; at < bytes.size(); at += len)
        records.append(bytes.mid(at, len));
    return records;
}

MergePlan mergeDiary(const DataFolder &folder, const QString &fileName, const QString &fromPath, int year) {
    const QString target = folder.file(fileName);
    if (QFileInfo(fromPath).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        throw StoreError(StoreError::Kind::Invalid, fromPath, u"日記そのものとは統合できません"_s);
    const QList<QByteArray> theirs = readOtherCopy(fromPath);
    const DiaryFile diary(folder, fileName);
    if (diary.partialTail() != 0)
        throw StoreError(StoreError::Kind::Damaged, target,
                         u"末尾に不完全なレコードがあるため統合できません"_s);
    const QList<QByteArray> ours = diary.readAllRaw();
    MergePlan plan = planMerge(ours, theirs, year);
    if (plan.changes()) {
        QList<int> newToOld;
        for (int i = 1; i <= plan.after(); ++i)
            newToOld.append(i <= ours.size() ? i : 0);
        writeWithPlay(
            folder, PlayChange::forRewrite(fileName, ours, plan.records, newToOld),
            DiaryExpectation::fileWritten(plan.records),
            [&] {
                rewriteRecords(folder.path(), target, DiaryFile::scratchName(), cardLayout(), plan.records);
            },
            true);
    }
    return plan;
}

} // namespace tama
