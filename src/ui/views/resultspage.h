#pragma once

#include "reports/diarystats.h"

#include <QLabel>
#include <QWidget>

namespace tama {

// The running total by day with its drawdowns, drawn by the shared painter.
class ResultsChartView : public QWidget {
    Q_OBJECT
  public:
    explicit ResultsChartView(QWidget *parent = nullptr);
    // empty: why there is no day to draw.
    void setDays(const QList<DayResult> &days, const QString &empty);
    const QList<DayResult> &days() const { return m_days; }

  protected:
    void paintEvent(QPaintEvent *e) override;

  private:
    QList<DayResult> m_days;
    QString m_empty;
};

// 成績: over the years the analysis window has chosen, whether the hourly result is
// more than luck, how deep the results fell below their peak and the runs of winning and
// losing days, in the words of resultsLines() and the figures `stats` writes.
class ResultsPage : public QWidget {
    Q_OBJECT
  public:
    explicit ResultsPage(QWidget *parent = nullptr);
    // The total and the days of statistics over the years from … to.
    void setResults(const StatsGroup &total, const QList<DayResult> &days, int from, int to);

  private:
    QLabel *ResultsRange;
    ResultsChartView *ResultsChart;
    QLabel *ResultsText;
};

} // namespace tama
