#pragma once

#include <QFont>

namespace tama {

// The fixed-pitch Japanese font for lists that align columns: a full-width character
// takes exactly two half-width cells.
QFont listFont(int pointSize = 11);

} // namespace tama
