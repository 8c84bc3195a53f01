#pragma once

#include "store/datafolder.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tama {

class CardRecord;
class CardText;

// One entry of a selection list: its text as shown and whether it is selected.
struct FilterEntry {
    QString text;
    bool selected = true;
    bool operator==(const FilterEntry &) const = default;
};

// Every text, selected.
QList<FilterEntry> allSelected(const QStringList &texts);

// The store and model selections that decide which cards the year list shows.
class YearListFilter {
  public:
    // The five categories of the category list, in the order of the card's codes 1 to 5.
    static QStringList categoryEntries();
    // The store list: every store of the store file, trimmed at the right, in record order.
    static QStringList storeEntries(const DataFolder &folder);
    // The model list for a category selection (index as in categoryEntries()): the models
    // of each selected category's catalogue, trimmed at the right, in list order.
    static QStringList modelEntries(const DataFolder &folder, const QList<bool> &categoriesSelected);
    // List order: ascending text without regard to case; equal texts keep their order.
    static void sortLikeList(QStringList &entries);

    // Everything selected, as the filter window opens.
    static YearListFilter initial(const DataFolder &folder);
    // The same filter for cards whose keys (the first 10 characters of the store name,
    // the first 15 of the model name, trimmed at the right) are among these: it lets the
    // same cards pass but holds only the entries that match one of the keys, so that
    // catalogues at their largest need not be held to list a diary.
    static YearListFilter initialFor(const DataFolder &folder, const QSet<QString> &storeKeys,
                                     const QSet<QString> &modelKeys);
    // The starting filter for one diary: initialFor with the keys of the diary's cards,
    // read a block at a time. Throws StoreError when the diary cannot be read.
    static YearListFilter initialForDiary(const DataFolder &folder, const QString &diaryFileName);
    // The keys of a card as initialFor takes them; they refer to the card's text.
    static QStringView storeKey(const CardText &card);
    static QStringView modelKey(const CardText &card);

    // No filter at all: every card passes.
    static YearListFilter everything();

    YearListFilter(QList<FilterEntry> stores, QList<FilterEntry> models);

    const QList<FilterEntry> &stores() const { return m_stores; }
    const QList<FilterEntry> &models() const { return m_models; }
    bool filters() const { return m_filters; }

    // A card passes when a selected store entry equals the first 10 characters of its
    // store name and a selected model entry the first 15 of its model name (both
    // trimmed at the right).
    bool passes(const CardRecord &card) const;
    bool passes(const CardText &card) const;

  private:
    YearListFilter() = default;

    QList<FilterEntry> m_stores;
    QList<FilterEntry> m_models;
    QSet<QString> m_storeSet;
    QSet<QString> m_modelSet;
    bool m_filters = false;
};

} // namespace tama
