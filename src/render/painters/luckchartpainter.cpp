#include "painters/luckchartpainter.h"

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

// Both series share one scale, with 0 always in it.
Range rangeOf(const QList<PlayDay> &days) {
    Range r;
    for (const PlayDay &d : days)
        for (qint64 v : {d.runningProfit, d.runningExpectedValue}) {
            r.least = std::min(r.least, v);
            r.most = std::max(r.most, v);
        }
    return r;
}

double yOf(const QRectF &plot, const Range &r, qint64 v) {
    const double span = double(r.most - r.least);
    return span > 0 ? plot.bottom() - double(v - r.least) / span * plot.height() : plot.center().y();
}

QString dateText(const QDate &d) {
    return d.toString(u"yyyy/MM/dd"_s);
}

} // namespace

QColor LuckChartPainter::colour(Series s) {
    return s == Series::Profit ? viewColour(ViewColour::Navy) : QColor(0x00, 0x99, 0x33);
}

QRectF LuckChartPainter::plotRect(const QRectF &area, const QFont &font) {
    const QFontMetricsF fm(font);
    const double line = lineHeight(fm);
    const double axis = fm.horizontalAdvance(u"-0,000,000"_s) + 10;
    // The title and the legend above, the dates below.
    return QRectF(area.left() + axis, area.top() + 2 * line + fm.height() / 2, area.width() - axis - 16,
                  area.height() - 3 * line - fm.height());
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
    p.save();
    p.setFont(font);
    const QFontMetricsF fm(font);
    const double line = lineHeight(fm);
    p.fillRect(area, kPage);
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), line), Qt::AlignCenter, u"収支と期待値の累計"_s);
    if (days.isEmpty()) {
        p.drawText(area.adjusted(8, line, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, empty);
        p.restore();
        return;
    }

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
    QPen rule(kRule, 0, Qt::DotLine);
    rule.setCosmetic(true);
    p.setPen(rule);
    for (qint64 v : {r.most, r.least})
        p.drawLine(QPointF(plot.left(), yOf(plot, r, v)), QPointF(plot.right(), yOf(plot, r, v)));
    QPen axis(Qt::black, 0);
    axis.setCosmetic(true);
    p.setPen(axis);
    p.drawLine(QPointF(plot.left(), yOf(plot, r, 0)), QPointF(plot.right(), yOf(plot, r, 0)));
    p.drawLine(plot.topLeft(), plot.bottomLeft());
    auto valueLabel = [&](qint64 v) {
        p.drawText(QRectF(area.left(), yOf(plot, r, v) - line / 2, plot.left() - area.left() - 6, line),
                   Qt::AlignRight | Qt::AlignVCenter, v ? yenText(v) : u"0"_s);
    };
    valueLabel(0);
    if (r.most > 0) valueLabel(r.most);
    if (r.least < 0) valueLabel(r.least);
    // The first and last dates, and the middle one when there is room.
    const QRectF dates(plot.left(), plot.bottom() + 4, plot.width(), fm.height());
    p.drawText(dates, Qt::AlignLeft | Qt::AlignTop, dateText(days.first().date));
    if (days.size() > 1) p.drawText(dates, Qt::AlignRight | Qt::AlignTop, dateText(end.date));
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
