#pragma once

#include "card/cardeditor.h"
#include "cardscreen/patincomainform.h"
#include "store/backup.h"

#include <QMainWindow>

namespace tama {

class LimitLine;
class PlayPanel;
class WindowRegistry;

// The card screen: one card of the current diary at a time, the card and year
// scrollers, date, time and amount entry, and the menus that reach every other window.
// The card itself lives in a CardEditor; the window draws it and sends edits to it.
class PatincoMain : public QMainWindow, private PatincoMainForm {
    Q_OBJECT
  public:
    explicit PatincoMain(WindowRegistry &registry);

    // The card as it stands: what other windows read.
    const CardEditor &editor() const { return m_editor; }

    // The year of the card shown (a deletion candidate's R999), else the diary's.
    QString yearText() const;

    // What other windows read and write on the card.
    QString storeText() const { return m_editor.card().store; }
    QString modelText() const { return m_editor.card().model; }
    void setModelText(const QString &model);
    // The year list opens a card by moving the card scroller; the graph reads the month
    // of the card being entered.
    void showCardNumber(int n);
    // Card n of the user's diary of a year, switching the year scroller first.
    void showDiaryCard(int year, int n);
    QString monthText() const { return m_editor.card().month; }
    // The chosen category: 1 … 5 for Option1 … Option5, 0 when none is chosen.
    int categoryOption() const { return m_editor.card().category; }

    // The line of the player's limits, read again (after they were set).
    void drawLimits();

    void Form_Load();
    // Restores the picture buttons and the clock; reloads when a reload was requested.
    void Form_Activate();
    void LoadDiary();

  protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

  private:
    void buildMenus();
    void buildKeys();
    void ShowCard();
    void SetDateFromScroller();
    void ClearCategory();
    void ChooseCategory(const QString &marker);
    void OrganiseDiary();
    void UndoOrganise();
    void connectHandlers();

    // Draws the card from the editor; nothing drawn is taken as an edit.
    void draw();
    void drawState();
    void drawDiary();
    void drawTitle();
    void drawDateScroller();
    void fillModelList();

    void Form_Deactivate();
    void Form_MouseMove();
    void updateClock();

    void HScroll1_Change();
    void HScroll2_Change();
    void followDiary();
    void HScroll3_Change();
    bool dateBoxKey(QLineEdit *box, QKeyEvent *e);
    void dateBoxLeft(QLineEdit *box);
    bool digitBoxKey(int index, QKeyEvent *e);
    void spinnerChange(int index);
    void Combo1_DropDown();
    void Combo1_Click();
    void Combo2_DropDown();
    void Combo2_Click();
    void Command23_Click();
    void Command6_Click();
    void filesort_Click();
    void Picture3_Click();
    void Option_Click(int option);
    void user_select_Click();
    void endi_Click();
    void helpn_Click();
    void topic_Click();
    void DispVer_Click();
    void MISEDATASETTEI_Click();
    void kisyudatasettei_Click();
    void Picture4_Click();
    void Picture5_Click();
    void All_Click();
    void graph_Click();
    void disp_report_Click();
    void Picture1_Click();
    void Picture2_Click();
    void Picture6_Click();
    void discardYearList();
    void setCardNumberScroller(int value, int maximum);
    QDate scrollerDate() const;

    WindowRegistry &m_registry;
    CardEditor m_editor;
    PlayPanel *m_playPanel;
    LimitLine *m_limitLine;
    bool m_drawing = false;
    bool m_loadingForm = false;
    int m_opening = -1; // the state's opening this window was loaded for
    bool m_keyInBox = false;
    // The snapshot taken before the last organise of this run: what its undo restores.
    std::optional<backup::Snapshot> m_beforeOrganise;
};

} // namespace tama
