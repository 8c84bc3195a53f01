#include "card/carddigits.h"

#include "common/text.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

QStringList fieldBoxes(const QString &field) {
    const QString t = trimRight(field);
    QStringList boxes;
    for (int i = 0; i < 4; ++i)
        boxes << trimLeft(t.mid(i, 1));
    return boxes;
}

int leadingZeroBoxes(const QString &amountField) {
    if (amountField.startsWith(u"000"_s)) return 3;
    if (amountField.startsWith(u"00"_s)) return 2;
    if (amountField.startsWith(u"0"_s)) return 1;
    return 0;
}

} // namespace tama
