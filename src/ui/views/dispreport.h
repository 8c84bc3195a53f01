#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <array>

namespace tama {

class WindowRegistry;

// The yearly evaluation report: the best card of each category and the table of
// recovery rate, hourly result and hours by category and business day.
class dispreport : public QWidget {
    Q_OBJECT
  public:
    explicit dispreport(WindowRegistry &registry);

  public slots:
    // Reads the diary in use and fills the report.
    void Form_Load();

  protected:
    void closeEvent(QCloseEvent *e) override;

  private:
    void Command1_Click();

    QGroupBox *Frame1;
    std::array<QLabel *, 5> Label2;        // section titles
    std::array<QLabel *, 5> Label3;        // award lines
    std::array<QLabel *, 7> Label24;       // column heads
    QLabel *Label1_0, *Label10, *Label1_8; // row heads
    std::array<QLabel *, 7> Label18;       // recovery rate
    std::array<QLabel *, 7> Label9;        // hourly result
    std::array<QLabel *, 7> Label4;        // hours
    QPushButton *Command1;
    QLabel *ChodamaNote; // shown only while 貯玉 counts in the totals

    WindowRegistry &m_registry;
};

} // namespace tama
