#include "reports/chodamaledger.h"

#include "common/text.h"
#include "reports/diarystats.h"
#include "store/diary.h"
#include "store/playdata.h"
#include "store/storeerror.h"

#include <QDir>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

constexpr const char16_t *kSettingName = u"chodama_in_totals";

qint64 yenOf(qint64 balls, const HallTerms &terms) {
    return qint64(std::llround(double(balls) * terms.yenPerBall()));
}

bool hasChodama(const PlayInputs &p) {
    return p.chodamaUsed || p.chodamaDeposited;
}

// A line with where it sorts on its day: cards before entries made by hand.
struct Pending {
    ChodamaLine line;
    int group = 0; // 0 a card, 1 an entry
    qint64 order = 0;
};

// The fee a replay pays at the hall's terms on its day.
qint64 feeOn(const PlayDatabase &db, const QString &store, const QDate &day, qint64 used) {
    const std::optional<HallTerms> terms = db.termsOn(store, day);
    return chodamaFeeBalls(used, terms ? terms->feePercent : std::nullopt);
}

// The lines of one diary's cards that carry 貯玉.
void cardLines(const DataFolder &folder, const PlayDatabase &db, const QString &diaryName,
               const QString &store, QList<Pending> &out, qint64 &order, QStringList &problems) {
    const QHash<CardKey, PlayInputs> rows = db.playOfDiary(diaryName);
    if (!db.readError().isEmpty()) {
        problems.append(u"「"_s + diaryName + u"」の稼働データが読めません: "_s + db.readError());
        return;
    }
    // A diary none of whose cards holds 貯玉 need not be read at all.
    if (std::none_of(rows.cbegin(), rows.cend(), hasChodama)) return;
    const DiaryFile diary(folder, diaryName, RecordFile::Mode::ReadOnly);
    QHash<QByteArray, int> seen;
    diary.forEachRaw([&](int n, const char *bytes) {
        const QByteArray fp = cardFingerprint(bytes);
        const CardKey key{fp, seen[fp]++};
        const auto it = rows.constFind(key);
        if (it == rows.cend() || !hasChodama(*it)) return;
        const CardText card = CardText::ofBytes(bytes);
        if (card.field(CardRecord::VisitDate).startsWith(u'R')) return; // marked for deletion
        const QString hall = trim(card.field(CardRecord::StoreName).toString());
        if (!store.isEmpty() && hall != store) return;
        const std::optional<CardDate> d = cardDate(card);
        if (!d) {
            problems.append(u"「"_s + diaryName + u"」のカード"_s + QString::number(n) +
                            u"は日付が正しくないため、貯玉に入れていません。"_s);
            return;
        }
        const QDate day(d->year, d->month, d->day);
        ChodamaLine base;
        base.day = day;
        base.store = hall;
        base.diary = diaryName;
        base.card = n;
        // Balls are taken from the store to play before the visit's end puts some back.
        if (it->chodamaUsed && *it->chodamaUsed > 0) {
            ChodamaLine l = base;
            l.kind = ChodamaKind::Replay;
            l.balls = *it->chodamaUsed;
            l.feeBalls = feeOn(db, hall, day, l.balls);
            l.change = -l.balls - l.feeBalls;
            out.append(Pending{l, 0, order++});
        }
        if (it->chodamaDeposited && *it->chodamaDeposited > 0) {
            ChodamaLine l = base;
            l.kind = ChodamaKind::Deposit;
            l.balls = *it->chodamaDeposited;
            l.change = l.balls;
            out.append(Pending{l, 0, order++});
        }
    });
}

// The user's diaries, as diaryYears finds them but also those this account may not read
// or that are no regular file: the ledger says it left them out instead of passing over them.
QStringList diariesOf(const DataFolder &folder, const QString &user) {
    const std::optional<QString> part = diaryUserPart(user);
    if (!part) return {};
    const QString prefix = *part + u'.';
    QMap<int, QString> byYear;
    for (const QString &name :
         QDir(folder.path()).entryList({prefix + u"????.dat"_s}, QDir::Files | QDir::System, QDir::Name)) {
        if (!name.startsWith(prefix)) continue;
        const QStringView digits = QStringView(name).sliced(prefix.size(), 4);
        if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            continue;
        byYear.insert(digits.toInt(), name);
    }
    return byYear.values();
}

} // namespace

ChodamaLedger chodamaLedger(const DataFolder &folder, const PlayDatabase &db, const QString &user,
                            const QString &storeAsked, const QDate &on) {
    const QString store = trim(storeAsked); // empty: every hall
    ChodamaLedger ledger;
    QList<Pending> pending;
    qint64 order = 0;
    for (const QString &name : diariesOf(folder, user)) {
        try {
            cardLines(folder, db, name, store, pending, order, ledger.problems);
        } catch (const StoreError &e) {
            ledger.problems.append(u"「"_s + name + u"」を読めないため、その年の貯玉は入っていません: "_s +
                                   e.reason());
        }
    }
    const QList<ChodamaEntry> entries = db.chodamaEntries(user, store.isEmpty() ? QString() : store);
    if (!db.readError().isEmpty()) ledger.problems.append(u"貯玉の記録が読めません: "_s + db.readError());
    for (const ChodamaEntry &e : entries) {
        ChodamaLine l;
        l.day = e.day;
        l.store = e.store;
        l.kind = e.kind;
        l.balls = e.balls;
        if (e.kind == ChodamaKind::Replay) l.feeBalls = feeOn(db, e.store, e.day, e.balls);
        l.change = e.change() - l.feeBalls;
        l.uid = e.uid;
        l.note = e.note;
        pending.append(Pending{l, 1, order++});
    }
    std::stable_sort(pending.begin(), pending.end(), [](const Pending &a, const Pending &b) {
        if (a.line.day != b.line.day) return a.line.day < b.line.day;
        if (a.group != b.group) return a.group < b.group;
        return a.order < b.order;
    });
    QMap<QString, qint64> balances;
    for (Pending &p : pending) {
        qint64 &balance = balances[p.line.store];
        balance += p.line.change;
        p.line.balance = balance;
        ledger.lines.append(p.line);
    }
    for (auto it = balances.cbegin(); it != balances.cend(); ++it) {
        ChodamaHall hall;
        hall.store = it.key();
        hall.balls = it.value();
        if (const std::optional<HallTerms> terms = db.termsOn(it.key(), on)) {
            hall.yen = yenOf(hall.balls, *terms);
            ledger.totalYen += *hall.yen;
        }
        ledger.halls.append(hall);
    }
    return ledger;
}

qint64 chodamaChangeOfCard(const PlayInputs &play, const HallTerms *terms) {
    const qint64 used = play.chodamaUsed.value_or(0);
    const qint64 fee = chodamaFeeBalls(used, terms ? terms->feePercent : std::nullopt);
    return play.chodamaDeposited.value_or(0) - used - fee;
}

std::optional<qint64> chodamaYenOfCard(const PlayInputs &play, const HallTerms *terms) {
    if (!terms || !hasChodama(play)) return std::nullopt;
    return yenOf(chodamaChangeOfCard(play, terms), *terms);
}

bool chodamaInTotals(const PlayDatabase &db, const QString &user) {
    return db.userSetting(user, QString::fromUtf16(kSettingName)) == u"1"_s;
}

void setChodamaInTotals(PlayDatabase &db, const QString &user, bool on) {
    if (on)
        db.setUserSetting(user, QString::fromUtf16(kSettingName), u"1"_s);
    else
        db.removeUserSetting(user, QString::fromUtf16(kSettingName));
}

} // namespace tama
