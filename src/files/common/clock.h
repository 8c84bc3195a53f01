#pragma once

#include <QDateTime>

namespace tama {

// The one source of "now": the program uses the system clock, tests set a fixed one.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

class SystemClock final : public Clock {
  public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock final : public Clock {
  public:
    explicit FixedClock(QDateTime t) : m_now(std::move(t)) {}
    QDateTime now() const override { return m_now; }
    void set(QDateTime t) { m_now = std::move(t); }

  private:
    QDateTime m_now;
};

// The clock in use; the system clock unless one was installed.
const Clock &clock();
void setClock(const Clock *c); // nullptr restores the system clock

} // namespace tama
