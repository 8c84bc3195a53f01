#pragma once

#include <QString>

namespace tama {

// Gives a new control the name tests and other windows find it by.
template <class W> W *named(W *w, const QString &name) {
    w->setObjectName(name);
    return w;
}

} // namespace tama
