#pragma once

#include "reports/monthgraph.h"
#include "reports/monthgraphmodel.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>

#include <memory>

namespace tama {

class WindowRegistry;

// The picture of the monthly graph: grid, axis labels and the month's shapes.
class GraphArea : public QWidget {
    Q_OBJECT
  public:
    explicit GraphArea(QWidget *parent = nullptr);

    void setGraph(std::unique_ptr<MonthGraph> graph);
    const MonthGraph *graph() const { return m_graph.get(); }
    QLabel *axisLabel(const QString &name) const;

    QSize sizeHint() const override { return QSize(780, 560); }
    QSize minimumSizeHint() const override { return QSize(520, 380); }

  protected:
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

  private:
    void placeLabels();

    std::unique_ptr<MonthGraph> m_graph;
    QList<QLabel *> m_labels;
};

// "月別グラフ": running investment, cash-out and profit over the days of one month.
class tukiGrafh : public QWidget {
    Q_OBJECT
  public:
    explicit tukiGrafh(WindowRegistry &registry);
    ~tukiGrafh() override;

    const MonthGraph *graph() const { return m_area->graph(); }
    int drawCount() const { return m_draws; }
    GraphArea *area() const { return m_area; }
    // What is drawn: the settings, the month and the diary's cards.
    MonthGraphModel &model() { return m_model; }

  public slots:
    // Back to the last month, as when the window becomes active.
    void Form_Activate();
    void DrawMonth();

  protected:
    bool event(QEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

  private:
    void Form_Load();
    void HScroll1_Change();
    void sengrafh_Click();
    void sumSoneki_Click();
    void sumkankin_Click();
    void SumTousi_Click();
    void Command3_Click();
    void followDiary();
    void showCaptions();
    MonthSpan span() const;

    QMenuBar *menuBar;
    QMenu *settei;
    QAction *sumSoneki, *sumkankin, *SumTousi;
    QMenu *set2;
    QAction *sengrafh;
    QScrollBar *HScroll1;
    QLabel *Label12, *Label13, *Label14, *Label22;
    QGroupBox *Frame1, *Frame2, *Frame3;
    QLabel *Label16, *Label18, *Label17;
    QPushButton *Command3;

    WindowRegistry &m_registry;
    MonthGraphModel m_model;
    GraphArea *m_area;
    int m_draws = 0;
};

} // namespace tama
