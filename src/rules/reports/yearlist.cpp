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

YearListLine YearList::lineOf(int record, const CardText &text, int noCells) {
    using namespace viewtext;
    using L = YearListLine;
    L l;
    l.record = record;
    l.investmentYen = valueOf(text.field(CardRecord::Investment)) * 100;
    l.cashOutYen = valueOf(text.field(CardRecord::CashOut)) * 100;
    l.profitYen = l.cashOutYen - l.investmentYen;
    l.minutes = playMinutes(text);
    auto keep = [&](CardRecord::Field f, int n, int at) {
        const QStringView v = text.field(f);
        std::copy_n(v.utf16(), std::min<qsizetype>(n, v.size()), l.m_chars.begin() + at);
    };
    keep(CardRecord::VisitDate, L::kDateChars, 0);
    keep(CardRecord::StoreName, L::kStoreChars, L::kDateChars);
    keep(CardRecord::ModelName, L::kModelChars, L::kDateChars + L::kStoreChars);
    l.m_noCells = quint8(noCells);
    return l;
}

void YearListLine::makeText() const {
    using namespace viewtext;
    using L = YearListLine;
    const QStringView date(m_chars.data(), kDateChars);
    const QStringView store(m_chars.data() + kDateChars, kStoreChars);
    const QStringView model(m_chars.data() + kDateChars + kStoreChars, kModelChars);
    QString t;
    t.reserve(m_noCells + 60);
    auto mark = [&](L::Column c) { m_bounds[c] = quint8(t.size()); };

    mark(L::No);
    appendNumber(t, record, m_noCells);

    mark(L::Date);
    const qsizetype dateStart = t.size();
    t += u"  "_s;
    t += midOf(date, 4, 2);
    t += u'/';
    t += midOf(date, 6, 2);
    t += u'(';
    t += midOf(date, 8, 1);
    t += u')';
    // A blank or damaged weekday would take one cell less.
    if (const int left = YearList::kDateCells - cells::width(QStringView(t).sliced(dateStart)); left > 0)
        t.resize(t.size() + left, u' ');

    mark(L::Store);
    t += u' ';
    cells::appendFullWidth(t, trimmed(leftOf(store, 10)), YearList::kStoreCells - 1);

    mark(L::Model);
    t += u' ';
    cells::appendFullWidth(t, trimmedRight(leftOf(model, 11)), YearList::kModelCells - 1);

    mark(L::Investment);
    appendNumber(t, investmentYen, YearList::kAmountCells);
    mark(L::CashOut);
    appendNumber(t, cashOutYen, YearList::kAmountCells);
    mark(L::Profit);
    appendNumber(t, profitYen, YearList::kAmountCells);
    mark(L::ColumnCount);
    m_text = std::move(t);
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
    add(record, CardText(card));
}

void YearList::add(int record, const CardText &text) {
    Q_ASSERT(m_filter);
    if (!m_filter->passes(text)) return;
    m_lines.append(lineOf(record, text, m_noCells));
    const YearListLine &l = m_lines.last();
    m_investment += l.investmentYen;
    m_cashOut += l.cashOutYen;
    m_minutes += l.minutes;
    if (m_countChodama)
        if (const auto c = m_chodamaByRecord.constFind(record); c != m_chodamaByRecord.cend())
            m_chodama.add(*c);
}

void YearList::countChodama(QHash<int, qint64> yenByRecord) {
    m_countChodama = true;
    m_chodamaByRecord = std::move(yenByRecord);
}

void YearList::finish() {
    m_filter = nullptr;
    // The No column is as wide as the largest number listed needs, for all lines alike,
    // so that the columns stay aligned. The number is right-aligned: a line narrower
    // than that gets blanks in front, a wider one (laid out for a larger diary than the
    // cards listed need) loses some of its leading blanks.
    const int width =
        m_lines.isEmpty() ? kNoCells : std::max(kNoCells, digitsWithSign(m_lines.last().record));
    for (YearListLine &l : m_lines) {
        if (l.m_noCells == width) continue;
        l.m_noCells = quint8(width);
        l.m_text = QString();
    }
    m_noCells = width;
    m_lines.squeeze();
    m_totals = YearListTotals::compute(m_investment + m_chodama.in, m_cashOut + m_chodama.out, m_minutes);
    if (m_countChodama) m_totals.setChodama(m_chodama.net());
}

} // namespace tama
