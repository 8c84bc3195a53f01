#pragma once

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "master/popupcombobox.h"

namespace tama {

class WindowRegistry;
class PictureButton;
struct ProfitText;
struct CardControls;

// The card screen: one card of the current diary at a time, the card and year
// scrollers, date, time and amount entry, and the menus that reach every other window.
class PatincoMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit PatincoMain(WindowRegistry &registry);

    // The year box: any change of its text is copied to the year label.
    void setYearText(const QString &year);
    QString yearText() const;

    // What other windows read and write on the card.
    QString storeText() const { return Combo1->currentText(); }
    QString modelText() const { return Combo2->currentText(); }
    void setModelText(const QString &model) { Combo2->setEditText(model); }
    // The year list opens a card by moving the card scroller; the graph reads the month
    // of the card being entered.
    void showCardNumber(int n);
    // Card n of the user's diary of a year, switching the year scroller first.
    void showDiaryCard(int year, int n);
    QString monthText() const { return Text3->text(); }
    // The chosen category: 1 … 5 for Option1 … Option5, 0 when none is chosen.
    int categoryOption() const;

    void Form_Load();
    // Restores the picture buttons and the clock; reloads when a reload was requested.
    void Form_Activate();
    void LoadDiary();
    void ShowCard();
    void UpdateProfit();
    void SetDateFromScroller();
    void ClearCategory();
    void ChooseCategory(const QString &marker);
    void CheckModelInStoreList();
    void OrganiseDiary();

  protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

  private:
    void buildControls();
    void buildLayout();
    void buildMenus();
    void connectHandlers();

    void Form_Deactivate();
    void Form_MouseMove();
    void updateClock();
    void Text2_Change();
    void Label22_Change();
    void setLabel22(const QString &text);

    void HScroll1_Change();
    void HScroll2_Change();
    void HScroll3_Change();
    void Text3_KeyPress();
    void Text3_LostFocus();
    void Text4_KeyPress();
    void Text4_LostFocus();
    void VScroll1_Change();
    void VScroll2_Change();
    void VScroll3_Change();
    void VScroll4_Change();
    void VScroll5_Change();
    void VScroll6_Change();
    void VScroll7_Change();
    void VScroll8_Change();
    void VScroll9_Change();
    void VScroll10_Change();
    void Combo1_Change();
    void Combo1_DropDown();
    void Combo1_Click();
    void Combo2_DropDown();
    void Combo2_Click();
    void Command23_Click();
    void Command6_Click();
    void filesort_Click();
    void Picture3_Click();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
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

    // The shared work of the spinner handlers.
    void hourChange(bool start);
    void minuteChange(bool start);
    void tenThousandsChange(QScrollBar *bar, int index, QLineEdit *tens, QLineEdit *ones,
                            QLineEdit *thousands, QLineEdit *hundreds);
    void digitChange(QScrollBar *bar, int index, QLineEdit *box, QLineEdit *lower);
    bool startIsLater() const;
    void repairTypedDate(bool inMonthBox);

    template <class W> void showWindow();
    void selectOption(QRadioButton *option, void (PatincoMain::*handler)());
    void setProfit(const ProfitText &p);
    void setCardColour(QLabel *label, const QColor &colour);
    void showNewCardState();
    QString cardNumberText() const;
    CardControls cardControls() const;
    void showFilledBoxes(const CardControls &c);
    void discardYearList();
    void prepareNextCard();
    void emptyCardBoxes();

    WindowRegistry &m_registry;
    int m_shown = 0; // ShowCard calls, to know whether setting the scroller showed a card

    // Controls, named as the user's manual names them.
    PictureButton *Picture1, *Picture2, *Picture3, *Picture4, *Picture5, *Picture6;
    QLabel *Label9;
    QLabel *Label19, *Label20, *Label22;
    QScrollBar *HScroll1, *HScroll2;
    QLineEdit *Text2;
    QLabel *Label18, *Label11, *Label23, *Label27;
    QLineEdit *Text3, *Text4, *Text5;
    QScrollBar *HScroll3;
    QScrollBar *VScroll1, *VScroll2, *VScroll3, *VScroll4;
    QLineEdit *Text6, *Text7, *Text18, *Text19, *Text8, *Text9, *Text20, *Text21;
    QLabel *Label10a, *Label10b, *Label4;
    QLabel *Label1;
    PopupComboBox *Combo1;
    QLabel *Label16;
    QGroupBox *Frame1;
    QRadioButton *Option6, *Option7, *Option8, *Option9;
    QLabel *Label3;
    QGroupBox *Frame2;
    QRadioButton *Option1, *Option2, *Option3, *Option4, *Option5;
    QButtonGroup *m_dayTypes, *m_categories;
    QLabel *Label2;
    PopupComboBox *Combo2;
    QLabel *Label12, *Label25, *Label5, *Label26;
    QLineEdit *Text10, *Text11, *Text12, *Text13;
    QScrollBar *VScroll5, *VScroll6, *VScroll7;
    QLabel *Label13, *Label6, *Label24, *Label7;
    QLineEdit *Text14, *Text15, *Text16, *Text17;
    QScrollBar *VScroll8, *VScroll9, *VScroll10;
    QLabel *Label14, *Label15, *Label17;
    QLabel *Label8;
    QPlainTextEdit *Text24;
    QPushButton *Command23, *Command6;
};

} // namespace tama
