#include "master/importwindow.h"

#include "app/named.h"
#include "app/storeerrorreport.h"
#include "app/windowhelpers.h"
#include "app/windowregistry.h"
#include "cardscreen/patincomain.h"
#include "common/clock.h"
#include "common/codec.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "master/kdata.h"
#include "master/mdata.h"
#include "store/category.h"
#include "store/importwriter.h"
#include "store/safefile.h"
#include "store/storeerror.h"
#include "views/analysiswindow.h"
#include "views/dispreport.h"
#include "views/listview.h"
#include "views/tukigrafh.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollArea>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <set>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// A column map file is small; anything larger is not one.
constexpr qint64 kMaxMapBytes = 64 * 1024;

QString readMapText(const QString &path) {
    bool more = false;
    QByteArray bytes = safefile::readBounded(path, kMaxMapBytes, &more);
    if (more)
        throw StoreError(StoreError::Kind::Invalid, path, u"列の対応づけのファイルとしては大きすぎます"_s);
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    const cp932::DecodeResult d = cp932::decode(bytes);
    if (!d.ok())
        throw StoreError(StoreError::Kind::Invalid, path, u"UTF-8 でもシフトJISでもない文字があります"_s);
    return d.text;
}

} // namespace

ImportWindow::ImportWindow(WindowRegistry &registry) : m_registry(registry), m_filter(this) {
    setObjectName(u"ImportWindow"_s);
    setWindowTitle(u"取り込み"_s);

    UserLabel = named(new QLabel(this), u"UserLabel"_s);
    FileBox = named(new QLineEdit(this), u"FileBox"_s);
    FileBox->setPlaceholderText(u"取り込む CSV ファイル"_s);
    FileBox->setMinimumWidth(640);
    Browse = plainButton(u"Browse"_s, u"参照…(&O)"_s, this);
    FormatBox = named(new QComboBox(this), u"FormatBox"_s);
    FormatBox->addItem(u"自動"_s, -1);
    for (ImportFormat f : {ImportFormat::PRecord, ImportFormat::PShare, ImportFormat::Columns})
        FormatBox->addItem(importFormatCaption(f), int(f));
    CategoryBox = named(new QComboBox(this), u"CategoryBox"_s);
    for (const CategoryInfo &c : categories())
        CategoryBox->addItem(c.caption, c.option);
    CategoryBox->setPlaceholderText(u"（選ばない）"_s);
    CategoryBox->setCurrentIndex(-1);
    StartBox = named(new QTimeEdit(QTime(10, 0), this), u"StartBox"_s);
    StartBox->setDisplayFormat(u"HH:mm"_s);
    IncludeDuplicates = named(new QCheckBox(u"重複も取り込む(&D)"_s, this), u"IncludeDuplicates"_s);
    ReadButton = plainButton(u"ReadButton"_s, u"読み込む(&R)"_s, this);
    FoundLabel = named(new QLabel(this), u"FoundLabel"_s);
    ProblemLabel = named(new QLabel(this), u"ProblemLabel"_s);
    ProblemLabel->setWordWrap(true);
    ProblemLabel->setStyleSheet(u"color: #b00000;"_s);
    ProblemLabel->hide();

    ColumnsFrame = named(new QGroupBox(u"列の対応づけ"_s, this), u"ColumnsFrame"_s);
    auto *scroll = new QScrollArea(ColumnsFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setMaximumHeight(190);
    ColumnsTable = named(new QWidget(scroll), u"ColumnsTable"_s);
    new QGridLayout(ColumnsTable);
    scroll->setWidget(ColumnsTable);
    DateFormatBox = named(new QComboBox(ColumnsFrame), u"DateFormatBox"_s);
    DateFormatBox->setEditable(true);
    DateFormatBox->addItems({u"yyyy/MM/dd"_s, u"yyyy-MM-dd"_s, u"yyyyMMdd"_s, u"yyyy年M月d日"_s,
                             u"MM/dd/yyyy"_s, u"dd.MM.yyyy"_s});
    UnitBox = named(new QComboBox(ColumnsFrame), u"UnitBox"_s);
    UnitBox->addItem(u"円"_s, int(AmountUnit::Yen));
    UnitBox->addItem(u"千円"_s, int(AmountUnit::Thousand));
    UnitBox->addItem(u"万円"_s, int(AmountUnit::TenThousand));
    HeaderBox = named(new QCheckBox(u"見出しあり(&H)"_s, ColumnsFrame), u"HeaderBox"_s);
    HeaderBox->setChecked(true);
    LoadMap = plainButton(u"LoadMap"_s, u"対応づけを読み込む…(&L)"_s, ColumnsFrame);
    auto *mapRow = new QHBoxLayout;
    mapRow->addWidget(buddyLabel(u"日付の書式(&Y)"_s, DateFormatBox, ColumnsFrame));
    mapRow->addWidget(DateFormatBox);
    mapRow->addWidget(buddyLabel(u"金額の単位(&U)"_s, UnitBox, ColumnsFrame));
    mapRow->addWidget(UnitBox);
    mapRow->addWidget(HeaderBox);
    mapRow->addStretch();
    mapRow->addWidget(LoadMap);
    auto *columns = new QVBoxLayout(ColumnsFrame);
    columns->addWidget(scroll);
    columns->addLayout(mapRow);
    ColumnsFrame->hide();

    ShowBox = named(new QComboBox(this), u"ShowBox"_s);
    ShowBox->addItem(u"すべて"_s, -1);
    for (ImportVerdict v : {ImportVerdict::New, ImportVerdict::Duplicate, ImportVerdict::Refused})
        ShowBox->addItem(importVerdictText(v), int(v));
    CountsLabel = named(new QLabel(this), u"CountsLabel"_s);
    Preview = named(new QTableView(this), u"Preview"_s);
    m_filter.setSourceModel(&m_model);
    Preview->setModel(&m_filter);
    Preview->setSelectionBehavior(QAbstractItemView::SelectRows);
    Preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Preview->verticalHeader()->hide();
    Preview->setWordWrap(false);
    // Widths from the first rows only: a file of years of visits opens at once.
    Preview->horizontalHeader()->setResizeContentsPrecision(100);
    Preview->horizontalHeader()->setStretchLastSection(true);
    Preview->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    Preview->setSortingEnabled(true); // in file order until a header is clicked
    Preview->setMinimumSize(900, 280);
    ImportButton = plainButton(u"ImportButton"_s, u"取り込む(&I)"_s, this);
    ImportButton->setEnabled(false);
    CloseButton = plainButton(u"CloseButton"_s, u"閉じる"_s, this);

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(FileBox, 1);
    fileRow->addWidget(Browse);
    auto *optionRow = new QHBoxLayout;
    optionRow->addWidget(StartBox);
    optionRow->addSpacing(16);
    optionRow->addWidget(IncludeDuplicates);
    optionRow->addStretch();
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(QString(), UserLabel);
    form->addRow(buddyLabel(u"ファイル(&F)"_s, FileBox, this), fileRow);
    form->addRow(buddyLabel(u"形式(&K)"_s, FormatBox, this), FormatBox);
    form->addRow(buddyLabel(u"種類のない行の機種の種類(&C)"_s, CategoryBox, this), CategoryBox);
    form->addRow(buddyLabel(u"時刻のない行の開始時刻(&T)"_s, StartBox, this), optionRow);
    auto *readRow = new QHBoxLayout;
    readRow->addWidget(ReadButton);
    readRow->addSpacing(12);
    readRow->addWidget(FoundLabel, 1);
    form->addRow(QString(), readRow);

    auto *showRow = new QHBoxLayout;
    showRow->addWidget(buddyLabel(u"表示(&V)"_s, ShowBox, this));
    showRow->addWidget(ShowBox);
    showRow->addSpacing(16);
    showRow->addWidget(CountsLabel, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ImportButton);
    buttons->addWidget(CloseButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(ProblemLabel);
    layout->addWidget(ColumnsFrame);
    layout->addLayout(showRow);
    layout->addWidget(Preview, 1);
    layout->addLayout(buttons);

    connect(Browse, &QPushButton::clicked, this, &ImportWindow::Browse_Click);
    connect(ReadButton, &QPushButton::clicked, this, &ImportWindow::Read_Click);
    connect(FileBox, &QLineEdit::returnPressed, this, &ImportWindow::Read_Click);
    // The preview is always of the file named, read with the choices shown.
    connect(FileBox, &QLineEdit::textEdited, this, [this] {
        m_read.clear();
        m_table = CsvTable();
        m_model.clear();
        FoundLabel->clear();
        CountsLabel->clear();
        ImportButton->setEnabled(false);
    });
    connect(FormatBox, &QComboBox::currentIndexChanged, this, &ImportWindow::FormatBox_Changed);
    connect(CategoryBox, &QComboBox::currentIndexChanged, this, &ImportWindow::replan);
    connect(StartBox, &QTimeEdit::timeChanged, this, &ImportWindow::replan);
    connect(IncludeDuplicates, &QCheckBox::toggled, this, &ImportWindow::replan);
    connect(DateFormatBox, &QComboBox::currentTextChanged, this, &ImportWindow::replan);
    connect(UnitBox, &QComboBox::currentIndexChanged, this, &ImportWindow::replan);
    connect(HeaderBox, &QCheckBox::toggled, this, &ImportWindow::replan);
    connect(LoadMap, &QPushButton::clicked, this, &ImportWindow::LoadMap_Click);
    connect(ShowBox, &QComboBox::currentIndexChanged, this, [this] {
        const int v = ShowBox->currentData().toInt();
        m_filter.setVerdict(v < 0 ? std::nullopt : std::optional(ImportVerdict(v)));
    });
    connect(ImportButton, &QPushButton::clicked, this, &ImportWindow::Import_Click);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);

    // Another user chosen while the window is open: the preview is made for that user.
    connect(&m_registry.state(), &DiaryState::diaryChanged, this, [this] {
        showUser();
        replan();
    });
    showUser();
    resize(1060, 720);
}

void ImportWindow::showUser() {
    UserLabel->setText(u"取り込む先: "_s + m_registry.state().user() +
                       u" の日記（行の日付の年の日記。ない年の日記は作ります）"_s);
}

std::optional<ImportFormat> ImportWindow::chosenFormat() const {
    const int f = FormatBox->currentData().toInt();
    return f < 0 ? std::nullopt : std::optional(ImportFormat(f));
}

void ImportWindow::Browse_Click() {
    const QString start = FileBox->text().isEmpty() ? QString() : QFileInfo(FileBox->text()).absolutePath();
    const QString path = QFileDialog::getOpenFileName(this, u"取り込むファイル"_s, start,
                                                      u"CSV ファイル (*.csv *.txt);;すべてのファイル (*)"_s);
    if (path.isEmpty()) return;
    FileBox->setText(path);
    Read_Click();
}

void ImportWindow::Read_Click() {
    const QString path = trim(FileBox->text());
    if (path.isEmpty()) {
        InfoBox(u"取り込むファイルを入力するか、「参照…」で選んでください。"_s, u"注意"_s);
        FileBox->setFocus();
        return;
    }
    m_table = readCsvFile(path);
    m_read = path;
    fillColumns(m_table.rows.isEmpty() ? QStringList() : m_table.rows.first().fields);
    replan();
}

void ImportWindow::showProblem(const QString &problem) {
    ProblemLabel->setText(problem);
    ProblemLabel->setVisible(!problem.isEmpty());
}

void ImportWindow::replan() {
    if (m_read.isEmpty()) return;
    const DiaryState &s = m_registry.state();
    m_model.clear();
    CountsLabel->clear();
    ImportButton->setEnabled(false);
    FoundLabel->clear();
    if (m_table.problem) {
        showProblem(*m_table.problem);
        return;
    }
    ImportOptions options;
    options.format = chosenFormat();
    options.category = CategoryBox->currentIndex() < 0 ? 0 : CategoryBox->currentData().toInt();
    options.start = StartBox->time();
    options.includeDuplicates = IncludeDuplicates->isChecked();
    options.today = clock().today();
    if (options.format == ImportFormat::Columns) {
        options.map = columnMap();
        if (options.map.at(ColumnMap::Date) < 0 ||
            (options.map.at(ColumnMap::Investment) < 0 && options.map.at(ColumnMap::CashOut) < 0)) {
            FoundLabel->setText(u"文字コード: "_s + textEncodingName(m_table.encoding));
            showProblem(u"下の表で、日付の列と金額（投資額か回収額）の列を選んでください。"_s);
            return;
        }
    }
    ImportPlan plan;
    try {
        plan = planImport(s.folder, s.user(), m_table, options);
    } catch (const StoreError &e) {
        reportStoreError(e);
        showProblem(e.message());
        return;
    }
    FoundLabel->setText(u"文字コード: "_s + textEncodingName(plan.encoding) + u"　形式: "_s +
                        importFormatCaption(plan.format));
    showProblem(plan.problem ? u"「"_s + QFileInfo(m_read).fileName() + u"」: "_s + *plan.problem
                             : QString());
    const ColumnMap map = plan.format == ImportFormat::PRecord  ? precordMap()
                          : plan.format == ImportFormat::PShare ? pshareMap()
                                                                : options.map;
    m_model.setPlan(plan, map);
    Preview->resizeColumnsToContents();
    if (!plan.problem) CountsLabel->setText(importCountsText(plan));
    ImportButton->setEnabled(!plan.problem && !plan.accepted().isEmpty() && !s.readOnly());
}

void ImportWindow::fillColumns(const QStringList &firstRow) {
    // The same columns keep the roles chosen for them: reading the file again after a
    // correction must not lose them.
    QStringList shown;
    for (const QComboBox *box : m_roles)
        shown << box->property("first").toString();
    if (shown == firstRow) return;

    auto *grid = static_cast<QGridLayout *>(ColumnsTable->layout());
    qDeleteAll(ColumnsTable->findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
    m_roles.clear();
    grid->addWidget(new QLabel(u"列"_s, ColumnsTable), 0, 0);
    grid->addWidget(new QLabel(u"先頭の行"_s, ColumnsTable), 0, 1);
    grid->addWidget(new QLabel(u"内容"_s, ColumnsTable), 0, 2);
    QWidget *previous = ReadButton;
    for (int i = 0; i < firstRow.size(); ++i) {
        auto *number = new QLabel(QString::number(i + 1), ColumnsTable);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto *first = new QLabel(ColumnsTable);
        first->setText(fontMetrics().elidedText(trim(firstRow[i]), Qt::ElideRight, 260));
        auto *box = named(new QComboBox(ColumnsTable), u"Role"_s + QString::number(i + 1));
        box->setProperty("first", firstRow[i]);
        box->addItem(u"使わない"_s, -1);
        for (int r = 0; r < ColumnMap::RoleCount; ++r)
            box->addItem(columnRoleCaption(ColumnMap::Role(r)), r);
        // A header that names a role by its caption chooses it.
        const int guess = box->findText(trim(firstRow[i]));
        if (guess > 0) box->setCurrentIndex(guess);
        connect(box, &QComboBox::currentIndexChanged, this, [this, i] { RoleChosen(i); });
        grid->addWidget(number, i + 1, 0);
        grid->addWidget(first, i + 1, 1);
        grid->addWidget(box, i + 1, 2);
        setTabOrder(previous, box);
        previous = box;
        m_roles << box;
    }
    grid->setColumnStretch(1, 1);
    setTabOrder(previous, DateFormatBox);
}

void ImportWindow::RoleChosen(int column) {
    const int role = m_roles[column]->currentData().toInt();
    // A role belongs to one column: choosing it for another takes it from the first.
    if (role >= 0) {
        for (int i = 0; i < m_roles.size(); ++i) {
            if (i == column || m_roles[i]->currentData().toInt() != role) continue;
            const QSignalBlocker block(m_roles[i]);
            m_roles[i]->setCurrentIndex(0);
        }
    }
    replan();
}

ColumnMap ImportWindow::columnMap() const {
    ColumnMap map;
    for (int i = 0; i < m_roles.size(); ++i)
        if (const int r = m_roles[i]->currentData().toInt(); r >= 0) map.column[r] = i;
    QStringList formats;
    for (const QString &f : DateFormatBox->currentText().split(u'|', Qt::SkipEmptyParts))
        if (!trim(f).isEmpty()) formats << trim(f);
    if (!formats.isEmpty()) map.dateFormats = formats;
    map.unit = AmountUnit(UnitBox->currentData().toInt());
    map.header = HeaderBox->isChecked();
    return map;
}

void ImportWindow::showColumnMap(const ColumnMap &map) {
    for (int i = 0; i < m_roles.size(); ++i) {
        const QSignalBlocker block(m_roles[i]);
        m_roles[i]->setCurrentIndex(0);
        for (int r = 0; r < ColumnMap::RoleCount; ++r)
            if (map.at(ColumnMap::Role(r)) == i) m_roles[i]->setCurrentIndex(r + 1);
    }
    const QSignalBlocker b1(DateFormatBox), b2(UnitBox), b3(HeaderBox), b4(FormatBox);
    DateFormatBox->setCurrentText(map.dateFormats.join(u'|'));
    UnitBox->setCurrentIndex(UnitBox->findData(int(map.unit)));
    HeaderBox->setChecked(map.header);
    FormatBox->setCurrentIndex(FormatBox->findData(int(ImportFormat::Columns)));
    ColumnsFrame->show();
}

void ImportWindow::FormatBox_Changed() {
    ColumnsFrame->setVisible(chosenFormat() == ImportFormat::Columns);
    replan();
}

void ImportWindow::LoadMap_Click() {
    if (m_table.rows.isEmpty()) {
        InfoBox(u"先に取り込むファイルを読み込んでください。対応づけは、その列に合わせて読みます。"_s,
                u"注意"_s);
        FileBox->setFocus();
        return;
    }
    const QString path =
        QFileDialog::getOpenFileName(this, u"列の対応づけ"_s, QFileInfo(m_read).absolutePath(),
                                     u"対応づけ (*.txt *.map *.ini);;すべてのファイル (*)"_s);
    if (path.isEmpty()) return;
    try {
        showColumnMap(parseColumnMap(readMapText(path), m_table.rows.first().fields));
    } catch (const StoreError &e) {
        reportStoreError(StoreError(e.kind(), e.file().isEmpty() ? path : e.file(), e.reason()));
        return;
    }
    replan();
}

void ImportWindow::Import_Click() {
    const ImportPlan plan = m_model.plan();
    const QList<const ImportRow *> rows = plan.accepted();
    if (rows.isEmpty()) return;
    std::set<int> years;
    for (const ImportRow *r : rows)
        years.insert(r->date.year());
    QStringList yearTexts;
    for (int y : years)
        yearTexts << QString::number(y) + u"年"_s;
    if (ConfirmCancelled(
            QStringLiteral("%1 枚を%2の日記に取り込みます。取り込む前の状態はバックアップに保存され、"
                           "バックアップと復元から元に戻せます。")
                .arg(rows.size())
                .arg(yearTexts.join(u'・')),
            u"取り込み"_s))
        return;
    try {
        const ImportResult done =
            applyImport(m_registry.state().folder, importBatch(plan, QFileInfo(m_read).fileName()));
        afterDataChanged();
        QString text = QStringLiteral("%1 枚のカードを取り込みました。").arg(done.cards);
        if (!done.addedStores.isEmpty()) text += u"\n登録した店: "_s + done.addedStores.join(u"、"_s);
        if (!done.addedModels.isEmpty()) text += u"\n登録した機種: "_s + done.addedModels.join(u"、"_s);
        for (const QString &n : done.notices)
            text += u'\n' + n;
        text +=
            u"\n\n元に戻すには「データ設定」→「バックアップと復元」で、この取り込みのバックアップを選んで"_s
            u"「取り込みを元に戻す」を押してください。"_s;
        InfoBox(text, u"取り込み"_s);
    } catch (const StoreError &e) {
        reportStoreError(e); // every diary is as it was
    }
    // The rows just written are duplicates now.
    m_table = readCsvFile(m_read);
    replan();
}

// The windows that read the diaries or the catalogues when they were made are made anew,
// and the card screen reads its diary again, as after a restore.
void ImportWindow::afterDataChanged() {
    m_registry.unload<listview>();
    m_registry.unload<tukiGrafh>();
    m_registry.unload<dispreport>();
    m_registry.unload<AnalysisWindow>();
    m_registry.unload<KDATA>();
    m_registry.unload<MDATA>();
    if (PatincoMain *main = m_registry.find<PatincoMain>()) main->LoadDiary();
    m_registry.state().noteCardsChanged();
}

void ImportWindow::keyPressEvent(QKeyEvent *e) {
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}

void ImportWindow::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.unload<ImportWindow>();
}

} // namespace tama
