#pragma once

#include <QPixmap>

namespace tama {

// The pictures of the six toolbar buttons, drawn rather than shipped so that they stay
// sharp at any screen scale.
class ButtonArt {
  public:
    enum class Motif { Graph, List, Organise, Store, Model, Report };

    static constexpr int kSize = 40; // logical pixels

    static QPixmap picture(Motif motif, bool pressed, qreal devicePixelRatio = 2.0);
};

} // namespace tama
