#include "halls/listorder.h"

#include <algorithm>

namespace tama {

QStringList inListOrder(const QStringList &texts) {
    QStringList sorted = texts;
    std::stable_sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return sorted;
}

} // namespace tama
