#pragma once

#include "reports/diarystats.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

namespace tama {

// The running total of the results day by day, one step a day of play, with the
// drawdowns (the stretches below an earlier peak) shaded between the peak and the total.
// The zero line, the highest and lowest totals on the left, the first and last dates below.
class ResultsPainter {
  public:
    static QColor totalColour();
    static QColor shadeColour();

    // empty is shown instead of the chart when there is no day: why there is none.
    static void paint(QPainter &p, const QRectF &area, const QList<DayResult> &days, const QFont &font,
                      const QString &empty);
    // Where the steps are drawn; day i holds the slot from i/n to (i+1)/n of its width.
    static QRectF plotRect(const QRectF &area, const QFont &font);
    // The height of a total on the plot, on the scale of these days (0 always on it).
    static double yOf(const QRectF &plot, const QList<DayResult> &days, qint64 total);
};

} // namespace tama
