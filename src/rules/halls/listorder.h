#pragma once

#include <QStringList>

namespace tama {

// The order of a sorted list box: ascending text order without regard to case
// (full-width letters fold too); equal texts keep their order.
QStringList inListOrder(const QStringList &texts);

} // namespace tama
