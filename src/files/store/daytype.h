#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace tama {

// The four kinds of business day and every name and code they go by: one table, so that
// the card screen, the statistics and the yearly report agree.
struct DayTypeInfo {
    int option;          // 1 … 4: the card screen's options, in table order
    QString code;        // "111" … (DayType field of a card)
    QString caption;     // 平常開店 … (the card screen's option, the statistics' key)
    QString reportLabel; // 平常 … (the yearly report's award lines)
    bool special;        // counted in the yearly report's 新規新装 column as well as 総合
};

// In table order (options 1 to 4): 平常開店, 新規開店, 新装開店, 新台入替.
const QList<DayTypeInfo> &dayTypes();

// The kind whose code is exactly the text; nothing for another text.
const DayTypeInfo *dayTypeByCode(QStringView code);
// The kind of a code read as a number; any other value is an ordinary day, as the card
// screen shows it.
const DayTypeInfo &dayTypeByValue(qint64 value);
// The day a new card starts on and a card of an unknown code is shown as.
const DayTypeInfo &ordinaryDay();

} // namespace tama
