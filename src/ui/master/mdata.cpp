#include "master/mdata.h"
#include "app/windowhelpers.h"

#include "app/fonts.h"
#include "app/named.h"
#include "app/storeerrorreport.h"
#include "app/windowregistry.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "halls/installedentry.h"
#include "halls/listorder.h"
#include "store/backup.h"
#include "store/catalogue.h"
#include "store/modellist.h"
#include "store/record.h"
#include "store/storeerror.h"
#include "store/storefile.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

MDATA::MDATA(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"MDATA"_s);
    setWindowTitle(u"店設定"_s);

    Label2 = named(new QLabel(u"店名"_s, this), u"Label2"_s);
    Combo1 = named(new PopupComboBox(this), u"Combo1"_s);
    Label2->setBuddy(Combo1);
    Label3 = named(new QLabel(u"置いてある機種名"_s, this), u"Label3"_s);
    List2 = named(new QListWidget(this), u"List2"_s);
    List2->setSelectionMode(QAbstractItemView::MultiSelection);
    Label3->setBuddy(List2);
    Command4 = named(new QPushButton(u"←"_s, this), u"Command4"_s);
    Command6 = named(new QPushButton(u"→"_s, this), u"Command6"_s);
    Label1 = named(new QLabel(u"全機種名"_s, this), u"Label1"_s);
    List1 = named(new QListWidget(this), u"List1"_s);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    Label1->setBuddy(List1);
    Frame3 = named(new QGroupBox(this), u"Frame3"_s);
    Option10 = categoryButton(1, 10, Frame3);
    Option11 = categoryButton(2, 10, Frame3);
    Option12 = categoryButton(3, 10, Frame3);
    Option13 = categoryButton(4, 10, Frame3);
    Option14 = categoryButton(5, 10, Frame3);
    Command1 = named(new QPushButton(u"登録"_s, this), u"Command1"_s);
    Command2 = named(new QPushButton(u"詳細"_s, this), u"Command2"_s);
    Command5 = named(new QPushButton(u"削除"_s, this), u"Command5"_s);
    Command3 = named(new QPushButton(u"戻る"_s, this), u"Command3"_s);

    // The entries carry full-width filler before their code: a fixed pitch lines the codes up.
    List2->setFont(listFont());
    List1->setFont(listFont());
    List2->setMinimumWidth(List2->fontMetrics().horizontalAdvance(QString(17, QChar(0x3000))) + 24);
    List1->setMinimumWidth(List1->fontMetrics().horizontalAdvance(QString(15, QChar(0x3000))) + 24);

    auto *options = new QVBoxLayout(Frame3);
    for (QRadioButton *o : {Option10, Option11, Option12, Option13, Option14})
        options->addWidget(o);
    options->addStretch();

    auto *arrows = new QVBoxLayout;
    arrows->addStretch();
    arrows->addWidget(Command4);
    arrows->addWidget(Command6);
    arrows->addStretch();

    auto *store = new QHBoxLayout;
    store->addWidget(Label2);
    store->addWidget(Combo1, 1);
    store->addStretch(1);

    auto *lists = new QGridLayout;
    lists->addWidget(Label3, 0, 0);
    lists->addWidget(List2, 1, 0);
    lists->addLayout(arrows, 1, 1);
    lists->addWidget(Label1, 0, 2);
    lists->addWidget(List1, 1, 2);
    lists->addWidget(Frame3, 1, 3);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(2, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *b : {Command1, Command2, Command5, Command3})
        buttons->addWidget(b);

    auto *top = new QVBoxLayout(this);
    top->addLayout(store);
    top->addLayout(lists, 1);
    top->addLayout(buttons);

    connect(Combo1, &PopupComboBox::textTyped, this, &MDATA::Combo1_Change);
    connect(Combo1, &PopupComboBox::entryChosen, this, &MDATA::Combo1_Click);
    connect(Combo1, &PopupComboBox::aboutToShowPopup, this, &MDATA::Combo1_DropDown);
    connect(Option10, &QRadioButton::clicked, this, &MDATA::Option10_Click);
    connect(Option11, &QRadioButton::clicked, this, &MDATA::Option11_Click);
    connect(Option12, &QRadioButton::clicked, this, &MDATA::Option12_Click);
    connect(Option13, &QRadioButton::clicked, this, &MDATA::Option13_Click);
    connect(Option14, &QRadioButton::clicked, this, &MDATA::Option14_Click);
    connect(Command4, &QPushButton::clicked, this, &MDATA::Command4_Click);
    connect(Command6, &QPushButton::clicked, this, &MDATA::Command6_Click);
    connect(Command1, &QPushButton::clicked, this, &MDATA::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &MDATA::Command2_Click);
    connect(Command5, &QPushButton::clicked, this, &MDATA::Command5_Click);
    connect(Command3, &QPushButton::clicked, this, &MDATA::Command3_Click);

    Form_Load();
}

