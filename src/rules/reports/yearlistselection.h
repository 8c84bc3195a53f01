#pragma once

#include "reports/yearlistfilter.h"
#include "store/datafolder.h"
#include "store/storeerror.h"

#include <QList>
#include <QObject>

#include <array>

namespace tama {

// What the filter window holds, without a window: the store, category and model lists,
// which entries are selected and whether each list's 全選択 is on. The year list takes
// its filter from here.
class YearListSelection : public QObject {
    Q_OBJECT
  public:
    enum Part { Stores, Categories, Models };

    explicit YearListSelection(DataFolder folder, QObject *parent = nullptr);

    // The store file's stores, the five categories and their models, every entry
    // selected and every list's 全選択 on. What cannot be read is left empty and
    // returned, the store file's problem first.
    QList<StoreError> load();

    const QList<FilterEntry> &entries(Part part) const { return m_entries[part]; }
    bool allOn(Part part) const { return m_all[part]; }
    // On selects every entry; off selects none. A change of categories lists their
    // models afresh and throws StoreError when a catalogue cannot be read.
    void setAll(Part part, bool on);
    // The entries selected in the window's list, row by row.
    void setSelected(Part part, const QList<bool> &selected);

    // The selected stores and models as the year list applies them.
    YearListFilter filter() const;

  signals:
    // A list's entries were replaced or selected afresh.
    void changed(YearListSelection::Part part);

  private:
    // The models of the selected categories, every one selected and 全選択 on; throws
    // StoreError when a catalogue cannot be read, leaving the list empty.
    void listModels();

    DataFolder m_folder;
    std::array<QList<FilterEntry>, 3> m_entries;
    std::array<bool, 3> m_all{};
};

} // namespace tama
