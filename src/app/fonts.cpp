#include "fonts.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace tama {

QFont listFont(int pointSize)
{
    QFont f;
    // fontconfig maps "MS Gothic" to a proportional face, so the real families come first.
    f.setFamilies({u"ＭＳ ゴシック"_s, u"MS Gothic"_s, u"IPAGothic"_s, u"Noto Sans Mono CJK JP"_s});
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setPointSize(pointSize);
    return f;
}

} // namespace tama
