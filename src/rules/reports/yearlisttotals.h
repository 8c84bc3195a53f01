#pragma once

#include "reports/viewcolour.h"

#include <QString>

#include <optional>

namespace tama {

// The five totals under the year list, as values and as the labels show them.
struct YearListTotals {
    qint64 investment = 0; // yen
    qint64 cashOut = 0;
    qint64 profit = 0;
    qint64 minutes = 0; // hours of play, in minutes
    double hours() const { return minutes / 60.0; }

    QString investmentText; // " 15000": a leading blank when not negative
    QString cashOutText;
    QString profitText;
    ViewColour profitColour = ViewColour::Black;
    QString rateText; // recovery rate in percent, truncated
    ViewColour rateColour = ViewColour::Black;
    QString perHourText; // profit per hour, truncated
    ViewColour perHourColour = ViewColour::Black;

    // With 貯玉 counted (the user's choice): its yen, already in the amounts above, and a
    // line saying so ("貯玉 +1,200円を含む").
    std::optional<qint64> chodamaYen;
    QString chodamaText;
    void setChodama(qint64 yen);

    static YearListTotals compute(qint64 investment, qint64 cashOut, qint64 minutes);
};

} // namespace tama
