#include "painters/resultspainter.h"

#include "painters/analysispainter.h"
#include "painters/monthgraphpainter.h"
#include "painters/runningchart.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

using runningchart::Range;

Range rangeOf(const QList<DayResult> &days) {
    Range r;
    for (const DayResult &d : days)
        r.include(d.runningTotal);
    return r;
}

double slotLeft(const QRectF &plot, qsizetype n, qsizetype i) {
    return plot.left() + plot.width() * double(i) / double(n);
}

} // namespace

QColor ResultsPainter::totalColour() {
    return viewColour(ViewColour::Navy);
}

QColor ResultsPainter::shadeColour() {
    return QColor(0xF6, 0xC8, 0xC8);
}

QRectF ResultsPainter::plotRect(const QRectF &area, const QFont &font) {
    return runningchart::plotRect(area, font, u"-00,000,000"_s);
}

double ResultsPainter::yOf(const QRectF &plot, const QList<DayResult> &days, qint64 total) {
    return runningchart::yOf(plot, rangeOf(days), total);
}

void ResultsPainter::paint(QPainter &p, const QRectF &area, const QList<DayResult> &days, const QFont &font,
                           const QString &empty) {
    if (!runningchart::begin(p, area, font, u"収支の累計（日ごと）とドローダウン"_s, days.isEmpty(), empty))
        return;
    const QFontMetricsF fm(font);
    const double line = runningchart::lineHeight(fm);

    // The legend: the line and where the total ended, a swatch of the shading.
    const QString legend = u"━ 累計 "_s + signedYenText(days.last().runningTotal) + u"円　"_s;
    const QString swatch = u"■"_s, shade = u" 山から下がっている間"_s;
    const double width =
        fm.horizontalAdvance(legend) + fm.horizontalAdvance(swatch) + fm.horizontalAdvance(shade);
    double x = area.left() + std::max(4.0, (area.width() - width) / 2);
    for (const auto &[text, colour] :
         {std::pair{legend, totalColour()}, std::pair{swatch, shadeColour().darker(110)},
          std::pair{shade, QColor(Qt::black)}}) {
        const double a = fm.horizontalAdvance(text);
        p.setPen(colour);
        p.drawText(QRectF(x, area.top() + line, a + 2, line), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += a;
    }

    const QRectF plot = plotRect(area, font);
    const Range r = rangeOf(days);
    const qsizetype n = days.size();
    p.setRenderHint(QPainter::Antialiasing, false);
    // The drawdowns first, so that the lines stay on top of them.
    for (qsizetype i = 0; i < n; ++i) {
        const DayResult &d = days[i];
        if (d.runningTotal >= d.peak) continue;
        const double top = runningchart::yOf(plot, r, d.peak),
                     bottom = runningchart::yOf(plot, r, d.runningTotal);
        p.fillRect(QRectF(QPointF(slotLeft(plot, n, i), top), QPointF(slotLeft(plot, n, i + 1), bottom)),
                   shadeColour());
    }

    runningchart::drawAxes(p, area, plot, r, days.first().date, days.last().date, n == 1);

    // Each day's total holds over its slot; the steps join them.
    QPen pen(totalColour(), 2);
    p.setPen(pen);
    double previous = runningchart::yOf(plot, r, 0);
    for (qsizetype i = 0; i < n; ++i) {
        const double y = runningchart::yOf(plot, r, days[i].runningTotal);
        const double left = slotLeft(plot, n, i), right = slotLeft(plot, n, i + 1);
        p.drawLine(QPointF(left, previous), QPointF(left, y));
        p.drawLine(QPointF(left, y), QPointF(right, y));
        previous = y;
    }
    p.restore();
}

} // namespace tama
