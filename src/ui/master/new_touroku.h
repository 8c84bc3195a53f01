#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

namespace tama {

class WindowRegistry;

// Adds the model of the card just registered to its store's list of installed models.
// It takes the store, model and category from the card screen when it loads.
class New_touroku : public QWidget {
    Q_OBJECT
  public:
    explicit New_touroku(WindowRegistry &registry);

  protected:
    void closeEvent(QCloseEvent *e) override;

  private:
    QLabel *Label5;
    QLabel *Label2;
    QListWidget *List1;
    QLabel *Label1;
    QListWidget *List3;
    QLabel *Label4;
    QLabel *Label3;
    QListWidget *List2;
    QPushButton *Command1;
    QPushButton *Command2;

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    // The card's store; empty when no store was typed or chosen.
    QString storeName() const;

    WindowRegistry &m_registry;
    QString m_store;
    QString m_newEntry;    // the card's model as an entry of List2; empty without a card
    QStringList m_entries; // the store's list as List2 shows it
};

} // namespace tama
