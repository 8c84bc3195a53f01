#include "halls/numberbox.h"

#include "common/text.h"
#include "store/storeerror.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tama {

// Input methods type full-width digits and points; the number is the same.
QString halfWidthNumber(const QString &text) {
    QString out = trim(text);
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            c = QChar(u'0' + (u - 0xFF10));
        else if (u == 0xFF0E)
            c = u'.';
        else if (u == 0xFF0D || u == 0x2212)
            c = u'-';
        else if (u == 0xFF0B)
            c = u'+';
        else if (u == 0xFF0F)
            c = u'/';
    }
    return out;
}

std::optional<double> numberFromBox(const QString &text, const QString &box) {
    const QString t = halfWidthNumber(text);
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw StoreError(StoreError::Kind::Invalid, QString(),
                         box + u"「"_s + trim(text) + u"」は数字ではありません"_s);
    return v;
}

double requiredNumberFromBox(const QString &text, const QString &box) {
    const std::optional<double> v = numberFromBox(text, box);
    if (!v) throw StoreError(StoreError::Kind::Invalid, QString(), box + u"を入力してください"_s);
    return *v;
}

QString numberText(double value) {
    return QString::number(value, 'g', 12);
}

} // namespace tama
