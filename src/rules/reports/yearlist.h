#pragma once

#include "reports/chodamatotals.h"
#include "reports/yearlisttotals.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>

namespace tama {

class CardRecord;
class CardText;
class YearListFilter;

// One line of the year list: the values behind it, and its text exactly as shown and
// where its columns lie. The text is made from the card the first time it is asked
// for: a window shows only a screenful of a diary's lines.
struct YearListLine {
    enum Column { No, Date, Store, Model, Investment, CashOut, Profit, ColumnCount };

    int record = 0; // record number in the diary file, from 1
    qint64 investmentYen = 0;
    qint64 cashOutYen = 0;
    qint64 profitYen = 0;
    int minutes = 0; // hours of play

    const QString &text() const {
        if (m_text.isNull()) makeText();
        return m_text;
    }
    // Where each column starts, and the end.
    std::array<int, ColumnCount + 1> bounds() const {
        if (m_text.isNull()) makeText();
        std::array<int, ColumnCount + 1> b;
        std::copy(m_bounds.begin(), m_bounds.end(), b.begin());
        return b;
    }
    // No: the right-aligned record number with a blank for the sign; Date: "  05/03(土)";
    // Store, Model: a blank and the name, filled up to 21 and 23 cells; the amounts
    // right-aligned in 8 with a blank for the sign.
    QStringView column(Column c) const {
        if (m_text.isNull()) makeText();
        return QStringView(m_text).sliced(m_bounds[c], m_bounds[c + 1] - m_bounds[c]);
    }

  private:
    friend class YearList;
    void makeText() const;

    // What the text is made from, as decoded: the visit date and as much of the store
    // and model names as is shown. Kept small and in the line: a diary has up to
    // 32,766 of them.
    static constexpr int kDateChars = 10, kStoreChars = 10, kModelChars = 11;
    std::array<char16_t, kDateChars + kStoreChars + kModelChars> m_chars{};
    quint8 m_noCells = 0;
    mutable std::array<quint8, ColumnCount + 1> m_bounds{}; // a line is under 256 characters
    mutable QString m_text;
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

    // Built a card at a time, in record order, so that a diary read a block at a time
    // never needs all its cards at once: add() every card, then finish(). cardCount,
    // the diary's number of cards, lets the lines be laid out once instead of widened.
    explicit YearList(const YearListFilter &filter, int cardCount = 0);
    void add(int record, const CardRecord &card);
    void add(int record, const CardText &card);
    void finish();
    // 貯玉 counted in the totals (the user's choice): the yen each card moved, by record
    // number (chodamaYenOfDiary); given before the cards are added.
    void countChodama(QHash<int, qint64> yenByRecord);

    const QList<YearListLine> &lines() const { return m_lines; }
    const YearListTotals &totals() const { return m_totals; }
    int noCells() const { return m_noCells; }

    // The line of one card, with the No column in the given width.
    static YearListLine lineOf(int record, const CardRecord &card, int noCells = kNoCells);

  private:
    static YearListLine lineOf(int record, const CardText &text, int noCells);

    const YearListFilter *m_filter = nullptr; // while being built
    QList<YearListLine> m_lines;
    YearListTotals m_totals;
    int m_noCells = kNoCells; // while being built: the width the lines are made with
    qint64 m_investment = 0;
    qint64 m_cashOut = 0;
    qint64 m_minutes = 0;
    bool m_countChodama = false;
    QHash<int, qint64> m_chodamaByRecord;
    ChodamaSums m_chodama;
};

} // namespace tama
