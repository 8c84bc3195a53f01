#include "app/windowhelpers.h"

#include "app/named.h"
#include "painters/monthgraphpainter.h"
#include "store/category.h"

#include <QLabel>
#include <QPalette>
#include <QRadioButton>

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

QRadioButton *categoryButton(int option, int firstNumber, QWidget *parent, CategoryCaption caption) {
    const CategoryInfo &c = *categoryByOption(option);
    return named(new QRadioButton(caption == CategoryCaption::CardScreen ? c.cardCaption : c.caption, parent),
                 QStringLiteral("Option%1").arg(firstNumber + option - 1));
}

} // namespace tama
