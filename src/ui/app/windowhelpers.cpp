#include "app/windowhelpers.h"

#include "painters/monthgraphpainter.h"

#include <QLabel>
#include <QPalette>

namespace tama {

void bringToFront(QWidget *window) {
    window->show();
    window->raise();
    window->activateWindow();
}

void setTextColour(QLabel *label, const QColor &colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

void setTextColour(QLabel *label, ViewColour colour) {
    setTextColour(label, viewColour(colour));
}

} // namespace tama
