// The limits a player sets (遊技の上限): listed with what the month and the day have used,
// and set under the folder lock like the other writing commands.
#include "context.h"
#include "playcolumn.h"

#include "card/limits.h"
#include "common/clock.h"
#include "store/diary.h"
#include "store/storeerror.h"
#include "store/writehook.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTimeZone>

using namespace Qt::Literals::StringLiterals;

namespace tama::cli {

namespace {

const QString kDash = u"-"_s;

QString unitOf(LimitKind kind) {
    switch (kind) {
    case LimitKind::Investment:
        return u"yen"_s;
    case LimitKind::Visits:
        return u"visits"_s;
    case LimitKind::Hours:
        return u"minutes"_s;
    }
    return {};
}

QString optionalValueText(LimitKind kind, const std::optional<qint64> &v) {
    return v ? limitValueText(kind, *v) : u"なし"_s;
}

QJsonValue optionalJson(const std::optional<qint64> &v) {
    return v ? QJsonValue(double(*v)) : QJsonValue();
}

// The user part, as the database keys a user's rows.
QString userPart(const Context &c) {
    return *diaryUserPart(c.userName());
}

LimitKind kindOption(const Context &c) {
    const QString name = c.required(u"kind"_s);
    const std::optional<LimitKind> kind = limitKindFromName(name);
    if (!kind) throw UsageError{u"--kind は investment、visits、hours のどれかです: "_s + name};
    return *kind;
}

// Yen, visits, or hours with up to two decimals (2.5, 0.75) as minutes; "off" for none.
std::optional<qint64> valueOption(const Context &c, LimitKind kind) {
    const QString text = c.required(u"value"_s);
    if (text == u"off"_s) return std::nullopt;
    static const QRegularExpression whole(u"^[0-9]{1,9}$"_s), hours(u"^[0-9]{1,2}(\\.[0-9]{1,2})?$"_s);
    if (kind == LimitKind::Hours) {
        if (!hours.match(text).hasMatch())
            throw UsageError{u"--value は時間（2.5 のように）か off で指定してください: "_s + text};
        const double minutes = text.toDouble() * 60;
        if (minutes != double(qint64(minutes)))
            throw UsageError{u"--value は15分（0.25時間）単位で指定してください: "_s + text};
        return qint64(minutes);
    }
    if (!whole.match(text).hasMatch())
        throw UsageError{u"--value は整数か off で指定してください: "_s + text};
    return text.toLongLong();
}

int limitsSet(const Context &c) {
    const QString user = userPart(c);
    const LimitKind kind = kindOption(c);
    const std::optional<qint64> value = valueOption(c, kind);
    if (value) {
        try {
            validateLimitValue(kind, *value);
        } catch (const StoreError &e) {
            throw UsageError{e.reason()};
        }
    }
    const bool write = !c.has(u"dry-run"_s);
    std::optional<WriteLock> lock;
    if (write) {
        lock.emplace(c);
        if (!lock->held()) {
            c.errorLine(lock->refusal(u"終了してから保存してください。"_s));
            return 1;
        }
    }
    // Written: opened for writing after the day's snapshot, so that an old database is
    // brought up to date; a dry run never creates or changes it.
    std::unique_ptr<PlayDatabase> db;
    if (write) {
        writehook::beforeWrite(c.folder.file(PlayDatabase::fileName()));
        db = std::make_unique<PlayDatabase>(c.folder, PlayDatabase::Mode::ReadWrite);
        if (!db->isOpen()) {
            c.errorLine(PlayDatabase::fileName() + u" を開けないため、保存しませんでした: "_s + db->reason());
            return 1;
        }
    } else {
        db = openForReading(c, QString());
        if (db && !db->isOpen()) return 1;
    }
    const UserLimits limits(db ? db->limits(user) : QList<LimitRow>());
    if (db && readFailed(c, *db, QString())) return 1;

    const QDateTime now = clock().now();
    const LimitRow before = limits.row(kind);
    const LimitRow after = limits.change(kind, value, now);
    const QString label = limitLabel(kind) + u"の上限"_s;
    c.line(u"old\t"_s + optionalValueText(kind, limits.inForce(kind, now)));
    const QString when = after.pendingSet ? pendingText(kind, after.pending, after.pendingFrom)
                                          : optionalValueText(kind, after.value) + u"（すぐに有効）"_s;
    c.line(u"new\t"_s + when);
    LimitRow a = before, b = after;
    a.updated = b.updated = QDateTime();
    if (a == b) {
        c.line(user + u" の"_s + label + u"は変わりません。"_s);
        return 0;
    }
    const QString summary = user + u" の"_s + label + u"を保存"_s;
    if (!write) {
        c.line(summary + u"します。--dry-run を外すと保存します。"_s);
        return 0;
    }
    db->setLimit(user, after);
    return c.reportDone(summary + u"しました。"_s);
}

} // namespace

int limitsCommand(const Context &c) {
    if (!c.arguments.isEmpty()) {
        if (c.arguments.first() != u"set"_s)
            throw UsageError{c.command + u" の後に置けるのは set だけです: "_s + c.arguments.first()};
        if (c.has(u"json"_s)) throw UsageError{u"--json は一覧を出すときに使います"_s};
        return limitsSet(c);
    }
    for (const QString &v : {u"kind"_s, u"value"_s})
        if (c.values.contains(v)) throw UsageError{u"--"_s + v + u" は limits set で使います"_s};
    if (c.has(u"dry-run"_s)) throw UsageError{u"--dry-run は limits set で使います"_s};

    const QString user = userPart(c);
    const std::unique_ptr<PlayDatabase> db = openForReading(c, QString());
    const UserLimits limits(db && db->isOpen() ? db->limits(user) : QList<LimitRow>());
    const QDateTime now = clock().now();
    LimitUsage usage;
    try {
        usage = limitUsage(c.folder, user, now);
    } catch (const StoreError &e) {
        c.errorLine(e.message());
        return 1;
    }
    if (c.has(u"json"_s)) {
        QJsonArray array;
        for (LimitKind k : limitKinds()) {
            std::optional<qint64> pending;
            QJsonValue change;
            if (limits.waits(k, now, &pending))
                change = QJsonObject{{u"value"_s, optionalJson(pending)},
                                     {u"from"_s, limits.row(k).pendingFrom.toUTC().toString(Qt::ISODate)}};
            array.append(QJsonObject{{u"kind"_s, limitKindName(k)},
                                     {u"unit"_s, unitOf(k)},
                                     {u"limit"_s, optionalJson(limits.inForce(k, now))},
                                     {u"used"_s, double(usage.of(k))},
                                     {u"pending"_s, change}});
        }
        c.json({{u"user"_s, user}, {u"at"_s, now.toUTC().toString(Qt::ISODate)}, {u"limits"_s, array}});
    } else {
        c.line(u"上限\t上限値\t使用\t変更の予定"_s);
        for (LimitKind k : limitKinds()) {
            std::optional<qint64> pending;
            const bool waits = limits.waits(k, now, &pending);
            c.line(limitLabel(k) + u'\t' + optionalValueText(k, limits.inForce(k, now)) + u'\t' +
                   limitValueText(k, usage.of(k)) + u'\t' +
                   (waits ? pendingText(k, pending, limits.row(k).pendingFrom) : kDash));
        }
    }
    if (!db) return 0;
    return db->isOpen() && !readFailed(c, *db, QString()) ? 0 : 1;
}

} // namespace tama::cli
