#pragma once

#include "support/windowfixture.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QListWidget>

namespace tama::test {

// A data folder with stores 本店 and 支店, the 羽物 models Ｘ, ａ and Ｙ and the
// ＣＲデジパチ model ＣＲ花, and a diary state for taro's 1999, in January 2000.
struct ViewFixture : WindowFixture {
    ViewFixture() : WindowFixture(QDateTime(QDate(2000, 1, 15), QTime(10, 0))) {
        auto sjis = [](const char *hexText, int width) {
            const QByteArray b = hex(hexText);
            return b + spaces(width - int(b.size()));
        };
        folder.write(QStringLiteral("patishop.dat"), sjis("96 7B 93 58", 80) + sjis("8E 78 93 58", 80));
        folder.write(QStringLiteral("hirapati.dat"),
                     sjis("82 77", 160) + sjis("82 81", 160) + sjis("82 78", 160));
        folder.write(QStringLiteral("crpati.dat"), sjis("82 62 82 71 89 D4", 160));
        state.open(QStringLiteral("taro"), 1999);
    }
};

inline int selectedCount(const QAbstractItemView *list) {
    int n = 0;
    const QAbstractItemModel *m = list->model();
    for (int i = 0; i < m->rowCount(); ++i)
        n += list->selectionModel()->isSelected(m->index(i, 0));
    return n;
}

inline QColor textColour(const QLabel *l) {
    return l->palette().color(QPalette::WindowText);
}

} // namespace tama::test
