#include "reports/yearlist.h"

#include "reports/playtime.h"
#include "reports/textcells.h"
#include "reports/viewtext.h"
#include "reports/yearlistfilter.h"
#include "store/diary.h"

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
    if (const int pad = width - (24 - i); pad > 0) out.resize(out.size() + pad, u' ');
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
    return lineOf(record, CardText(card), noCells);
}

YearListLine YearList::lineOf(int record, const CardText &card, int noCells) {
    using namespace viewtext;
    YearListLine l;
    l.record = record;
    l.investmentYen = valueOf(card.field(CardRecord::Investment)) * 100;
    l.cashOutYen = valueOf(card.field(CardRecord::CashOut)) * 100;
    l.profitYen = l.cashOutYen - l.investmentYen;
    l.minutes = playMinutes(card);

    QString &t = l.text;
    t.reserve(noCells + 60);
    auto mark = [&](YearListLine::Column c) { l.bounds[c] = int(t.size()); };

    mark(YearListLine::No);
    appendNumber(t, record, noCells);

    mark(YearListLine::Date);
    const QStringView date = card.field(CardRecord::VisitDate);
    const qsizetype dateStart = t.size();
    t += u"  "_s;
    t += midOf(date, 4, 2);
    t += u'/';
    t += midOf(date, 6, 2);
    t += u'(';
    t += midOf(date, 8, 1);
    t += u')';
    // A blank or damaged weekday would take one cell less.
    if (const int left = kDateCells - cells::width(QStringView(t).sliced(dateStart)); left > 0)
        t.resize(t.size() + left, u' ');

    mark(YearListLine::Store);
    t += u' ';
    const QStringView store = card.field(CardRecord::StoreName);
    cells::appendFullWidth(t, trimmed(leftOf(store, 10)), kStoreCells - 1);

    mark(YearListLine::Model);
    t += u' ';
    const QStringView model = card.field(CardRecord::ModelName);
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

YearList::YearList(const QList<CardRecord> &cards, const YearListFilter &filter)
    : YearList(filter, int(cards.size())) {
    for (int i = 0; i < cards.size(); ++i)
        add(i + 1, cards[i]);
    finish();
}

YearList::YearList(const YearListFilter &filter, int cardCount)
    : m_filter(&filter), m_noCells(std::max(kNoCells, digitsWithSign(cardCount))) {
    m_lines.reserve(cardCount);
}

void YearList::add(int record, const CardRecord &card) {
    Q_ASSERT(m_filter);
    const CardText text(card);
    if (!m_filter->passes(text)) return;
    m_lines.append(lineOf(record, text, m_noCells));
    const YearListLine &l = m_lines.last();
    m_investment += l.investmentYen;
    m_cashOut += l.cashOutYen;
    m_minutes += l.minutes;
}

void YearList::finish() {
    m_filter = nullptr;
    // The No column is as wide as the largest number listed needs, for all lines alike,
    // so that the columns stay aligned. The number is right-aligned: a line narrower
    // than that gets blanks in front, a wider one (made for a larger diary than the
    // cards listed need) loses some of its leading blanks.
    const int width =
        m_lines.isEmpty() ? kNoCells : std::max(kNoCells, digitsWithSign(m_lines.last().record));
    for (YearListLine &l : m_lines) {
        const int shift = width - l.bounds[YearListLine::Date];
        if (shift == 0) continue;
        if (shift > 0)
            l.text.prepend(QString(shift, u' '));
        else
            l.text.remove(0, -shift);
        for (int c = YearListLine::Date; c <= YearListLine::ColumnCount; ++c)
            l.bounds[c] += shift;
    }
    m_noCells = width;
    m_lines.squeeze();
    m_totals = YearListTotals::compute(m_investment, m_cashOut, m_minutes);
}

} // namespace tama
