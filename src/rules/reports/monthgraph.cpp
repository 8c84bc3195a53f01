#include "reports/monthgraph.h"

#include "common/text.h"
#include "reports/viewtext.h"
#include "store/diary.h"

#include <algorithm>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

constexpr GraphSettings::Series kSeries[] = {GraphSettings::Investment, GraphSettings::CashOut,
                                             GraphSettings::Profit};

ViewColour colourOf(GraphSettings::Series s) {
    switch (s) {
    case GraphSettings::Investment:
        return ViewColour::Brown;
    case GraphSettings::CashOut:
        return ViewColour::Yellow;
    case GraphSettings::Profit:
        return ViewColour::Navy;
    }
    return ViewColour::Black;
}

qint64 floorDiv(qint64 a, qint64 b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

} // namespace

QString MonthGraph::caption() {
    return u"月別グラフ"_s;
}

MonthSpan MonthGraph::monthSpan(const QList<CardRecord> &cards, int diaryYear, int entryYear,
                                int entryMonth) {
    if (cards.isEmpty()) return {entryYear, entryMonth, 1};
    auto yearOf = [diaryYear](const CardRecord &c) {
        return c.isCandidate() ? diaryYear : int(textToNumber(c.field(CardRecord::VisitDate).left(4)));
    };
    auto monthOf = [](const CardRecord &c) {
        return int(textToNumber(c.field(CardRecord::VisitDate).mid(4, 2)));
    };
    const CardRecord &first = cards.first();
    const CardRecord &last = cards.last();
    MonthSpan s;
    s.firstYear = yearOf(first);
    s.firstMonth = monthOf(first);
    s.span = 12 * (yearOf(last) - s.firstYear) + (monthOf(last) - s.firstMonth) + 1;
    return s;
}

std::pair<int, int> MonthGraph::monthAt(const MonthSpan &span, int value) {
    const qint64 t = qint64(value) + span.firstMonth - 1;
    qint64 year = span.firstYear + floorDiv(t, 12);
    qint64 month = t - floorDiv(t, 12) * 12;
    if (month == 0) {
        month = 12;
        year -= 1;
    }
    return {int(year), int(month)};
}

QList<MonthCard> MonthGraph::monthCards(const QList<CardRecord> &cards, int year, int month) {
    // Walked from the last card back, so that the first card of a run of one day
    // carries the number of cards in the run.
    QList<MonthCard> out;
    for (qsizetype r = cards.size(); r >= 1; --r) {
        const CardRecord &c = cards[r - 1];
        using namespace viewtext;
        const QString date = c.field(CardRecord::VisitDate);
        // A marked card's year begins with "R" and is no number: it never matches.
        if (valueOf(leftOf(date, 4)) != year || valueOf(midOf(date, 4, 2)) != month) continue;
        MonthCard m;
        m.record = int(r);
        m.dayText = date.mid(6, 2);
        m.day = int(textToNumber(m.dayText));
        m.investment = textToNumber(c.field(CardRecord::Investment));
        m.cashOut = textToNumber(c.field(CardRecord::CashOut));
        if (!out.isEmpty() && out.last().dayText == m.dayText) m.slotCount = out.last().slotCount + 1;
        out.append(m);
    }
    std::reverse(out.begin(), out.end());
    return out;
}

GraphScale MonthGraph::scaleFor(qint64 largest) {
    if (largest <= 500) return {500, u"5"_s, u"2.5"_s};
    if (largest <= 1000) return {1000, u"10"_s, u"5"_s};
    if (largest <= 2000) return {2000, u"20"_s, u"10"_s};
    if (largest <= 4000) return {4000, u"40"_s, u"20"_s};
    if (largest <= 8000) return {8000, u"80"_s, u"40"_s};
    return {16000, u"160"_s, u"80"_s};
}

bool MonthGraph::extendsToMonthEnd(int month, int diaryYear, const QDate &today) {
    return month != today.month() && diaryYear == today.year();
}

MonthGraph::MonthGraph(const QList<CardRecord> &cards, int year, int month, const GraphSettings &settings,
                       bool extendToMonthEnd)
    : MonthGraph(monthCards(cards, year, month), year, month, settings, extendToMonthEnd) {}

MonthGraph::MonthGraph(QList<MonthCard> monthCards, int year, int month, const GraphSettings &settings,
                       bool extendToMonthEnd)
    : m_year(year), m_month(month), m_cards(std::move(monthCards)) {
    qint64 profit = 0;
    for (const MonthCard &c : m_cards) {
        m_investment += c.investment;
        m_cashOut += c.cashOut;
        profit += c.cashOut - c.investment;
        m_largest = std::max({m_largest, std::abs(m_investment), std::abs(m_cashOut), std::abs(profit)});
    }
    m_scale = scaleFor(m_largest);
    draw(settings, extendToMonthEnd);
}

ViewColour MonthGraph::profitColour() const {
    const qint64 p = profitTotal();
    return p > 0 ? ViewColour::Blue : p < 0 ? ViewColour::Red : ViewColour::Black;
}

void MonthGraph::dashes(double level, double from, double x, GraphSettings::Series s) {
    for (double k = 0;; k += 50) {
        m_shapes.append({GraphShape::Line, from + k, level, from + k + 25, level, colourOf(s), s});
        if (from + k + 50 > x) break;
    }
}

void MonthGraph::draw(const GraphSettings &settings, bool extendToMonthEnd) {
    const double unit = double(kScaleUnits) / m_scale.full;
    qint64 sum[3] = {0, 0, 0};
    double level[3] = {0, 0, 0};
    double e = kStartX;
    int previousDay = 0;
    double x = 0;

    for (qsizetype i = 0; i < m_cards.size();) {
        const int d = m_cards[i].day;
        const int n = m_cards[i].slotCount;
        x = kDayWidth * d + 60;
        const int w = kDayWidth / n;
        if (d != previousDay + 1)
            for (auto s : kSeries)
                if (settings.isOn(s)) dashes(level[s], e, x, s);
        // The n cards of one day share its slot, one n-th each, in diary order.
        for (int j = 1; j <= n && i < m_cards.size(); ++j, ++i) {
            const MonthCard &c = m_cards[i];
            const qint64 amount[3] = {c.investment, c.cashOut, c.cashOut - c.investment};
            const double left = x + (j - 1) * w;
            const double right = x + j * w;
            for (auto s : kSeries) {
                if (!settings.isOn(s)) continue;
                sum[s] += amount[s];
                // Investment grows downwards, cash-out and profit upwards.
                const double next = (s == GraphSettings::Investment ? 1 : -1) * sum[s] * unit;
                if (settings.bars) {
                    m_shapes.append({GraphShape::Box, left, 0, right, next, colourOf(s), s});
                } else {
                    m_shapes.append({GraphShape::Line, left, level[s], right, next, colourOf(s), s});
                    m_shapes.append({GraphShape::Line, left, level[s] + kSecondLine, right,
                                     next + kSecondLine, colourOf(s), s});
                }
                level[s] = next;
            }
            e = right;
            previousDay = c.day;
        }
    }

    if (extendToMonthEnd)
        for (auto s : kSeries) {
            if (!settings.isOn(s)) continue;
            for (double k = 0; k <= kEndX - (x + kDayWidth); k += 50)
                m_shapes.append({GraphShape::Line, x + kDayWidth + k, level[s], x + kDayWidth + k + 25,
                                 level[s], colourOf(s), s});
        }
}

} // namespace tama
