#include "cardscreen/patincomain.h"
#include "app/windowhelpers.h"

#include "app/storeerrorreport.h"
#include "app/windowregistry.h"
#include "card/datescroller.h"
#include "card/spinner.h"
#include "cardscreen/limitline.h"
#include "cardscreen/picturebutton.h"
#include "cardscreen/playpanel.h"
#include "common/clock.h"
#include "common/dates.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "common/version.h"
#include "master/new_touroku.h"
#include "store/backup.h"
#include "store/organise.h"
#include "views/listview.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QScopedValueRollback>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

// Drawing sets only what differs, so a box being typed in keeps its cursor.
void drawText(QLineEdit *box, const QString &text) {
    if (box->text() != text) box->setText(text);
}
void drawText(QComboBox *box, const QString &text) {
    if (box->currentText() != text) box->setEditText(text);
}
void drawValue(QScrollBar *bar, int value) {
    if (bar->value() != value) bar->setValue(value);
}

// The spinner that steps digit box i of the card editor.
int spinnerOfBox(int i) {
    static const int spinner[16] = {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 7, 8, 8, 9, 10};
    return spinner[i];
}

// The model-list section marker of Option1 … Option5.

} // namespace

PatincoMain::PatincoMain(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"PatincoMain"_s);
    setupForm(this);
    m_playPanel = new PlayPanel(m_editor, centralWidget());
    m_columns->addWidget(m_playPanel);
    m_playPanel->placeInTabOrder(Text24, Command23);
    // Below everything, taking no space while no limit is in force.
    m_limitLine = new LimitLine(m_registry.state(), centralWidget());
    if (auto *top = qobject_cast<QBoxLayout *>(centralWidget()->layout())) top->addWidget(m_limitLine);
    buildMenus();
    connectHandlers();
    buildKeys();
    drawTitle();
}

void PatincoMain::connectHandlers() {
    connect(Picture1, &PictureButton::clicked, this, &PatincoMain::Picture1_Click);
    connect(Picture2, &PictureButton::clicked, this, &PatincoMain::Picture2_Click);
    connect(Picture6, &PictureButton::clicked, this, &PatincoMain::Picture6_Click);
    connect(Picture4, &PictureButton::clicked, this, &PatincoMain::Picture4_Click);
    connect(Picture5, &PictureButton::clicked, this, &PatincoMain::Picture5_Click);
    connect(Picture3, &PictureButton::clicked, this, &PatincoMain::Picture3_Click);
    // Scroll bars track the box while it is dragged, so one handler serves both the
    // change and the scroll of the original.
    connect(HScroll1, &QScrollBar::valueChanged, this, &PatincoMain::HScroll1_Change);
    connect(HScroll2, &QScrollBar::valueChanged, this, &PatincoMain::HScroll2_Change);
    connect(&m_registry.state(), &DiaryState::diaryChanged, this, &PatincoMain::followDiary);
    connect(HScroll3, &QScrollBar::valueChanged, this, &PatincoMain::HScroll3_Change);
    const auto bars = spinners();
    for (int i = 0; i < 10; ++i)
        connect(bars[size_t(i)], &QScrollBar::valueChanged, this, [this, i] { spinnerChange(i + 1); });

    // Every edit goes to the card editor, whoever made it; drawing is not an edit.
    for (const auto &[box, month] : {std::pair{Text3, true}, std::pair{Text4, false}})
        connect(box, &QLineEdit::textChanged, this, [this, month](const QString &t) {
            if (m_drawing) return;
            month ? m_editor.setMonth(t) : m_editor.setDay(t);
            draw();
        });
    const auto boxes = digitBoxes();
    for (int i = 0; i < 16; ++i) {
        connect(boxes[size_t(i)], &QLineEdit::textChanged, this, [this, i](const QString &t) {
            if (m_drawing) return;
            m_editor.setDigit(i, t);
            draw();
        });
        boxes[size_t(i)]->installEventFilter(this);
    }
    connect(Combo1, &QComboBox::editTextChanged, this, [this](const QString &t) {
        if (m_drawing) return;
        m_editor.setStore(t); // a new store clears the category
        draw();
    });
    connect(Combo2, &QComboBox::editTextChanged, this, [this](const QString &t) {
        if (!m_drawing) m_editor.setModel(t);
    });
    connect(m_categories, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (m_drawing) return;
        if (on)
            m_editor.setCategory(id);
        else if (m_editor.card().category == id)
            m_editor.setCategory(0);
    });
    connect(m_categories, &QButtonGroup::idClicked, this, &PatincoMain::Option_Click);
    connect(m_dayTypes, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (!m_drawing && on) m_editor.setDayType(id);
    });
    connect(Text24, &QPlainTextEdit::textChanged, this, [this] {
        if (m_drawing) return;
        const QString t = Text24->toPlainText();
        m_editor.setImpression(t);
        if (t.size() > 160) {
            const QScopedValueRollback drawing(m_drawing, true);
            Text24->setPlainText(t.left(160));
            Text24->moveCursor(QTextCursor::End);
            Beep();
        }
    });
    connect(Combo1, &PopupComboBox::aboutToShowPopup, this, &PatincoMain::Combo1_DropDown);
    connect(Combo1, &PopupComboBox::entryChosen, this, &PatincoMain::Combo1_Click);
    connect(Combo2, &PopupComboBox::aboutToShowPopup, this, &PatincoMain::Combo2_DropDown);
    connect(Combo2, &PopupComboBox::entryChosen, this, &PatincoMain::Combo2_Click);
    connect(Command23, &QPushButton::clicked, this, &PatincoMain::Command23_Click);
    connect(Command6, &QPushButton::clicked, this, &PatincoMain::Command6_Click);

    Text3->installEventFilter(this);
    Text4->installEventFilter(this);
    centralWidget()->setMouseTracking(true);
    centralWidget()->installEventFilter(this);
}

