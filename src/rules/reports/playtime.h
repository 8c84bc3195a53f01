#pragma once

namespace tama {

class CardRecord;
class CardText;

// Minutes from StartTime to EndTime, each read as hours in characters 1-2 and minutes
// in 3-4 (text that is no number counts 0). Negative when the end lies before the
// start: play past midnight is not corrected. Whole minutes keep sums and the
// truncations of the views exact.
int playMinutes(const CardRecord &card);
int playMinutes(const CardText &card);

} // namespace tama
