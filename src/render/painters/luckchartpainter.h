#pragma once

#include "reports/diarystats.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

namespace tama {

// The running profit beside the running expected value of the cards with complete play
// figures, by card date: the gap between the two lines is luck, the slope of the
// expected value is how well the player chose and played. Dates along the bottom in
// proportion to time, the zero line and both series' end values above.
class LuckChartPainter {
  public:
    enum class Series { Profit, ExpectedValue };
    static QColor colour(Series s);

    // empty is shown instead of the lines when there is no day: why there is none.
    static void paint(QPainter &p, const QRectF &area, const QList<PlayDay> &days, const QFont &font,
                      const QString &empty);
    // Where the lines are drawn, and where a day's point of a series is.
    static QRectF plotRect(const QRectF &area, const QFont &font);
    static QPointF pointOf(const QRectF &plot, const QList<PlayDay> &days, qsizetype i, Series s);
};

} // namespace tama
