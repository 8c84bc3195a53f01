#include "patincomain.h"

#include "app/named.h"
#include "app/windowregistry.h"
#include "buttonart.h"
#include "cardscreen/core/carddigits.h"
#include "cardscreen/core/cardentry.h"
#include "cardscreen/core/daterepair.h"
#include "cardscreen/core/datescroller.h"
#include "cardscreen/core/organise.h"
#include "cardscreen/core/profit.h"
#include "cardscreen/core/spinner.h"
#include "cardscreen/core/timeorder.h"
#include "cardscreen/helpwindow.h"
#include "cardscreen/ver.h"
#include "common/clock.h"
#include "common/dates.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "master/core/storeerrorreport.h"
#include "master/kdata.h"
#include "master/mdata.h"
#include "master/new_touroku.h"
#include "master/search_kisyu.h"
#include "picturebutton.h"
#include "startup/newname.h"
#include "startup/patinkest.h"
#include "store/catalogue.h"
#include "store/diary.h"
#include "store/modellist.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/textfile.h"
#include "views/analysiswindow.h"
#include "views/allselect.h"
#include "views/dispreport.h"
#include "views/listview.h"
#include "views/tukigrafh.h"
#include "views/tyoimati.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QRegularExpression>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);


QLabel *label(const QString &name, const QString &text, QWidget *parent) {
    return named(new QLabel(text, parent), name);
}

QLineEdit *box(const QString &name, int maxLength, int widthChars, QWidget *parent) {
    auto *e = named(new QLineEdit(parent), name);
    e->setMaxLength(maxLength);
    e->setAlignment(Qt::AlignCenter);
    const int w = e->fontMetrics().horizontalAdvance(u'0') * widthChars + 14;
    e->setFixedWidth(w);
    return e;
}

QScrollBar *spinner(const QString &name, QWidget *parent) {
    auto *s = named(new QScrollBar(Qt::Vertical, parent), name);
    s->setFixedHeight(34);
    return s;
}

bool blank(const QLineEdit *e) {
    return trim(e->text()).isEmpty();
}
bool zeroOrBlank(const QLineEdit *e) {
    return blank(e) || trim(e->text()) == u"0"_s;
}

QString fourDigits(int year) {
    return QStringLiteral("%1").arg(year, 4, 10, QChar(u'0'));
}

QStringList texts(std::initializer_list<const QLineEdit *> boxes) {
    QStringList t;
    for (const QLineEdit *b : boxes)
        t << b->text();
    return t;
}

} // namespace

PatincoMain::PatincoMain(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"PatincoMain"_s);
    buildControls();
    buildLayout();
    buildMenus();
    connectHandlers();
    setWindowTitle(u"タマノート Ver2.0  "_s);
}

void PatincoMain::buildControls() {
    auto *c = new QWidget(this);
    c->setObjectName(u"central"_s);
    setCentralWidget(c);

    using M = ButtonArt::Motif;
    auto picture = [c](const QString &name, M motif, const QString &tip) {
        auto *b = named(
            new PictureButton(ButtonArt::picture(motif, false), ButtonArt::picture(motif, true), c), name);
        b->setToolTip(tip);
        return b;
    };
    Picture1 = picture(u"Picture1"_s, M::Graph, u"グラフ表示"_s);
    Picture2 = picture(u"Picture2"_s, M::List, u"リスト表示"_s);
    Picture3 = picture(u"Picture3"_s, M::Organise, u"カードの整理"_s);
    Picture4 = picture(u"Picture4"_s, M::Store, u"店データ設定"_s);
    Picture5 = picture(u"Picture5"_s, M::Model, u"台データ設定"_s);
    Picture6 = picture(u"Picture6"_s, M::Report, u"レポート表示"_s);

    Label9 = label(u"Label9"_s, QString(), c);
    Label19 = label(u"Label19"_s, u"9999"_s, c);
    Label20 = label(u"Label20"_s, u"XXXXXXXX"_s, c);
    Label22 = label(u"Label22"_s, u"9999"_s, c);
    QFont big = Label19->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    for (QLabel *l : {Label19, Label20, Label22})
        l->setFont(big);
    Label19->setMinimumWidth(Label19->fontMetrics().horizontalAdvance(u"99999"_s));
    Label20->setMinimumWidth(Label20->fontMetrics().horizontalAdvance(u"変更/削除 "_s));
    HScroll1 = named(new QScrollBar(Qt::Horizontal, c), u"HScroll1"_s);
    HScroll2 = named(new QScrollBar(Qt::Horizontal, c), u"HScroll2"_s);
    // Arrows only: no room is left for a track.
    HScroll2->setFixedWidth(2 * HScroll2->sizeHint().height() + 2);
    Text2 = named(new QLineEdit(u"9999"_s, c), u"Text2"_s);
    Text2->hide();

    Label18 = label(u"Label18"_s, u"日時"_s, c);
    Text3 = box(u"Text3"_s, 2, 2, c);
    Text3->setText(u"01"_s);
    Label11 = label(u"Label11"_s, u"月"_s, c);
    Text4 = box(u"Text4"_s, 2, 2, c);
    Text4->setText(u"01"_s);
    Label23 = label(u"Label23"_s, u"日"_s, c);
    Text5 = box(u"Text5"_s, 1, 2, c);
    Text5->setText(u"月"_s);
    Text5->setReadOnly(true);
    Label27 = label(u"Label27"_s, u"曜日"_s, c);
    HScroll3 = named(new QScrollBar(Qt::Horizontal, c), u"HScroll3"_s);

    VScroll1 = spinner(u"VScroll1"_s, c);
    VScroll2 = spinner(u"VScroll2"_s, c);
    VScroll3 = spinner(u"VScroll3"_s, c);
    VScroll4 = spinner(u"VScroll4"_s, c);
    Text6 = box(u"Text6"_s, 1, 1, c);
    Text7 = box(u"Text7"_s, 1, 1, c);
    Text18 = box(u"Text18"_s, 1, 1, c);
    Text19 = box(u"Text19"_s, 1, 1, c);
    Text8 = box(u"Text8"_s, 1, 1, c);
    Text9 = box(u"Text9"_s, 1, 1, c);
    Text20 = box(u"Text20"_s, 1, 1, c);
    Text21 = box(u"Text21"_s, 1, 1, c);
    Label10a = label(u"Label10"_s, u":"_s, c);
    Label10b = label(u"Label10"_s, u":"_s, c);
    Label4 = label(u"Label4"_s, u"～"_s, c);

    Label1 = label(u"Label1"_s, u"店名"_s, c);
    Combo1 = named(new PopupComboBox(c), u"Combo1"_s);

    Label16 = label(u"Label16"_s, u"営業種"_s, c);
    Frame1 = named(new QGroupBox(c), u"Frame1"_s);
    Option6 = named(new QRadioButton(u"平常開店"_s, Frame1), u"Option6"_s);
    Option7 = named(new QRadioButton(u"新規開店"_s, Frame1), u"Option7"_s);
    Option8 = named(new QRadioButton(u"新装開店"_s, Frame1), u"Option8"_s);
    Option9 = named(new QRadioButton(u"新台入替"_s, Frame1), u"Option9"_s);
    m_dayTypes = new QButtonGroup(this);
    for (QRadioButton *o : {Option6, Option7, Option8, Option9})
        m_dayTypes->addButton(o);

    Label3 = label(u"Label3"_s, u"機種"_s, c);
    Frame2 = named(new QGroupBox(c), u"Frame2"_s);
    Option1 = named(new QRadioButton(u"羽物"_s, Frame2), u"Option1"_s);
    Option2 = named(new QRadioButton(u"デジパチ"_s, Frame2), u"Option2"_s);
    Option3 = named(new QRadioButton(u"権利物"_s, Frame2), u"Option3"_s);
    Option4 = named(new QRadioButton(u"一般電役、一般機"_s, Frame2), u"Option4"_s);
    Option5 = named(new QRadioButton(u"ＣＲデジパチ"_s, Frame2), u"Option5"_s);
    m_categories = new QButtonGroup(this);
    for (QRadioButton *o : {Option1, Option2, Option3, Option4, Option5})
        m_categories->addButton(o);

    Label2 = label(u"Label2"_s, u"機種名"_s, c);
    Combo2 = named(new PopupComboBox(c), u"Combo2"_s);

    Label12 = label(u"Label12"_s, u"投資額"_s, c);
    Text10 = box(u"Text10"_s, 1, 1, c);
    Text11 = box(u"Text11"_s, 1, 1, c);
    Text12 = box(u"Text12"_s, 1, 1, c);
    Text13 = box(u"Text13"_s, 1, 1, c);
    VScroll5 = spinner(u"VScroll5"_s, c);
    VScroll6 = spinner(u"VScroll6"_s, c);
    VScroll7 = spinner(u"VScroll7"_s, c);
    Label25 = label(u"Label25"_s, u"万"_s, c);
    Label5 = label(u"Label5"_s, u"千"_s, c);
    Label26 = label(u"Label26"_s, u"百円"_s, c);

    Label13 = label(u"Label13"_s, u"換金額"_s, c);
    Text14 = box(u"Text14"_s, 1, 1, c);
    Text15 = box(u"Text15"_s, 1, 1, c);
    Text16 = box(u"Text16"_s, 1, 1, c);
    Text17 = box(u"Text17"_s, 1, 1, c);
    VScroll8 = spinner(u"VScroll8"_s, c);
    VScroll9 = spinner(u"VScroll9"_s, c);
    VScroll10 = spinner(u"VScroll10"_s, c);
    Label6 = label(u"Label6"_s, u"万"_s, c);
    Label24 = label(u"Label24"_s, u"千"_s, c);
    Label7 = label(u"Label7"_s, u"百円"_s, c);

    Label14 = label(u"Label14"_s, u"損益額"_s, c);
    Label15 = label(u"Label15"_s, QString(), c);
    Label15->setFont(big);
    Label15->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label15->setMinimumWidth(Label15->fontMetrics().horizontalAdvance(u"-999,900"_s) + 8);
    Label17 = label(u"Label17"_s, u"円"_s, c);

    Label8 = label(u"Label8"_s, u"感想 "_s, c);
    Text24 = named(new QPlainTextEdit(c), u"Text24"_s);
    Text24->setTabChangesFocus(true);

    Command23 = named(new QPushButton(u"登録"_s, c), u"Command23"_s);
    Command6 = named(new QPushButton(u"削除"_s, c), u"Command6"_s);
}

