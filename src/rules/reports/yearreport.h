#pragma once

#include "reports/viewcolour.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace tama {

class CardRecord;

// One value of the report's table as shown.
struct ReportCell {
    QString text;
    ViewColour colour = ViewColour::Black;
    bool operator==(const ReportCell &) const = default;
};

// The sums of one group of cards and its column of the table.
struct ReportColumn {
    qint64 investment = 0; // hundreds of yen
    qint64 cashOut = 0;
    int count = 0;
    qint64 minutes = 0; // hours of play
    ReportCell rate;    // recovery rate, percent
    ReportCell hourly;  // yen per hour
    ReportCell hours;   // "12.5"
};

// The yearly evaluation report: the best card of each category and the table of
// recovery rate, hourly result and hours by category, for all cards and for the
// special business days. Every card counts, marked ones included.
class YearReport {
  public:
    enum Column { Hane, Digi, CrDigi, Kenri, Denyaku, Overall, Special, ColumnCount };

    // "1999 年度評価レポート"
    static QString caption(const QString &year);
    // "羽根物部門" … in category order.
    static QStringList sectionTitles();
    // Heads of the columns in Column order: 羽根物 … 一般電役, 総合, 新規新装.
    static QStringList columnHeads();
    // The columns from left to right as the window shows them.
    static QList<int> displayOrder();
    // "  平常 " … for the day-type codes; any other code reads as an ordinary day.
    static QString dayTypeLabel(const QString &dayType);

    explicit YearReport(const QList<CardRecord> &cards);
    // Built a card at a time, so that a diary read a block at a time never needs all
    // its cards at once: add() every card in record order, then finish().
    YearReport();
    void add(const CardRecord &card);
    // With 貯玉 counted in the totals (the user's choice): the yen the card moved in 貯玉 goes
    // to what was taken home (stored) or put in (replayed), in hundreds of yen rounded
    // half away from zero. The awards stay the cards' own.
    void add(const CardRecord &card, qint64 chodamaYen);
    void finish();
    // What 貯玉 added, in yen, when any card had some.
    std::optional<qint64> chodamaYen() const {
        return m_chodamaCounted ? std::optional(m_chodamaYen) : std::nullopt;
    }

    // Award lines of category index 0-4; empty where no card of the category won.
    const QStringList &awards() const { return m_awards; }
    const QList<ReportColumn> &columns() const { return m_columns; }

    // The award line of a card with the given profit (hundreds of yen, above 0).
    static QString awardLine(const CardRecord &card, qint64 profit);

  private:
    QStringList m_awards;
    QList<ReportColumn> m_columns;
    // While being built: the best profit and its award line of each category, and the
    // sums of the categories (0-4) and the day types (5-8).
    std::array<qint64, 5> m_best{};
    std::array<QString, 5> m_winners;
    std::array<ReportColumn, 9> m_groups{};
    bool m_chodamaCounted = false;
    qint64 m_chodamaYen = 0;
};

} // namespace tama
