#include "card/profit.h"

#include "common/text.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

qint64 amountFromDigits(const QStringList &boxes) {
    // Each box keeps its place, a blank one counting 0: the amount that registering
    // stores (it fills blank boxes with 0), not the digits closed up.
    qint64 amount = 0;
    for (const QString &b : boxes)
        amount = amount * 10 + textToNumber(trim(b).left(1));
    return amount * 100;
}

ProfitText enteredProfit(qint64 investment, qint64 cashOut) {
    const qint64 profit = cashOut - investment;
    // "###,###" gives nothing for 0, so an even result is written out.
    return {investment == cashOut ? u"      0"_s : formatAmount(profit), profit < 0};
}

ProfitText shownProfit(qint64 investment, qint64 cashOut) {
    if (investment == 0 && cashOut == 0) return {u"0"_s, false};
    return enteredProfit(investment, cashOut);
}

} // namespace tama
