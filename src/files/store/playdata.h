#pragma once

#include "store/chodama.h"
#include "store/datafolder.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

struct sqlite3;

namespace tama {

class PlayDatabase;

// What one visit can hold at most, for spins, balls and hits.
constexpr qint64 kMaxPlayCount = 100000;
// The longest machine number (台番号), in characters.
constexpr int kMaxMachineLength = 10;

// The play data a player keeps on a card (稼働データ); every part optional.
struct PlayInputs {
    std::optional<qint64> spins;    // 通常回転数: spins outside 確変 and 時短
    std::optional<qint64> ownBalls; // 持ち玉: balls won in the visit and played again
    std::optional<qint64> hits;     // 大当たり回数
    QString machine;                // 台番号, trimmed; empty when blank
    // Initialised, so that the four-part aggregates written before 貯玉 still build.
    std::optional<qint64> chodamaUsed = std::nullopt; // 貯玉再プレイ: taken from the hall's store to play
    std::optional<qint64> chodamaDeposited = std::nullopt; // 貯玉預け入れ: stored at the end of the visit

    bool isEmpty() const {
        return !spins && !ownBalls && !hits && machine.isEmpty() && !chodamaUsed && !chodamaDeposited;
    }
    friend bool operator==(const PlayInputs &, const PlayInputs &) = default;
};
// Throws StoreError(Invalid) naming the box (通常回転数, 持ち玉, 大当たり回数, 台番号, 貯玉再プレイ,
// 貯玉預け入れ) when a count is below 0 or above kMaxPlayCount (貯玉: kMaxChodamaBalls), or the
// machine number is too long or holds a character code page 932 lacks.
void validatePlayInputs(const PlayInputs &play);

// A hall's exchange terms (交換条件) from a date on, until its next terms.
struct HallTerms {
    QString store;                    // as stored in the store file, trimmed
    QDate from;                       // in force from this day
    double lend = 4;                  // 貸玉料金: yen per ball (4, 2, 1, 0.5 …)
    double exchange = 25;             // 交換率: balls per 100 yen at the prize exchange
    std::optional<double> feePercent; // 貯玉再プレイ手数料
    QDateTime updated;                // when last changed (UTC), set by the database

    double yenPerBall() const { return 100.0 / exchange; } // E
    friend bool operator==(const HallTerms &, const HallTerms &) = default;
};
// Throws StoreError(Invalid): an empty store or date, a lending price or exchange rate of
// 0 or less (or absurd: lend above 100, exchange above 1000), a fee outside 0…100.
void validateHallTerms(const HallTerms &terms);

// A model's 機種スペック: either the hit probability 1/p with the average net balls
// per hit P, or the published 等価ボーダー B4 (spins per 1,000 yen at 4 yen a ball).
struct ModelSpec {
    int category = 0;                  // 1 … 5, as the catalogues
    QString model;                     // as stored in the catalogue, trimmed
    std::optional<double> probability; // p of 1/p, above 1
    std::optional<double> payout;      // P, above 0
    std::optional<double> border;      // B4, above 0; used when p and P are not both given
    QDateTime updated;

    // Balls won per normal spin, w = P / p, or 250 / B4; nothing without either.
    std::optional<double> ballsPerSpin() const;
    friend bool operator==(const ModelSpec &, const ModelSpec &) = default;
};
// Throws StoreError(Invalid): category outside 1…5, no model, p ≤ 1, P ≤ 0, B4 ≤ 0, or
// neither p with P nor B4.
void validateModelSpec(const ModelSpec &modelSpec);

// What a player may limit (遊技の上限): the month's investment in yen, the month's visits
// in cards, the day's play in minutes.
enum class LimitKind { Investment, Visits, Hours };
const QList<LimitKind> &limitKinds();  // in that order
QString limitKindName(LimitKind kind); // "investment", "visits", "hours"
std::optional<LimitKind> limitKindFromName(const QString &name);

// One limit of a user as stored. A change that loosens it waits: pending holds it.
struct LimitRow {
    LimitKind kind = LimitKind::Investment;
    std::optional<qint64> value;   // yen, cards or minutes; nothing: no limit
    bool pendingSet = false;       // a change waits
    std::optional<qint64> pending; // what it sets; nothing: off
    QDateTime pendingFrom;         // when it takes effect (UTC)
    QDateTime updated;             // set by the database

