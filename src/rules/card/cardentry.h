#pragma once

#include "store/diary.h"

#include <QString>

#include <array>
#include <optional>

namespace tama {

struct CategoryInfo;

// The last entry of every model list: opens the model search.
inline const QString kModelSearchEntry = QStringLiteral("[ 該当機種をさがす ]");

// What the card screen's controls hold when a card is registered.
struct CardControls {
    QString year, month, day, weekday; // Text2, Text3, Text4, Text5
    std::array<QString, 4> start;      // Text6, Text7, Text18, Text19
    std::array<QString, 4> end;        // Text8, Text9, Text20, Text21
    QString store;                     // Combo1
    QString model;                     // Combo2
    int category = 0;                  // 1 … 5 for Option1 … Option5, 0 for none
    int dayType = 0;                   // 1 … 4 for Option6 … Option9, 0 for none
    std::array<QString, 4> investment; // Text10 … Text13
    std::array<QString, 4> cashOut;    // Text14 … Text17
    QString impression;                // Text24
    QString profit;                    // Label15
};

// The card lacks a unit digit of a time, the 百円 digit of the investment, the profit
// or the category, or still shows the model search entry.
bool isIncomplete(const CardControls &c);

// Blank hour tens become a space, blank amount digits "0": what the boxes show after
// registering, and what is stored.
CardControls withBlanksFilled(CardControls c);

// The record to store: the date, times, amounts and impression as the boxes hold them,
// store and model trimmed at the right, in full-width, cut to 10 and 15 characters. The day type stays blank
// when no day-type option is chosen.
CardRecord cardFromControls(const CardControls &c);

// Why card number may not be written, if it may not: it must be a stored card or the
// new-card place, seen the same by the window and the file, and a full diary takes no
// more cards. count is the number of cards in the file; newCardShown says that the
// window shows its new-card place.
std::optional<QString> cardPlaceProblem(int number, int count, bool newCardShown);

// Whether the store's model list already names the model: a line equal to the model as
// typed, or to the model as it would be stored (full-width, 15 characters), both
// trimmed at the right.
bool modelListNames(const QStringList &lines, const QString &model);

} // namespace tama
