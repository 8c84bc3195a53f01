#include "reports/yearlistsorter.h"

#include "common/text.h"

#include <algorithm>
#include <numeric>

namespace tama {

namespace {

// Right-aligned numbers of one width order as text like this: the shorter text first
// (it starts with more blanks), then "-" before any digit, then digit by digit. The key
// gives that order as one number.
qint64 textOrderKey(qint64 n) {
    const qint64 magnitude = n < 0 ? -n : n;
    qint64 length = n < 0 ? 2 : 1;
    for (qint64 m = magnitude; m >= 10; m /= 10)
        ++length;
    return (length << 42) | (qint64(n >= 0) << 41) | magnitude;
}

} // namespace

YearListSorter::YearListSorter(const YearList &list) : m_list(&list) {
    m_order.resize(list.lines().size());
    std::iota(m_order.begin(), m_order.end(), 0);
}

QStringList YearListSorter::texts() const {
    QStringList out;
    out.reserve(m_order.size());
    for (int i : m_order)
        out.append(m_list->lines()[i].text());
    return out;
}

void YearListSorter::sortByName(Column column) {
    const QList<YearListLine> &lines = m_list->lines();
    QList<QStringView> &keys = m_nameKeys[column == Column::Store ? 0 : 1];
    if (keys.isEmpty() && !lines.isEmpty()) {
        keys.reserve(lines.size());
        for (const YearListLine &l : lines) {
            const QStringView key = l.column(column).sliced(1); // without the leading blank
            if (std::all_of(key.begin(), key.end(), [](QChar c) { return c.toCaseFolded() == c; })) {
                keys.append(key);
            } else {
                m_folded.append(key.toString().toCaseFolded());
                keys.append(m_folded.last());
            }
        }
    }
    struct Entry {
        QStringView key;
        int record;
        int index;
    };
    QList<Entry> entries;
    entries.reserve(m_order.size());
    for (int i : m_order)
        entries.append({keys[i], lines[i].record, i});
    // Lines are unique by record number, which also breaks ties: the result does not
    // depend on the order before.
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        const int c = a.key.compare(b.key);
        return c != 0 ? c < 0 : a.record < b.record;
    });
    for (qsizetype i = 0; i < entries.size(); ++i)
        m_order[i] = entries[i].index;
}

void YearListSorter::sortByAmount(Column column) {
    const QList<YearListLine> &lines = m_list->lines();
    auto amount = [&](int i) {
        const YearListLine &l = lines[i];
        return column == Column::Investment ? l.investmentYen
               : column == Column::CashOut  ? l.cashOutYen
                                            : l.profitYen;
    };
    QList<std::pair<qint64, int>> keyed;
    keyed.reserve(m_order.size());
    for (int i : m_order)
        keyed.append({textOrderKey(amount(i)), i});
    std::sort(keyed.begin(), keyed.end(), [&](const auto &a, const auto &b) {
        return a.first != b.first ? a.first < b.first : lines[a.second].record < lines[b.second].record;
    });
    for (qsizetype i = 0; i < keyed.size(); ++i)
        m_order[i] = keyed[i].second;
}

void YearListSorter::SortByColumn(Column column) {
    switch (column) {
    case Column::No:
    case Column::Date:
    case Column::ColumnCount: {
        const QList<YearListLine> &lines = m_list->lines();
        std::sort(m_order.begin(), m_order.end(),
                  [&](int a, int b) { return lines[a].record < lines[b].record; });
        break;
    }
    case Column::Store:
    case Column::Model:
        sortByName(column);
        break;
    case Column::Investment:
    case Column::CashOut:
    case Column::Profit:
        sortByAmount(column);
        break;
    }
}

void YearListSorter::ReverseList() {
    std::reverse(m_order.begin(), m_order.end());
}

void YearListSorter::sortByProfit() {
    // Sorted as text, right-aligned numbers order the gains upwards and the losses
    // from the smallest to the largest; the losses are then taken from the end.
    SortByColumn(Column::Profit);
    const QList<YearListLine> &lines = m_list->lines();
    QList<int> order;
    order.reserve(m_order.size());
    for (auto it = m_order.crbegin(); it != m_order.crend(); ++it)
        if (lines[*it].profitYen < 0) order.append(*it);
    for (int i : m_order)
        if (lines[i].profitYen >= 0) order.append(i);
    m_order = std::move(order);
}

void YearListSorter::press(Column column) {
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
    case Column::ColumnCount:
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
