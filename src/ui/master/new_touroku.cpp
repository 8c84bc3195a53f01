#include "master/new_touroku.h"

#include "app/named.h"
#include "app/storeerrorreport.h"
#include "app/windowregistry.h"
#include "card/cardentry.h"
#include "cardscreen/patincomain.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "store/category.h"
#include "store/modellist.h"
#include "store/storeerror.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// An entry: the model, half-width filler up to 30 characters, the section code with a
// leading space, so that its last character is the code.
QString entry(const QString &model, qsizetype length, int section) {
    return model + QString(qMax<qsizetype>(0, 30 - length), u' ') + numberToText(section);
}

const QString kNoStore = u"店名が入力又は選択されていません。"_s;

} // namespace

New_touroku::New_touroku(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"New_touroku"_s);
    setWindowTitle(u"店データに登録"_s);

    Label5 = named(new QLabel(u"店データファイルに機種を登録します"_s, this), u"Label5"_s);
    Label2 = named(new QLabel(u"店名"_s, this), u"Label2"_s);
    List1 = named(new QListWidget(this), u"List1"_s);
    Label1 = named(new QLabel(u"登録する機種"_s, this), u"Label1"_s);
    List3 = named(new QListWidget(this), u"List3"_s);
    Label4 = named(new QLabel(u"↓"_s, this), u"Label4"_s);
    Label3 = named(new QLabel(u"置いてある全機種名"_s, this), u"Label3"_s);
    List2 = named(new QListWidget(this), u"List2"_s);
    Command1 = named(new QPushButton(u"OK"_s, this), u"Command1"_s);
    Command1->setDefault(true); // Enter anywhere in the window
    Command2 = named(new QPushButton(u"ｷｬﾝｾﾙ"_s, this), u"Command2"_s);

    // One line each for the store and the model; the entries align their codes.
    QFont fixed(u"IPAGothic"_s);
    fixed.setStyleHint(QFont::TypeWriter);
    for (QListWidget *l : {List1, List3, List2})
        l->setFont(fixed);
    const int line = List1->fontMetrics().height() + 8;
    List1->setFixedHeight(line);
    List3->setFixedHeight(line);
    List2->setMinimumWidth(List2->fontMetrics().horizontalAdvance(QString(34, u'0')));

    auto *grid = new QGridLayout;
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(List1, 0, 1);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(List3, 1, 1);
    grid->addWidget(Label4, 2, 1, Qt::AlignHCenter);
    grid->addWidget(Label3, 3, 0, Qt::AlignTop);
    grid->addWidget(List2, 3, 1);
    grid->setRowStretch(3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *top = new QVBoxLayout(this);
    top->addWidget(Label5);
    top->addLayout(grid, 1);
    top->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &New_touroku::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &New_touroku::Command2_Click);

    Form_Load();
}

QString New_touroku::storeName() const {
    return m_store;
}

void New_touroku::Form_Load() {
    const PatincoMain *main = m_registry.find<PatincoMain>();
    if (!main) return;
    const CardControls &card = main->editor().card();
    const CategoryInfo *category = categoryByOption(card.category);
    const int k = category ? category->sectionCode : 0;
    m_store = card.store;
    List1->addItem(m_store);
    const QString model = card.model;
    m_newEntry = entry(toFullWidth(model), trimRight(model).size(), k);
    List3->addItem(m_newEntry);

    List2->clear();
    if (modelListFileName(storeName()).isEmpty()) {
        InfoBox(kNoStore, u"注意"_s);
        return;
    }
    try {
        for (const ModelListEntry &e : ModelListFile(m_registry.state().folder, storeName()).read())
            m_entries.append(entry(e.model, e.model.size(), e.section));
        List2->addItems(m_entries);
    } catch (const StoreError &e) {
        reportStoreError(e);
        return;
    }
    Beep();
}

void New_touroku::Command1_Click() {
    QStringList entries = m_entries;
    if (!m_newEntry.isEmpty()) entries.append(m_newEntry);
    // By the code at the end of each entry; a model keeps its place among its section.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const QString &a, const QString &b) { return a.right(1) < b.right(1); });
    m_entries = entries;
    List2->clear();
    List2->addItems(entries);

    if (modelListFileName(storeName()).isEmpty()) {
        InfoBox(kNoStore, u"注意"_s);
        return;
    }
    QList<ModelListEntry> lines;
    for (const QString &e : entries)
        lines.append({trimRight(toFullWidth(e).left(15)), int(textToNumber(e.right(1)))});
    try {
        ModelListFile(m_registry.state().folder, storeName()).write(lines);
    } catch (const StoreError &e) {
        reportStoreError(e);
        return;
    }
    hide();
    m_registry.unload<New_touroku>();
}

void New_touroku::Command2_Click() {
    hide();
    m_registry.unload<New_touroku>();
}

void New_touroku::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.unload<New_touroku>();
}

} // namespace tama
