#pragma once

#include "reports/graphsettings.h"
#include "reports/monthgraph.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <memory>

namespace tama {

class CardRecord;
class DiaryState;

// What the monthly graph shows, without a window: the diary's cards by month, read once
// for each change of the diary, which running totals are drawn and how, and the
// scroller's place in the span of months. The menu captions are made from the settings.
class MonthGraphModel : public QObject {
    Q_OBJECT
  public:
    explicit MonthGraphModel(QObject *parent = nullptr);

    // Reads the diary in use; a failed read leaves no card and throws the StoreError.
    void load(const DiaryState &state);
    void setCards(const QList<CardRecord> &cards, int diaryYear);
    int cardCount() const { return m_count; }
    int diaryYear() const { return m_diaryYear; }

    // From the first to the last stored card; with no card, the single month entered
    // on the card screen.
    MonthSpan span(int entryYear, int entryMonth) const;
    // The scroller's place, 1 the span's first month; set again only when it moves.
    int position() const { return m_position; }
    void setPosition(int position);

    const GraphSettings &settings() const { return m_settings; }
    void setSettings(const GraphSettings &settings);
    void toggle(GraphSettings::Series series);
    void toggleStyle();
    QString caption(GraphSettings::Series series) const;
    QString styleCaption() const;

    // The month at the scroller's place in the given span, drawn with the settings.
    std::unique_ptr<MonthGraph> graph(const MonthSpan &span, const QDate &today) const;

  signals:
    void cardsChanged();
    void settingsChanged();
    void positionChanged();

  private:
    static qint64 monthKey(qint64 year, qint64 month) { return year * 100 + month; }

    // Each month's cards as MonthGraph::monthCards gives them, so that a step of the
    // scroller does not walk the whole diary.
    QHash<qint64, QList<MonthCard>> m_months;
    int m_count = 0;
    int m_diaryYear = 0;
    MonthSpan m_span; // of the cards alone
    int m_position = 0;
    GraphSettings m_settings;
};

} // namespace tama
