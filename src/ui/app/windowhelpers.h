#pragma once

#include "reports/viewcolour.h"

class QColor;
class QLabel;
class QPushButton;
class QString;
class QRadioButton;
class QWidget;

namespace tama {

// Shows a window and brings it in front of the others with the keyboard focus.
void bringToFront(QWidget *window);

// The colour of a label's text, through its palette so that the style keeps its font.
void setTextColour(QLabel *label, const QColor &colour);
void setTextColour(QLabel *label, ViewColour colour);

// The option button of category option (1 to 5), captioned from the category table and
// named "Option<firstNumber + option - 1>". The card screen's captions are its own.
enum class CategoryCaption { Catalogue, CardScreen };
QRadioButton *categoryButton(int option, int firstNumber, QWidget *parent,
                             CategoryCaption caption = CategoryCaption::Catalogue);

// A push button named name that Enter in another control does not press: the windows'
// defaults are set where they are meant.
QPushButton *plainButton(const QString &name, const QString &text, QWidget *parent);
// A label whose accelerator moves the focus to buddy.
QLabel *buddyLabel(const QString &text, QWidget *buddy, QWidget *parent);

} // namespace tama
