#include "common/holidays.h"

#include <QMap>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// The law on public holidays took effect on this day.
const QDate kLawBegins(1948, 7, 20);
// A Sunday holiday gives a 振替休日 from here on; from 2007 it is the next day that is no
// holiday, before that only the Monday, when it was none.
const QDate kSubstituteBegins(1973, 4, 12);
const QDate kSubstituteCarries(2007, 1, 1);
// A day between two holidays is a holiday from here on; before 2007 not a Sunday and not
// a 振替休日.
const QDate kBetweenBegins(1985, 12, 27);

QDate nthMonday(int year, int month, int n) {
    const QDate first(year, month, 1);
    return first.addDays((8 - first.dayOfWeek()) % 7 + 7 * (n - 1));
}

// The day of the equinox in March or September by the formula the 国立天文台 uses; 0 for
// a year it gives no constants for.
int equinoxDay(int year, bool spring) {
    double base = 0;
    int leapFrom = 1980;
    if (year >= 1900 && year <= 1979) {
        base = spring ? 20.8357 : 23.2588;
        leapFrom = 1983;
    } else if (year >= 1980 && year <= 2099) {
        base = spring ? 20.8431 : 23.2488;
    } else if (year >= 2100 && year <= 2150) {
        base = spring ? 21.8510 : 24.2488;
    } else {
        return 0;
    }
    // The leap-year term truncates toward zero, also for the years before its base.
    return int(base + 0.242194 * (year - 1980) - (year - leapFrom) / 4);
}

// The 国民の祝日 of a year and the days their own laws made holidays, by date.
QMap<QDate, QString> namedDays(int y) {
    QMap<QDate, QString> days;
    auto add = [&](const QDate &d, const QString &name) {
        if (d.isValid() && d >= kLawBegins) days.insert(d, name);
    };
    auto on = [&](int m, int d, const QString &name) { add(QDate(y, m, d), name); };

    on(1, 1, u"元日"_s);
    if (y < 2000)
        on(1, 15, u"成人の日"_s);
    else
        add(nthMonday(y, 1, 2), u"成人の日"_s);
    if (y >= 1967) on(2, 11, u"建国記念の日"_s);
    if (y >= 2020) on(2, 23, u"天皇誕生日"_s);
    if (const int d = equinoxDay(y, true)) on(3, d, u"春分の日"_s);
    if (y < 1989)
        on(4, 29, u"天皇誕生日"_s);
    else if (y < 2007)
        on(4, 29, u"みどりの日"_s);
    else
        on(4, 29, u"昭和の日"_s);
    on(5, 3, u"憲法記念日"_s);
    if (y >= 2007) on(5, 4, u"みどりの日"_s);
    on(5, 5, u"こどもの日"_s);
    // 海の日, スポーツの日 and 山の日 moved for the Olympic Games of 2020, held in 2021.
    if (y == 2020) {
        on(7, 23, u"海の日"_s);
        on(7, 24, u"スポーツの日"_s);
        on(8, 10, u"山の日"_s);
    } else if (y == 2021) {
        on(7, 22, u"海の日"_s);
        on(7, 23, u"スポーツの日"_s);
        on(8, 8, u"山の日"_s);
    } else {
        if (y >= 1996 && y < 2003)
            on(7, 20, u"海の日"_s);
        else if (y >= 2003)
            add(nthMonday(y, 7, 3), u"海の日"_s);
        if (y >= 2016) on(8, 11, u"山の日"_s);
        if (y >= 1966 && y < 2000)
            on(10, 10, u"体育の日"_s);
        else if (y >= 2000 && y < 2020)
            add(nthMonday(y, 10, 2), u"体育の日"_s);
        else if (y >= 2022)
            add(nthMonday(y, 10, 2), u"スポーツの日"_s);
    }
    if (y >= 1966 && y < 2003)
        on(9, 15, u"敬老の日"_s);
    else if (y >= 2003)
        add(nthMonday(y, 9, 3), u"敬老の日"_s);
    if (const int d = equinoxDay(y, false)) on(9, d, u"秋分の日"_s);
    on(11, 3, u"文化の日"_s);
    on(11, 23, u"勤労感謝の日"_s);
    if (y >= 1989 && y < 2019) on(12, 23, u"天皇誕生日"_s);

    // Days made holidays once, each by its own law.
    static const struct {
        int y, m, d;
        const char16_t *name;
    } once[] = {{1959, 4, 10, u"皇太子明仁親王の結婚の儀"},
                {1989, 2, 24, u"昭和天皇の大喪の礼"},
                {1990, 11, 12, u"即位礼正殿の儀"},
                {1993, 6, 9, u"皇太子徳仁親王の結婚の儀"},
                {2019, 5, 1, u"即位の日"},
                {2019, 10, 22, u"即位礼正殿の儀"}};
    for (const auto &o : once)
        if (o.y == y) on(o.m, o.d, QString::fromUtf16(o.name));
    return days;
}

} // namespace

QList<Holiday> holidaysOf(int year) {
    const QMap<QDate, QString> named = namedDays(year);
    QMap<QDate, QString> all = named;
    for (auto it = named.begin(); it != named.end(); ++it) {
        const QDate d = it.key();
        if (d.dayOfWeek() != Qt::Sunday || d < kSubstituteBegins) continue;
        QDate next = d.addDays(1);
        if (d >= kSubstituteCarries)
            while (named.contains(next))
                next = next.addDays(1);
        if (!named.contains(next)) all.insert(next, u"振替休日"_s);
    }
    for (auto it = named.begin(); it != named.end(); ++it) {
        const QDate between = it.key().addDays(1);
        if (between < kBetweenBegins || all.contains(between) || !named.contains(between.addDays(1)))
            continue;
        if (between < kSubstituteCarries && between.dayOfWeek() == Qt::Sunday) continue;
        all.insert(between, u"国民の休日"_s);
    }
    QList<Holiday> out;
    out.reserve(all.size());
    for (auto it = all.begin(); it != all.end(); ++it)
        if (it.key().year() == year) out.append({it.key(), it.value()});
    return out;
}

QString holidayName(const QDate &date) {
    if (!date.isValid()) return {};
    for (const Holiday &h : holidaysOf(date.year()))
        if (h.date == date) return h.name;
    return {};
}

} // namespace tama
