#pragma once

#include "store/playdata.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tama {

// What the 機種スペック boxes of the model settings hold, as typed.
struct SpecInput {
    QString probability; // p of 1/p; "1/319.6" is taken too
    QString payout;      // P
    QString border;      // B4
};

// One border a 機種スペック implies: at 4 yen 等価, or at one hall's terms in force.
struct BorderRow {
    QString label;  // "4円等価", or the store with its terms
    QString border; // spins per 1,000 yen, one decimal
};

// A 機種スペック as the list of unused 機種スペック shows it.
struct SpecRow {
    ModelSpec modelSpec;
    QString category; // the category's caption
    QString text;     // "1/319.6 5400" or "B4 18"
};

// The 機種スペック of the model settings, without a window: the 機種スペック of the
// model chosen, what the boxes mean, the borders a 機種スペック implies, and which 機種スペック belong
// to no model of the catalogues any more.
class SpecEditor {
  public:
    // The name 機種スペック are kept under: the model's name as its catalogue holds it.
    static QString modelKey(const QString &text);

    // The models of one catalogue (category option 1 … 5), as it lists them.
    void setCatalogue(int category, const QStringList &models);
    // Every model's 機種スペック, as the database holds them.
    void setSpecs(const QList<ModelSpec> &modelSpecs);
    // The model whose 機種スペック is shown and edited: the category chosen (0 for none) and the
    // text of the model box. A name not in that catalogue chooses none.
    void choose(int category, const QString &modelText);
    int category() const { return m_category; }
    const QString &model() const { return m_model; }

    // The chosen model's stored 機種スペック, and the boxes that show it.
    std::optional<ModelSpec> current() const;
    SpecInput boxesOf(const ModelSpec &modelSpec) const;

    // 機種スペック whose model is no longer in its catalogue: 未使用. Only catalogues given
    // with setCatalogue are judged.
    QList<SpecRow> unused() const;

    // The boxes as the chosen model's 機種スペック. Throws StoreError(Invalid) with what is
    // wrong: no model chosen, a box that holds no number, then what validateModelSpec
    // refuses.
    ModelSpec parse(const SpecInput &input) const;

    // The borders the 機種スペック implies: first at 4 yen 等価 (4 yen a ball, 25 balls per 100
    // yen), then the cash border at each hall's terms in force. None when the 機種スペック gives
    // no balls per spin.
    static QList<BorderRow> borders(const ModelSpec &modelSpec, const QList<HallTerms> &hallTerms);

  private:
    QHash<int, QStringList> m_catalogues; // as keys
    QList<ModelSpec> m_specs;
    int m_category = 0;
    QString m_model;
};

} // namespace tama
