#pragma once

#include "master/popupcombobox.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace tama {

class PictureButton;

// The card screen's controls and their arrangement, named as the user's manual names
// them: the left column date, time, store, day type, category and model, the right
// column amounts, profit, impression and the two buttons.
class PatincoMainForm {
  protected:
    void setupForm(QMainWindow *window);

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
    // The left and right columns of the card; panels beside the card go at its end.
    QHBoxLayout *m_columns = nullptr;

    // The sixteen digit boxes in the card editor's order (start, end, investment,
    // cash-out) and the ten spinners VScroll1 … VScroll10.
    std::array<QLineEdit *, 16> digitBoxes() const;
    std::array<QScrollBar *, 10> spinners() const;

  private:
    void buildLayout(QWidget *central);
};

} // namespace tama
