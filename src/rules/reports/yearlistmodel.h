#pragma once

#include "reports/yearlist.h"
#include "reports/yearlistsorter.h"

#include <QAbstractListModel>

#include <memory>

namespace tama {

// The year list's lines as an item model, in the order its column buttons chose: one
// row per line, shown as the line's text. The lines are never copied into the model.
class YearListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    explicit YearListModel(QObject *parent = nullptr);
    ~YearListModel() override;

    // Takes a finished list; the order starts as record order.
    void setList(std::unique_ptr<YearList> list);
    const YearList &list() const { return *m_list; }
    const YearListSorter &sorter() const { return *m_sorter; }

    // What pressing a column's button does; the rows are laid out afresh.
    void press(YearListLine::Column column);
    // The card's record number on a row, 0 when there is no such row.
    int recordAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

  private:
    std::unique_ptr<YearList> m_list;
    std::unique_ptr<YearListSorter> m_sorter;
};

} // namespace tama
