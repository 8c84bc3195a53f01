#pragma once

#include <QDate>
#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QString>

#include <algorithm>

class QPainter;

namespace tama::runningchart {

// What the charts of running totals by day share: the page and title, a value scale
// with 0 in it, the axes with their labels and the dates under the plot.

// The values the scale spans; 0 is always in it.
struct Range {
    qint64 least = 0, most = 0;
    void include(qint64 v) {
        least = std::min(least, v);
        most = std::max(most, v);
    }
};

double lineHeight(const QFontMetricsF &fm);
// The plot inside area: the title and the legend above, the dates below, and at the left
// room for value labels as wide as widestLabel.
QRectF plotRect(const QRectF &area, const QFont &font, const QString &widestLabel);
double yOf(const QRectF &plot, const Range &r, qint64 v);
QString dateText(const QDate &d);

// Saves the painter, fills the page and writes the title; with nothing to draw, writes
// emptyText, restores the painter and answers false.
bool begin(QPainter &p, const QRectF &area, const QFont &font, const QString &title, bool nothing,
           const QString &emptyText);
// The dotted rules at the range's ends, the zero line, the value axis with its labels,
// and the first date under the plot (the last too, unless the days are one).
void drawAxes(QPainter &p, const QRectF &area, const QRectF &plot, const Range &r, const QDate &first,
              const QDate &last, bool oneDay);

} // namespace tama::runningchart
