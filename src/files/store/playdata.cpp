#include "store/playdata.h"

#include "common/clock.h"
#include "common/text.h"
#include "store/conflictcopy.h"
#include "store/diary.h"
#include "store/record.h"
#include "store/storeerror.h"
#include "store/writehook.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QRandomGenerator>
#include <QSet>
#include <QTimeZone>

#include <sqlite3.h>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

constexpr int kRecordLength = 240;
constexpr int kSchemaVersion = 2;

StoreError invalid(const QString &reason) {
    return StoreError(StoreError::Kind::Invalid, QString(), reason);
}

void requireCount(const std::optional<qint64> &value, const QString &label, qint64 most = kMaxPlayCount) {
    if (!value) return;
    if (*value < 0 || *value > most)
        throw invalid(label + u"は0から"_s + formatAmount(most) + u"までの整数で入力してください。"_s);
}

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

QDateTime fromMs(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

QString dateKey(const QDate &d) {
    return d.toString(u"yyyy-MM-dd"_s);
}

} // namespace

// ---- values ----

void validatePlayInputs(const PlayInputs &play) {
    requireCount(play.spins, u"通常回転数"_s);
    requireCount(play.ownBalls, u"持ち玉"_s);
    requireCount(play.hits, u"大当たり回数"_s);
    requireCount(play.chodamaUsed, u"貯玉再プレイ"_s, kMaxChodamaBalls);
    requireCount(play.chodamaDeposited, u"貯玉預け入れ"_s, kMaxChodamaBalls);
    if (play.machine.size() > kMaxMachineLength)
        throw invalid(u"台番号は"_s + QString::number(kMaxMachineLength) + u"文字までです。"_s);
    requireEncodable(play.machine, u"台番号"_s);
}

void validateHallTerms(const HallTerms &t) {
    if (trim(t.store).isEmpty()) throw invalid(u"店名がありません。"_s);
    if (!t.from.isValid()) throw invalid(u"適用開始日を正しい日付で入力してください。"_s);
    if (!(t.lend > 0) || t.lend > 100)
        throw invalid(u"貸玉料金は0より大きく100以下の円/玉で入力してください。"_s);
    if (!(t.exchange > 0) || t.exchange > 1000)
        throw invalid(u"交換率は0より大きく1000以下の玉/100円で入力してください。"_s);
    if (t.feePercent && (!(*t.feePercent >= 0) || *t.feePercent > 100))
        throw invalid(u"再プレイ手数料は0から100までの%で入力してください。"_s);
}

std::optional<double> ModelSpec::ballsPerSpin() const {
    if (probability && payout && *probability > 1 && *payout > 0) return *payout / *probability;
    if (border && *border > 0) return 250.0 / *border; // 250 balls are 1,000 yen at 4 yen a ball
    return std::nullopt;
}

void validateModelSpec(const ModelSpec &s) {
    if (s.category < 1 || s.category > 5) throw invalid(u"機種の種類を選んでください。"_s);
    if (trim(s.model).isEmpty()) throw invalid(u"機種名がありません。"_s);
    if (s.probability && !(*s.probability > 1))
        throw invalid(u"大当たり確率は1/pのpを1より大きい数で入力してください。"_s);
    if (s.payout && !(*s.payout > 0)) throw invalid(u"平均出玉は0より大きい数で入力してください。"_s);
    if (s.border && !(*s.border > 0)) throw invalid(u"等価ボーダーは0より大きい数で入力してください。"_s);
    const bool pair = s.probability && s.payout;
    if (!pair && !s.border)
        throw invalid(u"大当たり確率と平均出玉の両方か、等価ボーダーを入力してください。"_s);
}

// ---- keys ----

size_t qHash(const CardKey &key, size_t seed) {
    return qHashMulti(seed, key.fingerprint, key.ordinal);
}

void cardFingerprintInto(const char *record, unsigned char *out) {
    XXH128_canonical_t c;
    XXH128_canonicalFromHash(&c, XXH3_128bits(record + 1, kRecordLength - 1));
    memcpy(out, c.digest, 16);
}

QByteArray cardFingerprint(const char *record) {
    // The first byte holds the deletion mark: marking and unmarking keep the card's rows.
    const XXH128_hash_t h = XXH3_128bits(record + 1, kRecordLength - 1);
    QByteArray out(16, Qt::Uninitialized);
    XXH128_canonical_t c;
    XXH128_canonicalFromHash(&c, h);
    memcpy(out.data(), c.digest, 16);
    return out;
}

DiaryKeys DiaryKeys::ofRecords(const QList<QByteArray> &records) {
    DiaryKeys k;
    k.m_fingerprints.reserve(records.size());
    k.m_ordinals.reserve(records.size());
    QHash<QByteArray, int> seen;
    for (const QByteArray &r : records) {
        QByteArray fp = cardFingerprint(r.constData());
        k.m_ordinals.append(seen[fp]++);
        k.m_fingerprints.append(std::move(fp));
    }
    return k;
}

DiaryKeys DiaryKeys::ofDiary(const DataFolder &folder, const QString &diaryFile) {
    DiaryKeys k;
    const DiaryFile diary(folder, diaryFile, RecordFile::Mode::ReadOnly);
    QHash<QByteArray, int> seen;
    k.m_fingerprints.reserve(diary.count());
    k.m_ordinals.reserve(diary.count());
    diary.forEachRaw([&](int, const char *bytes) {
        QByteArray fp = cardFingerprint(bytes);
        k.m_ordinals.append(seen[fp]++);
        k.m_fingerprints.append(std::move(fp));
    });
    return k;
}

CardKey DiaryKeys::key(int n) const {
    Q_ASSERT(n >= 1 && n <= count());
    return CardKey{m_fingerprints[n - 1], m_ordinals[n - 1]};
}

int DiaryKeys::find(const CardKey &key) const {
    for (int i = 0; i < count(); ++i)
        if (m_ordinals[i] == key.ordinal && m_fingerprints[i] == key.fingerprint) return i + 1;
    return 0;
}

void DiaryKeys::renumber(const QByteArray &fingerprint) {
    int next = 0;
    for (int i = 0; i < count(); ++i)
        if (m_fingerprints[i] == fingerprint) m_ordinals[i] = next++;
}

void DiaryKeys::set(int n, const char *record) {
    Q_ASSERT(n >= 1 && n <= count() + 1);
    QByteArray fp = cardFingerprint(record);
    if (n == count() + 1) {
        m_fingerprints.append(fp);
        m_ordinals.append(0);
        renumber(fp);
        return;
    }
    const QByteArray old = m_fingerprints[n - 1];
    if (old == fp) return;
    m_fingerprints[n - 1] = fp;
    renumber(old);
    renumber(fp);
}

// ---- changes ----

void PlayChange::move(const CardKey &from, const CardKey &to, int cardHint) {
    if (from == to) return;
    m_steps.append(Step{Step::Kind::Move, from, to, {}, cardHint});
}

void PlayChange::set(const CardKey &key, const PlayInputs &play, int cardHint) {
    m_steps.append(Step{Step::Kind::Set, {}, key, play, cardHint});
}

void PlayChange::remove(const CardKey &key) {
    m_steps.append(Step{Step::Kind::Remove, key, {}, {}, 0});
}

PlayChange PlayChange::forCardWrite(const QString &diary, const DiaryKeys &before, int n, const char *record,
                                    const std::optional<PlayInputs> &play) {
    PlayChange change(diary);
    DiaryKeys after = before;
    after.set(n, record);
    const bool appended = n > before.count();
    const QByteArray newFp = after.key(n).fingerprint;
    const QByteArray oldFp = appended ? QByteArray() : before.key(n).fingerprint;
    // Only cards identical to the old or the new card can change their ordinal.
    for (int i = 1; i <= before.count(); ++i) {
        if (i == n) continue;
        const CardKey was = before.key(i);
        if (was.fingerprint != oldFp && was.fingerprint != newFp) continue;
        change.move(was, after.key(i), i);
    }
    if (play) {
        if (!appended) change.remove(before.key(n));
        if (!play->isEmpty()) change.set(after.key(n), *play, n);
    } else if (!appended) {
        change.move(before.key(n), after.key(n), n);
    }
    return change;
}

PlayChange PlayChange::forRewrite(const QString &diary, const QList<QByteArray> &oldRecords,
                                  const QList<QByteArray> &newRecords, const QList<int> &newToOld) {
    PlayChange change(diary);
    const DiaryKeys before = DiaryKeys::ofRecords(oldRecords);
    const DiaryKeys after = DiaryKeys::ofRecords(newRecords);
    QList<bool> kept(before.count(), false);
    for (int i = 0; i < after.count() && i < newToOld.size(); ++i) {
        const int j = newToOld[i];
        if (j < 1 || j > before.count()) continue;
        kept[j - 1] = true;
        change.move(before.key(j), after.key(i + 1), i + 1);
    }
    for (int j = 1; j <= before.count(); ++j)
        if (!kept[j - 1]) change.remove(before.key(j));
    return change;
}

PlayChange PlayChange::forRestore(const QString &diary, const PlayDatabase &from) {
    PlayChange change(diary);
    change.m_steps.append(Step{Step::Kind::Clear, {}, {}, {}, 0});
    const QHash<CardKey, PlayInputs> rows = from.playOfDiary(diary);
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        change.set(it.key(), it.value(), 0);
    return change;
}

