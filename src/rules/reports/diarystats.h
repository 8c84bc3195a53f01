#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tama {

class CardRecord;
class CardText;
class DataFolder;

// What the statistics group the cards by.
enum class StatsBy { Hall, Model, Category, DayType, Weekday, Hour, Month, Year };

// "hall", "model", … as the command line names them; nothing for another name.
std::optional<StatsBy> statsByFromName(const QString &name);
QString statsByName(StatsBy by);
// The names in StatsBy order.
QStringList statsByNames();

// The key of a card whose date, hour or category cannot be read.
QString unknownKey();

// The sums of the cards of one group, in yen and minutes.
struct StatsGroup {
    QString key;
    int visits = 0;
    qint64 minutes = 0; // end − start, not corrected when the end is before the start
    qint64 investment = 0;
    qint64 cashOut = 0;
    int wins = 0;    // cards with a profit above 0
    qint64 best = 0; // the best and worst card profit; meaningful only with visits
    qint64 worst = 0;
    int order = 0; // place of the key among the keys of its kind

    qint64 profit() const { return cashOut - investment; }
    // Cash-out ÷ investment × 100 in tenths, rounded half away from zero; nothing when
    // nothing was put in.
    std::optional<qint64> recoveryRateTenths() const;
    // Profit ÷ hours truncated toward zero; nothing unless more than 0 minutes were played.
    std::optional<qint64> profitPerHour() const;
    // Wins ÷ visits × 100 in tenths, rounded half away from zero; 0 without visits.
    qint64 winRateTenths() const;
    // Nothing without visits.
    std::optional<qint64> bestProfit() const { return visits ? std::optional(best) : std::nullopt; }
    std::optional<qint64> worstProfit() const { return visits ? std::optional(worst) : std::nullopt; }

    void addCard(qint64 investmentYen, qint64 cashOutYen, int playMinutes);
};

// n ÷ d rounded half away from zero; d is not 0.
qint64 roundedDivision(qint64 n, qint64 d);
// Tenths as text with one decimal: 794 → "79.4", -5 → "-0.5".
QString tenthsText(qint64 tenths);

// Sums cards by one key, a card at a time, over one or several diaries of a user. Cards
// carrying the deletion mark are left out unless asked for.
class DiaryStats {
  public:
    DiaryStats(StatsBy by, bool includeMarked);

    StatsBy by() const { return m_by; }
    bool includesMarked() const { return m_includeMarked; }

    // A card of the diary of diaryYear.
    void add(const CardRecord &card, int diaryYear);
    void add(const CardText &card, int diaryYear);
    // Puts the groups in their order; add() may not follow.
    void finish();

    const QList<StatsGroup> &groups() const { return m_groups; }
    const StatsGroup &total() const { return m_total; }

    // The key of a card under a grouping, with its place among the keys of its kind.
    static QString keyOf(const CardText &card, int diaryYear, StatsBy by, int *order = nullptr);

  private:
    StatsBy m_by;
    bool m_includeMarked;
    QHash<QString, StatsGroup> m_byKey;
    QList<StatsGroup> m_groups;
    StatsGroup m_total;
};

// The date of a card as the calendar reads it: a marked card's date is read as it was
// before the mark. Nothing when it is not a valid date.
struct CardDate {
    int year = 0, month = 0, day = 0;
};
std::optional<CardDate> cardDate(const CardText &card);

// "月" … "日" for Qt's day of week 1 … 7.
QString weekdayName(int dayOfWeek);

// The years for which the user has a diary file, ascending.
QList<int> diaryYears(const DataFolder &folder, const QString &userName);

// The statistics of a user's diaries from one year to another; a year without a diary
// counts no card, and no file is created. Throws StoreError when a diary cannot be read.
// The diaries that showed damage while being read (a partial record, bytes that are not
// code page 932) go to damaged.
DiaryStats readStats(const DataFolder &folder, const QString &userName, int from, int to, StatsBy by,
                     bool includeMarked, QStringList *damaged = nullptr);

} // namespace tama
