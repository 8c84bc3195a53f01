#include "views/allselect.h"
#include "app/storeerrorreport.h"

#include "app/named.h"
#include "app/windowregistry.h"
#include "common/dialogs.h"
#include "reports/yearlistfilter.h"
#include "store/storeerror.h"
#include "views/listview.h"
#include "views/tyoimati.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QScopedValueRollback>

using namespace Qt::Literals::StringLiterals;

namespace tama {

allSelect::allSelect(WindowRegistry &registry) : m_registry(registry), m_selection(registry.state().folder) {
    setObjectName(u"allSelect"_s);
    setWindowTitle(u"条件指定"_s);

    Label1 = named(new QLabel(u"店名"_s, this), u"Label1"_s);
    List1 = named(new SelectionList(this), u"List1"_s);
    Check1 = named(new QCheckBox(u"全選択"_s, this), u"Check1"_s);
    Label2 = named(new QLabel(u"機種"_s, this), u"Label2"_s);
    List2 = named(new SelectionList(this), u"List2"_s);
    Check2 = named(new QCheckBox(u"全選択"_s, this), u"Check2"_s);
    Label3 = named(new QLabel(u"機種名"_s, this), u"Label3"_s);
    List3 = named(new SelectionList(this), u"List3"_s);
    Check3 = named(new QCheckBox(u"全選択"_s, this), u"Check3"_s);
    Command1 = named(new QPushButton(u"OK"_s, this), u"Command1"_s);
    Command1->setDefault(true); // Enter anywhere in the window
    Command2 = named(new QPushButton(u"ｷｬﾝｾﾙ"_s, this), u"Command2"_s);

    // A click toggles an entry.
    for (SelectionList *l : {List1, List2, List3})
        l->setSelectionMode(QAbstractItemView::MultiSelection);
    Label1->setBuddy(List1);
    Label2->setBuddy(List2);
    Label3->setBuddy(List3);
    List1->setMinimumWidth(180);
    List2->setMinimumWidth(140);
    List3->setMinimumWidth(220);
    List1->setMinimumHeight(260);

    auto *grid = new QGridLayout;
    QLabel *labels[] = {Label1, Label2, Label3};
    SelectionList *lists[] = {List1, List2, List3};
    QCheckBox *checks[] = {Check1, Check2, Check3};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(labels[i], 0, i);
        grid->addWidget(lists[i], 1, i);
        grid->addWidget(checks[i], 2, i);
    }
    grid->setColumnStretch(2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    connect(Check1, &QCheckBox::stateChanged, this, &allSelect::Check1_Click);
    connect(Check2, &QCheckBox::stateChanged, this, &allSelect::Check2_Click);
    connect(Check3, &QCheckBox::stateChanged, this, &allSelect::Check3_Click);
    connect(List1, &SelectionList::itemSelectionChanged, this,
            [this] { listClicked(YearListSelection::Stores); });
    connect(List2, &SelectionList::itemSelectionChanged, this,
            [this] { listClicked(YearListSelection::Categories); });
    connect(List3, &SelectionList::itemSelectionChanged, this,
            [this] { listClicked(YearListSelection::Models); });
    connect(&m_selection, &YearListSelection::changed, this, &allSelect::showPart);
    connect(Command1, &QPushButton::clicked, this, &allSelect::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &allSelect::Command2_Click);

    Form_Load();
}

void allSelect::Form_Load() {
    for (const StoreError &e : m_selection.load())
        reportStoreError(e);
}

// The list, its selection and its check box as the selection has them.
void allSelect::showPart(YearListSelection::Part part) {
    if (part == m_clicked) return;
    const QScopedValueRollback showing(m_showing, true);
    SelectionList *lists[] = {List1, List2, List3};
    QCheckBox *checks[] = {Check1, Check2, Check3};
    SelectionList *list = lists[part];
    const QList<FilterEntry> &entries = m_selection.entries(part);
    QStringList texts;
    texts.reserve(entries.size());
    for (const FilterEntry &e : entries)
        texts.append(e.text);
    if (list->count() != entries.size() || texts != list->texts()) list->setTexts(texts);
    QItemSelection selected;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!entries[i].selected) continue;
        qsizetype end = i;
        while (end + 1 < entries.size() && entries[end + 1].selected)
            ++end;
        selected.select(list->model()->index(int(i), 0), list->model()->index(int(end), 0));
        i = end;
    }
    list->selectionModel()->select(selected, QItemSelectionModel::ClearAndSelect);
    checks[part]->setChecked(m_selection.allOn(part));
    // A list under 全選択 takes no clicks.
    list->setEnabled(!m_selection.allOn(part));
}

void allSelect::listClicked(YearListSelection::Part part) {
    if (m_showing) return;
    SelectionList *lists[] = {List1, List2, List3};
    QList<bool> selected;
    for (int i = 0; i < lists[part]->count(); ++i)
        selected.append(lists[part]->isRowSelected(i));
    const QScopedValueRollback clicked(m_clicked, int(part));
    try {
        m_selection.setSelected(part, selected);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void allSelect::Check1_Click() {
    if (!m_showing) m_selection.setAll(YearListSelection::Stores, Check1->isChecked());
}
void allSelect::Check2_Click() {
    if (m_showing) return;
    try {
        m_selection.setAll(YearListSelection::Categories, Check2->isChecked());
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}
void allSelect::Check3_Click() {
    if (!m_showing) m_selection.setAll(YearListSelection::Models, Check3->isChecked());
}

void allSelect::Command1_Click() {
    m_registry.unload<tyoimati>();
    tyoimati *wait = m_registry.get<tyoimati>();
    wait->show();
    m_registry.unload<listview>();
    m_registry.show<listview>();
}

void allSelect::Command2_Click() {
    m_registry.unload<listview>();
    m_registry.unload<allSelect>();
}

} // namespace tama
