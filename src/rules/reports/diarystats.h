#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace tama {

class CardRecord;
class CardText;
class PlayLookup;
class DataFolder;
class PlayDatabase;
struct PlayFigures;
struct PlayInputs;

// What the statistics group the cards by.
enum class StatsBy { Hall, Model, Category, DayType, Weekday, Hour, Month, Year };

// "hall", "model", … as the command line names them; nothing for another name.
std::optional<StatsBy> statsByFromName(const QString &name);
QString statsByName(StatsBy by);
// The names in StatsBy order.
QStringList statsByNames();

// The key of a card whose date, hour or category cannot be read.
QString unknownKey();

// The results of a group's days in date order: how far the running total fell below an
// earlier peak (the start a peak of 0), and the runs of winning and losing days.
struct DayRuns {
    qint64 maxDrawdown = 0;
    qint64 currentDrawdown = 0; // the last day's fall below the highest peak
    int longestWinStreak = 0;
    int longestLossStreak = 0;
    int currentStreak = 0; // +n winning days, -n losing days, 0 after a day of 0
    qint64 total = 0;
    qint64 peak = 0;
    int days = 0;

    // The next day's result; a day of 0 ends both kinds of run.
    void addDay(qint64 result);
};

// The 95 % range of the hourly result, in whole yen.
struct HourlyRange {
    qint64 low = 0, high = 0;
    friend bool operator==(const HourlyRange &, const HourlyRange &) = default;
};

// The days of a group while its cards come, in any order; takeDays() sums them by date.
// A group of a large diary has thousands of days, and there may be hundreds of groups, so
// a day takes 12 bytes, kept in the order the cards came; cards out of date order are
// sorted and merged whenever the book has doubled since it last was, so that it never
// holds much more than twice its days.
class DayBook {
  public:
    void add(qint64 julianDay, qint64 profit);
    // The days' results by date, emptying the book.
    QList<std::pair<qint64, qint64>> takeDays();

  private:
    void compact();

    std::vector<qint32> m_days; // Julian day numbers
    std::vector<qint64> m_sums;
    size_t m_compacted = 0; // the size after the last compact()
    bool m_inOrder = true;
};

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

    // Play data: what the cards with a play row add up to. A card counts toward the spin
    // rate once its figures reach the balls fired (spins and the hall's terms), toward the
    // expected value and luck only with complete figures (the model's 機種スペック too).
    int playCards = 0;
    qint64 spins = 0;
    int ratedCards = 0;
    qint64 ratedSpins = 0;
    double ratedYen = 0; // F · L: yen of balls fired over the rated cards
    int figuredCards = 0;
    qint64 expectedValueSum = 0;
    qint64 luckSum = 0;

    // Each nothing when no card has play data; the spin rate also when no card was rated,
    // the expected value and luck when none has complete figures.
    std::optional<qint64> playCardCount() const;
    std::optional<qint64> spinCount() const;
    // Spins per 1,000 yen fired in hundredths, rounded half away from zero.
    std::optional<qint64> spinRateHundredths() const;
    std::optional<qint64> expectedValue() const;
    std::optional<qint64> luck() const;

    // The spread of the hourly result over the N cards played more than 0 minutes (profit X
    // in T hours, μ = ΣX / ΣT): σ² = (1/N) · Σ (X − μ·T)² / T, which is
    // (1/N) · (ΣX²/T − (ΣX)² / ΣT), so running sums do.
    int timedCards = 0;
    qint64 timedMinutes = 0;
    qint64 timedProfit = 0;
    long double profitSquaredPerHour = 0; // ΣX²/T
    // The days of the group's cards while they come, and what DiaryStats::finish() finds
    // in them.
    DayBook dayBook;
    DayRuns dayRuns;

    // μ in whole yen, halves away from zero; nothing without a card played more than 0 minutes.
    std::optional<qint64> hourlyMean() const;
    // σ in whole yen; nothing with fewer than 2 such cards.
    std::optional<qint64> sdPerHour() const;
    // μ ∓ 1.96 σ / √ΣT in whole yen; nothing with fewer than 2 such cards.
    std::optional<HourlyRange> hourlyCi95() const;

    // The yen of 貯玉 counted in the amounts above, when 貯玉 counts in the totals.
    qint64 chodamaYen = 0;

    void addCard(qint64 investmentYen, qint64 cashOutYen, int playMinutes);
    void addPlay(const PlayInputs &play, const PlayFigures &figures);
};