    friend bool operator==(const LimitRow &, const LimitRow &) = default;
};
// Throws StoreError(Invalid): investment outside 1,000 … 99,999,900 yen or not in whole
// hundreds, visits outside 1 … 999, minutes outside 30 … 1,440 or not in quarter hours.
void validateLimitValue(LimitKind kind, qint64 value);

// Which card of a diary a play row belongs to: the fingerprint of its 240 bytes as stored
// with the first byte (where the deletion mark goes) left out, and among identical cards
// of the diary its place (0 for the first in record order).
struct CardKey {
    QByteArray fingerprint; // 16 bytes
    int ordinal = 0;
    friend bool operator==(const CardKey &, const CardKey &) = default;
};
size_t qHash(const CardKey &key, size_t seed = 0);

// The fingerprint of a card record's bytes (240 of them).
QByteArray cardFingerprint(const char *record);
// The same into 16 bytes at out, for passes over many cards.
void cardFingerprintInto(const char *record, unsigned char *out);
inline QByteArray cardFingerprint(const QByteArray &record) {
    return cardFingerprint(record.constData());
}

// The keys of a diary's cards, in record order (card 1 first).
class DiaryKeys {
  public:
    DiaryKeys() = default;
    static DiaryKeys ofRecords(const QList<QByteArray> &records);
    // Reads the diary's records as stored; throws StoreError.
    static DiaryKeys ofDiary(const DataFolder &folder, const QString &diaryFile);

    int count() const { return int(m_fingerprints.size()); }
    CardKey key(int n) const; // n from 1
    // Where a key stands, or 0.
    int find(const CardKey &key) const;
    // Card n's bytes changed to record (appending when n is count() + 1).
    void set(int n, const char *record);

  private:
    void renumber(const QByteArray &fingerprint); // the ordinals of the cards with it

    QList<QByteArray> m_fingerprints;
    QList<int> m_ordinals;
};

// A play row whose card is no longer found in its diary: another program changed the
// card, or it was lost. It is never attached to a card by itself.
struct DetachedPlay {
    qint64 id = 0;
    QString diary;
    int cardHint = 0; // the card's number when it was last attached
    PlayInputs play;
    QDateTime updated;
};

// The play rows' side of one change of a diary: which rows move to which card, which
// get new inputs, which go. Built by the operation before it writes the diary.
class PlayChange {
  public:
    explicit PlayChange(QString diary) : m_diary(std::move(diary)) {}
    const QString &diary() const { return m_diary; }

    void move(const CardKey &from, const CardKey &to, int cardHint);
    // Empty inputs remove the row.
    void set(const CardKey &key, const PlayInputs &play, int cardHint);
    void remove(const CardKey &key);
    bool isEmpty() const { return m_steps.isEmpty(); }

    // The moves that follow the cards of a rewritten diary: newToOld[i] is the number
    // (from 1) of new card i + 1 among the old records, or 0 for a card that is new. Old
    // cards left out lose their rows.
    // The moves that follow one card's write: card n of the diary whose keys are before
    // becomes record (n = count + 1 appends). Identical cards after it may change places
    // among themselves, so their rows move too. play, when given, is the card's new inputs.
    static PlayChange forCardWrite(const QString &diary, const DiaryKeys &before, int n, const char *record,
                                   const std::optional<PlayInputs> &play);
    // Every row of the diary replaced by the diary's rows in another database (a
    // snapshot's copy), for a restore of the diary.
    static PlayChange forRestore(const QString &diary, const PlayDatabase &from);
    static PlayChange forRewrite(const QString &diary, const QList<QByteArray> &oldRecords,
                                 const QList<QByteArray> &newRecords, const QList<int> &newToOld);

    struct Step {
        enum class Kind { Move, Set, Remove, Clear } kind; // Clear: every row of the diary
        CardKey from;                                      // Move and Remove
        CardKey to;                                        // Move and Set
        PlayInputs play;
        int cardHint = 0;
    };
    const QList<Step> &steps() const { return m_steps; }

  private:
    QString m_diary;
    QList<Step> m_steps;
};

// How to tell, after a crash, whether the diary write of a change happened.
struct DiaryExpectation {
    // Either card `card`'s fingerprint is `fingerprint` and the file has `size` bytes,
    // or (card 0) the whole file's SHA-256 is `fingerprint`.
    int card = 0;
    QByteArray fingerprint;
    qint64 size = 0;

