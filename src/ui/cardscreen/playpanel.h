#pragma once

#include "card/cardeditor.h"
#include "store/datafolder.h"
#include "store/playdata.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <memory>

namespace tama {

// The play data (稼働データ) beside the card: what the player counted, and at once what
// it says about the visit. The panel draws the card editor and sends the boxes to it; it
// holds the data folder's database, which the editor uses: the editor belongs to the
// window the panel is part of, and is never used once the window goes.
class PlayPanel : public QGroupBox {
    Q_OBJECT
  public:
    PlayPanel(CardEditor &editor, QWidget *parent);

    // Opens the folder's database for the editor (again, when it could not be opened
    // before), or lets the editor make it with the first play data: a diary is about to
    // load.
    void useFolder(const DataFolder &folder, bool readOnly);
    void draw();
    // The menu item that shows or hides the panel; the choice is kept across starts.
    QAction *toggleAction() const { return m_toggle; }
    // Tab goes from the impression box through the panel's boxes to the next control.
    void placeInTabOrder(QWidget *before, QWidget *after);

    // Yen as the panel shows it, beside its unit: sign and thousands separators, "+2,955".
    static QString yenText(qint64 yen);

  protected:
    bool eventFilter(QObject *watched, QEvent *e) override;

  private:
    void chooseDetached();
    void open(const DataFolder &folder, bool readOnly);

    CardEditor &m_editor;
    std::unique_ptr<PlayDatabase> m_db;
    QString m_dbPath;
    QString m_folderPath;
    bool m_readOnly = false;
    std::array<QLineEdit *, 6> m_boxes{};
    QLabel *m_rate, *m_borderCash, *m_borderGap, *m_expected, *m_luck;
    QLabel *m_missing, *m_unavailable;
    QPushButton *m_detached;
    QAction *m_toggle;
    bool m_drawing = false;
};

} // namespace tama
