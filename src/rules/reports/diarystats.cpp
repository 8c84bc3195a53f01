#include "reports/diarystats.h"

#include "card/playfigures.h"
#include "common/dates.h"
#include "reports/chodamaledger.h"
#include "reports/playtime.h"
#include "reports/viewtext.h"
#include "store/category.h"
#include "store/daytype.h"
#include "store/diary.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

struct ByName {
    StatsBy by;
    QString name;
};

const std::array<ByName, 8> &byNames() {
    static const std::array<ByName, 8> names = {{{StatsBy::Hall, u"hall"_s},
                                                 {StatsBy::Model, u"model"_s},
                                                 {StatsBy::Category, u"category"_s},
                                                 {StatsBy::DayType, u"daytype"_s},
                                                 {StatsBy::Weekday, u"weekday"_s},
                                                 {StatsBy::Hour, u"hour"_s},
                                                 {StatsBy::Month, u"month"_s},
                                                 {StatsBy::Year, u"year"_s}}};
    return names;
}

// Unknown keys go after every known one.
constexpr int kUnknownOrder = 1 << 30;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The digits of a text, or -1 when it holds anything else.
int digitsValue(QStringView v) {
    if (v.isEmpty()) return -1;
    int n = 0;
    for (QChar c : v) {
        if (!isDigit(c)) return -1;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

QString categoryKey(QStringView code, int *order) {
    const int c = code.size() == 1 ? digitsValue(code) : -1;
    if (c >= 1 && c <= 5) {
        *order = c;
        return categoriesByCardCode()[c - 1]->cardCaption;
    }
    *order = kUnknownOrder;
    return unknownKey();
}

QString dayTypeKey(QStringView code, int *order) {
    const DayTypeInfo &d = dayTypeByValue(viewtext::valueOf(code));
    *order = d.option;
    return d.caption;
}

// The starting hour as two digits; the card screen writes a single-digit hour with a
// space in front.
QString hourKey(QStringView start, int *order) {
    static const QStringList hours = [] {
        QStringList l;
        for (int h = 0; h < 100; ++h)
            l.append(QString::number(h).rightJustified(2, u'0'));
        return l;
    }();
    const int h = digitsValue(viewtext::trimmed(viewtext::leftOf(start, 2)));
    if (h < 0) {
        *order = kUnknownOrder;
        return unknownKey();
    }
    *order = h;
    return hours[h];
}

// A card's fingerprint (16 bytes) as two words, hashed and compared without a heap.
struct Fingerprint {
    quint64 a = 0, b = 0;
    // Of a card's record bytes, without a text made for it.
    static Fingerprint of(const char *record) {
        unsigned char digest[16];
        cardFingerprintInto(record, digest);
        Fingerprint f;
        std::memcpy(&f.a, digest, 8);
        std::memcpy(&f.b, digest + 8, 8);
        return f;
    }
    static Fingerprint of(const QByteArray &bytes) {
        Fingerprint f;
        if (bytes.size() == 16) {
            std::memcpy(&f.a, bytes.constData(), 8);
            std::memcpy(&f.b, bytes.constData() + 8, 8);
        }
        return f;
    }
    friend bool operator==(const Fingerprint &, const Fingerprint &) = default;
};

// A row's counts as the statistics need them, small enough to sit beside its key (the
// table is read in card order, its rows in key order: each card costs a cache miss).
struct PlayCounts {
    qint32 spins = 0, ownBalls = 0, hits = 0;
    quint8 has = 0; // 1 spins, 2 balls, 4 hits; 8: a row is here

    static std::optional<PlayCounts> of(const PlayInputs &p) {
        PlayCounts c;
        c.has = 8;
        auto put = [&c](const std::optional<qint64> &v, qint32 &to, quint8 bit) {
            if (!v) return true;
            if (*v < 0 || *v > std::numeric_limits<qint32>::max()) return false;
            to = qint32(*v);
            c.has |= bit;
            return true;
        };
        // A row with 貯玉 is kept whole, with the rows that do not fit here.
        if (p.chodamaUsed || p.chodamaDeposited) return std::nullopt;
        if (!put(p.spins, c.spins, 1) || !put(p.ownBalls, c.ownBalls, 2) || !put(p.hits, c.hits, 4))
            return std::nullopt;
        return c;
    }
    bool present() const { return has & 8; }
    PlayInputs inputs() const {
        PlayInputs p;
        if (has & 1) p.spins = spins;
        if (has & 2) p.ownBalls = ownBalls;
        if (has & 4) p.hits = hits;
        return p;
    }
};

// The cards of one fingerprint: how many came so far, and the first one's row.
struct Twins {
    int seen = 0;
    PlayCounts first;
};

// The fingerprints of a diary's rows, found again for each of its cards: open addressing
// on the fingerprint's own bits, which are already evenly spread (a QHash costs a third of
// the whole pass here).
class TwinTable {
  public:
    void reserve(qsizetype rows) {
        qsizetype size = 16;
        while (size < rows * 2)
            size *= 2;
        m_slots.assign(size_t(size), Slot{});
        m_mask = quint64(size - 1);
    }
    bool isEmpty() const { return m_count == 0; }
    Twins &operator[](const Fingerprint &fp) {
        if (qsizetype(m_slots.size()) < (m_count + 1) * 2) grow();
        Slot &s = slot(fp);
        if (!s.used) {
            s.used = true;
            s.fp = fp;
            ++m_count;
        }
        return s.twins;
    }
    Twins *find(const Fingerprint &fp) {
        if (m_slots.empty()) return nullptr;
        Slot &s = slot(fp);
        return s.used ? &s.twins : nullptr;
    }

  private:
    struct Slot {
        Fingerprint fp;
        Twins twins;
        bool used = false;
    };
    // More rows than the diary has cards (rows of cards since changed elsewhere).
    void grow() {
        std::vector<Slot> old = std::move(m_slots);
        reserve(qsizetype(std::max<size_t>(old.size(), 8)));
        m_count = 0;
        for (const Slot &o : old)
            if (o.used) (*this)[o.fp] = o.twins;
    }
    Slot &slot(const Fingerprint &fp) {
        for (quint64 i = fp.a & m_mask;; i = (i + 1) & m_mask) {
            Slot &s = m_slots[size_t(i)];
            if (!s.used || s.fp == fp) return s;
        }
    }
    std::vector<Slot> m_slots;
    quint64 m_mask = 0;
    qsizetype m_count = 0;
};

struct PlaceKey {
    Fingerprint fingerprint;
    int ordinal = 0;
    friend bool operator==(const PlaceKey &, const PlaceKey &) = default;
};
size_t qHash(const PlaceKey &k, size_t seed) {
    return qHashMulti(seed, k.fingerprint.a, k.fingerprint.b, k.ordinal);
}

} // namespace

std::optional<StatsBy> statsByFromName(const QString &name) {
    for (const ByName &b : byNames())
        if (b.name == name) return b.by;
    return std::nullopt;
}

QString statsByName(StatsBy by) {
    return byNames()[size_t(by)].name;
}

QStringList statsByNames() {
    QStringList l;
    for (const ByName &b : byNames())
        l.append(b.name);
    return l;
}

QString unknownKey() {
    return u"不明"_s;
}

qint64 roundedDivision(qint64 n, qint64 d) {
    if (d < 0) n = -n, d = -d;
    return n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d));
}

