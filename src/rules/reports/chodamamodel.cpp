#include "reports/chodamamodel.h"

#include "common/grouping.h"
#include "halls/numberbox.h"
#include "store/storeerror.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tama {

QString chodamaSignedText(qint64 n) {
    if (n > 0) return u"+"_s + groupedDigits(n);
    if (n < 0) return u"\u2212"_s + groupedDigits(-n);
    return u"0"_s;
}

void ChodamaLinesModel::setLines(const QList<ChodamaLine> &lines) {
    beginResetModel();
    m_lines = lines;
    endResetModel();
}

int ChodamaLinesModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_lines.size());
}

int ChodamaLinesModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

namespace {
// Which card a line came from, as a player finds it again: its year's diary and number.
QString cardText(const ChodamaLine &l) {
    return QString::number(l.day.year()) + u"年のカード "_s + QString::number(l.card);
}
} // namespace

QVariant ChodamaLinesModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_lines.size()) return {};
    const ChodamaLine &l = m_lines[index.row()];
    if (role == HandEntryRole) return l.card == 0;
    if (role == Qt::TextAlignmentRole) {
        const bool number = index.column() == Balls || index.column() == Fee || index.column() == Change ||
                            index.column() == Balance;
        return QVariant::fromValue(Qt::Alignment(number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
    case Day:
        return l.day.toString(u"yyyy/MM/dd"_s);
    case Store:
        return l.store;
    case Kind:
        return chodamaKindName(l.kind);
    case Balls:
        return l.kind == ChodamaKind::Adjust ? chodamaSignedText(l.balls) : groupedDigits(l.balls);
    case Fee:
        return l.feeBalls ? groupedDigits(l.feeBalls) : QString();
    case Change:
        return chodamaSignedText(l.change);
    case Balance:
        return groupedDigits(l.balance);
    case About:
        return l.card ? cardText(l) : l.note;
    default:
        return {};
    }
}

QVariant ChodamaLinesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const QStringList heads = {u"日付"_s,   u"店名"_s, u"種類"_s, u"玉数"_s,
                                      u"手数料"_s, u"増減"_s, u"残高"_s, u"内容"_s};
    return section >= 0 && section < heads.size() ? QVariant(heads[section]) : QVariant();
}

void ChodamaHallsModel::setLedger(const ChodamaLedger &ledger) {
    beginResetModel();
    m_halls = ledger.halls;
    m_totalYen = ledger.totalYen;
    endResetModel();
}

int ChodamaHallsModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() || m_halls.isEmpty() ? 0 : int(m_halls.size()) + 1;
}

int ChodamaHallsModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ChodamaHallsModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() > m_halls.size()) return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(index.column() == Store ? Qt::AlignLeft : Qt::AlignRight) |
                                   Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    if (index.row() == m_halls.size()) { // the total
        if (index.column() == Store) return u"合計"_s;
        if (index.column() == Yen) return groupedDigits(m_totalYen) + u"円"_s;
        return QString();
    }
    const ChodamaHall &h = m_halls[index.row()];
    switch (index.column()) {
    case Store:
        return h.store;
    case Balls:
        return groupedDigits(h.balls) + u"玉"_s;
    case Yen:
        return h.yen ? groupedDigits(*h.yen) + u"円"_s : u"交換条件なし"_s;
    default:
        return {};
    }
}

QVariant ChodamaHallsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const QStringList heads = {u"店名"_s, u"貯玉"_s, u"円換算"_s};
    return section >= 0 && section < heads.size() ? QVariant(heads[section]) : QVariant();
}

ChodamaEntry chodamaEntryOf(const QString &user, const QString &store, const QDate &day, ChodamaKind kind,
                            const QString &ballsText, const QString &note) {
    const QString box = u"玉数"_s;
    QString text = halfWidthNumber(ballsText);
    text.remove(u',');
    text.remove(u'\uFF0C'); // ，
    text.replace(u'\u2212', u'-');
    if (text.isEmpty()) throw StoreError(StoreError::Kind::Invalid, box, u"玉数を入力してください"_s);
    bool ok = false;
    const qint64 balls = text.toLongLong(&ok);
    if (!ok) throw StoreError(StoreError::Kind::Invalid, box, u"玉数は整数で入力してください"_s);
    if (kind != ChodamaKind::Adjust && balls < 0)
        throw StoreError(StoreError::Kind::Invalid, box,
                         chodamaKindName(kind) +
                             u"の玉数は1以上で入力してください（減らすときは調整を使います）"_s);
    ChodamaEntry e;
    e.user = user;
    e.store = store.trimmed();
    e.day = day;
    e.kind = kind;
    e.balls = balls;
    e.note = note.trimmed();
    validateChodamaEntry(e);
    return e;
}

} // namespace tama
