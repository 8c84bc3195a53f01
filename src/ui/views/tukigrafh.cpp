#include "views/tukigrafh.h"
#include "app/storeerrorreport.h"
#include "app/windowhelpers.h"

#include "app/named.h"
#include "app/windowregistry.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "painters/monthgraphpainter.h"
#include "store/diary.h"
#include "store/storeerror.h"
#include "views/cardscreenlink.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

// ---- the picture ----

GraphArea::GraphArea(QWidget *parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, MonthGraphPainter::background());
    setPalette(p);
    for (const GraphText &t : MonthGraphPainter::axisTexts(MonthGraph::scaleFor(0))) {
        auto *l = new QLabel(t.text, this);
        l->setObjectName(t.name);
        l->setAlignment(Qt::AlignCenter);
        m_labels.append(l);
    }
}

QLabel *GraphArea::axisLabel(const QString &name) const {
    for (QLabel *l : m_labels)
        if (l->objectName() == name) return l;
    return nullptr;
}

void GraphArea::setGraph(std::unique_ptr<MonthGraph> graph) {
    m_graph = std::move(graph);
    if (m_graph)
        for (const GraphText &t : MonthGraphPainter::axisTexts(m_graph->scale()))
            if (QLabel *l = axisLabel(t.name)) l->setText(t.text);
    placeLabels();
    update();
}

void GraphArea::placeLabels() {
    const QTransform map = MonthGraphPainter::mapping(QRectF(rect()));
    const QFontMetricsF fm(font());
    const QList<GraphText> texts =
        MonthGraphPainter::axisTexts(m_graph ? m_graph->scale() : MonthGraph::scaleFor(0));
    for (const GraphText &t : texts)
        if (QLabel *l = axisLabel(t.name))
            l->setGeometry(MonthGraphPainter::textRect(map, fm, t).toAlignedRect());
}

void GraphArea::resizeEvent(QResizeEvent *e) {
    QWidget::resizeEvent(e);
    placeLabels();
}

void GraphArea::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QTransform map = MonthGraphPainter::mapping(QRectF(rect()));
    MonthGraphPainter::paintGrid(p, map);
    if (m_graph) MonthGraphPainter::paintShapes(p, map, m_graph->shapes());
    MonthGraphPainter::paintLegend(p, map);
}

// ---- the window ----

tukiGrafh::tukiGrafh(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"tukiGrafh"_s);
    setWindowTitle(MonthGraph::caption());

    menuBar = new QMenuBar(this);
    settei = named(menuBar->addMenu(u"設定１"_s), u"settei"_s);
    sumSoneki = named(settei->addAction(m_model.caption(GraphSettings::Profit)), u"sumSoneki"_s);
    sumkankin = named(settei->addAction(m_model.caption(GraphSettings::CashOut)), u"sumkankin"_s);
    SumTousi = named(settei->addAction(m_model.caption(GraphSettings::Investment)), u"SumTousi"_s);
    set2 = named(menuBar->addMenu(u"設定２"_s), u"set2"_s);
    sengrafh = named(set2->addAction(m_model.styleCaption()), u"sengrafh"_s);

    HScroll1 = named(new QScrollBar(Qt::Horizontal, this), u"HScroll1"_s);
    // A thumb one month wide, so that it shows where the month stands in the span
    // (a page of ten months made it cover the middle, whatever the month).
    HScroll1->setPageStep(1);
    HScroll1->setFocusPolicy(Qt::StrongFocus);
    Label12 = named(new QLabel(u"9999"_s, this), u"Label12"_s);
    Label13 = named(new QLabel(u"年"_s, this), u"Label13"_s);
    Label14 = named(new QLabel(u"99"_s, this), u"Label14"_s);
    Label22 = named(new QLabel(u"月"_s, this), u"Label22"_s);
    QFont big = font();
    big.setPointSize(big.pointSize() + 4);
    for (QLabel *l : {Label12, Label13, Label14, Label22})
        l->setFont(big);
    Label12->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label14->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label12->setMinimumWidth(QFontMetrics(big).horizontalAdvance(u"00000"_s));
    Label14->setMinimumWidth(QFontMetrics(big).horizontalAdvance(u"000"_s));

    m_area = new GraphArea(this);
    m_area->setObjectName(u"graphArea"_s);

    auto frame = [this](QGroupBox *&box, const QString &name, const QString &title, QLabel *&value,
                        const QString &valueName) {
        box = named(new QGroupBox(title, this), name);
        value = named(new QLabel(box), valueName);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(90);
        auto *l = new QHBoxLayout(box);
        l->addWidget(value, 1);
        l->addWidget(new QLabel(u"円"_s, box));
    };
    frame(Frame1, u"Frame1"_s, u"投資額 合計"_s, Label16, u"Label16"_s);
    frame(Frame2, u"Frame2"_s, u"換金額 合計"_s, Label18, u"Label18"_s);
    frame(Frame3, u"Frame3"_s, u"損益額 合計"_s, Label17, u"Label17"_s);
    Command3 = named(new QPushButton(u"戻る"_s, this), u"Command3"_s);

    auto *month = new QHBoxLayout;
    month->addWidget(HScroll1, 1);
    month->addSpacing(16);
    month->addWidget(Label12);
    month->addWidget(Label13);
    month->addWidget(Label14);
    month->addWidget(Label22);
    auto *totals = new QHBoxLayout;
    for (QGroupBox *b : {Frame1, Frame2, Frame3})
        totals->addWidget(b);
    totals->addStretch();
    totals->addWidget(Command3, 0, Qt::AlignBottom);
    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addLayout(month);
    layout->addWidget(m_area, 1);
    layout->addLayout(totals);

    connect(HScroll1, &QScrollBar::valueChanged, this, &tukiGrafh::HScroll1_Change);
    connect(&m_model, &MonthGraphModel::positionChanged, this, &tukiGrafh::DrawMonth);
    connect(&m_model, &MonthGraphModel::settingsChanged, this, [this] {
        showCaptions();
        DrawMonth();
    });
    // The diary is read once for each change, not for each month shown.
    connect(&m_registry.state(), &DiaryState::diaryChanged, this, &tukiGrafh::followDiary);
    connect(&m_registry.state(), &DiaryState::cardsChanged, this, &tukiGrafh::followDiary);
    connect(sengrafh, &QAction::triggered, this, &tukiGrafh::sengrafh_Click);
    connect(sumSoneki, &QAction::triggered, this, &tukiGrafh::sumSoneki_Click);
    connect(sumkankin, &QAction::triggered, this, &tukiGrafh::sumkankin_Click);
    connect(SumTousi, &QAction::triggered, this, &tukiGrafh::SumTousi_Click);
    connect(Command3, &QPushButton::clicked, this, &tukiGrafh::Command3_Click);

    Form_Load();
}

