#include "views/analysiswindow.h"
#include "app/storeerrorreport.h"

#include "app/fonts.h"
#include "app/windowhelpers.h"
#include "app/windowregistry.h"
#include "common/clock.h"
#include "common/csv.h"
#include "common/dialogs.h"
#include "painters/monthgraphpainter.h"
#include "reports/statstable.h"
#include "store/diary.h"
#include "store/playdata.h"
#include "store/storeerror.h"
#include "views/cardscreenlink.h"
#include "views/resultspage.h"

#include <QCloseEvent>
#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

#include <climits>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// Sorts by the number kept with the text (a missing value lowest), not by the text.
class NumberItem : public QTableWidgetItem {
  public:
    NumberItem(const QString &text, qint64 value) : QTableWidgetItem(text) {
        setData(Qt::UserRole, value);
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem &other) const override {
        return data(Qt::UserRole).toLongLong() < other.data(Qt::UserRole).toLongLong();
    }
};

QColor signColour(qint64 v) {
    return viewColour(v < 0 ? ViewColour::Red : v > 0 ? ViewColour::Blue : ViewColour::Black);
}

QTableWidgetItem *numberItem(const std::optional<qint64> &v, bool tenths, bool yen,
                             std::optional<qint64> colourBy) {
    QString text = u"-"_s;
    if (v) text = tenths ? tenthsText(*v) : yen ? yenText(*v) : QString::number(*v);
    auto *item = new NumberItem(text, v.value_or(LLONG_MIN));
    if (colourBy && v) item->setForeground(signColour(*colourBy));
    return item;
}

const QStringList &byCaptions() {
    static const QStringList captions = {u"店"_s,   u"機種"_s,   u"機種の種類"_s, u"営業日の種類"_s,
                                         u"曜日"_s, u"時間帯"_s, u"月"_s,         u"年"_s};
    return captions;
}

// The statistics in the colours the program gives money (a recovery rate by whether it
// reaches 100 %).
class ColouredStats : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex &index, int role) const override {
        if (role != Qt::ForegroundRole) return QIdentityProxyModel::data(index, role);
        const QVariant colour = QIdentityProxyModel::data(index, StatsTableModel::ColourRole);
        return colour.isValid() ? QVariant(QBrush(viewColour(ViewColour(colour.toInt())))) : QVariant();
    }
};

QString totalLine(const StatsGroup &t) {
    auto opt = [](const std::optional<qint64> &v, bool tenths) {
        return v ? (tenths ? tenthsText(*v) : yenText(*v)) : u"-"_s;
    };
    return u"合計　来店 "_s + QString::number(t.visits) + u"回　投資額 "_s + yenText(t.investment) +
           u"円　換金額 "_s + yenText(t.cashOut) + u"円　収支 "_s + signedYenText(t.profit()) +
           u"円　回収率 "_s + opt(t.recoveryRateTenths(), true) + u"％　時給 "_s +
           opt(t.profitPerHour(), false) + u"円　勝率 "_s + tenthsText(t.winRateTenths()) + u"％"_s +
           (t.expectedValue() ? u"　期待値 "_s + signedYenText(*t.expectedValue()) + u"円　余剰 "_s +
                                    signedYenText(*t.luck()) + u"円"_s
                              : QString());
}

void setUpTable(QTableView *t, const QString &name) {
    t->setObjectName(name);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->setFont(listFont());
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->verticalHeader()->setDefaultSectionSize(QFontMetrics(t->font()).height() + 6);
}

QTableWidget *makeTable(const QStringList &heads, const QString &name, QWidget *parent) {
    auto *t = new QTableWidget(0, int(heads.size()), parent);
    t->setHorizontalHeaderLabels(heads);
    setUpTable(t, name);
    return t;
}

} // namespace

// ---- the pictures ----

CalendarView::CalendarView(QWidget *parent) : QWidget(parent), m_calendar(2000, 1, false) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(560, 400);
}

