#include "halls/termseditor.h"

#include "common/dates.h"
#include "common/text.h"
#include "halls/numberbox.h"
#include "store/storeerror.h"
#include "store/storefile.h"

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tama {

QString TermsEditor::storeKey(const QString &text) {
    return trim(storedStoreName(text));
}

QString TermsEditor::yenPerBallText(double exchange) {
    return QString::number(100.0 / exchange, 'f', 2);
}

QString TermsEditor::yenPerBallOfBox(const QString &exchangeText) {
    try {
        const std::optional<double> x = numberFromBox(exchangeText, QString());
        if (!x || *x <= 0) return {};
        return yenPerBallText(*x);
    } catch (const StoreError &) {
        return {}; // said when the terms are set, not while typing
    }
}

void TermsEditor::setStores(const QStringList &stores) {
    m_stores.clear();
    for (const QString &s : stores)
        if (!trim(s).isEmpty()) m_stores.append(trim(s));
    if (!m_stores.contains(m_store)) m_store.clear();
}

void TermsEditor::setTerms(const QList<HallTerms> &terms) {
    m_terms = terms;
    std::stable_sort(m_terms.begin(), m_terms.end(), [](const HallTerms &a, const HallTerms &b) {
        return a.store != b.store ? a.store < b.store : a.from < b.from;
    });
}

void TermsEditor::choose(const QString &storeText) {
    const QString key = storeKey(storeText);
    m_store = m_stores.contains(key) ? key : QString();
}

TermsRow TermsEditor::rowOf(const HallTerms &t) {
    TermsRow r;
    r.terms = t;
    r.from = yyyy(t.from) + u'/' + mm(t.from) + u'/' + dd(t.from);
    r.lend = numberText(t.lend);
    r.exchange = numberText(t.exchange);
    r.yenPerBall = yenPerBallText(t.exchange);
    if (t.feePercent) r.fee = numberText(*t.feePercent);
    return r;
}

QList<TermsRow> TermsEditor::rows() const {
    QList<TermsRow> out;
    if (m_store.isEmpty()) return out;
    for (const HallTerms &t : m_terms)
        if (t.store == m_store) out.append(rowOf(t));
    return out;
}

QList<TermsRow> TermsEditor::unused() const {
    QList<TermsRow> out;
    for (const HallTerms &t : m_terms) {
        if (m_stores.contains(t.store)) continue;
        TermsRow r = rowOf(t);
        r.store = t.store;
        out.append(r);
    }
    return out;
}

HallTerms TermsEditor::parse(const TermsInput &in) const {
    const auto refuse = [](const QString &reason) {
        return StoreError(StoreError::Kind::Invalid, QString(), reason);
    };
    if (m_store.isEmpty()) throw refuse(u"店名を選択してください"_s);
    HallTerms t;
    t.store = m_store;
    // Dates are typed as the card screen shows them; full-width digits too.
    const QString plain = halfWidthNumber(in.from);
    if (plain.isEmpty()) throw refuse(u"適用開始日を入力してください"_s);
    const std::optional<QDate> from = formDate(plain);
    if (!from) throw refuse(u"適用開始日「"_s + trim(in.from) + u"」は日付ではありません（例 2024/05/01）"_s);
    t.from = *from;
    t.lend = requiredNumberFromBox(in.lend, u"貸玉料金"_s);
    t.exchange = requiredNumberFromBox(in.exchange, u"交換率"_s);
    t.feePercent = numberFromBox(in.fee, u"再プレイ手数料"_s);
    validateHallTerms(t);
    return t;
}

} // namespace tama
