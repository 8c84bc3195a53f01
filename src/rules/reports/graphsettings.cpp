#include "reports/graphsettings.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

QString GraphSettings::caption(Series s, bool on) {
    static const QString names[] = {u"投資額加算グラフ"_s, u"換金額加算グラフ"_s, u"損益額加算グラフ"_s};
    return on ? names[s] + u" [ON]"_s : names[s];
}

QString GraphSettings::styleCaption(bool bars) {
    return bars ? u"棒グラフ"_s : u"線グラフ"_s;
}

} // namespace tama
