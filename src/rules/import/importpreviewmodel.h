#pragma once

#include "import/columnmap.h"
#include "import/importplan.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <optional>

namespace tama {

// The rows of an import plan as the import window's preview shows them. Texts are made
// when asked for, so a plan of tens of thousands of rows opens at once.
class ImportPreviewModel : public QAbstractTableModel {
  public:
    enum Column {
        Line,
        Verdict,
        Date,
        Start,
        End,
        Store,
        Category,
        Model,
        Investment,
        CashOut,
        Profit,
        Machine,
        Reason,
        ColumnCount
    };
    enum Role {
        SortRole = Qt::UserRole, // numbers as numbers, dates as day numbers, else the text
        VerdictRole,             // int(ImportVerdict)
    };

    using QAbstractTableModel::QAbstractTableModel;
    // map: the columns the plan was read through, for the raw fields of refused rows.
    void setPlan(const ImportPlan &plan, const ColumnMap &map);
    void clear();
    const ImportPlan &plan() const { return m_plan; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    QString text(const ImportRow &row, int column) const;
    QVariant sortValue(const ImportRow &row, int column) const;
    QString raw(const ImportRow &row, ColumnMap::Role role) const;

    ImportPlan m_plan;
    ColumnMap m_map;
};

// The preview's rows of one verdict, or all of them; sortable by the model's sort role.
class ImportPreviewFilter : public QSortFilterProxyModel {
  public:
    explicit ImportPreviewFilter(QObject *parent = nullptr);
    void setVerdict(std::optional<ImportVerdict> verdict);
    std::optional<ImportVerdict> verdict() const { return m_verdict; }

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

  private:
    std::optional<ImportVerdict> m_verdict;
};

// "新規 120 枚　重複 3 枚　取り込まない 2 行"
QString importCountsText(const ImportPlan &plan);

} // namespace tama
