#pragma once

#include <QString>

namespace tama {

class WindowRegistry;

// What the views read from and do on the card screen.
namespace cardscreen {

// Shows card n on the card screen (by moving its card scroller) and brings it forward.
void showCard(WindowRegistry &registry, int n);
// Shows card n of the diary of another year: the card screen switches to that year first.
void showDiaryCard(WindowRegistry &registry, int year, int n);
// The year and the month of the card being entered, "1999" and "05".
QString entryYear(WindowRegistry &registry);
QString entryMonth(WindowRegistry &registry);

} // namespace cardscreen
} // namespace tama
