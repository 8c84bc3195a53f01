#pragma once

#include "yearlisttotals.h"

#include <QList>
#include <QString>

namespace tama {

class CardRecord;
class YearListFilter;

// One line of the year list: its columns exactly as shown, and the values behind them.
struct YearListLine {
    int record = 0; // record number in the diary file, from 1
    QString no;     // right-aligned record number with a blank for the sign (4 cells, or wider)
    QString date;   // "  05/03(土)"
    QString store;  // a blank and the store name, filled up to 21 cells
    QString model;  // a blank and the model name, filled up to 23 cells
    QString investment; // right-aligned in 8, a blank for the sign
    QString cashOut;
    QString profit;
    qint64 investmentYen = 0;
    qint64 cashOutYen = 0;
    qint64 profitYen = 0;
    int minutes = 0; // hours of play

    QString text() const { return no + date + store + model + investment + cashOut + profit; }
};

// The year list of a diary: the cards that pass the filter, in record order, with
// their totals.
class YearList {
public:
    // Cells of each column for record numbers up to 999; the No column grows by one
    // cell per further digit so that every line keeps the columns aligned.
    static constexpr int kNoCells = 4;
    static constexpr int kDateCells = 11;
    static constexpr int kStoreCells = 21;
    static constexpr int kModelCells = 23;
    static constexpr int kAmountCells = 8;

    // "1999年 リスト表示"
    static QString caption(const QString &year);

    // cards[n - 1] is record n.
    YearList(const QList<CardRecord> &cards, const YearListFilter &filter);

    const QList<YearListLine> &lines() const { return m_lines; }
    const YearListTotals &totals() const { return m_totals; }
    int noCells() const { return m_noCells; }

    // The line of one card, with the No column in the given width.
    static YearListLine lineOf(int record, const CardRecord &card, int noCells = kNoCells);

private:
    QList<YearListLine> m_lines;
    YearListTotals m_totals;
    int m_noCells = kNoCells;
};

} // namespace tama
