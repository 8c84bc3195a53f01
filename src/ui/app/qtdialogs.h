#pragma once

#include "common/dialogs.h"

namespace tama {

// Message boxes of the desktop program.
class QtDialogs final : public Dialogs {
  public:
    void info(const QString &message, const QString &title) override;
    bool confirmCancelled(const QString &message, const QString &title) override;
    void error(const QString &message, const QString &title) override;
    void beep() override;
};

} // namespace tama
