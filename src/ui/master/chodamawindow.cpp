#include "master/chodamawindow.h"

#include "app/named.h"
#include "app/storeerrorreport.h"
#include "app/windowhelpers.h"
#include "app/windowregistry.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "store/storeerror.h"
#include "store/storefile.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {
void tableLook(QTableView *t) {
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->horizontalHeader()->setStretchLastSection(true);
}

// Tall enough for its rows, up to a few, so that the ledger below gets the room.
void fitRows(QTableView *t, int most) {
    const int rows = std::clamp(t->model()->rowCount(), 1, most);
    const int row = t->verticalHeader()->defaultSectionSize();
    t->setFixedHeight(t->horizontalHeader()->sizeHint().height() + rows * row + 2 * t->frameWidth() +
                      (t->model()->rowCount() > most ? t->horizontalScrollBar()->sizeHint().height() : 0));
}

const ChodamaKind kKinds[] = {ChodamaKind::Deposit, ChodamaKind::Replay, ChodamaKind::Settle,
                              ChodamaKind::Adjust};
} // namespace

ChodamaWindow::ChodamaWindow(WindowRegistry &registry)
    : m_registry(registry), m_db(registry.state()), m_halls(this), m_lines(this) {
    setObjectName(u"ChodamaWindow"_s);
    Problems = named(new QLabel(this), u"Problems"_s);
    Problems->setWordWrap(true);
    Problems->hide();
    CountInTotals =
        named(new QCheckBox(u"貯玉の増減を収支に含める(&T)（リスト表示・レポート・統計の合計）"_s, this),
              u"CountInTotals"_s);

    Halls = named(new QTableView(this), u"Halls"_s);
    tableLook(Halls);
    Halls->setModel(&m_halls);
    Halls->horizontalHeader()->setStretchLastSection(false);
    Halls->horizontalHeader()->setSectionResizeMode(ChodamaHallsModel::Store, QHeaderView::Stretch);

    ShowStore = named(new QComboBox(this), u"ShowStore"_s);
    Lines = named(new QTableView(this), u"Lines"_s);
    tableLook(Lines);
    Lines->setModel(&m_lines);
    Lines->setMinimumSize(640, 220);

    auto *entry = named(new QGroupBox(u"記入"_s, this), u"EntryFrame"_s);
    EntryDay = named(new QDateEdit(entry), u"EntryDay"_s);
    EntryDay->setDisplayFormat(u"yyyy/MM/dd"_s);
    EntryDay->setCalendarPopup(true);
    EntryStore = named(new QComboBox(entry), u"EntryStore"_s);
    EntryKind = named(new QComboBox(entry), u"EntryKind"_s);
    for (ChodamaKind k : kKinds)
        EntryKind->addItem(chodamaKindName(k), int(k));
    EntryBalls = named(new QLineEdit(entry), u"EntryBalls"_s);
    EntryBalls->setPlaceholderText(u"調整は −100 も可"_s);
    EntryBalls->setMinimumWidth(180);
    EntryNote = named(new QLineEdit(entry), u"EntryNote"_s);
    AddEntry = plainButton(u"AddEntry"_s, u"記入(&A)"_s, entry);
    AddEntry->setAutoDefault(true);
    auto *form = new QFormLayout(entry);
    form->addRow(u"日付(&D)"_s, EntryDay);
    form->addRow(u"店名(&S)"_s, EntryStore);
    form->addRow(u"種類(&K)"_s, EntryKind);
    form->addRow(u"玉数(&B)"_s, EntryBalls);
    form->addRow(u"メモ(&N)"_s, EntryNote);
    form->addRow(QString(), AddEntry);

    RemoveEntry = plainButton(u"RemoveEntry"_s, u"選んだ記入を削除(&R)"_s, this);
    CloseButton = plainButton(u"CloseButton"_s, u"閉じる"_s, this);

    auto *showRow = new QHBoxLayout;
    auto *showLabel = new QLabel(u"表示する店(&V)"_s, this);
    showLabel->setBuddy(ShowStore);
    showRow->addWidget(showLabel);
    showRow->addWidget(ShowStore, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(RemoveEntry);
    buttons->addStretch();
    buttons->addWidget(CloseButton);

    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(u"店ごとの貯玉（今日の交換条件で円換算）"_s, this));
    left->addWidget(Halls);
    left->addLayout(showRow);
    left->addWidget(Lines, 1);
    auto *top = new QHBoxLayout;
    top->addLayout(left, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(entry);
    right->addStretch();
    top->addLayout(right);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Problems);
    layout->addWidget(CountInTotals);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    connect(AddEntry, &QPushButton::clicked, this, &ChodamaWindow::AddEntry_Click);
    connect(EntryBalls, &QLineEdit::returnPressed, this, &ChodamaWindow::AddEntry_Click);
    connect(RemoveEntry, &QPushButton::clicked, this, &ChodamaWindow::RemoveEntry_Click);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    connect(CountInTotals, &QCheckBox::toggled, this, &ChodamaWindow::CountInTotals_Toggled);
    connect(ShowStore, &QComboBox::activated, this, &ChodamaWindow::reload);
    connect(&m_registry.state(), &DiaryState::diaryChanged, this, &ChodamaWindow::reload);
    connect(&m_registry.state(), &DiaryState::cardsChanged, this, &ChodamaWindow::reload);

    EntryDay->setDate(clock().today());
    fillStores();
    reload();
}

