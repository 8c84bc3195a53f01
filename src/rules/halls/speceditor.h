#pragma once

#include "store/playdata.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tama {

// What the spec boxes of the model settings hold, as typed.
struct SpecInput {
    QString probability; // p of 1/p; "1/319.6" is taken too
    QString payout;      // P
    QString border;      // B4
};

// One border a spec implies: at 4 yen 等価, or at one hall's terms in force.
struct BorderRow {
    QString label;  // "4円等価", or the store with its terms
    QString border; // spins per 1,000 yen, one decimal
};

// A spec as the list of unused specs shows it.
struct SpecRow {
    ModelSpec spec;
    QString category; // the category's caption
    QString text;     // "1/319.6 5400" or "B4 18"
};

// The model specs (機種スペック) of the model settings, without a window: the spec of the
// model chosen, what the boxes mean, the borders a spec implies, and which specs belong
// to no model of the catalogues any more.
class SpecEditor {
  public:
    // The name specs are kept under: the model's name as its catalogue holds it.
    static QString modelKey(const QString &text);

    // The models of one catalogue (category option 1 … 5), as it lists them.
    void setCatalogue(int category, const QStringList &models);
    // Every model's spec, as the database holds them.
    void setSpecs(const QList<ModelSpec> &specs);
    // The model whose spec is shown and edited: the category chosen (0 for none) and the
    // text of the model box. A name not in that catalogue chooses none.
    void choose(int category, const QString &modelText);
    int category() const { return m_category; }
    const QString &model() const { return m_model; }

    // The chosen model's stored spec, and the boxes that show it.
    std::optional<ModelSpec> current() const;
    SpecInput boxesOf(const ModelSpec &spec) const;

    // Specs whose model is no longer in its catalogue: 未使用. Only catalogues given
    // with setCatalogue are judged.
    QList<SpecRow> unused() const;

    // The boxes as the chosen model's spec. Throws StoreError(Invalid) with what is
    // wrong: no model chosen, a box that holds no number, then what validateModelSpec
    // refuses.
    ModelSpec parse(const SpecInput &input) const;

    // The borders the spec implies: first at 4 yen 等価 (4 yen a ball, 25 balls per 100
    // yen), then the cash border at each hall's terms in force. None when the spec gives
    // no balls per spin.
    static QList<BorderRow> borders(const ModelSpec &spec, const QList<HallTerms> &hallTerms);

  private:
    QHash<int, QStringList> m_catalogues; // as keys
    QList<ModelSpec> m_specs;
    int m_category = 0;
    QString m_model;
};

} // namespace tama
