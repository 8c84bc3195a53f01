#pragma once

#include "app/windowregistry.h"
#include "common/clock.h"
#include "support/recordingdialogs.h"
#include "support/testsupport.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QListWidget>

namespace tama::test {

// Shift-JIS of the names the view tests use.
inline const QByteArray kHonten = hex("96 7B 93 58"); // 本店
inline const QByteArray kShiten = hex("8E 78 93 58"); // 支店
inline const QByteArray kX = hex("82 77");            // Ｘ
inline const QByteArray kY = hex("82 78");            // Ｙ
inline const QByteArray kLowerA = hex("82 81");       // ａ
inline const QByteArray kCr = hex("82 62 82 71 89 D4"); // ＣＲ花
inline const QByteArray kSat = hex("93 79");          // 土

inline QByteArray padded(const QByteArray &bytes, int width) {
    return bytes + spaces(width - int(bytes.size()));
}

// A 240-byte card.
struct ViewCard {
    QByteArray date = "19990503" + kSat;
    QByteArray start = "1000", end = "1200";
    QByteArray store = kHonten;
    QByteArray category = "1";
    QByteArray model = kX;
    QByteArray investment = "0150", cashOut = "0040";
    QByteArray dayType = "111";
    QByteArray bytes() const {
        return padded(date, 10) + start + end + padded(store, 20) + category + padded(model, 30) + investment +
               cashOut + dayType + spaces(160);
    }
};

inline QByteArray diaryBytes(const QList<ViewCard> &cards) {
    QByteArray b;
    for (const ViewCard &c : cards)
        b += c.bytes();
    return b;
}

// A data folder with stores 本店 and 支店, the 羽物 models Ｘ, ａ and Ｙ and the
// ＣＲデジパチ model ＣＲ花, and a diary state for taro's 1999.
struct ViewFixture {
    TempFolder folder;
    DiaryState state{folder.path()};
    WindowRegistry registry{state};
    RecordingDialogs dialogs;
    FixedClock clock{QDateTime(QDate(2000, 1, 15), QTime(10, 0))};

    ViewFixture() {
        setClock(&clock);
        folder.write(QStringLiteral("patishop.dat"), padded(kHonten, 80) + padded(kShiten, 80));
        folder.write(QStringLiteral("hirapati.dat"), padded(kX, 160) + padded(kLowerA, 160) + padded(kY, 160));
        folder.write(QStringLiteral("crpati.dat"), padded(kCr, 160));
        state.year = QStringLiteral("1999");
        state.diaryFile = QStringLiteral("taro.1999.dat");
    }
    ~ViewFixture() { setClock(nullptr); }

    void writeDiary(const QList<ViewCard> &cards) {
        folder.write(state.diaryFile, diaryBytes(cards));
        state.newCardNumber = int(cards.size()) + 1;
    }
};

// For any list view: the year list's lines and the filter's selection lists alike.
inline QStringList texts(const QAbstractItemView *list) {
    QStringList out;
    const QAbstractItemModel *m = list->model();
    for (int i = 0; i < m->rowCount(); ++i)
        out.append(m->index(i, 0).data().toString());
    return out;
}

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
