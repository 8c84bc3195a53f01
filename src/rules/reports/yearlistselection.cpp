#include "reports/yearlistselection.h"

namespace tama {

YearListSelection::YearListSelection(DataFolder folder, QObject *parent)
    : QObject(parent), m_folder(std::move(folder)) {}

QList<StoreError> YearListSelection::load() {
    QList<StoreError> problems;
    m_all = {true, true, true};
    m_entries[Stores].clear();
    try {
        m_entries[Stores] = allSelected(YearListFilter::storeEntries(m_folder));
    } catch (const StoreError &e) {
        problems.append(e);
    }
    emit changed(Stores);
    m_entries[Categories] = allSelected(YearListFilter::categoryEntries());
    emit changed(Categories);
    try {
        listModels();
    } catch (const StoreError &e) {
        problems.append(e);
    }
    return problems;
}

void YearListSelection::listModels() {
    QList<bool> categories;
    for (const FilterEntry &e : std::as_const(m_entries[Categories]))
        categories.append(e.selected);
    m_all[Models] = true;
    m_entries[Models].clear();
    try {
        m_entries[Models] = allSelected(YearListFilter::modelEntries(m_folder, categories));
    } catch (...) {
        emit changed(Models);
        throw;
    }
    emit changed(Models);
}

void YearListSelection::setAll(Part part, bool on) {
    m_all[part] = on;
    for (FilterEntry &e : m_entries[part])
        e.selected = on;
    if (part == Categories) listModels();
    emit changed(part);
}

void YearListSelection::setSelected(Part part, const QList<bool> &selected) {
    QList<FilterEntry> &entries = m_entries[part];
    bool same = true;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const bool on = i < selected.size() && selected[i];
        same = same && entries[i].selected == on;
        entries[i].selected = on;
    }
    // A change of categories lists their models afresh, even to the same choice.
    if (part == Categories)
        listModels();
    else if (!same)
        emit changed(part);
}

YearListFilter YearListSelection::filter() const {
    return YearListFilter(m_entries[Stores], m_entries[Models]);
}

} // namespace tama