void PatincoMain::buildLayout() {
    QWidget *c = centralWidget();
    auto *top = new QVBoxLayout(c);

    // Picture buttons, left to right in the order the toolbar has always had.
    auto *tools = new QHBoxLayout;
    for (PictureButton *b : {Picture1, Picture2, Picture6, Picture4, Picture5, Picture3})
        tools->addWidget(b);
    tools->addStretch();
    tools->addWidget(Label9, 0, Qt::AlignTop);
    top->addLayout(tools);

    auto *header = new QHBoxLayout;
    header->addWidget(Label19);
    header->addWidget(Label20);
    header->addWidget(HScroll1, 1);
    header->addSpacing(16);
    header->addWidget(Label22);
    header->addWidget(HScroll2);
    header->addWidget(Text2);
    top->addLayout(header);

    auto *columns = new QHBoxLayout;
    top->addLayout(columns, 1);

    // Left: date, time, store, day type, category, model.
    auto *left = new QGridLayout;
    left->setColumnStretch(1, 1);
    columns->addLayout(left, 1);
    int row = 0;

    auto *date = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{Text3, Label11, Text4, Label23, Text5, Label27})
        date->addWidget(w);
    date->addStretch();
    left->addWidget(Label18, row, 0);
    left->addLayout(date, row++, 1);
    left->addWidget(HScroll3, row++, 1);

    // Each spinner stands above the digit boxes it drives.
    auto *time = new QGridLayout;
    time->setHorizontalSpacing(2);
    time->setVerticalSpacing(1);
    time->addWidget(VScroll1, 0, 0, 1, 2, Qt::AlignHCenter);
    time->addWidget(VScroll2, 0, 3, 1, 2, Qt::AlignHCenter);
    time->addWidget(VScroll3, 0, 6, 1, 2, Qt::AlignHCenter);
    time->addWidget(VScroll4, 0, 9, 1, 2, Qt::AlignHCenter);
    int col = 0;
    for (QWidget *w : std::initializer_list<QWidget *>{Text6, Text7, Label10a, Text18, Text19, Label4, Text8,
                                                       Text9, Label10b, Text20, Text21})
        time->addWidget(w, 1, col++, Qt::AlignCenter);
    time->setColumnStretch(col, 1);
    left->addLayout(time, row++, 1);

    left->addWidget(Label1, row, 0);
    left->addWidget(Combo1, row++, 1);

    auto *days = new QGridLayout(Frame1);
    days->addWidget(Option6, 0, 0);
    days->addWidget(Option7, 0, 1);
    days->addWidget(Option8, 1, 0);
    days->addWidget(Option9, 1, 1);
    left->addWidget(Label16, row, 0, Qt::AlignTop);
    left->addWidget(Frame1, row++, 1);

    auto *kinds = new QGridLayout(Frame2);
    kinds->addWidget(Option1, 0, 0);
    kinds->addWidget(Option2, 0, 1);
    kinds->addWidget(Option3, 1, 0);
    kinds->addWidget(Option4, 1, 1);
    kinds->addWidget(Option5, 2, 0);
    left->addWidget(Label3, row, 0, Qt::AlignTop);
    left->addWidget(Frame2, row++, 1);

    left->addWidget(Label2, row, 0);
    left->addWidget(Combo2, row++, 1);
    left->setRowStretch(row, 1);

    columns->addSpacing(18);

    // Right: amounts, profit, impression, buttons.
    auto *right = new QGridLayout;
    columns->addLayout(right, 1);
    row = 0;
    auto amount = [](QLabel *title, QScrollBar *man, QScrollBar *sen, QScrollBar *hyaku, QLineEdit *t1,
                     QLineEdit *t2, QLineEdit *t3, QLineEdit *t4, QLabel *lMan, QLabel *lSen,
                     QLabel *lHyaku) {
        auto *g = new QGridLayout;
        g->setHorizontalSpacing(2);
        g->setVerticalSpacing(1);
        g->addWidget(man, 0, 0, 1, 2, Qt::AlignHCenter);
        g->addWidget(sen, 0, 3, Qt::AlignHCenter);
        g->addWidget(hyaku, 0, 5, Qt::AlignHCenter);
        g->addWidget(t1, 1, 0);
        g->addWidget(t2, 1, 1);
        g->addWidget(lMan, 1, 2);
        g->addWidget(t3, 1, 3);
        g->addWidget(lSen, 1, 4);
        g->addWidget(t4, 1, 5);
        g->addWidget(lHyaku, 1, 6);
        g->setColumnStretch(7, 1);
        Q_UNUSED(title);
        return g;
    };
    right->addWidget(Label12, row, 0, Qt::AlignBottom);
    right->addLayout(amount(Label12, VScroll5, VScroll6, VScroll7, Text10, Text11, Text12, Text13, Label25,
                            Label5, Label26),
                     row++, 1);
    right->addWidget(Label13, row, 0, Qt::AlignBottom);
    right->addLayout(amount(Label13, VScroll8, VScroll9, VScroll10, Text14, Text15, Text16, Text17, Label6,
                            Label24, Label7),
                     row++, 1);
    auto *profit = new QHBoxLayout;
    profit->addWidget(Label15);
    profit->addWidget(Label17);
    profit->addStretch();
    right->addWidget(Label14, row, 0);
    right->addLayout(profit, row++, 1);
    right->addWidget(Label8, row++, 0, 1, 2);
    right->addWidget(Text24, row++, 0, 1, 2);
    right->setRowStretch(row - 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command23);
    buttons->addWidget(Command6);
    right->addLayout(buttons, row++, 0, 1, 2);
    right->setColumnStretch(1, 1);
}

