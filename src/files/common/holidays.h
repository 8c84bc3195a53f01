#pragma once

#include <QDate>
#include <QList>
#include <QString>

namespace tama {

// A public holiday of Japan: a 国民の祝日, a day treated as one by its own law, a
// 振替休日 or a 国民の休日.
struct Holiday {
    QDate date;
    QString name;
};

// The holidays of a year in date order, by the rules in force on each day since the law of
// 20 July 1948: the fixed days, the Mondays, the equinoxes by the astronomical formula
// (known for 1900–2150; outside those years there is no equinox holiday), 振替休日 since
// 12 April 1973, 国民の休日 since 27 December 1985, and the days moved or added by law once.
QList<Holiday> holidaysOf(int year);

// The name of the holiday on a date; the empty text on any other day.
QString holidayName(const QDate &date);

} // namespace tama
