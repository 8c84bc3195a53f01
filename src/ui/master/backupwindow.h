#pragma once

#include "store/backup.h"
#include "store/conflictcopy.h"
#include "store/merge.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QWidget>

namespace tama {

class WindowRegistry;

// バックアップと復元: the snapshots of the data folder, what each holds, restoring one
// diary, one file or everything, taking one now, merging another copy of the open diary,
// and the settings of the automatic snapshots.
class BackupWindow : public QWidget {
    Q_OBJECT
  public:
    explicit BackupWindow(WindowRegistry &registry);

    // The snapshot list and the merge candidates read anew.
    void reload();

    // What the program says at start-up about conflict copies in the data folder.
    static QString conflictNotice(const QList<ConflictCopy> &copies);
    // The question asked before merging the file into the diary.
    static QString mergeQuestion(const MergePlan &plan, const QString &from, const QString &diary);

  protected:
    void keyPressEvent(QKeyEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

  private:
    QTabWidget *Tabs;
    QTreeWidget *Snapshots; // newest first; each item's data holds the snapshot's id
    QTreeWidget *Files;     // the files of the selected snapshot
    QPushButton *RestoreDiary;
    QPushButton *RestoreFile;
    QPushButton *RestoreAll;
    QPushButton *TakeNow;
    QPushButton *UndoImport; // the newest import, from its snapshot
    QComboBox *MergeFrom;    // conflict copies of the open diary, then "ほかのファイル…"
    QPushButton *MergeButton;
    QLabel *SizeLabel;
    QPushButton *CloseButton;

    QCheckBox *Automatic;
    QSpinBox *KeepOperations;
    QSpinBox *KeepDaily;
    QSpinBox *KeepMonthly;
    QSpinBox *MaxShare;
    QPushButton *SaveSettings;
    QPushButton *DefaultSettings;

    QWidget *buildSnapshotPage();
    QWidget *buildSettingsPage();
    void showSettings(const backup::Settings &s);
    backup::Settings settings() const;
    std::optional<backup::Snapshot> selected() const;
    void showFiles();
    void restore(const QString &fileName);
    void RestoreDiary_Click();
    void RestoreFile_Click();
    void RestoreAll_Click();
    void TakeNow_Click();
    void UndoImport_Click();
    // The newest snapshot taken before an import, when any.
    std::optional<backup::Snapshot> lastImport() const;
    void Merge_Click();
    void merge(const QString &path);
    void SaveSettings_Click();
    // Every other window shows the data as it was: they are closed and the card screen
    // reads the diary again.
    void afterDataChanged();

    WindowRegistry &m_registry;
    QList<backup::Snapshot> m_snapshots;
};

} // namespace tama
