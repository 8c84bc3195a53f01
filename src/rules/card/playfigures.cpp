#include "card/playfigures.h"

#include "common/dates.h"
#include "common/text.h"
#include "store/category.h"
#include "store/diary.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace tama {

QString playMissingCode(PlayMissing m) {
    switch (m) {
    case PlayMissing::None:
        return {};
    case PlayMissing::NoSpins:
        return u"no_spins"_s;
    case PlayMissing::NoHallTerms:
        return u"no_hall_terms"_s;
    case PlayMissing::NoModelSpec:
        return u"no_model_spec"_s;
    }
    return {};
}

QString playMissingText(PlayMissing m) {
    switch (m) {
    case PlayMissing::None:
        return {};
    case PlayMissing::NoSpins:
        return u"通常回転数が入っていません"_s;
    case PlayMissing::NoHallTerms:
        return u"この店の交換条件がありません（店データ設定）"_s;
    case PlayMissing::NoModelSpec:
        return u"この機種のスペックがありません（機種データ設定）"_s;
    }
    return {};
}

qint64 roundYen(double yen) {
    return qint64(std::round(yen)); // std::round takes halves away from zero
}

QString rateText(double rate) {
    return QString::number(rate, 'f', 1);
}

PlayFigures playFigures(const PlayFiguresInput &in) {
    return playFigures(in.investment, in.cashOut, in.play, in.terms ? &*in.terms : nullptr,
                       in.modelSpec ? &*in.modelSpec : nullptr);
}

PlayFigures playFigures(qint64 investment, qint64 cashOut, const PlayInputs &play, const HallTerms *terms,
                        const ModelSpec *modelSpec) {
    PlayFigures f;
    const qint64 spins = play.spins.value_or(0);
    const double own = double(play.ownBalls.value_or(0));
    if (!play.spins || spins <= 0) return f; // NoSpins
    if (!terms) {
        f.missing = PlayMissing::NoHallTerms;
        return f;
    }
    const double lend = terms->lend;
    const double e = terms->yenPerBall();
    f.ballsFired = double(investment) / lend + own;
    if (f.ballsFired <= 0) return f; // nothing fired: no rate
    f.spinRate = double(spins) * (1000.0 / lend) / f.ballsFired;
    const std::optional<double> w = modelSpec ? modelSpec->ballsPerSpin() : std::nullopt;
    if (!w || *w <= 0) {
        f.missing = PlayMissing::NoModelSpec;
        return f;
    }
    f.missing = PlayMissing::None;
    f.borderEqual = (1000.0 / lend) / *w;
    f.borderCash = f.borderEqual * lend / e;
    f.borderGap = f.spinRate - f.borderCash;
    // EV = S · (α · u_own + (1 − α) · u_cash), which comes to E · (S · w − Bown) − I.
    const double ev = e * (double(spins) * *w - own) - double(investment);
    f.expectedValue = roundYen(ev);
    f.luck = roundYen(double(cashOut - investment) - ev);
    return f;
}

PlayLookup::PlayLookup(const PlayDatabase &db) {
    if (!db.isOpen()) return;
    for (const HallTerms &t : db.hallTerms())
        m_terms[t.store].append(t);
    for (auto &[store, list] : m_terms)
        std::sort(list.begin(), list.end(),
                  [](const HallTerms &a, const HallTerms &b) { return a.from < b.from; });
    for (const ModelSpec &s : db.modelSpecs())
        if (s.category >= 1 && s.category <= 5) m_specs[s.category].emplace(s.model, s);
}

const HallTerms *PlayLookup::termsAt(QStringView store, const QDate &date) const {
    const auto it = m_terms.find(store);
    if (it == m_terms.end()) return nullptr;
    const HallTerms *found = nullptr;
    for (const HallTerms &t : it->second) {
        if (t.from > date) break;
        found = &t;
    }
    return found;
}

const ModelSpec *PlayLookup::specOf(int category, QStringView model) const {
    if (category < 1 || category > 5) return nullptr;
    const auto it = m_specs[category].find(model);
    return it == m_specs[category].end() ? nullptr : &it->second;
}

std::optional<HallTerms> PlayLookup::termsOn(const QString &store, const QDate &date) const {
    const HallTerms *t = termsAt(store, date);
    return t ? std::optional(*t) : std::nullopt;
}

