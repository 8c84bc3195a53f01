#include "reports/yearlistfilter.h"

#include "common/text.h"
#include "reports/viewtext.h"
#include "store/catalogue.h"
#include "store/diary.h"
#include "store/storefile.h"

#include <QHash>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

QSet<QString> selectedTexts(const QList<FilterEntry> &entries) {
    QSet<QString> set;
    for (const FilterEntry &e : entries)
        if (e.selected) set.insert(trimRight(e.text));
    return set;
}

} // namespace

QList<FilterEntry> allSelected(const QStringList &texts) {
    QList<FilterEntry> out;
    out.reserve(texts.size());
    for (const QString &t : texts)
        out.append({t, true});
    return out;
}

QStringList YearListFilter::categoryEntries() {
    QStringList out;
    for (const CategoryInfo *c : categoriesByCardCode())
        out.append(c->caption);
    return out;
}

QStringList YearListFilter::storeEntries(const DataFolder &folder) {
    return StoreFile(folder, true).list();
}

QStringList YearListFilter::modelEntries(const DataFolder &folder, const QList<bool> &categoriesSelected) {
    QStringList out;
    for (int i = 0; i < 5 && i < categoriesSelected.size(); ++i) {
        if (!categoriesSelected[i]) continue;
        // The category list follows the card codes "1" to "5".
        out += ModelCatalogue(folder, *categoriesByCardCode()[i], true).list();
    }
    sortLikeList(out);
    return out;
}

void YearListFilter::sortLikeList(QStringList &entries) {
    QList<std::pair<QString, QString>> keyed;
    keyed.reserve(entries.size());
    for (const QString &e : entries)
        keyed.append({e.toCaseFolded(), e});
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (qsizetype i = 0; i < keyed.size(); ++i)
        entries[i] = keyed[i].second;
}

YearListFilter YearListFilter::initial(const DataFolder &folder) {
    return YearListFilter(allSelected(storeEntries(folder)),
                          allSelected(modelEntries(folder, QList<bool>(5, true))));
}

YearListFilter YearListFilter::initialFor(const DataFolder &folder, const QSet<QString> &storeKeys,
                                          const QSet<QString> &modelKeys) {
    QList<FilterEntry> stores;
    StoreFile(folder, true).forEachName([&](const QString &name) {
        if (storeKeys.contains(trimRight(name))) stores.append({name, true});
    });
    QList<FilterEntry> models;
    for (const CategoryInfo *category : categoriesByCardCode())
        ModelCatalogue(folder, *category, true).forEachName([&](const QString &name) {
            if (modelKeys.contains(trimRight(name))) models.append({name, true});
        });
    return YearListFilter(std::move(stores), std::move(models));
}

YearListFilter YearListFilter::initialForDiary(const DataFolder &folder, const QString &diaryFileName) {
    // Only the entries the diary's cards can match matter, so the diary's keys are
    // gathered first and the store file and catalogues are then read for those alone,
    // however large they are. One card of each distinct stored store and model name is
    // enough to know the keys, so the gathering pass compares bytes and decodes nothing.
    QHash<QByteArray, QByteArray> byStore;
    QHash<QByteArray, QByteArray> byModel;
    {
        const RecordLayout &layout = cardLayout();
        const int storeAt = layout.offset(CardRecord::StoreName);
        const int storeWidth = layout.field(CardRecord::StoreName).width;
        const int modelAt = layout.offset(CardRecord::ModelName);
        const int modelWidth = layout.field(CardRecord::ModelName).width;
        auto note = [&](QHash<QByteArray, QByteArray> &seen, const char *bytes, int at, int width) {
            if (!seen.contains(QByteArray::fromRawData(bytes + at, width)))
                seen.insert(QByteArray(bytes + at, width), QByteArray(bytes, layout.length()));
        };
        const DiaryFile diary(folder, diaryFileName, RecordFile::Mode::ReadOnly);
        diary.forEachRaw([&](int, const char *bytes) {
            note(byStore, bytes, storeAt, storeWidth);
            note(byModel, bytes, modelAt, modelWidth);
        });
    }
    QSet<QString> storeKeys;
    QSet<QString> modelKeys;
    for (const QByteArray &bytes : std::as_const(byStore))
        storeKeys.insert(storeKey(CardText(CardRecord(Record::fromBytes(cardLayout(), bytes)))).toString());
    for (const QByteArray &bytes : std::as_const(byModel))
        modelKeys.insert(modelKey(CardText(CardRecord(Record::fromBytes(cardLayout(), bytes)))).toString());
    return initialFor(folder, storeKeys, modelKeys);
}

QStringView YearListFilter::storeKey(const CardText &card) {
    using namespace viewtext;
    return trimmedRight(leftOf(card.field(CardRecord::StoreName), 10));
}

QStringView YearListFilter::modelKey(const CardText &card) {
    using namespace viewtext;
    return trimmedRight(leftOf(card.field(CardRecord::ModelName), 15));
}

YearListFilter YearListFilter::everything() {
    return YearListFilter();
}

YearListFilter::YearListFilter(QList<FilterEntry> stores, QList<FilterEntry> models)
    : m_stores(std::move(stores)), m_models(std::move(models)), m_storeSet(selectedTexts(m_stores)),
      m_modelSet(selectedTexts(m_models)), m_filters(true) {}

bool YearListFilter::passes(const CardRecord &card) const {
    return !m_filters || passes(CardText(card));
}

bool YearListFilter::passes(const CardText &card) const {
    using namespace viewtext;
    if (!m_filters) return true;
    return m_storeSet.contains(rawText(storeKey(card))) && m_modelSet.contains(rawText(modelKey(card)));
}

} // namespace tama
