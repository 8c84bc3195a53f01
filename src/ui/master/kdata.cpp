#include "master/kdata.h"
#include "app/windowhelpers.h"

#include "app/named.h"
#include "app/storeerrorreport.h"
#include "app/windowregistry.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "store/backup.h"
#include "store/catalogue.h"
#include "store/storeerror.h"
#include "store/storefile.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

KDATA::KDATA(WindowRegistry &registry) : m_registry(registry), m_db(registry.state()) {
    setObjectName(u"KDATA"_s);
    setWindowTitle(u"機種設定"_s);

    Frame1 = named(new QGroupBox(u"機種"_s, this), u"Frame1"_s);
    Option1 = categoryButton(1, 1, Frame1);
    Option2 = categoryButton(2, 1, Frame1);
    Option3 = categoryButton(3, 1, Frame1);
    Option4 = categoryButton(4, 1, Frame1);
    Option5 = categoryButton(5, 1, Frame1);
    Label1 = named(new QLabel(u"機種名"_s, this), u"Label1"_s);
    Combo1 = named(new PopupComboBox(this), u"Combo1"_s);
    Label1->setBuddy(Combo1);
    Command1 = named(new QPushButton(u"登録"_s, this), u"Command1"_s);
    Command4 = named(new QPushButton(u"削除"_s, this), u"Command4"_s);
    Command2 = named(new QPushButton(u"詳細"_s, this), u"Command2"_s);
    Command3 = named(new QPushButton(u"戻る"_s, this), u"Command3"_s);

    // Room for a model name of 15 full-width characters.
    Combo1->setMinimumContentsLength(17);
    Combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    auto *options = new QHBoxLayout(Frame1);
    for (QRadioButton *o : {Option1, Option2, Option3, Option4, Option5}) {
        options->addWidget(o);
        o->installEventFilter(this);
    }

    auto *model = new QHBoxLayout;
    model->addWidget(Label1);
    model->addWidget(Combo1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *b : {Command1, Command4, Command2, Command3})
        buttons->addWidget(b);

    auto *top = new QVBoxLayout(this);
    top->addWidget(Frame1);
    top->addLayout(model);
    top->addWidget(buildSpecs(), 1);
    top->addLayout(buttons);

    connect(Option1, &QRadioButton::clicked, this, &KDATA::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &KDATA::Option2_Click);
    connect(Option3, &QRadioButton::clicked, this, &KDATA::Option3_Click);
    connect(Option4, &QRadioButton::clicked, this, &KDATA::Option4_Click);
    connect(Option5, &QRadioButton::clicked, this, &KDATA::Option5_Click);
    connect(Command1, &QPushButton::clicked, this, &KDATA::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &KDATA::Command4_Click);
    connect(Command2, &QPushButton::clicked, this, &KDATA::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &KDATA::Command3_Click);
    // After the handlers above, so that the category and name they leave are the ones shown.
    for (QRadioButton *o : {Option1, Option2, Option3, Option4, Option5})
        connect(o, &QRadioButton::clicked, this, &KDATA::chooseSpecModel);
    connect(Combo1, &PopupComboBox::textTyped, this, &KDATA::chooseSpecModel);
    connect(Combo1, &PopupComboBox::entryChosen, this, &KDATA::chooseSpecModel);

    reloadSpecs();
}

