#include "views/listview.h"
#include "app/storeerrorreport.h"
#include "app/windowhelpers.h"

#include "app/fonts.h"
#include "app/named.h"
#include "app/windowregistry.h"
#include "common/dialogs.h"
#include "painters/monthgraphpainter.h"
#include "reports/yearlistfilter.h"
#include "store/diary.h"
#include "store/storeerror.h"
#include "views/allselect.h"
#include "views/cardscreenlink.h"
#include "views/dispreport.h"
#include "views/tyoimati.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QVBoxLayout>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {} // namespace

listview::listview(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"listview"_s);

    Command3 = named(new QPushButton(u"No"_s, this), u"Command3"_s);
    Command4 = named(new QPushButton(u"日付"_s, this), u"Command4"_s);
    Command5 = named(new QPushButton(u"店名"_s, this), u"Command5"_s);
    Command6 = named(new QPushButton(u"機種名"_s, this), u"Command6"_s);
    Command7 = named(new QPushButton(u"投資額"_s, this), u"Command7"_s);
    Command8 = named(new QPushButton(u"換金額"_s, this), u"Command8"_s);
    Command9 = named(new QPushButton(u"損益額"_s, this), u"Command9"_s);
    List1 = named(new SelectionList(this), u"List1"_s);
    List1->setFont(listFont());
    List1->setUniformItemSizes(true);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    List1->showModel(&m_model);

    auto frame = [this](QGroupBox *&box, const QString &name, const QString &title, QLabel *&value,
                        const QString &valueName, const QString &unit) {
        box = named(new QGroupBox(title, this), name);
        value = named(new QLabel(box), valueName);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(90);
        auto *l = new QHBoxLayout(box);
        l->addWidget(value, 1);
        l->addWidget(new QLabel(unit, box));
    };
    frame(Frame1, u"Frame1"_s, u"投資額 合計"_s, Label8, u"Label8"_s, u"円"_s);
    frame(Frame2, u"Frame2"_s, u"換金額 合計"_s, Label9, u"Label9"_s, u"円"_s);
    frame(Frame3, u"Frame3"_s, u"損益額 合計"_s, Label10, u"Label10"_s, u"円"_s);
    frame(Frame4, u"Frame4"_s, u"回収率"_s, Label12, u"Label12"_s, u"％"_s);
    frame(Frame5, u"Frame5"_s, u"損益額／h"_s, Label14, u"Label14"_s, u"円"_s);
    ChodamaNote = named(new QLabel(this), u"ChodamaNote"_s);
    ChodamaNote->hide();
    Command1 = named(new QPushButton(u"レポート"_s, this), u"Command1"_s);
    Command2 = named(new QPushButton(u"戻る"_s, this), u"Command2"_s);

    auto *heads = new QHBoxLayout;
    heads->setSpacing(0);
    for (QPushButton *b : {Command3, Command4, Command5, Command6, Command7, Command8, Command9})
        heads->addWidget(b);
    heads->addStretch();
    auto *totals = new QHBoxLayout;
    for (QGroupBox *b : {Frame1, Frame2, Frame3, Frame4, Frame5})
        totals->addWidget(b);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ChodamaNote);
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(heads);
    layout->addWidget(List1, 1);
    layout->addLayout(totals);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &listview::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &listview::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &listview::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &listview::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &listview::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &listview::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &listview::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &listview::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &listview::Command9_Click);
    connect(List1, &SelectionList::rowDoubleClicked, this, &listview::List1_DblClick);
    // The diary is read once for each change of it.
    connect(&m_registry.state(), &DiaryState::diaryChanged, this, &listview::Form_Load);
    connect(&m_registry.state(), &DiaryState::cardsChanged, this, &listview::Form_Load);

    Form_Load();
}