// One day's result and the running total up to it, for the results chart.
struct DayResult {
    QDate date;
    qint64 profit = 0;
    qint64 runningTotal = 0;
    qint64 peak = 0; // the highest running total so far, the start counting as 0
};

// One day of the cards with complete figures, and the running sums up to it.
struct PlayDay {
    QDate date;
    qint64 profit = 0;        // O − I of the day's cards with complete figures
    qint64 expectedValue = 0; // their EV
    qint64 runningProfit = 0;
    qint64 runningExpectedValue = 0;
};

// n ÷ d rounded half away from zero; d is not 0.
qint64 roundedDivision(qint64 n, qint64 d);
// Tenths as text with one decimal: 794 → "79.4", -5 → "-0.5".
QString tenthsText(qint64 tenths);
// Hundredths likewise with two: 1864 → "18.64", -5 → "-0.05".
QString hundredthsText(qint64 hundredths);

// The date of a card as the calendar reads it: a marked card's date is read as it was
// before the mark. Nothing when it is not a valid date.
struct CardDate {
    int year = 0, month = 0, day = 0;
};
std::optional<CardDate> cardDate(const CardText &card);

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
    // A card with its play data and the figures worked out from them.
    void add(const CardRecord &card, int diaryYear, const PlayInputs &play, const PlayFigures &figures);
    // The same with the figures worked out here from the hall's terms and the model's 機種スペック.
    void add(const CardText &card, int diaryYear, const PlayInputs &play, const PlayLookup &lookup);
    // Keeps the days of the cards with complete figures, for playDays(); off by default.
    void keepPlayDays(bool keep) { m_keepPlayDays = keep; }
    // Counts the change of 貯玉 of the cards added with play data in their amounts (balls
    // stored as yen taken home, balls replayed as yen put in) and in chodamaYen.
    void countChodama(bool on) { m_countChodama = on; }
    bool countsChodama() const { return m_countChodama; }
    // Puts the groups in their order; add() may not follow.
    void finish();

    const QList<StatsGroup> &groups() const { return m_groups; }
    const StatsGroup &total() const { return m_total; }
    // By date, with running sums; cards whose date cannot be read are left out.
    QList<PlayDay> playDays() const;
    // Every day of the cards counted, by date, with the running total and its peak; cards
    // whose date cannot be read are left out. Filled in by finish().
    const QList<DayResult> &days() const { return m_days; }

    // The key of a card under a grouping, with its place among the keys of its kind.
    static QString keyOf(const CardText &card, int diaryYear, StatsBy by, int *order = nullptr);
    // The same with the card's date already read (weekday and month keys need it).
    static QString keyOf(const CardText &card, int diaryYear, StatsBy by, int *order,
                         const std::optional<CardDate> &date);

  private:
    void addPlay(StatsGroup *g, const CardText &text, qint64 profit, const PlayInputs &play,
                 const PlayFigures &figures);
    // The card added to its group, which is returned (none for a mark left out); its
    // amounts in yen through investment and cashOut when asked.
    StatsGroup *groupOf(const CardText &card, int diaryYear, qint64 *investment = nullptr,
                        qint64 *cashOut = nullptr, const PlayInputs *play = nullptr,
                        const PlayLookup *lookup = nullptr);

    StatsBy m_by;
    bool m_includeMarked;
    bool m_keepPlayDays = false;
    bool m_countChodama = false;
    QHash<QString, StatsGroup> m_byKey;
    QMap<QDate, PlayDay> m_playDays;
    QList<StatsGroup> m_groups;
    StatsGroup m_total;
    QList<DayResult> m_days;
};

// "月" … "日" for Qt's day of week 1 … 7.
QString weekdayName(int dayOfWeek);

// The statistics of a user's diaries from one year to another; a year without a diary
// counts no card, and no file is created. Throws StoreError when a diary cannot be read.
// The diaries that showed damage while being read (a partial record, bytes that are not
// code page 932) go to damaged. With an open database, the cards' play data is added
// (hall terms and 機種スペック read once); without one, the play figures stay empty.
DiaryStats readStats(const DataFolder &folder, const QString &userName, int from, int to, StatsBy by,
                     bool includeMarked, QStringList *damaged = nullptr, const PlayDatabase *db = nullptr,
                     bool keepPlayDays = false);

} // namespace tama