QString tenthsText(qint64 tenths) {
    const qint64 a = tenths < 0 ? -tenths : tenths;
    return (tenths < 0 ? u"-"_s : QString()) + QString::number(a / 10) + u'.' + QString::number(a % 10);
}

QString hundredthsText(qint64 hundredths) {
    const qint64 a = hundredths < 0 ? -hundredths : hundredths;
    return (hundredths < 0 ? u"-"_s : QString()) + QString::number(a / 100) + u'.' +
           QString::number(a % 100).rightJustified(2, u'0');
}

std::optional<qint64> StatsGroup::playCardCount() const {
    return playCards ? std::optional<qint64>(playCards) : std::nullopt;
}

std::optional<qint64> StatsGroup::spinCount() const {
    return playCards ? std::optional(spins) : std::nullopt;
}

std::optional<qint64> StatsGroup::spinRateHundredths() const {
    if (!ratedCards || ratedYen <= 0) return std::nullopt;
    return qint64(std::round(double(ratedSpins) * 1000.0 * 100.0 / ratedYen));
}

std::optional<qint64> StatsGroup::expectedValue() const {
    return figuredCards ? std::optional(expectedValueSum) : std::nullopt;
}

std::optional<qint64> StatsGroup::luck() const {
    return figuredCards ? std::optional(luckSum) : std::nullopt;
}

