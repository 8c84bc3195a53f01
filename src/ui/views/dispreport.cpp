#include "views/dispreport.h"
#include "app/storeerrorreport.h"
#include "app/windowhelpers.h"

#include "app/fonts.h"
#include "app/windowregistry.h"
#include "common/dialogs.h"
#include "painters/monthgraphpainter.h"
#include "reports/chodamatotals.h"
#include "reports/yearlisttotals.h"
#include "reports/yearreport.h"
#include "store/diary.h"
#include "store/storeerror.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

QLabel *label(const QString &name, const QString &text, QWidget *parent) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QString indexed(const char *name, int i) {
    return QString::fromLatin1(name) + u'(' + QString::number(i) + u')';
}

void showCell(QLabel *l, const ReportCell &cell) {
    l->setText(cell.text);
    setTextColour(l, cell.colour);
}

} // namespace

dispreport::dispreport(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"dispreport"_s);
    const QFont fixed = listFont();

    Frame1 = new QGroupBox(u"最優秀出玉賞"_s, this);
    Frame1->setObjectName(u"Frame1"_s);
    auto *awards = new QGridLayout(Frame1);
    const QStringList titles = YearReport::sectionTitles();
    for (int c = 0; c < 5; ++c) {
        Label2[c] = label(indexed("Label2", c), titles[c], Frame1);
        Label3[c] = label(indexed("Label3", c), QString(), Frame1);
        Label3[c]->setFont(fixed);
        // An award line is 64 cells: date, day type, store, model and amount.
        Label3[c]->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(66, u'0')));
        awards->addWidget(Label2[c], c, 0);
        awards->addWidget(Label3[c], c, 1);
    }
    awards->setColumnStretch(1, 1);

    // The report's column over which each head label stands, in the order of the labels.
    using R = YearReport;
    static constexpr std::array<int, 7> headColumn = {R::Overall, R::Special, R::Denyaku, R::Kenri,
                                                      R::Hane,    R::Digi,    R::CrDigi};
    const QStringList columnHeads = YearReport::columnHeads();
    std::array<QLabel *, R::ColumnCount> headOf{};
    for (int i = 0; i < 7; ++i) {
        const int column = headColumn[size_t(i)];
        Label24[i] = label(indexed("Label24", i), columnHeads[column], this);
        Label24[i]->setAlignment(Qt::AlignCenter);
        headOf[size_t(column)] = Label24[i];
    }
    Label1_0 = label(u"Label1(0)"_s, u"回収率"_s, this);
    Label10 = label(u"Label10"_s, u"時間給"_s, this);
    Label1_8 = label(u"Label1(8)"_s, u"所要時間"_s, this);
    for (int i = 0; i < 7; ++i) {
        Label18[i] = label(indexed("Label18", i), QString(), this);
        Label9[i] = label(indexed("Label9", i), QString(), this);
        Label4[i] = label(indexed("Label4", i), QString(), this);
        for (QLabel *l : {Label18[i], Label9[i], Label4[i]}) {
            l->setFont(fixed);
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            l->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(9, u'0')));
        }
    }

    auto *table = new QGridLayout;
    table->setHorizontalSpacing(12);
    const QList<int> order = YearReport::displayOrder();
    for (int pos = 0; pos < order.size(); ++pos) {
        const int i = order[pos];
        table->addWidget(headOf[size_t(i)], 0, pos + 1);
        table->addWidget(Label18[i], 1, pos + 1);
        table->addWidget(Label9[i], 2, pos + 1);
        table->addWidget(Label4[i], 3, pos + 1);
    }
    table->addWidget(Label1_0, 1, 0);
    table->addWidget(Label10, 2, 0);
    table->addWidget(Label1_8, 3, 0);
    table->addWidget(new QLabel(u"％"_s, this), 1, 8);
    table->addWidget(new QLabel(u"円"_s, this), 2, 8);
    table->addWidget(new QLabel(u"ｈ"_s, this), 3, 8);

    Command1 = new QPushButton(u"戻る"_s, this);
    Command1->setObjectName(u"Command1"_s);
    ChodamaNote = new QLabel(this);
    ChodamaNote->setObjectName(u"ChodamaNote"_s);
    ChodamaNote->hide();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ChodamaNote);
    buttons->addStretch();
    buttons->addWidget(Command1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(table);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &dispreport::Command1_Click);
    // The diary is read once for each change of it.
    connect(&m_registry.state(), &DiaryState::diaryChanged, this, &dispreport::Form_Load);
    connect(&m_registry.state(), &DiaryState::cardsChanged, this, &dispreport::Form_Load);
    Form_Load();
}

void dispreport::Form_Load() {
    const DiaryState &s = m_registry.state();
    setWindowTitle(YearReport::caption(s.yearText()));
    // Summed a card at a time as the diary is read; a failed read reports nothing
    // rather than part of the diary.
    YearReport report;
    try {
        const QHash<int, qint64> chodama = chodamaYenOfDiary(s.folder, s.user(), s.diaryFile());
        DiaryFile(s.folder, s.diaryFile()).forEach([&](int n, const CardRecord &card) {
            report.add(card, chodama.value(n));
        });
    } catch (const StoreError &e) {
        reportStoreError(e);
        report = YearReport();
    }
    report.finish();
    if (const auto yen = report.chodamaYen()) {
        YearListTotals note;
        note.setChodama(*yen);
        ChodamaNote->setText(note.chodamaText);
    }
    ChodamaNote->setVisible(report.chodamaYen().has_value());
    for (int c = 0; c < 5; ++c)
        Label3[c]->setText(report.awards()[c]);
    for (int i = 0; i < 7; ++i) {
        const ReportColumn &col = report.columns()[i];
        showCell(Label18[i], col.rate);
        showCell(Label9[i], col.hourly);
        showCell(Label4[i], col.hours);
    }
}

void dispreport::Command1_Click() {
    m_registry.unload<dispreport>();
}

void dispreport::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.unload<dispreport>();
}

} // namespace tama
