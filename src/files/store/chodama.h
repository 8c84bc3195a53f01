#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

namespace tama {

// The most balls one 貯玉 entry or one card's 貯玉 can move.
constexpr qint64 kMaxChodamaBalls = 10'000'000;

// What a 貯玉 entry does to a hall's balance.
enum class ChodamaKind { Deposit = 1, Replay = 2, Settle = 3, Adjust = 4 };
// 預け入れ, 再プレイ, 精算, 調整.
QString chodamaKindName(ChodamaKind kind);
// The Japanese name or deposit, replay, settle, adjust; nothing for another.
std::optional<ChodamaKind> chodamaKindFromName(const QString &name);

// One 貯玉 entry made by hand (a card's own 貯玉 is kept in its play row).
struct ChodamaEntry {
    QByteArray uid; // 16 random bytes, its identity across copies of the database
    QString user;   // the diary's user part
    QString store;  // as stored in the store file, trimmed
    QDate day;
    ChodamaKind kind = ChodamaKind::Adjust;
    qint64 balls = 0; // above 0; an adjustment's may be below 0 too, never 0
    QString note;
    QDateTime updated; // set by the database

    // The balance's change: + for a deposit, − for a replay or settlement, the count itself
    // for an adjustment. The replay fee is not in it.
    qint64 change() const;
    friend bool operator==(const ChodamaEntry &, const ChodamaEntry &) = default;
};
// Throws StoreError(Invalid) naming what is wrong: no user, store or day, balls of 0 or
// beyond kMaxChodamaBalls, a deposit, replay or settlement below 0, a store or note the code
// page cannot hold.
void validateChodamaEntry(const ChodamaEntry &entry);

// The balls a 再プレイ手数料 of feePercent charges on used balls replayed, rounded half away
// from zero; 0 without a fee.
qint64 chodamaFeeBalls(qint64 used, std::optional<double> feePercent);

} // namespace tama
