#pragma once

#include <QObject>

namespace tama {

// The keys every window answers the same way, watched for the whole program:
// Enter presses the focused button, or else the window's default button; Escape
// presses a window's back or cancel button, or closes it. The card screen and the user
// window, which end or switch the program, keep Escape to themselves.
class KeyboardFilter : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
};

// Loads Qt's own Japanese texts (キャンセル, はい, いいえ) when they are installed.
// Returns whether they were found.
bool installJapaneseTranslation();

} // namespace tama