DiaryExpectation DiaryExpectation::cardWritten(int n, const QByteArray &record, qint64 fileSize) {
    DiaryExpectation e;
    e.card = n;
    e.fingerprint = QCryptographicHash::hash(record, QCryptographicHash::Sha256);
    e.size = fileSize;
    return e;
}

DiaryExpectation DiaryExpectation::fileWritten(const QList<QByteArray> &records) {
    DiaryExpectation e;
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const QByteArray &r : records)
        h.addData(r);
    e.fingerprint = h.result();
    e.size = qint64(records.size()) * kRecordLength;
    return e;
}

namespace {

// Steps noted before 貯玉 start with their count; later ones with this tag (a count is
// never below 0), then the count, and carry the 貯玉 after the machine number.
constexpr qint32 kStepsVersionTag = -2;

QByteArray encodeSteps(const QList<PlayChange::Step> &steps) {
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_4);
    s << kStepsVersionTag << qint32(steps.size());
    for (const PlayChange::Step &st : steps) {
        s << qint32(int(st.kind)) << st.from.fingerprint << qint32(st.from.ordinal) << st.to.fingerprint
          << qint32(st.to.ordinal) << qint32(st.cardHint);
        for (const std::optional<qint64> &v : {st.play.spins, st.play.ownBalls, st.play.hits})
            s << bool(v) << qint64(v.value_or(0));
        s << st.play.machine;
        for (const std::optional<qint64> &v : {st.play.chodamaUsed, st.play.chodamaDeposited})
            s << bool(v) << qint64(v.value_or(0));
    }
    return out;
}

QList<PlayChange::Step> decodeSteps(const QByteArray &bytes) {
    QDataStream s(bytes);
    s.setVersion(QDataStream::Qt_6_4);
    qint32 n = 0;
    s >> n;
    const bool withChodama = n == kStepsVersionTag;
    if (withChodama) s >> n;
    QList<PlayChange::Step> steps;
    for (int i = 0; i < n && s.status() == QDataStream::Ok; ++i) {
        PlayChange::Step st{};
        qint32 kind = 0, fromOrd = 0, toOrd = 0, hint = 0;
        s >> kind >> st.from.fingerprint >> fromOrd >> st.to.fingerprint >> toOrd >> hint;
        st.kind = PlayChange::Step::Kind(kind);
        st.from.ordinal = fromOrd;
        st.to.ordinal = toOrd;
        st.cardHint = hint;
        std::optional<qint64> *values[] = {&st.play.spins, &st.play.ownBalls, &st.play.hits};
        for (std::optional<qint64> *v : values) {
            bool has = false;
            qint64 x = 0;
            s >> has >> x;
            if (has) *v = x;
        }
        s >> st.play.machine;
        if (withChodama) {
            for (std::optional<qint64> *v : {&st.play.chodamaUsed, &st.play.chodamaDeposited}) {
                bool has = false;
                qint64 x = 0;
                s >> has >> x;
                if (has) *v = x;
            }
        }
        steps.append(st);
    }
    if (s.status() != QDataStream::Ok || n < 0)
        throw StoreError(StoreError::Kind::Damaged, PlayDatabase::fileName(),
                         u"保留中の変更が読めません。"_s);
    for (const PlayChange::Step &st : steps)
        if (int(st.kind) < 0 || int(st.kind) > int(PlayChange::Step::Kind::Clear))
            throw StoreError(StoreError::Kind::Damaged, PlayDatabase::fileName(),
                             u"保留中の変更が読めません。"_s);
    return steps;
}

} // namespace

// ---- the database ----

namespace {

QString sqliteReason(int code, sqlite3 *db) {
    const QString detail =
        db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(code));
    switch (code & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return u"データベースが壊れています（"_s + detail + u"）。"_s;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return u"ほかのプログラムがデータベースを使用中です。"_s;
    case SQLITE_FULL:
        return u"ディスクがいっぱいで書き込めません。"_s;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return u"データベースを開けないか、書き込めません（"_s + detail + u"）。"_s;
    default:
        return u"データベースの操作に失敗しました（"_s + detail + u"）。"_s;
    }
}

StoreError dbError(int code, sqlite3 *db, const QString &path) {
    const int primary = code & 0xff;
    const StoreError::Kind kind = (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
                                      ? StoreError::Kind::Damaged
                                      : StoreError::Kind::Io;
    return StoreError(kind, QDir::toNativeSeparators(path), sqliteReason(code, db));
}

// One prepared statement; every failure throws the database's error.
class Stmt {
  public:
    Stmt(sqlite3 *db, const char *sql, const QString &path) : m_db(db), m_path(path) {
        const int rc = sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr);
        if (rc != SQLITE_OK) throw dbError(rc, db, path);
    }
    ~Stmt() { sqlite3_finalize(m_st); }
    Stmt(const Stmt &) = delete;
    Stmt &operator=(const Stmt &) = delete;

    Stmt &bind(int i, const QString &text) {
        const QByteArray u = text.toUtf8();
        check(sqlite3_bind_text(m_st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Stmt &bind(int i, const QByteArray &blob) {
        check(sqlite3_bind_blob(m_st, i, blob.constData(), int(blob.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Stmt &bind(int i, qint64 v) {
        check(sqlite3_bind_int64(m_st, i, v));
        return *this;
    }
    Stmt &bind(int i, int v) { return bind(i, qint64(v)); }
    Stmt &bind(int i, double v) {
        check(sqlite3_bind_double(m_st, i, v));
        return *this;
    }
    template <typename T> Stmt &bind(int i, const std::optional<T> &v) {
        if (v) return bind(i, *v);
        check(sqlite3_bind_null(m_st, i));
        return *this;
    }
    // True while there is a row.
    bool step() {
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw dbError(rc, m_db, m_path);
    }
    void run() {
        while (step()) {
        }
    }
    void reset() {
        sqlite3_reset(m_st);
        sqlite3_clear_bindings(m_st);
    }
    bool isNull(int c) const { return sqlite3_column_type(m_st, c) == SQLITE_NULL; }
    qint64 integer(int c) const { return sqlite3_column_int64(m_st, c); }
    double real(int c) const { return sqlite3_column_double(m_st, c); }
    std::optional<qint64> optInteger(int c) const {
        return isNull(c) ? std::nullopt : std::optional(integer(c));
    }
    std::optional<double> optReal(int c) const { return isNull(c) ? std::nullopt : std::optional(real(c)); }
    QString text(int c) const {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_st, c));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_st, c)) : QString();
    }
    int bytes(int c) const { return sqlite3_column_bytes(m_st, c); }
    const char *rawBlob(int c) const { return static_cast<const char *>(sqlite3_column_blob(m_st, c)); }
    QByteArray blob(int c) const {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(m_st, c));
        return p ? QByteArray(p, sqlite3_column_bytes(m_st, c)) : QByteArray();
    }

  private:
    void check(int rc) {
        if (rc != SQLITE_OK) throw dbError(rc, m_db, m_path);
    }
    sqlite3 *m_db;
    QString m_path;
    sqlite3_stmt *m_st = nullptr;
};

void exec(sqlite3 *db, const char *sql, const QString &path) {
    char *message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK) throw dbError(rc, db, path);
}

// A write transaction: rolled back unless committed.
class Transaction {
  public:
    Transaction(sqlite3 *db, const QString &path) : m_db(db), m_path(path) {
        exec(db, "BEGIN IMMEDIATE", path);
    }
    ~Transaction() {
        if (!m_done) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit() {
        exec(m_db, "COMMIT", m_path);
        m_done = true;
    }

  private:
    sqlite3 *m_db;
    QString m_path;
    bool m_done = false;
};

const char *const kSchema[] = {
    // version 1
    "CREATE TABLE hall_terms(store TEXT NOT NULL, from_date TEXT NOT NULL, lend REAL NOT NULL,"
    " exchange REAL NOT NULL, fee REAL, updated INTEGER NOT NULL, PRIMARY KEY(store, from_date)) WITHOUT "
    "ROWID;"
    "CREATE TABLE model_specs(category INTEGER NOT NULL, model TEXT NOT NULL, probability REAL, payout REAL,"
    " border REAL, updated INTEGER NOT NULL, PRIMARY KEY(category, model)) WITHOUT ROWID;"
    // A diary's name once, its rows by number; the stamp is the diary file's size and time
    // when its rows last followed it.
    "CREATE TABLE diaries(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, size INTEGER, mtime INTEGER);"
    // Keyed by the card itself, without a row id: a row is about 50 bytes.
    "CREATE TABLE play(diary INTEGER NOT NULL, fingerprint BLOB NOT NULL, ordinal INTEGER NOT NULL,"
    " card_hint INTEGER NOT NULL, spins INTEGER, own_balls INTEGER, hits INTEGER, machine TEXT,"
    " updated INTEGER NOT NULL, PRIMARY KEY(diary, fingerprint, ordinal)) WITHOUT ROWID;"
    "CREATE TABLE detached_play(id INTEGER PRIMARY KEY, diary TEXT NOT NULL, card_hint INTEGER NOT NULL,"
    " spins INTEGER, own_balls INTEGER, hits INTEGER, machine TEXT, updated INTEGER NOT NULL);"
    "CREATE TABLE pending(id INTEGER PRIMARY KEY, diary TEXT NOT NULL, card INTEGER NOT NULL,"
    " expect BLOB NOT NULL, size INTEGER NOT NULL, steps BLOB NOT NULL);",
    // version 2: 貯玉 on cards and in a ledger, a player's settings and limits
    "ALTER TABLE play ADD COLUMN chodama_used INTEGER;"
    "ALTER TABLE play ADD COLUMN chodama_deposited INTEGER;"
    "ALTER TABLE detached_play ADD COLUMN chodama_used INTEGER;"
    "ALTER TABLE detached_play ADD COLUMN chodama_deposited INTEGER;"
    // Entries made by hand (the cards' own 貯玉 is read from their play rows); uid is the
    // entry's identity across copies of the database, for merges.
    "CREATE TABLE chodama(id INTEGER PRIMARY KEY, uid BLOB NOT NULL UNIQUE, user TEXT NOT NULL,"
    " store TEXT NOT NULL, day TEXT NOT NULL, kind INTEGER NOT NULL, balls INTEGER NOT NULL,"
    " note TEXT NOT NULL DEFAULT '', updated INTEGER NOT NULL);"
    "CREATE TABLE user_settings(user TEXT NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL,"
    " updated INTEGER NOT NULL, PRIMARY KEY(user, name)) WITHOUT ROWID;"
    // value NULL: no limit. A change that loosens waits: pending_set with pending (NULL: off)
    // from pending_from (ms since the epoch, UTC).
    "CREATE TABLE limits(user TEXT NOT NULL, kind TEXT NOT NULL, value INTEGER, pending INTEGER,"
    " pending_set INTEGER NOT NULL DEFAULT 0, pending_from INTEGER, updated INTEGER NOT NULL,"
    " PRIMARY KEY(user, kind)) WITHOUT ROWID;",
};

PlayInputs inputsOf(const Stmt &q, int first) {
    PlayInputs p;
    p.spins = q.optInteger(first);
    p.ownBalls = q.optInteger(first + 1);
    p.hits = q.optInteger(first + 2);
    p.machine = q.text(first + 3);
    p.chodamaUsed = q.optInteger(first + 4);
    p.chodamaDeposited = q.optInteger(first + 5);
    return p;
}

// What a data file name is, before the database is opened or made under it.
// A hard link matters only to writing: a snapshot's copies share their inodes on purpose.
std::optional<QString> unsafeDatabaseFile(const QString &path, bool forWriting) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt; // missing: made fresh
    if (S_ISLNK(st.st_mode)) return u"データベースがリンクになっているため、使いません。"_s;
    if (!S_ISREG(st.st_mode)) return u"データベースが通常のファイルではないため、使いません。"_s;
    if (forWriting && st.st_nlink > 1)
        return u"データベースにほかの名前（ハードリンク）があるため、使いません。"_s;
    return std::nullopt;
}

} // namespace

