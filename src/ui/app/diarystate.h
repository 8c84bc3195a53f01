#pragma once

#include "store/datafolder.h"

#include <QString>

namespace tama {

// What every window shares while the program runs: which diary is open.
struct DiaryState {
    explicit DiaryState(QString folderPath) : folder(std::move(folderPath)) {}

    DataFolder folder;
    QString diaryFile;     // "taro.1999.dat"
    QString year;          // four digits
    int newCardNumber = 0; // count + 1; 0 or 1 means no card
    bool reloadRequested = false;
    bool readOnly = false; // the folder cannot be written: the windows' titles say so
};

} // namespace tama