void StatsGroup::addPlay(const PlayInputs &play, const PlayFigures &figures) {
    if (play.isEmpty()) return;
    playCards += 1;
    const qint64 s = play.spins.value_or(0);
    spins += s;
    // The figures reach a spin rate with spins and terms: all but the first two reasons.
    if (figures.complete() || figures.missing == PlayMissing::NoModelSpec) {
        ratedCards += 1;
        ratedSpins += s;
        ratedYen += double(s) * 1000.0 / figures.spinRate; // R = S · (1000 / L) / F, so F · L
    }
    if (figures.complete()) {
        figuredCards += 1;
        expectedValueSum += figures.expectedValue;
        luckSum += figures.luck;
    }
}

std::optional<qint64> StatsGroup::recoveryRateTenths() const {
    if (investment == 0) return std::nullopt;
    return roundedDivision(cashOut * 1000, investment);
}

std::optional<qint64> StatsGroup::profitPerHour() const {
    if (minutes <= 0) return std::nullopt;
    return profit() * 60 / minutes; // C++ division truncates toward zero
}

qint64 StatsGroup::winRateTenths() const {
    return visits ? roundedDivision(qint64(wins) * 1000, visits) : 0;
}

void DayRuns::addDay(qint64 result) {
    days += 1;
    total += result;
    peak = std::max(peak, total);
    currentDrawdown = peak - total;
    maxDrawdown = std::max(maxDrawdown, currentDrawdown);
    if (result > 0)
        currentStreak = currentStreak > 0 ? currentStreak + 1 : 1;
    else if (result < 0)
        currentStreak = currentStreak < 0 ? currentStreak - 1 : -1;
    else
        currentStreak = 0;
    longestWinStreak = std::max(longestWinStreak, currentStreak);
    longestLossStreak = std::max(longestLossStreak, -currentStreak);
}

void DayBook::add(qint64 julianDay, qint64 profit) {
    const auto day = qint32(julianDay);
    if (!m_days.empty() && m_days.back() == day) {
        m_sums.back() += profit;
        return;
    }
    if (!m_days.empty() && day < m_days.back()) m_inOrder = false;
    m_days.push_back(day);
    m_sums.push_back(profit);
    if (!m_inOrder && m_days.size() >= 2 * m_compacted + 64) compact();
}

void DayBook::compact() {
    if (!m_inOrder) {
        std::vector<size_t> order(m_days.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return m_days[a] < m_days[b]; });
        std::vector<qint32> days;
        std::vector<qint64> sums;
        for (size_t i : order) {
            if (!days.empty() && days.back() == m_days[i]) {
                sums.back() += m_sums[i];
            } else {
                days.push_back(m_days[i]);
                sums.push_back(m_sums[i]);
            }
        }
        m_days = std::move(days);
        m_sums = std::move(sums);
        m_inOrder = true;
    }
    m_compacted = m_days.size();
}

QList<std::pair<qint64, qint64>> DayBook::takeDays() {
    compact();
    QList<std::pair<qint64, qint64>> out;
    out.reserve(qsizetype(m_days.size()));
    for (size_t i = 0; i < m_days.size(); ++i)
        out.append({m_days[i], m_sums[i]});
    *this = DayBook();
    return out;
}

namespace {

using Real = long double;

Real whole(Real yen) {
    return std::round(yen); // halves away from zero
}

// σ² of a group; rounding may take an exact 0 just below it.
Real hourlyVariance(const StatsGroup &g) {
    const Real hours = Real(g.timedMinutes) / 60, x = Real(g.timedProfit);
    return std::max<Real>(0, (g.profitSquaredPerHour - x * x / hours) / g.timedCards);
}

} // namespace

