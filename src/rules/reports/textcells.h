#pragma once

#include <QString>
#include <QStringView>

// Widths in the cells of a fixed-pitch font, in which a character that is double-byte
// in code page 932 takes two cells and every other character one.
namespace tama::cells {

int width(QChar c);
int width(QStringView s);
inline int width(const QString &s) {
    return width(QStringView(s));
}

// Appends s and then full-width blanks up to the given width, and one half-width blank
// when a single cell is left over.
void appendFullWidth(QString &out, QStringView s, int cells);
// Appends s and then half-width blanks up to the given width.
void appendHalfWidth(QString &out, QStringView s, int cells);

inline QString padFullWidth(QStringView s, int cells) {
    QString out;
    appendFullWidth(out, s, cells);
    return out;
}
inline QString padHalfWidth(QStringView s, int cells) {
    QString out;
    appendHalfWidth(out, s, cells);
    return out;
}

} // namespace tama::cells
