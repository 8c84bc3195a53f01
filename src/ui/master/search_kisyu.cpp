#include "master/search_kisyu.h"

#include "app/named.h"
#include "app/storeerrorreport.h"
#include "app/windowregistry.h"
#include "card/cardentry.h"
#include "cardscreen/patincomain.h"
#include "common/text.h"
#include "halls/listorder.h"
#include "store/catalogue.h"
#include "store/category.h"
#include "store/storeerror.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

search_kisyu::search_kisyu(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"search_kisyu"_s);
    setWindowTitle(u"該当機種を探す"_s);

    Label1 = named(new QLabel(u"機種名"_s, this), u"Label1"_s);
    List1 = named(new QListWidget(this), u"List1"_s);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    Label1->setBuddy(List1);
    Command1 = named(new QPushButton(u"OK"_s, this), u"Command1"_s);
    Command1->setDefault(true); // Enter anywhere in the window
    Command2 = named(new QPushButton(u"ｷｬﾝｾﾙ"_s, this), u"Command2"_s);

    // Room for a model name of 15 full-width characters.
    List1->setMinimumWidth(List1->fontMetrics().horizontalAdvance(QString(17, QChar(0x3000))));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *top = new QVBoxLayout(this);
    top->addWidget(Label1);
    top->addWidget(List1, 1);
    top->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &search_kisyu::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &search_kisyu::Command2_Click);
    connect(List1, &QListWidget::itemDoubleClicked, this, &search_kisyu::List1_DblClick);

    Form_Load();
}

void search_kisyu::Form_Load() {
    const PatincoMain *main = m_registry.find<PatincoMain>();
    if (!main) return;
    if (const CategoryInfo *c = categoryByOption(main->editor().card().category)) LoadCatalogueList(*c);
}

void search_kisyu::LoadCatalogueList(const CategoryInfo &category) {
    List1->clear();
    m_catalogue.clear();
    try {
        // The list box keeps its entries in text order, without regard to case.
        m_catalogue = inListOrder(ModelCatalogue(m_registry.state().folder, category).list());
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    List1->addItems(m_catalogue);
}

void search_kisyu::takeModel(const QString &model) {
    if (PatincoMain *main = m_registry.find<PatincoMain>()) main->setModelText(model);
    hide();
    m_registry.unload<search_kisyu>();
}

void search_kisyu::Command1_Click() {
    const QModelIndexList chosen = List1->selectionModel()->selectedRows();
    takeModel(chosen.isEmpty() ? QString() : m_catalogue.value(chosen.first().row()));
}

void search_kisyu::List1_DblClick() {
    Command1_Click();
}

void search_kisyu::Command2_Click() {
    takeModel(QString());
}

void search_kisyu::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.unload<search_kisyu>();
}

} // namespace tama
