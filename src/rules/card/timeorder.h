#pragma once

#include <QString>

namespace tama {

// A time as its four digit boxes read as one number: "", "9", "3", "0" → 930. Blank
// boxes count as nothing, so a card without an end time reads 0.
int timeNumber(const QString &hourTens, const QString &hourOnes, const QString &minuteTens,
               const QString &minuteOnes);

} // namespace tama
