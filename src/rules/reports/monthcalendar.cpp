#include "reports/monthcalendar.h"

#include "common/holidays.h"
#include "reports/diarystats.h"
#include "reports/viewtext.h"
#include "store/diary.h"

#include <QDate>
#include <QFileInfo>

#include <climits>

namespace tama {

namespace {

// "HHMM" (a single-digit hour after a space) in minutes after midnight; the latest of all
// for a time that cannot be read.
int startMinutes(QStringView start) {
    bool hourOk = false, minuteOk = false;
    const int h = start.left(2).trimmed().toInt(&hourOk), m = start.mid(2, 2).toInt(&minuteOk);
    return hourOk && minuteOk && h >= 0 && m >= 0 && m < 60 ? h * 60 + m : INT_MAX;
}

} // namespace

MonthCalendar::MonthCalendar(int year, int month, bool includeMarked)
    : m_year(year), m_month(month), m_includeMarked(includeMarked) {
    const QDate first(year, month, 1);
    const int n = first.isValid() ? first.daysInMonth() : 0;
    const QList<Holiday> holidays = n ? holidaysOf(year) : QList<Holiday>();
    for (int d = 1; d <= n; ++d) {
        CalendarDay day;
        day.day = d;
        day.weekday = weekdayName(QDate(year, month, d).dayOfWeek());
        for (const Holiday &h : holidays)
            if (h.date == QDate(year, month, d)) day.holiday = h.name;
        m_days.append(day);
    }
}

void MonthCalendar::add(int n, const CardRecord &card) {
    if (card.isCandidate() && !m_includeMarked) return;
    const CardText text(card);
    const std::optional<CardDate> date = cardDate(text);
    if (!date || date->year != m_year || date->month != m_month) return;
    CalendarDay &day = m_days[date->day - 1];
    using viewtext::valueOf;
    day.investment += valueOf(text.field(CardRecord::Investment)) * 100;
    day.cashOut += valueOf(text.field(CardRecord::CashOut)) * 100;
    day.visits += 1;
    const int start = startMinutes(text.field(CardRecord::StartTime));
    if (day.firstCard == 0 || start < day.firstStart || (start == day.firstStart && n < day.firstCard)) {
        day.firstCard = n;
        day.firstStart = start;
    }
}

CalendarDay MonthCalendar::total() const {
    CalendarDay t;
    for (const CalendarDay &d : m_days) {
        t.visits += d.visits;
        t.investment += d.investment;
        t.cashOut += d.cashOut;
    }
    return t;
}

int MonthCalendar::firstColumn() const {
    const QDate first(m_year, m_month, 1);
    return first.isValid() ? first.dayOfWeek() - 1 : 0;
}

MonthCalendar MonthCalendar::read(const DataFolder &folder, const QString &userName, int year, int month,
                                  bool includeMarked) {
    MonthCalendar calendar(year, month, includeMarked);
    const QString name = DiaryFileName(userName, year);
    if (QFileInfo::exists(folder.file(name))) {
        const DiaryFile diary(folder, name, RecordFile::Mode::ReadOnly);
        diary.forEach([&](int n, const CardRecord &card) { calendar.add(n, card); });
    }
    return calendar;
}

} // namespace tama
