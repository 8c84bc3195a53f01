#pragma once

#include "painters/analysispainter.h"
#include "painters/luckchartpainter.h"
#include "reports/diarystats.h"
#include "reports/monthcalendar.h"
#include "reports/statstable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QWidget>

#include <optional>

namespace tama {

class ResultsPage;
class WindowRegistry;

// The month grid of the calendar page, drawn by the shared painter.
class CalendarView : public QWidget {
    Q_OBJECT
  public:
    explicit CalendarView(QWidget *parent = nullptr);
    void setCalendar(const MonthCalendar &calendar);
    const MonthCalendar &calendar() const { return m_calendar; }
    // The middle of a day's cell, where a person would click it.
    QPoint dayCentre(int day) const;

  signals:
    void dayActivated(int day);
    void step(int months);

  protected:
    void paintEvent(QPaintEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

  private:
    MonthCalendar m_calendar;
};

// A chart of the statistics page or of the years page.
class ChartView : public QWidget {
    Q_OBJECT
  public:
    enum Kind { Bars, Line };
    ChartView(Kind kind, QWidget *parent = nullptr);
    void setValues(const QString &title, const QList<ChartValue> &values);
    const QList<ChartValue> &values() const { return m_values; }

  protected:
    void paintEvent(QPaintEvent *e) override;

  private:
    Kind m_kind;
    QString m_title;
    QList<ChartValue> m_values;
};

// The running profit beside the running expected value, drawn by the shared painter.
class LuckChartView : public QWidget {
    Q_OBJECT
  public:
    explicit LuckChartView(QWidget *parent = nullptr);
    // empty: why there is no day to draw.
    void setDays(const QList<PlayDay> &days, const QString &empty);
    const QList<PlayDay> &days() const { return m_days; }
    const QString &emptyText() const { return m_empty; }

  protected:
    void paintEvent(QPaintEvent *e) override;

  private:
    QList<PlayDay> m_days;
    QString m_empty;
};

// 分析: where the user wins and loses, over every diary of the user. A calendar of
// a month, statistics by hall, model, category, day type, weekday, hour, month or
// year with a bar chart, and a line for each year with a running total. It reads the
// diaries only.
class AnalysisWindow : public QWidget {
    Q_OBJECT
  public:
    explicit AnalysisWindow(WindowRegistry &registry);

    const QString &userName() const { return m_user; }
    const QList<int> &years() const { return m_years; }
    void showMonth(int year, int month);
    // The statistics table as CSV, in the order it is shown; false when it cannot be written.
    bool exportCsv(const QString &path);

  protected:
    void keyPressEvent(QKeyEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

  private:
    QCheckBox *IncludeMarked;
    QTabWidget *Tabs;
    // カレンダー
    QPushButton *PrevYear, *PrevMonth, *NextMonth, *NextYear;
    QLabel *MonthLabel;
    CalendarView *Calendar;
    // 集計
    QComboBox *ByCombo, *ChartColumn;
    QSpinBox *FromYear, *ToYear;
    QTableView *StatsTable;
    StatsTableModel *m_stats;
    QLabel *StatsTotal;
    ChartView *StatsChart;
    QPushButton *ExportCsv;
    // 年別
    QTableWidget *YearTable;
    QLabel *YearTotal;
    ChartView *YearChart;
    // 期待値
    LuckChartView *LuckChart;
    // 成績
    ResultsPage *Results;

    void buildCalendarPage();
    void buildStatsPage();
    void buildYearsPage();
    void buildLuckPage();
    void reloadAll();
    void showYearRange();
    void followDiary();
    void followCards();
    void stepMonth(int months);
    void refreshStats();
    void refreshStatsChart();
    void refreshYears();
    void dayActivated(int day);
    void ExportCsv_Click();

    WindowRegistry &m_registry;
    QString m_user; // the user part of the diary file names
    QList<int> m_years;
    int m_year = 0, m_month = 1;
};

} // namespace tama