std::optional<qint64> StatsGroup::hourlyMean() const {
    if (timedCards == 0) return std::nullopt;
    return qint64(whole(Real(timedProfit) * 60 / Real(timedMinutes)));
}

std::optional<qint64> StatsGroup::sdPerHour() const {
    if (timedCards < 2) return std::nullopt;
    return qint64(whole(std::sqrt(hourlyVariance(*this))));
}

std::optional<HourlyRange> StatsGroup::hourlyCi95() const {
    if (timedCards < 2) return std::nullopt;
    const Real hours = Real(timedMinutes) / 60;
    const Real mu = Real(timedProfit) / hours;
    const Real half = 1.96L * std::sqrt(hourlyVariance(*this)) / std::sqrt(hours);
    return HourlyRange{qint64(whole(mu - half)), qint64(whole(mu + half))};
}

void StatsGroup::addCard(qint64 investmentYen, qint64 cashOutYen, int playMinutes) {
    const qint64 p = cashOutYen - investmentYen;
    if (playMinutes > 0) {
        timedCards += 1;
        timedMinutes += playMinutes;
        timedProfit += p;
        profitSquaredPerHour += Real(p) * Real(p) * 60 / playMinutes;
    }
    best = visits ? std::max(best, p) : p;
    worst = visits ? std::min(worst, p) : p;
    visits += 1;
    minutes += playMinutes;
    investment += investmentYen;
    cashOut += cashOutYen;
    wins += p > 0 ? 1 : 0;
}

std::optional<CardDate> cardDate(const CardText &card) {
    const QStringView date = card.field(CardRecord::VisitDate);
    QChar buffer[8];
    for (int i = 0; i < 8; ++i)
        buffer[i] = date[i];
    // The mark took the place of the first digit; taking it back restores it this way.
    if (buffer[0] == u'R') buffer[0] = buffer[1] == u'9' ? u'1' : u'2';
    const QStringView digits(buffer, 8);
    const int y = digitsValue(digits.first(4)), m = digitsValue(digits.sliced(4, 2)),
              d = digitsValue(digits.sliced(6, 2));
    if (y < 0 || m < 0 || d < 0 || !QDate::isValid(y, m, d)) return std::nullopt;
    return CardDate{y, m, d};
}

QString weekdayName(int dayOfWeek) {
    const QString name = weekdayChar(dayOfWeek);
    return name.isEmpty() ? unknownKey() : name;
}

DiaryStats::DiaryStats(StatsBy by, bool includeMarked) : m_by(by), m_includeMarked(includeMarked) {}

QString DiaryStats::keyOf(const CardText &card, int diaryYear, StatsBy by, int *order) {
    const bool dated = by == StatsBy::Weekday || by == StatsBy::Month;
    return keyOf(card, diaryYear, by, order, dated ? cardDate(card) : std::nullopt);
}

QString DiaryStats::keyOf(const CardText &card, int diaryYear, StatsBy by, int *order,
                          const std::optional<CardDate> &d) {
    int unused = 0;
    int &o = order ? *order : unused;
    switch (by) {
    case StatsBy::Hall:
        o = 0;
        return viewtext::trimmed(card.field(CardRecord::StoreName)).toString();
    case StatsBy::Model:
        o = 0;
        return viewtext::trimmed(card.field(CardRecord::ModelName)).toString();
    case StatsBy::Category:
        return categoryKey(card.field(CardRecord::Category), &o);
    case StatsBy::DayType:
        return dayTypeKey(card.field(CardRecord::DayType), &o);
    case StatsBy::Hour:
        return hourKey(card.field(CardRecord::StartTime), &o);
    case StatsBy::Year:
        o = diaryYear;
        return QString::number(diaryYear).rightJustified(4, u'0');
    case StatsBy::Weekday:
    case StatsBy::Month: {
        if (!d) {
            o = kUnknownOrder;
            return unknownKey();
        }
        if (by == StatsBy::Month) {
            o = d->year * 100 + d->month;
            return QString::number(d->year).rightJustified(4, u'0') + u'-' +
                   QString::number(d->month).rightJustified(2, u'0');
        }
        o = QDate(d->year, d->month, d->day).dayOfWeek();
        return weekdayName(o);
    }
    }
    return {};
}

