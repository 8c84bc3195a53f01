#pragma once

#include "reports/monthgraph.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <QTransform>

class QPainter;

namespace tama {

QColor viewColour(ViewColour c);

// A text fixed to the graph: the value axis, the day axis and their units. `name` is the
// label's control name; `anchor` is in the graph's units.
struct GraphText {
    QString name;
    QString text;
    QPointF anchor;
    Qt::Alignment align; // how the text sits at its anchor
};

// Paints a month of the monthly graph with QPainter, for the window and for image files
// alike: background, grid, axis texts and the shapes of MonthGraph.
class MonthGraphPainter {
  public:
    // The part of the graph's units that the picture shows: the window's left and top
    // edges, and as far again below the zero line as above it.
    static QRectF unitArea();
    // Graph units to the pixels of target.
    static QTransform mapping(const QRectF &target);
    // Where a text anchored at a point in units, with the given alignment, is placed.
    static QRectF textRect(const QTransform &map, const QFontMetricsF &fm, const GraphText &t);

    static QList<GraphText> axisTexts(const GraphScale &scale);
    static QColor background();

    static void paintGrid(QPainter &p, const QTransform &map);
    static void paintShapes(QPainter &p, const QTransform &map, const QList<GraphShape> &shapes);
    static void paintTexts(QPainter &p, const QTransform &map, const QList<GraphText> &texts);
    // The names of the three running totals with their colours, top right above the grid.
    static void paintLegend(QPainter &p, const QTransform &map);

    // The whole month as the window shows it: a title with year and month, the picture
    // and the three totals underneath.
    static QImage render(const MonthGraph &graph, const QSize &size, const QFont &font);
};

} // namespace tama
