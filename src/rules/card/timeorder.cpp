#include "card/timeorder.h"

#include "common/text.h"

namespace tama {

int timeNumber(const QString &hourTens, const QString &hourOnes, const QString &minuteTens,
               const QString &minuteOnes) {
    return int(textToNumber(trim(hourTens) + trim(hourOnes) + trim(minuteTens) + trim(minuteOnes)));
}

} // namespace tama
