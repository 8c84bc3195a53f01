#pragma once

#include "store/datafolder.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace tama {

// Organising a diary: the deletion candidates are dropped and the other cards put in
// order of visit date and start time, cards of equal date and time keeping their order.
struct OrganisePlan {
    int before = 0;     // cards in the diary as it is
    QList<int> dropped; // numbers of the deletion candidates, ascending
    QList<int> order;   // for each card of the organised diary, its number before

    int after() const { return int(order.size()); }
    // The new-card place of the organised diary.
    int newCardNumber() const { return after() + 1; }
    // Kept cards whose number changes.
    int moved() const;
};

// The plan for 240-byte card records as stored (record 1 first).
OrganisePlan planOrganise(const QList<QByteArray> &records);
// The records of the organised diary, byte for byte as they were.
QList<QByteArray> organisedRecords(const QList<QByteArray> &records, const OrganisePlan &plan);

// Organises the diary file: one read, one rewrite through the scratch file, so that a
// crash leaves either the diary as it was or the organised one. Throws StoreError; the
// file is then unchanged.
OrganisePlan organiseDiary(const DataFolder &folder, const QString &fileName);

} // namespace tama