void listview::Form_Load() {
    DiaryState &s = m_registry.state();
    setWindowTitle(YearList::caption(s.yearText()));
    if (tyoimati *wait = m_registry.find<tyoimati>()) {
        connect(this, &listview::progressed, wait, &tyoimati::showProgress, Qt::UniqueConnection);
        connect(this, &listview::loaded, wait, &QWidget::hide, Qt::UniqueConnection);
    }
    int total = 1;

    // The diary is read a block at a time into the list, so the cards are never all
    // held at once; a failed read lists nothing rather than part of the diary.
    allSelect *selection = m_registry.find<allSelect>();
    std::optional<YearListFilter> filter;
    std::unique_ptr<YearList> list;
    try {
        // Without the filter window, everything is selected: the same starting filter
        // as the command line's.
        filter = selection ? selection->filter() : YearListFilter::initialForDiary(s.folder, s.diaryFile());
        const DiaryFile diary(s.folder, s.diaryFile());
        total = std::max(1, diary.count());
        emit progressed(0, total);
        list = std::make_unique<YearList>(*filter, diary.count());
        if (chodamaCounted(s.folder, s.user()))
            list->countChodama(chodamaYenOfDiary(s.folder, s.user(), s.diaryFile()));
        diary.forEachRaw([&](int n, const char *bytes) { list->add(n, CardText::ofBytes(bytes)); });
    } catch (const StoreError &e) {
        reportStoreError(e);
        list = std::make_unique<YearList>(filter ? *filter : YearListFilter::everything());
    }
    list->finish();
    emit progressed(total / 2, total);
    m_model.setList(std::move(list));
    emit progressed(total, total);
    alignButtons();

    const YearListTotals &t = m_model.list().totals();
    Label8->setText(t.investmentText);
    Label9->setText(t.cashOutText);
    Label10->setText(t.profitText);
    setTextColour(Label10, t.profitColour);
    emit loaded();
    Label12->setText(t.rateText);
    setTextColour(Label12, t.rateColour);
    Label14->setText(t.perHourText);
    setTextColour(Label14, t.perHourColour);
    ChodamaNote->setText(t.chodamaText);
    ChodamaNote->setVisible(t.chodamaYen.has_value());

    // Wide enough for a whole line and a scroll bar.
    const QFontMetrics fm(List1->font());
    const int lineWidth =
        fm.horizontalAdvance(QString(YearList::kDateCells + YearList::kStoreCells + YearList::kModelCells +
                                         3 * YearList::kAmountCells + m_model.list().noCells(),
                                     u'0'));
    List1->setMinimumWidth(lineWidth + 2 * List1->frameWidth() +
                           List1->verticalScrollBar()->sizeHint().width() + 8);
    List1->setMinimumHeight(fm.height() * 20);
}

// The column buttons stand over their columns.
void listview::alignButtons() {
    const int cell = QFontMetrics(List1->font()).horizontalAdvance(u'0');
    const int cells[] = {m_model.list().noCells(), YearList::kDateCells,   YearList::kStoreCells,
                         YearList::kModelCells,    YearList::kAmountCells, YearList::kAmountCells,
                         YearList::kAmountCells};
    QPushButton *buttons[] = {Command3, Command4, Command5, Command6, Command7, Command8, Command9};
    // The list's frame and the item's left margin come before the first column.
    const int inset = List1->frameWidth() + 2;
    for (int i = 0; i < 7; ++i)
        buttons[i]->setFixedWidth(cells[i] * cell + (i == 0 ? inset : 0));
    layout()->setContentsMargins(layout()->contentsMargins());
}

void listview::press(YearListLine::Column column) {
    m_model.press(column);
}

void listview::Command3_Click() {
    press(YearListLine::No);
}
void listview::Command4_Click() {
    press(YearListLine::Date);
}
void listview::Command5_Click() {
    press(YearListLine::Store);
}
void listview::Command6_Click() {
    press(YearListLine::Model);
}
void listview::Command7_Click() {
    press(YearListLine::Investment);
}
void listview::Command8_Click() {
    press(YearListLine::CashOut);
}
void listview::Command9_Click() {
    if (List1->count() > 0) List1->setCurrentRow(0);
    List1->clearSelection();
    press(YearListLine::Profit);
}

void listview::List1_DblClick() {
    const int row = List1->currentRow();
    if (row < 0) return;
    const int n = m_model.recordAt(row);
    if (n < 1) return;
    cardscreen::showCard(m_registry, n);
    m_registry.unload<tyoimati>();
}

// The natural companion: the report of the same diary.
void listview::Command1_Click() {
    m_registry.show<dispreport>();
}

void listview::Command2_Click() {
    Form_Unload();
    m_registry.unload<listview>();
}

void listview::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    m_registry.unload<tyoimati>();
}

void listview::closeEvent(QCloseEvent *e) {
    e->accept();
    Form_Unload();
    m_registry.unload<listview>();
}

} // namespace tama
