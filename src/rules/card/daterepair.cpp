#include "card/daterepair.h"

#include "common/dates.h"
#include "common/text.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

std::optional<QDate> form(const QString &year, const QString &month, const QString &day) {
    return formDate(year + u'/' + month + u'/' + day);
}

QString pad(const QString &text, const QString &firstDigits) {
    const QString t = trimRight(text);
    const QString first = t.left(1);
    if (t.size() == 1 || first.isEmpty() || !firstDigits.contains(first)) return u'0' + first;
    return text;
}

} // namespace

DateRepair repairDate(const QString &year, const QString &month, const QString &day, DateBox typedIn) {
    DateRepair r{month, day, {}, 0};
    if (trim(r.month) == u"00"_s) r.month = u"01"_s;
    if (trim(r.day) == u"00"_s) r.day = u"01"_s;
    if (trim(r.month) == u"0"_s || trim(r.day) == u"0"_s) return r;

    auto date = form(year, r.month, r.day);
    if (!date) {
        ++r.beeps;
        (typedIn == DateBox::Month ? r.month : r.day) = u"01"_s;
        date = form(year, r.month, r.day);
    }
    if (!date) {
        ++r.beeps;
        r.month = u"01"_s;
        r.day = u"01"_s;
        date = form(year, r.month, r.day);
    }
    if (date) r.weekday = weekdayChar(*date);
    return r;
}

QString padMonth(const QString &month) {
    return pad(month, u"01"_s);
}
QString padDay(const QString &day) {
    return pad(day, u"0123"_s);
}

} // namespace tama
