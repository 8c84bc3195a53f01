#pragma once

#include "store/playdata.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace tama {

class CardText;
class DataFolder;

// How long a loosened limit waits before it takes effect.
constexpr qint64 kLimitWaitSeconds = 24 * 60 * 60;

// A user's limits (遊技の上限) as stored, read at a moment: a change whose time has
// come is in force, whether or not it was written back.
class UserLimits {
  public:
    UserLimits() = default;
    explicit UserLimits(const QList<LimitRow> &rows);

    // The stored row of a kind (no limit, nothing pending when none is stored).
    LimitRow row(LimitKind kind) const;
    // The limit in force at a moment; nothing: no limit.
    std::optional<qint64> inForce(LimitKind kind, const QDateTime &at) const;
    // Whether a change still waits at a moment; its value in pendingValue (nothing: off).
    bool waits(LimitKind kind, const QDateTime &at, std::optional<qint64> *pendingValue = nullptr) const;
    bool anyInForce(const QDateTime &at) const;

    // The row to store when the user sets a kind to value (nothing: off) at a moment.
    // Tightening (a lower limit, or one where there was none) is in force at once and
    // drops a waiting change, which was looser. Loosening (higher, or off) waits 24 hours
    // and replaces a waiting change; when it is no looser than the one it replaces, it
    // keeps that one's time, else the wait starts again. Setting the limit in force
    // again drops a waiting change.
    LimitRow change(LimitKind kind, std::optional<qint64> value, const QDateTime &at) const;

  private:
    QList<LimitRow> m_rows;
};

// What a user's diary of the year counts against the limits at a moment: the month's
// investment (yen) and visits (cards), the day's play (minutes). Cards with the deletion
// mark and cards whose date cannot be read do not count; a card whose end lies before its
// start is play past midnight.
struct LimitUsage {
    qint64 investment = 0;
    qint64 visits = 0;
    qint64 minutes = 0;

    qint64 of(LimitKind kind) const;
    void add(const CardText &card, const QDate &today);
    friend bool operator==(const LimitUsage &, const LimitUsage &) = default;
};
// Reads the user's diary of at's year (none: nothing used). Throws StoreError.
LimitUsage limitUsage(const DataFolder &folder, const QString &user, const QDateTime &at);

// What the windows show: a user's limits and usage at a moment. problem says, in words
// for the user, what could not be read (the limits then count as none, the usage as 0).
struct LimitStatus {
    UserLimits limits;
    LimitUsage usage;
    QString problem;
    bool limitsRead = true; // false: the problem is the database's, not the diary's
};
// The database is read only when it is there, and never created; the diary only when the
// user has a limit stored. ReadWrite brings a database of an older version up to date.
LimitStatus readLimitStatus(const DataFolder &folder, const QString &user, const QDateTime &at,
                            PlayDatabase::Mode mode = PlayDatabase::Mode::ReadOnly);

// A limit passed by a write: usage was at or below it before and is above it after.
struct LimitCrossing {
    LimitKind kind;
    qint64 limit = 0;
    qint64 usage = 0;
};
QList<LimitCrossing> limitCrossings(const UserLimits &limits, const QDateTime &at, const LimitUsage &before,
                                    const LimitUsage &after);

// Texts shared by the windows and the command line.
QString limitValueText(LimitKind kind, qint64 value); // "50,000円", "8回", "3時間30分"
QString limitLabel(LimitKind kind); // "今月の投資", "今月の来店", "今日の遊技時間"
// "今月の投資 42,000円 / 上限 50,000円"
QString limitFactText(LimitKind kind, qint64 usage, qint64 limit);
// The fact of the limit in force nearest its limit (by usage over limit); empty without one.
QString nearestLimitText(const UserLimits &limits, const LimitUsage &usage, const QDateTime &at);
// "2026年12月10日 14:30から 60,000円" (local time), "… から 上限なし".
QString pendingText(LimitKind kind, const std::optional<qint64> &value, const QDateTime &from);
// What the 注意 box says after a write passed a limit.
QString crossingText(const LimitCrossing &crossing);

} // namespace tama
