#include "app/fonts.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace tama {

QFont listFont(int pointSize) {
    QFont f;
    // fontconfig maps "MS Gothic" to a proportional face, so the real families come first.
    f.setFamilies({u"ＭＳ ゴシック"_s, u"MS Gothic"_s, u"IPAGothic"_s, u"Noto Sans Mono CJK JP"_s});
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    // An even pixel size: advances are rounded to whole pixels, and a full-width glyph of
    // an odd size (15) would be one pixel short of two half-width ones (8 + 8).
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    int pixels = qRound(pointSize * dpi / 72.0);
    pixels += pixels % 2;
    f.setPixelSize(pixels);
    return f;
}

} // namespace tama
