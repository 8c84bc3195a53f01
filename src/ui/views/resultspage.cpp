#include "views/resultspage.h"

#include "painters/resultspainter.h"
#include "reports/resultstext.h"

#include <QPainter>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

ResultsChartView::ResultsChartView(QWidget *parent) : QWidget(parent) {
    setMinimumSize(480, 300);
}

void ResultsChartView::setDays(const QList<DayResult> &days, const QString &empty) {
    m_days = days;
    m_empty = empty;
    update();
}

void ResultsChartView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    ResultsPainter::paint(p, rect(), m_days, font(), m_empty);
}

ResultsPage::ResultsPage(QWidget *parent) : QWidget(parent) {
    ResultsRange = new QLabel(this);
    ResultsRange->setObjectName(u"ResultsRange"_s);
    ResultsChart = new ResultsChartView(this);
    ResultsChart->setObjectName(u"ResultsChart"_s);
    ResultsText = new QLabel(this);
    ResultsText->setObjectName(u"ResultsText"_s);
    ResultsText->setWordWrap(true);
    ResultsText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *hint = new QLabel(
        u"ここの時給は、開始と終了の時刻の分かるカードだけの収支 ÷ 遊技時間です（円、四捨五入）。"
        u"範囲は、その時給のばらつきから、本当の時給が95%の確からしさで入る幅を見積もったものです。"
        u"範囲が0円をまたぐうちは、勝ち負けは運で説明がつきます。"_s,
        this);
    hint->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ResultsRange);
    layout->addWidget(ResultsChart, 1);
    layout->addWidget(ResultsText);
    layout->addWidget(hint);
}

void ResultsPage::setResults(const StatsGroup &total, const QList<DayResult> &days, int from, int to) {
    ResultsRange->setText((from == to
                               ? QString::number(from) + u"年"_s
                               : QString::number(from) + u"年から"_s + QString::number(to) + u"年まで"_s) +
                          u"（年の範囲と削除候補は「集計」と下の印で選びます）"_s);
    ResultsChart->setDays(days, u"日付の読めるカードがありません。"_s);
    ResultsText->setText(resultsLines(total).join(u'\n'));
}

} // namespace tama
