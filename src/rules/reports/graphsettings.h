#pragma once

#include <QString>

namespace tama {

// Which running totals the monthly graph draws and how. The window's menu items are
// captioned from these; a caption is never read back.
struct GraphSettings {
    enum Series { Investment, CashOut, Profit }; // also the order of drawing

    bool investment = false;
    bool cashOut = false;
    bool profit = true;
    bool bars = false; // false: lines

    bool isOn(Series s) const { return s == Investment ? investment : s == CashOut ? cashOut : profit; }

    // "損益額加算グラフ [ON]" when on, "損益額加算グラフ" when off; likewise
    // 換金額加算グラフ and 投資額加算グラフ.
    static QString caption(Series s, bool on);
    // "棒グラフ" for bars, "線グラフ" for lines.
    static QString styleCaption(bool bars);
};

} // namespace tama
