#include "painters/resultspainter.h"

#include "painters/analysispainter.h"
#include "painters/monthgraphpainter.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

const QColor kPage(0xFF, 0xFF, 0xFF);
const QColor kRule(0x80, 0x80, 0x80);

double lineHeight(const QFontMetricsF &fm) {
    return fm.height() + 8;
}

struct Range {
    qint64 least = 0, most = 0;
};

Range rangeOf(const QList<DayResult> &days) {
    Range r;
    for (const DayResult &d : days) {
        r.least = std::min(r.least, d.runningTotal);
        r.most = std::max(r.most, d.runningTotal);
    }
    return r;
}

double yIn(const QRectF &plot, const Range &r, qint64 v) {
    const double span = double(r.most - r.least);
    return span > 0 ? plot.bottom() - double(v - r.least) / span * plot.height() : plot.center().y();
}

double slotLeft(const QRectF &plot, qsizetype n, qsizetype i) {
    return plot.left() + plot.width() * double(i) / double(n);
}

QString dateText(const QDate &d) {
    return d.toString(u"yyyy/MM/dd"_s);
}

} // namespace

QColor ResultsPainter::totalColour() {
    return viewColour(ViewColour::Navy);
}

QColor ResultsPainter::shadeColour() {
    return QColor(0xF6, 0xC8, 0xC8);
}

QRectF ResultsPainter::plotRect(const QRectF &area, const QFont &font) {
    const QFontMetricsF fm(font);
    const double line = lineHeight(fm);
    const double axis = fm.horizontalAdvance(u"-00,000,000"_s) + 10;
    // The title and the legend above, the dates below.
    return QRectF(area.left() + axis, area.top() + 2 * line + fm.height() / 2, area.width() - axis - 16,
                  area.height() - 3 * line - fm.height());
}

double ResultsPainter::yOf(const QRectF &plot, const QList<DayResult> &days, qint64 total) {
    return yIn(plot, rangeOf(days), total);
}

void ResultsPainter::paint(QPainter &p, const QRectF &area, const QList<DayResult> &days, const QFont &font,
                           const QString &empty) {
    p.save();
    p.setFont(font);
    const QFontMetricsF fm(font);
    const double line = lineHeight(fm);
    p.fillRect(area, kPage);
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), line), Qt::AlignCenter,
               u"収支の累計（日ごと）とドローダウン"_s);
    if (days.isEmpty()) {
        p.drawText(area.adjusted(8, line, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, empty);
        p.restore();
        return;
    }

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
        const double top = yIn(plot, r, d.peak), bottom = yIn(plot, r, d.runningTotal);
        p.fillRect(QRectF(QPointF(slotLeft(plot, n, i), top), QPointF(slotLeft(plot, n, i + 1), bottom)),
                   shadeColour());
    }

    QPen rule(kRule, 0, Qt::DotLine);
    rule.setCosmetic(true);
    p.setPen(rule);
    for (qint64 v : {r.most, r.least})
        p.drawLine(QPointF(plot.left(), yIn(plot, r, v)), QPointF(plot.right(), yIn(plot, r, v)));
    QPen axis(Qt::black, 0);
    axis.setCosmetic(true);
    p.setPen(axis);
    p.drawLine(QPointF(plot.left(), yIn(plot, r, 0)), QPointF(plot.right(), yIn(plot, r, 0)));
    p.drawLine(plot.topLeft(), plot.bottomLeft());
    auto valueLabel = [&](qint64 v) {
        p.drawText(QRectF(area.left(), yIn(plot, r, v) - line / 2, plot.left() - area.left() - 6, line),
                   Qt::AlignRight | Qt::AlignVCenter, v ? yenText(v) : u"0"_s);
    };
    valueLabel(0);
    if (r.most > 0) valueLabel(r.most);
    if (r.least < 0) valueLabel(r.least);
    const QRectF dates(plot.left(), plot.bottom() + 4, plot.width(), fm.height());
    p.drawText(dates, Qt::AlignLeft | Qt::AlignTop, dateText(days.first().date));
    if (n > 1) p.drawText(dates, Qt::AlignRight | Qt::AlignTop, dateText(days.last().date));

    // Each day's total holds over its slot; the steps join them.
    QPen pen(totalColour(), 2);
    p.setPen(pen);
    double previous = yIn(plot, r, 0);
    for (qsizetype i = 0; i < n; ++i) {
        const double y = yIn(plot, r, days[i].runningTotal);
        const double left = slotLeft(plot, n, i), right = slotLeft(plot, n, i + 1);
        p.drawLine(QPointF(left, previous), QPointF(left, y));
        p.drawLine(QPointF(left, y), QPointF(right, y));
        previous = y;
    }
    p.restore();
}

} // namespace tama