QString PlayDatabase::fileName() {
    return u"tamanote.db"_s;
}

int PlayDatabase::schemaVersion() {
    return kSchemaVersion;
}

PlayDatabase::PlayDatabase(const DataFolder &folder, Mode mode)
    : m_path(folder.file(fileName())), m_mode(mode) {
    open(mode);
}

std::unique_ptr<PlayDatabase> PlayDatabase::openFile(const QString &path) {
    std::unique_ptr<PlayDatabase> db(new PlayDatabase);
    db->m_path = path;
    db->m_mode = Mode::ReadOnly;
    db->open(Mode::ReadOnly);
    return db;
}

PlayDatabase::~PlayDatabase() {
    if (m_db) sqlite3_close_v2(m_db);
}

void PlayDatabase::close(const QString &reason) const {
    if (m_db) sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_reason = reason;
}

bool PlayDatabase::isOpen() const {
    follow(false);
    return m_db != nullptr;
}

void PlayDatabase::follow(bool forWrite) const {
    struct stat st {};
    const bool there = ::lstat(QFile::encodeName(m_path).constData(), &st) == 0;
    const bool same = there && m_tried && quint64(st.st_dev) == m_device && quint64(st.st_ino) == m_inode;
    if (same) return;
    if (!there && !forWrite) {
        if (m_db) close(u"データベースがなくなりました。"_s);
        return;
    }
    if (!there && m_mode == Mode::ReadOnly) return;
    if (m_db) sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_reason.clear();
    open(m_mode);
}

void PlayDatabase::requireOpen() {
    follow(true);
    if (!m_db)
        throw StoreError(StoreError::Kind::Io, QDir::toNativeSeparators(m_path),
                         u"データベースを使えません: "_s + m_reason);
}

