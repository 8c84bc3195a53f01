#include "painters/analysispainter.h"

#include "common/grouping.h"
#include "painters/monthgraphpainter.h"
#include "reports/diarystats.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

const QColor kPage(0xF0, 0xF0, 0xF0);
const QColor kCell(0xFF, 0xFF, 0xFF);
const QColor kOtherMonth(0xE0, 0xE0, 0xE0);
const QColor kRule(0x80, 0x80, 0x80);
const QColor kFaint(0x60, 0x60, 0x60);

QColor profitColour(qint64 profit) {
    return viewColour(profit < 0 ? ViewColour::Red : profit > 0 ? ViewColour::Blue : ViewColour::Black);
}

// As a Japanese calendar colours a column (0 月 … 6 日) or a day: Saturday blue, Sunday and
// a public holiday red.
QColor dayColour(int column, bool holiday, const QColor &weekday) {
    if (column == 6 || holiday) return viewColour(ViewColour::Red);
    if (column == 5) return viewColour(ViewColour::Blue);
    return weekday;
}

// A day's result; a day played to break even reads ±0, not a bare 0.
QString resultText(const CalendarDay &d) {
    return d.profit() == 0 ? u"±0"_s : signedYenText(d.profit());
}

double lineHeight(const QFontMetricsF &fm) {
    return fm.height() + 8;
}

int rowsOf(const MonthCalendar &c) {
    return int((c.firstColumn() + c.days().size() + 6) / 7);
}

// The grid of day cells: below the title and the heads, above the totals.
QRectF gridRect(const QRectF &area, const QFont &font) {
    const double line = lineHeight(QFontMetricsF(font));
    return QRectF(area.left() + 4, area.top() + 2 * line, area.width() - 8, area.height() - 3 * line);
}

QString valueText(const ChartValue &v) {
    return v.text.isEmpty() ? yenText(v.value) : v.text;
}

} // namespace

QString yenText(qint64 yen) {
    return groupedDigits(yen);
}

QString signedYenText(qint64 yen) {
    return yen > 0 ? u'+' + yenText(yen) : yenText(yen);
}

QRectF CalendarPainter::dayRect(const QRectF &area, const MonthCalendar &calendar, const QFont &font,
                                int day) {
    if (day < 1 || day > calendar.days().size()) return {};
    const QRectF grid = gridRect(area, font);
    const int rows = rowsOf(calendar);
    const double w = grid.width() / 7, h = grid.height() / rows;
    const int cell = calendar.firstColumn() + day - 1;
    return QRectF(grid.left() + (cell % 7) * w, grid.top() + (cell / 7) * h, w, h);
}

int CalendarPainter::dayAt(const QRectF &area, const MonthCalendar &calendar, const QFont &font,
                           const QPointF &at) {
    for (int d = 1; d <= calendar.days().size(); ++d)
        if (dayRect(area, calendar, font, d).contains(at)) return d;
    return 0;
}

