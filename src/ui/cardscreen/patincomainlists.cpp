// The card screen's hall and model lists: filled from the files when they open.
#include "app/storeerrorreport.h"
#include "app/windowregistry.h"
#include "cardscreen/patincomain.h"
#include "common/dialogs.h"
#include "master/search_kisyu.h"
#include "store/category.h"
#include "store/modellist.h"
#include "store/storefile.h"

#include <QScopedValueRollback>

using namespace Qt::Literals::StringLiterals;

namespace tama {

void PatincoMain::ClearCategory() {
    m_editor.clearCategory();
    draw();
}

// The model list of the store shown, for the category chosen.
void PatincoMain::fillModelList() {
    if (const CategoryInfo *c = categoryByOption(m_editor.card().category)) ChooseCategory(c->marker());
}

void PatincoMain::ChooseCategory(const QString &marker) {
    const QString model = m_editor.card().model;
    {
        const QScopedValueRollback drawing(m_drawing, true);
        Combo2->clear();
        Combo2->clearEditText();
    }
    const QString store = m_editor.card().store;
    if (modelListFileName(store).isEmpty()) {
        InfoBox(u"店名が選択または入力されていません。"_s, u"注意"_s);
        m_editor.setModel(QString());
        return;
    }
    const QScopedValueRollback drawing(m_drawing, true);
    try {
        Combo2->addItems(ModelListFile(m_registry.state().folder, store).section(marker));
    } catch (const StoreError &e) {
        reportStoreError(e); // a name the code page lacks: no list file is made for it
    }
    Combo2->addItem(kModelSearchEntry);
    Combo2->setCurrentIndex(-1); // a list filled is not a model chosen
    Combo2->setEditText(model);
}

// A category clicked lists the store's models of it; no model is chosen yet.
void PatincoMain::Option_Click(int option) {
    m_editor.setCategory(option);
    m_editor.setModel(QString());
    fillModelList();
    draw();
}

void PatincoMain::Combo1_DropDown() {
    // The list always reflects the file; the text in the box stays as it is.
    const QScopedValueRollback drawing(m_drawing, true);
    Combo1->clear();
    Combo1->setEditText(m_editor.card().store);
    try {
        for (const QString &name : StoreFile(m_registry.state().folder).list())
            Combo1->addEntry(name);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

// The store chosen goes to the front of the store file, so recent stores come first.
void PatincoMain::Combo1_Click() {
    m_editor.setStore(Combo1->currentText());
    ClearCategory();
    const int i = Combo1->currentIndex();
    if (i < 0) return;
    try {
        StoreFile(m_registry.state().folder).moveToFront(Combo1->itemText(i));
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void PatincoMain::Combo2_DropDown() {
    if (m_editor.card().category == 0) InfoBox(u"機種が選択されてません"_s, u"注意"_s);
}

void PatincoMain::Combo2_Click() {
    m_editor.setModel(Combo2->currentText());
    if (Combo2->currentText() != kModelSearchEntry) return;
    // A search left open from before would list another category.
    m_registry.unload<search_kisyu>();
    m_registry.show<search_kisyu>();
}

} // namespace tama
