#include "reports/statstable.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

const QStringList &statsColumnHeads() {
    static const QStringList heads = {u"キー"_s,   u"来店"_s,   u"遊技分"_s, u"投資額"_s, u"換金額"_s,
                                      u"損益額"_s, u"回収率"_s, u"時間給"_s, u"勝ち"_s,   u"勝率"_s,
                                      u"最高"_s,   u"最低"_s,   u"稼働"_s,   u"回転数"_s, u"回転率"_s,
                                      u"期待値"_s, u"余剰"_s};
    return heads;
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

} // namespace tama