void PatincoMain::buildMenus() {
    auto item = [this](QMenu *menu, const QString &name, const QString &text, bool enabled) {
        QAction *a = menu->addAction(text);
        a->setObjectName(name);
        a->setEnabled(enabled);
        return a;
    };
    QMenu *menu = menuBar()->addMenu(u"メニュー(&M)"_s);
    menu->setObjectName(u"menu"_s);
    connect(item(menu, u"user_select"_s, u"ユーザー選択(&Y)"_s, true), &QAction::triggered, this,
            &PatincoMain::user_select_Click);
    menu->addSeparator()->setObjectName(u"afrg"_s);
    connect(item(menu, u"All"_s, u"リスト表示(&L)"_s, true), &QAction::triggered, this, &PatincoMain::All_Click);
    connect(item(menu, u"graph"_s, u"グラフ表示(&G)"_s, true), &QAction::triggered, this, &PatincoMain::graph_Click);
    connect(item(menu, u"disp_report"_s, u"レポート表示(&R)"_s, true), &QAction::triggered, this,
            &PatincoMain::disp_report_Click);
    QAction *analysis = item(menu, u"analysis"_s, u"分析(&A)"_s, true);
    analysis->setShortcut(Qt::Key_F7);
    connect(analysis, &QAction::triggered, this, [this] { showWindow<AnalysisWindow>(); });
    menu->addSeparator()->setObjectName(u"zxc"_s);
    connect(item(menu, u"endi"_s, u"終了(&E)"_s, true), &QAction::triggered, this, &PatincoMain::endi_Click);

    QMenu *dataSET = menuBar()->addMenu(u"データ設定(&D)"_s);
    dataSET->setObjectName(u"dataSET"_s);
    connect(item(dataSET, u"MISEDATASETTEI"_s, u"店データ設定(&A)"_s, true), &QAction::triggered, this,
            &PatincoMain::MISEDATASETTEI_Click);
    connect(item(dataSET, u"kisyudatasettei"_s, u"機種データ設定(&B)"_s, true), &QAction::triggered, this,
            &PatincoMain::kisyudatasettei_Click);
    dataSET->addSeparator()->setObjectName(u"zxcx"_s);
    connect(item(dataSET, u"filesort"_s, u"日記ファイルの整理(&D)"_s, true), &QAction::triggered, this,
            &PatincoMain::filesort_Click);

    QMenu *hppp = menuBar()->addMenu(u"ヘルプ(&H)"_s);
    hppp->setObjectName(u"hppp"_s);
    connect(item(hppp, u"helpn"_s, u"ヘルプ(&P)"_s, true), &QAction::triggered, this, &PatincoMain::helpn_Click);
    connect(item(hppp, u"topic"_s, u"トピック検索(&T)"_s, true), &QAction::triggered, this, &PatincoMain::topic_Click);
    hppp->addSeparator()->setObjectName(u"ghj"_s);
    connect(item(hppp, u"DispVer"_s, u"バージョン情報(&V)"_s, true), &QAction::triggered, this,
            &PatincoMain::DispVer_Click);
}

