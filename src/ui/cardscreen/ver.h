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

    QLabel *Image1;
    QLabel *Label1;
    QLabel *Label2;
    QPushButton *Command1;

  private:
    void Command1_Click();

    WindowRegistry &m_registry;
};

} // namespace tama
