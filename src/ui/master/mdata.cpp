#include "master/mdata.h"
#include "app/windowhelpers.h"

#include "app/fonts.h"
#include "app/named.h"
#include "app/storeerrorreport.h"
#include "app/windowregistry.h"
#include "common/dates.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "halls/listorder.h"
#include "store/backup.h"
#include "store/catalogue.h"
#include "store/modellist.h"
#include "store/storeerror.h"
#include "store/storefile.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

MDATA::MDATA(WindowRegistry &registry) : m_registry(registry), m_db(registry.state()) {
    setObjectName(u"MDATA"_s);
    setWindowTitle(u"店設定"_s);

    Label2 = named(new QLabel(u"店名"_s, this), u"Label2"_s);
    Combo1 = named(new PopupComboBox(this), u"Combo1"_s);
    Label2->setBuddy(Combo1);
    Label3 = named(new QLabel(u"置いてある機種名"_s, this), u"Label3"_s);
    List2 = named(new QListView(this), u"List2"_s);
    List2->setModel(&m_installed);
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
    top->addWidget(buildTerms());
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
    // After the handlers above, so that the store they leave in the box is the one shown.
    connect(Combo1, &PopupComboBox::textTyped, this, &MDATA::chooseTermsStore);
    connect(Combo1, &PopupComboBox::entryChosen, this, &MDATA::chooseTermsStore);

    Form_Load();
}

QWidget *MDATA::buildTerms() {
    TermsFrame = named(new QGroupBox(u"交換条件"_s, this), u"TermsFrame"_s);
    TermsStatus = named(new QLabel(TermsFrame), u"TermsStatus"_s);
    TermsStatus->setWordWrap(true);
    TermsStatus->hide();
    TermsList = named(new QTreeWidget(TermsFrame), u"TermsList"_s);
    TermsList->setHeaderLabels(
        {u"適用開始日"_s, u"貸玉料金 円/玉"_s, u"交換率 玉/100円"_s, u"1玉 円"_s, u"再プレイ手数料 %"_s});
    TermsList->setRootIsDecorated(false);
    TermsList->setSelectionMode(QAbstractItemView::SingleSelection);
    TermsList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // A few lines each: the model lists above keep the room.
    TermsList->setFixedHeight(TermsList->fontMetrics().height() * 7);
    auto *fromLabel = new QLabel(u"適用開始日"_s, TermsFrame);
    TermsFrom = named(new QLineEdit(TermsFrame), u"TermsFrom"_s);
    TermsFrom->setPlaceholderText(u"2024/05/01"_s);
    fromLabel->setBuddy(TermsFrom);
    auto *lendLabel = new QLabel(u"貸玉料金"_s, TermsFrame);
    TermsLend = named(new QLineEdit(TermsFrame), u"TermsLend"_s);
    lendLabel->setBuddy(TermsLend);
    auto *exchangeLabel = new QLabel(u"交換率"_s, TermsFrame);
    TermsExchange = named(new QLineEdit(TermsFrame), u"TermsExchange"_s);
    exchangeLabel->setBuddy(TermsExchange);
    TermsYen = named(new QLabel(TermsFrame), u"TermsYen"_s);
    auto *feeLabel = new QLabel(u"再プレイ手数料"_s, TermsFrame);
    TermsFee = named(new QLineEdit(TermsFrame), u"TermsFee"_s);
    feeLabel->setBuddy(TermsFee);
    TermsSet = named(new QPushButton(u"追加・変更"_s, TermsFrame), u"TermsSet"_s);
    TermsRemove = named(new QPushButton(u"削除"_s, TermsFrame), u"TermsRemove"_s);
    UnusedLabel = named(new QLabel(u"未使用（削除された店の交換条件）"_s, TermsFrame), u"UnusedLabel"_s);
    UnusedTerms = named(new QTreeWidget(TermsFrame), u"UnusedTerms"_s);
    UnusedTerms->setHeaderLabels({u"店名"_s, u"適用開始日"_s, u"貸玉料金 円/玉"_s, u"交換率 玉/100円"_s,
                                  u"1玉 円"_s, u"再プレイ手数料 %"_s});
    UnusedTerms->setRootIsDecorated(false);
    UnusedTerms->setSelectionMode(QAbstractItemView::SingleSelection);
    UnusedTerms->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    UnusedTerms->setFixedHeight(UnusedTerms->fontMetrics().height() * 5);
    UnusedRemove = named(new QPushButton(u"未使用を削除"_s, TermsFrame), u"UnusedRemove"_s);

    const int numberWidth = TermsLend->fontMetrics().horizontalAdvance(u"00000.00"_s) + 12;
    for (QLineEdit *box : {TermsLend, TermsExchange, TermsFee})
        box->setMaximumWidth(numberWidth);
    TermsFrom->setMaximumWidth(TermsFrom->fontMetrics().horizontalAdvance(u"0000/00/00___"_s) + 12);

    auto *boxes = new QHBoxLayout;
    boxes->addWidget(fromLabel);
    boxes->addWidget(TermsFrom);
    boxes->addWidget(lendLabel);
    boxes->addWidget(TermsLend);
    boxes->addWidget(new QLabel(u"円/玉"_s, TermsFrame));
    boxes->addWidget(exchangeLabel);
    boxes->addWidget(TermsExchange);
    boxes->addWidget(new QLabel(u"玉/100円"_s, TermsFrame));
    boxes->addWidget(TermsYen);
    boxes->addWidget(feeLabel);
    boxes->addWidget(TermsFee);
    boxes->addWidget(new QLabel(u"%"_s, TermsFrame));
    boxes->addStretch();
    boxes->addWidget(TermsSet);
    boxes->addWidget(TermsRemove);

    auto *unused = new QHBoxLayout;
    unused->addWidget(UnusedTerms, 1);
    unused->addWidget(UnusedRemove, 0, Qt::AlignTop);

    auto *layout = new QVBoxLayout(TermsFrame);
    layout->addWidget(TermsStatus);
    layout->addWidget(TermsList);
    layout->addLayout(boxes);
    layout->addWidget(UnusedLabel);
    layout->addLayout(unused);

    connect(TermsList, &QTreeWidget::itemSelectionChanged, this, &MDATA::TermsList_Select);
    connect(TermsExchange, &QLineEdit::textChanged, this, &MDATA::TermsExchange_Change);
    for (QLineEdit *box : {TermsFrom, TermsLend, TermsExchange, TermsFee})
        connect(box, &QLineEdit::returnPressed, this, &MDATA::TermsSet_Click);
    connect(TermsSet, &QPushButton::clicked, this, &MDATA::TermsSet_Click);
    connect(TermsRemove, &QPushButton::clicked, this, &MDATA::TermsRemove_Click);
    connect(UnusedRemove, &QPushButton::clicked, this, &MDATA::UnusedRemove_Click);
    return TermsFrame;
}