std::optional<ModelSpec> PlayLookup::modelSpec(int category, const QString &model) const {
    const ModelSpec *s = specOf(category, model);
    return s ? std::optional(*s) : std::nullopt;
}

namespace {

struct CardPlace {
    QString store;
    QString model;
    int category = 0;
    std::optional<QDate> date;
};

CardPlace placeOf(const CardRecord &card) {
    CardPlace p;
    p.store = trim(card.field(CardRecord::StoreName));
    p.model = trim(card.field(CardRecord::ModelName));
    if (const CategoryInfo *c = categoryByCardCode(card.field(CardRecord::Category))) p.category = c->option;
    QString date = card.field(CardRecord::VisitDate);
    if (card.isCandidate()) { // the mark took the year's first digit
        CardRecord plain = card;
        plain.unmarkCandidate();
        date = plain.field(CardRecord::VisitDate);
    }
    // Stored as yyyymmdd followed by the weekday.
    bool digits = date.size() >= 8;
    for (int i = 0; digits && i < 8; ++i)
        digits = date[i] >= u'0' && date[i] <= u'9';
    if (digits) p.date = formDate(date.left(4).toInt(), date.mid(4, 2).toInt(), date.mid(6, 2).toInt());
    return p;
}

template <typename Source>
PlayFigures figuresWith(const CardRecord &card, const PlayInputs &play, const Source &source) {
    const CardPlace p = placeOf(card);
    PlayFiguresInput in;
    in.investment = card.investmentYen();
    in.cashOut = card.cashOutYen();
    in.play = play;
    if (p.date) in.terms = source.termsOn(p.store, *p.date);
    if (p.category) in.modelSpec = source.modelSpec(p.category, p.model);
    return playFigures(in);
}

// Asks the database directly, for one card.
struct DatabaseSource {
    const PlayDatabase &db;
    std::optional<HallTerms> termsOn(const QString &store, const QDate &date) const {
        return db.isOpen() ? db.termsOn(store, date) : std::nullopt;
    }
    std::optional<ModelSpec> modelSpec(int category, const QString &model) const {
        return db.isOpen() ? db.modelSpec(category, model) : std::nullopt;
    }
};

} // namespace

PlayFigures playFiguresOf(const CardRecord &card, const PlayInputs &play, const PlayLookup &lookup) {
    return figuresWith(card, play, lookup);
}

namespace {
// As trim(), on a view: the half-width and the full-width space.
QStringView trimmed(QStringView v) {
    auto space = [](QChar c) { return c == u' ' || c == QChar(0x3000); };
    while (!v.isEmpty() && space(v.back()))
        v.chop(1);
    while (!v.isEmpty() && space(v.front()))
        v = v.mid(1);
    return v;
}

// A stored date, yyyymmdd, whose first digit a deletion mark may have taken.
std::optional<QDate> dateOf(QStringView date) {
    if (date.size() < 8) return std::nullopt;
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        QChar c = date[i];
        if (i == 0 && c == u'R') c = date[1] == u'9' ? u'1' : u'2';
        if (c < u'0' || c > u'9') return std::nullopt;
        digits[i] = c.unicode() - u'0';
    }
    return formDate(digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3],
                    digits[4] * 10 + digits[5], digits[6] * 10 + digits[7]);
}
} // namespace

PlayFigures playFiguresOf(const CardText &card, qint64 investment, qint64 cashOut, const PlayInputs &play,
                          const PlayLookup &lookup) {
    const std::optional<QDate> date = dateOf(card.field(CardRecord::VisitDate));
    const HallTerms *terms =
        date ? lookup.termsAt(trimmed(card.field(CardRecord::StoreName)), *date) : nullptr;
    const CategoryInfo *c = categoryByCardCode(card.field(CardRecord::Category));
    const ModelSpec *modelSpec =
        c ? lookup.specOf(c->option, trimmed(card.field(CardRecord::ModelName))) : nullptr;
    return playFigures(investment, cashOut, play, terms, modelSpec);
}

PlayFigures playFiguresOf(const CardRecord &card, const PlayInputs &play, const PlayDatabase &db) {
    return figuresWith(card, play, DatabaseSource{db});
}

} // namespace tama
