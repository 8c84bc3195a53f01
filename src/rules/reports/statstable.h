#pragma once

#include "reports/diarystats.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <optional>

namespace tama {

// The columns of the statistics, as the analysis window shows them and the command line
// writes them.
enum class StatsColumn {
    Key,
    Visits,
    Minutes,
    Investment,
    CashOut,
    Profit,
    RecoveryRate,
    ProfitPerHour,
    Wins,
    WinRate,
    Best,
    Worst,
    PlayCards,
    Spins,
    SpinRate,
    ExpectedValue,
    Luck,
    SdPerHour,
    HourlyLow,
    HourlyHigh,
    MaxDrawdown,
    CurrentDrawdown,
    LongestWinStreak,
    LongestLossStreak,
    CurrentStreak,
    Count
};

// キー, 来店, … in column order: the heads of the CSV, which scripts read.
const QStringList &statsColumnHeads();
// A column's head as the window shows it: the key named by what it holds (店名, 時間帯, …),
// 遊技時間, 収支 and 時給 as players say them; the other heads as statsColumnHeads().
QString statsViewHead(StatsColumn column, StatsBy by);
// A key as a player reads it: the hour "09" as 9時台, the month "2024-05" as 2024年5月;
// other keys as they are.
QString statsKeyText(StatsBy by, const QString &key);
// Minutes of play as hours and minutes: 65時間30分, 45分, -1時間00分.
QString playTimeText(qint64 minutes);

// A column's value of a group, nothing where it has none; the key column has no value.
std::optional<qint64> statsValue(const StatsGroup &g, StatsColumn column);
// The places after the decimal point a column's value is kept in: 1 for the rates, 2 for
// the spin rate, else 0.
int statsDecimals(StatsColumn column);
// A value as plain text for spreadsheets and the command line: "79.4", "-13500"; the
// empty text for nothing.
QString statsPlainText(const std::optional<qint64> &value, StatsColumn column);
// The plain texts of a row: the key, then every value.
QStringList statsFields(const StatsGroup &g, const QString &key);

class CsvWriter;

// The statistics as a table for views: a row for each group, the columns of StatsColumn.
// The display text is as the window shows it (amounts grouped in thousands, "-" for
// nothing); the rows sort by value, a missing value lowest, and the keys by the order of
// the statistics. Sorting keeps the order of equal rows, as a table of items does.
class StatsTableModel : public QAbstractTableModel {
  public:
    enum Role {
        SortRole = Qt::UserRole, // qint64; the lowest number for nothing
        ColourRole,              // int(ViewColour) where a value is coloured by its sign
    };

    explicit StatsTableModel(QObject *parent = nullptr);

    // The groups of finished statistics, sorted as the last sort asked.
    void setStats(const DiaryStats &stats);
    StatsBy by() const { return m_by; }
    const StatsGroup &groupAt(int row) const { return m_groups[m_rows[row]]; }
    const StatsGroup &total() const { return m_total; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The heads and the rows in the order shown, as plain fields.
    void writeCsv(CsvWriter &out) const;

  private:
    qint64 sortValue(int group, int column) const;
    void sortRows();

    QList<StatsGroup> m_groups;
    QList<int> m_rows; // the group shown in each row
    StatsGroup m_total;
    StatsBy m_by = StatsBy::Hall;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace tama
