#include "reports/playtime.h"

#include "reports/viewtext.h"
#include "store/diary.h"

namespace tama {

namespace {

int minutesOfDay(QStringView field) {
    using namespace viewtext;
    const QStringView t = trimmedRight(field);
    return int(valueOf(leftOf(t, 2)) * 60 + valueOf(midOf(t, 2, 2)));
}

} // namespace

int playMinutes(const CardRecord &card) {
    return minutesOfDay(card.field(CardRecord::EndTime)) - minutesOfDay(card.field(CardRecord::StartTime));
}

int playMinutes(const CardText &card) {
    return minutesOfDay(card.field(CardRecord::EndTime)) - minutesOfDay(card.field(CardRecord::StartTime));
}

} // namespace tama
