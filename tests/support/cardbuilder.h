#pragma once

#include "store/diary.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace tama::test {

// A card from plain values, as the card screen would store them; the defaults make
// an ordinary visit.
struct CardValues {
    QString date = QStringLiteral("19990503土");
    QString start = QStringLiteral("1000");
    QString end = QStringLiteral("1200");
    QString store = QStringLiteral("本店");
    QString category = QStringLiteral("1");
    QString model = QStringLiteral("Ｘ");
    QString investment = QStringLiteral("0150");
    QString cashOut = QStringLiteral("0040");
    QString dayType = QStringLiteral("111");
    QString impression = QString();

    // Every field left blank, for a card that sets only a few.
    static CardValues blank() { return {{}, {}, {}, {}, {}, {}, {}, {}, {}, {}}; }
};

// The card the card screen's tests start from: 23 January 1999 (土), 9:30 to 14:05 at
// ＡＢＣホール, 羽根モデル (デジパチ), 15,000 yen in, nothing out, よかった.
CardValues screenCard();

CardRecord makeCard(const CardValues &values = {});
// The 240 bytes as stored.
QByteArray cardBytes(const CardValues &values = {});
// A whole diary's bytes, the cards back to back.
QByteArray diaryBytes(const QList<CardValues> &cards);

// Replaces (or creates) a diary in folder by these cards.
void writeDiary(const QString &folder, const QString &fileName, const QList<CardRecord> &cards);

// Amounts in hundreds of yen as the four stored digits.
QString digits4(int hundreds);

} // namespace tama::test
