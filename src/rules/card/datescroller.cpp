#include "card/datescroller.h"

#include "common/dates.h"

#include <algorithm>

namespace tama {

namespace {
constexpr qint64 kOffset = 20000;
}

int dateScrollerValue(const QDate &date) {
    return int(dayNumber(date) - kOffset);
}

QDate dateFromScrollerValue(int value) {
    return dateFromDayNumber(qint64(value) + kOffset);
}

DateRange dateScrollerRange(int year, const QDate &today) {
    const int first = dateScrollerValue(QDate(year, 1, 1));
    const QDate last = year == today.year() ? today : QDate(year, 12, 31);
    return {first, dateScrollerValue(last)};
}

std::optional<ScrollerPlace> placeOnScroller(const QString &year, const QString &month, const QString &day,
                                             DateRange range) {
    const auto date = formDate(year + u'/' + month + u'/' + day);
    if (!date) return std::nullopt;
    const int v = dateScrollerValue(*date);
    const int clamped = std::clamp(v, range.minimum, std::max(range.minimum, range.maximum));
    return ScrollerPlace{clamped, clamped == v};
}

} // namespace tama