void CalendarView::setCalendar(const MonthCalendar &calendar) {
    m_calendar = calendar;
    update();
}

QPoint CalendarView::dayCentre(int day) const {
    return CalendarPainter::dayRect(rect(), m_calendar, font(), day).center().toPoint();
}

void CalendarView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    CalendarPainter::paint(p, rect(), m_calendar, font());
}

void CalendarView::mouseDoubleClickEvent(QMouseEvent *e) {
    if (const int day = CalendarPainter::dayAt(rect(), m_calendar, font(), e->position()))
        emit dayActivated(day);
}

// Left and right (and the page keys) step a month, up and down a year.
void CalendarView::keyPressEvent(QKeyEvent *e) {
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        emit step(-1);
        break;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        emit step(1);
        break;
    case Qt::Key_Up:
        emit step(-12);
        break;
    case Qt::Key_Down:
        emit step(12);
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

ChartView::ChartView(Kind kind, QWidget *parent) : QWidget(parent), m_kind(kind) {
    setMinimumSize(320, 240);
}

void ChartView::setValues(const QString &title, const QList<ChartValue> &values) {
    m_title = title;
    m_values = values;
    update();
}

void ChartView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    if (m_kind == Bars)
        BarChartPainter::paint(p, rect(), m_title, m_values, font());
    else
        LineChartPainter::paint(p, rect(), m_title, m_values, font());
}

LuckChartView::LuckChartView(QWidget *parent) : QWidget(parent) {
    setMinimumSize(480, 300);
}

void LuckChartView::setDays(const QList<PlayDay> &days, const QString &empty) {
    m_days = days;
    m_empty = empty;
    update();
}

void LuckChartView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    LuckChartPainter::paint(p, rect(), m_days, font(), m_empty);
}

// ---- the window ----

AnalysisWindow::AnalysisWindow(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"AnalysisWindow"_s);
    setWindowTitle(u"分析"_s);
    setFont(listFont(10));

    const DiaryState &s = m_registry.state();
    m_user = s.user();
    m_years = diaryYears(s.folder, m_user);

    IncludeMarked = new QCheckBox(u"削除候補のカードも数える(&M)"_s, this);
    IncludeMarked->setObjectName(u"IncludeMarked"_s);
    Tabs = new QTabWidget(this);
    Tabs->setObjectName(u"Tabs"_s);
    buildCalendarPage();
    buildStatsPage();
    buildYearsPage();
    buildLuckPage();
    Results = new ResultsPage;
    Results->setObjectName(u"Results"_s);
    Tabs->addTab(Results, u"成績(&R)"_s);

    auto *close = plainButton(u"Command1"_s, u"戻る"_s, this);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(IncludeMarked);
    bottom->addStretch();
    bottom->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Tabs, 1);
    layout->addLayout(bottom);

    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(IncludeMarked, &QCheckBox::toggled, this, &AnalysisWindow::reloadAll);
    connect(&m_registry.state(), &DiaryState::diaryChanged, this, &AnalysisWindow::followDiary);
    connect(&m_registry.state(), &DiaryState::cardsChanged, this, &AnalysisWindow::followCards);

    // The calendar opens on the month of the card being entered in the diary's year.
    m_year = s.year();
    if (m_year <= 0) m_year = tama::clock().today().year();
    m_month = cardscreen::entryMonth(m_registry).toInt();
    if (m_month < 1 || m_month > 12) m_month = tama::clock().today().month();
    reloadAll();
    resize(1200, 700);
}

