#pragma once

#include <QString>

namespace tama {

// One of the ten up/down spinners of the card screen. A vertical scroll bar's value v
// shows the number top − v, so the up arrow (which lowers v) raises the number. Each
// range is one step wider than the numbers at both ends; stepping onto such an end
// wraps around to the other side.
class Spinner {
  public:
    enum class Kind {
        Hour,         // 9 … 23, tens box blank for 9
        Minute,       // 0 … 59, tens box "0" below 10
        TenThousands, // 0 … 99 (万), tens box blank below 10
        Digit,        // 0 … 9 (千, 百円), one box
    };

    // The spinner VScroll1 … VScroll10 (index 1 … 10).
    static const Spinner &at(int index);

    Kind kind() const { return m_kind; }
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    int start() const { return m_start; }
    int top() const { return m_top; }

    // The value that v becomes: the wrapped value at the two ends, v otherwise.
    int wrap(int v) const;
    int shown(int v) const { return m_top - v; }
    int valueFor(int number) const { return m_top - number; }

    // The texts of the digit boxes for value v. Digit spinners have only the ones box
    // (tens is then empty and unused).
    QString tensBox(int v) const;
    QString onesBox(int v) const;

  private:
    Spinner(Kind kind, int min, int max, int start, int top);

    Kind m_kind;
    int m_min;
    int m_max;
    int m_start;
    int m_top;
};

} // namespace tama