void PlayDatabase::open(Mode mode) const {
    const QByteArray native = QFile::encodeName(m_path);
    // What stands under the name now, so that a replacement is noticed.
    struct stat st {};
    m_tried = true;
    m_device = m_inode = 0;
    if (::lstat(native.constData(), &st) == 0) {
        m_device = quint64(st.st_dev);
        m_inode = quint64(st.st_ino);
    }
    if (const auto bad = unsafeDatabaseFile(m_path, mode == Mode::ReadWrite)) return close(*bad);
    const bool exists = QFileInfo::exists(m_path);
    m_readOnly = mode == Mode::ReadOnly || writehook::isReadOnly(m_path);
    if (!exists && m_readOnly) return close(u"データベースはまだありません。"_s);
    int flags = m_readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (!exists) flags |= SQLITE_OPEN_CREATE;
    flags |= SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX;
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(native.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = sqliteReason(rc, db);
        sqlite3_close_v2(db);
        return close(why);
    }
    m_db = db;
    if (!exists && ::lstat(native.constData(), &st) == 0) {
        m_device = quint64(st.st_dev);
        m_inode = quint64(st.st_ino);
    }
    sqlite3_busy_timeout(m_db, 2000);
    try {
        // A rollback journal and full syncs, so that a copy of the closed folder is whole.
        if (!m_readOnly) exec(m_db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;", m_path);
        exec(m_db, "PRAGMA foreign_keys=OFF;", m_path);
        Stmt v(m_db, "PRAGMA user_version", m_path);
        const int version = v.step() ? int(v.integer(0)) : 0;
        if (version > kSchemaVersion)
            return close(u"データベースがこの版より新しいタマノートで作られているため、使えません。"_s);
        if (version < kSchemaVersion) {
            if (m_readOnly) return close(u"データベースの形式が古いため、読み取り専用では使えません。"_s);
            Transaction t(m_db, m_path);
            for (int i = version; i < kSchemaVersion; ++i)
                exec(m_db, kSchema[i], m_path);
            exec(m_db, QByteArray("PRAGMA user_version=" + QByteArray::number(kSchemaVersion)).constData(),
                 m_path);
            t.commit();
        }
    } catch (const StoreError &e) {
        close(e.reason());
    }
}

void PlayDatabase::noteReadError() const {
    m_readError = m_db ? sqliteReason(sqlite3_errcode(m_db), m_db) : m_reason;
}

namespace {
// The reading calls answer "nothing stored" on an error and keep it in readError().
template <typename F, typename R> R reading(const PlayDatabase &db, R empty, F &&f, QString &lastError) {
    if (!db.isOpen()) return empty;
    try {
        R result = f();
        lastError.clear();
        return result;
    } catch (const StoreError &e) {
        lastError = e.reason();
        return empty;
    }
}
} // namespace

#define TAMA_READ(empty, ...) (follow(false), reading(*this, empty, [&]() __VA_ARGS__, m_readError))

QList<HallTerms> PlayDatabase::hallTerms() const {
    return hallTerms(QString());
}

QList<HallTerms> PlayDatabase::hallTerms(const QString &store) const {
    return TAMA_READ(QList<HallTerms>(), {
        Stmt q(m_db,
               store.isNull() ? "SELECT store, from_date, lend, exchange, fee, updated FROM hall_terms"
                                " ORDER BY store, from_date"
                              : "SELECT store, from_date, lend, exchange, fee, updated FROM hall_terms"
                                " WHERE store = ?1 ORDER BY from_date",
               m_path);
        if (!store.isNull()) q.bind(1, trim(store));
        QList<HallTerms> out;
        while (q.step()) {
            HallTerms t;
            t.store = q.text(0);
            t.from = QDate::fromString(q.text(1), u"yyyy-MM-dd"_s);
            t.lend = q.real(2);
            t.exchange = q.real(3);
            t.feePercent = q.optReal(4);
            t.updated = fromMs(q.integer(5));
            out.append(t);
        }
        return out;
    });
}

std::optional<HallTerms> PlayDatabase::termsOn(const QString &store, const QDate &date) const {
    return TAMA_READ(std::optional<HallTerms>(), {
        Stmt q(m_db,
               "SELECT store, from_date, lend, exchange, fee, updated FROM hall_terms"
               " WHERE store = ?1 AND from_date <= ?2 ORDER BY from_date DESC LIMIT 1",
               m_path);
        q.bind(1, trim(store)).bind(2, dateKey(date));
        if (!q.step()) return std::optional<HallTerms>();
        HallTerms t;
        t.store = q.text(0);
        t.from = QDate::fromString(q.text(1), u"yyyy-MM-dd"_s);
        t.lend = q.real(2);
        t.exchange = q.real(3);
        t.feePercent = q.optReal(4);
        t.updated = fromMs(q.integer(5));
        return std::optional(t);
    });
}

namespace {
// Adds or replaces a hall's terms of one day, or a model's 機種スペック, as last changed at updated.
void putTerms(sqlite3 *db, const QString &path, const HallTerms &t, qint64 updated) {
    Stmt q(db,
           "INSERT OR REPLACE INTO hall_terms(store, from_date, lend, exchange, fee, updated)"
           " VALUES(?1, ?2, ?3, ?4, ?5, ?6)",
           path);
    q.bind(1, trim(t.store))
        .bind(2, dateKey(t.from))
        .bind(3, t.lend)
        .bind(4, t.exchange)
        .bind(5, t.feePercent);
    q.bind(6, updated);
    q.run();
}

void putModelSpec(sqlite3 *db, const QString &path, const ModelSpec &m, qint64 updated) {
    Stmt q(db,
           "INSERT OR REPLACE INTO model_specs(category, model, probability, payout, border, updated)"
           " VALUES(?1, ?2, ?3, ?4, ?5, ?6)",
           path);
    q.bind(1, m.category).bind(2, trim(m.model)).bind(3, m.probability).bind(4, m.payout).bind(5, m.border);
    q.bind(6, updated);
    q.run();
}

// What a merge dropped of a hall's terms, for the user.
QString droppedTerms(const HallTerms &t) {
    return u"交換条件 "_s + t.store + u" "_s + dateKey(t.from) + u": 古い方（"_s + QString::number(t.lend) +
           u"円/"_s + QString::number(t.exchange) + u"玉）を捨てました"_s;
}
} // namespace

void PlayDatabase::setHallTerms(const HallTerms &terms) {
    validateHallTerms(terms);
    requireOpen();
    writehook::beforeWrite(m_path);
    putTerms(m_db, m_path, terms, nowMs());
}

void PlayDatabase::removeHallTerms(const QString &store, const QDate &from) {
    requireOpen();
    writehook::beforeWrite(m_path);
    Stmt q(m_db, "DELETE FROM hall_terms WHERE store = ?1 AND from_date = ?2", m_path);
    q.bind(1, trim(store)).bind(2, dateKey(from));
    q.run();
}

namespace {
ModelSpec specOf(const Stmt &q) {
    ModelSpec s;
    s.category = int(q.integer(0));
    s.model = q.text(1);
    s.probability = q.optReal(2);
    s.payout = q.optReal(3);
    s.border = q.optReal(4);
    s.updated = fromMs(q.integer(5));
    return s;
}
} // namespace

QList<ModelSpec> PlayDatabase::modelSpecs() const {
    return TAMA_READ(QList<ModelSpec>(), {
        Stmt q(m_db,
               "SELECT category, model, probability, payout, border, updated FROM model_specs"
               " ORDER BY category, model",
               m_path);
        QList<ModelSpec> out;
        while (q.step())
            out.append(specOf(q));
        return out;
    });
}

std::optional<ModelSpec> PlayDatabase::modelSpec(int category, const QString &model) const {
    return TAMA_READ(std::optional<ModelSpec>(), {
        Stmt q(m_db,
               "SELECT category, model, probability, payout, border, updated FROM model_specs"
               " WHERE category = ?1 AND model = ?2",
               m_path);
        q.bind(1, category).bind(2, trim(model));
        return q.step() ? std::optional(specOf(q)) : std::optional<ModelSpec>();
    });
}

void PlayDatabase::setModelSpec(const ModelSpec &modelSpec) {
    validateModelSpec(modelSpec);
    requireOpen();
    writehook::beforeWrite(m_path);
    putModelSpec(m_db, m_path, modelSpec, nowMs());
}

void PlayDatabase::removeModelSpec(int category, const QString &model) {
    requireOpen();
    writehook::beforeWrite(m_path);
    Stmt q(m_db, "DELETE FROM model_specs WHERE category = ?1 AND model = ?2", m_path);
    q.bind(1, category).bind(2, trim(model));
    q.run();
}

std::optional<PlayInputs> PlayDatabase::play(const QString &diary, const CardKey &key) const {
    return TAMA_READ(std::optional<PlayInputs>(), {
        Stmt q(
            m_db,
            "SELECT spins, own_balls, hits, machine, chodama_used, chodama_deposited FROM play"
            " WHERE diary = (SELECT id FROM diaries WHERE name = ?1) AND fingerprint = ?2 AND ordinal = ?3",
            m_path);
        q.bind(1, diary).bind(2, key.fingerprint).bind(3, key.ordinal);
        return q.step() ? std::optional(inputsOf(q, 0)) : std::optional<PlayInputs>();
    });
}

bool PlayDatabase::hasFingerprint(const QString &diary, const QByteArray &fingerprint) const {
    return TAMA_READ(false, {
        Stmt q(
            m_db,
            "SELECT 1 FROM play WHERE diary = (SELECT id FROM diaries WHERE name = ?1) AND fingerprint = ?2"
            " LIMIT 1",
            m_path);
        q.bind(1, diary).bind(2, fingerprint);
        return q.step();
    });
}

QHash<CardKey, PlayInputs> PlayDatabase::playOfDiary(const QString &diary) const {
    return TAMA_READ((QHash<CardKey, PlayInputs>()), {
        Stmt q(m_db,
               "SELECT fingerprint, ordinal, spins, own_balls, hits, machine, chodama_used, "
               "chodama_deposited FROM play"
               " WHERE diary = (SELECT id FROM diaries WHERE name = ?1)",
               m_path);
        q.bind(1, diary);
        QHash<CardKey, PlayInputs> out;
        while (q.step())
            out.insert(CardKey{q.blob(0), int(q.integer(1))}, inputsOf(q, 2));
        return out;
    });
}

bool PlayDatabase::forEachPlay(
    const QString &diary,
    const std::function<void(const char *fingerprint, int ordinal, const PlayInputs &play)> &visit) const {
    return TAMA_READ(false, {
        Stmt q(
            m_db,
            "SELECT fingerprint, ordinal, spins, own_balls, hits, chodama_used, chodama_deposited FROM play"
            " WHERE diary = (SELECT id FROM diaries WHERE name = ?1)",
            m_path);
        q.bind(1, diary);
        PlayInputs p;
        while (q.step()) {
            if (q.bytes(0) != 16) continue;
            p.spins = q.optInteger(2);
            p.ownBalls = q.optInteger(3);
            p.hits = q.optInteger(4);
            p.chodamaUsed = q.optInteger(5);
            p.chodamaDeposited = q.optInteger(6);
            visit(q.rawBlob(0), int(q.integer(1)), p);
        }
        return true;
    });
}

namespace {
// Replaces one card's row; the statements are made once for many rows (an import's).
class PlayUpsert {
  public:
    PlayUpsert(sqlite3 *db, const QString &path)
        : m_del(
              db,
              "DELETE FROM play WHERE diary = (SELECT id FROM diaries WHERE name = ?1) AND fingerprint = ?2 "
              "AND ordinal = ?3",
              path),
          m_name(db, "INSERT OR IGNORE INTO diaries(name) VALUES(?1)", path),
          m_put(db,
                "INSERT INTO play(diary, fingerprint, ordinal, card_hint, spins, own_balls, hits, machine, "
                "chodama_used, chodama_deposited, updated)"
                " VALUES((SELECT id FROM diaries WHERE name = ?1), ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)",
                path) {}
    void run(const QString &diary, const CardKey &key, const PlayInputs &p, int hint, qint64 updated) {
        m_del.reset();
        m_del.bind(1, diary).bind(2, key.fingerprint).bind(3, key.ordinal);
        m_del.run();
        if (p.isEmpty()) return;
        m_name.reset();
        m_name.bind(1, diary);
        m_name.run();
        m_put.reset();
        m_put.bind(1, diary)
            .bind(2, key.fingerprint)
            .bind(3, key.ordinal)
            .bind(4, hint)
            .bind(5, p.spins)
            .bind(6, p.ownBalls)
            .bind(7, p.hits)
            .bind(8, p.machine)
            .bind(9, p.chodamaUsed)
            .bind(10, p.chodamaDeposited)
            .bind(11, updated);
        m_put.run();
    }

  private:
    Stmt m_del, m_name, m_put;
};

void upsertPlay(sqlite3 *db, const QString &path, const QString &diary, const CardKey &key,
                const PlayInputs &p, int hint, qint64 updated) {
    PlayUpsert(db, path).run(diary, key, p, hint, updated);
}
} // namespace

void PlayDatabase::setPlay(const QString &diary, const CardKey &key, const PlayInputs &play, int cardHint) {
    validatePlayInputs(play);
    requireOpen();
    writehook::beforeWrite(m_path);
    Transaction t(m_db, m_path);
    upsertPlay(m_db, m_path, diary, key, play, cardHint, nowMs());
    t.commit();
}

void PlayDatabase::applySteps(const QString &diary, const QList<PlayChange::Step> &steps) {
    using Kind = PlayChange::Step::Kind;
    for (const PlayChange::Step &st : steps) {
        if (st.kind == Kind::Clear) {
            Stmt q(m_db, "DELETE FROM play WHERE diary = (SELECT id FROM diaries WHERE name = ?1)", m_path);
            q.bind(1, diary);
            q.run();
        }
    }
    // Moving rows are parked at places no card has (negative ordinals) and put at their new
    // places after, so that rows swapping places (identical cards) never meet.
    struct Parked {
        CardKey at;
        CardKey to;
        int hint;
    };
    QList<Parked> parked;
    {
        Stmt park(m_db,
                  "UPDATE play SET ordinal = ?4 WHERE diary = (SELECT id FROM diaries WHERE name = ?1)"
                  " AND fingerprint = ?2 AND ordinal = ?3",
                  m_path);
        for (const PlayChange::Step &st : steps) {
            if (st.kind != Kind::Move) continue;
            const int place = -1 - int(parked.size());
            park.reset();
            park.bind(1, diary).bind(2, st.from.fingerprint).bind(3, st.from.ordinal).bind(4, place);
            park.run();
            if (sqlite3_changes(m_db) > 0)
                parked.append(Parked{CardKey{st.from.fingerprint, place}, st.to, st.cardHint});
        }
    }
    {
        Stmt del(
            m_db,
            "DELETE FROM play WHERE diary = (SELECT id FROM diaries WHERE name = ?1) AND fingerprint = ?2"
            " AND ordinal = ?3",
            m_path);
        for (const PlayChange::Step &st : steps) {
            if (st.kind != Kind::Remove) continue;
            del.reset();
            del.bind(1, diary).bind(2, st.from.fingerprint).bind(3, st.from.ordinal);
            del.run();
        }
        Stmt put(
            m_db,
            "UPDATE play SET fingerprint = ?4, ordinal = ?5, card_hint = ?6"
            " WHERE diary = (SELECT id FROM diaries WHERE name = ?1) AND fingerprint = ?2 AND ordinal = ?3",
            m_path);
        for (const Parked &p : parked) {
            del.reset();
            del.bind(1, diary).bind(2, p.to.fingerprint).bind(3, p.to.ordinal);
            del.run();
            put.reset();
            put.bind(1, diary)
                .bind(2, p.at.fingerprint)
                .bind(3, p.at.ordinal)
                .bind(4, p.to.fingerprint)
                .bind(5, p.to.ordinal)
                .bind(6, p.hint);
            put.run();
        }
    }
    const qint64 now = nowMs();
    std::optional<PlayUpsert> upsert;
    for (const PlayChange::Step &st : steps) {
        if (st.kind != Kind::Set) continue;
        if (!upsert) upsert.emplace(m_db, m_path);
        upsert->run(diary, st.to, st.play, st.cardHint, now);
    }
}

qint64 PlayDatabase::prepare(const PlayChange &change, const DiaryExpectation &expected) {
    requireOpen();
    for (const PlayChange::Step &st : change.steps())
        if (st.kind == PlayChange::Step::Kind::Set) validatePlayInputs(st.play);
    writehook::beforeWrite(m_path);
    Transaction t(m_db, m_path);
    Stmt q(m_db, "INSERT INTO pending(diary, card, expect, size, steps) VALUES(?1, ?2, ?3, ?4, ?5)", m_path);
    q.bind(1, change.diary())
        .bind(2, expected.card)
        .bind(3, expected.fingerprint)
        .bind(4, expected.size)
        .bind(5, encodeSteps(change.steps()));
    q.run();
    const qint64 id = sqlite3_last_insert_rowid(m_db);
    t.commit();
    return id;
}

void PlayDatabase::commit(qint64 pending) {
    requireOpen();
    Transaction t(m_db, m_path);
    Stmt q(m_db, "SELECT diary, steps FROM pending WHERE id = ?1", m_path);
    q.bind(1, pending);
    if (!q.step()) return; // already done
    const QString diary = q.text(0);
    applySteps(diary, decodeSteps(q.blob(1)));
    Stmt del(m_db, "DELETE FROM pending WHERE id = ?1", m_path);
    del.bind(1, pending);
    del.run();
    stampDiary(QFileInfo(m_path).absolutePath(), diary);
    t.commit();
}

void PlayDatabase::abandon(qint64 pending) {
    requireOpen();
    Stmt del(m_db, "DELETE FROM pending WHERE id = ?1", m_path);
    del.bind(1, pending);
    del.run();
}

namespace {
struct FileStamp {
    qint64 size = -1;
    qint64 mtime = 0;
};
FileStamp stampOf(const QString &path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return FileStamp{qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}
} // namespace

void PlayDatabase::stampDiary(const QString &folderPath, const QString &diary) {
    const FileStamp s = stampOf(QDir(folderPath).filePath(diary));
    Stmt name(m_db, "INSERT OR IGNORE INTO diaries(name) VALUES(?1)", m_path);
    name.bind(1, diary);
    name.run();
    Stmt q(m_db, "UPDATE diaries SET size = ?2, mtime = ?3 WHERE name = ?1", m_path);
    q.bind(1, diary).bind(2, s.size).bind(3, s.mtime);
    q.run();
}

namespace {
// Whether the diary write of a pending change happened.
bool expectationHolds(const QString &diaryPath, int card, const QByteArray &expect, qint64 size) {
    QFile f(diaryPath);
    if (!f.open(QIODevice::ReadOnly)) return false;
    if (f.size() != size) return false;
    if (card > 0) {
        if (!f.seek(qint64(card - 1) * kRecordLength)) return false;
        const QByteArray rec = f.read(kRecordLength);
        return rec.size() == kRecordLength &&
               QCryptographicHash::hash(rec, QCryptographicHash::Sha256) == expect;
    }
    QCryptographicHash h(QCryptographicHash::Sha256);
    if (!h.addData(&f)) return false;
    return h.result() == expect;
}
} // namespace

PlayRepair PlayDatabase::repair(const DataFolder &folder) {
    PlayRepair r;
    if (!isOpen() || m_readOnly) return r;
    struct Pending {
        qint64 id;
        QString diary;
        int card;
        QByteArray expect;
        qint64 size;
    };
    QList<Pending> pending;
    {
        Stmt q(m_db, "SELECT id, diary, card, expect, size FROM pending ORDER BY id", m_path);
        while (q.step())
            pending.append(Pending{q.integer(0), q.text(1), int(q.integer(2)), q.blob(3), q.integer(4)});
    }
    if (!pending.isEmpty()) writehook::beforeWrite(m_path);
    for (const Pending &p : pending) {
        if (isPlainFileName(p.diary) && expectationHolds(folder.file(p.diary), p.card, p.expect, p.size)) {
            commit(p.id);
            ++r.completed;
        } else {
            abandon(p.id);
            ++r.droppedChanges;
        }
    }
    // Diaries changed since the rows last followed them: by another program, or by a
    // write whose rows were lost.
    QStringList diaries;
    {
        Stmt q(m_db,
               "SELECT d.name, d.size, d.mtime FROM diaries d"
               " WHERE EXISTS (SELECT 1 FROM play p WHERE p.diary = d.id)",
               m_path);
        while (q.step()) {
            const QString diary = q.text(0);
            const FileStamp now = isPlainFileName(diary) ? stampOf(folder.file(diary)) : FileStamp{};
            if (q.isNull(1) || now.size != q.integer(1) || now.mtime != q.integer(2)) diaries.append(diary);
        }
    }
    for (const QString &diary : diaries) {
        DiaryKeys keys;
        if (isPlainFileName(diary) && QFileInfo(folder.file(diary)).isFile()) {
            try {
                keys = DiaryKeys::ofDiary(folder, diary);
            } catch (const StoreError &) {
                continue; // a diary that cannot be read now keeps its rows as they are
            }
        }
        writehook::beforeWrite(m_path);
        const PlayRepair one = reconcile(diary, keys);
        r.detached += one.detached;
        Transaction t(m_db, m_path);
        stampDiary(folder.path(), diary);
        t.commit();
    }
    return r;
}

PlayRepair PlayDatabase::reconcile(const QString &diary, const DiaryKeys &keys) {
    PlayRepair r;
    if (!isOpen() || m_readOnly) return r;
    QSet<CardKey> present;
    present.reserve(keys.count());
    for (int n = 1; n <= keys.count(); ++n)
        present.insert(keys.key(n));
    QList<CardKey> lost;
    {
        Stmt q(m_db,
               "SELECT fingerprint, ordinal FROM play WHERE diary = (SELECT id FROM diaries WHERE name = ?1)",
               m_path);
        q.bind(1, diary);
        while (q.step()) {
            const CardKey key{q.blob(0), int(q.integer(1))};
            if (!present.contains(key)) lost.append(key);
        }
    }
    if (lost.isEmpty()) return r;
    Transaction t(m_db, m_path);
    Stmt aside(
        m_db,
        "INSERT INTO detached_play(diary, card_hint, spins, own_balls, hits, machine, chodama_used, "
        "chodama_deposited, updated)"
        " SELECT ?1, card_hint, spins, own_balls, hits, machine, chodama_used, chodama_deposited, updated "
        "FROM play"
        " WHERE diary = (SELECT id FROM diaries WHERE name = ?1) AND fingerprint = ?2 AND ordinal = ?3",
        m_path);
    Stmt drop(m_db,
              "DELETE FROM play WHERE diary = (SELECT id FROM diaries WHERE name = ?1) AND fingerprint = ?2"
              " AND ordinal = ?3",
              m_path);
    for (const CardKey &key : lost) {
        for (Stmt *q : {&aside, &drop}) {
            q->reset();
            q->bind(1, diary).bind(2, key.fingerprint).bind(3, key.ordinal);
            q->run();
        }
    }
    t.commit();
    r.detached = int(lost.size());
    return r;
}

QList<DetachedPlay> PlayDatabase::detached() const {
    return TAMA_READ(QList<DetachedPlay>(), {
        Stmt q(m_db,
               "SELECT id, diary, card_hint, spins, own_balls, hits, machine, chodama_used, "
               "chodama_deposited, updated FROM detached_play"
               " ORDER BY diary, card_hint, id",
               m_path);
        QList<DetachedPlay> out;
        while (q.step())
            out.append(DetachedPlay{q.integer(0), q.text(1), int(q.integer(2)), inputsOf(q, 3),
                                    fromMs(q.integer(9))});
        return out;
    });
}

int PlayDatabase::pendingChanges() const {
    return TAMA_READ(0, {
        Stmt q(m_db, "SELECT count(*) FROM pending", m_path);
        return q.step() ? int(q.integer(0)) : 0;
    });
}

void PlayDatabase::attach(qint64 detachedId, const QString &diary, const CardKey &key, int cardHint) {
    requireOpen();
    writehook::beforeWrite(m_path);
    Transaction t(m_db, m_path);
    Stmt row(m_db,
             "SELECT spins, own_balls, hits, machine, chodama_used, chodama_deposited FROM detached_play "
             "WHERE id = ?1",
             m_path);
    row.bind(1, detachedId);
    if (!row.step()) throw invalid(u"その稼働データはもう切り離されていません。"_s);
    const PlayInputs play = inputsOf(row, 0);
    Stmt has(m_db,
             "SELECT 1 FROM play WHERE diary = (SELECT id FROM diaries WHERE name = ?1) AND fingerprint = ?2 "
             "AND ordinal = ?3",
             m_path);
    has.bind(1, diary).bind(2, key.fingerprint).bind(3, key.ordinal);
    if (has.step()) throw invalid(u"このカードにはもう稼働データがあります。"_s);
    upsertPlay(m_db, m_path, diary, key, play, cardHint, nowMs());
    Stmt q(m_db, "DELETE FROM detached_play WHERE id = ?1", m_path);
    q.bind(1, detachedId);
    q.run();
    t.commit();
}

void PlayDatabase::removeDetached(qint64 detachedId) {
    requireOpen();
    writehook::beforeWrite(m_path);
    Stmt q(m_db, "DELETE FROM detached_play WHERE id = ?1", m_path);
    q.bind(1, detachedId);
    q.run();
}

void PlayDatabase::replaceDiaryRows(const QString &diary, const PlayDatabase &from) {
    requireOpen();
    writehook::beforeWrite(m_path);
    const PlayChange change = PlayChange::forRestore(diary, from);
    Transaction t(m_db, m_path);
    applySteps(diary, change.steps());
    t.commit();
}

void PlayDatabase::backupTo(const QString &path) const {
    follow(false);
    if (!m_db)
        throw StoreError(StoreError::Kind::Io, QDir::toNativeSeparators(m_path),
                         u"データベースを使えません: "_s + m_reason);
    const QByteArray native = QFile::encodeName(path);
    // Made fresh, so that the copy never goes through a name someone else put there.
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) throw StoreError::fromErrno(errno, QDir::toNativeSeparators(path), u"作成"_s);
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0) ::fchmod(fd, st.st_mode & 0666);
    ::close(fd);
    sqlite3 *dest = nullptr;
    int rc =
        sqlite3_open_v2(native.constData(), &dest, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
    auto fail = [&](int code) {
        const StoreError e = dbError(code, dest, path);
        sqlite3_close_v2(dest);
        ::unlink(native.constData());
        throw e;
    };
    if (rc != SQLITE_OK) fail(rc);
    sqlite3_exec(dest, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
    sqlite3_backup *b = sqlite3_backup_init(dest, "main", m_db, "main");
    if (!b) fail(sqlite3_errcode(dest));
    do {
        rc = sqlite3_backup_step(b, -1);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) sqlite3_sleep(20);
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    const int finish = sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE) fail(rc);
    if (finish != SQLITE_OK) fail(finish);
    rc = sqlite3_close_v2(dest);
    dest = nullptr;
    if (rc != SQLITE_OK) fail(rc);
}

QByteArray PlayDatabase::imageOf(const QString &path) {
    if (const auto bad = unsafeDatabaseFile(path, false))
        throw StoreError(StoreError::Kind::Invalid, QDir::toNativeSeparators(path), *bad);
    sqlite3 *src = nullptr, *mem = nullptr;
    auto cleanup = [&] {
        sqlite3_close_v2(src);
        sqlite3_close_v2(mem);
    };
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &src,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_open_v2(":memory:", &mem, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const StoreError e = dbError(rc, src, path);
        cleanup();
        throw e;
    }
    sqlite3_busy_timeout(src, 2000);
    sqlite3_backup *b = sqlite3_backup_init(mem, "main", src, "main");
    if (!b) {
        const StoreError e = dbError(sqlite3_errcode(mem), mem, path);
        cleanup();
        throw e;
    }
    rc = sqlite3_backup_step(b, -1);
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE) {
        const StoreError e = dbError(rc, src, path);
        cleanup();
        throw e;
    }
    sqlite3_int64 size = 0;
    unsigned char *bytes = sqlite3_serialize(mem, "main", &size, 0);
    QByteArray out =
        bytes ? QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(size)) : QByteArray();
    sqlite3_free(bytes);
    cleanup();
    if (out.isEmpty())
        throw StoreError(StoreError::Kind::Io, QDir::toNativeSeparators(path),
                         u"データベースを写せませんでした。"_s);
    return out;
}

