#pragma once

#include "reports/chodamaledger.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QString>

namespace tama {

// The lines of a 貯玉 ledger as the 貯玉 window shows them, newest last.
class ChodamaLinesModel : public QAbstractTableModel {
  public:
    enum Column { Day, Store, Kind, Balls, Fee, Change, Balance, About, ColumnCount };
    enum Role { HandEntryRole = Qt::UserRole }; // bool: an entry made by hand (can be removed)

    using QAbstractTableModel::QAbstractTableModel;
    void setLines(const QList<ChodamaLine> &lines);
    const QList<ChodamaLine> &lines() const { return m_lines; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    QList<ChodamaLine> m_lines;
};

// Each hall's balance and its value, and a last row with the total value.
class ChodamaHallsModel : public QAbstractTableModel {
  public:
    enum Column { Store, Balls, Yen, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;
    void setLedger(const ChodamaLedger &ledger);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    QList<ChodamaHall> m_halls;
    qint64 m_totalYen = 0;
};

// "+1,200", "−1,220", "0": a change of balls or yen as the window shows it.
QString chodamaSignedText(qint64 n);

// An entry as typed in the 貯玉 window: the balls as a person types them (full-width digits,
// a sign for an adjustment). Throws StoreError(Invalid) naming the box and the reason.
ChodamaEntry chodamaEntryOf(const QString &user, const QString &store, const QDate &day, ChodamaKind kind,
                            const QString &ballsText, const QString &note);

} // namespace tama
