#pragma once

#include "reports/diarystats.h"

#include <QString>
#include <QStringList>

namespace tama {

// Yen as a player reads a result: "+1,240円", "−310円" (a minus sign), "0円".
QString resultYenText(qint64 yen);

// The 成績 page's sentences from the figures of a group of the statistics (the page shows
// the total): the hourly result with its 95 % range and what it says, the drawdowns and
// the streaks. The same figures as `stats` writes, in words.
QString hourlyResultText(const StatsGroup &g);
QString drawdownText(const StatsGroup &g);
QString streakText(const StatsGroup &g);
QStringList resultsLines(const StatsGroup &g);

} // namespace tama