int PlayDatabase::playRowsIn(const QByteArray &image) {
    sqlite3 *mem = nullptr;
    if (sqlite3_open_v2(":memory:", &mem, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(mem);
        return 0;
    }
    int rows = 0;
    // Read in place: the image outlives the connection.
    auto *bytes = reinterpret_cast<unsigned char *>(const_cast<char *>(image.constData()));
    if (sqlite3_deserialize(mem, "main", bytes, image.size(), image.size(), SQLITE_DESERIALIZE_READONLY) ==
        SQLITE_OK) {
        sqlite3_stmt *q = nullptr;
        if (sqlite3_prepare_v2(mem, "SELECT count(*) FROM play", -1, &q, nullptr) == SQLITE_OK &&
            sqlite3_step(q) == SQLITE_ROW)
            rows = int(sqlite3_column_int64(q, 0));
        sqlite3_finalize(q);
    }
    sqlite3_close_v2(mem);
    return rows;
}

QStringList PlayDatabase::integrityProblems() const {
    if (!isOpen()) return {m_reason};
    try {
        Stmt q(m_db, "PRAGMA integrity_check", m_path);
        QStringList out;
        while (q.step()) {
            const QString line = q.text(0);
            if (line != u"ok"_s) out.append(line);
        }
        return out;
    } catch (const StoreError &e) {
        return {e.reason()};
    }
}

PlayDatabase::MergeReport PlayDatabase::mergeFrom(const PlayDatabase &other) {
    requireOpen();
    MergeReport report;
    if (!other.isOpen())
        throw StoreError(StoreError::Kind::Damaged, QDir::toNativeSeparators(other.path()), other.reason());
    writehook::beforeWrite(m_path);
    Transaction t(m_db, m_path);
    // Hall terms and 機種スペック, by their keys.
    for (const HallTerms &theirs : other.hallTerms()) {
        const QList<HallTerms> mine = hallTerms(theirs.store);
        const auto it = std::find_if(mine.cbegin(), mine.cend(),
                                     [&](const HallTerms &m) { return m.from == theirs.from; });
        const bool both = it != mine.cend();
        if (both && it->lend == theirs.lend && it->exchange == theirs.exchange &&
            it->feePercent == theirs.feePercent)
            continue;
        // Changed on both sides: the newer is kept, the other listed.
        if (both && it->updated >= theirs.updated) {
            report.conflicts.append(droppedTerms(theirs));
            continue;
        }
        if (both) report.conflicts.append(droppedTerms(*it));
        putTerms(m_db, m_path, theirs, theirs.updated.toMSecsSinceEpoch());
        ++(both ? report.replaced : report.added);
    }
    for (const ModelSpec &theirs : other.modelSpecs()) {
        const std::optional<ModelSpec> mine = modelSpec(theirs.category, theirs.model);
        if (mine && mine->probability == theirs.probability && mine->payout == theirs.payout &&
            mine->border == theirs.border)
            continue;
        if (mine) {
            report.conflicts.append(u"機種スペック "_s + theirs.model + u": 古い方を捨てました"_s);
            if (mine->updated >= theirs.updated) continue;
        }
        putModelSpec(m_db, m_path, theirs, theirs.updated.toMSecsSinceEpoch());
        ++(mine ? report.replaced : report.added);
    }
    // Play rows of cards, by diary and key.
    Stmt rows(other.m_db,
              "SELECT d.name, p.fingerprint, p.ordinal, p.card_hint, p.spins, p.own_balls, p.hits, p.machine,"
              " p.chodama_used, p.chodama_deposited,"
              " p.updated FROM play p JOIN diaries d ON d.id = p.diary",
              other.m_path);
    Stmt mineQ(
        m_db,
        "SELECT spins, own_balls, hits, machine, chodama_used, chodama_deposited, updated FROM play"
        " WHERE diary = (SELECT id FROM diaries WHERE name = ?1) AND fingerprint = ?2 AND ordinal = ?3",
        m_path);
    while (rows.step()) {
        const QString diary = rows.text(0);
        const CardKey key{rows.blob(1), int(rows.integer(2))};
        const PlayInputs theirs = inputsOf(rows, 4);
        const qint64 theirTime = rows.integer(10);
        mineQ.reset();
        mineQ.bind(1, diary).bind(2, key.fingerprint).bind(3, key.ordinal);
        if (mineQ.step()) {
            const PlayInputs mine = inputsOf(mineQ, 0);
            if (mine == theirs) continue;
            report.conflicts.append(u"稼働データ "_s + diary + u" のカード"_s +
                                    QString::number(rows.integer(3)) + u": 古い方を捨てました"_s);
            if (mineQ.integer(6) >= theirTime) continue;
            upsertPlay(m_db, m_path, diary, key, theirs, int(rows.integer(3)), theirTime);
            ++report.replaced;
        } else {
            upsertPlay(m_db, m_path, diary, key, theirs, int(rows.integer(3)), theirTime);
            ++report.added;
        }
    }
    mergeChodama(other, report);
    mergeLimits(other, report);
    t.commit();
    return report;
}

// ---- 貯玉 ----

namespace {
ChodamaEntry chodamaEntryOf(const Stmt &q) {
    ChodamaEntry e;
    e.uid = q.blob(0);
    e.user = q.text(1);
    e.store = q.text(2);
    e.day = QDate::fromString(q.text(3), u"yyyy-MM-dd"_s);
    e.kind = ChodamaKind(q.integer(4));
    e.balls = q.integer(5);
    e.note = q.text(6);
    e.updated = fromMs(q.integer(7));
    return e;
}

void putChodamaEntry(sqlite3 *db, const QString &path, const ChodamaEntry &e, qint64 updated) {
    Stmt q(db,
           "INSERT INTO chodama(uid, user, store, day, kind, balls, note, updated)"
           " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8) ON CONFLICT(uid) DO UPDATE SET user = ?2, store = ?3,"
           " day = ?4, kind = ?5, balls = ?6, note = ?7, updated = ?8",
           path);
    q.bind(1, e.uid)
        .bind(2, trim(e.user))
        .bind(3, trim(e.store))
        .bind(4, dateKey(e.day))
        .bind(5, int(e.kind))
        .bind(6, e.balls)
        .bind(7, e.note);
    q.bind(8, updated);
    q.run();
}

void putUserSetting(sqlite3 *db, const QString &path, const QString &user, const QString &name,
                    const QString &value, qint64 updated) {
    Stmt q(db, "INSERT OR REPLACE INTO user_settings(user, name, value, updated) VALUES(?1, ?2, ?3, ?4)",
           path);
    q.bind(1, user).bind(2, name).bind(3, value).bind(4, updated);
    q.run();
}

bool sameEntry(const ChodamaEntry &a, const ChodamaEntry &b) {
    return a.user == b.user && a.store == b.store && a.day == b.day && a.kind == b.kind &&
           a.balls == b.balls && a.note == b.note;
}

constexpr const char *kChodamaColumns = "uid, user, store, day, kind, balls, note, updated";
} // namespace

void PlayDatabase::mergeChodama(const PlayDatabase &other, MergeReport &report) {
    // Entries by their uid, settings by user and name; the newer wins as for the other rows.
    Stmt theirs(other.m_db, (QByteArray("SELECT ") + kChodamaColumns + " FROM chodama").constData(),
                other.m_path);
    Stmt mineQ(m_db, (QByteArray("SELECT ") + kChodamaColumns + " FROM chodama WHERE uid = ?1").constData(),
               m_path);
    while (theirs.step()) {
        const ChodamaEntry e = chodamaEntryOf(theirs);
        mineQ.reset();
        mineQ.bind(1, e.uid);
        if (mineQ.step()) {
            const ChodamaEntry mine = chodamaEntryOf(mineQ);
            if (sameEntry(mine, e)) continue;
            const ChodamaEntry &older = mine.updated >= e.updated ? e : mine;
            report.conflicts.append(u"貯玉 "_s + older.store + u" "_s + dateKey(older.day) + u" "_s +
                                    chodamaKindName(older.kind) + u" "_s + QString::number(older.balls) +
                                    u"玉: 古い方を捨てました"_s);
            if (mine.updated >= e.updated) continue;
            putChodamaEntry(m_db, m_path, e, e.updated.toMSecsSinceEpoch());
            ++report.replaced;
        } else {
            putChodamaEntry(m_db, m_path, e, e.updated.toMSecsSinceEpoch());
            ++report.added;
        }
    }
    Stmt settings(other.m_db, "SELECT user, name, value, updated FROM user_settings", other.m_path);
    Stmt mineS(m_db, "SELECT value, updated FROM user_settings WHERE user = ?1 AND name = ?2", m_path);
    while (settings.step()) {
        const QString user = settings.text(0), name = settings.text(1), value = settings.text(2);
        const qint64 time = settings.integer(3);
        mineS.reset();
        mineS.bind(1, user).bind(2, name);
        const bool both = mineS.step();
        if (both) {
            if (mineS.text(0) == value) continue;
            report.conflicts.append(u"設定 "_s + user + u" "_s + name + u": 古い方を捨てました"_s);
            if (mineS.integer(1) >= time) continue;
        }
        putUserSetting(m_db, m_path, user, name, value, time);
        ++(both ? report.replaced : report.added);
    }
}

QList<ChodamaEntry> PlayDatabase::chodamaEntries(const QString &user, const QString &store) const {
    return TAMA_READ(QList<ChodamaEntry>(), {
        const QByteArray sql = QByteArray("SELECT ") + kChodamaColumns + " FROM chodama WHERE user = ?1" +
                               (store.isNull() ? "" : " AND store = ?2") + " ORDER BY day, id";
        Stmt q(m_db, sql.constData(), m_path);
        q.bind(1, trim(user));
        if (!store.isNull()) q.bind(2, trim(store));
        QList<ChodamaEntry> out;
        while (q.step())
            out.append(chodamaEntryOf(q));
        return out;
    });
}

std::optional<ChodamaEntry> PlayDatabase::chodamaEntry(const QByteArray &uid) const {
    return TAMA_READ(std::optional<ChodamaEntry>(), {
        Stmt q(m_db, (QByteArray("SELECT ") + kChodamaColumns + " FROM chodama WHERE uid = ?1").constData(),
               m_path);
        q.bind(1, uid);
        return q.step() ? std::optional(chodamaEntryOf(q)) : std::optional<ChodamaEntry>();
    });
}

ChodamaEntry PlayDatabase::addChodamaEntry(ChodamaEntry entry) {
    entry.user = trim(entry.user);
    entry.store = trim(entry.store);
    validateChodamaEntry(entry);
    requireOpen();
    writehook::beforeWrite(m_path);
    entry.uid = QByteArray(16, Qt::Uninitialized);
    QRandomGenerator::system()->generate(entry.uid.begin(), entry.uid.end());
    const qint64 now = nowMs();
    entry.updated = fromMs(now);
    putChodamaEntry(m_db, m_path, entry, now);
    return entry;
}

void PlayDatabase::removeChodamaEntry(const QByteArray &uid) {
    requireOpen();
    writehook::beforeWrite(m_path);
    Stmt q(m_db, "DELETE FROM chodama WHERE uid = ?1", m_path);
    q.bind(1, uid);
    q.run();
    if (sqlite3_changes(m_db) == 0) throw invalid(u"その貯玉の記録は見つかりません。"_s);
}

std::optional<QString> PlayDatabase::userSetting(const QString &user, const QString &name) const {
    return TAMA_READ(std::optional<QString>(), {
        Stmt q(m_db, "SELECT value FROM user_settings WHERE user = ?1 AND name = ?2", m_path);
        q.bind(1, trim(user)).bind(2, name);
        return q.step() ? std::optional(q.text(0)) : std::optional<QString>();
    });
}

void PlayDatabase::setUserSetting(const QString &user, const QString &name, const QString &value) {
    if (trim(user).isEmpty()) throw invalid(u"使用者がありません。"_s);
    requireOpen();
    writehook::beforeWrite(m_path);
    putUserSetting(m_db, m_path, trim(user), name, value, nowMs());
}

void PlayDatabase::removeUserSetting(const QString &user, const QString &name) {
    requireOpen();
    writehook::beforeWrite(m_path);
    Stmt q(m_db, "DELETE FROM user_settings WHERE user = ?1 AND name = ?2", m_path);
    q.bind(1, trim(user)).bind(2, name);
    q.run();
}

bool writeWithPlay(const DataFolder &folder, const PlayChange &change, const DiaryExpectation &expected,
                   const std::function<void()> &write, bool refuseWithoutDatabase) {
    if (change.isEmpty() || !QFileInfo::exists(folder.file(PlayDatabase::fileName()))) {
        write();
        return change.isEmpty();
    }
    PlayDatabase db(folder);
    if (!db.isOpen() && refuseWithoutDatabase)
        throw StoreError(StoreError::Kind::Io, QDir::toNativeSeparators(db.path()),
                         db.reason() + u"稼働データがカードから離れないよう、書き込みませんでした。"_s);
    // A database that works but cannot note the change (a full disk) stops the write: the
    // rows would otherwise be left on no card. One that cannot be used at all does not.
    std::optional<qint64> pending;
    if (db.isOpen()) pending = db.prepare(change, expected);
    try {
        write();
    } catch (...) {
        if (pending) {
            try {
                db.abandon(*pending);
            } catch (const StoreError &) {
            }
        }
        throw;
    }
    if (pending) {
        try {
            db.commit(*pending);
        } catch (const StoreError &) {
            // Still pending: the next repair finds the diary written and finishes it.
        }
    }
    return pending.has_value();
}

std::optional<QString> repairPlayData(const DataFolder &folder) {
    const QList<ConflictCopy> copies = [&] {
        QList<ConflictCopy> out;
        for (const ConflictCopy &c : findConflictCopies(folder))
            if (c.original == PlayDatabase::fileName()) out.append(c);
        return out;
    }();
    if (!QFileInfo::exists(folder.file(PlayDatabase::fileName())) && copies.isEmpty()) return std::nullopt;
    PlayDatabase db(folder);
    if (!db.isOpen()) return std::nullopt;
    QStringList notices;
    // A synchroniser's copy of the database is merged row by row, then renamed out of the way
    // (kept, so that nothing of it is lost).
    for (const ConflictCopy &c : copies) {
        try {
            const std::unique_ptr<PlayDatabase> other = PlayDatabase::openFile(folder.file(c.name));
            const PlayDatabase::MergeReport r = db.mergeFrom(*other);
            const QString kept = c.name + u".merged"_s;
            if (::rename(QFile::encodeName(folder.file(c.name)).constData(),
                         QFile::encodeName(folder.file(kept)).constData()) != 0)
                throw StoreError::fromErrno(errno, folder.file(c.name), u"名前を変えることが"_s);
            QString text = c.tool + u"が残したデータベースの競合コピー「"_s + c.name +
                           u"」を統合しました（追加 "_s + QString::number(r.added) +
                           u" 件、新しい方で置き換え "_s + QString::number(r.replaced) +
                           u" 件）。コピーは「"_s + kept + u"」として残しました。"_s;
            if (!r.conflicts.isEmpty())
                text += u"\n両方で変わっていたもの（新しい方を残しました）:\n"_s + r.conflicts.join(u'\n');
            notices.append(text);
        } catch (const StoreError &e) {
            notices.append(u"データベースの競合コピー「"_s + c.name + u"」を統合できませんでした: "_s +
                           e.message());
        }
    }
    try {
        const PlayRepair r = db.repair(folder);
        if (r.detached > 0)
            notices.append(
                u"日記のカードがほかのプログラムで変わったため、稼働データ "_s + QString::number(r.detached) +
                u" 件をどのカードにも付けずに残しました。カード画面の「切り離された稼働データ…」で付け直せます。"_s);
    } catch (const StoreError &e) {
        notices.append(u"稼働データの点検ができませんでした: "_s + e.message());
    }
    if (notices.isEmpty()) return std::nullopt;
    return notices.join(u'\n');
}

// ---- limits ----

const QList<LimitKind> &limitKinds() {
    static const QList<LimitKind> kinds = {LimitKind::Investment, LimitKind::Visits, LimitKind::Hours};
    return kinds;
}

QString limitKindName(LimitKind kind) {
    switch (kind) {
    case LimitKind::Investment:
        return u"investment"_s;
    case LimitKind::Visits:
        return u"visits"_s;
    case LimitKind::Hours:
        return u"hours"_s;
    }
    return {};
}

std::optional<LimitKind> limitKindFromName(const QString &name) {
    for (LimitKind k : limitKinds())
        if (limitKindName(k) == name) return k;
    return std::nullopt;
}

void validateLimitValue(LimitKind kind, qint64 value) {
    switch (kind) {
    case LimitKind::Investment:
        // Cards hold amounts in hundreds of yen.
        if (value < 1000 || value > 99999900 || value % 100 != 0)
            throw invalid(u"今月の投資の上限は1,000円から99,999,900円までの100円単位で入力してください。"_s);
        return;
    case LimitKind::Visits:
        if (value < 1 || value > 999)
            throw invalid(u"今月の来店回数の上限は1回から999回までで入力してください。"_s);
        return;
    case LimitKind::Hours:
        if (value < 30 || value > 1440 || value % 15 != 0)
            throw invalid(u"1日の遊技時間の上限は0.5時間から24時間までの15分単位で入力してください。"_s);
        return;
    }
}

namespace {
void putLimit(sqlite3 *db, const QString &path, const QString &user, const LimitRow &r, qint64 updated) {
    Stmt q(db,
           "INSERT OR REPLACE INTO limits(user, kind, value, pending, pending_set, pending_from, updated)"
           " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)",
           path);
    q.bind(1, user).bind(2, limitKindName(r.kind)).bind(3, r.value).bind(4, r.pending);
    q.bind(5, r.pendingSet ? 1 : 0);
    q.bind(6, r.pendingSet ? std::optional(r.pendingFrom.toMSecsSinceEpoch()) : std::nullopt);
    q.bind(7, updated);
    q.run();
}

// Rows whose kind this version does not know are left out.
std::optional<LimitRow> limitOf(const Stmt &q, int first) {
    const std::optional<LimitKind> kind = limitKindFromName(q.text(first));
    if (!kind) return std::nullopt;
    LimitRow r;
    r.kind = *kind;
    r.value = q.optInteger(first + 1);
    r.pending = q.optInteger(first + 2);
    r.pendingSet = q.integer(first + 3) != 0;
    if (r.pendingSet) r.pendingFrom = fromMs(q.optInteger(first + 4).value_or(0));
    r.updated = fromMs(q.integer(first + 5));
    return r;
}

QString limitText(const QString &user, const LimitRow &r) {
    return u"上限 "_s + user + u" "_s + limitKindName(r.kind) + u": 古い方（"_s +
           (r.value ? QString::number(*r.value) : u"なし"_s) + u"）を捨てました"_s;
}
} // namespace

QList<LimitRow> PlayDatabase::limits(const QString &user) const {
    return TAMA_READ(QList<LimitRow>(), {
        Stmt q(m_db,
               "SELECT kind, value, pending, pending_set, pending_from, updated FROM limits WHERE user = ?1",
               m_path);
        q.bind(1, user);
        QList<LimitRow> rows;
        while (q.step())
            if (const std::optional<LimitRow> r = limitOf(q, 0)) rows.append(*r);
        std::sort(rows.begin(), rows.end(),
                  [](const LimitRow &a, const LimitRow &b) { return int(a.kind) < int(b.kind); });
        return rows;
    });
}

void PlayDatabase::setLimit(const QString &user, const LimitRow &row) {
    if (trim(user).isEmpty()) throw invalid(u"ユーザー名がありません。"_s);
    if (row.value) validateLimitValue(row.kind, *row.value);
    if (row.pendingSet && row.pending) validateLimitValue(row.kind, *row.pending);
    if (row.pendingSet && !row.pendingFrom.isValid()) throw invalid(u"変更の適用日時がありません。"_s);
    requireOpen();
    writehook::beforeWrite(m_path);
    putLimit(m_db, m_path, user, row, clock().now().toMSecsSinceEpoch());
}

void PlayDatabase::mergeLimits(const PlayDatabase &other, MergeReport &report) {
    Stmt theirs(other.m_db,
                "SELECT user, kind, value, pending, pending_set, pending_from, updated FROM limits",
                other.m_path);
    Stmt mineQ(m_db,
               "SELECT kind, value, pending, pending_set, pending_from, updated FROM limits"
               " WHERE user = ?1 AND kind = ?2",
               m_path);
    while (theirs.step()) {
        const QString user = theirs.text(0);
        const std::optional<LimitRow> row = limitOf(theirs, 1);
        if (!row) continue;
        mineQ.reset();
        mineQ.bind(1, user).bind(2, limitKindName(row->kind));
        std::optional<LimitRow> mine = mineQ.step() ? limitOf(mineQ, 0) : std::nullopt;
        if (mine) {
            LimitRow a = *mine, b = *row;
            a.updated = b.updated = QDateTime();
            if (a == b) continue;
            // Changed on both sides: the newer is kept, the other listed.
            if (mine->updated >= row->updated) {
                report.conflicts.append(limitText(user, *row));
                continue;
            }
            report.conflicts.append(limitText(user, *mine));
        }
        putLimit(m_db, m_path, user, *row, row->updated.toMSecsSinceEpoch());
        ++(mine ? report.replaced : report.added);
    }
}

} // namespace tama
