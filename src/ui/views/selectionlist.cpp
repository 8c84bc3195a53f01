#include "views/selectionlist.h"

namespace tama {

SelectionList::SelectionList(QWidget *parent) : QListView(parent) {
    setModel(&m_model);
    setUniformItemSizes(true); // the rows are laid out without measuring each one
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    followSelection();
    connect(this, &QListView::clicked, this, [this](const QModelIndex &i) { emit rowClicked(i.row()); });
    connect(this, &QListView::doubleClicked, this,
            [this](const QModelIndex &i) { emit rowDoubleClicked(i.row()); });
}

void SelectionList::followSelection() {
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SelectionList::itemSelectionChanged);
}

void SelectionList::showModel(QAbstractItemModel *model) {
    setModel(model);
    followSelection();
}

void SelectionList::addItems(const QStringList &texts) {
    if (m_model.rowCount() == 0) {
        m_model.setStringList(texts);
        return;
    }
    const int at = m_model.rowCount();
    m_model.insertRows(at, int(texts.size()));
    for (int i = 0; i < texts.size(); ++i)
        m_model.setData(m_model.index(at + i), texts[i]);
}

} // namespace tama
