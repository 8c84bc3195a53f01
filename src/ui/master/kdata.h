#pragma once

#include "halls/speceditor.h"
#include "master/popupcombobox.h"
#include "master/settingsdatabase.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QWidget>

namespace tama {

class WindowRegistry;
struct CategoryInfo;

// The model settings: the five model catalogues, one category at a time.
class KDATA : public QWidget {
    Q_OBJECT
  public:
    explicit KDATA(WindowRegistry &registry);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *e) override;

  private:
    QGroupBox *Frame1;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QRadioButton *Option3;
    QRadioButton *Option4;
    QRadioButton *Option5;
    QLabel *Label1;
    PopupComboBox *Combo1;
    QPushButton *Command1;
    QPushButton *Command4;
    QPushButton *Command2;
    QPushButton *Command3;

    // The 機種スペック of the model chosen, kept in the database, and the borders it implies.
    QGroupBox *SpecFrame;
    QLabel *SpecStatus;
    QLineEdit *SpecProbability;
    QLineEdit *SpecPayout;
    QLineEdit *SpecBorder;
    QPushButton *SpecSet;
    QPushButton *SpecRemove;
    QTreeWidget *SpecBorders;
    QLabel *UnusedLabel;
    QTreeWidget *UnusedSpecs;
    QPushButton *UnusedRemove;

    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void Option_DblClick();
    void Command1_Click();
    void Command4_Click();
    void Command2_Click();
    void Command3_Click();

    void listCatalogue(const CategoryInfo &category);
    // The category of the first selected option button, or none.
    const CategoryInfo *selectedCategory() const;

    QWidget *buildSpecs();
    // The catalogue as the 機種スペック editor judges it, read again after a change.
    void refreshCatalogue(const CategoryInfo &category);
    void reloadSpecs();
    void chooseSpecModel();
    void drawSpecs();
    void SpecSet_Click();
    void SpecRemove_Click();
    void UnusedRemove_Click();
    void removeSpec(const ModelSpec &modelSpec);

    WindowRegistry &m_registry;
    SettingsDatabase m_db;
    SpecEditor m_specs;
};

} // namespace tama
