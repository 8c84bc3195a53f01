#include "yearlist.h"

#include "playtime.h"
#include "store/diary.h"
#include "textcells.h"
#include "viewtext.h"
#include "yearlistfilter.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// numberToText right-aligned in width characters, appended without a temporary.
void appendNumber(QString &out, qint64 n, int width) {
    char16_t buf[24];
    int i = 24;
    quint64 a = n < 0 ? quint64(0) - quint64(n) : quint64(n);
    do {
        buf[--i] = char16_t(u'0' + a % 10);
        a /= 10;
    } while (a);
    buf[--i] = n < 0 ? u'-' : u' ';
    for (int pad = width - (24 - i); pad > 0; --pad)
        out += u' ';
    out += QStringView(buf + i, 24 - i);
}

int digitsWithSign(qint64 n) {
    int d = 1;
    for (; n >= 10; n /= 10)
        ++d;
    return d + 1;
}

} // namespace

QString YearList::caption(const QString &year) {
    return year + u"年 リスト表示"_s;
}

YearListLine YearList::lineOf(int record, const CardRecord &card, int noCells) {
    using namespace viewtext;
    YearListLine l;
    l.record = record;
    l.investmentYen = card.investmentYen();
    l.cashOutYen = card.cashOutYen();
    l.profitYen = l.cashOutYen - l.investmentYen;
    l.minutes = playMinutes(card);

    QString &t = l.text;
    t.reserve(noCells + 60);
    auto mark = [&](YearListLine::Column c) { l.bounds[c] = int(t.size()); };

    mark(YearListLine::No);
    appendNumber(t, record, noCells);

    mark(YearListLine::Date);
    const QString date = card.field(CardRecord::VisitDate);
    const qsizetype dateStart = t.size();
    t += u"  "_s;
    t += midOf(date, 4, 2);
    t += u'/';
    t += midOf(date, 6, 2);
    t += u'(';
    t += midOf(date, 8, 1);
    t += u')';
    // A blank or damaged weekday would take one cell less.
    for (int left = kDateCells - cells::width(QStringView(t).sliced(dateStart)); left > 0; --left)
        t += u' ';

    mark(YearListLine::Store);
    t += u' ';
    const QString store = card.field(CardRecord::StoreName);
    cells::appendFullWidth(t, trimmed(leftOf(store, 10)), kStoreCells - 1);

    mark(YearListLine::Model);
    t += u' ';
    const QString model = card.field(CardRecord::ModelName);
    cells::appendFullWidth(t, trimmedRight(leftOf(model, 11)), kModelCells - 1);

    mark(YearListLine::Investment);
    appendNumber(t, l.investmentYen, kAmountCells);
    mark(YearListLine::CashOut);
    appendNumber(t, l.cashOutYen, kAmountCells);
    mark(YearListLine::Profit);
    appendNumber(t, l.profitYen, kAmountCells);
    mark(YearListLine::ColumnCount);
    return l;
}

YearList::YearList(const QList<CardRecord> &cards, const YearListFilter &filter) {
    QList<int> passed;
    passed.reserve(cards.size());
    for (int i = 0; i < cards.size(); ++i)
        if (filter.passes(cards[i])) passed.append(i);

    // Widen the No column for all lines alike when the largest number needs it.
    if (!passed.isEmpty()) m_noCells = std::max(kNoCells, digitsWithSign(passed.last() + 1));

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
