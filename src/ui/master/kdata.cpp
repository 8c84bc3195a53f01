#include "master/kdata.h"
#include "app/windowhelpers.h"

#include "app/named.h"
#include "app/storeerrorreport.h"
#include "app/windowregistry.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "store/backup.h"
#include "store/catalogue.h"
#include "store/storeerror.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

KDATA::KDATA(WindowRegistry &registry) : m_registry(registry) {
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
    top->addStretch();
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
        for (const QString &name : ModelCatalogue(m_registry.state().folder, c).list())
            Combo1->addEntry(name);
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
                ModelCatalogue(m_registry.state().folder, *c).add(Combo1->currentText()))
            Combo1->addEntry(*added);
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
