#pragma once

#include "store/playdata.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <unordered_map>

namespace tama {

class CardRecord;
class CardText;
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
    std::optional<ModelSpec> modelSpec;
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
// The same from the parts, for passes over many cards (terms and 機種スペック may be null).
PlayFigures playFigures(qint64 investment, qint64 cashOut, const PlayInputs &play, const HallTerms *terms,
                        const ModelSpec *modelSpec);

// Whole yen, halves away from zero.
qint64 roundYen(double yen);
// A rate with one decimal ("18.6"), as the card screen shows it.
QString rateText(double rate);

// Every hall's terms and every model's 機種スペック, read from the database once, for passes over
// many cards that must not ask it card by card. A closed database gives none.
class PlayLookup {
  public:
    PlayLookup() = default;
    explicit PlayLookup(const PlayDatabase &db);
    std::optional<HallTerms> termsOn(const QString &store, const QDate &date) const;
    // category: the option number (1 … 5).
    std::optional<ModelSpec> modelSpec(int category, const QString &model) const;
    // The same without copies or texts made: a card's fields as they are decoded.
    const HallTerms *termsAt(QStringView store, const QDate &date) const;
    const ModelSpec *specOf(int category, QStringView model) const;

  private:
    // Found by a view of a card's field as well as by a text.
    struct ViewHash {
        using is_transparent = void;
        size_t operator()(QStringView v) const { return qHash(v, 0); }
    };
    template <typename T> using ByName = std::unordered_map<QString, T, ViewHash, std::equal_to<>>;
    ByName<QList<HallTerms>> m_terms; // by store, oldest first
    ByName<ModelSpec> m_specs[6];     // by category (1 … 5), then model
};

// The figures of a card as stored (I, O, date, store, category and model from its fields),
// with the hall's terms on its date and the model's 機種スペック from the lookup.
PlayFigures playFiguresOf(const CardRecord &card, const PlayInputs &play, const PlayLookup &lookup);
// The same from a card's decoded fields and its amounts in yen (the pass over many cards).
PlayFigures playFiguresOf(const CardText &card, qint64 investment, qint64 cashOut, const PlayInputs &play,
                          const PlayLookup &lookup);
// The same, asking the database (which may be closed: then terms and 機種スペック are missing).
PlayFigures playFiguresOf(const CardRecord &card, const PlayInputs &play, const PlayDatabase &db);

} // namespace tama
