#pragma once

#include <QString>

namespace tama {

// Every message and question goes through this interface: the program installs the
// message-box implementation, tests install a double that records and answers.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual void info(const QString &message, const QString &title) = 0;
    // True when the user chose Cancel.
    virtual bool confirmCancelled(const QString &message, const QString &title) = 0;
    virtual void error(const QString &message, const QString &title) = 0;
    virtual void beep() = 0;
};

Dialogs &dialogs();
void setDialogs(Dialogs *d); // nullptr installs a silent implementation that cancels

void InfoBox(const QString &message, const QString &title);
bool ConfirmCancelled(const QString &message, const QString &title);
void ErrorBox(const QString &message); // titled "エラー"
void Beep();

} // namespace tama
