#pragma once

#include "store/backup.h"
#include "store/datafolder.h"
#include "store/datafolderlock.h"
#include "store/writehook.h"

#include <QIODevice>
#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <QString>

#include <optional>

namespace tama {
struct CategoryInfo;
}

namespace tama::cli {

// A wrong command line: reported in one line, exit status 2.
struct UsageError {
    QString message;
};

// The parsed command line and where the output goes.
struct Context {
    DataFolder folder;
    QString command;
    QMap<QString, QString> values;    // --user taro → {"user", "taro"}
    QSet<QString> flags;              // --json → "json"
    QMap<QString, QStringList> lists; // options that may be given more than once, in order
    QIODevice &out;
    QIODevice &err;
    QStringList arguments = {}; // after the command name, for the commands that take them

    bool has(const QString &flag) const { return flags.contains(flag); }
    QString value(const QString &name) const { return values.value(name); }
    // The value of an option that the command cannot do without.
    QString required(const QString &name) const;
    // The diary file of --user and --year, both checked (four digits; a name that stays
    // inside the data folder); the year through yearOut.
    QString diaryFileName(QString *yearOut = nullptr) const;
    // --user, checked as diaryFileName checks it.
    QString userName() const;
    // A year option that the command cannot do without, four digits.
    int yearOption(const QString &name) const;
    // --category by its caption (ＣＲデジパチ may be typed half-width).
    const CategoryInfo &category() const;

    void line(const QString &text) const;      // UTF-8, LF
    void errorLine(const QString &text) const; // "tamanote-cli: text" on stderr
    void json(const QJsonObject &object) const;
    // Reports that the output could not be written (a full disk, a closed pipe); the status.
    int outputFailed() const;
    // Hands the output to its file; false when it could not be written.
    bool flushOut() const;
    // The command's work is done and reported on stderr: a lost report ends in success.
    void acceptOutputLoss() const;
    // The report of a command that changed the folder: a lost one ends in success, as the
    // change is what matters. Returns 0.
    int reportDone(const QString &summary) const;
    // Checks the data file a command read and reports damage on stderr; true when sound.
    bool reportDamage(const QString &fileName) const;
};

// The folder lock of a command that writes, and for as long as it is held the automatic
// snapshots the program takes, by the user's settings: the daily one before the first
// write of the day and those before operations.
class WriteLock {
  public:
    explicit WriteLock(const Context &c);
    ~WriteLock();
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;

    bool held() const { return m_lock.held(); }
    // Why not; advice is what to do about a living holder.
    QString refusal(const QString &advice) const {
        return m_lock.busy() ? m_lock.refusal() + advice : m_lock.refusal();
    }
    const backup::Settings &settings() const { return m_settings; }

  private:
    DataFolderLock m_lock;
    backup::Settings m_settings;
    // The day's snapshot before the command's first write, while the lock is held.
    backup::DailySnapshot m_daily;
    std::optional<writehook::Registration> m_beforeWrite;
};

// The commands; each returns the exit status.
int usersCommand(const Context &c);
int cardsCommand(const Context &c);
int storesCommand(const Context &c);
int modelsCommand(const Context &c);
int modelListCommand(const Context &c);
int checkCommand(const Context &c);
int listCommand(const Context &c);
int reportCommand(const Context &c);
int graphCommand(const Context &c);
int organiseCommand(const Context &c);
int statsCommand(const Context &c);
int calendarCommand(const Context &c);
int backupsCommand(const Context &c);
int backupCommand(const Context &c);
int restoreCommand(const Context &c);
int mergeCommand(const Context &c);
int playCommand(const Context &c);
int hallsTermsCommand(const Context &c);
int modelSpecsCommand(const Context &c);
int chodamaCommand(const Context &c);
int limitsCommand(const Context &c);
int importCommand(const Context &c);

} // namespace tama::cli