    static DiaryExpectation cardWritten(int n, const QByteArray &record, qint64 fileSize);
    static DiaryExpectation fileWritten(const QList<QByteArray> &records);
};

// What the repair at open did.
struct PlayRepair {
    int completed = 0;      // changes whose diary write had happened: rows moved
    int droppedChanges = 0; // changes whose diary write had not happened
    int detached = 0;       // rows whose card was found nowhere, set aside
    bool changedSomething() const { return completed || droppedChanges || detached; }
};

// The database beside the old files ("tamanote.db"): hall terms, 機種スペック and the play
// data of cards. SQLite, rollback journal, synchronous FULL, a schema version with
// migrations. A missing, locked or damaged database never stops a diary from opening:
// the object then stays closed and reason() says why, in words for the user.
class PlayDatabase {
  public:
    enum class Mode { ReadWrite, ReadOnly };
    static QString fileName(); // "tamanote.db"
    static int schemaVersion();

    // ReadWrite creates the file when missing; ReadOnly never creates or changes it.
    explicit PlayDatabase(const DataFolder &folder, Mode mode = Mode::ReadWrite);
    // A database file elsewhere (a snapshot's copy, a conflict copy), read only.
    static std::unique_ptr<PlayDatabase> openFile(const QString &path);
    ~PlayDatabase();
    PlayDatabase(const PlayDatabase &) = delete;
    PlayDatabase &operator=(const PlayDatabase &) = delete;

    // A database file replaced since it was opened (a restore renames the snapshot's copy
    // into place) is opened again before it is used, so that nothing is read from or
    // written to the file that was replaced.
    bool isOpen() const;
    const QString &reason() const { return m_reason; } // why not open
    QString path() const { return m_path; }

    // ---- hall terms ----
    QList<HallTerms> hallTerms() const; // by store, then date
    QList<HallTerms> hallTerms(const QString &store) const;
    // The terms in force on date: the latest whose from is not after it.
    std::optional<HallTerms> termsOn(const QString &store, const QDate &date) const;
    // Adds, or replaces those of the same store and date. Validates; throws StoreError.
    void setHallTerms(const HallTerms &terms);
    void removeHallTerms(const QString &store, const QDate &from);

    // ---- 機種スペック ----
    QList<ModelSpec> modelSpecs() const; // by category, then model
    std::optional<ModelSpec> modelSpec(int category, const QString &model) const;
    void setModelSpec(const ModelSpec &modelSpec); // validates; throws StoreError
    void removeModelSpec(int category, const QString &model);

    // ---- play data of cards ----
    std::optional<PlayInputs> play(const QString &diary, const CardKey &key) const;
    // Whether any row of the diary has this fingerprint (so that the key's ordinal is worth
    // working out).
    bool hasFingerprint(const QString &diary, const QByteArray &fingerprint) const;
    // Every attached row of a diary, for lists and statistics.
    QHash<CardKey, PlayInputs> playOfDiary(const QString &diary) const;
    // The same one row at a time (fingerprint: its 16 bytes), without the machine numbers,
    // for passes over many diaries that need none; false when the rows could not be read.
    bool forEachPlay(
        const QString &diary,
        const std::function<void(const char *fingerprint, int ordinal, const PlayInputs &play)> &visit) const;
    // Sets one card's inputs when the diary itself does not change (empty inputs remove).
    void setPlay(const QString &diary, const CardKey &key, const PlayInputs &play, int cardHint);

    // A change that goes with a diary write: prepare() records it as pending (durably),
    // the diary is written, then commit() applies it. A crash between the two is
    // repaired by repair(). abandon() drops it when the diary write failed.
    qint64 prepare(const PlayChange &change, const DiaryExpectation &expected);
    void commit(qint64 pending);
    void abandon(qint64 pending);

    // Finishes or drops every pending change by what the diaries hold, then detaches the
    // rows of these diaries whose card is found nowhere. Throws StoreError.
    PlayRepair repair(const DataFolder &folder);
    // The same for one diary whose keys are known (after a restore or merge).
    PlayRepair reconcile(const QString &diary, const DiaryKeys &keys);

    QList<DetachedPlay> detached() const;
    int pendingChanges() const; // noted by prepare() and neither committed nor abandoned
    // Attaches a detached row to a card that has no play data; throws StoreError(Invalid)
    // when the card has some already or the row is gone.
    void attach(qint64 detachedId, const QString &diary, const CardKey &key, int cardHint);
    void removeDetached(qint64 detachedId);

