#pragma once

#include "store/datafolder.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace tama {

// Merging two copies of one diary (the one in the data folder and another, such as the
// conflict copy a folder synchroniser left): every card of both, a card both hold
// byte for byte once. A card that differs only in its deletion mark is one card, kept
// marked. Two different cards of the same date, start time and store are both kept and
// listed, for the user to look at.
struct MergePlan {
    struct Pair {
        int ours;   // its number in the merged diary
        int theirs; // its number in the merged diary
    };

    int ours = 0;              // cards in the diary as it is
    int theirs = 0;            // cards in the other copy
    int same = 0;              // cards of the other copy the diary already holds
    int marked = 0;            // cards the other copy has marked, marked in the diary too
    QList<int> added;          // numbers in the other copy of the cards added, in order
    QList<Pair> conflicts;     // same date, start time and store, different cards
    QList<QByteArray> records; // the merged diary: the diary's cards, then those added

    int after() const { return int(records.size()); }
    bool changes() const { return !added.isEmpty() || marked > 0; }
};

// The plan for 240-byte records as stored. Throws StoreError (Invalid) when the other
// copy holds a card of another year, or the merged diary would pass the card limit.
MergePlan planMerge(const QList<QByteArray> &ours, const QList<QByteArray> &theirs, int year);

// Reads the other copy: whole 240-byte records, refused when damaged or too large.
QList<QByteArray> readOtherCopy(const QString &path);

// Merges the file at fromPath into the diary, through the scratch file, crash-safely.
// Returns what was done. Throws StoreError; the diary is then as it was.
MergePlan mergeDiary(const DataFolder &folder, const QString &fileName, const QString &fromPath, int year);

} // namespace tama
