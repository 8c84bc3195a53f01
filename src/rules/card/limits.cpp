#include "card/limits.h"

#include "common/text.h"
#include "reports/diarystats.h"
#include "reports/playtime.h"
#include "reports/viewtext.h"
#include "store/diary.h"
#include "store/storeerror.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {
// Whether a is looser than b (nothing: no limit, the loosest).
bool looser(const std::optional<qint64> &a, const std::optional<qint64> &b) {
    if (!b) return false;
    return !a || *a > *b;
}
} // namespace

UserLimits::UserLimits(const QList<LimitRow> &rows) : m_rows(rows) {}

LimitRow UserLimits::row(LimitKind kind) const {
    for (const LimitRow &r : m_rows)
        if (r.kind == kind) return r;
    LimitRow none;
    none.kind = kind;
    return none;
}

std::optional<qint64> UserLimits::inForce(LimitKind kind, const QDateTime &at) const {
    const LimitRow r = row(kind);
    if (r.pendingSet && r.pendingFrom <= at) return r.pending;
    return r.value;
}

bool UserLimits::waits(LimitKind kind, const QDateTime &at, std::optional<qint64> *pendingValue) const {
    const LimitRow r = row(kind);
    const bool waiting = r.pendingSet && r.pendingFrom > at;
    if (waiting && pendingValue) *pendingValue = r.pending;
    return waiting;
}

bool UserLimits::anyInForce(const QDateTime &at) const {
    for (LimitKind k : limitKinds())
        if (inForce(k, at)) return true;
    return false;
}

LimitRow UserLimits::change(LimitKind kind, std::optional<qint64> value, const QDateTime &at) const {
    const LimitRow was = row(kind);
    LimitRow r;
    r.kind = kind;
    r.value = inForce(kind, at);
    if (!looser(value, r.value)) {
        r.value = value;
        return r;
    }
    std::optional<qint64> waiting;
    const bool hasWaiting = waits(kind, at, &waiting);
    r.pendingSet = true;
    r.pending = value;
    // A smaller loosening than the one already waiting need not wait longer than it.
    r.pendingFrom =
        hasWaiting && !looser(value, waiting) ? was.pendingFrom : at.toUTC().addSecs(kLimitWaitSeconds);
    return r;
}

qint64 LimitUsage::of(LimitKind kind) const {
    switch (kind) {
    case LimitKind::Investment:
        return investment;
    case LimitKind::Visits:
        return visits;
    case LimitKind::Hours:
        return minutes;
    }
    return 0;
}

void LimitUsage::add(const CardText &card, const QDate &today) {
    if (card.field(CardRecord::VisitDate).startsWith(u'R')) return;
    const std::optional<CardDate> d = cardDate(card);
    if (!d || d->year != today.year() || d->month != today.month()) return;
    investment += viewtext::valueOf(card.field(CardRecord::Investment)) * 100;
    visits += 1;
    if (d->day != today.day()) return;
    const int m = playMinutes(card);
    minutes += m < 0 ? m + 24 * 60 : m;
}

LimitUsage limitUsage(const DataFolder &folder, const QString &user, const QDateTime &at) {
    LimitUsage usage;
    const QDate today = at.date();
    const QString name = DiaryFileName(user, today.year());
    if (!QFileInfo::exists(folder.file(name))) return usage;
    const DiaryFile diary(folder, name, RecordFile::Mode::ReadOnly);
    diary.forEachRaw([&](int, const char *bytes) { usage.add(CardText::ofBytes(bytes), today); });
    return usage;
}

LimitStatus readLimitStatus(const DataFolder &folder, const QString &user, const QDateTime &at,
                            PlayDatabase::Mode mode) {
    LimitStatus status;
    const QFileInfo file(folder.file(PlayDatabase::fileName()));
    if (!file.exists() && !file.isSymLink()) return status;
    const PlayDatabase db(folder, mode);
    if (!db.isOpen()) {
        status.problem = PlayDatabase::fileName() + u": "_s + db.reason();
        status.limitsRead = false;
        return status;
    }
    const QList<LimitRow> rows = db.limits(user);
    status.limits = UserLimits(rows);
    if (!db.readError().isEmpty()) {
        status.problem = PlayDatabase::fileName() + u": "_s + db.readError();
        status.limitsRead = false;
        return status;
    }
    if (rows.isEmpty()) return status; // a user without limits has nothing to count
    try {
        status.usage = limitUsage(folder, user, at);
    } catch (const StoreError &e) {
        status.problem = e.message();
    }
    return status;
}

QList<LimitCrossing> limitCrossings(const UserLimits &limits, const QDateTime &at, const LimitUsage &before,
                                    const LimitUsage &after) {
    QList<LimitCrossing> out;
    for (LimitKind k : limitKinds()) {
        const std::optional<qint64> limit = limits.inForce(k, at);
        if (limit && before.of(k) <= *limit && after.of(k) > *limit)
            out.append(LimitCrossing{k, *limit, after.of(k)});
    }
    return out;
}

QString limitValueText(LimitKind kind, qint64 value) {
    switch (kind) {
    case LimitKind::Investment:
        return (value ? formatAmount(value) : u"0"_s) + u"円"_s; // formatAmount leaves 0 blank
    case LimitKind::Visits:
        return QString::number(value) + u"回"_s;
    case LimitKind::Hours: {
        const QString hours = QString::number(value / 60) + u"時間"_s;
        return value % 60 ? hours + QString::number(value % 60) + u"分"_s : hours;
    }
    }
    return {};
}

QString limitLabel(LimitKind kind) {
    switch (kind) {
    case LimitKind::Investment:
        return u"今月の投資"_s;
    case LimitKind::Visits:
        return u"今月の来店"_s;
    case LimitKind::Hours:
        return u"今日の遊技時間"_s;
    }
    return {};
}

QString limitFactText(LimitKind kind, qint64 usage, qint64 limit) {
    return limitLabel(kind) + u' ' + limitValueText(kind, usage) + u" / 上限 "_s +
           limitValueText(kind, limit);
}

QString nearestLimitText(const UserLimits &limits, const LimitUsage &usage, const QDateTime &at) {
    QString text;
    double nearest = -1;
    for (LimitKind k : limitKinds()) {
        const std::optional<qint64> limit = limits.inForce(k, at);
        if (!limit) continue;
        const double share = double(usage.of(k)) / double(*limit);
        if (share <= nearest) continue; // the first of equals stays
        nearest = share;
        text = limitFactText(k, usage.of(k), *limit);
    }
    return text;
}

QString pendingText(LimitKind kind, const std::optional<qint64> &value, const QDateTime &from) {
    const QDateTime local = from.toLocalTime();
    return local.toString(u"yyyy年M月d日 HH:mm"_s) + u"から "_s +
           (value ? limitValueText(kind, *value) : u"上限なし"_s);
}

QString crossingText(const LimitCrossing &c) {
    return limitLabel(c.kind) + u"が上限の"_s + limitValueText(c.kind, c.limit) + u"を超えました（"_s +
           limitValueText(c.kind, c.usage) + u"）。"_s;
}

} // namespace tama