void MDATA::Form_Load() {
    try {
        for (const QString &name : StoreFile(m_registry.state().folder).list()) {
            Combo1->addEntry(name);
            m_stores.append(name);
        }
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    m_terms.setStores(m_stores);
    reloadTerms();
}

void MDATA::reloadTerms() {
    const PlayDatabase *db = m_db.reading();
    m_terms.setTerms(db ? db->hallTerms() : QList<HallTerms>());
    m_terms.setStores(m_stores);
    m_terms.choose(Combo1->currentText());
    drawTerms();
}

void MDATA::chooseTermsStore() {
    m_terms.choose(Combo1->currentText());
    drawTerms();
}

void MDATA::drawTerms() {
    const QString why = m_db.unavailable();
    const QString problem = m_db.readProblem();
    if (!why.isEmpty())
        TermsStatus->setText(u"交換条件は使えません: "_s + why);
    else if (!problem.isEmpty())
        TermsStatus->setText(u"交換条件を読めませんでした: "_s + problem);
    else
        TermsStatus->clear();
    TermsStatus->setVisible(!TermsStatus->text().isEmpty());
    for (QWidget *w :
         std::initializer_list<QWidget *>{TermsList, TermsFrom, TermsLend, TermsExchange, TermsFee, TermsSet,
                                          TermsRemove, UnusedTerms, UnusedRemove})
        w->setEnabled(why.isEmpty());
    TermsFrame->setTitle(m_terms.store().isEmpty() ? u"交換条件"_s : u"交換条件 − "_s + m_terms.store());

    const QSignalBlocker blockTerms(TermsList);
    TermsList->clear();
    for (const TermsRow &r : m_terms.rows())
        new QTreeWidgetItem(TermsList, {r.from, r.lend, r.exchange, r.yenPerBall, r.fee});
    const QSignalBlocker blockUnused(UnusedTerms);
    UnusedTerms->clear();
    const QList<TermsRow> unused = m_terms.unused();
    for (const TermsRow &r : unused)
        new QTreeWidgetItem(UnusedTerms, {r.store, r.from, r.lend, r.exchange, r.yenPerBall, r.fee});
    for (QWidget *w : std::initializer_list<QWidget *>{UnusedLabel, UnusedTerms, UnusedRemove})
        w->setVisible(!unused.isEmpty());
}

void MDATA::TermsList_Select() {
    const QList<QTreeWidgetItem *> selected = TermsList->selectedItems();
    if (selected.isEmpty()) return;
    const QList<TermsRow> rows = m_terms.rows();
    const int i = TermsList->indexOfTopLevelItem(selected.first());
    if (i < 0 || i >= rows.size()) return;
    // The boxes take the line chosen, to be changed and set again.
    TermsFrom->setText(rows[i].from);
    TermsLend->setText(rows[i].lend);
    TermsExchange->setText(rows[i].exchange);
    TermsFee->setText(rows[i].fee);
}

void MDATA::TermsExchange_Change() {
    const QString yen = TermsEditor::yenPerBallOfBox(TermsExchange->text());
    TermsYen->setText(yen.isEmpty() ? QString() : u"（1玉 "_s + yen + u"円）"_s);
}

void MDATA::TermsSet_Click() {
    try {
        const HallTerms t =
            m_terms.parse({TermsFrom->text(), TermsLend->text(), TermsExchange->text(), TermsFee->text()});
        m_db.writing().setHallTerms(t);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    reloadTerms();
}

void MDATA::TermsRemove_Click() {
    const QList<QTreeWidgetItem *> selected = TermsList->selectedItems();
    const QList<TermsRow> rows = m_terms.rows();
    const int i = selected.isEmpty() ? -1 : TermsList->indexOfTopLevelItem(selected.first());
    if (i < 0 || i >= rows.size()) {
        InfoBox(u"削除する交換条件を一覧から選択してください"_s, u"注意"_s);
        return;
    }
    removeTerms(rows[i].terms);
}

void MDATA::UnusedRemove_Click() {
    const QList<QTreeWidgetItem *> selected = UnusedTerms->selectedItems();
    const QList<TermsRow> rows = m_terms.unused();
    const int i = selected.isEmpty() ? -1 : UnusedTerms->indexOfTopLevelItem(selected.first());
    if (i < 0 || i >= rows.size()) {
        InfoBox(u"削除する未使用の交換条件を一覧から選択してください"_s, u"注意"_s);
        return;
    }
    removeTerms(rows[i].terms);
}

void MDATA::removeTerms(const HallTerms &terms) {
    const QString from = yyyy(terms.from) + u'/' + mm(terms.from) + u'/' + dd(terms.from);
    if (ConfirmCancelled(u"["_s + terms.store + u"] "_s + from + u" からの交換条件を削除しますか？"_s,
                         u"削除"_s))
        return;
    try {
        m_db.writing().removeHallTerms(terms.store, terms.from);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    reloadTerms();
}

void MDATA::LoadCatalogueList(const CategoryInfo &category) {
    List1->clear();
    m_catalogue.clear();
    try {
        m_catalogue = inListOrder(ModelCatalogue(m_registry.state().folder, category).list());
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    List1->addItems(m_catalogue);
}

void MDATA::Combo1_Change() {
    m_installed.forget();
}

void MDATA::Combo1_Click() {
    m_installed.forget();
    const QString text = Combo1->currentText();
    if (trimRight(modelListFileName(text)).isEmpty()) {
        InfoBox(u"店名を選択してください"_s, u"注意"_s);
        return;
    }
    try {
        m_installed.load(m_registry.state().folder, text);
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
        m_installed.save(m_registry.state().folder, text, [this](const QString &added) {
            Combo1->addEntry(added);
            m_stores.append(added);
            m_terms.setStores(m_stores);
            chooseTermsStore();
        });
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
    for (int i = 0; i < List1->count(); ++i)
        if (List1->item(i)->isSelected()) m_installed.take(m_catalogue.value(i), m_section);
}

void MDATA::Command6_Click() {
    // One at a time: the first selected entry.
    const QModelIndexList selected = List2->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    m_installed.removeAt(std::min_element(selected.begin(), selected.end())->row());
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
        m_installed.forget();
        // Its terms stay in the database, listed as unused.
        m_stores = now;
        if (at >= 0) m_stores.removeAt(at);
        m_terms.setStores(m_stores);
        chooseTermsStore();
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
