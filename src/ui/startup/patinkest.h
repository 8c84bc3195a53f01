#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

namespace tama {

class WindowRegistry;

// The user window: choose whose diary to open, and who opens by itself next time.
class PATINKEST : public QWidget {
    Q_OBJECT
  public:
    explicit PATINKEST(WindowRegistry &registry);

    // Start of the program: fills the list and opens the auto-start user's diary at
    // once. Returns true when a diary was opened (the window is then not shown).
    bool Form_Load();

    void OpenUserDiary(const QString &name);
    void OpenSelectedUser();
    void ConfirmUser();

    // Back from the main window's menu: shows the auto-start user checked and selected.
    void ShowFromMenu();

    // A user added by the new-user window, in the form stored users are listed.
    void addUserEntry(const QString &storedName);
    void showHint();

  protected:
    void closeEvent(QCloseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

  private:
    QListWidget *List1;
    QCheckBox *Check1;
    QLabel *label1;
    QLabel *hint; // how to begin, while there is no user
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;

    void List1_DblClick();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Check1_Click(bool checked);

    WindowRegistry &m_registry;
};

} // namespace tama
