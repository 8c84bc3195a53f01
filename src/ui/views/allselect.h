#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "views/selectionlist.h"

namespace tama {

class WindowRegistry;
class YearListFilter;

// "条件指定": which stores and models the year list covers.
class allSelect : public QWidget {
    Q_OBJECT
  public:
    explicit allSelect(WindowRegistry &registry);

    // The selections of List1 and List3 as the year list applies them.
    YearListFilter filter() const;

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
    void List2_Click();
    void Command1_Click();
    void Command2_Click();
    static void applyCheckRule(QCheckBox *box, SelectionList *list);

    WindowRegistry &m_registry;
};

} // namespace tama
