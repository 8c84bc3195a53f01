#pragma once

#include "reports/yearlist.h"

#include <QList>
#include <QString>

namespace tama {

// The order of the year list's lines and the column buttons that change it. Each
// press() does what pressing that column's button does, toggles included.
class YearListSorter {
  public:
    using Column = YearListLine::Column;

    // Starts in the order of the list (record order), every toggle off.
    explicit YearListSorter(const YearList &list);

    void press(Column column);

    // Ascending by the column's text without regard to case, equal texts by record
    // number. No and Date both order by record number.
    void SortByColumn(Column column);
    // The lines in the exact reverse order.
    void ReverseList();
    // Ascending by profit: largest loss first, equal losses the later record first,
    // equal gains the earlier record first.
    void sortByProfit();

    // Indexes into list.lines(), top to bottom.
    const QList<int> &order() const { return m_order; }
    QStringList texts() const;

    bool noToggle() const { return m_no; }
    bool investmentToggle() const { return m_investment; }
    bool cashOutToggle() const { return m_cashOut; }
    bool profitToggle() const { return m_profit; }

  private:
    void sortByName(Column column);
    void sortByAmount(Column column);

    const YearList *m_list;
    QList<int> m_order;
    // Case-folded store and model texts, made on first use: views into the lines, or
    // into m_folded where folding changed a text.
    QList<QStringView> m_nameKeys[2];
    QList<QString> m_folded;
    bool m_no = false;
    bool m_investment = false;
    bool m_cashOut = false;
    bool m_profit = false;
};

} // namespace tama
