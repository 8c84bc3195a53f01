#pragma once

#include "store/playdata.h"

#include <QString>

#include <memory>

namespace tama {

struct DiaryState;

// The database as the settings windows use it. It is opened when a window opens only if
// the file is there, and created by the first write, so that looking at the settings
// never adds a file to the folder.
class SettingsDatabase {
  public:
    explicit SettingsDatabase(const DiaryState &state);
    ~SettingsDatabase();

    // Why the terms and 機種スペック cannot be used (a damaged or locked file), or empty.
    QString unavailable() const;
    // What the last reading met instead of the rows (it then read as nothing), or empty.
    QString readProblem() const;
    // Open for reading; nothing while there is no file yet or it cannot be used.
    const PlayDatabase *reading() const;
    // Open for writing, created when missing. Throws StoreError saying why not.
    PlayDatabase &writing();

  private:
    // Opens the file when it is there and not yet open: one made since the window opened
    // (by a card's play data, or the command line) is read too.
    void openIfThere() const;

    const DiaryState &m_state;
    mutable std::unique_ptr<PlayDatabase> m_db;
};

} // namespace tama
