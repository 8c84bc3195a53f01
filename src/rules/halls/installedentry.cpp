#include "halls/installedentry.h"

#include "common/text.h"
#include "store/catalogue.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama::installed {

namespace {

QString withFiller(const QString &text, QChar space, int section) {
    // Names longer than the width get no filler; they are cut when written.
    const qsizetype fill = qMax<qsizetype>(0, kModelWidth - trimRight(text).size());
    return text + QString(fill, space) + numberToText(section);
}

QString modelOf(const QString &entry) {
    // Everything before the code and its leading space.
    return entry.size() >= 2 ? entry.chopped(2) : QString();
}

} // namespace

QString entryFromFile(const QString &line, int section) {
    return withFiller(trimRight(line), QChar(0x3000), section);
}

QString entryFromCatalogue(const QString &name, int section) {
    return withFiller(name, u' ', section);
}

int section(const QString &entry) {
    if (entry.isEmpty()) return 0;
    return int(textToNumber(entry.right(1)));
}

QString modelLine(const QString &entry) {
    return trimRight(entry.left(kModelWidth));
}

bool namesModel(const QString &entry, const QString &name) {
    return storedModelName(modelOf(entry)) == storedModelName(name);
}

QStringList sortedBySection(const QStringList &entries) {
    QStringList sorted = entries;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QString &a, const QString &b) { return section(a) < section(b); });
    return sorted;
}

QList<ModelListEntry> toModelList(const QStringList &entries) {
    QList<ModelListEntry> out;
    out.reserve(entries.size());
    for (const QString &e : entries)
        out.append({modelLine(e), section(e)});
    return out;
}

QStringList fromModelList(const QList<ModelListEntry> &list) {
    QStringList out;
    out.reserve(list.size());
    for (const ModelListEntry &e : list)
        out.append(entryFromFile(e.model, e.section));
    return out;
}

QStringList mergedWithStored(const QStringList &stored, const QStringList &added) {
    QStringList out;
    for (const QString &s : stored) {
        const bool replaced = std::any_of(added.begin(), added.end(),
                                          [&](const QString &a) { return namesModel(s, modelOf(a)); });
        if (!replaced) out.append(s);
    }
    out.append(added);
    return out;
}

} // namespace tama::installed
