#include "import/importpreviewmodel.h"

#include "common/grouping.h"
#include "common/text.h"
#include "reports/chodamamodel.h"
#include "store/category.h"

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

constexpr qint64 kNoNumber = std::numeric_limits<qint64>::min();

bool isNumberColumn(int column) {
    return column == ImportPreviewModel::Line || column == ImportPreviewModel::Investment ||
           column == ImportPreviewModel::CashOut || column == ImportPreviewModel::Profit;
}

// Rows refused once their card was made (a diary full or unreadable) show the card.
bool hasCard(const ImportRow &row) {
    return row.verdict != ImportVerdict::Refused || !trim(row.card.field(CardRecord::VisitDate)).isEmpty();
}

// "1000" → "10:00", " 930" → "9:30": a stored time as the player reads it.
QString timeText(const QString &stored) {
    if (stored.size() != 4 || trim(stored).isEmpty()) return QString();
    return trim(stored.left(2)) + u':' + stored.right(2);
}

qint64 timeMinutes(const QString &stored) {
    bool hourOk = false, minuteOk = false;
    const int hour = trim(stored.left(2)).toInt(&hourOk);
    const int minute = stored.mid(2, 2).toInt(&minuteOk);
    return hourOk && minuteOk ? hour * 60 + minute : kNoNumber;
}

// A raw amount as a sort key: digits with separators, as a spreadsheet writes them.
qint64 rawNumber(QString text) {
    text = trim(text);
    text.remove(u',');
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    return ok ? n : kNoNumber;
}

} // namespace

void ImportPreviewModel::setPlan(const ImportPlan &plan, const ColumnMap &map) {
    beginResetModel();
    m_plan = plan;
    m_map = map;
    endResetModel();
}

void ImportPreviewModel::clear() {
    setPlan(ImportPlan(), ColumnMap());
}

int ImportPreviewModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_plan.rows.size());
}

int ImportPreviewModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString ImportPreviewModel::raw(const ImportRow &row, ColumnMap::Role role) const {
    const int c = m_map.at(role);
    return c >= 0 && c < row.fields.size() ? trim(row.fields[c]) : QString();
}

QString ImportPreviewModel::text(const ImportRow &row, int column) const {
    const CardRecord &card = row.card;
    const bool formed = hasCard(row);
    switch (column) {
    case Line:
        return QString::number(row.line);
    case Verdict:
        return importVerdictText(row.verdict);
    case Date:
        if (formed || row.date.isValid()) return row.date.toString(u"yyyy/MM/dd"_s);
        return raw(row, ColumnMap::Date);
    case Start:
        return formed ? timeText(card.field(CardRecord::StartTime)) : raw(row, ColumnMap::Start);
    case End:
        return formed ? timeText(card.field(CardRecord::EndTime)) : raw(row, ColumnMap::End);
    case Store:
        return formed ? trim(card.field(CardRecord::StoreName)) : raw(row, ColumnMap::Store);
    case Category:
        if (!formed) return raw(row, ColumnMap::Category);
        if (const CategoryInfo *c = categoryByCardCode(card.field(CardRecord::Category))) return c->caption;
        return QString();
    case Model:
        return formed ? trim(card.field(CardRecord::ModelName)) : raw(row, ColumnMap::Model);
    case Investment:
        return formed ? groupedDigits(card.investmentYen()) : raw(row, ColumnMap::Investment);
    case CashOut:
        return formed ? groupedDigits(card.cashOutYen()) : raw(row, ColumnMap::CashOut);
    case Profit:
        return formed ? chodamaSignedText(card.profitYen()) : QString();
    case Machine:
        return formed ? row.play.machine : raw(row, ColumnMap::Machine);
    case Reason: {
        QStringList parts;
        if (!row.reason.isEmpty()) parts << row.reason;
        parts << row.notices;
        return parts.join(u"　"_s);
    }
    default:
        return QString();
    }
}

QVariant ImportPreviewModel::sortValue(const ImportRow &row, int column) const {
    const CardRecord &card = row.card;
    const bool formed = hasCard(row);
    switch (column) {
    case Line:
        return row.line;
    case Verdict:
        return int(row.verdict);
    case Date:
        return row.date.isValid() ? row.date.toJulianDay() : kNoNumber;
    case Start:
    case End: {
        const auto f = column == Start ? CardRecord::StartTime : CardRecord::EndTime;
        return formed ? timeMinutes(card.field(f)) : kNoNumber;
    }
    case Investment:
        return formed ? card.investmentYen() : rawNumber(raw(row, ColumnMap::Investment));
    case CashOut:
        return formed ? card.cashOutYen() : rawNumber(raw(row, ColumnMap::CashOut));
    case Profit:
        return formed ? card.profitYen() : kNoNumber;
    default:
        return text(row, column);
    }
}

QVariant ImportPreviewModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_plan.rows.size()) return {};
    const ImportRow &row = m_plan.rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return text(row, index.column());
    case SortRole:
        return sortValue(row, index.column());
    case VerdictRole:
        return int(row.verdict);
    case Qt::TextAlignmentRole: {
        const Qt::Alignment h = isNumberColumn(index.column()) ? Qt::AlignRight : Qt::AlignLeft;
        return QVariant::fromValue(h | Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

QVariant ImportPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const QStringList heads = {u"行"_s,   u"判定"_s,   u"日付"_s,      u"開始"_s,   u"終了"_s,
                                      u"店名"_s, u"種類"_s,   u"機種名"_s,    u"投資額"_s, u"回収額"_s,
                                      u"収支"_s, u"台番号"_s, u"理由・注意"_s};
    return section >= 0 && section < heads.size() ? QVariant(heads[section]) : QVariant();
}

ImportPreviewFilter::ImportPreviewFilter(QObject *parent) : QSortFilterProxyModel(parent) {
    setSortRole(ImportPreviewModel::SortRole);
}

void ImportPreviewFilter::setVerdict(std::optional<ImportVerdict> verdict) {
    if (verdict == m_verdict) return;
    m_verdict = verdict;
    invalidateFilter();
}

bool ImportPreviewFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const {
    if (!m_verdict) return true;
    const QModelIndex i = sourceModel()->index(sourceRow, 0, sourceParent);
    return i.data(ImportPreviewModel::VerdictRole).toInt() == int(*m_verdict);
}

QString importCountsText(const ImportPlan &plan) {
    return QStringLiteral("新規 %1 枚　重複 %2 枚　取り込まない %3 行")
        .arg(groupedDigits(plan.count(ImportVerdict::New)),
             groupedDigits(plan.count(ImportVerdict::Duplicate)),
             groupedDigits(plan.count(ImportVerdict::Refused)));
}

} // namespace tama
