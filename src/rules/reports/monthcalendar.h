#pragma once

#include <QList>
#include <QString>

namespace tama {

class CardRecord;
class DataFolder;

// One day of the calendar, amounts in yen.
struct CalendarDay {
    int day = 0;
    QString weekday; // "月" … "日"
    int visits = 0;
    qint64 investment = 0;
    qint64 cashOut = 0;
    int firstCard = 0; // record number of the day's first card in its diary; 0 without one

    qint64 profit() const { return cashOut - investment; }
};

// The results of one month, day by day, from the diary of its year.
class MonthCalendar {
  public:
    MonthCalendar(int year, int month, bool includeMarked);

    int year() const { return m_year; }
    int month() const { return m_month; }
    bool includesMarked() const { return m_includeMarked; }

    // Card n of the diary of the calendar's year; cards of other months are passed over.
    void add(int n, const CardRecord &card);

    const QList<CalendarDay> &days() const { return m_days; }
    CalendarDay total() const;
    // Column 0 (月) … 6 (日) of the first day, for a grid whose weeks begin on Monday.
    int firstColumn() const;

    // The month from the user's diary of that year; no diary gives an empty month and
    // is not created. Throws StoreError when the diary cannot be read.
    static MonthCalendar read(const DataFolder &folder, const QString &userName, int year, int month,
                              bool includeMarked);

  private:
    int m_year, m_month;
    bool m_includeMarked;
    QList<CalendarDay> m_days;
};

} // namespace tama
