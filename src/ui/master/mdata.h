#pragma once

#include "halls/installedmodels.h"
#include "halls/termseditor.h"
#include "master/popupcombobox.h"
#include "master/settingsdatabase.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QWidget>

namespace tama {

class WindowRegistry;
struct CategoryInfo;

// The store settings: the halls of "patishop.dat" and the models installed in each.
class MDATA : public QWidget {
    Q_OBJECT
  public:
    explicit MDATA(WindowRegistry &registry);

  protected:
    void closeEvent(QCloseEvent *e) override;

  private:
    void LoadCatalogueList(const CategoryInfo &category);
    void SaveStore();

    QLabel *Label2;
    PopupComboBox *Combo1;
    QLabel *Label3;
    QListView *List2;
    QPushButton *Command4;
    QPushButton *Command6;
    QLabel *Label1;
    QListWidget *List1;
    QGroupBox *Frame3;
    QRadioButton *Option10;
    QRadioButton *Option11;
    QRadioButton *Option12;
    QRadioButton *Option13;
    QRadioButton *Option14;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command5;
    QPushButton *Command3;

    // The exchange terms of the store chosen, kept in the database.
    QGroupBox *TermsFrame;
    QLabel *TermsStatus;
    QTreeWidget *TermsList;
    QLineEdit *TermsFrom;
    QLineEdit *TermsLend;
    QLineEdit *TermsExchange;
    QLabel *TermsYen;
    QLineEdit *TermsFee;
    QPushButton *TermsSet;
    QPushButton *TermsRemove;
    QLabel *UnusedLabel;
    QTreeWidget *UnusedTerms;
    QPushButton *UnusedRemove;

    void Form_Load();
    void Combo1_Change();
    void Combo1_Click();
    void Combo1_DropDown();
    void Option10_Click();
    void Option11_Click();
    void Option12_Click();
    void Option13_Click();
    void Option14_Click();
    void Command4_Click();
    void Command6_Click();
    void Command1_Click();
    void Command2_Click();
    void Command5_Click();
    void Command3_Click();

    void chooseCategory(int sectionCode);

    QWidget *buildTerms();
    // The store file's names and the database's terms read again, then drawn.
    void reloadTerms();
    void chooseTermsStore();
    void drawTerms();
    void TermsList_Select();
    void TermsExchange_Change();
    void TermsSet_Click();
    void TermsRemove_Click();
    void UnusedRemove_Click();
    void removeTerms(const HallTerms &terms);

    WindowRegistry &m_registry;
    int m_section = 0;
    QStringList m_catalogue; // the chosen category's models, as List1 lists them
    // The models installed in the store in the box, as List2 draws them.
    InstalledModels m_installed;
    QStringList m_stores; // the store file's names, as Combo1 lists them
    SettingsDatabase m_db;
    TermsEditor m_terms;
};

} // namespace tama
