#pragma once

#include "store/datafolder.h"
#include "store/record.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tama {

// The five machine categories and the three numberings that name them.
struct CategoryInfo {
    QString caption;      // 羽物 …
    QString fileName;     // "hirapati.dat" …
    int sectionCode;      // 3 … (model-list files, store settings)
    QString cardCode;     // "1" … (Category field of a card)
    const RecordLayout *layout;
};

// In the order of the catalogue table: 羽物, デジパチ, 権利物, 一般電役, ＣＲデジパチ.
const QList<CategoryInfo> &categories();
const CategoryInfo *categoryBySection(int sectionCode);
const CategoryInfo *categoryByCardCode(const QString &code);
const CategoryInfo *categoryByCaption(const QString &caption);

// The stored form of a model name: full-width, first 15 characters, trimmed at the right.
QString storedModelName(const QString &text);

// The catalogue file of a category: an existing file whose name matches without regard
// to case is used as it is; otherwise the name of the table.
QString cataloguePath(const DataFolder &folder, const CategoryInfo &category);

class ModelCatalogue {
public:
    static constexpr int kMaxModels = 32766;

    ModelCatalogue(const DataFolder &folder, const CategoryInfo &category, bool readOnly = false);

    const CategoryInfo &category() const { return *m_category; }
    QString path() const { return m_path; }

    // ModelName of every record, trimmed at the right, in record order.
    QStringList list() const;
    // The same names one at a time, without holding the list.
    void forEachName(const std::function<void(const QString &name)> &visit) const;
    // Adds the stored form unless present; the name added, or nothing.
    std::optional<QString> add(const QString &text);
    // Removes the model at list position p, every other record kept byte for byte.
    void deleteAt(int p);

private:
    QString m_folder;
    QString m_path;
    const CategoryInfo *m_category;
    bool m_readOnly;
};

} // namespace tama
