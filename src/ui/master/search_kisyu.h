#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

namespace tama {

class WindowRegistry;
struct CategoryInfo;

// The model search: every model of the card's category, from its catalogue; the model
// chosen goes into the card screen's model box.
class search_kisyu : public QWidget {
    Q_OBJECT
  public:
    explicit search_kisyu(WindowRegistry &registry);

  protected:
    void closeEvent(QCloseEvent *e) override;

  private:
    QLabel *Label1;
    QListWidget *List1;
    QPushButton *Command1;
    QPushButton *Command2;

    void LoadCatalogueList(const CategoryInfo &category);

    void Form_Load();
    void Command1_Click();
    void List1_DblClick();
    void Command2_Click();
    void takeModel(const QString &model);

    WindowRegistry &m_registry;
    QStringList m_catalogue; // the category's models, as List1 lists them
};

} // namespace tama
