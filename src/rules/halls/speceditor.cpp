#include "halls/speceditor.h"

#include "card/playfigures.h"
#include "common/text.h"
#include "halls/numberbox.h"
#include "store/catalogue.h"
#include "store/category.h"
#include "store/storeerror.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

StoreError refuse(const QString &reason) {
    return StoreError(StoreError::Kind::Invalid, QString(), reason);
}

// The borders come from the card figures of a made-up visit: one spin for 1,000 yen.
PlayFigures figuresAt(const ModelSpec &modelSpec, const HallTerms &terms) {
    PlayFiguresInput in;
    in.investment = 1000;
    in.play.spins = 1;
    in.terms = terms;
    in.modelSpec = modelSpec;
    return playFigures(in);
}

} // namespace

QString SpecEditor::modelKey(const QString &text) {
    return trim(storedModelName(text));
}

void SpecEditor::setCatalogue(int category, const QStringList &models) {
    QStringList keys;
    for (const QString &m : models)
        if (!trim(m).isEmpty()) keys.append(trim(m));
    m_catalogues.insert(category, keys);
    if (category == m_category && !keys.contains(m_model)) m_model.clear();
}

void SpecEditor::setSpecs(const QList<ModelSpec> &modelSpecs) {
    m_specs = modelSpecs;
    std::stable_sort(m_specs.begin(), m_specs.end(), [](const ModelSpec &a, const ModelSpec &b) {
        return a.category != b.category ? a.category < b.category : a.model < b.model;
    });
}

void SpecEditor::choose(int category, const QString &modelText) {
    const QString key = modelKey(modelText);
    const bool known = m_catalogues.value(category).contains(key);
    m_category = known ? category : 0;
    m_model = known ? key : QString();
}

std::optional<ModelSpec> SpecEditor::current() const {
    for (const ModelSpec &s : m_specs)
        if (m_category && s.category == m_category && s.model == m_model) return s;
    return std::nullopt;
}

SpecInput SpecEditor::boxesOf(const ModelSpec &modelSpec) const {
    SpecInput in;
    if (modelSpec.probability) in.probability = numberText(*modelSpec.probability);
    if (modelSpec.payout) in.payout = numberText(*modelSpec.payout);
    if (modelSpec.border) in.border = numberText(*modelSpec.border);
    return in;
}

QList<SpecRow> SpecEditor::unused() const {
    QList<SpecRow> out;
    for (const ModelSpec &s : m_specs) {
        const auto catalogue = m_catalogues.constFind(s.category);
        if (catalogue == m_catalogues.cend() || catalogue->contains(s.model)) continue;
        SpecRow r;
        r.modelSpec = s;
        if (const CategoryInfo *c = categoryByOption(s.category)) r.category = c->caption;
        QStringList parts;
        if (s.probability && s.payout)
            parts << u"1/"_s + numberText(*s.probability) << u"出玉 "_s + numberText(*s.payout);
        if (s.border) parts << u"B4 "_s + numberText(*s.border);
        r.text = parts.join(u' ');
        out.append(r);
    }
    return out;
}

ModelSpec SpecEditor::parse(const SpecInput &in) const {
    if (!m_category) throw refuse(u"機種を選択し、一覧にある機種名を選んでください"_s);
    ModelSpec s;
    s.category = m_category;
    s.model = m_model;
    QString p = halfWidthNumber(in.probability);
    if (p.startsWith(u"1/"_s)) p = p.mid(2); // written as the probability reads
    s.probability = numberFromBox(p, u"大当たり確率"_s);
    s.payout = numberFromBox(in.payout, u"平均出玉"_s);
    s.border = numberFromBox(in.border, u"等価ボーダー"_s);
    validateModelSpec(s); // the ranges, and 1/p with P or B4
    return s;
}

QList<BorderRow> SpecEditor::borders(const ModelSpec &modelSpec, const QList<HallTerms> &hallTerms) {
    QList<BorderRow> out;
    HallTerms equal;
    equal.lend = 4;
    equal.exchange = 25;
    const PlayFigures atEqual = figuresAt(modelSpec, equal);
    if (!atEqual.complete()) return out;
    out.append({u"4円等価"_s, rateText(atEqual.borderEqual)});
    for (const HallTerms &t : hallTerms) {
        const PlayFigures f = figuresAt(modelSpec, t);
        if (!f.complete()) continue;
        out.append({t.store + u"（"_s + numberText(t.lend) + u"円・"_s + numberText(t.exchange) + u"玉）"_s,
                    rateText(f.borderCash)});
    }
    return out;
}

} // namespace tama
