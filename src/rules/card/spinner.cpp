#include "card/spinner.h"

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace tama {

Spinner::Spinner(Kind kind, int min, int max, int start, int top)
    : m_kind(kind), m_min(min), m_max(max), m_start(start), m_top(top) {}

const Spinner &Spinner::at(int index) {
    static const std::array<Spinner, 10> spinners = {
        Spinner(Kind::Hour, 8, 24, 22, 32),            // start hour
        Spinner(Kind::Minute, 0, 61, 60, 60),          // start minute
        Spinner(Kind::Hour, 8, 24, 23, 32),            // end hour
        Spinner(Kind::Minute, 0, 61, 61, 60),          // end minute
        Spinner(Kind::TenThousands, 0, 101, 100, 100), // investment 万
        Spinner(Kind::Digit, 0, 11, 10, 10),           // investment 千
        Spinner(Kind::Digit, 0, 11, 10, 10),           // investment 百円
        Spinner(Kind::TenThousands, 0, 101, 100, 100), // cash-out 万
        Spinner(Kind::Digit, 0, 11, 10, 10),           // cash-out 千
        Spinner(Kind::Digit, 0, 11, 10, 10),           // cash-out 百円
    };
    Q_ASSERT(index >= 1 && index <= 10);
    return spinners[size_t(index - 1)];
}

int Spinner::wrap(int v) const {
    // Hours: 8 o'clock wraps to 23 and 24 o'clock to 9. The others: one below 0 wraps
    // to the largest number, top (one above it) to 0.
    if (m_kind == Kind::Hour) {
        if (v == m_max) return m_min + 1; // 8 o'clock → 23
        if (v == m_min) return m_max - 1; // 24 o'clock → 9
        return v;
    }
    if (v == m_max) return 1;
    if (v == m_min) return m_top;
    return v;
}

QString Spinner::tensBox(int v) const {
    const int n = shown(v);
    switch (m_kind) {
    case Kind::Hour:
    case Kind::TenThousands:
        return n < 10 ? QString() : QString::number(n).left(1);
    case Kind::Minute:
        return n < 10 ? u"0"_s : QString::number(n).left(1);
    case Kind::Digit:
        break;
    }
    return {};
}

QString Spinner::onesBox(int v) const {
    return QString::number(shown(v)).right(1);
}

} // namespace tama