// ---- drawing ----

void PatincoMain::draw() {
    const QScopedValueRollback drawing(m_drawing, true);
    const CardControls &c = m_editor.card();
    drawState();
    drawDiary();
    drawText(Text3, c.month);
    drawText(Text4, c.day);
    drawText(Text5, c.weekday);
    const auto boxes = digitBoxes();
    for (int i = 0; i < 16; ++i)
        drawText(boxes[size_t(i)], m_editor.digit(i));
    const std::array dayTypes{Option6, Option7, Option8, Option9};
    for (int i = 0; i < 4; ++i)
        if (c.dayType == i + 1) dayTypes[size_t(i)]->setChecked(true);
    drawText(Combo1, c.store);
    if (c.category == 0) {
        // An exclusive group always keeps one button checked; let go of it for a moment.
        m_categories->setExclusive(false);
        for (QAbstractButton *b : m_categories->buttons())
            b->setChecked(false);
        m_categories->setExclusive(true);
    } else {
        m_categories->button(c.category)->setChecked(true);
    }
    drawText(Combo2, c.model);
    const auto bars = spinners();
    for (int i = 0; i < 10; ++i)
        drawValue(bars[size_t(i)], m_editor.spinnerValue(i + 1));
    setTextColour(Label15, m_editor.profitNegative() ? kRed : kBlack);
    Label15->setText(c.profit);
    if (Text24->toPlainText() != c.impression) Text24->setPlainText(c.impression);
    drawDateScroller();
    m_playPanel->draw();
}

void PatincoMain::drawState() {
    Label19->setText(QString::number(m_editor.number()));
    struct Look {
        QColor colour;
        QString state, registerButton, markButton;
    };
    static const Look looks[] = {{kBlue, u"新規作成"_s, u"登録"_s, u"削除"_s},
                                 {kBlack, u"変更/削除"_s, u"更新"_s, u"削除"_s},
                                 {kRed, u"削除候補"_s, u"更新"_s, u"削除取消"_s}};
    const Look &look = looks[int(m_editor.state())];
    setTextColour(Label19, look.colour);
    setTextColour(Label20, look.colour);
    Label20->setText(look.state);
    Command23->setText(look.registerButton);
    Command6->setText(look.markButton);
}

// The date scroller stands at the card's date; a date outside its days puts it at the
// nearest end while the boxes keep the card's own date.
void PatincoMain::drawDateScroller() {
    const std::optional<QDate> d = m_editor.date();
    if (!d) return;
    drawValue(HScroll3, std::clamp(dateScrollerValue(*d), HScroll3->minimum(), HScroll3->maximum()));
}

void PatincoMain::setCardNumberScroller(int value, int maximum) {
    const QScopedValueRollback drawing(m_drawing, true);
    HScroll1->setMinimum(1);
    HScroll1->setMaximum(maximum);
    HScroll1->setValue(value);
}

