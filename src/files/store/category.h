#pragma once

#include "store/record.h"

#include <QList>
#include <QString>

namespace tama {

// The most models a catalogue file holds; its record layout is sized by it.
inline constexpr int kMaxCatalogueModels = 32766;

// The five machine categories and every name and number they go by: one table, so
// that the card screen, the catalogues, the model lists and the reports agree.
struct CategoryInfo {
    int option;          // 1 … 5: the option buttons of every window, in table order
    QString caption;     // 羽物 … (option buttons, catalogue windows, the command line)
    QString cardCaption; // 一般電役、一般機 for the card screen and the statistics, else caption
    QString reportHead;  // 羽根物 … (the yearly report)
    QString fileName;    // "hirapati.dat" … (the catalogue file)
    int sectionCode;     // 3 … (model-list files, store settings)
    QString cardCode;    // "1" … (Category field of a card)
    const RecordLayout *layout; // of the catalogue file

    // The header line of the category's section in a model-list file: "# 3" …
    QString marker() const { return QStringLiteral("# ") + QString::number(sectionCode); }
};

// In table order (options 1 to 5): 羽物, デジパチ, 権利物, 一般電役, ＣＲデジパチ.
const QList<CategoryInfo> &categories();
// In the order of the card codes "1" to "5": 羽物, デジパチ, ＣＲデジパチ, 権利物, 一般電役.
const QList<const CategoryInfo *> &categoriesByCardCode();

const CategoryInfo *categoryByOption(int option);
const CategoryInfo *categoryBySection(int sectionCode);
const CategoryInfo *categoryByCardCode(QStringView code);
const CategoryInfo *categoryByCaption(const QString &caption);

} // namespace tama