void AnalysisWindow::buildCalendarPage() {
    auto *page = new QWidget;
    PrevYear = plainButton(u"PrevYear"_s, u"≪ 前年"_s, page);
    PrevMonth = plainButton(u"PrevMonth"_s, u"＜ 前月"_s, page);
    NextMonth = plainButton(u"NextMonth"_s, u"翌月 ＞"_s, page);
    NextYear = plainButton(u"NextYear"_s, u"翌年 ≫"_s, page);
    MonthLabel = new QLabel(page);
    MonthLabel->setObjectName(u"MonthLabel"_s);
    MonthLabel->setAlignment(Qt::AlignCenter);
    Calendar = new CalendarView(page);
    Calendar->setObjectName(u"Calendar"_s);
    auto *hint = new QLabel(u"←→ 月　↑↓ 年　日をダブルクリックでその日の最初のカード"_s, page);

    auto *bar = new QHBoxLayout;
    bar->addWidget(PrevYear);
    bar->addWidget(PrevMonth);
    bar->addWidget(MonthLabel, 1);
    bar->addWidget(NextMonth);
    bar->addWidget(NextYear);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(bar);
    layout->addWidget(Calendar, 1);
    layout->addWidget(hint);
    Tabs->addTab(page, u"カレンダー(&C)"_s);

    connect(PrevYear, &QPushButton::clicked, this, [this] { stepMonth(-12); });
    connect(PrevMonth, &QPushButton::clicked, this, [this] { stepMonth(-1); });
    connect(NextMonth, &QPushButton::clicked, this, [this] { stepMonth(1); });
    connect(NextYear, &QPushButton::clicked, this, [this] { stepMonth(12); });
    connect(Calendar, &CalendarView::step, this, &AnalysisWindow::stepMonth);
    connect(Calendar, &CalendarView::dayActivated, this, &AnalysisWindow::dayActivated);
}

void AnalysisWindow::buildStatsPage() {
    auto *page = new QWidget;
    ByCombo = new QComboBox(page);
    ByCombo->setObjectName(u"ByCombo"_s);
    ByCombo->addItems(byCaptions());
    FromYear = new QSpinBox(page);
    FromYear->setObjectName(u"FromYear"_s);
    ToYear = new QSpinBox(page);
    ToYear->setObjectName(u"ToYear"_s);
    for (QSpinBox *box : {FromYear, ToYear})
        box->setSuffix(u" 年"_s);
    showYearRange();
    ChartColumn = new QComboBox(page);
    ChartColumn->setObjectName(u"ChartColumn"_s);
    for (int c = int(StatsColumn::Key) + 1; c < int(StatsColumn::Count); ++c)
        ChartColumn->addItem(statsViewHead(StatsColumn(c), StatsBy(ByCombo->currentIndex())));
    ChartColumn->setCurrentIndex(int(StatsColumn::Profit) - 1);
    ExportCsv = plainButton(u"ExportCsv"_s, u"CSV に書き出す(&S)…"_s, page);

    m_stats = new StatsTableModel(this);
    auto *coloured = new ColouredStats(this);
    coloured->setSourceModel(m_stats);
    StatsTable = new QTableView(page);
    StatsTable->setModel(coloured);
    setUpTable(StatsTable, u"StatsTable"_s);
    StatsTotal = new QLabel(page);
    StatsTotal->setObjectName(u"StatsTotal"_s);
    StatsTotal->setTextInteractionFlags(Qt::TextSelectableByMouse);
    StatsChart = new ChartView(ChartView::Bars, page);
    StatsChart->setObjectName(u"StatsChart"_s);

    auto *by = new QLabel(u"集計(&B)"_s, page);
    by->setBuddy(ByCombo);
    auto *chart = new QLabel(u"グラフ(&G)"_s, page);
    chart->setBuddy(ChartColumn);
    auto *bar = new QHBoxLayout;
    bar->addWidget(by);
    bar->addWidget(ByCombo);
    bar->addSpacing(12);
    bar->addWidget(FromYear);
    bar->addWidget(new QLabel(u"から"_s, page));
    bar->addWidget(ToYear);
    bar->addWidget(new QLabel(u"まで"_s, page));
    bar->addSpacing(12);
    bar->addWidget(chart);
    bar->addWidget(ChartColumn);
    bar->addStretch();
    bar->addWidget(ExportCsv);
    auto *split = new QSplitter(page);
    split->addWidget(StatsTable);
    split->addWidget(StatsChart);
    split->setSizes({800, 380});
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    layout->addWidget(StatsTotal);
    Tabs->addTab(page, u"集計(&T)"_s);

    StatsTable->setSortingEnabled(true);
    StatsTable->horizontalHeader()->setSortIndicator(int(StatsColumn::Key), Qt::AscendingOrder);
    connect(ByCombo, &QComboBox::currentIndexChanged, this, &AnalysisWindow::refreshStats);
    connect(FromYear, &QSpinBox::valueChanged, this, [this](int v) {
        if (ToYear->value() < v) ToYear->setValue(v);
        refreshStats();
    });
    connect(ToYear, &QSpinBox::valueChanged, this, [this](int v) {
        if (FromYear->value() > v) FromYear->setValue(v);
        refreshStats();
    });
    connect(ChartColumn, &QComboBox::currentIndexChanged, this, &AnalysisWindow::refreshStatsChart);
    // The model has its new order only once the sort is done.
    connect(m_stats, &QAbstractItemModel::layoutChanged, this, &AnalysisWindow::refreshStatsChart);
    connect(ExportCsv, &QPushButton::clicked, this, &AnalysisWindow::ExportCsv_Click);
}

