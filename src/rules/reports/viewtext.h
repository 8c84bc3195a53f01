#pragma once

#include "common/text.h"

#include <QString>
#include <QStringView>

// Reading card fields in place: the views parse every card of a diary, and copies of
// the parts would cost more than the parsing.
namespace tama::viewtext {

// textToNumber of a part of a text.
inline qint64 valueOf(QStringView v) {
    return textToNumber(QString::fromRawData(v.data(), v.size()));
}

inline QStringView trimmedRight(QStringView v) {
    qsizetype n = v.size();
    while (n > 0 && isSpace(v[n - 1]))
        --n;
    return v.first(n);
}

inline QStringView trimmed(QStringView v) {
    v = trimmedRight(v);
    qsizetype i = 0;
    while (i < v.size() && isSpace(v[i]))
        ++i;
    return v.sliced(i);
}

// The first n characters, or all of a shorter text.
inline QStringView leftOf(QStringView v, qsizetype n) {
    return v.first(std::min(n, v.size()));
}
inline QStringView midOf(QStringView v, qsizetype pos, qsizetype n) {
    if (pos >= v.size()) return {};
    return v.sliced(pos, std::min(n, v.size() - pos));
}

// A text that refers to the characters of v without copying them; it must not outlive v.
inline QString rawText(QStringView v) {
    return QString::fromRawData(v.data(), v.size());
}

} // namespace tama::viewtext
