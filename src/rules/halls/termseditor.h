#pragma once

#include "store/playdata.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tama {

// One line of the exchange terms as the store settings list them.
struct TermsRow {
    HallTerms terms;
    QString store;      // only filled in the list of unused terms
    QString from;       // 適用開始日 "2024/05/01"
    QString lend;       // 貸玉料金, yen per ball
    QString exchange;   // 交換率, balls per 100 yen
    QString yenPerBall; // 100 / 交換率, "3.57"
    QString fee;        // 再プレイ手数料 in %, empty when not given
};

// What the boxes of the terms editor hold, as typed.
struct TermsInput {
    QString from;
    QString lend;
    QString exchange;
    QString fee;
};

// The exchange terms (交換条件) of the store settings, without a window: whose terms are
// shown, what the boxes mean, and which terms belong to no store any more.
class TermsEditor {
  public:
    // The name terms are kept under: the store's name as the store file holds it.
    static QString storeKey(const QString &text);
    // "3.57" for 28 balls per 100 yen.
    static QString yenPerBallText(double exchange);
    // The yen per ball beside the exchange box while it is typed; empty while it is no
    // usable number.
    static QString yenPerBallOfBox(const QString &exchangeText);

    // The stores of the store file, as it lists them.
    void setStores(const QStringList &stores);
    // Every store's terms, as the database holds them.
    void setTerms(const QList<HallTerms> &terms);
    // The store whose terms are shown and edited: the text of the store box. A name that
    // is not in the store file chooses none.
    void choose(const QString &storeText);
    const QString &store() const { return m_store; }

    // The chosen store's terms, oldest first.
    QList<TermsRow> rows() const;
    // Terms whose store was deleted (or renamed by another program): 未使用.
    QList<TermsRow> unused() const;

    // The boxes as terms of the chosen store. Throws StoreError(Invalid) with what is
    // wrong: no store chosen, no date, a box that holds no number, a value out of range.
    HallTerms parse(const TermsInput &input) const;

  private:
    static TermsRow rowOf(const HallTerms &t);

    QStringList m_stores; // as keys
    QList<HallTerms> m_terms;
    QString m_store;
};

} // namespace tama
