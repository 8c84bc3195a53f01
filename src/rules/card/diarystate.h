#pragma once

#include "store/datafolder.h"

#include <QObject>
#include <QString>

namespace tama {

// Which diary is in use: the one place that knows the user and the year. Every window
// follows diaryChanged; the file name always comes from DiaryFileName.
class DiaryState : public QObject {
    Q_OBJECT
  public:
    explicit DiaryState(QString folderPath, QObject *parent = nullptr);

    const DataFolder folder;

    // The user part of the diary's name: the name cut to 9 characters, trimmed.
    const QString &user() const { return m_user; }
    int year() const { return m_year; }
    QString yearText() const;  // four digits
    QString diaryFile() const; // "taro.1999.dat"; empty before a user is chosen

    // Opens the user's diary of the year, afresh even when it is the one in use. A name
    // that cannot be a file name opens nothing (the start-up window refuses it first).
    void open(const QString &user, int year);
    // Another year of the same user; nothing happens when it is the year in use.
    void setYear(int year);
    // The diary in use was written (a card registered, an organise, a restore or a
    // merge): the windows showing its cards read it again.
    void noteCardsChanged() { emit cardsChanged(); }
    // Counts the openings, so that a window can tell an opening from a change of year.
    int openings() const { return m_openings; }

    // The folder cannot be written: the windows' titles say so.
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

  signals:
    // The user or the year changed, or the user's diary was opened again.
    void diaryChanged();
    void cardsChanged();

  private:
    QString m_user;
    int m_year = 0;
    int m_openings = 0;
    bool m_readOnly = false;
};

} // namespace tama
