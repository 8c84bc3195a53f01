#pragma once

#include <QString>

namespace tama {

// Which running totals the monthly graph draws and how. The window keeps these as the
// captions of its menu items; the captions are converted both ways here.
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
    // A series is on exactly when its caption is the text with " [ON]".
    static GraphSettings fromCaptions(const QString &investment, const QString &cashOut,
                                      const QString &profit, const QString &style);
};

} // namespace tama
