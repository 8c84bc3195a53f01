#include "reports/statstable.h"

#include "common/csv.h"
#include "common/grouping.h"
#include "reports/viewcolour.h"

#include <algorithm>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace tama {

const QStringList &statsColumnHeads() {
    static const QStringList heads = {u"キー"_s,   u"来店"_s,   u"遊技分"_s, u"投資額"_s, u"換金額"_s,
                                      u"損益額"_s, u"回収率"_s, u"時間給"_s, u"勝ち"_s,   u"勝率"_s,
                                      u"最高"_s,   u"最低"_s,   u"稼働"_s,   u"回転数"_s, u"回転率"_s,
                                      u"期待値"_s, u"余剰"_s};
    static const QStringList all =
        heads + QStringList{u"時給のばらつき"_s,   u"時給95%下限"_s,        u"時給95%上限"_s,
                            u"最大ドローダウン"_s, u"現在のドローダウン"_s, u"最長連勝"_s,
                            u"最長連敗"_s,         u"現在の連続"_s};
    return all;
}

QString statsViewHead(StatsColumn column, StatsBy by) {
    static const QStringList keyHeads = {u"店名"_s, u"機種名"_s, u"機種の種類"_s, u"営業日の種類"_s,
                                         u"曜日"_s, u"時間帯"_s, u"月"_s,         u"年"_s};
    switch (column) {
    case StatsColumn::Key:
        return keyHeads.value(int(by));
    case StatsColumn::Minutes:
        return u"遊技時間"_s;
    case StatsColumn::Profit:
        return u"収支"_s;
    case StatsColumn::ProfitPerHour:
        return u"時給"_s;
    default:
        return statsColumnHeads().value(int(column));
    }
}

QString statsKeyText(StatsBy by, const QString &key) {
    bool ok = false;
    if (by == StatsBy::Hour && key.size() == 2) {
        const int hour = key.toInt(&ok);
        if (ok) return QString::number(hour) + u"時台"_s;
    } else if (by == StatsBy::Month && key.size() == 7 && key[4] == u'-') {
        bool monthOk = false;
        const int year = key.left(4).toInt(&ok), month = key.mid(5).toInt(&monthOk);
        if (ok && monthOk) return QString::number(year) + u'年' + QString::number(month) + u'月';
    }
    return key;
}

QString playTimeText(qint64 minutes) {
    const QString sign = minutes < 0 ? u"-"_s : QString();
    const qint64 m = minutes < 0 ? -minutes : minutes;
    if (m < 60) return sign + QString::number(m) + u'分';
    return sign + QString::number(m / 60) + u"時間"_s + QString::number(m % 60).rightJustified(2, u'0') +
           u'分';
}

std::optional<qint64> statsValue(const StatsGroup &g, StatsColumn column) {
    using C = StatsColumn;
    switch (column) {
    case C::Key:
    case C::Count:
        return std::nullopt;
    case C::Visits:
        return g.visits;
    case C::Minutes:
        return g.minutes;
    case C::Investment:
        return g.investment;
    case C::CashOut:
        return g.cashOut;
    case C::Profit:
        return g.profit();
    case C::RecoveryRate:
        return g.recoveryRateTenths();
    case C::ProfitPerHour:
        return g.profitPerHour();
    case C::Wins:
        return g.wins;
    case C::WinRate:
        return g.winRateTenths();
    case C::Best:
        return g.bestProfit();
    case C::Worst:
        return g.worstProfit();
    case C::PlayCards:
        return g.playCardCount();
    case C::Spins:
        return g.spinCount();
    case C::SpinRate:
        return g.spinRateHundredths();
    case C::ExpectedValue:
        return g.expectedValue();
    case C::Luck:
        return g.luck();
    case C::SdPerHour:
        return g.sdPerHour();
    case C::HourlyLow:
    case C::HourlyHigh:
        if (const auto r = g.hourlyCi95()) return column == C::HourlyLow ? r->low : r->high;
        return std::nullopt;
    case C::MaxDrawdown:
        return g.dayRuns.maxDrawdown;
    case C::CurrentDrawdown:
        return g.dayRuns.currentDrawdown;
    case C::LongestWinStreak:
        return g.dayRuns.longestWinStreak;
    case C::LongestLossStreak:
        return g.dayRuns.longestLossStreak;
    case C::CurrentStreak:
        return g.dayRuns.currentStreak;
    }
    return std::nullopt;
}

int statsDecimals(StatsColumn column) {
    switch (column) {
    case StatsColumn::RecoveryRate:
    case StatsColumn::WinRate:
        return 1;
    case StatsColumn::SpinRate:
        return 2;
    default:
        return 0;
    }
}

QString statsPlainText(const std::optional<qint64> &value, StatsColumn column) {
    if (!value) return {};
    switch (statsDecimals(column)) {
    case 1:
        return tenthsText(*value);
    case 2:
        return hundredthsText(*value);
    default:
        return QString::number(*value);
    }
}