void PatincoMain::connectHandlers() {
    connect(Text2, &QLineEdit::textChanged, this, &PatincoMain::Text2_Change);
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
    connect(HScroll3, &QScrollBar::valueChanged, this, &PatincoMain::HScroll3_Change);
    connect(VScroll1, &QScrollBar::valueChanged, this, &PatincoMain::VScroll1_Change);
    connect(VScroll2, &QScrollBar::valueChanged, this, &PatincoMain::VScroll2_Change);
    connect(VScroll3, &QScrollBar::valueChanged, this, &PatincoMain::VScroll3_Change);
    connect(VScroll4, &QScrollBar::valueChanged, this, &PatincoMain::VScroll4_Change);
    connect(VScroll5, &QScrollBar::valueChanged, this, &PatincoMain::VScroll5_Change);
    connect(VScroll6, &QScrollBar::valueChanged, this, &PatincoMain::VScroll6_Change);
    connect(VScroll7, &QScrollBar::valueChanged, this, &PatincoMain::VScroll7_Change);
    connect(VScroll8, &QScrollBar::valueChanged, this, &PatincoMain::VScroll8_Change);
    connect(VScroll9, &QScrollBar::valueChanged, this, &PatincoMain::VScroll9_Change);
    connect(VScroll10, &QScrollBar::valueChanged, this, &PatincoMain::VScroll10_Change);
    connect(Combo1, &QComboBox::editTextChanged, this, &PatincoMain::Combo1_Change);
    connect(Combo1, &PopupComboBox::aboutToShowPopup, this, &PatincoMain::Combo1_DropDown);
    connect(Combo1, &PopupComboBox::entryChosen, this, &PatincoMain::Combo1_Click);
    connect(Combo2, &PopupComboBox::aboutToShowPopup, this, &PatincoMain::Combo2_DropDown);
    connect(Combo2, &PopupComboBox::entryChosen, this, &PatincoMain::Combo2_Click);
    connect(Command23, &QPushButton::clicked, this, &PatincoMain::Command23_Click);
    connect(Command6, &QPushButton::clicked, this, &PatincoMain::Command6_Click);
    connect(Option1, &QRadioButton::clicked, this, &PatincoMain::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &PatincoMain::Option2_Click);
    connect(Option3, &QRadioButton::clicked, this, &PatincoMain::Option3_Click);
    connect(Option4, &QRadioButton::clicked, this, &PatincoMain::Option4_Click);
    connect(Option5, &QRadioButton::clicked, this, &PatincoMain::Option5_Click);
    connect(Text24, &QPlainTextEdit::textChanged, this, [this] {
        const QString t = Text24->toPlainText();
        if (t.size() > 160) {
            Text24->setPlainText(t.left(160));
            Text24->moveCursor(QTextCursor::End);
        }
    });

    Text3->installEventFilter(this);
    Text4->installEventFilter(this);
    centralWidget()->setMouseTracking(true);
    centralWidget()->installEventFilter(this);
}

// ---- window ----

void PatincoMain::setYearText(const QString &year) {
    Text2->setText(year);
}
QString PatincoMain::yearText() const {
    return Text2->text();
}

void PatincoMain::Text2_Change() {
    setLabel22(Text2->text());
}

// The label always ends up showing the diary's year, whatever was copied into it.
void PatincoMain::Label22_Change() {
    setLabel22(m_registry.state().year);
}

void PatincoMain::setLabel22(const QString &text) {
    if (Label22->text() == text) return;
    Label22->setText(text);
    Label22_Change();
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
    for (int i = 1; i <= 10; ++i) {
        QScrollBar *bar = std::array{VScroll1, VScroll2, VScroll3, VScroll4, VScroll5,
                                     VScroll6, VScroll7, VScroll8, VScroll9, VScroll10}[size_t(i - 1)];
        const Spinner &s = Spinner::at(i);
        // The diary load below fills every box, so the starting positions are set quietly.
        const QSignalBlocker quiet(bar);
        bar->setRange(s.minimum(), s.maximum());
        bar->setValue(s.start());
    }

    // Every year up to today's is reachable, down to year 1, the first a date can have.
    // The minimum comes last: raising it first would move the scroller to year 1 and
    // open that year's diary.
    const int thisYear = tama::clock().today().year();
    HScroll2->setMaximum(thisYear);
    HScroll2->setValue(thisYear); // a changed year switches the diary
    HScroll2->setMinimum(1);
    setYearText(fourDigits(HScroll2->maximum()));

    LoadDiary();

    DateRange range = dateScrollerRange(Text2->text().toInt(), tama::clock().today());
    if (auto newCard = formDate(Text2->text() + u'/' + Text3->text() + u'/' + Text4->text()))
        range.maximum = std::max(range.minimum, dateScrollerValue(*newCard));
    HScroll3->setRange(range.minimum, range.maximum);
    HScroll3->setValue(range.maximum);
}

void PatincoMain::LoadDiary() {
    DiaryState &s = m_registry.state();
    setWindowTitle(u"タマノート Ver2.0  [ "_s + s.diaryFile + u" ]"_s);
    int count = 0;
    try {
        count = DiaryFile(s.folder, s.diaryFile).count();
    } catch (const StoreError &e) {
        ErrorBox(e.message());
    }
    const int n = count + 1;
    Label19->setText(QString::number(n));

    // Moving the scroller shows the card; when it already stood there, show it here.
    const int shownBefore = m_shown;
    HScroll1->setMinimum(1);
    HScroll1->setMaximum(n);
    HScroll1->setValue(n);
    if (m_shown == shownBefore) ShowCard();

    if (n == 1) {
        setCardColour(Label19, kBlue);
        setCardColour(Label20, kBlue);
        Label20->setText(u"新規作成"_s);
        const QDate today = tama::clock().today();
        if (s.year == yyyy(today)) {
            Text3->setText(mm(today));
            Text4->setText(dd(today));
            Text5->setText(weekdayChar(today));
        }
    }
    s.newCardNumber = HScroll1->value();
    Text6->setText(u"1"_s);
    Text7->setText(u"0"_s);
    Text18->setText(u"0"_s);
    Text19->setText(u"0"_s);
}

void PatincoMain::Form_Activate() {
    for (PictureButton *b : {Picture1, Picture2, Picture3, Picture4, Picture5, Picture6})
        b->showPressedImage(false);
    updateClock();
    DiaryState &s = m_registry.state();
    if (s.reloadRequested) {
        Form_Load();
        s.reloadRequested = false;
    }
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
        const bool month = watched == Text3;
        if (e->type() == QEvent::KeyPress && !static_cast<QKeyEvent *>(e)->text().isEmpty())
            month ? Text3_KeyPress() : Text4_KeyPress(); // before the key reaches the box
        else if (e->type() == QEvent::FocusOut)
            month ? Text3_LostFocus() : Text4_LostFocus();
    }
    return QMainWindow::eventFilter(watched, e);
}

void PatincoMain::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.endProgram();
}

void PatincoMain::user_select_Click() {
    m_registry.unload<allSelect>();
    m_registry.unload<dispreport>();
    m_registry.unload<KDATA>();
    m_registry.unload<listview>();
    m_registry.unload<MDATA>();
    m_registry.unload<tukiGrafh>();
    m_registry.unload<New_touroku>();
    m_registry.unload<NEWNAME>();
    m_registry.unload<search_kisyu>();
    m_registry.unload<tyoimati>();
    m_registry.get<PATINKEST>()->ShowFromMenu();
}

void PatincoMain::endi_Click() {
    m_registry.endProgram();
}

// There is no platform help viewer to hand the help file to: the program shows its own
// pages, at the contents or at the keyword search with an empty key.
void PatincoMain::helpn_Click() {
    m_registry.get<HelpWindow>()->showContents();
}

void PatincoMain::topic_Click() {
    m_registry.get<HelpWindow>()->showSearch(QString());
}