void CalendarPainter::paint(QPainter &p, const QRectF &area, const MonthCalendar &calendar,
                            const QFont &font) {
    p.save();
    p.setFont(font);
    const QFontMetricsF fm(font);
    const double line = lineHeight(fm);
    p.fillRect(area, kPage);
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), line), Qt::AlignCenter,
               QString::number(calendar.year()) + u"年 "_s + QString::number(calendar.month()) + u"月"_s);

    const QRectF grid = gridRect(area, font);
    const double w = grid.width() / 7;
    for (int c = 0; c < 7; ++c) {
        p.setPen(dayColour(c, false, Qt::black));
        p.drawText(QRectF(grid.left() + c * w, area.top() + line, w, line), Qt::AlignCenter,
                   weekdayName(c + 1));
    }

    const int rows = rowsOf(calendar);
    const double h = grid.height() / rows;
    for (int cell = 0; cell < rows * 7; ++cell)
        p.fillRect(QRectF(grid.left() + (cell % 7) * w, grid.top() + (cell / 7) * h, w, h), kOtherMonth);

    QFont small = font;
    small.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 0.85 : 8);
    const QFontMetricsF sfm(small);
    for (const CalendarDay &d : calendar.days()) {
        const QRectF r = dayRect(area, calendar, font, d.day);
        p.fillRect(r, kCell);
        const QRectF inner = r.adjusted(4, 2, -4, -2);
        p.setFont(small);
        p.setPen(dayColour((calendar.firstColumn() + d.day - 1) % 7, !d.holiday.isEmpty(), kFaint));
        const QString number = QString::number(d.day);
        p.drawText(inner, Qt::AlignLeft | Qt::AlignTop, number);
        if (!d.holiday.isEmpty()) {
            const double gap = sfm.horizontalAdvance(number + u' ');
            const QRectF name(inner.left() + gap, inner.top(), std::max(0.0, inner.width() - gap),
                              sfm.height());
            p.drawText(name, Qt::AlignLeft | Qt::AlignTop,
                       sfm.elidedText(d.holiday, Qt::ElideRight, name.width()));
        }
        p.setPen(kFaint);
        if (d.visits) {
            p.drawText(inner, Qt::AlignRight | Qt::AlignBottom, QString::number(d.visits) + u"回"_s);
            p.setFont(font);
            p.setPen(profitColour(d.profit()));
            const QRectF middle(inner.left(), inner.top() + sfm.height(), inner.width(),
                                std::max(0.0, inner.height() - 2 * sfm.height()));
            p.drawText(middle, Qt::AlignRight | Qt::AlignVCenter, resultText(d));
        }
    }
    p.setFont(font);
    QPen rule(kRule, 0);
    rule.setCosmetic(true);
    p.setPen(rule);
    for (int r = 0; r <= rows; ++r)
        p.drawLine(QPointF(grid.left(), grid.top() + r * h), QPointF(grid.right(), grid.top() + r * h));
    for (int c = 0; c <= 7; ++c)
        p.drawLine(QPointF(grid.left() + c * w, grid.top()), QPointF(grid.left() + c * w, grid.bottom()));

    // The totals, one framed value after another along the bottom line.
    const CalendarDay t = calendar.total();
    const QString result = t.visits ? resultText(t) : signedYenText(t.profit());
    const struct {
        QString text;
        QColor colour;
    } parts[] = {{u"来店 "_s, Qt::black},     {QString::number(t.visits) + u"回"_s, Qt::black},
                 {u"　投資額 "_s, Qt::black}, {yenText(t.investment) + u"円"_s, Qt::black},
                 {u"　換金額 "_s, Qt::black}, {yenText(t.cashOut) + u"円"_s, Qt::black},
                 {u"　収支 "_s, Qt::black},   {result + u"円"_s, profitColour(t.profit())}};
    double width = 0;
    for (const auto &part : parts)
        width += fm.horizontalAdvance(part.text);
    double x = area.left() + std::max(4.0, (area.width() - width) / 2);
    const QRectF bottom(area.left(), area.bottom() - line, area.width(), line);
    for (const auto &part : parts) {
        p.setPen(part.colour);
        const double a = fm.horizontalAdvance(part.text);
        p.drawText(QRectF(x, bottom.top(), a + 2, line), Qt::AlignLeft | Qt::AlignVCenter, part.text);
        x += a;
    }
    p.restore();
}

QImage CalendarPainter::render(const MonthCalendar &calendar, const QSize &size, const QFont &font) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kPage);
    QPainter p(&image);
    paint(p, QRectF(QPointF(0, 0), QSizeF(size)), calendar, font);
    return image;
}

void BarChartPainter::paint(QPainter &p, const QRectF &area, const QString &title,
                            const QList<ChartValue> &values, const QFont &font) {
    p.save();
    p.setFont(font);
    const QFontMetricsF fm(font);
    const double line = lineHeight(fm);
    p.fillRect(area, kCell);
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), line), Qt::AlignCenter, title);

    const QRectF body = area.adjusted(6, line, -6, -4);
    const double rowHeight =
        std::max(fm.height() + 2, std::min(line, body.height() / std::max<qsizetype>(1, values.size())));
    const int shown = int(std::min<qsizetype>(values.size(), qsizetype(body.height() / rowHeight)));
    double labelWidth = 0;
    for (int i = 0; i < shown; ++i)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(values[i].label) + 8);
    labelWidth = std::min(labelWidth, body.width() * 0.35);
    qint64 most = 0, least = 0;
    for (int i = 0; i < shown; ++i) {
        most = std::max(most, values[i].value);
        least = std::min(least, values[i].value);
    }
    // Room for the value texts at both ends of the bars.
    double textWidth = 0;
    for (int i = 0; i < shown; ++i)
        textWidth = std::max(textWidth, fm.horizontalAdvance(valueText(values[i])) + 6);
    const double barsLeft = body.left() + labelWidth + (least < 0 ? textWidth : 0);
    const double barsRight = body.right() - (most > 0 || least == 0 ? textWidth : 0);
    const double span = double(most - least);
    const double zero = span > 0 ? barsLeft + (barsRight - barsLeft) * (-least / span) : barsLeft;
    const double scale = span > 0 ? (barsRight - barsLeft) / span : 0;

    for (int i = 0; i < shown; ++i) {
        const ChartValue &v = values[i];
        const double top = body.top() + i * rowHeight;
        p.setPen(Qt::black);
        const QRectF label(body.left(), top, labelWidth - 8, rowHeight);
        p.drawText(label, Qt::AlignRight | Qt::AlignVCenter,
                   fm.elidedText(v.label, Qt::ElideRight, label.width()));
        const double end = zero + v.value * scale;
        const QColor c = profitColour(v.value);
        const QRectF bar(QPointF(std::min(zero, end), top + rowHeight * 0.2),
                         QPointF(std::max(zero, end), top + rowHeight * 0.8));
        p.fillRect(bar, c);
        p.setPen(c);
        if (v.value < 0)
            p.drawText(QRectF(bar.left() - textWidth, top, textWidth - 4, rowHeight),
                       Qt::AlignRight | Qt::AlignVCenter, valueText(v));
        else
            p.drawText(QRectF(bar.right() + 4, top, textWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       valueText(v));
    }
    QPen axis(Qt::black, 0);
    axis.setCosmetic(true);
    p.setPen(axis);
    if (shown) p.drawLine(QPointF(zero, body.top()), QPointF(zero, body.top() + shown * rowHeight));
    if (shown < values.size()) {
        p.setPen(kFaint);
        p.drawText(QRectF(body.left(), body.top() + shown * rowHeight, body.width(), rowHeight),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   u"ほか "_s + QString::number(values.size() - shown) + u" 件"_s);
    }
    p.restore();
}

