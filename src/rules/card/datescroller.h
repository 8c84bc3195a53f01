#pragma once

#include <QDate>

#include <optional>

namespace tama {

// The date scroller holds a date as its day number minus 20000. Scroll bar values are
// plain ints, so the dates go on past 2044 (where a 16-bit value would end).
int dateScrollerValue(const QDate &date);
QDate dateFromScrollerValue(int value);

// The days the scroller runs over for a diary year: the whole year, or 1 January to
// today in the year of today.
struct DateRange {
    int minimum;
    int maximum;
};
DateRange dateScrollerRange(int year, const QDate &today);

// Where a card's date puts the scroller: nothing when month/day form no date of that
// year; a date outside the range is clamped to its nearest end, so the scroll box sits
// at the end closest to the card while the boxes keep the card's own date.
struct ScrollerPlace {
    int value;
    bool inRange;
};
std::optional<ScrollerPlace> placeOnScroller(const QString &year, const QString &month, const QString &day,
                                             DateRange range);

} // namespace tama
