#include "reports/yearlistmodel.h"

#include "reports/yearlistfilter.h"

namespace tama {

YearListModel::YearListModel(QObject *parent)
    : QAbstractListModel(parent), m_list(std::make_unique<YearList>(YearListFilter::everything())) {
    m_list->finish();
    m_sorter = std::make_unique<YearListSorter>(*m_list);
}

YearListModel::~YearListModel() = default;

void YearListModel::setList(std::unique_ptr<YearList> list) {
    beginResetModel();
    // The sorter points into the list: the new one is made before the old list goes.
    auto sorter = std::make_unique<YearListSorter>(*list);
    m_sorter = std::move(sorter);
    m_list = std::move(list);
    endResetModel();
}

void YearListModel::press(YearListLine::Column column) {
    beginResetModel();
    m_sorter->press(column);
    endResetModel();
}

int YearListModel::recordAt(int row) const {
    if (row < 0 || row >= m_sorter->order().size()) return 0;
    return m_list->lines()[m_sorter->order()[row]].record;
}

int YearListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_sorter->order().size());
}

QVariant YearListModel::data(const QModelIndex &index, int role) const {
    if (role != Qt::DisplayRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    return m_list->lines()[m_sorter->order()[index.row()]].text();
}

} // namespace tama
