#include "reports/monthgraphmodel.h"

#include "card/diarystate.h"
#include "common/text.h"
#include "reports/viewtext.h"
#include "store/diary.h"

namespace tama {

MonthGraphModel::MonthGraphModel(QObject *parent) : QObject(parent) {}

void MonthGraphModel::load(const DiaryState &state) {
    QList<CardRecord> cards;
    try {
        cards = DiaryFile(state.folder, state.diaryFile()).readAll();
    } catch (...) {
        setCards({}, state.year());
        throw;
    }
    setCards(std::move(cards), state.year());
}

void MonthGraphModel::setCards(const QList<CardRecord> &cards, int diaryYear) {
    using namespace viewtext;
    m_months.clear();
    for (qsizetype r = 0; r < cards.size(); ++r) {
        const QString date = cards[r].field(CardRecord::VisitDate);
        MonthCard m;
        m.record = int(r + 1);
        m.dayText = date.mid(6, 2);
        m.day = int(textToNumber(m.dayText));
        m.investment = textToNumber(cards[r].field(CardRecord::Investment));
        m.cashOut = textToNumber(cards[r].field(CardRecord::CashOut));
        m_months[monthKey(valueOf(leftOf(date, 4)), valueOf(midOf(date, 4, 2)))].append(m);
    }
    // The first card of a run of one day carries the number of cards in the run.
    for (QList<MonthCard> &month : m_months)
        for (qsizetype i = month.size() - 2; i >= 0; --i)
            if (month[i].dayText == month[i + 1].dayText) month[i].slotCount = month[i + 1].slotCount + 1;
    m_count = int(cards.size());
    m_diaryYear = diaryYear;
    m_span = MonthGraph::monthSpan(cards, diaryYear, 0, 0);
    emit cardsChanged();
}

MonthSpan MonthGraphModel::span(int entryYear, int entryMonth) const {
    return m_count == 0 ? MonthSpan{entryYear, entryMonth, 1} : m_span;
}

void MonthGraphModel::setPosition(int position) {
    if (position == m_position) return;
    m_position = position;
    emit positionChanged();
}

void MonthGraphModel::setSettings(const GraphSettings &settings) {
    m_settings = settings;
    emit settingsChanged();
}

void MonthGraphModel::toggle(GraphSettings::Series series) {
    GraphSettings s = m_settings;
    bool &on = series == GraphSettings::Investment ? s.investment
               : series == GraphSettings::CashOut  ? s.cashOut
                                                   : s.profit;
    on = !on;
    setSettings(s);
}

void MonthGraphModel::toggleStyle() {
    GraphSettings s = m_settings;
    s.bars = !s.bars;
    setSettings(s);
}

QString MonthGraphModel::caption(GraphSettings::Series series) const {
    return GraphSettings::caption(series, m_settings.isOn(series));
}

QString MonthGraphModel::styleCaption() const {
    return GraphSettings::styleCaption(m_settings.bars);
}

std::unique_ptr<MonthGraph> MonthGraphModel::graph(const MonthSpan &span, const QDate &today) const {
    const auto [year, month] = MonthGraph::monthAt(span, m_position);
    return std::make_unique<MonthGraph>(m_months.value(monthKey(year, month)), year, month, m_settings,
                                        MonthGraph::extendsToMonthEnd(month, m_diaryYear, today));
}

} // namespace tama
