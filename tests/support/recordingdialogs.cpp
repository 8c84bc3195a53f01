#include "recordingdialogs.h"

namespace tama::test {

void RecordingDialogs::info(const QString &message, const QString &title) {
    calls.append({Call::Info, message, title});
}

bool RecordingDialogs::confirmCancelled(const QString &message, const QString &title) {
    calls.append({Call::Confirm, message, title});
    if (m_answers.isEmpty()) {
        ++unscripted;
        return true;
    }
    return m_answers.takeFirst();
}

void RecordingDialogs::error(const QString &message, const QString &title) {
    calls.append({Call::Error, message, title});
}

void RecordingDialogs::clear() {
    calls.clear();
    m_answers.clear();
    beeps = 0;
    unscripted = 0;
}

int RecordingDialogs::count(Call::Kind kind) const {
    int n = 0;
    for (const Call &c : calls)
        n += c.kind == kind;
    return n;
}

} // namespace tama::test
