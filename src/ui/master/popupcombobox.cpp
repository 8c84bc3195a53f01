#include "master/popupcombobox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QSignalBlocker>

namespace tama {

PopupComboBox::PopupComboBox(QWidget *parent) : QComboBox(parent) {
    setEditable(true);
    // The typed text is the user's: Enter must not add it to the list, and no
    // completion may change it behind the user's back.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString &text) {
        m_chosen = false;
        emit textTyped(text);
    });
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (m_finishingEdit) return;
        m_chosen = index >= 0;
        emit entryChosen(index);
    });
}

void PopupComboBox::showPopup() {
    emit aboutToShowPopup();
    QComboBox::showPopup();
}

void PopupComboBox::focusOutEvent(QFocusEvent *e) {
    const QScopedValueRollback finishing(m_finishingEdit, true);
    QComboBox::focusOutEvent(e);
}

void PopupComboBox::keyPressEvent(QKeyEvent *e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    const QScopedValueRollback finishing(m_finishingEdit, m_finishingEdit || enter);
    QComboBox::keyPressEvent(e);
}

void PopupComboBox::addEntry(const QString &text) {
    // Adding to an empty list would make the new entry current and replace the text.
    const QString shown = currentText();
    const int index = currentIndex();
    {
        const QSignalBlocker block(this);
        addItem(text);
        setCurrentIndex(index);
        setEditText(shown);
    }
}

void PopupComboBox::removeEntry(int index) {
    const QSignalBlocker block(this);
    removeItem(index);
    setCurrentIndex(-1);
    setEditText(QString());
    m_chosen = false;
}

void PopupComboBox::clearText() {
    const QSignalBlocker block(this);
    setCurrentIndex(-1);
    setEditText(QString());
    m_chosen = false;
}

} // namespace tama