void ChodamaWindow::fillStores() {
    QStringList stores;
    try {
        stores = StoreFile(m_registry.state().folder, true).list();
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    for (QString &s : stores)
        s = s.trimmed();
    EntryStore->clear();
    EntryStore->addItems(stores);
}

void ChodamaWindow::reload() {
    const DiaryState &s = m_registry.state();
    setWindowTitle(u"貯玉 - "_s + s.user());
    const QString shown = ShowStore->currentIndex() > 0 ? ShowStore->currentText() : QString();

    QStringList problems;
    ChodamaLedger all, ledger;
    if (const QString why = m_db.unavailable(); !why.isEmpty()) problems.append(u"データベース: "_s + why);
    if (const PlayDatabase *db = m_db.reading()) {
        all = chodamaLedger(s.folder, *db, s.user(), QString(), clock().today());
        ledger = shown.isEmpty() ? all : chodamaLedger(s.folder, *db, s.user(), shown, clock().today());
        problems += all.problems;
        const QSignalBlocker block(CountInTotals);
        CountInTotals->setChecked(chodamaInTotals(*db, s.user()));
    }
    CountInTotals->setEnabled(!s.readOnly());
    Problems->setText(problems.join(u'\n'));
    Problems->setVisible(!problems.isEmpty());

    m_halls.setLedger(all);
    fitRows(Halls, 6);
    m_lines.setLines(ledger.lines);
    Lines->scrollToBottom();

    // The halls that have 貯玉, to look at one at a time.
    const QSignalBlocker block(ShowStore);
    ShowStore->clear();
    ShowStore->addItem(u"すべての店"_s);
    for (const ChodamaHall &h : all.halls)
        ShowStore->addItem(h.store);
    ShowStore->setCurrentIndex(std::max(0, ShowStore->findText(shown)));
    if (!shown.isEmpty() && ShowStore->currentIndex() == 0) m_lines.setLines(all.lines);
}

void ChodamaWindow::AddEntry_Click() {
    const DiaryState &s = m_registry.state();
    if (EntryStore->currentText().trimmed().isEmpty()) {
        InfoBox(u"店名を選んでください（店データ設定で登録した店です）"_s, u"注意"_s);
        EntryStore->setFocus();
        return;
    }
    try {
        const ChodamaEntry e = chodamaEntryOf(s.user(), EntryStore->currentText(), EntryDay->date(),
                                              ChodamaKind(EntryKind->currentData().toInt()),
                                              EntryBalls->text(), EntryNote->text());
        m_db.writing().addChodamaEntry(e);
    } catch (const StoreError &e) {
        reportStoreError(e);
        EntryBalls->setFocus();
        return; // the boxes keep what was typed, to be corrected
    }
    EntryBalls->clear();
    EntryNote->clear();
    reload();
    EntryBalls->setFocus();
}

void ChodamaWindow::RemoveEntry_Click() {
    const QModelIndexList rows = Lines->selectionModel()->selectedRows();
    if (rows.isEmpty() || !m_lines.data(rows.first(), ChodamaLinesModel::HandEntryRole).toBool()) {
        InfoBox(u"削除する記入を一覧から選んでください（カードの貯玉はカードの稼働データで直します）"_s,
                u"注意"_s);
        return;
    }
    const ChodamaLine &l = m_lines.lines()[rows.first().row()];
    if (ConfirmCancelled(l.day.toString(u"yyyy/MM/dd"_s) + u" "_s + l.store + u" "_s +
                             chodamaKindName(l.kind) + u" の記入を削除しますか？"_s,
                         u"削除"_s))
        return;
    try {
        m_db.writing().removeChodamaEntry(l.uid);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    reload();
}

void ChodamaWindow::CountInTotals_Toggled(bool on) {
    try {
        setChodamaInTotals(m_db.writing(), m_registry.state().user(), on);
    } catch (const StoreError &e) {
        reportStoreError(e);
        const QSignalBlocker block(CountInTotals);
        CountInTotals->setChecked(!on);
        return;
    }
    // The views that show totals count it, or stop counting it, at once.
    m_registry.state().noteCardsChanged();
}

void ChodamaWindow::keyPressEvent(QKeyEvent *e) {
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}

void ChodamaWindow::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.unload<ChodamaWindow>();
}

} // namespace tama
