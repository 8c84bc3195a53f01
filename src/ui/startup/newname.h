#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

namespace tama {

class WindowRegistry;

// Adds a user to the user list. Hidden, not discarded, when it closes.
class NEWNAME : public QWidget {
    Q_OBJECT
  public:
    explicit NEWNAME(WindowRegistry &registry);

  private:
    QLabel *Label1;
    QLineEdit *Text1;
    QPushButton *Command1;
    QPushButton *Command2;

    void Command1_Click();
    void Command2_Click();

    WindowRegistry &m_registry;
};

} // namespace tama
