#pragma once

#include "reports/yearlistmodel.h"
#include "views/selectionlist.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <memory>

namespace tama {

class WindowRegistry;

// The year list: one line per card of the current diary that passes the filter window's
// selections, column buttons that sort it, and the five totals.
class listview : public QWidget {
    Q_OBJECT
  public:
    explicit listview(WindowRegistry &registry);

    const YearList &yearList() const { return m_model.list(); }
    const YearListSorter &sorter() const { return m_model.sorter(); }

  public slots:
    // Reads the diary in use and lists it with the filter window's selections.
    void Form_Load();

  signals:
    // n of s steps of loading done; the wait window draws it.
    void progressed(int n, int s);
    void loaded();

  protected:
    void closeEvent(QCloseEvent *e) override;

  private:
    QPushButton *Command3, *Command4, *Command5, *Command6, *Command7, *Command8, *Command9;
    SelectionList *List1;
    QGroupBox *Frame1, *Frame2, *Frame3, *Frame4, *Frame5;
    QLabel *Label8, *Label9, *Label10, *Label12, *Label14;
    QLabel *ChodamaNote; // shown only while 貯玉 counts in the totals
    QPushButton *Command1;
    QPushButton *Command2;

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void List1_DblClick();
    void Form_Unload();
    void press(YearListLine::Column column);
    void alignButtons();

    WindowRegistry &m_registry;
    YearListModel m_model;
    bool m_unloaded = false;
};

} // namespace tama
