#pragma once

#include "import/columnmap.h"
#include "store/diary.h"
#include "store/playdata.h"

#include <QStringList>

#include <optional>

namespace tama {

// A card as a row of pRecord's layout (precordHeader()): 日付 yyyy/MM/dd, 店舗 and 機種 as
// stored (trimmed), 台番号 from the play data, 投資額/回収額/収支 in yen, メモ the impression
// (CR LF as LF), 稼働時間 the hours from start to end with two decimals, 時給 the profit
// per hour in whole yen (empty without play time); the code columns and メーカー empty.
QStringList precordRow(const CardRecord &card, const std::optional<PlayInputs> &play);
// A card as a row of pShare's imp.csv: 日付,投資額,回収額,メモ.
QStringList pshareRow(const CardRecord &card);

} // namespace tama
