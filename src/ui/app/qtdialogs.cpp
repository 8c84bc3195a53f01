#include "app/qtdialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace tama {

namespace {
QWidget *parentWindow() {
    return QApplication::activeWindow();
}
} // namespace

void QtDialogs::info(const QString &message, const QString &title) {
    QMessageBox box(QMessageBox::Information, title, message, QMessageBox::Ok, parentWindow());
    box.exec();
}

bool QtDialogs::confirmCancelled(const QString &message, const QString &title) {
    QMessageBox box(QMessageBox::Information, title, message, QMessageBox::Ok | QMessageBox::Cancel,
                    parentWindow());
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() != QMessageBox::Ok;
}

void QtDialogs::error(const QString &message, const QString &title) {
    QMessageBox box(QMessageBox::Critical, title, message, QMessageBox::Ok, parentWindow());
    box.exec();
}

void QtDialogs::beep() {
    QApplication::beep();
}

} // namespace tama
