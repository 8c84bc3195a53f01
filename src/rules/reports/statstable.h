#pragma once

#include "reports/diarystats.h"

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
    Count
};

// キー, 来店, … in column order.
const QStringList &statsColumnHeads();

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

} // namespace tama
