#pragma once

#include "common/dialogs.h"

#include <QList>
#include <QString>

namespace tama::test {

// Records every message and answers questions from a script; never opens a window.
// An unscripted question is answered Cancel (the safe answer) and counted.
class RecordingDialogs final : public Dialogs {
  public:
    struct Call {
        enum Kind { Info, Confirm, Error } kind;
        QString message;
        QString title;
    };

    RecordingDialogs() { setDialogs(this); }
    ~RecordingDialogs() override { setDialogs(nullptr); }

    void info(const QString &message, const QString &title) override;
    bool confirmCancelled(const QString &message, const QString &title) override;
    void error(const QString &message, const QString &title) override;
    void beep() override { ++beeps; }

    // Queue the answers to the next questions: true = Cancel, false = OK.
    void answer(std::initializer_list<bool> cancelled) { m_answers.append(cancelled); }
    void clear();

    QList<Call> calls;
    int beeps = 0;
    int unscripted = 0;

    int count(Call::Kind kind) const;
    QString lastMessage() const { return calls.isEmpty() ? QString() : calls.last().message; }

  private:
    QList<bool> m_answers;
};

} // namespace tama::test