QStringList statsFields(const StatsGroup &g, const QString &key) {
    QStringList fields{key};
    for (int c = int(StatsColumn::Key) + 1; c < int(StatsColumn::Count); ++c)
        fields.append(statsPlainText(statsValue(g, StatsColumn(c)), StatsColumn(c)));
    return fields;
}

namespace {

constexpr qint64 kMissing = std::numeric_limits<qint64>::min();

// Counts as plain numbers; everything else without decimals is yen or minutes, grouped.
bool isCount(StatsColumn c) {
    return c == StatsColumn::Visits || c == StatsColumn::Wins || c == StatsColumn::PlayCards ||
           c >= StatsColumn::LongestWinStreak;
}

bool isPlayColumn(StatsColumn c) {
    return c >= StatsColumn::PlayCards && c <= StatsColumn::Luck;
}

// The value a column is coloured by: money by its sign, the recovery rate by whether it
// reaches 100 %; nothing for an uncoloured column or a missing value.
std::optional<qint64> colourValue(const StatsGroup &g, StatsColumn c) {
    const std::optional<qint64> v = statsValue(g, c);
    switch (c) {
    case StatsColumn::RecoveryRate:
        return v ? std::optional(*v - 1000) : std::nullopt;
    case StatsColumn::Profit:
    case StatsColumn::ProfitPerHour:
    case StatsColumn::Best:
    case StatsColumn::Worst:
    case StatsColumn::ExpectedValue:
    case StatsColumn::Luck:
    case StatsColumn::HourlyLow:
    case StatsColumn::HourlyHigh:
    case StatsColumn::CurrentStreak:
        return v;
    default:
        return std::nullopt;
    }
}

QString displayText(const StatsGroup &g, StatsColumn c, StatsBy by) {
    if (c == StatsColumn::Key) return statsKeyText(by, g.key);
    const std::optional<qint64> v = statsValue(g, c);
    if (!v) return u"-"_s;
    if (c == StatsColumn::Minutes) return playTimeText(*v);
    if (statsDecimals(c) || isCount(c)) return statsPlainText(v, c);
    return groupedDigits(*v);
}

// Why a play column of a group shows "-", for its tool tip.
QString playTip(const StatsGroup &g) {
    if (!g.playCards) return u"稼働データのあるカードがありません"_s;
    return u"稼働データ "_s + QString::number(g.playCards) + u"枚のうち、回転率は "_s +
           QString::number(g.ratedCards) + u"枚（回転数と店の交換条件のあるカード）、期待値と余剰は "_s +
           QString::number(g.figuredCards) + u"枚（機種のスペックもあるカード）から"_s;
}

} // namespace

StatsTableModel::StatsTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void StatsTableModel::setStats(const DiaryStats &stats) {
    beginResetModel();
    m_groups = stats.groups();
    m_total = stats.total();
    m_by = stats.by();
    m_rows.resize(m_groups.size());
    for (int i = 0; i < m_rows.size(); ++i)
        m_rows[i] = i;
    sortRows();
    endResetModel();
}

int StatsTableModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int StatsTableModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(StatsColumn::Count);
}

QVariant StatsTableModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    const StatsGroup &g = groupAt(index.row());
    const auto c = StatsColumn(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return displayText(g, c, m_by);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            Qt::Alignment((c == StatsColumn::Key ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter));
    case Qt::ToolTipRole:
        return isPlayColumn(c) ? QVariant(playTip(g)) : QVariant();
    case SortRole:
        return sortValue(m_rows[index.row()], index.column());
    case ColourRole:
        if (const std::optional<qint64> v = colourValue(g, c))
            return int(*v < 0 ? ViewColour::Red : *v > 0 ? ViewColour::Blue : ViewColour::Black);
        return {};
    default:
        return {};
    }
}

QVariant StatsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= int(StatsColumn::Count))
        return QAbstractTableModel::headerData(section, orientation, role);
    return statsViewHead(StatsColumn(section), m_by);
}

qint64 StatsTableModel::sortValue(int group, int column) const {
    if (column == int(StatsColumn::Key)) return group;
    return statsValue(m_groups[group], StatsColumn(column)).value_or(kMissing);
}

void StatsTableModel::sortRows() {
    if (m_sortColumn < 0 || m_sortColumn >= int(StatsColumn::Count)) return;
    const int column = m_sortColumn;
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](int a, int b) {
        const qint64 va = sortValue(a, column), vb = sortValue(b, column);
        return ascending ? va < vb : vb < va;
    });
}

void StatsTableModel::sort(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QList<int> before = m_rows;
    m_sortColumn = column;
    m_sortOrder = order;
    sortRows();
    // Indexes held elsewhere follow their group to its new row.
    QList<int> rowOfGroup(m_rows.size());
    for (int r = 0; r < m_rows.size(); ++r)
        rowOfGroup[m_rows[r]] = r;
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &i : from)
        to.append(index(rowOfGroup[before[i.row()]], i.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void StatsTableModel::writeCsv(CsvWriter &out) const {
    out.row(statsColumnHeads());
    for (int r = 0; r < m_rows.size(); ++r)
        out.row(statsFields(groupAt(r), groupAt(r).key));
}

} // namespace tama
