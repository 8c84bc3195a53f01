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

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

QList<FilterEntry> entriesOf(const SelectionList *list) {
    QList<FilterEntry> out;
    out.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        out.append({list->text(i), list->isRowSelected(i)});
    return out;
}

} // namespace

allSelect::allSelect(WindowRegistry &registry) : m_registry(registry) {
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
    connect(List2, &SelectionList::itemSelectionChanged, this, &allSelect::List2_Click);
    connect(Command1, &QPushButton::clicked, this, &allSelect::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &allSelect::Command2_Click);

    Form_Load();
}

void allSelect::Form_Load() {
    const DataFolder &folder = m_registry.state().folder;
    try {
        List1->addItems(YearListFilter::storeEntries(folder));
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    List2->addItems(YearListFilter::categoryEntries());
    // Checking the boxes selects every entry and locks the lists; selecting the
    // categories fills List3.
    for (QCheckBox *c : {Check1, Check2, Check3}) {
        const QSignalBlocker quiet(c);
        c->setChecked(true);
    }
    Check1_Click();
    Check2_Click();
    Check3_Click();
}

void allSelect::applyCheckRule(QCheckBox *box, SelectionList *list) {
    if (box->checkState() == Qt::Checked) {
        list->selectAll();
        list->setEnabled(false);
    } else if (box->checkState() == Qt::Unchecked) {
        list->clearSelection();
        list->setEnabled(true);
    }
}

void allSelect::Check1_Click() {
    applyCheckRule(Check1, List1);
}
void allSelect::Check2_Click() {
    applyCheckRule(Check2, List2);
}
void allSelect::Check3_Click() {
    applyCheckRule(Check3, List3);
}

void allSelect::List2_Click() {
    List3->clear();
    QList<bool> selected;
    for (int i = 0; i < List2->count(); ++i)
        selected.append(List2->isRowSelected(i));
    try {
        List3->addItems(YearListFilter::modelEntries(m_registry.state().folder, selected));
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    {
        const QSignalBlocker quiet(Check3);
        Check3->setChecked(true);
    }
    Check3_Click();
}

YearListFilter allSelect::filter() const {
    return YearListFilter(entriesOf(List1), entriesOf(List3));
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
