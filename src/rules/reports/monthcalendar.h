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
    QString holiday; // the public holiday's name; empty on other days
    int visits = 0;
    qint64 investment = 0;
    qint64 cashOut = 0;
    // Record number in its diary of the day's earliest visit: the card with the earliest
    // start time (one that cannot be read counts as latest), of equal ones the lowest
    // number; 0 without a card.
    int firstCard = 0;
    int firstStart = 0; // that card's start in minutes after midnight

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
    // Cards may come in any order.
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
