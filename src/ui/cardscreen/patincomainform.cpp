#include "cardscreen/patincomainform.h"
#include "app/windowhelpers.h"

#include "app/named.h"
#include "cardscreen/buttonart.h"
#include "cardscreen/picturebutton.h"
#include "store/daytype.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

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

} // namespace

void PatincoMainForm::setupForm(QMainWindow *window) {
    auto *c = new QWidget(window);
    c->setObjectName(u"central"_s);
    window->setCentralWidget(c);

    using M = ButtonArt::Motif;
    auto picture = [c](const QString &name, M motif, const QString &tip) {
        auto *b = named(
            new PictureButton(
                [motif](bool pressed, qreal ratio) { return ButtonArt::picture(motif, pressed, ratio); }, c),
            name);
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
    Option6 = named(new QRadioButton(dayTypes()[0].caption, Frame1), u"Option6"_s);
    Option7 = named(new QRadioButton(dayTypes()[1].caption, Frame1), u"Option7"_s);
    Option8 = named(new QRadioButton(dayTypes()[2].caption, Frame1), u"Option8"_s);
    Option9 = named(new QRadioButton(dayTypes()[3].caption, Frame1), u"Option9"_s);
    m_dayTypes = new QButtonGroup(window);
    int id = 0;
    for (QRadioButton *o : {Option6, Option7, Option8, Option9})
        m_dayTypes->addButton(o, ++id);

    Label3 = label(u"Label3"_s, u"機種"_s, c);
    Frame2 = named(new QGroupBox(c), u"Frame2"_s);
    Option1 = categoryButton(1, 1, Frame2, CategoryCaption::CardScreen);
    Option2 = categoryButton(2, 1, Frame2, CategoryCaption::CardScreen);
    Option3 = categoryButton(3, 1, Frame2, CategoryCaption::CardScreen);
    Option4 = categoryButton(4, 1, Frame2, CategoryCaption::CardScreen);
    Option5 = categoryButton(5, 1, Frame2, CategoryCaption::CardScreen);
    m_categories = new QButtonGroup(window);
    id = 0;
    for (QRadioButton *o : {Option1, Option2, Option3, Option4, Option5})
        m_categories->addButton(o, ++id);

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

    // Boxes take digits only; the scrollers can be reached by Tab and moved by keys.
    static const QRegularExpression oneDigit(u"[0-9 ]?"_s), twoDigits(u"[0-9]{0,2}"_s);
    for (QLineEdit *b : digitBoxes())
        b->setValidator(new QRegularExpressionValidator(oneDigit, b));
    for (QLineEdit *b : {Text3, Text4})
        b->setValidator(new QRegularExpressionValidator(twoDigits, b));
    for (QScrollBar *s : {HScroll1, HScroll2, HScroll3})
        s->setFocusPolicy(Qt::StrongFocus);
    for (QScrollBar *s : spinners())
        s->setFocusPolicy(Qt::NoFocus); // Up and Down in the digit boxes step them
    buildLayout(c);

    // Tab follows the card as it is filled in: date, times, store, day type, category,
    // model, amounts, impression, the two buttons, then the scrollers and pictures.
    QList<QWidget *> order{Text3, Text4, Text6, Text7, Text18, Text19, Text8, Text9, Text20, Text21, Combo1};
    for (QRadioButton *o : {Option6, Option7, Option8, Option9, Option1, Option2, Option3, Option4, Option5})
        order << o;
    order << Combo2;
    for (QLineEdit *b : {Text10, Text11, Text12, Text13, Text14, Text15, Text16, Text17})
        order << b;
    order << Text24 << Command23 << Command6 << HScroll1 << HScroll2 << HScroll3;
    for (QWidget *p :
         std::initializer_list<QWidget *>{Picture1, Picture2, Picture6, Picture4, Picture5, Picture3})
        order << p;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    Text5->setFocusPolicy(Qt::NoFocus); // the weekday follows the date; nothing to type
    Text3->setFocus();
}

std::array<QLineEdit *, 16> PatincoMainForm::digitBoxes() const {
    return {Text6,  Text7,  Text18, Text19, Text8,  Text9,  Text20, Text21,
            Text10, Text11, Text12, Text13, Text14, Text15, Text16, Text17};
}

std::array<QScrollBar *, 10> PatincoMainForm::spinners() const {
    return {VScroll1, VScroll2, VScroll3, VScroll4, VScroll5,
            VScroll6, VScroll7, VScroll8, VScroll9, VScroll10};
}

void PatincoMainForm::buildLayout(QWidget *c) {
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

    auto *columns = m_columns = new QHBoxLayout;
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
    auto amount = [](QScrollBar *man, QScrollBar *sen, QScrollBar *hyaku, QLineEdit *t1, QLineEdit *t2,
                     QLineEdit *t3, QLineEdit *t4, QLabel *lMan, QLabel *lSen, QLabel *lHyaku) {
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
        return g;
    };
    right->addWidget(Label12, row, 0, Qt::AlignBottom);
    right->addLayout(
        amount(VScroll5, VScroll6, VScroll7, Text10, Text11, Text12, Text13, Label25, Label5, Label26), row++,
        1);
    right->addWidget(Label13, row, 0, Qt::AlignBottom);
    right->addLayout(
        amount(VScroll8, VScroll9, VScroll10, Text14, Text15, Text16, Text17, Label6, Label24, Label7), row++,
        1);
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

} // namespace tama
