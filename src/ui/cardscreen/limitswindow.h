#pragma once

#include "card/limits.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <array>

namespace tama {

class WindowRegistry;

// The player's limits of the user in use: for each, the limit in force, what this month
// or today has used, a change that waits and when it takes effect, and a box to set a
// new one (empty: no limit). Enter in a box sets it; Escape closes.
class LimitsWindow : public QWidget {
    Q_OBJECT
  public:
    explicit LimitsWindow(WindowRegistry &registry);

    // Reads the limits and the usage again.
    void reload();

  protected:
    void keyPressEvent(QKeyEvent *e) override;
    void showEvent(QShowEvent *e) override;

  private:
    struct Row {
        LimitKind kind;
        QLabel *limit, *used, *pending;
        QLineEdit *box;
        QPushButton *set;
    };
    void setLimit(const Row &row);
    PlayDatabase::Mode mode();
    // The box's text as the stored value: yen, cards, or hours as minutes.
    static QString boxText(LimitKind kind, qint64 value);

    WindowRegistry &m_registry;
    std::array<Row, 3> m_rows{};
    QLabel *m_problem;
    LimitStatus m_status;
};

} // namespace tama