QWidget *KDATA::buildSpecs() {
    SpecFrame = named(new QGroupBox(u"機種スペック"_s, this), u"SpecFrame"_s);
    SpecStatus = named(new QLabel(SpecFrame), u"SpecStatus"_s);
    SpecStatus->setWordWrap(true);
    SpecStatus->hide();
    auto *probabilityLabel = new QLabel(u"大当たり確率 1/"_s, SpecFrame);
    SpecProbability = named(new QLineEdit(SpecFrame), u"SpecProbability"_s);
    probabilityLabel->setBuddy(SpecProbability);
    auto *payoutLabel = new QLabel(u"平均出玉"_s, SpecFrame);
    SpecPayout = named(new QLineEdit(SpecFrame), u"SpecPayout"_s);
    payoutLabel->setBuddy(SpecPayout);
    auto *borderLabel = new QLabel(u"または 等価ボーダー"_s, SpecFrame);
    SpecBorder = named(new QLineEdit(SpecFrame), u"SpecBorder"_s);
    borderLabel->setBuddy(SpecBorder);
    SpecSet = named(new QPushButton(u"設定"_s, SpecFrame), u"SpecSet"_s);
    SpecRemove = named(new QPushButton(u"削除"_s, SpecFrame), u"SpecRemove"_s);
    SpecBorders = named(new QTreeWidget(SpecFrame), u"SpecBorders"_s);
    SpecBorders->setHeaderLabels({u"交換条件"_s, u"ボーダー 回/1000円"_s});
    SpecBorders->setRootIsDecorated(false);
    SpecBorders->setSelectionMode(QAbstractItemView::NoSelection);
    SpecBorders->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    SpecBorders->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    SpecBorders->setMinimumHeight(SpecBorders->fontMetrics().height() * 6);
    UnusedLabel = named(new QLabel(u"未使用（削除された機種のスペック）"_s, SpecFrame), u"UnusedLabel"_s);
    UnusedSpecs = named(new QTreeWidget(SpecFrame), u"UnusedSpecs"_s);
    UnusedSpecs->setHeaderLabels({u"機種"_s, u"機種名"_s, u"スペック"_s});
    UnusedSpecs->setRootIsDecorated(false);
    UnusedSpecs->setSelectionMode(QAbstractItemView::SingleSelection);
    UnusedSpecs->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    UnusedSpecs->setFixedHeight(UnusedSpecs->fontMetrics().height() * 5);
    UnusedRemove = named(new QPushButton(u"未使用を削除"_s, SpecFrame), u"UnusedRemove"_s);

    const int numberWidth = SpecPayout->fontMetrics().horizontalAdvance(u"00000.00"_s) + 12;
    for (QLineEdit *box : {SpecProbability, SpecPayout, SpecBorder})
        box->setMaximumWidth(numberWidth);

    auto *boxes = new QHBoxLayout;
    boxes->addWidget(probabilityLabel);
    boxes->addWidget(SpecProbability);
    boxes->addWidget(payoutLabel);
    boxes->addWidget(SpecPayout);
    boxes->addWidget(new QLabel(u"玉"_s, SpecFrame));
    boxes->addWidget(borderLabel);
    boxes->addWidget(SpecBorder);
    boxes->addStretch();
    boxes->addWidget(SpecSet);
    boxes->addWidget(SpecRemove);

    auto *unused = new QHBoxLayout;
    unused->addWidget(UnusedSpecs, 1);
    unused->addWidget(UnusedRemove, 0, Qt::AlignTop);

    auto *layout = new QVBoxLayout(SpecFrame);
    layout->addWidget(SpecStatus);
    layout->addLayout(boxes);
    layout->addWidget(SpecBorders);
    layout->addWidget(UnusedLabel);
    layout->addLayout(unused);

    for (QLineEdit *box : {SpecProbability, SpecPayout, SpecBorder})
        connect(box, &QLineEdit::returnPressed, this, &KDATA::SpecSet_Click);
    connect(SpecSet, &QPushButton::clicked, this, &KDATA::SpecSet_Click);
    connect(SpecRemove, &QPushButton::clicked, this, &KDATA::SpecRemove_Click);
    connect(UnusedRemove, &QPushButton::clicked, this, &KDATA::UnusedRemove_Click);
    return SpecFrame;
}

