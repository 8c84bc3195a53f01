#include "painters/monthgraphpainter.h"

#include <QFontMetricsF>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

constexpr double kRight = 4100;
constexpr double kDayLabelsY = 1320;
constexpr double kValueLabelsX = -80;
constexpr double kMinusX = -250;

double dayLeft(int d) {
    return MonthGraph::kDayWidth * d + 60;
}

} // namespace

QColor viewColour(ViewColour c) {
    const int v = rgb(c);
    return QColor((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

QRectF MonthGraphPainter::unitArea() {
    return QRectF(QPointF(MonthGraph::kLeft, MonthGraph::kTop), QPointF(kRight, -MonthGraph::kTop));
}

QTransform MonthGraphPainter::mapping(const QRectF &target) {
    const QRectF u = unitArea();
    QTransform t;
    t.translate(target.left(), target.top());
    t.scale(target.width() / u.width(), target.height() / u.height());
    t.translate(-u.left(), -u.top());
    return t;
}

QRectF MonthGraphPainter::textRect(const QTransform &map, const QFontMetricsF &fm, const GraphText &t) {
    const QPointF at = map.map(t.anchor);
    const QSizeF size(fm.horizontalAdvance(t.text) + 2, fm.height());
    double x = at.x() - size.width() / 2;
    if (t.align & Qt::AlignRight)
        x = at.x() - size.width();
    else if (t.align & Qt::AlignLeft)
        x = at.x();
    double y = at.y() - size.height() / 2;
    if (t.align & Qt::AlignTop)
        y = at.y();
    else if (t.align & Qt::AlignBottom)
        y = at.y() - size.height();
    return QRectF(QPointF(x, y), size);
}

QList<GraphText> MonthGraphPainter::axisTexts(const GraphScale &scale) {
    const Qt::Alignment value = Qt::AlignRight | Qt::AlignVCenter;
    const Qt::Alignment day = Qt::AlignHCenter | Qt::AlignTop;
    const double full = MonthGraph::kScaleUnits;
    QList<GraphText> t = {
        {u"Label4(0)"_s, u"(万)"_s, {kValueLabelsX, -full - 300}, value},
        {u"Label1(0)"_s, scale.outer, {kValueLabelsX, -full}, value},
        {u"Label3(0)"_s, scale.inner, {kValueLabelsX, -full / 2}, value},
        {u"Label5"_s, u"0"_s, {kValueLabelsX, 0}, value},
        {u"Label2(0)"_s, u"-"_s, {kMinusX, full / 2}, value},
        {u"Label3(1)"_s, scale.inner, {kValueLabelsX, full / 2}, value},
        {u"Label2(1)"_s, u"-"_s, {kMinusX, full}, value},
        {u"Label1(1)"_s, scale.outer, {kValueLabelsX, full}, value},
    };
    const char *const names[] = {"Label6", "Label7", "Label8", "Label9", "Label10", "Label11", "Label21"};
    for (int i = 0; i < 7; ++i) {
        const int d = 1 + 5 * i;
        t.append({QString::fromLatin1(names[i]), QString::number(d), {dayLeft(d) + 60, kDayLabelsY}, day});
    }
    t.append({u"Label4(1)"_s, u"(日)"_s, {kRight - 10, kDayLabelsY}, Qt::AlignRight | Qt::AlignTop});
    return t;
}

QColor MonthGraphPainter::background() {
    return QColor(0xC0, 0xC0, 0xC0);
}

void MonthGraphPainter::paintGrid(QPainter &p, const QTransform &map) {
    p.save();
    const double full = MonthGraph::kScaleUnits;
    const double left = dayLeft(1);
    const double right = dayLeft(32);
    QPen dotted(QColor(0x60, 0x60, 0x60), 0, Qt::DotLine);
    dotted.setCosmetic(true);
    p.setPen(dotted);
    for (double y : {-full, -full / 2, full / 2, full})
        p.drawLine(map.map(QPointF(left, y)), map.map(QPointF(right, y)));
    // Every fifth day, where the day labels stand.
    for (int d = 1; d <= 32; d += 5)
        p.drawLine(map.map(QPointF(dayLeft(d), -full)), map.map(QPointF(dayLeft(d), full)));
    p.drawLine(map.map(QPointF(right, -full)), map.map(QPointF(right, full)));
    QPen axis(Qt::black, 0);
    axis.setCosmetic(true);
    p.setPen(axis);
    p.drawLine(map.map(QPointF(left, 0)), map.map(QPointF(right, 0)));
    p.drawLine(map.map(QPointF(left, -full)), map.map(QPointF(left, full)));
    p.restore();
}

void MonthGraphPainter::paintShapes(QPainter &p, const QTransform &map, const QList<GraphShape> &shapes) {
    p.save();
    for (const GraphShape &s : shapes) {
        const QColor c = viewColour(s.colour);
        QPen pen(c, 0);
        pen.setCosmetic(true);
        p.setPen(pen);
        const QPointF a = map.map(QPointF(s.x1, s.y1));
        const QPointF b = map.map(QPointF(s.x2, s.y2));
        if (s.kind == GraphShape::Box) {
            p.setBrush(c);
            p.drawRect(QRectF(a, b).normalized());
        } else {
            p.drawLine(a, b);
        }
    }
    p.restore();
}

void MonthGraphPainter::paintTexts(QPainter &p, const QTransform &map, const QList<GraphText> &texts) {
    p.save();
    p.setPen(Qt::black);
    const QFontMetricsF fm(p.font());
    for (const GraphText &t : texts)
        p.drawText(textRect(map, fm, t), Qt::AlignCenter, t.text);
    p.restore();
}

void MonthGraphPainter::paintLegend(QPainter &p, const QTransform &map) {
    p.save();
    const QFontMetricsF fm(p.font());
    const struct {
        QString name;
        ViewColour colour;
    } series[] = {
        {u"損益額"_s, ViewColour::Navy}, {u"投資額"_s, ViewColour::Brown}, {u"換金額"_s, ViewColour::Yellow}};
    const double box = fm.height() * 0.6, gap = fm.height() * 0.8;
    double width = 0;
    for (const auto &s : series)
        width += box + 4 + fm.horizontalAdvance(s.name) + gap;
    // On the level of the value axis's unit, ending at the right of the grid.
    const QPointF anchor = map.map(QPointF(dayLeft(32), -MonthGraph::kScaleUnits - 300));
    double x = anchor.x() - width + gap;
    for (const auto &s : series) {
        p.setPen(Qt::black);
        p.setBrush(viewColour(s.colour));
        p.drawRect(QRectF(x, anchor.y() - box / 2, box, box));
        x += box + 4;
        const double w = fm.horizontalAdvance(s.name);
        p.drawText(QRectF(x, anchor.y() - fm.height() / 2, w + 2, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, s.name);
        x += w + gap;
    }
    p.restore();
}

QImage MonthGraphPainter::render(const MonthGraph &graph, const QSize &size, const QFont &font) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(background());
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(font);
    const QFontMetricsF fm(font);
    const double line = fm.height() + 8;

    p.setPen(Qt::black);
    p.drawText(QRectF(0, 0, size.width(), line), Qt::AlignCenter,
               graph.yearText() + u" 年 "_s + graph.monthText() + u" 月"_s);

    const QRectF area(0, line, size.width(), size.height() - 2 * line);
    const QTransform map = mapping(area);
    paintGrid(p, map);
    paintShapes(p, map, graph.shapes());
    paintTexts(p, map, axisTexts(graph.scale()));
    paintLegend(p, map);

    // The totals, as the three framed labels under the window's graph show them.
    const struct {
        QString head, value;
        ViewColour colour;
    } totals[] = {{u"投資額 合計 "_s, graph.investmentText(), ViewColour::Black},
                  {u"換金額 合計 "_s, graph.cashOutText(), ViewColour::Black},
                  {u"損益額 合計 "_s, graph.profitText(), graph.profitColour()}};
    const double third = size.width() / 3.0;
    for (int i = 0; i < 3; ++i) {
        const QRectF cell(third * i + 8, size.height() - line, third - 16, line);
        p.setPen(Qt::black);
        p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, totals[i].head);
        const QRectF value =
            cell.adjusted(fm.horizontalAdvance(totals[i].head), 0, -fm.horizontalAdvance(u"円"_s) - 4, 0);
        p.setPen(viewColour(totals[i].colour));
        p.drawText(value, Qt::AlignRight | Qt::AlignVCenter, totals[i].value);
        p.setPen(Qt::black);
        p.drawText(cell, Qt::AlignRight | Qt::AlignVCenter, u"円"_s);
    }
    return image;
}

} // namespace tama
