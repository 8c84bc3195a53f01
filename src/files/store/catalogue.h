#pragma once

#include "store/category.h"
#include "store/datafolder.h"
#include "store/record.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tama {

// The stored form of a model name: full-width, first 15 characters, trimmed at the right.
QString storedModelName(const QString &text);

// The catalogue file of a category: an existing file whose name matches without regard
// to case is used as it is; otherwise the name of the table.
QString cataloguePath(const DataFolder &folder, const CategoryInfo &category);

class ModelCatalogue {
  public:
    static constexpr int kMaxModels = kMaxCatalogueModels;

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