QDate PatincoMain::scrollerDate() const {
    return dateFromScrollerValue(HScroll3->value());
}

// ---- window ----

QString PatincoMain::yearText() const {
    if (!m_editor.card().year.isEmpty()) return m_editor.card().year;
    return m_editor.year().isEmpty() ? m_registry.state().yearText() : m_editor.year();
}

// Which diary: the year box shows the card's year (a deletion candidate's R999), the
// label and the title the diary the editor has open.
void PatincoMain::drawDiary() {
    drawText(Text2, m_editor.card().year);
    Label22->setText(m_editor.year());
    drawTitle();
}

void PatincoMain::drawTitle() {
    const QString &file = m_editor.diaryFile();
    const QString title = u"タマノート Ver"_s + programVersion() + u"  "_s +
                          (file.isEmpty() ? QString() : u"[ "_s + file + u" ]"_s);
    if (windowTitle() != title) setWindowTitle(title);
}

void PatincoMain::updateClock() {
    Label9->setText(clockText(tama::clock().now()));
}

void PatincoMain::Form_Deactivate() {
    updateClock();
}
void PatincoMain::Form_MouseMove() {
    updateClock();
}

void PatincoMain::Form_Load() {
    {
        const QScopedValueRollback drawing(m_drawing, true);
        const auto bars = spinners();
        for (int i = 0; i < 10; ++i) {
            const Spinner &s = Spinner::at(i + 1);
            bars[size_t(i)]->setRange(s.minimum(), s.maximum());
            bars[size_t(i)]->setValue(s.start());
        }
    }

    // Every year up to today's is reachable, down to year 1, the first a date can have.
    // The minimum comes last: raising it first would move the scroller to year 1 and
    // open that year's diary.
    m_opening = m_registry.state().openings();
    const int thisYear = tama::clock().today().year();
    {
        // A changed year switches the diary, which is loaded below.
        const QScopedValueRollback loading(m_loadingForm, true);
        HScroll2->setMaximum(thisYear);
        HScroll2->setValue(thisYear);
        HScroll2->setMinimum(1);
    }
    LoadDiary();

    DateRange range = dateScrollerRange(m_registry.state().year(), tama::clock().today());
    if (auto newCard = m_editor.date()) range.maximum = std::max(range.minimum, dateScrollerValue(*newCard));
    {
        const QScopedValueRollback drawing(m_drawing, true);
        HScroll3->setRange(range.minimum, range.maximum);
        HScroll3->setValue(range.maximum);
    }
    draw();
}

void PatincoMain::LoadDiary() {
    DiaryState &s = m_registry.state();
    m_editor.open(s.folder, s.diaryFile(), s.yearText());
    m_playPanel->useFolder(s.folder, s.readOnly());
    m_limitLine->refresh();
    if (QAction *undo = findChild<QAction *>(u"undoOrganise"_s))
        undo->setEnabled(m_beforeOrganise && m_beforeOrganise->detail == s.diaryFile());
    if (const std::optional<StoreError> e = m_editor.load(tama::clock().today())) reportStoreError(*e);
    const int n = m_editor.newCardNumber();
    setCardNumberScroller(n, n);
    draw();
}

// Shows the card the card scroller stands at.
void PatincoMain::ShowCard() {
    if (const std::optional<StoreError> e = m_editor.show(HScroll1->value(), tama::clock().today()))
        reportStoreError(*e);
    fillModelList();
    draw();
}

void PatincoMain::Form_Activate() {
    for (PictureButton *b : {Picture1, Picture2, Picture3, Picture4, Picture5, Picture6})
        b->showPressedImage(false);
    updateClock();
    m_limitLine->refresh(); // a waiting change may have come into force
}

// Another user's diary, or the same opened again, starts the window afresh; another
// year of the same user only switches the diary.
void PatincoMain::followDiary() {
    if (m_loadingForm) return;
    const DiaryState &s = m_registry.state();
    if (s.openings() != m_opening) {
        Form_Load();
        return;
    }
    HScroll2->setValue(s.year()); // already there when the scroller moved
    const DateRange range = dateScrollerRange(s.year(), tama::clock().today());
    {
        const QScopedValueRollback drawing(m_drawing, true);
        HScroll3->setRange(range.minimum, range.maximum);
    }
    LoadDiary();
}

