#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "reports/yearlistselection.h"
#include "views/selectionlist.h"

namespace tama {

class WindowRegistry;

// "条件指定": which stores and models the year list covers.
class allSelect : public QWidget {
    Q_OBJECT
  public:
    explicit allSelect(WindowRegistry &registry);

    // What the window shows and edits.
    const YearListSelection &selection() const { return m_selection; }
    // The selected stores and models as the year list applies them.
    YearListFilter filter() const { return m_selection.filter(); }

  private:
    QLabel *Label1;
    SelectionList *List1;
    QCheckBox *Check1;
    QLabel *Label2;
    SelectionList *List2;
    QCheckBox *Check2;
    QLabel *Label3;
    SelectionList *List3;
    QCheckBox *Check3;
    QPushButton *Command1;
    QPushButton *Command2;

    void Form_Load();
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void listClicked(YearListSelection::Part part);
    void showPart(YearListSelection::Part part);
    void Command1_Click();
    void Command2_Click();
    WindowRegistry &m_registry;
    YearListSelection m_selection;
    bool m_showing = false; // while the lists are made to show the selection
    int m_clicked = -1;     // the list whose clicks are being taken: it shows them already
};

} // namespace tama