void MDATA::Form_Load() {
    try {
        for (const QString &name : StoreFile(m_registry.state().folder).list())
            Combo1->addEntry(name);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void MDATA::LoadCatalogueList(const CategoryInfo &category) {
    List1->clear();
    try {
        List1->addItems(inListOrder(ModelCatalogue(m_registry.state().folder, category).list()));
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

QStringList MDATA::installedEntries() const {
    QStringList entries;
    for (int i = 0; i < List2->count(); ++i)
        entries.append(List2->item(i)->text());
    return entries;
}

void MDATA::showInstalled(const QStringList &entries) {
    // Selections stay with their entries when the order changes.
    QStringList selected;
    for (QListWidgetItem *item : List2->selectedItems())
        selected.append(item->text());
    List2->clear();
    for (const QString &e : entries) {
        List2->addItem(e);
        if (selected.removeOne(e)) List2->item(List2->count() - 1)->setSelected(true);
    }
}

void MDATA::forgetInstalled() {
    List2->clear();
    m_listOwner.clear();
}

void MDATA::Combo1_Change() {
    forgetInstalled();
}

void MDATA::Combo1_Click() {
    forgetInstalled();
    const QString text = Combo1->currentText();
    if (trimRight(modelListFileName(text)).isEmpty()) {
        InfoBox(u"店名を選択してください"_s, u"注意"_s);
        return;
    }
    try {
        const ModelListFile file(m_registry.state().folder, text);
        showInstalled(installed::fromModelList(file.read(true)));
        m_listOwner = file.fileName();
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

// Switching stores goes through the list, so the store shown is saved first.
void MDATA::Combo1_DropDown() {
    SaveStore();
}

void MDATA::SaveStore() {
    const QString text = Combo1->currentText();
    if (trimRight(text).isEmpty()) return;
    if (modelListFileName(text).isEmpty()) {
        InfoBox(u"店名を入力または選択してください"_s, u"注意"_s);
        return;
    }
    try {
        const DataFolder &folder = m_registry.state().folder;
        const ModelListFile file(folder, text);
        QStringList entries = installedEntries();
        bool write = true;
        if (file.fileName() != m_listOwner) {
            // List2 does not hold this store's stored list (the text was typed or
            // edited): what is stored is kept and what was added joins it.
            const QList<ModelListEntry> stored = file.read(false);
            if (!stored.isEmpty()) {
                if (entries.isEmpty())
                    write = false;
                else
                    entries = installed::mergedWithStored(installed::fromModelList(stored), entries);
            }
        }
        entries = installed::sortedBySection(entries);
        const QList<ModelListEntry> lines = installed::toModelList(entries);

        // Refuse before anything is written, not halfway.
        requireEncodable(storedStoreName(text), u"店名"_s);
        requireEncodable(file.fileName(), u"店名"_s); // the list file is named from the whole text
        for (const ModelListEntry &l : lines)
            requireEncodable(l.model, u"機種名"_s);

        if (const std::optional<QString> added = StoreFile(folder).add(text)) Combo1->addEntry(*added);
        if (!write) return;
        file.write(lines);
        showInstalled(entries);
        m_listOwner = file.fileName();
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void MDATA::chooseCategory(int sectionCode) {
    LoadCatalogueList(*categoryBySection(sectionCode));
    m_section = sectionCode;
}

void MDATA::Option10_Click() {
    chooseCategory(3);
}
void MDATA::Option11_Click() {
    chooseCategory(2);
}
void MDATA::Option12_Click() {
    chooseCategory(4);
}
void MDATA::Option13_Click() {
    chooseCategory(5);
}
void MDATA::Option14_Click() {
    chooseCategory(6);
}

void MDATA::Command4_Click() {
    for (int i = 0; i < List1->count(); ++i) {
        QListWidgetItem *source = List1->item(i);
        if (!source->isSelected()) continue;
        // One entry per model: taking it again under another category re-tags it.
        for (int j = List2->count() - 1; j >= 0; --j)
            if (installed::namesModel(List2->item(j)->text(), source->text())) delete List2->takeItem(j);
        List2->addItem(installed::entryFromCatalogue(source->text(), m_section));
    }
}

void MDATA::Command6_Click() {
    for (int i = 0; i < List2->count(); ++i) {
        if (List2->item(i)->isSelected()) {
            delete List2->takeItem(i);
            return;
        }
    }
}

void MDATA::Command1_Click() {
    const QString text = trimRight(Combo1->currentText());
    if (text.isEmpty()) {
        InfoBox(u"店名を入力または選択してください"_s, u"注意"_s);
        return;
    }
    if (ConfirmCancelled(u"["_s + text + u"] "_s + u"を変更もしくは新規登録します"_s, u"登録"_s)) return;
    SaveStore();
}

void MDATA::Command2_Click() {
    InfoBox(u"現在この機能は使用できません"_s, u"お知らせ"_s);
}

void MDATA::Command5_Click() {
    if (trimRight(Combo1->currentText()).isEmpty()) {
        InfoBox(u"店名を入力または選択してください"_s, u"注意"_s);
        return;
    }
    if (ConfirmCancelled(u"店データを削除しますか？"_s, u"削除"_s)) return;
    const int p = Combo1->listIndex();
    if (p < 0) return; // typed text names no entry of the list
    try {
        StoreFile stores(m_registry.state().folder);
        // The card screen reorders the file while this window is open: find the
        // store by name when it is no longer where the list shows it.
        const QStringList now = stores.list();
        const QString entry = Combo1->itemText(p);
        const int at = now.value(p) == entry ? p : int(now.indexOf(entry));
        if (at >= 0) {
            backup::beforeOperation(m_registry.state().folder, backup::Reason::DeleteStore, entry);
            stores.deleteAt(at);
        }
        Combo1->removeEntry(p);
        // The deleted store's list must not be saved back under its name.
        forgetInstalled();
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void MDATA::Command3_Click() {
    m_registry.unload<MDATA>();
}

void MDATA::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.unload<MDATA>();
}

} // namespace tama
