#pragma once

#include <QString>

// Widths in the cells of a fixed-pitch font, in which a character that is double-byte
// in code page 932 takes two cells and every other character one.
namespace tama::cells {

int width(QChar c);
int width(const QString &s);

// s followed by full-width blanks up to the given width, and one half-width blank when
// a single cell is left over.
QString padFullWidth(const QString &s, int cells);
// s followed by half-width blanks up to the given width.
QString padHalfWidth(const QString &s, int cells);

} // namespace tama::cells
