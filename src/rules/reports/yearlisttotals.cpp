#include "reports/yearlisttotals.h"

#include "common/grouping.h"
#include "common/text.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

YearListTotals YearListTotals::compute(qint64 investment, qint64 cashOut, qint64 minutes) {
    YearListTotals t;
    t.investment = investment;
    t.cashOut = cashOut;
    t.profit = cashOut - investment;
    t.minutes = minutes;
    t.investmentText = numberToText(investment);
    t.cashOutText = numberToText(cashOut);
    t.profitText = numberToText(t.profit);
    t.profitColour = t.profit < 0 ? ViewColour::Red : ViewColour::Blue;

    // Integer arithmetic: a rate or an hourly figure that is a whole number must not
    // lose one to rounding before it is truncated. The labels that are not coloured
    // keep the colour they open with, black.
    if (investment == 0) {
        t.rateText = u"0"_s;
    } else {
        t.rateText = QString::number(cashOut * 100 / investment);
        const bool below100 = investment > 0 ? cashOut < investment : cashOut > investment;
        t.rateColour = below100 ? ViewColour::Red : ViewColour::Blue;
    }

    if (minutes == 0) {
        t.perHourText = u"0"_s;
    } else {
        t.perHourText = QString::number(t.profit * 60 / minutes);
        const bool negative = t.profit != 0 && ((t.profit < 0) != (minutes < 0));
        t.perHourColour = negative ? ViewColour::Red : ViewColour::Blue;
    }
    return t;
}

void YearListTotals::setChodama(qint64 yen) {
    chodamaYen = yen;
    const QString amount = yen > 0   ? u"+"_s + groupedDigits(yen)
                           : yen < 0 ? u"\u2212"_s + groupedDigits(-yen)
                                     : u"±0"_s;
    chodamaText = u"貯玉 "_s + amount + u"円を含む"_s;
}

} // namespace tama
