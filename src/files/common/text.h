#pragma once

#include <QString>

// Text services shared by every layer. Lengths and positions count QChars; every
// character that code page 932 can hold is one QChar, so a double-byte character
// counts as one character.
namespace tama {

// The two spaces that trimming removes: U+0020 and the full-width U+3000.
bool isSpace(QChar c);
QString trimLeft(const QString &s);
QString trimRight(const QString &s);
QString trim(const QString &s);

// Replaces every single-byte character (ASCII, the space, half-width katakana) by
// its double-byte form. A half-width kana followed by a voicing mark becomes the
// composed kana where code page 932 has it; otherwise the mark becomes ゛ or ゜.
QString toFullWidth(const QString &s);

// Left-aligns s in exactly n characters: padded with spaces or cut.
QString fitText(const QString &s, int n);

// The longest leading integer of the text, spaces skipped; 0 when there is none.
qint64 textToNumber(const QString &s);

// Decimal digits with "-" for a negative number and a space otherwise (5 → " 5").
QString numberToText(qint64 n);

// "###,###": groups of three, "-" when negative, the empty text for 0.
QString formatAmount(qint64 n);

} // namespace tama