void DiaryStats::add(const CardRecord &card, int diaryYear) {
    if (card.isCandidate() && !m_includeMarked) return;
    add(CardText(card), diaryYear);
}

StatsGroup *DiaryStats::groupOf(const CardText &card, int diaryYear, qint64 *investmentOut,
                                qint64 *cashOutOut, const PlayInputs *play, const PlayLookup *lookup) {
    if (card.field(CardRecord::VisitDate).startsWith(u'R') && !m_includeMarked) return nullptr;
    using viewtext::valueOf;
    qint64 investment = valueOf(card.field(CardRecord::Investment)) * 100;
    qint64 cashOut = valueOf(card.field(CardRecord::CashOut)) * 100;
    if (investmentOut) *investmentOut = investment;
    if (cashOutOut) *cashOutOut = cashOut;
    const int minutes = playMinutes(card);
    int order = 0;
    const std::optional<CardDate> date = cardDate(card);
    // 貯玉 counted in the totals (the user's choice): balls stored are yen taken home,
    // balls replayed yen put in, valued at the hall's terms on the card's day.
    std::optional<qint64> chodamaYen;
    if (m_countChodama && play && lookup && date && (play->chodamaUsed || play->chodamaDeposited)) {
        const HallTerms *terms = lookup->termsAt(viewtext::trimmed(card.field(CardRecord::StoreName)),
                                                 QDate(date->year, date->month, date->day));
        chodamaYen = chodamaYenOfCard(*play, terms);
        if (chodamaYen) (*chodamaYen < 0 ? investment : cashOut) += std::abs(*chodamaYen);
    }
    const QString key = keyOf(card, diaryYear, m_by, &order, date);
    auto it = m_byKey.find(key);
    if (it == m_byKey.end()) {
        it = m_byKey.insert(key, StatsGroup{});
        it->key = key;
        it->order = order;
    }
    it->addCard(investment, cashOut, minutes);
    m_total.addCard(investment, cashOut, minutes);
    if (chodamaYen) {
        it->chodamaYen += *chodamaYen;
        m_total.chodamaYen += *chodamaYen;
    }
    // A card whose date cannot be read has no place among the days: it counts in the sums
    // above but not in the drawdowns and streaks.
    if (const std::optional<CardDate> &d = date) {
        const qint64 day = QDate(d->year, d->month, d->day).toJulianDay();
        it->dayBook.add(day, cashOut - investment);
        m_total.dayBook.add(day, cashOut - investment);
    }
    return &*it;
}

void DiaryStats::add(const CardText &card, int diaryYear) {
    groupOf(card, diaryYear);
}

void DiaryStats::add(const CardRecord &card, int diaryYear, const PlayInputs &play,
                     const PlayFigures &figures) {
    if (card.isCandidate() && !m_includeMarked) return;
    const CardText text(card);
    StatsGroup *g = groupOf(text, diaryYear);
    if (!g) return;
    addPlay(g, text, card.profitYen(), play, figures);
}

void DiaryStats::add(const CardText &card, int diaryYear, const PlayInputs &play, const PlayLookup &lookup) {
    qint64 investment = 0, cashOut = 0;
    StatsGroup *g = groupOf(card, diaryYear, &investment, &cashOut, &play, &lookup);
    if (!g) return;
    addPlay(g, card, cashOut - investment, play, playFiguresOf(card, investment, cashOut, play, lookup));
}

void DiaryStats::addPlay(StatsGroup *g, const CardText &text, qint64 profit, const PlayInputs &play,
                         const PlayFigures &figures) {
    g->addPlay(play, figures);
    m_total.addPlay(play, figures);
    if (!m_keepPlayDays || !figures.complete()) return;
    const std::optional<CardDate> d = cardDate(text);
    if (!d) return;
    const QDate date(d->year, d->month, d->day);
    PlayDay &day = m_playDays[date];
    day.date = date;
    day.profit += profit;
    day.expectedValue += figures.expectedValue;
}