tukiGrafh::~tukiGrafh() = default;

// The card being entered on the card screen stands in for a diary without cards.
MonthSpan tukiGrafh::span() const {
    if (m_model.cardCount() > 0) return m_model.span(0, 0);
    int year = int(textToNumber(cardscreen::entryYear(m_registry)));
    int month = int(textToNumber(cardscreen::entryMonth(m_registry)));
    if (year <= 0) year = m_registry.state().year();
    if (month < 1 || month > 12) month = tama::clock().today().month();
    return m_model.span(year, month);
}

void tukiGrafh::Form_Load() {
    try {
        m_model.load(m_registry.state());
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void tukiGrafh::followDiary() {
    Form_Load();
    if (isVisible()) Form_Activate();
}

void tukiGrafh::Form_Activate() {
    const MonthSpan s = span();
    {
        const QSignalBlocker quiet(HScroll1);
        HScroll1->setRange(s.minimum(), s.maximum());
        HScroll1->setValue(std::clamp(s.span, s.minimum(), s.maximum()));
    }
    {
        const QSignalBlocker quiet(&m_model);
        m_model.setPosition(HScroll1->value());
    }
    DrawMonth();
}

bool tukiGrafh::event(QEvent *e) {
    if (e->type() == QEvent::WindowActivate) Form_Activate();
    return QWidget::event(e);
}

void tukiGrafh::showEvent(QShowEvent *e) {
    QWidget::showEvent(e);
    Form_Activate();
}

void tukiGrafh::DrawMonth() {
    auto graph = m_model.graph(span(), tama::clock().today());
    Label12->setText(graph->yearText());
    Label14->setText(graph->monthText());
    Label16->setText(graph->investmentText());
    Label18->setText(graph->cashOutText());
    Label17->setText(graph->profitText());
    setTextColour(Label17, graph->profitColour());
    m_area->setGraph(std::move(graph));
    ++m_draws;
}

void tukiGrafh::HScroll1_Change() {
    m_model.setPosition(HScroll1->value());
}

void tukiGrafh::showCaptions() {
    SumTousi->setText(m_model.caption(GraphSettings::Investment));
    sumkankin->setText(m_model.caption(GraphSettings::CashOut));
    sumSoneki->setText(m_model.caption(GraphSettings::Profit));
    sengrafh->setText(m_model.styleCaption());
}

void tukiGrafh::sengrafh_Click() {
    m_model.toggleStyle();
}

void tukiGrafh::sumSoneki_Click() {
    m_model.toggle(GraphSettings::Profit);
}
void tukiGrafh::sumkankin_Click() {
    m_model.toggle(GraphSettings::CashOut);
}
void tukiGrafh::SumTousi_Click() {
    m_model.toggle(GraphSettings::Investment);
}

void tukiGrafh::Command3_Click() {
    hide();
    m_registry.unload<tukiGrafh>();
}

void tukiGrafh::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.unload<tukiGrafh>();
}

} // namespace tama
