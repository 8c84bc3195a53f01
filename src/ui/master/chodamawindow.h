#pragma once

#include "master/settingsdatabase.h"
#include "reports/chodamamodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QWidget>

namespace tama {

class WindowRegistry;

// 貯玉: the user's stored balls per hall, their value at each hall's terms, every line of
// the ledger, entries made by hand, and whether the change counts in the totals.
class ChodamaWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ChodamaWindow(WindowRegistry &registry);

  public slots:
    // Reads the ledger again (another user, cards written, an entry made).
    void reload();

  protected:
    void keyPressEvent(QKeyEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

  private:
    QLabel *Problems;
    QCheckBox *CountInTotals;
    QTableView *Halls;
    QComboBox *ShowStore; // すべての店, or one hall
    QTableView *Lines;
    QDateEdit *EntryDay;
    QComboBox *EntryStore;
    QComboBox *EntryKind;
    QLineEdit *EntryBalls;
    QLineEdit *EntryNote;
    QPushButton *AddEntry;
    QPushButton *RemoveEntry;
    QPushButton *CloseButton;

    void AddEntry_Click();
    void RemoveEntry_Click();
    void CountInTotals_Toggled(bool on);
    void fillStores();

    WindowRegistry &m_registry;
    SettingsDatabase m_db;
    ChodamaHallsModel m_halls;
    ChodamaLinesModel m_lines;
};

} // namespace tama