void PatincoMain::DispVer_Click() {
    showWindow<ver>();
}

template <class W> void PatincoMain::showWindow() {
    W *w = m_registry.get<W>();
    w->show();
    w->raise();
    w->activateWindow();
}

void PatincoMain::MISEDATASETTEI_Click() {
    showWindow<MDATA>();
}
void PatincoMain::kisyudatasettei_Click() {
    showWindow<KDATA>();
}

// The pressed picture stays until this window is active again.
void PatincoMain::Picture4_Click() {
    Picture4->showPressedImage(true);
    showWindow<MDATA>();
}

void PatincoMain::Picture5_Click() {
    Picture5->showPressedImage(true);
    showWindow<KDATA>();
}

// The menu always opens the filter afresh; its picture button shows it as it is.
void PatincoMain::All_Click() {
    m_registry.unload<allSelect>();
    showWindow<allSelect>();
}
void PatincoMain::graph_Click() {
    showWindow<tukiGrafh>();
}
void PatincoMain::disp_report_Click() {
    showWindow<dispreport>();
}

void PatincoMain::Picture1_Click() {
    Picture1->showPressedImage(true);
    showWindow<tukiGrafh>();
    tukiGrafh *g = m_registry.get<tukiGrafh>();
    g->sumkankin->setText(GraphSettings::caption(GraphSettings::CashOut, true));
    g->SumTousi->setText(GraphSettings::caption(GraphSettings::Investment, true));
    g->sengrafh->setText(GraphSettings::styleCaption(true));
}
void PatincoMain::Picture2_Click() {
    Picture2->showPressedImage(true);
    showWindow<allSelect>();
}
void PatincoMain::Picture6_Click() {
    Picture6->showPressedImage(true);
    showWindow<dispreport>();
}

void PatincoMain::showCardNumber(int n) {
    HScroll1->setValue(n);
}

void PatincoMain::showDiaryCard(int year, int n) {
    if (year < HScroll2->minimum() || year > HScroll2->maximum()) return;
    HScroll2->setValue(year); // a changed year loads that diary
    HScroll1->setValue(n);
}

// ---- card display ----

