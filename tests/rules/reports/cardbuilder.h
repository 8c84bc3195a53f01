#pragma once

#include "store/diary.h"

#include <QString>

namespace tama::test {

// A card from plain values, as the card screen would store them.
struct CardSpec {
    QString date = QStringLiteral("19990503土");
    QString start = QStringLiteral("1000");
    QString end = QStringLiteral("1200");
    QString store = QStringLiteral("本店");
    QString category = QStringLiteral("1");
    QString model = QStringLiteral("Ｘ");
    QString investment = QStringLiteral("0150");
    QString cashOut = QStringLiteral("0040");
    QString dayType = QStringLiteral("111");
};

inline CardRecord makeCard(const CardSpec &s) {
    CardRecord c;
    c.setField(CardRecord::VisitDate, s.date);
    c.setField(CardRecord::StartTime, s.start);
    c.setField(CardRecord::EndTime, s.end);
    c.setField(CardRecord::StoreName, s.store);
    c.setField(CardRecord::Category, s.category);
    c.setField(CardRecord::ModelName, s.model);
    c.setField(CardRecord::Investment, s.investment);
    c.setField(CardRecord::CashOut, s.cashOut);
    c.setField(CardRecord::DayType, s.dayType);
    return c;
}

// Amounts in hundreds of yen as the four stored digits.
inline QString digits4(int hundreds) {
    return QString::number(hundreds).rightJustified(4, u'0');
}

} // namespace tama::test
