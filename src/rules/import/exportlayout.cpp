#include "import/exportlayout.h"

#include "common/text.h"
#include "reports/diarystats.h"
#include "reports/playtime.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// yyyy/MM/dd, a marked card's date as it was before the mark; a date that is no date is
// written as stored, so that nothing is dropped without a trace.
QString dateText(const CardRecord &card) {
    if (const std::optional<CardDate> d = cardDate(CardText(card)))
        return u"%1/%2/%3"_s.arg(d->year, 4, 10, QChar(u'0'))
            .arg(d->month, 2, 10, QChar(u'0'))
            .arg(d->day, 2, 10, QChar(u'0'));
    return trim(card.field(CardRecord::VisitDate));
}

QString memoText(const CardRecord &card) {
    return trimRight(card.field(CardRecord::Impression)).replace(u"\r\n"_s, u"\n"_s);
}

} // namespace

QStringList precordRow(const CardRecord &card, const std::optional<PlayInputs> &play) {
    const int minutes = playMinutes(card);
    QString hours, perHour;
    if (minutes > 0) {
        // Rounded to the hundredth: read back and rounded to the minute, it gives the
        // same minutes.
        hours = hundredthsText((qint64(minutes) * 100 + 30) / 60);
        perHour = QString::number(card.profitYen() * 60 / minutes); // truncated, as every 時給
    }
    return {dateText(card),
            QString(),
            trim(card.field(CardRecord::StoreName)),
            QString(),
            QString(),
            trim(card.field(CardRecord::ModelName)),
            play ? play->machine : QString(),
            QString::number(card.investmentYen()),
            QString::number(card.cashOutYen()),
            QString::number(card.profitYen()),
            memoText(card),
            hours,
            perHour};
}

QStringList pshareRow(const CardRecord &card) {
    return {dateText(card), QString::number(card.investmentYen()), QString::number(card.cashOutYen()),
            memoText(card)};
}

} // namespace tama
