#pragma once

#include <QString>
#include <QStringList>

namespace tama {

// An amount in yen from its four digit boxes (万 tens, 万 ones, 千, 百円); a blank box
// counts as 0 in its place.
qint64 amountFromDigits(const QStringList &boxes);

struct ProfitText {
    QString text;
    bool negative = false; // shown in red
};

// The profit label while amounts are being entered: "###,###", and "      0" when the
// two amounts are equal.
ProfitText enteredProfit(qint64 investment, qint64 cashOut);
// The profit label of a card just shown: as enteredProfit, but "0" when both are 0.
ProfitText shownProfit(qint64 investment, qint64 cashOut);

} // namespace tama
