#pragma once

#include <QHash>
#include <QString>

namespace tama {

class DataFolder;
class PlayDatabase;

// What each card of a diary moved in 貯玉, valued at its hall's terms on its day, by record
// number (from 1); only cards with 貯玉 and terms. Empty when the user has not asked for
// 貯玉 to count in the totals, or there is no database to ask. Never throws: without the
// play data the totals are the cards' own.
QHash<int, qint64> chodamaYenOfDiary(const DataFolder &folder, const QString &user, const QString &diaryFile);
// The same with a database already open.
QHash<int, qint64> chodamaYenOfDiary(const PlayDatabase &db, const DataFolder &folder, const QString &user,
                                     const QString &diaryFile);

// Whether the user counts 貯玉 in the totals, with a database opened for the question.
bool chodamaCounted(const DataFolder &folder, const QString &user);

// A card's 貯玉 in the totals: balls stored are yen taken home, balls replayed yen put in.
struct ChodamaSums {
    qint64 in = 0;  // yen of balls replayed (above 0)
    qint64 out = 0; // yen of balls stored
    void add(qint64 yen) { (yen < 0 ? in : out) += yen < 0 ? -yen : yen; }
    qint64 net() const { return out - in; }
};

} // namespace tama
