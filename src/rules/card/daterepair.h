#pragma once

#include <QString>

namespace tama {

// The month and day boxes are checked on every key pressed in either of them, before
// the key takes effect: an impossible date is repaired instead of reported.
struct DateRepair {
    QString month;
    QString day;
    QString weekday; // empty when the date was not checked (a box reads "0": still typing)
    int beeps = 0;
};

// Which box the key was pressed in: that box's field is reset first.
enum class DateBox { Month, Day };

// "00" becomes "01"; unless a box reads "0", the date year/month/day is formed, and when
// it is no date the field of the box typed in is reset to "01", then both. One beep
// for each failed try.
DateRepair repairDate(const QString &year, const QString &month, const QString &day, DateBox typedIn);

// Leaving the month box: one character, or a first character other than 0 or 1, gets a
// leading zero ("5" → "05", "7x" → "07", "12" stays).
QString padMonth(const QString &month);
// Leaving the day box: the same with 0 to 3 as the possible first digits.
QString padDay(const QString &day);

} // namespace tama
