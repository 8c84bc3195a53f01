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

    int count() const { return m_model.rowCount(); }
    QString text(int row) const { return m_model.index(row).data().toString(); }
    bool isRowSelected(int row) const { return selectionModel()->isSelected(m_model.index(row)); }
    void addItems(const QStringList &texts);
    void clear() { m_model.setStringList({}); }
    void setTexts(const QStringList &texts) { m_model.setStringList(texts); }
    int currentRow() const { return currentIndex().row(); } // -1 without one
    void setCurrentRow(int row) { setCurrentIndex(m_model.index(row)); }

  signals:
    void itemSelectionChanged();
    void rowClicked(int row);
    void rowDoubleClicked(int row);

  private:
    QStringListModel m_model;
};

} // namespace tama
