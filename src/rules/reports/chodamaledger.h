#pragma once

#include "store/chodama.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace tama {

class DataFolder;
class PlayDatabase;
struct HallTerms;
struct PlayInputs;

// One line of a hall's 貯玉: a card's deposit or replay, or an entry made by hand.
struct ChodamaLine {
    QDate day;
    QString store;
    ChodamaKind kind = ChodamaKind::Adjust;
    qint64 balls = 0;    // as entered
    qint64 feeBalls = 0; // the 再プレイ手数料 charged with a replay
    qint64 change = 0;   // the balance's change, the fee included
    qint64 balance = 0;  // the hall's balance after this line
    QString diary;       // a card's line: its diary file and card number
    int card = 0;        // 0 for an entry made by hand
    QByteArray uid;      // an entry made by hand
    QString note;
};

// A hall's balance, valued at its terms in force on the day asked for.
struct ChodamaHall {
    QString store;
    qint64 balls = 0;
    std::optional<qint64> yen; // nothing without terms
};

struct ChodamaLedger {
    QList<ChodamaLine> lines; // by day; on a day, cards in diary order, then entries by hand
    QList<ChodamaHall> halls; // by store, those with any line
    qint64 totalYen = 0;      // of the halls with terms
    QStringList problems;     // diaries that could not be read, in words for the user
};

// A user's 貯玉 over every diary of theirs and the entries by hand; store: only that hall (empty:
// every hall).
// Valued on `on` (today for the windows and the command line).
ChodamaLedger chodamaLedger(const DataFolder &folder, const PlayDatabase &db, const QString &user,
                            const QString &store, const QDate &on);

// The balls a card moved into (+) or out of (−) the hall's store, the fee included.
qint64 chodamaChangeOfCard(const PlayInputs &play, const HallTerms *terms);
// The same valued at the terms on the card's day (yen, half away from zero); nothing
// without 貯玉 on the card or without terms.
std::optional<qint64> chodamaYenOfCard(const PlayInputs &play, const HallTerms *terms);

// The user's switch: whether the change of 貯玉 counts in the totals (off unless set).
bool chodamaInTotals(const PlayDatabase &db, const QString &user);
void setChodamaInTotals(PlayDatabase &db, const QString &user, bool on); // throws StoreError

} // namespace tama
