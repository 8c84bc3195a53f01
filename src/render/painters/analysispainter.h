#pragma once

#include "reports/monthcalendar.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

namespace tama {

// "12,300", "-4,500", "0": yen with groups of three.
QString yenText(qint64 yen);
// The same with "+" before a gain, as profits are shown.
QString signedYenText(qint64 yen);

// The calendar of a month, as the analysis window shows it and `calendar --png` writes
// it: the year and month, the weekday heads (weeks begin on Monday), one cell per day
// with its profit in the program's colours and its number of visits, and the month's
// totals underneath.
class CalendarPainter {
  public:
    static void paint(QPainter &p, const QRectF &area, const MonthCalendar &calendar, const QFont &font);
    // The cell of a day; empty for a day the month does not have.
    static QRectF dayRect(const QRectF &area, const MonthCalendar &calendar, const QFont &font, int day);
    // The day whose cell holds the point, or 0.
    static int dayAt(const QRectF &area, const MonthCalendar &calendar, const QFont &font, const QPointF &at);
    static QImage render(const MonthCalendar &calendar, const QSize &size, const QFont &font);
};

// One bar or one point of a chart.
struct ChartValue {
    QString label;
    qint64 value = 0;
    QString text; // the value as shown; empty for yen
};

// Horizontal bars, one line per value with its label, from a zero line; losses to the
// left in red, gains to the right in blue. A title above.
class BarChartPainter {
  public:
    static void paint(QPainter &p, const QRectF &area, const QString &title, const QList<ChartValue> &values,
                      const QFont &font);
};

// A line through the values in order, a label under each point, the zero line and the
// largest magnitude on the value axis; the points coloured as profits are.
class LineChartPainter {
  public:
    static void paint(QPainter &p, const QRectF &area, const QString &title, const QList<ChartValue> &values,
                      const QFont &font);
};

} // namespace tama
