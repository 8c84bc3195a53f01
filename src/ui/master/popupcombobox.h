#pragma once

#include <QComboBox>

namespace tama {

// An editable combo box that tells when its list is about to open, before it opens,
// and whether the text shows an entry chosen from the list or typed text.
class PopupComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit PopupComboBox(QWidget *parent = nullptr);

    void showPopup() override;

    // The list position of the entry chosen from the list, or -1 once the text was
    // typed (even when the typed text equals an entry).
    int listIndex() const { return m_chosen ? currentIndex() : -1; }
    // Adds an entry without touching the text in the box.
    void addEntry(const QString &text);
    // Removes an entry; the box is left empty with nothing chosen.
    void removeEntry(int index);
    // Empties the box text; nothing chosen.
    void clearText();

  protected:
    void focusOutEvent(QFocusEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

  signals:
    void aboutToShowPopup();
    // The text was changed by typing (not by choosing from the list).
    void textTyped(const QString &text);
    // An entry was chosen from the list (also with the arrow keys).
    void entryChosen(int index);

  private:
    bool m_chosen = false;
    // Set while the box finishes an edit (focus leaving, Enter): QComboBox then looks the
    // typed text up in the list and reports a match as activated, which is no choice.
    bool m_finishingEdit = false;
};

} // namespace tama
