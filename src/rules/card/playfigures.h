#pragma once

#include "store/playdata.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace tama {

class CardRecord;
class PlayDatabase;

// Why the figures of a card cannot be worked out, in the order they are checked.
enum class PlayMissing { None, NoSpins, NoHallTerms, NoModelSpec };
QString playMissingCode(PlayMissing m); // "no_spins", "no_hall_terms", "no_model_spec"; empty for None
QString playMissingText(PlayMissing m); // for the player: "回転数が入っていません" …

// What the figures are worked out from.
struct PlayFiguresInput {
    qint64 investment = 0; // I, yen
    qint64 cashOut = 0;    // O, yen
    PlayInputs play;
    std::optional<HallTerms> terms;
    std::optional<ModelSpec> spec;
};

// The figures of one card (with F = I / L + Bown balls fired, w balls per normal spin):
// 回転率 R = S · (1000 / L) / F; 等価ボーダー Beq = (1000 / L) / w; 現金ボーダー
// Bcash = Beq · L / E; ボーダー差 R − Bcash; 期待値 EV = E · (S · w − Bown) − I;
// 余剰 = (O − I) − EV.
struct PlayFigures {
    PlayMissing missing = PlayMissing::NoSpins;
    double ballsFired = 0;    // F
    double spinRate = 0;      // R
    double borderEqual = 0;   // Beq
    double borderCash = 0;    // Bcash
    double borderGap = 0;     // R − Bcash
    qint64 expectedValue = 0; // yen, rounded half away from zero
    qint64 luck = 0;          // yen, likewise

    bool complete() const { return missing == PlayMissing::None; }
};
// No spins (or none fired: F = 0) → NoSpins; no terms → NoHallTerms; no w → NoModelSpec.
PlayFigures playFigures(const PlayFiguresInput &input);

// Whole yen, halves away from zero.
qint64 roundYen(double yen);
// A rate with one decimal ("18.6"), as the card screen shows it.
QString rateText(double rate);

// Every hall's terms and every model's spec, read from the database once, for passes over
// many cards that must not ask it card by card. A closed database gives none.
class PlayLookup {
  public:
    PlayLookup() = default;
    explicit PlayLookup(const PlayDatabase &db);
    std::optional<HallTerms> termsOn(const QString &store, const QDate &date) const;
    // category: the option number (1 … 5).
    std::optional<ModelSpec> spec(int category, const QString &model) const;

  private:
    QHash<QString, QList<HallTerms>> m_terms; // by store, oldest first
    QHash<QString, ModelSpec> m_specs;        // by "category\nmodel"
};

// The figures of a card as stored (I, O, date, store, category and model from its fields),
// with the hall's terms on its date and the model's spec from the lookup.
PlayFigures playFiguresOf(const CardRecord &card, const PlayInputs &play, const PlayLookup &lookup);
// The same, asking the database (which may be closed: then terms and spec are missing).
PlayFigures playFiguresOf(const CardRecord &card, const PlayInputs &play, const PlayDatabase &db);

} // namespace tama
