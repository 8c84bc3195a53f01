#pragma once

#include "store/datafolder.h"
#include "store/writehook.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tama::backup {

// Why a snapshot was taken. Every reason but Daily is an operation snapshot.
enum class Reason { Daily, Organise, DeleteStore, DeleteModel, AutoStart, Restore, Merge, Manual, Import };
QString reasonCode(Reason r); // "daily", "organise", … as in the folder name and the manifest
QString reasonText(Reason r); // for the user: "日ごと", "整理の前", …
std::optional<Reason> reasonOfCode(const QString &code);

// How many snapshots are kept, and whether the program takes them by itself.
struct Settings {
    bool automatic = true; // the daily one and those before operations
    int keepOperations = 20;
    int keepDaily = 30;
    int keepMonthly = 12;     // the first daily snapshot of each month
    int maxSharePercent = 98; // of the data folder (data files and backups) at most

    // The platform's settings of the user, the defaults above where nothing is stored.
    static Settings load();
    void save() const;
    // Each value brought into its range.
    Settings bounded() const;
};

// One data file as a snapshot holds it.
struct SnapshotFile {
    QString name;
    QString kind; // "users", "diary", "stores", "catalogue", "model-list"
    qint64 size = 0;
    QByteArray sha256;   // hexadecimal
    int records = 0;     // users, cards, stores or models
    bool changed = true; // not the same as in the snapshot before
};

struct Snapshot {
    QString id; // the folder's name, "20261208-101500-organise"
    QString path;
    qint64 sequence = 0; // never wraps: at most maxSequence()
    QDateTime time;
    Reason reason = Reason::Manual;
    QString detail; // the file the operation concerns, when one
    QList<SnapshotFile> files;

    bool isDaily() const { return reason == Reason::Daily; }
    const SnapshotFile *file(const QString &name) const;
    QString filePath(const QString &name) const;
};

// What a restore would do to the data folder.
struct RestorePlan {
    QStringList write;  // files that get the snapshot's bytes
    QStringList remove; // data files the snapshot does not have (whole restore only)
    QStringList same;   // already as in the snapshot
};

// The snapshots of one data folder, in its "backups" folder, so that copying the data
// folder copies them. Each is a folder named by its time, made under a temporary name
// and renamed when whole; unchanged files are hard links to the snapshot before.
class Backups {
  public:
    static QString folderName(); // "backups"

    explicit Backups(const DataFolder &folder, Settings settings = Settings());

    QString path() const;
    // Complete snapshots, oldest first. A folder without a readable manifest is skipped.
    QList<Snapshot> list() const;
    std::optional<Snapshot> find(const QString &id) const;

    // Takes a snapshot of every data file, then rotates. Throws StoreError (a full disk,
    // a read-only folder); nothing of it is left then and the data files are untouched.
    Snapshot take(Reason reason, const QString &detail = QString());
    // The daily snapshot, unless today has one.
    std::optional<Snapshot> takeDailyIfDue();

    // What differs between the snapshot's files and their manifest; empty when whole.
    QStringList verify(const Snapshot &s, const QString &onlyFile = QString()) const;

    // fileName empty: every data file as in the snapshot.
    RestorePlan planRestore(const Snapshot &s, const QString &fileName = QString()) const;
    // Takes a snapshot of the present state, then restores; returns that snapshot, which
    // undoes the restore. Refuses a snapshot whose files do not verify.
    Snapshot restore(const Snapshot &s, const QString &fileName = QString());
    // Finishes a whole restore that a crash cut short between its renames, so that none is
    // left half done; returns what to tell the user then. A restore cut short before its
    // first rename is simply dropped. Called before a folder is written. Throws StoreError
    // when a file cannot be put in place (the message names the snapshot that undoes it).
    std::optional<QString> finishInterruptedRestore();

    // Removes what the settings do not keep, never the snapshot named keep (the newest by
    // sequence when empty); returns the ids removed.
    QStringList rotate(const QString &keep = QString());
    // Bytes of the data files, and of the backups counting each hard-linked file once.
    qint64 dataBytes() const;
    qint64 backupBytes() const;

  private:
    DataFolder m_folder;
    Settings m_settings;
};

// The largest sequence a manifest holds exactly (a JSON number is a double); a manifest
// with a larger one is not believed.
constexpr qint64 maxSequence() {
    return (qint64(1) << 53) - 1;
}

// The ids rotate() keeps of these snapshots (oldest first), by count alone.
QStringList keptByCount(const QList<Snapshot> &snapshots, const Settings &settings);

// The program's and the command-line tool's automatic snapshots of their data folder:
// the daily one before the first write of each day, and those before operations.
void setAutomatic(const DataFolder &folder, const Settings &settings);
void clearAutomatic();
std::optional<Settings> automaticSettings();
// The day's snapshot before the first write of each day to the automatic folder. The
// opener of the folder registers one with writehook::Registration while it has it open.
class DailySnapshot : public writehook::BeforeWrite {
  public:
    void beforeWrite(const QString &filePath) override;
};
// The snapshot before an operation that drops or replaces data, when automatic snapshots
// are on for this folder. Throws StoreError when it cannot be taken: the operation must
// not run then.
std::optional<Snapshot> beforeOperation(const DataFolder &folder, Reason reason,
                                        const QString &detail = QString());

} // namespace tama::backup
