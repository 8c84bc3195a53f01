#include "yearlist.h"

#include "common/text.h"
#include "playtime.h"
#include "store/diary.h"
#include "textcells.h"
#include "yearlistfilter.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

QString rightAligned(qint64 n, int width) { return numberToText(n).rightJustified(width, u' '); }

} // namespace

QString YearList::caption(const QString &year) { return year + u"年 リスト表示"_s; }

YearListLine YearList::lineOf(int record, const CardRecord &card, int noCells)
{
    YearListLine l;
    l.record = record;
    l.no = rightAligned(record, noCells);

    const QString date = card.field(CardRecord::VisitDate);
    l.date = cells::padHalfWidth(u"  "_s + date.mid(4, 2) + u'/' + date.mid(6, 2) + u'(' + date.mid(8, 1) + u')',
                                 kDateCells);
    l.store = cells::padFullWidth(u' ' + trim(card.field(CardRecord::StoreName).left(10)), kStoreCells);
    l.model = cells::padFullWidth(u' ' + trimRight(card.field(CardRecord::ModelName).left(11)), kModelCells);

    l.investmentYen = card.investmentYen();
    l.cashOutYen = card.cashOutYen();
    l.profitYen = l.cashOutYen - l.investmentYen;
    l.investment = rightAligned(l.investmentYen, kAmountCells);
    l.cashOut = rightAligned(l.cashOutYen, kAmountCells);
    l.profit = rightAligned(l.profitYen, kAmountCells);
    l.minutes = playMinutes(card);
    return l;
}

YearList::YearList(const QList<CardRecord> &cards, const YearListFilter &filter)
{
    QList<int> passed;
    passed.reserve(cards.size());
    for (int i = 0; i < cards.size(); ++i)
        if (filter.passes(cards[i]))
            passed.append(i);

    // Widen the No column for all lines alike when the largest number needs it.
    if (!passed.isEmpty())
        m_noCells = std::max<int>(kNoCells, int(numberToText(passed.last() + 1).size()));

    qint64 investment = 0;
    qint64 cashOut = 0;
    qint64 minutes = 0;
    m_lines.reserve(passed.size());
    for (int i : passed) {
        m_lines.append(lineOf(i + 1, cards[i], m_noCells));
        const YearListLine &l = m_lines.last();
        investment += l.investmentYen;
        cashOut += l.cashOutYen;
        minutes += l.minutes;
    }
    m_totals = YearListTotals::compute(investment, cashOut, minutes);
}

} // namespace tama