void AnalysisWindow::buildYearsPage() {
    auto *page = new QWidget;
    YearTable = makeTable(
        {u"年"_s, u"来店"_s, u"投資額"_s, u"換金額"_s, u"収支"_s, u"回収率"_s, u"勝率"_s, u"累計収支"_s},
        u"YearTable"_s, page);
    YearTotal = new QLabel(page);
    YearTotal->setObjectName(u"YearTotal"_s);
    YearChart = new ChartView(ChartView::Line, page);
    YearChart->setObjectName(u"YearChart"_s);
    auto *split = new QSplitter(page);
    split->addWidget(YearTable);
    split->addWidget(YearChart);
    split->setSizes({560, 620});
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(split, 1);
    layout->addWidget(YearTotal);
    Tabs->addTab(page, u"年別(&Y)"_s);
}

void AnalysisWindow::buildLuckPage() {
    auto *page = new QWidget;
    LuckChart = new LuckChartView(page);
    LuckChart->setObjectName(u"LuckChart"_s);
    auto *hint =
        new QLabel(u"通常回転数・店の交換条件・機種のスペックがそろったカードだけを日付順に積み上げます。"
                   u"二本の線の差が余剰（運）です。"_s,
                   page);
    hint->setWordWrap(true);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(LuckChart, 1);
    layout->addWidget(hint);
    Tabs->addTab(page, u"期待値(&E)"_s);
}

// The range boxes span the user's diaries, from the first to the last.
void AnalysisWindow::showYearRange() {
    const QSignalBlocker fromQuiet(FromYear), toQuiet(ToYear);
    const int first = m_years.isEmpty() ? tama::clock().today().year() : m_years.first();
    const int last = m_years.isEmpty() ? first : m_years.last();
    for (QSpinBox *box : {FromYear, ToYear})
        box->setRange(first, last);
    FromYear->setValue(first);
    ToYear->setValue(last);
}

// Another user's diaries, or cards written: read again. A year moved on the card screen
// leaves the calendar where the user put it.
void AnalysisWindow::followDiary() {
    const DiaryState &s = m_registry.state();
    const bool otherUser = s.user() != m_user;
    const QList<int> years = diaryYears(s.folder, s.user());
    if (!otherUser && years == m_years) return;
    m_user = s.user();
    m_years = years;
    showYearRange();
    if (otherUser) m_year = s.year() > 0 ? s.year() : tama::clock().today().year();
    reloadAll();
}

