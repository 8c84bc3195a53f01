#pragma once

#include "reports/viewcolour.h"

class QColor;
class QLabel;
class QWidget;

namespace tama {

// Shows a window and brings it in front of the others with the keyboard focus.
void bringToFront(QWidget *window);

// The colour of a label's text, through its palette so that the style keeps its font.
void setTextColour(QLabel *label, const QColor &colour);
void setTextColour(QLabel *label, ViewColour colour);

} // namespace tama
