#include "common/dialogs.h"

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// Used before the program installs its own: writes to stderr and answers Cancel,
// so nothing destructive happens without a real answer.
class SilentDialogs final : public Dialogs {
  public:
    void info(const QString &message, const QString &title) override { print(title, message); }
    bool confirmCancelled(const QString &message, const QString &title) override {
        print(title, message);
        return true;
    }
    void error(const QString &message, const QString &title) override { print(title, message); }
    void beep() override {}

  private:
    static void print(const QString &title, const QString &message) {
        std::fprintf(stderr, "%s: %s\n", title.toUtf8().constData(), message.toUtf8().constData());
    }
};

SilentDialogs g_silent;
Dialogs *g_dialogs = &g_silent;

} // namespace

Dialogs &dialogs() {
    return *g_dialogs;
}
void setDialogs(Dialogs *d) {
    g_dialogs = d ? d : &g_silent;
}

void InfoBox(const QString &message, const QString &title) {
    g_dialogs->info(message, title);
}
bool ConfirmCancelled(const QString &message, const QString &title) {
    return g_dialogs->confirmCancelled(message, title);
}
void ErrorBox(const QString &message) {
    g_dialogs->error(message, u"エラー"_s);
}
void Beep() {
    g_dialogs->beep();
}

} // namespace tama
