#include "app/windowhelpers.h"

#include "app/named.h"
#include "painters/monthgraphpainter.h"
#include "store/category.h"

#include <QLabel>
#include <QPalette>
#include <QPushButton>
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

QPushButton *plainButton(const QString &name, const QString &text, QWidget *parent) {
    auto *b = named(new QPushButton(text, parent), name);
    b->setAutoDefault(false);
    return b;
}

QLabel *buddyLabel(const QString &text, QWidget *buddy, QWidget *parent) {
    auto *l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

} // namespace tama
