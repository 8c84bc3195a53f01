#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace tama {

class WindowRegistry;

// The version window.
class ver : public QWidget {
    Q_OBJECT
  public:
    explicit ver(WindowRegistry &registry);

  private:
    QLabel *Image1;
    QLabel *Label1;
    QLabel *Label2;
    QPushButton *Command1;

    void Command1_Click();

    WindowRegistry &m_registry;
};

} // namespace tama
