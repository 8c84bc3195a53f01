#pragma once

#include "card/limits.h"

#include <QLabel>

#include <optional>

namespace tama {

class DiaryState;

// The card screen's line for the player's limits: the plain fact of the one nearest its
// limit, hidden (taking no space) while no limit is in force. It follows the diary in use
// and the cards written, and tells, once, when a card just written passed a limit.
class LimitLine : public QLabel {
    Q_OBJECT
  public:
    LimitLine(DiaryState &state, QWidget *parent);

    // Reads the limits and the usage again and draws them.
    void refresh();
    // Around a card's write: what the limits stood at before, then the 注意 box for each
    // limit the write passed (in one box), after the card is stored.
    void noteBeforeWrite();
    void reportAfterWrite();

  private:
    // Opened as the folder allows, so that an older database is brought up to date.
    PlayDatabase::Mode mode() const;

    DiaryState &m_state;
    std::optional<LimitUsage> m_before;
};

} // namespace tama