bool PatincoMain::event(QEvent *e) {
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    else if (e->type() == QEvent::WindowDeactivate)
        Form_Deactivate();
    return QMainWindow::event(e);
}

bool PatincoMain::eventFilter(QObject *watched, QEvent *e) {
    if (watched == centralWidget() && e->type() == QEvent::MouseMove) {
        Form_MouseMove();
    } else if (watched == Text3 || watched == Text4) {
        auto *box = static_cast<QLineEdit *>(watched);
        if (e->type() == QEvent::KeyPress && !m_keyInBox) return dateBoxKey(box, static_cast<QKeyEvent *>(e));
        if (e->type() == QEvent::FocusOut) dateBoxLeft(box);
    } else if (e->type() == QEvent::KeyPress) {
        const auto boxes = digitBoxes();
        for (int i = 0; i < 16; ++i)
            if (watched == boxes[size_t(i)]) return digitBoxKey(i, static_cast<QKeyEvent *>(e));
    }
    return QMainWindow::eventFilter(watched, e);
}

// A month or day box takes digits only; once it holds two, an impossible date is
// repaired with a beep, so that what is typed is what the box keeps.
bool PatincoMain::dateBoxKey(QLineEdit *box, QKeyEvent *e) {
    if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
        HScroll3->triggerAction(e->key() == Qt::Key_Up ? QAbstractSlider::SliderSingleStepAdd
                                                       : QAbstractSlider::SliderSingleStepSub);
        return true;
    }
    const QString text = e->text();
    if (text.isEmpty() || !text.at(0).isPrint()) return false;
    if (!text.at(0).isDigit() || text.at(0).unicode() > u'9') {
        Beep();
        return true;
    }
    {
        const QScopedValueRollback inBox(m_keyInBox, true);
        QCoreApplication::sendEvent(box, e);
    }
    if (box->text().size() == 2) {
        const int beeps = m_editor.repairDate(box == Text3 ? DateBox::Month : DateBox::Day);
        for (int i = 0; i < beeps; ++i)
            Beep();
        draw();
    }
    return true;
}

void PatincoMain::dateBoxLeft(QLineEdit *box) {
    const int beeps = m_editor.leaveDateBox(box == Text3 ? DateBox::Month : DateBox::Day);
    for (int i = 0; i < beeps; ++i)
        Beep();
    draw();
}

// Up and Down in a time or amount box step its spinner, as the arrows above it do.
bool PatincoMain::digitBoxKey(int index, QKeyEvent *e) {
    if (e->key() != Qt::Key_Up && e->key() != Qt::Key_Down) return false;
    spinners()[size_t(spinnerOfBox(index) - 1)]->triggerAction(
        e->key() == Qt::Key_Up ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
    return true;
}

void PatincoMain::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.endProgram();
}

void PatincoMain::showCardNumber(int n) {
    HScroll1->setValue(n);
}

void PatincoMain::showDiaryCard(int year, int n) {
    if (year < HScroll2->minimum() || year > HScroll2->maximum()) return;
    HScroll2->setValue(year); // a changed year loads that diary
    HScroll1->setValue(n);
}

void PatincoMain::setModelText(const QString &model) {
    m_editor.setModel(model);
    draw();
}

// ---- card scroller and year scroller ----

void PatincoMain::HScroll1_Change() {
    if (!m_drawing) ShowCard();
}

void PatincoMain::HScroll2_Change() {
    m_registry.state().setYear(HScroll2->value());
}

// ---- date, times and amounts ----

void PatincoMain::HScroll3_Change() {
    if (!m_drawing) SetDateFromScroller();
}

void PatincoMain::SetDateFromScroller() {
    m_editor.setDate(scrollerDate());
    draw();
}

void PatincoMain::spinnerChange(int index) {
    if (m_drawing) return;
    m_editor.spin(index, spinners()[size_t(index - 1)]->value());
    draw();
}

// ---- registration ----

