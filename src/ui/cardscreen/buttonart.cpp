#include "cardscreen/buttonart.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tama {

namespace {

void drawTile(QPainter &p, bool pressed) {
    const QRectF r(1.5, 1.5, ButtonArt::kSize - 3, ButtonArt::kSize - 3);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (pressed) {
        g.setColorAt(0, QColor(176, 186, 204));
        g.setColorAt(1, QColor(214, 222, 236));
    } else {
        g.setColorAt(0, QColor(252, 253, 255));
        g.setColorAt(1, QColor(206, 216, 232));
    }
    p.setPen(QPen(pressed ? QColor(70, 84, 110) : QColor(120, 134, 160), 1.2));
    p.setBrush(g);
    p.drawRoundedRect(r, 6, 6);
    // A sunk tile shows its shadow at the top, a raised one its light.
    p.setPen(QPen(pressed ? QColor(0, 0, 0, 60) : QColor(255, 255, 255, 200), 1.2));
    p.drawLine(QPointF(6, 3), QPointF(ButtonArt::kSize - 6, 3));
}

void drawGraph(QPainter &p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.4));
    p.drawLine(QPointF(9, 30), QPointF(31, 30));
    p.drawLine(QPointF(9, 30), QPointF(9, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 255));
    p.drawRect(QRectF(12, 20, 4, 10));
    p.setBrush(QColor(255, 0, 0));
    p.drawRect(QRectF(18, 14, 4, 16));
    p.setBrush(QColor(0, 150, 70));
    p.drawRect(QRectF(24, 17, 4, 13));
    p.setPen(QPen(QColor(230, 140, 0), 1.6));
    p.drawPolyline(QPolygonF({QPointF(11, 24), QPointF(17, 15), QPointF(23, 19), QPointF(30, 10)}));
}

void drawList(QPainter &p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 9, 22, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 255));
    p.drawRect(QRectF(9.5, 9.5, 21, 4.5));
    p.setPen(QPen(QColor(90, 90, 90), 1));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(11, 17.5 + i * 4), QPointF(29, 17.5 + i * 4));
    p.drawLine(QPointF(16, 14), QPointF(16, 31));
}

void drawOrganise(QPainter &p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.1));
    const QColor cards[] = {QColor(255, 230, 230), QColor(230, 240, 255), Qt::white};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(cards[i]);
        p.drawRect(QRectF(8 + i * 3, 9 + i * 3, 15, 18));
    }
    p.setPen(QPen(QColor(80, 80, 80), 1));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(17, 20 + i * 3), QPointF(26, 20 + i * 3));
    // The sorting arrow.
    p.setPen(QPen(QColor(255, 0, 0), 1.8));
    p.drawLine(QPointF(31, 10), QPointF(31, 28));
    p.setBrush(QColor(255, 0, 0));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(27.5, 25), QPointF(34.5, 25), QPointF(31, 31)}));
}

void drawStore(QPainter &p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.1));
    p.setBrush(QColor(255, 250, 235));
    p.drawRect(QRectF(9, 17, 22, 14));
    // A striped awning over the front.
    for (int i = 0; i < 5; ++i) {
        p.setBrush(i % 2 ? QColor(255, 255, 255) : QColor(255, 0, 0));
        p.drawRect(QRectF(8 + i * 4.8, 12, 4.8, 5));
    }
    p.setBrush(QColor(0, 0, 255));
    p.drawRect(QRectF(17, 22, 6, 9));
    p.setBrush(QColor(255, 215, 0));
    p.drawEllipse(QPointF(20, 8.5), 3, 3);
}

void drawModel(QPainter &p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.1));
    p.setBrush(QColor(235, 235, 245));
    p.drawRoundedRect(QRectF(10, 7, 20, 26), 2, 2);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(20, 17), 7.5, 7.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 255));
    p.drawRect(QRectF(17, 14.5, 6, 5));
    p.setBrush(QColor(160, 160, 170));
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(15 + i * 3.3, 21.5 + (i % 2)), 1, 1);
    p.setBrush(QColor(255, 0, 0));
    p.drawEllipse(QPointF(20, 28.5), 2.5, 2.5);
}

void drawReport(QPainter &p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.1));
    p.setBrush(Qt::white);
    QPainterPath sheet;
    sheet.moveTo(10, 7);
    sheet.lineTo(25, 7);
    sheet.lineTo(30, 12);
    sheet.lineTo(30, 33);
    sheet.lineTo(10, 33);
    sheet.closeSubpath();
    p.drawPath(sheet);
    p.setPen(QPen(QColor(100, 100, 100), 1));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(13, 12 + i * 3.5), QPointF(22, 12 + i * 3.5));
    p.setPen(Qt::NoPen);
    const QRectF pie(14, 21, 11, 11);
    p.setBrush(QColor(0, 0, 255));
    p.drawPie(pie, 90 * 16, 250 * 16);
    p.setBrush(QColor(255, 0, 0));
    p.drawPie(pie, 340 * 16, 110 * 16);
}

} // namespace

QPixmap ButtonArt::picture(Motif motif, bool pressed, qreal devicePixelRatio) {
    QPixmap pm(qRound(kSize * devicePixelRatio), qRound(kSize * devicePixelRatio));
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawTile(p, pressed);
    if (pressed) p.translate(1, 1); // the picture sinks with the tile
    switch (motif) {
    case Motif::Graph:
        drawGraph(p);
        break;
    case Motif::List:
        drawList(p);
        break;
    case Motif::Organise:
        drawOrganise(p);
        break;
    case Motif::Store:
        drawStore(p);
        break;
    case Motif::Model:
        drawModel(p);
        break;
    case Motif::Report:
        drawReport(p);
        break;
    }
    return pm;
}

} // namespace tama
