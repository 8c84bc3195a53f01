#include "cardbuilder.h"

namespace tama::test {

CardValues screenCard() {
    return {.date = QStringLiteral("19990123土"),
            .start = QStringLiteral(" 930"),
            .end = QStringLiteral("1405"),
            .store = QStringLiteral("ＡＢＣホール"),
            .category = QStringLiteral("2"),
            .model = QStringLiteral("羽根モデル"),
            .investment = QStringLiteral("0150"),
            .cashOut = QStringLiteral("0000"),
            .dayType = QStringLiteral("111"),
            .impression = QStringLiteral("よかった")};
}

CardRecord makeCard(const CardValues &v) {
    CardRecord c;
    c.setField(CardRecord::VisitDate, v.date);
    c.setField(CardRecord::StartTime, v.start);
    c.setField(CardRecord::EndTime, v.end);
    c.setField(CardRecord::StoreName, v.store);
    c.setField(CardRecord::Category, v.category);
    c.setField(CardRecord::ModelName, v.model);
    c.setField(CardRecord::Investment, v.investment);
    c.setField(CardRecord::CashOut, v.cashOut);
    c.setField(CardRecord::DayType, v.dayType);
    c.setField(CardRecord::Impression, v.impression);
    return c;
}

QByteArray cardBytes(const CardValues &values) {
    return makeCard(values).record().toBytes();
}

QByteArray diaryBytes(const QList<CardValues> &cards) {
    QByteArray out;
    for (const CardValues &c : cards)
        out += cardBytes(c);
    return out;
}

void writeDiary(const QString &folder, const QString &fileName, const QList<CardRecord> &cards) {
    QList<QByteArray> raw;
    raw.reserve(cards.size());
    for (const CardRecord &c : cards)
        raw.append(c.record().toBytes());
    DiaryFile(DataFolder(folder), fileName).rewriteRaw(raw);
}

QString digits4(int hundreds) {
    return QString::number(hundreds).rightJustified(4, u'0');
}

} // namespace tama::test
