#pragma once

#include <QString>

namespace tama {

// Decimal digits in groups of three: 1234567 → "1,234,567", -1234 → "-1,234", 0 → "0".
QString groupedDigits(qint64 n);

} // namespace tama