void PatincoMain::Command23_Click() {
    using Outcome = CardEditor::Registration::Outcome;
    m_limitLine->noteBeforeWrite();
    const CardEditor::Registration r = m_editor.registerCard();
    switch (r.outcome) {
    case Outcome::Incomplete:
        InfoBox(u"データが不完全です。空白箇所を入力してください。"_s, u"注意"_s);
        return;
    case Outcome::BadDate:
        InfoBox(u"日付が正しくありません。月と日を確かめてください。"_s, u"注意"_s);
        return;
    case Outcome::Refused:
        reportStoreError(*r.error);
        return;
    case Outcome::Written:
        m_registry.state().noteCardsChanged();
        break;
    }
    {
        const QScopedValueRollback drawing(m_drawing, true);
        if (r.addedStore) Combo1->addEntry(*r.addedStore);
        if (r.addedModel) Combo2->addEntry(*r.addedModel);
    }
    draw();
    for (const StoreError &e : r.problems)
        reportStoreError(e);
    for (const QString &notice : r.notices)
        InfoBox(notice, u"お知らせ"_s);
    m_limitLine->reportAfterWrite();
    if (r.modelMissingFromList) {
        // Made afresh: it takes the store, model and category of this card when it loads.
        m_registry.unload<New_touroku>();
        m_registry.show<New_touroku>();
    }
    if (r.appended) {
        m_editor.prepareNextCard(scrollerDate());
        setCardNumberScroller(m_editor.number(), m_editor.number());
        draw();
    }
    discardYearList();
}

// ---- deletion marks ----

void PatincoMain::Command6_Click() {
    try {
        m_editor.markOrEmpty();
    } catch (const StoreError &e) {
        reportStoreError(e);
        return;
    }
    m_registry.state().noteCardsChanged();
    draw();
}

// ---- organising the diary ----

void PatincoMain::filesort_Click() {
    OrganiseDiary();
}

void PatincoMain::Picture3_Click() {
    OrganiseDiary();
}

void PatincoMain::OrganiseDiary() {
    Picture3->showPressedImage(true);
    const bool cancelled =
        ConfirmCancelled(u"削除候補カードがあれば削除されます。ファイルの整理を始めますか？"_s, u"ソート"_s);
    Picture3->showPressedImage(false);
    if (cancelled) return;

    DiaryState &s = m_registry.state();
    OrganisePlan plan;
    try {
        m_beforeOrganise = backup::beforeOperation(s.folder, backup::Reason::Organise, s.diaryFile());
        plan = organiseDiary(s.folder, s.diaryFile());
    } catch (const StoreError &e) {
        reportStoreError(e); // the diary is as it was
        return;
    }
    const int j = plan.newCardNumber();
    if (const std::optional<StoreError> e = m_editor.afterOrganise(j, tama::clock().today()))
        reportStoreError(*e);
    setCardNumberScroller(j, j);
    s.noteCardsChanged();
    draw();
    // Its lines carry the old card numbers.
    discardYearList();
    if (QAction *undo = findChild<QAction *>(u"undoOrganise"_s))
        undo->setEnabled(m_beforeOrganise.has_value());
}

// Puts the diary back as it was before the last organise of this run, from the snapshot
// taken then; the present diary is kept in a snapshot of its own first.
void PatincoMain::UndoOrganise() {
    DiaryState &s = m_registry.state();
    QAction *undo = findChild<QAction *>(u"undoOrganise"_s);
    if (!m_beforeOrganise || m_beforeOrganise->detail != s.diaryFile() ||
        !m_beforeOrganise->file(s.diaryFile())) {
        InfoBox(u"いま開いている日記には、元に戻せる整理がありません。"_s, u"整理を元に戻す"_s);
        if (undo) undo->setEnabled(false);
        return;
    }
    const int cards = m_beforeOrganise->file(s.diaryFile())->records;
    if (ConfirmCancelled(
            QStringLiteral(
                "日記を整理する前の状態（%1 枚）に戻します。整理のあとで書いたカードも"
                "整理する前の状態に戻ります（いまの日記はバックアップしておきます）。よろしいですか？")
                .arg(cards),
            u"整理を元に戻す"_s))
        return;
    try {
        backup::Backups(s.folder, backup::automaticSettings().value_or(backup::Settings::load()))
            .restore(*m_beforeOrganise, s.diaryFile());
    } catch (const StoreError &e) {
        reportStoreError(e);
        return;
    }
    m_beforeOrganise.reset();
    if (undo) undo->setEnabled(false);
    LoadDiary();
    s.noteCardsChanged();
    discardYearList();
}

void PatincoMain::drawLimits() {
    m_limitLine->refresh();
}

// The year list reads the diary when it is made; the next showing makes it anew.
void PatincoMain::discardYearList() {
    m_registry.unload<listview>();
}

} // namespace tama