void PatincoMain::setCardColour(QLabel *label, const QColor &colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

void PatincoMain::setProfit(const ProfitText &p) {
    setCardColour(Label15, p.negative ? kRed : kBlack);
    Label15->setText(p.text);
}

void PatincoMain::showNewCardState() {
    setCardColour(Label19, kBlue);
    setCardColour(Label20, kBlue);
    Label20->setText(u"新規作成"_s);
    Command23->setText(u"登録"_s);
}

void PatincoMain::selectOption(QRadioButton *option, void (PatincoMain::*handler)()) {
    option->setChecked(true);
    (this->*handler)();
}

void PatincoMain::HScroll1_Change() {
    ShowCard();
}

void PatincoMain::ShowCard() {
    ++m_shown;
    const DiaryState &s = m_registry.state();
    const int n = HScroll1->value();
    Label19->setText(QString::number(n));

    CardRecord card;
    try {
        card = DiaryFile(s.folder, s.diaryFile).readOrBlank(n);
    } catch (const StoreError &e) {
        ErrorBox(e.message()); // the card is shown blank
    }
    const QString visitDate = card.field(CardRecord::VisitDate);

    // A marked card carries its mark in the year box, so that updating it keeps the
    // mark; any other card must not inherit it.
    setYearText(visitDate.startsWith(u'R') && n != HScroll1->maximum() ? visitDate.left(4) : s.year);
    Text3->setText(visitDate.mid(4, 2));
    Text4->setText(visitDate.mid(6, 2));
    Text5->setText(visitDate.mid(8, 1));

    const QStringList start = fieldBoxes(card.field(CardRecord::StartTime));
    const QStringList end = fieldBoxes(card.field(CardRecord::EndTime));
    Text6->setText(start[0]);
    Text7->setText(start[1]);
    Text18->setText(start[2]);
    Text19->setText(start[3]);
    Text8->setText(end[0]);
    Text9->setText(end[1]);
    Text20->setText(end[2]);
    Text21->setText(end[3]);

    const QString dayType = card.field(CardRecord::DayType);
    (dayType == u"222"_s   ? Option7
     : dayType == u"333"_s ? Option8
     : dayType == u"444"_s ? Option9
                           : Option6)
        ->setChecked(true);

    Combo1->setEditText(card.field(CardRecord::StoreName)); // a new store text clears the category

    const QString category = card.field(CardRecord::Category);
    if (category == u"1"_s)
        selectOption(Option1, &PatincoMain::Option1_Click);
    else if (category == u"2"_s)
        selectOption(Option2, &PatincoMain::Option2_Click);
    else if (category == u"3"_s)
        selectOption(Option5, &PatincoMain::Option5_Click);
    else if (category == u"4"_s)
        selectOption(Option3, &PatincoMain::Option3_Click);
    else if (category == u"5"_s)
        selectOption(Option4, &PatincoMain::Option4_Click);

    Combo2->setEditText(card.field(CardRecord::ModelName));

    const QString investment = card.field(CardRecord::Investment);
    const QString cashOut = card.field(CardRecord::CashOut);
    const QStringList inv = fieldBoxes(investment);
    const QStringList cash = fieldBoxes(cashOut);
    const std::array invBoxes{Text10, Text11, Text12, Text13};
    const std::array cashBoxes{Text14, Text15, Text16, Text17};
    for (int i = 0; i < 4; ++i) {
        invBoxes[size_t(i)]->setText(inv[i]);
        cashBoxes[size_t(i)]->setText(cash[i]);
    }

    const ProfitText profit = shownProfit(amountFromDigits(texts({Text10, Text11, Text12, Text13})),
                                          amountFromDigits(texts({Text14, Text15, Text16, Text17})));
    setProfit(profit);

    Text24->setPlainText(trimRight(card.field(CardRecord::Impression)));

    const bool newCard = n == HScroll1->maximum();
    if (newCard) {
        showNewCardState();
        for (QLineEdit *b : invBoxes)
            b->clear();
        for (QLineEdit *b : cashBoxes)
            b->clear();
        const QDate today = tama::clock().today();
        if (s.year == yyyy(today)) {
            Text3->setText(mm(today));
            Text4->setText(dd(today));
            Text5->setText(weekdayChar(today));
        } else {
            Text3->setText(u"12"_s);
            Text4->setText(u"31"_s);
            Text5->setText(weekdayChar(QDate(s.year.toInt(), 12, 31)));
        }
        ClearCategory();
    } else {
        setCardColour(Label19, kBlack);
        setCardColour(Label20, kBlack);
        Label20->setText(u"変更/削除"_s);
        Command23->setText(u"更新"_s);
    }

    if (visitDate.startsWith(u'R')) {
        setCardColour(Label20, kRed);
        Label20->setText(u"削除候補"_s);
        setCardColour(Label19, kRed);
        Command6->setText(u"削除取消"_s);
    } else {
        Command6->setText(u"削除"_s);
    }

    if (textToNumber(Text3->text()) != 0 || textToNumber(Text4->text()) != 0) {
        if (auto place = placeOnScroller(Text2->text(), Text3->text(), Text4->text(),
                                         {HScroll3->minimum(), HScroll3->maximum()})) {
            if (place->inRange) {
                HScroll3->setValue(place->value);
            } else {
                // Outside the scroller's days: the box goes to the nearest end, and the
                // card keeps the date it was registered with.
                const QSignalBlocker quiet(HScroll3);
                HScroll3->setValue(place->value);
            }
        }
    }

    if (textToNumber(Text6->text() + Text7->text()) != 0) {
        VScroll1->setValue(32 - int(textToNumber(Text6->text() + Text7->text())));
        VScroll2->setValue(60 - int(textToNumber(Text18->text() + Text19->text())));
        VScroll3->setValue(32 - int(textToNumber(Text8->text() + Text9->text())));
        VScroll4->setValue(60 - int(textToNumber(Text20->text() + Text21->text())));
    }

    VScroll5->setValue(100 - int(textToNumber(Text10->text() + Text11->text())));
    VScroll6->setValue(10 - int(textToNumber(Text12->text())));
    VScroll7->setValue(10 - int(textToNumber(Text13->text())));
    VScroll8->setValue(100 - int(textToNumber(Text14->text() + Text15->text())));
    VScroll9->setValue(10 - int(textToNumber(Text16->text())));
    VScroll10->setValue(10 - int(textToNumber(Text17->text())));

    for (int i = 0; i < leadingZeroBoxes(investment); ++i)
        invBoxes[size_t(i)]->clear();
    for (int i = 0; i < leadingZeroBoxes(cashOut); ++i)
        cashBoxes[size_t(i)]->clear();

    if (newCard) {
        showNewCardState();
        for (QLineEdit *b : invBoxes)
            b->clear();
        for (QLineEdit *b : cashBoxes)
            b->clear();
    }

    // The spinners rewrote the profit while they moved; the card's own result stands.
    setProfit(profit);
}

void PatincoMain::HScroll2_Change() {
    DiaryState &s = m_registry.state();
    const int year = HScroll2->value();
    s.year = fourDigits(year);
    setYearText(s.year);

    // The user part is everything before ".year.dat"; a user name may hold a dot.
    static const QRegularExpression yearSuffix(u"\\.\\d{4}\\.dat$"_s);
    const QRegularExpressionMatch m = yearSuffix.match(s.diaryFile);
    const QString user = m.hasMatch() ? s.diaryFile.left(m.capturedStart()) : s.diaryFile.section(u'.', 0, 0);
    s.diaryFile = user + u'.' + s.year + u".dat"_s;

    const DateRange range = dateScrollerRange(year, tama::clock().today());
    HScroll3->setRange(range.minimum, range.maximum);

    LoadDiary();
}

// ---- date entry ----

void PatincoMain::HScroll3_Change() {
    SetDateFromScroller();
}

void PatincoMain::SetDateFromScroller() {
    const QDate d = dateFromScrollerValue(HScroll3->value());
    Text3->setText(mm(d));
    Text5->setText(weekdayChar(d));
    Text4->setText(dd(d));
}

void PatincoMain::repairTypedDate(bool inMonthBox) {
    const DateRepair r =
        repairDate(Text2->text(), Text3->text(), Text4->text(), inMonthBox ? DateBox::Month : DateBox::Day);
    if (Text3->text() != r.month) Text3->setText(r.month);
    if (Text4->text() != r.day) Text4->setText(r.day);
    if (!r.weekday.isEmpty()) Text5->setText(r.weekday);
    for (int i = 0; i < r.beeps; ++i)
        Beep();
}

void PatincoMain::Text3_KeyPress() {
    repairTypedDate(true);
}
void PatincoMain::Text4_KeyPress() {
    repairTypedDate(false);
}
void PatincoMain::Text3_LostFocus() {
    Text3->setText(padMonth(Text3->text()));
}
void PatincoMain::Text4_LostFocus() {
    Text4->setText(padDay(Text4->text()));
}

// ---- time spinners ----

bool PatincoMain::startIsLater() const {
    return timeNumber(Text6->text(), Text7->text(), Text18->text(), Text19->text()) >
           timeNumber(Text8->text(), Text9->text(), Text20->text(), Text21->text());
}

void PatincoMain::hourChange(bool start) {
    QScrollBar *bar = start ? VScroll1 : VScroll3;
    const Spinner &sp = Spinner::at(start ? 1 : 3);
    const int wrapped = sp.wrap(bar->value());
    if (wrapped != bar->value()) {
        bar->setValue(wrapped); // the change this raises does the rest
        return;
    }
    if (start && blank(Text6) && blank(Text7)) {
        VScroll1->setValue(22);
        VScroll2->setValue(60);
        Text18->setText(u"0"_s);
        Text19->setText(u"0"_s);
    } else if (!start && blank(Text6) && blank(Text7) && blank(Text8) && blank(Text9)) {
        VScroll3->setValue(22);
        VScroll4->setValue(60);
        Text8->setText(u"1"_s);
        Text9->setText(u"0"_s);
        Text20->setText(u"0"_s);
        Text21->setText(u"0"_s);
    }
    (start ? Text6 : Text8)->setText(sp.tensBox(bar->value()));
    (start ? Text7 : Text9)->setText(sp.onesBox(bar->value()));
    if (startIsLater()) {
        VScroll3->setValue(VScroll1->value());
        if (start) VScroll4->setValue(VScroll2->value());
    }
}

void PatincoMain::minuteChange(bool start) {
    QScrollBar *bar = start ? VScroll2 : VScroll4;
    const Spinner &sp = Spinner::at(start ? 2 : 4);
    const int wrapped = sp.wrap(bar->value());
    if (wrapped != bar->value()) {
        bar->setValue(wrapped);
        return;
    }
    (start ? Text18 : Text20)->setText(sp.tensBox(bar->value()));
    (start ? Text19 : Text21)->setText(sp.onesBox(bar->value()));
    if (startIsLater()) {
        VScroll3->setValue(VScroll1->value());
        VScroll4->setValue(VScroll2->value());
    }
}

void PatincoMain::VScroll1_Change() {
    hourChange(true);
}
void PatincoMain::VScroll2_Change() {
    minuteChange(true);
}
void PatincoMain::VScroll3_Change() {
    hourChange(false);
}
void PatincoMain::VScroll4_Change() {
    minuteChange(false);
}

// ---- amount spinners ----

void PatincoMain::tenThousandsChange(QScrollBar *bar, int index, QLineEdit *tens, QLineEdit *ones,
                                     QLineEdit *thousands, QLineEdit *hundreds) {
    if (zeroOrBlank(thousands) && zeroOrBlank(hundreds)) {
        thousands->setText(u"0"_s);
        hundreds->setText(u"0"_s);
    }
    const Spinner &sp = Spinner::at(index);
    const int wrapped = sp.wrap(bar->value());
    if (wrapped != bar->value()) {
        bar->setValue(wrapped);
        return;
    }
    tens->setText(sp.tensBox(bar->value()));
    ones->setText(sp.onesBox(bar->value()));
    UpdateProfit();
}

void PatincoMain::digitChange(QScrollBar *bar, int index, QLineEdit *box, QLineEdit *lower) {
    if (lower && zeroOrBlank(lower)) lower->setText(u"0"_s);
    const Spinner &sp = Spinner::at(index);
    const int wrapped = sp.wrap(bar->value());
    if (wrapped != bar->value()) {
        bar->setValue(wrapped);
        return;
    }
    box->setText(sp.onesBox(bar->value()));
    UpdateProfit();
}

void PatincoMain::VScroll5_Change() {
    tenThousandsChange(VScroll5, 5, Text10, Text11, Text12, Text13);
}
void PatincoMain::VScroll6_Change() {
    digitChange(VScroll6, 6, Text12, Text13);
}
void PatincoMain::VScroll7_Change() {
    digitChange(VScroll7, 7, Text13, nullptr);
}
void PatincoMain::VScroll8_Change() {
    tenThousandsChange(VScroll8, 8, Text14, Text15, Text16, Text17);
}
void PatincoMain::VScroll9_Change() {
    digitChange(VScroll9, 9, Text16, Text17);
}
void PatincoMain::VScroll10_Change() {
    digitChange(VScroll10, 10, Text17, nullptr);
}

void PatincoMain::UpdateProfit() {
    setProfit(enteredProfit(amountFromDigits(texts({Text10, Text11, Text12, Text13})),
                            amountFromDigits(texts({Text14, Text15, Text16, Text17}))));
}

// ---- store and category ----

void PatincoMain::Combo1_Change() {
    ClearCategory();
}

void PatincoMain::ClearCategory() {
    // An exclusive group always keeps one button checked; let go of it for a moment.
    m_categories->setExclusive(false);
    for (QAbstractButton *b : m_categories->buttons())
        b->setChecked(false);
    m_categories->setExclusive(true);
}

void PatincoMain::ChooseCategory(const QString &marker) {
    Combo2->clear();
    Combo2->clearEditText();
    const QString store = Combo1->currentText();
    if (modelListFileName(store).isEmpty()) {
        InfoBox(u"店名が選択または入力されていません。"_s, u"注意"_s);
        return;
    }
    try {
        Combo2->addItems(ModelListFile(m_registry.state().folder, store).section(marker));
    } catch (const StoreError &e) {
        ErrorBox(e.message());
    }
    Combo2->addItem(u"[ 該当機種をさがす ]"_s);
    Combo2->setCurrentIndex(-1); // a list filled is not a model chosen
    Combo2->clearEditText();
}

void PatincoMain::Option1_Click() {
    ChooseCategory(u"# 3"_s);
}
void PatincoMain::Option2_Click() {
    ChooseCategory(u"# 2"_s);
}
void PatincoMain::Option3_Click() {
    ChooseCategory(u"# 4"_s);
}
void PatincoMain::Option4_Click() {
    ChooseCategory(u"# 5"_s);
}
void PatincoMain::Option5_Click() {
    ChooseCategory(u"# 6"_s);
}

void PatincoMain::Combo1_DropDown() {
    // The list always reflects the file; the text in the box stays as it is.
    const QString shown = Combo1->currentText();
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->clear();
        Combo1->setEditText(shown);
    }
    try {
        for (const QString &name : StoreFile(m_registry.state().folder).list())
            Combo1->addEntry(name);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

// The store chosen goes to the front of the store file, so recent stores come first.
void PatincoMain::Combo1_Click() {
    ClearCategory();
    const int i = Combo1->currentIndex();
    if (i < 0) return;
    try {
        StoreFile(m_registry.state().folder).moveToFront(Combo1->itemText(i));
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void PatincoMain::Combo2_DropDown() {
    if (categoryOption() == 0) InfoBox(u"機種が選択されてません"_s, u"注意"_s);
}

void PatincoMain::Combo2_Click() {
    if (Combo2->currentText() != kModelSearchEntry) return;
    // A search left open from before would list another category.
    m_registry.unload<search_kisyu>();
    showWindow<search_kisyu>();
}

int PatincoMain::categoryOption() const {
    const std::array options{Option1, Option2, Option3, Option4, Option5};
    for (size_t i = 0; i < options.size(); ++i)
        if (options[i]->isChecked()) return int(i) + 1;
    return 0;
}

// ---- registration ----

CardControls PatincoMain::cardControls() const {
    CardControls c;
    c.year = Text2->text();
    c.month = Text3->text();
    c.day = Text4->text();
    c.weekday = Text5->text();
    c.start = {Text6->text(), Text7->text(), Text18->text(), Text19->text()};
    c.end = {Text8->text(), Text9->text(), Text20->text(), Text21->text()};
    c.store = Combo1->currentText();
    c.model = Combo2->currentText();
    c.category = categoryOption();
    const std::array dayTypes{Option6, Option7, Option8, Option9};
    for (size_t i = 0; i < dayTypes.size(); ++i)
        if (dayTypes[i]->isChecked()) c.dayType = int(i) + 1;
    c.investment = {Text10->text(), Text11->text(), Text12->text(), Text13->text()};
    c.cashOut = {Text14->text(), Text15->text(), Text16->text(), Text17->text()};
    // Line breaks are kept the way the diary has always stored them.
    c.impression = Text24->toPlainText().replace(u'\n', u"\r\n"_s);
    c.profit = Label15->text();
    return c;
}

void PatincoMain::showFilledBoxes(const CardControls &c) {
    Text6->setText(c.start[0]);
    Text8->setText(c.end[0]);
    const std::array inv{Text10, Text11, Text12, Text13};
    const std::array cash{Text14, Text15, Text16, Text17};
    for (size_t i = 0; i < 4; ++i) {
        inv[i]->setText(c.investment[i]);
        cash[i]->setText(c.cashOut[i]);
    }
}

void PatincoMain::Command23_Click() {
    const CardControls entered = cardControls();
    if (isIncomplete(entered)) {
        InfoBox(u"データが不完全です。空白箇所を入力してください。"_s, u"注意"_s);
        return;
    }
    const DiaryState &s = m_registry.state();
    const CardControls filled = withBlanksFilled(entered);
    const int number = int(textToNumber(Label19->text()));
    int newCard = 0;
    try {
        DiaryFile diary(s.folder, s.diaryFile);
        newCard = diary.count() + 1;
        if (auto problem = cardPlaceProblem(number, newCard - 1, number == HScroll1->maximum()))
            throw StoreError(StoreError::Kind::Invalid, diary.fileName(), *problem);
        const CardRecord card = cardFromControls(filled);
        // Refuses a character the code page lacks, naming the field, before any file
        // is written: the store and model names are the card's own.
        (void)card.record().toBytes();
        diary.write(number, card);
    } catch (const StoreError &e) {
        reportStoreError(e);
        return;
    }
    UpdateProfit();
    showFilledBoxes(filled);

    if (!trimRight(Combo1->currentText()).isEmpty()) {
        try {
            if (const std::optional<QString> added = StoreFile(s.folder).add(Combo1->currentText()))
                Combo1->addEntry(*added);
        } catch (const StoreError &e) {
            reportStoreError(e);
        }
    }
    const CategoryInfo *category = categoryOfOption(filled.category);
    if (category && !trimRight(Combo2->currentText()).isEmpty()) {
        try {
            if (const std::optional<QString> added =
                    ModelCatalogue(s.folder, *category).add(Combo2->currentText()))
                Combo2->addEntry(*added);
        } catch (const StoreError &e) {
            reportStoreError(e);
        }
    }
    CheckModelInStoreList();
    if (number == newCard) prepareNextCard();
    discardYearList();
}

void PatincoMain::CheckModelInStoreList() {
    if (trimRight(Combo1->currentText()).isEmpty() || trimRight(Combo2->currentText()).isEmpty()) return;
    try {
        const ModelListFile list(m_registry.state().folder, Combo1->currentText());
        list.ensure();
        if (modelListNames(textfile::readLines(list.path()).lines, Combo2->currentText())) return;
    } catch (const StoreError &e) {
        reportStoreError(e);
        return;
    }
    // Made afresh: it takes the store, model and category of this card when it loads.
    m_registry.unload<New_touroku>();
    showWindow<New_touroku>();
}

// The next card starts where the registered one ended, at the same store and date.
void PatincoMain::prepareNextCard() {
    const QStringList end = texts({Text8, Text9, Text20, Text21});
    const QString store = Combo1->currentText();
    for (QLineEdit *b : {Text10, Text11, Text12, Text13, Text14, Text15, Text16, Text17})
        b->clear();
    Combo2->clearText();
    ClearCategory();
    Label15->clear();
    Text24->clear();
    const int next = int(textToNumber(Label19->text())) + 1;
    Label19->setText(QString::number(next));
    HScroll1->setMaximum(next);
    HScroll1->setValue(HScroll1->value() + 1);
    m_registry.state().newCardNumber = HScroll1->maximum();
    const std::array startBoxes{Text6, Text7, Text18, Text19};
    const std::array endBoxes{Text8, Text9, Text20, Text21};
    for (size_t i = 0; i < 4; ++i) {
        startBoxes[i]->setText(end[qsizetype(i)]);
        endBoxes[i]->setText(end[qsizetype(i)]);
    }
    const int hour = int(textToNumber(Text6->text() + Text7->text()));
    const int minute = int(textToNumber(Text18->text() + Text19->text()));
    VScroll1->setValue(32 - hour);
    VScroll2->setValue(60 - minute);
    VScroll3->setValue(32 - hour);
    VScroll4->setValue(60 - minute);
    Combo1->setEditText(store);
    setCardColour(Label20, kBlue);
    Label20->setText(u"新規作成"_s);
    SetDateFromScroller();
}

// ---- deletion marks ----

void PatincoMain::Command6_Click() {
    const QString state = Label20->text();
    const DiaryState &s = m_registry.state();
    const int n = int(textToNumber(Label19->text()));
    if (state == u"変更/削除"_s) {
        try {
            DiaryFile diary(s.folder, s.diaryFile);
            diary.setCandidate(n, true);
            setYearText(diary.readOrBlank(n).field(CardRecord::VisitDate).left(4));
        } catch (const StoreError &e) {
            reportStoreError(e);
            return;
        }
        setCardColour(Label20, kRed);
        Label20->setText(u"削除候補"_s);
        Command6->setText(u"削除取消"_s);
    } else if (state == u"新規作成"_s) {
        emptyCardBoxes();
    } else if (state == u"削除候補"_s) {
        try {
            DiaryFile(s.folder, s.diaryFile).setCandidate(n, false);
        } catch (const StoreError &e) {
            reportStoreError(e);
            return;
        }
        setYearText(s.year);
        setCardColour(Label20, kBlack);
        Label20->setText(u"変更/削除"_s);
        setCardColour(Label19, kBlack);
        Command6->setText(u"削除"_s);
    }
}

void PatincoMain::emptyCardBoxes() {
    for (QLineEdit *b : {Text6, Text7, Text18, Text19, Text8, Text9, Text20, Text21, Text10, Text11, Text12,
                         Text13, Text14, Text15, Text16, Text17})
        b->clear();
    Combo1->setEditText(QString());
    Combo2->setEditText(QString());
    ClearCategory();
    Label15->clear();
    Text24->clear();
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
        plan = organiseDiary(s.folder, s.diaryFile);
    } catch (const StoreError &e) {
        reportStoreError(e); // the diary is as it was
        return;
    }
    const int j = plan.newCardNumber();
    // The new-card place of the organised diary; shown even when the scroller stays.
    const int shownBefore = m_shown;
    HScroll1->setMaximum(j);
    HScroll1->setValue(j);
    if (m_shown == shownBefore) ShowCard();
    s.newCardNumber = j;

    Label19->setText(QString::number(HScroll1->maximum()));
    Text6->setText(Text8->text());
    Text7->setText(Text9->text());
    Text18->setText(Text20->text());
    Text19->setText(Text21->text());
    for (QLineEdit *b : {Text10, Text11, Text12, Text13, Text14, Text15, Text16, Text17})
        b->clear();
    Combo2->setEditText(QString());
    Label15->clear();
    Text24->clear();
    ClearCategory();
    showNewCardState();
    Command6->setText(u"削除"_s);
    setYearText(s.year);
    const QDate today = tama::clock().today();
    if (s.year == yyyy(today)) {
        Text3->setText(mm(today));
        Text4->setText(dd(today));
        Text5->setText(weekdayChar(today));
    }
    // Its lines carry the old card numbers.
    discardYearList();
}

// The year list reads the diary when it is made; the next showing makes it anew.
void PatincoMain::discardYearList() {
    m_registry.unload<listview>();
}

} // namespace tama
