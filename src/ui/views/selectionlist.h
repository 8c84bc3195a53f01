#pragma once

#include <QListView>
#include <QStringList>
#include <QStringListModel>

namespace tama {

// A list of texts in which entries are chosen: a view over a string list rather than an
// item object per entry, so that catalogues at their largest (tens of thousands of
// models) and a full year list cost a few dozen bytes an entry.
class SelectionList : public QListView {
    Q_OBJECT
  public:
    explicit SelectionList(QWidget *parent = nullptr);

    int count() const { return model()->rowCount(); }
    QString text(int row) const { return model()->index(row, 0).data().toString(); }
    bool isRowSelected(int row) const { return selectionModel()->isSelected(model()->index(row, 0)); }
    void addItems(const QStringList &texts);
    void clear() { m_model.setStringList({}); }
    void setTexts(const QStringList &texts) { m_model.setStringList(texts); }
    QStringList texts() const { return m_model.stringList(); }
    int currentRow() const { return currentIndex().row(); } // -1 without one
    void setCurrentRow(int row) { setCurrentIndex(model()->index(row, 0)); }
    // Shows another list's model instead of its own texts.
    void showModel(QAbstractItemModel *model);

  signals:
    void itemSelectionChanged();
    void rowClicked(int row);
    void rowDoubleClicked(int row);

  private:
    void followSelection();

    QStringListModel m_model;
};

} // namespace tama
