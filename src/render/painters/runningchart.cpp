#include "painters/runningchart.h"

#include "painters/analysispainter.h"

#include <QPainter>

using namespace Qt::Literals::StringLiterals;

namespace tama::runningchart {

namespace {
const QColor kPage(0xFF, 0xFF, 0xFF);
const QColor kRule(0x80, 0x80, 0x80);
} // namespace

double lineHeight(const QFontMetricsF &fm) {
    return fm.height() + 8;
}

QRectF plotRect(const QRectF &area, const QFont &font, const QString &widestLabel) {
    const QFontMetricsF fm(font);
    const double line = lineHeight(fm);
    const double axis = fm.horizontalAdvance(widestLabel) + 10;
    return QRectF(area.left() + axis, area.top() + 2 * line + fm.height() / 2, area.width() - axis - 16,
                  area.height() - 3 * line - fm.height());
}

double yOf(const QRectF &plot, const Range &r, qint64 v) {
    const double span = double(r.most - r.least);
    return span > 0 ? plot.bottom() - double(v - r.least) / span * plot.height() : plot.center().y();
}

QString dateText(const QDate &d) {
    return d.toString(u"yyyy/MM/dd"_s);
}

bool begin(QPainter &p, const QRectF &area, const QFont &font, const QString &title, bool nothing,
           const QString &emptyText) {
    p.save();
    p.setFont(font);
    const double line = lineHeight(QFontMetricsF(font));
    p.fillRect(area, kPage);
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), line), Qt::AlignCenter, title);
    if (!nothing) return true;
    p.drawText(area.adjusted(8, line, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, emptyText);
    p.restore();
    return false;
}

void drawAxes(QPainter &p, const QRectF &area, const QRectF &plot, const Range &r, const QDate &first,
              const QDate &last, bool oneDay) {
    const QFontMetricsF fm(p.font());
    const double line = lineHeight(fm);
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
    const QRectF dates(plot.left(), plot.bottom() + 4, plot.width(), fm.height());
    p.drawText(dates, Qt::AlignLeft | Qt::AlignTop, dateText(first));
    if (!oneDay) p.drawText(dates, Qt::AlignRight | Qt::AlignTop, dateText(last));
}

} // namespace tama::runningchart
