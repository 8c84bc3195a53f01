#include "playtime.h"

#include "common/text.h"
#include "store/diary.h"

namespace tama {

namespace {

int minutesOfDay(const QString &field)
{
    const QString t = trimRight(field);
    return int(textToNumber(t.left(2)) * 60 + textToNumber(t.mid(2, 2)));
}

} // namespace

int playMinutes(const CardRecord &card)
{
    return minutesOfDay(card.field(CardRecord::EndTime)) - minutesOfDay(card.field(CardRecord::StartTime));
}

} // namespace tama