    // Every row of a diary replaced by those of another database (a snapshot's copy).
    void replaceDiaryRows(const QString &diary, const PlayDatabase &from);
    // A consistent copy of the whole database to a new file (SQLite's online backup),
    // made fresh (never through an existing name). Throws StoreError.
    void backupTo(const QString &path) const;
    // The bytes of a consistent copy of the database file at path (SQLite's online backup,
    // so that a write in progress elsewhere is not caught half done). Throws StoreError.
    static QByteArray imageOf(const QString &path);
    // The cards' play rows in such an image (0 when it is no database).
    static int playRowsIn(const QByteArray &image);
    // PRAGMA integrity_check: empty when sound, else what it found.
    QStringList integrityProblems() const;

    // Row-by-row merge of another copy of the database (a synchroniser's conflict copy):
    // rows only there are added; a row changed on both sides keeps the newer, and the
    // other is listed.
    struct MergeReport {
        int added = 0;
        int replaced = 0;      // theirs was newer
        QStringList conflicts; // rows changed on both sides, the older described
    };
    MergeReport mergeFrom(const PlayDatabase &other);

    // ---- 貯玉 ----
    // The entries made by hand of a user (store: only that hall's), by day, then as added.
    QList<ChodamaEntry> chodamaEntries(const QString &user, const QString &store = QString()) const;
    std::optional<ChodamaEntry> chodamaEntry(const QByteArray &uid) const;
    // Gives the entry a new uid and the time, validates and adds it; returns it as stored.
    // Throws StoreError.
    ChodamaEntry addChodamaEntry(ChodamaEntry entry);
    // Throws StoreError(Invalid) when no entry has this uid.
    void removeChodamaEntry(const QByteArray &uid);

    // A user's settings, by name.
    std::optional<QString> userSetting(const QString &user, const QString &name) const;
    void setUserSetting(const QString &user, const QString &name, const QString &value); // throws StoreError
    void removeUserSetting(const QString &user, const QString &name);                    // throws StoreError

    // The last error a reading call met (it then answered as if nothing were stored).
    const QString &readError() const { return m_readError; }

    // ---- limits ----
    // The user's stored limits, in limitKinds() order; a kind never set has no row.
    QList<LimitRow> limits(const QString &user) const;
    // Adds or replaces the user's row of row.kind, stamped with the clock's time. Validates
    // the value and the pending value; throws StoreError.
    void setLimit(const QString &user, const LimitRow &row);

  private:
    PlayDatabase() = default;
    void open(Mode mode) const;
    void close(const QString &reason) const;
    // Opens the file again when another has taken its name; forWrite: also when none is there yet.
    void follow(bool forWrite) const;
    void requireOpen();
    void applySteps(const QString &diary, const QList<PlayChange::Step> &steps);
    void stampDiary(const QString &folderPath, const QString &diary);
    void noteReadError() const;
    void mergeChodama(const PlayDatabase &other, MergeReport &report);
    void mergeLimits(const PlayDatabase &other, MergeReport &report);

    QString m_path;
    Mode m_mode = Mode::ReadOnly;
    // The connection follows the file under the name: these change when it is opened again.
    mutable QString m_reason;
    mutable QString m_readError;
    mutable sqlite3 *m_db = nullptr;
    mutable bool m_readOnly = false;
    mutable quint64 m_device = 0, m_inode = 0; // of the file last opened, or tried
    mutable bool m_tried = false;
};

// Writes a diary together with its play rows: the change is noted in the folder's database
// first, write() changes the diary, then the change is applied. Without a database (none
// yet, or one that cannot be opened) only write() runs; rows it leaves behind are set aside
// by the next repair. Throws StoreError when the change cannot be noted (nothing written
// then) and what write() throws (the database then unchanged).
// Returns whether the rows went with the write (false: no database could be used). With
// refuseWithoutDatabase, a database that is there but cannot be opened stops the write
// instead (StoreError naming it): for operations that move many cards' rows at once.
bool writeWithPlay(const DataFolder &folder, const PlayChange &change, const DiaryExpectation &expected,
                   const std::function<void()> &write, bool refuseWithoutDatabase = false);

// At the opening of a folder for writing: finishes or drops what a crash left pending and
// sets aside rows whose card is gone. Returns what to tell the user, when anything.
// Never throws: a database that cannot be used is left for the views to report.
std::optional<QString> repairPlayData(const DataFolder &folder);

} // namespace tama
