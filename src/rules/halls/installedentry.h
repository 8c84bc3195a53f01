#pragma once

#include "store/modellist.h"

#include <QList>
#include <QString>
#include <QStringList>

// The entries of a store's installed-model list as the store settings window shows
// them: the model text, filler up to 15 characters, then the section code written
// with a leading space (" 3"), so that the last character is the code digit.
namespace tama::installed {

constexpr int kModelWidth = 15;

// An entry for a model line read from the store's list file: full-width filler.
QString entryFromFile(const QString &line, int section);
// An entry for a model taken from a catalogue: half-width filler.
QString entryFromCatalogue(const QString &name, int section);

// The code digit at the end of an entry (0 when it is no digit).
int section(const QString &entry);
// The model line an entry is written as: its first 15 characters, trimmed at the right.
QString modelLine(const QString &entry);
// Whether an entry names the catalogue model name: both compared in their stored form,
// so that filler, half-width text and names longer than 15 characters match what
// would be written.
bool namesModel(const QString &entry, const QString &name);

// Stable by code, ascending: equal codes keep the order in which they were added.
QStringList sortedBySection(const QStringList &entries);

QList<ModelListEntry> toModelList(const QStringList &entries);
QStringList fromModelList(const QList<ModelListEntry> &list);

// The list to save for a store whose stored list was not shown: the stored entries,
// less those that an added entry replaces, then the added entries. Nothing stored is
// lost by a save that did not start from the stored list.
QStringList mergedWithStored(const QStringList &stored, const QStringList &added);

} // namespace tama::installed
