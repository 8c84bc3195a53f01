#include "reports/yearreport.h"

#include "common/text.h"
#include "reports/playtime.h"
#include "reports/textcells.h"
#include "store/category.h"
#include "store/daytype.h"
#include "store/diary.h"

#include <array>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

constexpr int kCategories = 5;
constexpr int kGroups = 9; // categories 0-4, day types 5-8

// The category index 0-4 of a card, or -1 for a code outside "1" to "5".
int categoryIndex(const CardRecord &card) {
    const qint64 c = textToNumber(card.field(CardRecord::Category)) - 1;
    return c >= 0 && c < kCategories ? int(c) : -1;
}

const DayTypeInfo &dayTypeOf(const QString &dayType) {
    return dayTypeByValue(textToNumber(dayType));
}

// Group 5-8 of the day type.
int dayTypeIndex(const QString &dayType) {
    return kCategories + dayTypeOf(dayType).option - 1;
}

QString hoursText(qint64 minutes) {
    const qint64 tenths = minutes * 10 / 60; // truncated toward zero
    const qint64 a = std::abs(tenths);
    QString s = tenths < 0 ? u"-"_s : QString();
    s += QString::number(a / 10);
    if (a % 10) s += u'.' + QString::number(a % 10);
    return s;
}

void fill(ReportColumn &col) {
    static const QString none = u"-----"_s;
    if (col.count == 0) {
        col.rate.text = col.hourly.text = col.hours.text = none;
    } else {
        col.rate.text = (col.cashOut == 0 || col.investment == 0)
                            ? u"0"_s
                            : QString::number(col.cashOut * 100 / col.investment);
        col.hourly.text =
            col.minutes == 0 ? u"0"_s : QString::number((col.cashOut - col.investment) * 6000 / col.minutes);
        col.hours.text = hoursText(col.minutes);
    }
    // Coloured from the texts: "-----" reads as 0, so an empty recovery rate is red
    // and an empty hourly result stays black; exactly 100 and 0 stay black.
    const qint64 rate = textToNumber(col.rate.text);
    col.rate.colour = rate < 100 ? ViewColour::Red : rate > 100 ? ViewColour::Blue : ViewColour::Black;
    const qint64 hourly = textToNumber(col.hourly.text);
    col.hourly.colour = hourly < 0 ? ViewColour::Red : hourly > 0 ? ViewColour::Blue : ViewColour::Black;
}

} // namespace

QString YearReport::caption(const QString &year) {
    return year + u" 年度評価レポート"_s;
}

QStringList YearReport::sectionTitles() {
    QStringList out;
    for (const CategoryInfo *c : categoriesByCardCode())
        out.append(c->reportHead + u"部門"_s);
    return out;
}

QStringList YearReport::columnHeads() {
    QStringList out;
    for (const CategoryInfo *c : categoriesByCardCode())
        out.append(c->reportHead);
    return out + QStringList{u"総合"_s, u"新規新装"_s};
}

QList<int> YearReport::displayOrder() {
    return {Hane, Digi, CrDigi, Kenri, Denyaku, Special, Overall};
}

QString YearReport::dayTypeLabel(const QString &dayType) {
    return u"  "_s + dayTypeOf(dayType).reportLabel + u' ';
}

QString YearReport::awardLine(const CardRecord &card, qint64 profit) {
    const QString date = card.field(CardRecord::VisitDate);
    const QString yen = QString::number(profit * 100);
    return date.mid(4, 2) + u'/' + date.mid(6, 2) + dayTypeLabel(card.field(CardRecord::DayType)) + u' ' +
           cells::padHalfWidth(trim(card.field(CardRecord::StoreName).left(10)), 20) + u' ' +
           cells::padHalfWidth(trimRight(card.field(CardRecord::ModelName).left(11)), 22) +
           QString(std::max<qsizetype>(0, 7 - yen.size()), u' ') + u'+' + yen + u"円"_s;
}

YearReport::YearReport(const QList<CardRecord> &cards) {
    for (const CardRecord &card : cards)
        add(card);
    finish();
}

YearReport::YearReport() = default;

void YearReport::add(const CardRecord &card) {
    add(card, 0);
}

void YearReport::add(const CardRecord &card, qint64 chodamaYen) {
    qint64 investment = textToNumber(card.field(CardRecord::Investment));
    qint64 cashOut = textToNumber(card.field(CardRecord::CashOut));
    const int minutes = playMinutes(card);
    const int c = categoryIndex(card);
    // A card without a category has no section and no column of its own, but still
    // counts among all cards and its day type.
    if (c >= 0 && cashOut - investment > m_best[c]) { // strictly: the earlier card keeps a tie
        m_best[c] = cashOut - investment;
        m_winners[c] = awardLine(card, m_best[c]);
    }
    if (chodamaYen) {
        m_chodamaCounted = true;
        m_chodamaYen += chodamaYen;
        const qint64 hundreds = (std::abs(chodamaYen) + 50) / 100;
        (chodamaYen > 0 ? cashOut : investment) += hundreds;
    }
    for (int g : {c, dayTypeIndex(card.field(CardRecord::DayType))}) {
        if (g < 0) continue;
        m_groups[g].investment += investment;
        m_groups[g].cashOut += cashOut;
        m_groups[g].count += 1;
        m_groups[g].minutes += minutes;
    }
}

void YearReport::finish() {
    std::array<ReportColumn, kGroups> groups = m_groups;
    auto add = [](ReportColumn &to, const ReportColumn &from) {
        to.investment += from.investment;
        to.cashOut += from.cashOut;
        to.count += from.count;
        to.minutes += from.minutes;
    };
    // 総合: every day type; 新規新装: the special ones.
    ReportColumn overall, special;
    for (const DayTypeInfo &d : dayTypes()) {
        const ReportColumn &g = m_groups[size_t(dayTypeIndex(d.code))];
        add(overall, g);
        if (d.special) add(special, g);
    }
    groups[Overall] = overall;
    groups[Special] = special;

    m_awards.clear();
    m_columns.clear();
    for (int c = 0; c < kCategories; ++c)
        m_awards.append(m_winners[c]);
    for (int i = 0; i < ColumnCount; ++i) {
        ReportColumn col = groups[i];
        fill(col);
        m_columns.append(col);
    }
}

} // namespace tama
