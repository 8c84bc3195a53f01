#include "cardscreen/limitline.h"

#include "card/diarystate.h"
#include "common/clock.h"
#include "common/dialogs.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

LimitLine::LimitLine(DiaryState &state, QWidget *parent) : QLabel(parent), m_state(state) {
    setObjectName(u"LimitLine"_s);
    hide();
    connect(&m_state, &DiaryState::diaryChanged, this, &LimitLine::refresh);
    connect(&m_state, &DiaryState::cardsChanged, this, &LimitLine::refresh);
}

PlayDatabase::Mode LimitLine::mode() const {
    return m_state.readOnly() ? PlayDatabase::Mode::ReadOnly : PlayDatabase::Mode::ReadWrite;
}

void LimitLine::refresh() {
    if (m_state.user().isEmpty()) {
        hide();
        return;
    }
    const QDateTime now = clock().now();
    const LimitStatus s = readLimitStatus(m_state.folder, m_state.user(), now, mode());
    // A limit that cannot be read is said, not taken for none.
    const QString text =
        s.problem.isEmpty() ? nearestLimitText(s.limits, s.usage, now) : u"上限を読めません: "_s + s.problem;
    setText(text);
    setVisible(!text.isEmpty());
}

void LimitLine::noteBeforeWrite() {
    m_before.reset();
    if (m_state.user().isEmpty()) return;
    const QDateTime now = clock().now();
    const LimitStatus s = readLimitStatus(m_state.folder, m_state.user(), now, mode());
    if (s.problem.isEmpty() && s.limits.anyInForce(now)) m_before = s.usage;
}

void LimitLine::reportAfterWrite() {
    if (!m_before) return;
    const LimitUsage before = *m_before;
    m_before.reset();
    const QDateTime now = clock().now();
    const LimitStatus s = readLimitStatus(m_state.folder, m_state.user(), now, mode());
    if (!s.problem.isEmpty()) return;
    QStringList facts;
    for (const LimitCrossing &c : limitCrossings(s.limits, now, before, s.usage))
        facts.append(crossingText(c));
    if (facts.isEmpty()) return;
    facts.append(u"カードは保存されています。"_s);
    InfoBox(facts.join(u'\n'), u"注意"_s);
}

} // namespace tama
