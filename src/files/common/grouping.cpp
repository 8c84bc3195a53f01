#include "common/grouping.h"

namespace tama {

QString groupedDigits(qint64 n) {
    QString digits = QString::number(n);
    const qsizetype first = n < 0 ? 1 : 0; // no comma after the minus sign
    for (qsizetype i = digits.size() - 3; i > first; i -= 3)
        digits.insert(i, u',');
    return digits;
}

} // namespace tama
