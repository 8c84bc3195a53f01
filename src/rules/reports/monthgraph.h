#pragma once

#include "reports/graphsettings.h"
#include "reports/viewcolour.h"

#include <QDate>
#include <QList>
#include <QString>

namespace tama {

class CardRecord;

// The months the scroller steps through: value 1 is the first month, value `span` the
// month of the last stored card.
struct MonthSpan {
    int firstYear = 0;
    int firstMonth = 0;
    int span = 0;

    // The scroller's range; a diary not kept in date order can end before it starts,
    // and the range then still runs between the two months.
    int minimum() const { return std::min(1, span); }
    int maximum() const { return std::max(1, span); }
};

// A card of the month shown, in diary order.
struct MonthCard {
    int record = 0;  // record number, from 1
    QString dayText; // VisitDate characters 7-8
    int day = 0;
    int slotCount = 1;     // cards sharing the day's slot, counted on the first of them
    qint64 investment = 0; // hundreds of yen
    qint64 cashOut = 0;
};

// One thing to paint, in the graph's units: x to the right, y downwards, y = 0 the zero
// line, 1200 units the full scale. Boxes are filled with their colour.
struct GraphShape {
    enum Kind { Line, Box };
    Kind kind = Line;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    ViewColour colour = ViewColour::Black;
    GraphSettings::Series series = GraphSettings::Profit;
    bool operator==(const GraphShape &) const = default;
};

// The month's full scale and the labels of its grid lines (units of 10,000 yen).
struct GraphScale {
    int full = 500; // hundreds of yen drawn at 1200 units
    QString outer;  // the lines at ±full: "5"
    QString inner;  // the lines at ±full / 2: "2.5"
};

// One month of the monthly graph: its cards, scale, drawing and totals.
class MonthGraph {
  public:
    static constexpr int kScaleUnits = 1200; // height of the full scale
    static constexpr int kStartX = 200;      // where the drawing starts
    static constexpr int kEndX = 3732;       // where the month ends
    static constexpr int kLeft = -600;       // window's left edge
    static constexpr int kTop = -1680;       // window's top edge
    static constexpr int kDayWidth = 120;
    static constexpr int kSecondLine = 13; // the second line of a line graph, lower

    static QString caption(); // "月別グラフ"

    // From the first and the last stored card. A card carrying the deletion mark has no
    // year of its own; the diary's year stands in for it. With no stored card the span
    // is the single month entered on the card screen.
    static MonthSpan monthSpan(const QList<CardRecord> &cards, int diaryYear, int entryYear, int entryMonth);
    // Year and month of a scroller value.
    static std::pair<int, int> monthAt(const MonthSpan &span, int value);
    // The month's cards in diary order with their slot counts. Marked cards never match.
    static QList<MonthCard> monthCards(const QList<CardRecord> &cards, int year, int month);
    // Scale for the largest absolute running sum (hundreds of yen).
    static GraphScale scaleFor(qint64 largest);
    // Whether the graphs are carried on to the end of the month: the month shown is
    // not today's month and the diary is of this calendar year.
    static bool extendsToMonthEnd(int month, int diaryYear, const QDate &today);

    MonthGraph(const QList<CardRecord> &cards, int year, int month, const GraphSettings &settings,
               bool extendToMonthEnd);
    // From the month's cards as monthCards gives them.
    MonthGraph(QList<MonthCard> monthCards, int year, int month, const GraphSettings &settings,
               bool extendToMonthEnd);

    int year() const { return m_year; }
    int month() const { return m_month; }
    QString yearText() const { return QString::number(m_year); }
    QString monthText() const { return QString::number(m_month); }

    const QList<MonthCard> &cards() const { return m_cards; }
    qint64 largest() const { return m_largest; }
    const GraphScale &scale() const { return m_scale; }
    const QList<GraphShape> &shapes() const { return m_shapes; }

    // Totals of every card of the month in yen, whichever graphs are on.
    qint64 investmentTotal() const { return m_investment * 100; }
    qint64 cashOutTotal() const { return m_cashOut * 100; }
    qint64 profitTotal() const { return (m_cashOut - m_investment) * 100; }
    QString investmentText() const { return QString::number(investmentTotal()); }
    QString cashOutText() const { return QString::number(cashOutTotal()); }
    QString profitText() const { return QString::number(profitTotal()); }
    ViewColour profitColour() const;

  private:
    void draw(const GraphSettings &settings, bool extendToMonthEnd);
    void dashes(double level, double from, double x, GraphSettings::Series s);

    int m_year;
    int m_month;
    QList<MonthCard> m_cards;
    qint64 m_investment = 0;
    qint64 m_cashOut = 0;
    qint64 m_largest = 0;
    GraphScale m_scale;
    QList<GraphShape> m_shapes;
};

} // namespace tama