void AnalysisWindow::followCards() {
    const QList<int> years = diaryYears(m_registry.state().folder, m_user);
    if (years != m_years) {
        m_years = years;
        showYearRange();
    }
    reloadAll();
}

void AnalysisWindow::reloadAll() {
    showMonth(m_year, m_month);
    refreshStats();
    refreshYears();
}

void AnalysisWindow::showMonth(int year, int month) {
    m_year = year;
    m_month = month;
    MonthLabel->setText(QString::number(year) + u"年 "_s + QString::number(month) + u"月"_s);
    try {
        Calendar->setCalendar(
            MonthCalendar::read(m_registry.state().folder, m_user, year, month, IncludeMarked->isChecked()));
    } catch (const StoreError &e) {
        reportStoreError(e);
        Calendar->setCalendar(MonthCalendar(year, month, IncludeMarked->isChecked()));
    }
    // Months run from the first diary's January to the last one's December.
    const int at = year * 12 + month - 1;
    const int first = m_years.isEmpty() ? at : std::min(at, m_years.first() * 12);
    const int last = m_years.isEmpty() ? at : std::max(at, m_years.last() * 12 + 11);
    PrevMonth->setEnabled(at > first);
    PrevYear->setEnabled(at - 12 >= first);
    NextMonth->setEnabled(at < last);
    NextYear->setEnabled(at + 12 <= last);
}

void AnalysisWindow::stepMonth(int months) {
    const int at = m_year * 12 + m_month - 1 + months;
    const int first = m_years.isEmpty() ? at : std::min(m_year * 12 + m_month - 1, m_years.first() * 12);
    const int last = m_years.isEmpty() ? at : std::max(m_year * 12 + m_month - 1, m_years.last() * 12 + 11);
    if (m_years.isEmpty() || at < first || at > last) return;
    showMonth(at / 12, at % 12 + 1);
}

void AnalysisWindow::dayActivated(int day) {
    const CalendarDay &d = Calendar->calendar().days()[day - 1];
    if (d.firstCard > 0) cardscreen::showDiaryCard(m_registry, Calendar->calendar().year(), d.firstCard);
}

void AnalysisWindow::refreshStats() {
    const StatsBy by = StatsBy(ByCombo->currentIndex());
    DiaryStats stats(by, IncludeMarked->isChecked());
    QString playProblem;
    try {
        const PlayDatabase db(m_registry.state().folder, PlayDatabase::Mode::ReadOnly);
        if (!m_years.isEmpty())
            stats = readStats(m_registry.state().folder, m_user, FromYear->value(), ToYear->value(), by,
                              IncludeMarked->isChecked(), nullptr, &db);
        else
            stats.finish();
        playProblem = db.readError();
    } catch (const StoreError &e) {
        reportStoreError(e);
        stats = DiaryStats(by, IncludeMarked->isChecked());
        stats.finish();
    }
    m_stats->setStats(stats);
    // The total and its days are the same whatever the grouping.
    Results->setResults(stats.total(), stats.days(), FromYear->value(), ToYear->value());
    StatsTotal->setText(
        totalLine(stats.total()) +
        (playProblem.isEmpty() ? QString() : u"　（稼働データを読めません: "_s + playProblem + u"）"_s));
    refreshStatsChart();
}

void AnalysisWindow::refreshStatsChart() {
    const int column = ChartColumn->currentIndex() + 1;
    const bool decimals = statsDecimals(StatsColumn(column)) > 0;
    QList<ChartValue> values;
    for (int row = 0; row < m_stats->rowCount(); ++row) {
        const QModelIndex at = m_stats->index(row, column);
        const qint64 v = at.data(StatsTableModel::SortRole).toLongLong();
        const bool missing = v == LLONG_MIN;
        values.append({m_stats->index(row, int(StatsColumn::Key)).data().toString(), missing ? 0 : v,
                       decimals || missing ? at.data().toString() : QString()});
    }
    StatsChart->setValues(ByCombo->currentText() + u"別 "_s + ChartColumn->currentText(), values);
}

