#include "yearlistsorter.h"

#include "common/text.h"
#include "yearlist.h"

#include <algorithm>
#include <numeric>

namespace tama {

YearListSorter::YearListSorter(const YearList &list) : m_list(&list)
{
    const QList<YearListLine> &lines = list.lines();
    m_order.resize(lines.size());
    std::iota(m_order.begin(), m_order.end(), 0);
    m_storeKeys.reserve(lines.size());
    m_modelKeys.reserve(lines.size());
    m_investmentKeys.reserve(lines.size());
    m_cashOutKeys.reserve(lines.size());
    m_profitKeys.reserve(lines.size());
    for (const YearListLine &l : lines) {
        // The key of a name column is the column without its leading blank.
        m_storeKeys.append(l.store.mid(1).toCaseFolded());
        m_modelKeys.append(l.model.mid(1).toCaseFolded());
        // The amount keys are the last 7 characters of the 8-cell columns.
        m_investmentKeys.append(l.investment.right(7));
        m_cashOutKeys.append(l.cashOut.right(7));
        m_profitKeys.append(trim(l.profit).rightJustified(7, u' '));
    }
}

QStringList YearListSorter::texts() const
{
    QStringList out;
    out.reserve(m_order.size());
    for (int i : m_order)
        out.append(m_list->lines()[i].text());
    return out;
}

void YearListSorter::sortByKey(const QList<QString> &keys)
{
    // Lines are unique by record number, which also breaks ties: the result does not
    // depend on the order before.
    const QList<YearListLine> &lines = m_list->lines();
    std::sort(m_order.begin(), m_order.end(), [&](int a, int b) {
        const int c = keys[a].compare(keys[b]);
        return c != 0 ? c < 0 : lines[a].record < lines[b].record;
    });
}

void YearListSorter::SortByColumn(Column column)
{
    switch (column) {
    case Column::No:
    case Column::Date: {
        const QList<YearListLine> &lines = m_list->lines();
        std::sort(m_order.begin(), m_order.end(),
                  [&](int a, int b) { return lines[a].record < lines[b].record; });
        break;
    }
    case Column::Store: sortByKey(m_storeKeys); break;
    case Column::Model: sortByKey(m_modelKeys); break;
    case Column::Investment: sortByKey(m_investmentKeys); break;
    case Column::CashOut: sortByKey(m_cashOutKeys); break;
    case Column::Profit: sortByKey(m_profitKeys); break;
    }
}

void YearListSorter::ReverseList() { std::reverse(m_order.begin(), m_order.end()); }

void YearListSorter::sortByProfit()
{
    // Sorted as text, right-aligned numbers order the gains upwards and the losses
    // from the smallest to the largest; the losses are then taken from the end.
    SortByColumn(Column::Profit);
    const QList<YearListLine> &lines = m_list->lines();
    QList<int> order;
    order.reserve(m_order.size());
    for (auto it = m_order.crbegin(); it != m_order.crend(); ++it)
        if (lines[*it].profitYen < 0)
            order.append(*it);
    for (int i : m_order)
        if (lines[i].profitYen >= 0)
            order.append(i);
    m_order = std::move(order);
}

void YearListSorter::press(Column column)
{
    // Sorts ascending on the first press, reverses on the second; a press of any other
    // button clears the toggle.
    auto toggled = [this](bool &toggle, auto sort) {
        if (toggle) {
            ReverseList();
            toggle = false;
        } else {
            sort();
            toggle = true;
        }
    };
    switch (column) {
    case Column::No:
    case Column::Date:
        m_investment = m_cashOut = m_profit = false;
        toggled(m_no, [&] { SortByColumn(Column::No); });
        break;
    case Column::Investment:
        m_no = m_cashOut = m_profit = false;
        toggled(m_investment, [&] { SortByColumn(Column::Investment); });
        break;
    case Column::CashOut:
        m_no = m_investment = m_profit = false;
        toggled(m_cashOut, [&] { SortByColumn(Column::CashOut); });
        break;
    case Column::Profit:
        m_no = m_investment = m_cashOut = false;
        toggled(m_profit, [&] { sortByProfit(); });
        break;
    case Column::Store:
    case Column::Model:
        m_no = m_investment = m_cashOut = m_profit = false;
        SortByColumn(column);
        break;
    }
}

} // namespace tama
