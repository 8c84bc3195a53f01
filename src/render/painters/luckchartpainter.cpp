#include "painters/luckchartpainter.h"

#include "painters/analysispainter.h"
#include "painters/monthgraphpainter.h"
#include "painters/runningchart.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

using runningchart::dateText;
using runningchart::Range;
using runningchart::yOf;

// Both series share one scale, with 0 always in it.
Range rangeOf(const QList<PlayDay> &days) {
    Range r;
    for (const PlayDay &d : days) {
        r.include(d.runningProfit);
        r.include(d.runningExpectedValue);
    }
    return r;
}

} // namespace

QColor LuckChartPainter::colour(Series s) {
    return s == Series::Profit ? viewColour(ViewColour::Navy) : QColor(0x00, 0x99, 0x33);
}

QRectF LuckChartPainter::plotRect(const QRectF &area, const QFont &font) {
    return runningchart::plotRect(area, font, u"-0,000,000"_s);
}

QPointF LuckChartPainter::pointOf(const QRectF &plot, const QList<PlayDay> &days, qsizetype i, Series s) {
    const PlayDay &d = days[i];
    const qint64 first = days.first().date.toJulianDay(), last = days.last().date.toJulianDay();
    const double x = last > first ? plot.left() + double(d.date.toJulianDay() - first) /
                                                      double(last - first) * plot.width()
                                  : plot.center().x();
    return {x, yOf(plot, rangeOf(days), s == Series::Profit ? d.runningProfit : d.runningExpectedValue)};
}

void LuckChartPainter::paint(QPainter &p, const QRectF &area, const QList<PlayDay> &days, const QFont &font,
                             const QString &empty) {
    if (!runningchart::begin(p, area, font, u"収支と期待値の累計"_s, days.isEmpty(), empty)) return;
    const QFontMetricsF fm(font);
    const double line = runningchart::lineHeight(fm);

    // The legend with each series' end value, and the luck between them.
    const PlayDay &end = days.last();
    const struct {
        QString text;
        QColor colour;
    } parts[] = {
        {u"━ 収支 "_s + signedYenText(end.runningProfit) + u"円"_s, colour(Series::Profit)},
        {u"　┅ 期待値 "_s + signedYenText(end.runningExpectedValue) + u"円"_s, colour(Series::ExpectedValue)},
        {u"　余剰 "_s + signedYenText(end.runningProfit - end.runningExpectedValue) + u"円"_s, Qt::black}};
    double width = 0;
    for (const auto &part : parts)
        width += fm.horizontalAdvance(part.text);
    double x = area.left() + std::max(4.0, (area.width() - width) / 2);
    for (const auto &part : parts) {
        p.setPen(part.colour);
        const double a = fm.horizontalAdvance(part.text);
        p.drawText(QRectF(x, area.top() + line, a + 2, line), Qt::AlignLeft | Qt::AlignVCenter, part.text);
        x += a;
    }

    const QRectF plot = plotRect(area, font);
    const Range r = rangeOf(days);
    runningchart::drawAxes(p, area, plot, r, days.first().date, end.date, days.size() == 1);
    // The middle date too when there is room.
    const QRectF dates(plot.left(), plot.bottom() + 4, plot.width(), fm.height());
    if (days.size() > 2 && plot.width() > 4 * fm.horizontalAdvance(u"0000/00/00"_s))
        p.drawText(dates, Qt::AlignHCenter | Qt::AlignTop,
                   dateText(days.first().date.addDays(days.first().date.daysTo(end.date) / 2)));

    // A running sum holds between the days: steps, not slopes.
    p.setRenderHint(QPainter::Antialiasing, false);
    for (Series s : {Series::ExpectedValue, Series::Profit}) {
        QPen pen(colour(s), 2, s == Series::Profit ? Qt::SolidLine : Qt::DashLine);
        p.setPen(pen);
        QPointF previous = QPointF(plot.left(), yOf(plot, r, 0));
        for (qsizetype i = 0; i < days.size(); ++i) {
            const QPointF at = pointOf(plot, days, i, s);
            p.drawLine(previous, QPointF(at.x(), previous.y()));
            p.drawLine(QPointF(at.x(), previous.y()), at);
            previous = at;
        }
    }
    p.restore();
}

} // namespace tama
