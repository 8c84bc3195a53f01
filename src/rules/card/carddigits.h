#pragma once

#include <QString>
#include <QStringList>

namespace tama {

// A stored time or amount field spread over its four one-character boxes: trailing
// spaces trimmed, then one character per box with leading spaces trimmed. " 930"
// gives "", "9", "3", "0"; a blank field gives four empty boxes.
QStringList fieldBoxes(const QString &field);

// How many leading boxes of an amount are blanked after the spinners have shown it:
// 3 for "000x", 2 for "00xx", 1 for "0xxx", else 0.
int leadingZeroBoxes(const QString &amountField);

} // namespace tama
