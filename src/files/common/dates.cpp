#include "common/dates.h"

#include "common/text.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {
// Julian day number of 30 December 1899.
constexpr qint64 kDayZero = 2415019;
} // namespace

qint64 dayNumber(const QDate &d) {
    return d.toJulianDay() - kDayZero;
}

QDate dateFromDayNumber(qint64 n) {
    return QDate::fromJulianDay(n + kDayZero);
}

std::optional<QDate> formDate(int year, int month, int day) {
    if (!QDate::isValid(year, month, day)) return std::nullopt;
    return QDate(year, month, day);
}

std::optional<QDate> formDate(const QString &text) {
    const QStringList parts = text.split(u'/');
    if (parts.size() != 3) return std::nullopt;
    int values[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        values[i] = trim(parts[i]).toInt(&ok);
        if (!ok) return std::nullopt;
    }
    return formDate(values[0], values[1], values[2]);
}

QString yyyy(const QDate &d) {
    return QStringLiteral("%1").arg(d.year(), 4, 10, QChar(u'0'));
}
QString mm(const QDate &d) {
    return QStringLiteral("%1").arg(d.month(), 2, 10, QChar(u'0'));
}
QString dd(const QDate &d) {
    return QStringLiteral("%1").arg(d.day(), 2, 10, QChar(u'0'));
}

QString weekdayChar(const QDate &d) {
    return weekdayChar(d.dayOfWeek());
}

QString weekdayChar(int dayOfWeek) {
    static const QString names = u"月火水木金土日"_s; // Qt: Monday = 1 … Sunday = 7
    return dayOfWeek >= 1 && dayOfWeek <= 7 ? names.mid(dayOfWeek - 1, 1) : QString();
}

QString clockText(const QDateTime &t) {
    static const char16_t *const names[] = {u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat", u"Sun"};
    const QDate d = t.date();
    return QStringLiteral("%1/%2/%3 %4  %5:%6")
        .arg(d.year() % 100, 2, 10, QChar(u'0'))
        .arg(mm(d), dd(d), QString::fromUtf16(names[d.dayOfWeek() - 1]))
        .arg(t.time().hour(), 2, 10, QChar(u'0'))
        .arg(t.time().minute(), 2, 10, QChar(u'0'));
}

} // namespace tama