QList<PlayDay> DiaryStats::playDays() const {
    QList<PlayDay> out;
    out.reserve(m_playDays.size());
    qint64 profit = 0, ev = 0;
    for (PlayDay d : m_playDays) {
        profit += d.profit;
        ev += d.expectedValue;
        d.runningProfit = profit;
        d.runningExpectedValue = ev;
        out.append(d);
    }
    return out;
}

void DiaryStats::finish() {
    m_groups.clear();
    m_groups.reserve(m_byKey.size());
    for (StatsGroup &g : m_byKey) {
        for (const auto &[day, result] : g.dayBook.takeDays())
            g.dayRuns.addDay(result);
        m_groups.append(g);
    }
    m_byKey.clear();
    for (const auto &[day, result] : m_total.dayBook.takeDays()) {
        m_total.dayRuns.addDay(result);
        m_days.append({QDate::fromJulianDay(day), result, m_total.dayRuns.total, m_total.dayRuns.peak});
    }
    const bool byVisits = m_by == StatsBy::Hall || m_by == StatsBy::Model;
    std::sort(m_groups.begin(), m_groups.end(), [byVisits](const StatsGroup &a, const StatsGroup &b) {
        if (byVisits && a.visits != b.visits) return a.visits > b.visits;
        if (a.order != b.order) return a.order < b.order;
        return a.key < b.key;
    });
}

DiaryStats readStats(const DataFolder &folder, const QString &userName, int from, int to, StatsBy by,
                     bool includeMarked, QStringList *damaged, const PlayDatabase *db, bool keepPlayDays) {
    DiaryStats stats(by, includeMarked);
    stats.keepPlayDays(keepPlayDays);
    const bool withPlay = db && db->isOpen();
    if (withPlay) stats.countChodama(chodamaInTotals(*db, diaryUserPart(userName).value_or(userName)));
    const PlayLookup lookup = withPlay ? PlayLookup(*db) : PlayLookup();
    for (int year = from; year <= to; ++year) {
        const QString name = DiaryFileName(userName, year);
        if (!QFileInfo::exists(folder.file(name))) continue;
        const DiaryFile diary(folder, name, RecordFile::Mode::ReadOnly);
        bool sound = diary.partialTail() == 0;
        // The rows by fixed-size keys, with how many cards of each fingerprint came so far:
        // a million cards are looked up, and twins are rare.
        TwinTable byFingerprint;
        // Rows of later twins, and rows whose counts are too large for PlayCounts.
        QHash<PlaceKey, PlayInputs> others;
        if (withPlay) {
            byFingerprint.reserve(diary.count() + 1);
            db->forEachPlay(name, [&](const char *fingerprint, int ordinal, const PlayInputs &play) {
                Fingerprint fp;
                std::memcpy(&fp.a, fingerprint, 8);
                std::memcpy(&fp.b, fingerprint + 8, 8);
                Twins &t = byFingerprint[fp];
                const std::optional<PlayCounts> counts = PlayCounts::of(play);
                if (ordinal == 0 && counts)
                    t.first = *counts;
                else
                    others.insert({fp, ordinal}, play);
            });
        }
        diary.forEach([&](int, const CardRecord &card) {
            sound = sound && !card.record().hadUndecodableBytes();
            if (!byFingerprint.isEmpty()) {
                // Every card counts toward the ordinal, marked or not, as the keys are made.
                const Fingerprint fp = Fingerprint::of(card.record().rawBytes().constData());
                if (Twins *at = byFingerprint.find(fp)) {
                    const int ordinal = at->seen++;
                    std::optional<PlayInputs> play;
                    if (ordinal == 0 && at->first.present())
                        play = at->first.inputs();
                    else if (const auto o = others.constFind({fp, ordinal}); o != others.cend())
                        play = *o;
                    if (play) {
                        if (!card.isCandidate() || includeMarked)
                            stats.add(CardText(card), year, *play, lookup);
                        return;
                    }
                }
            }
            stats.add(card, year);
        });
        if (!sound && damaged) damaged->append(name);
    }
    stats.finish();
    return stats;
}

} // namespace tama
