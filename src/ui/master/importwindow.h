#pragma once

#include "common/csvreader.h"
#include "import/importpreviewmodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QTableView>
#include <QTimeEdit>
#include <QWidget>

namespace tama {

class WindowRegistry;

// 取り込み: a CSV file of another diary or a spreadsheet read into the user's diaries. The
// file is read into a preview first (every row with the card it becomes and whether it is
// new, a duplicate or refused); nothing is written until 取り込む.
class ImportWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ImportWindow(WindowRegistry &registry);

  protected:
    void keyPressEvent(QKeyEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

  private:
    QLabel *UserLabel;
    QLineEdit *FileBox;
    QPushButton *Browse;
    QComboBox *FormatBox; // 自動, then the layouts
    QComboBox *CategoryBox;
    QTimeEdit *StartBox;
    QCheckBox *IncludeDuplicates;
    QPushButton *ReadButton;
    QLabel *FoundLabel;
    QLabel *ProblemLabel;
    QGroupBox *ColumnsFrame;
    QWidget *ColumnsTable; // one line a column of the file: its number, first value and role
    QComboBox *DateFormatBox;
    QComboBox *UnitBox;
    QCheckBox *HeaderBox;
    QPushButton *LoadMap;
    QComboBox *ShowBox;
    QLabel *CountsLabel;
    QTableView *Preview;
    QPushButton *ImportButton;
    QPushButton *CloseButton;

    void Browse_Click();
    void Read_Click();
    void LoadMap_Click();
    void Import_Click();
    void FormatBox_Changed();
    void RoleChosen(int column);

    // The preview made again from the file read last, with the choices as they are now.
    void replan();
    void showProblem(const QString &problem);
    void fillColumns(const QStringList &firstRow);
    ColumnMap columnMap() const;
    void showColumnMap(const ColumnMap &map);
    std::optional<ImportFormat> chosenFormat() const;
    void afterDataChanged();
    void showUser();

    WindowRegistry &m_registry;
    ImportPreviewModel m_model;
    ImportPreviewFilter m_filter;
    CsvTable m_table;           // the file as read last
    QString m_read;             // its path
    QList<QComboBox *> m_roles; // the role of each column, in the columns table
};

} // namespace tama