void AnalysisWindow::refreshYears() {
    DiaryStats stats(StatsBy::Year, IncludeMarked->isChecked());
    // Why the running expected value has nothing to draw, if it has not.
    bool playFailed = false;
    QString empty = u"期待値の出せるカードがありません。カード画面で通常回転数を入れ、"
                    u"店の交換条件と機種のスペックを設定してください。"_s;
    try {
        const PlayDatabase db(m_registry.state().folder, PlayDatabase::Mode::ReadOnly);
        // A folder that has never had play data has no database; that is no fault.
        if (!db.isOpen() && QFileInfo::exists(db.path())) empty = u"稼働データを読めません: "_s + db.reason();
        if (!m_years.isEmpty())
            stats = readStats(m_registry.state().folder, m_user, m_years.first(), m_years.last(),
                              StatsBy::Year, IncludeMarked->isChecked(), nullptr, &db, true);
        else
            stats.finish();
        playFailed = !db.readError().isEmpty();
        if (playFailed) empty = u"稼働データを読めません: "_s + db.readError();
    } catch (const StoreError &e) {
        reportStoreError(e);
        stats = DiaryStats(StatsBy::Year, IncludeMarked->isChecked());
        stats.finish();
    }
    // Half of the play data would draw a wrong picture.
    LuckChart->setDays(playFailed ? QList<PlayDay>() : stats.playDays(), empty);
    YearTable->setRowCount(int(m_years.size()));
    QList<ChartValue> running;
    qint64 sum = 0;
    for (int i = 0; i < m_years.size(); ++i) {
        // A diary without cards still has its line.
        const QString key = QString::number(m_years[i]).rightJustified(4, u'0');
        StatsGroup g;
        for (const StatsGroup &s : stats.groups())
            if (s.key == key) g = s;
        sum += g.profit();
        auto *year = new NumberItem(key, m_years[i]);
        year->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        YearTable->setItem(i, 0, year);
        YearTable->setItem(i, 1, numberItem(g.visits, false, false, std::nullopt));
        YearTable->setItem(i, 2, numberItem(g.investment, false, true, std::nullopt));
        YearTable->setItem(i, 3, numberItem(g.cashOut, false, true, std::nullopt));
        YearTable->setItem(i, 4, numberItem(g.profit(), false, true, g.profit()));
        const auto rate = g.recoveryRateTenths();
        YearTable->setItem(i, 5,
                           numberItem(rate, true, false, rate ? std::optional(*rate - 1000) : std::nullopt));
        YearTable->setItem(i, 6,
                           numberItem(g.visits ? std::optional(g.winRateTenths()) : std::nullopt, true, false,
                                      std::nullopt));
        YearTable->setItem(i, 7, numberItem(sum, false, true, sum));
        running.append({key, sum, {}});
    }
    YearTotal->setText(totalLine(stats.total()));
    YearChart->setValues(running.isEmpty() ? u"収支の累計"_s
                                           : u"収支の累計（"_s + running.last().label + u"年まで "_s +
                                                 signedYenText(running.last().value) + u"円）"_s,
                         running);
}

bool AnalysisWindow::exportCsv(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    CsvWriter out(file, CsvEncoding::Utf8);
    m_stats->writeCsv(out);
    return out.flush() && file.flush();
}

void AnalysisWindow::ExportCsv_Click() {
    const QString path =
        QFileDialog::getSaveFileName(this, u"CSV に書き出す"_s, m_user + u".csv"_s, u"CSV (*.csv)"_s);
    if (path.isEmpty()) return;
    if (!exportCsv(path)) ErrorBox(u"書き込めません: "_s + path);
}

void AnalysisWindow::keyPressEvent(QKeyEvent *e) {
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}

void AnalysisWindow::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.unload<AnalysisWindow>();
}

} // namespace tama
