#include "card/cardentry.h"

#include "common/text.h"
#include "store/catalogue.h"
#include "store/daytype.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

QString joined(const std::array<QString, 4> &boxes) {
    return boxes[0] + boxes[1] + boxes[2] + boxes[3];
}

} // namespace

bool isIncomplete(const CardControls &c) {
    return trimRight(c.model) == kModelSearchEntry || trimLeft(c.profit).isEmpty() ||
           trim(c.start[1]).isEmpty() || trim(c.end[1]).isEmpty() || trim(c.start[3]).isEmpty() ||
           trim(c.end[3]).isEmpty() || trim(c.investment[3]).isEmpty() || c.category < 1 || c.category > 5;
}

CardControls withBlanksFilled(CardControls c) {
    if (trimRight(c.start[0]).isEmpty()) c.start[0] = u" "_s;
    if (trimRight(c.end[0]).isEmpty()) c.end[0] = u" "_s;
    for (auto *amount : {&c.investment, &c.cashOut})
        for (QString &digit : *amount)
            if (trimRight(digit).isEmpty()) digit = u"0"_s;
    return c;
}

CardRecord cardFromControls(const CardControls &c) {
    CardRecord card;
    card.setField(CardRecord::VisitDate, c.year + c.month + c.day + c.weekday);
    card.setField(CardRecord::StartTime, joined(c.start));
    card.setField(CardRecord::EndTime, joined(c.end));
    // Trailing spaces are dropped first: converted, they would be stored as full-width
    // spaces, which older readers do not trim.
    card.setField(CardRecord::StoreName, toFullWidth(trimRight(c.store)).left(10));
    if (const CategoryInfo *category = categoryByOption(c.category))
        card.setField(CardRecord::Category, category->cardCode);
    card.setField(CardRecord::ModelName, toFullWidth(trimRight(c.model)).left(15));
    card.setField(CardRecord::Investment, joined(c.investment));
    card.setField(CardRecord::CashOut, joined(c.cashOut));
    if (c.dayType >= 1 && c.dayType <= dayTypes().size())
        card.setField(CardRecord::DayType, dayTypes()[c.dayType - 1].code);
    card.setField(CardRecord::Impression, c.impression);
    return card;
}

std::optional<QString> cardPlaceProblem(int number, int count, bool newCardShown) {
    const int newCard = count + 1;
    if (newCardShown && number == newCard && newCard > DiaryFile::kMaxCards)
        return QStringLiteral("この日記にはこれ以上カードを登録できません（%1枚まで）。")
            .arg(DiaryFile::kMaxCards);
    const bool fits = newCardShown ? number == newCard : number >= 1 && number <= count;
    if (fits) return std::nullopt;
    return QStringLiteral("日記ファイルがこの画面の外で変更されています（いまは %1 枚）。カード %2 "
                          "には書き込みません。カードを表示し直してから登録してください。")
        .arg(count)
        .arg(number);
}

bool modelListNames(const QStringList &lines, const QString &model) {
    const QString typed = trimRight(model);
    const QString stored = storedModelName(model);
    for (const QString &line : lines) {
        const QString l = trimRight(line);
        if (l == typed || l == stored) return true;
    }
    return false;
}

} // namespace tama
