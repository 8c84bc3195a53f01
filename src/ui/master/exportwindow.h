#pragma once

#include "master/settingsdatabase.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

namespace tama {

class WindowRegistry;

// 書き出し: the user's diaries of a range of years as a CSV file in the layout of another
// diary program, so that a player can take the cards there.
class ExportWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ExportWindow(WindowRegistry &registry);

    // The years offered read again (a diary made since the window opened).
    void reload();

  protected:
    void keyPressEvent(QKeyEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

  private:
    QComboBox *FormatBox;
    QComboBox *FromYear;
    QComboBox *ToYear;
    QComboBox *EncodingBox;
    QLineEdit *FileBox;
    QPushButton *Browse;
    QPushButton *WriteButton;
    QPushButton *CloseButton;

    void Browse_Click();
    void Write_Click();

    WindowRegistry &m_registry;
    SettingsDatabase m_db;
};

} // namespace tama