void LineChartPainter::paint(QPainter &p, const QRectF &area, const QString &title,
                             const QList<ChartValue> &values, const QFont &font) {
    p.save();
    p.setFont(font);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QFontMetricsF fm(font);
    const double line = lineHeight(fm);
    p.fillRect(area, kCell);
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), line), Qt::AlignCenter, title);

    qint64 most = 0, least = 0;
    for (const ChartValue &v : values) {
        most = std::max(most, v.value);
        least = std::min(least, v.value);
    }
    const QString mostText = yenText(most), leastText = yenText(least);
    const double axisWidth = std::max(fm.horizontalAdvance(mostText), fm.horizontalAdvance(leastText)) + 10;
    const QRectF plot(area.left() + axisWidth, area.top() + line + fm.height(), area.width() - axisWidth - 16,
                      area.height() - 2 * line - 2 * fm.height());
    const double span = double(most - least);
    auto yOf = [&](qint64 v) {
        return span > 0 ? plot.bottom() - (v - least) / span * plot.height() : plot.center().y();
    };
    const double step = values.size() > 1 ? plot.width() / double(values.size() - 1) : 0;
    auto xOf = [&](qsizetype i) { return values.size() > 1 ? plot.left() + i * step : plot.center().x(); };

    QPen rule(kRule, 0, Qt::DotLine);
    rule.setCosmetic(true);
    p.setPen(rule);
    for (qint64 v : {most, least})
        p.drawLine(QPointF(plot.left(), yOf(v)), QPointF(plot.right(), yOf(v)));
    QPen axis(Qt::black, 0);
    axis.setCosmetic(true);
    p.setPen(axis);
    p.drawLine(QPointF(plot.left(), yOf(0)), QPointF(plot.right(), yOf(0)));
    p.drawLine(QPointF(plot.left(), plot.top()), QPointF(plot.left(), plot.bottom()));
    p.drawText(QRectF(area.left(), yOf(0) - line / 2, axisWidth - 6, line), Qt::AlignRight | Qt::AlignVCenter,
               u"0"_s);
    if (most > 0)
        p.drawText(QRectF(area.left(), yOf(most) - line / 2, axisWidth - 6, line),
                   Qt::AlignRight | Qt::AlignVCenter, mostText);
    if (least < 0)
        p.drawText(QRectF(area.left(), yOf(least) - line / 2, axisWidth - 6, line),
                   Qt::AlignRight | Qt::AlignVCenter, leastText);

    QPen path(viewColour(ViewColour::Navy), 2);
    p.setPen(path);
    for (qsizetype i = 1; i < values.size(); ++i)
        p.drawLine(QPointF(xOf(i - 1), yOf(values[i - 1].value)), QPointF(xOf(i), yOf(values[i].value)));
    // Labels under the axis; thinned out so that they never overlap.
    double labelWidth = 0;
    for (const ChartValue &v : values)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(v.label) + 8);
    const qsizetype every = step > 0 ? std::max<qsizetype>(1, qsizetype(std::ceil(labelWidth / step))) : 1;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QPointF at(xOf(i), yOf(values[i].value));
        const QColor c = profitColour(values[i].value);
        p.setPen(c);
        p.setBrush(c);
        p.drawEllipse(at, 3.5, 3.5);
        if (i % every == 0 || i == values.size() - 1) {
            p.setPen(Qt::black);
            p.drawText(QRectF(at.x() - labelWidth / 2, plot.bottom() + 4, labelWidth, fm.height()),
                       Qt::AlignCenter, values[i].label);
        }
    }
    p.restore();
}

} // namespace tama
