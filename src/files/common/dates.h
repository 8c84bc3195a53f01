#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

namespace tama {

// Day numbers count days from 30 December 1899 (day 0).
qint64 dayNumber(const QDate &d);
QDate dateFromDayNumber(qint64 n);

// Forms a date from "year/month/day"; nothing when the text is no valid date.
std::optional<QDate> formDate(const QString &text);
std::optional<QDate> formDate(int year, int month, int day);

QString yyyy(const QDate &d);        // four-digit year
QString mm(const QDate &d);          // two-digit month
QString dd(const QDate &d);          // two-digit day
QString weekdayChar(const QDate &d); // "aaa": 日 月 火 水 木 金 土
// "月" … "日" for Qt's day of week 1 … 7; the empty text for another number.
QString weekdayChar(int dayOfWeek);

// "yy/mm/dd ddd  hh:mm" for the clock.
QString clockText(const QDateTime &t);

} // namespace tama