void KDATA::refreshCatalogue(const CategoryInfo &c) {
    try {
        m_specs.setCatalogue(c.option, ModelCatalogue(m_registry.state().folder, c, true).list());
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void KDATA::reloadSpecs() {
    const PlayDatabase *db = m_db.reading();
    const QList<ModelSpec> all = db ? db->modelSpecs() : QList<ModelSpec>();
    // Which 機種スペック are unused needs every catalogue, read only: looking creates none.
    QList<int> read;
    for (const ModelSpec &s : all) {
        if (read.contains(s.category)) continue;
        read.append(s.category);
        if (const CategoryInfo *c = categoryByOption(s.category)) refreshCatalogue(*c);
    }
    m_specs.setSpecs(all);
    chooseSpecModel();
}

void KDATA::chooseSpecModel() {
    const CategoryInfo *c = selectedCategory();
    m_specs.choose(c ? c->option : 0, Combo1->currentText());
    drawSpecs();
}

void KDATA::drawSpecs() {
    const QString why = m_db.unavailable();
    const QString problem = m_db.readProblem();
    if (!why.isEmpty())
        SpecStatus->setText(u"機種スペックは使えません: "_s + why);
    else if (!problem.isEmpty())
        SpecStatus->setText(u"機種スペックを読めませんでした: "_s + problem);
    else
        SpecStatus->clear();
    SpecStatus->setVisible(!SpecStatus->text().isEmpty());
    for (QWidget *w : std::initializer_list<QWidget *>{SpecProbability, SpecPayout, SpecBorder, SpecSet,
                                                       SpecRemove, SpecBorders, UnusedSpecs, UnusedRemove})
        w->setEnabled(why.isEmpty());
    SpecFrame->setTitle(m_specs.model().isEmpty() ? u"機種スペック"_s
                                                  : u"機種スペック − "_s + m_specs.model());

    const std::optional<ModelSpec> modelSpec = m_specs.current();
    const SpecInput boxes = modelSpec ? m_specs.boxesOf(*modelSpec) : SpecInput{};
    SpecProbability->setText(boxes.probability);
    SpecPayout->setText(boxes.payout);
    SpecBorder->setText(boxes.border);

    SpecBorders->clear();
    if (modelSpec) {
        // Each hall's terms in force today.
        QList<HallTerms> halls;
        if (const PlayDatabase *db = m_db.reading()) {
            try {
                const QDate today = clock().today();
                for (const QString &store : StoreFile(m_registry.state().folder, true).list())
                    if (const std::optional<HallTerms> t = db->termsOn(trim(store), today)) halls.append(*t);
            } catch (const StoreError &e) {
                reportStoreError(e);
            }
        }
        for (const BorderRow &r : SpecEditor::borders(*modelSpec, halls)) {
            auto *item = new QTreeWidgetItem(SpecBorders, {r.label, r.border});
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        }
    }

    const QSignalBlocker blockUnused(UnusedSpecs);
    UnusedSpecs->clear();
    const QList<SpecRow> unused = m_specs.unused();
    for (const SpecRow &r : unused)
        new QTreeWidgetItem(UnusedSpecs, {r.category, r.modelSpec.model, r.text});
    for (QWidget *w : std::initializer_list<QWidget *>{UnusedLabel, UnusedSpecs, UnusedRemove})
        w->setVisible(!unused.isEmpty());
}

void KDATA::SpecSet_Click() {
    try {
        const ModelSpec s = m_specs.parse({SpecProbability->text(), SpecPayout->text(), SpecBorder->text()});
        m_db.writing().setModelSpec(s);
    } catch (const StoreError &e) {
        reportStoreError(e);
        return; // the boxes keep what was typed, to be corrected
    }
    reloadSpecs();
}

void KDATA::SpecRemove_Click() {
    const std::optional<ModelSpec> modelSpec = m_specs.current();
    if (!modelSpec) {
        InfoBox(u"この機種にはスペックがありません"_s, u"注意"_s);
        return;
    }
    removeSpec(*modelSpec);
}

void KDATA::UnusedRemove_Click() {
    const QList<QTreeWidgetItem *> selected = UnusedSpecs->selectedItems();
    const QList<SpecRow> rows = m_specs.unused();
    const int i = selected.isEmpty() ? -1 : UnusedSpecs->indexOfTopLevelItem(selected.first());
    if (i < 0 || i >= rows.size()) {
        InfoBox(u"削除する未使用のスペックを一覧から選択してください"_s, u"注意"_s);
        return;
    }
    removeSpec(rows[i].modelSpec);
}

void KDATA::removeSpec(const ModelSpec &modelSpec) {
    if (ConfirmCancelled(u"["_s + modelSpec.model + u"] "_s + u"のスペックを削除しますか？"_s, u"削除"_s))
        return;
    try {
        m_db.writing().removeModelSpec(modelSpec.category, modelSpec.model);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    reloadSpecs();
}

bool KDATA::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (QRadioButton *o : {Option1, Option2, Option3, Option4, Option5}) {
            if (watched == o) {
                Option_DblClick();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void KDATA::listCatalogue(const CategoryInfo &c) {
    // Only the list is replaced: a name typed before the category was chosen stays.
    const QString typed = Combo1->currentText();
    Combo1->clear();
    Combo1->clearText();
    Combo1->setEditText(typed);
    try {
        const QStringList names = ModelCatalogue(m_registry.state().folder, c).list();
        for (const QString &name : names)
            Combo1->addEntry(name);
        m_specs.setCatalogue(c.option, names);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void KDATA::Option1_Click() {
    listCatalogue(*categoryByOption(1));
}
void KDATA::Option2_Click() {
    listCatalogue(*categoryByOption(2));
}
void KDATA::Option3_Click() {
    listCatalogue(*categoryByOption(3));
}
void KDATA::Option4_Click() {
    listCatalogue(*categoryByOption(4));
}
void KDATA::Option5_Click() {
    listCatalogue(*categoryByOption(5));
}
void KDATA::Option_DblClick() {
    Command2_Click();
}

const CategoryInfo *KDATA::selectedCategory() const {
    const QRadioButton *options[] = {Option1, Option2, Option3, Option4, Option5};
    for (int i = 0; i < 5; ++i)
        if (options[i]->isChecked()) return categoryByOption(i + 1);
    return nullptr;
}

void KDATA::Command1_Click() {
    const QString text = trimRight(Combo1->currentText());
    if (text.isEmpty()) {
        InfoBox(u"機種名を入力してください"_s, u"注意"_s);
        return;
    }
    if (ConfirmCancelled(u"["_s + text + u"] "_s + u"を新規登録します"_s, u"登録"_s)) return;
    const CategoryInfo *c = selectedCategory();
    if (!c) {
        InfoBox(u"機種を選択してください"_s, u"注意"_s);
        return;
    }
    try {
        if (const std::optional<QString> added =
                ModelCatalogue(m_registry.state().folder, *c).add(Combo1->currentText())) {
            Combo1->addEntry(*added);
            refreshCatalogue(*c);
            chooseSpecModel();
        }
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void KDATA::Command4_Click() {
    const QString text = trimRight(Combo1->currentText());
    if (text.isEmpty()) {
        InfoBox(u"機種名を入力してください"_s, u"注意"_s);
        return;
    }
    if (ConfirmCancelled(u"["_s + text + u"] "_s + u"を削除します"_s, u"削除"_s)) return;
    const int p = Combo1->listIndex();
    if (p < 0) return; // typed text names no entry of the list
    const CategoryInfo *c = selectedCategory();
    if (!c) return;
    try {
        backup::beforeOperation(m_registry.state().folder, backup::Reason::DeleteModel, text);
        ModelCatalogue(m_registry.state().folder, *c).deleteAt(p);
        // Leaves the box empty so that a second click cannot take the next model.
        Combo1->removeEntry(p);
        // Its 機種スペック stays in the database, listed as unused.
        refreshCatalogue(*c);
        chooseSpecModel();
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void KDATA::Command2_Click() {
    InfoBox(u"現在この機能は使用できません"_s, u"お知らせ"_s);
}

void KDATA::Command3_Click() {
    m_registry.unload<KDATA>();
}

void KDATA::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.unload<KDATA>();
}

} // namespace tama
