#include "store/playdata.h"

#include "store/storeerror.h"

// Placeholder bodies so that the tree builds while the database is written.
namespace tama {

namespace {
[[noreturn]] void notYet() {
    throw StoreError(StoreError::Kind::Invalid, PlayDatabase::fileName(), QStringLiteral("not yet"));
}
} // namespace

void validatePlayInputs(const PlayInputs &) {}
void validateHallTerms(const HallTerms &) {}
std::optional<double> ModelSpec::ballsPerSpin() const {
    return std::nullopt;
}
void validateModelSpec(const ModelSpec &) {}
size_t qHash(const CardKey &key, size_t seed) {
    return qHashMulti(seed, key.fingerprint, key.ordinal);
}
QByteArray cardFingerprint(const char *record) {
    return QByteArray(record + 1, 16);
}
DiaryKeys DiaryKeys::ofRecords(const QList<QByteArray> &) {
    return {};
}
DiaryKeys DiaryKeys::ofDiary(const DataFolder &, const QString &) {
    return {};
}
CardKey DiaryKeys::key(int) const {
    return {};
}
int DiaryKeys::find(const CardKey &) const {
    return 0;
}
void DiaryKeys::set(int, const char *) {}
void PlayChange::move(const CardKey &, const CardKey &, int) {}
void PlayChange::set(const CardKey &, const PlayInputs &, int) {}
void PlayChange::remove(const CardKey &) {}
PlayChange PlayChange::forCardWrite(const QString &diary, const DiaryKeys &, int, const char *,
                                    const std::optional<PlayInputs> &) {
    return PlayChange(diary);
}
PlayChange PlayChange::forRewrite(const QString &diary, const QList<QByteArray> &, const QList<QByteArray> &,
                                  const QList<int> &) {
    return PlayChange(diary);
}
DiaryExpectation DiaryExpectation::cardWritten(int, const QByteArray &, qint64) {
    return {};
}
DiaryExpectation DiaryExpectation::fileWritten(const QList<QByteArray> &) {
    return {};
}
QString PlayDatabase::fileName() {
    return QStringLiteral("tamanote.db");
}
int PlayDatabase::schemaVersion() {
    return 1;
}
PlayDatabase::PlayDatabase(const DataFolder &folder, Mode) : m_path(folder.file(fileName())) {
    m_reason = QStringLiteral("not yet");
}
std::unique_ptr<PlayDatabase> PlayDatabase::openFile(const QString &) {
    return {};
}
PlayDatabase::~PlayDatabase() = default;
QList<HallTerms> PlayDatabase::hallTerms() const {
    return {};
}
QList<HallTerms> PlayDatabase::hallTerms(const QString &) const {
    return {};
}
std::optional<HallTerms> PlayDatabase::termsOn(const QString &, const QDate &) const {
    return {};
}
void PlayDatabase::setHallTerms(const HallTerms &) {
    notYet();
}
void PlayDatabase::removeHallTerms(const QString &, const QDate &) {
    notYet();
}
QList<ModelSpec> PlayDatabase::modelSpecs() const {
    return {};
}
std::optional<ModelSpec> PlayDatabase::modelSpec(int, const QString &) const {
    return {};
}
void PlayDatabase::setModelSpec(const ModelSpec &) {
    notYet();
}
void PlayDatabase::removeModelSpec(int, const QString &) {
    notYet();
}
std::optional<PlayInputs> PlayDatabase::play(const QString &, const CardKey &) const {
    return {};
}
bool PlayDatabase::hasFingerprint(const QString &, const QByteArray &) const {
    return false;
}
QHash<CardKey, PlayInputs> PlayDatabase::playOfDiary(const QString &) const {
    return {};
}
void PlayDatabase::setPlay(const QString &, const CardKey &, const PlayInputs &, int) {
    notYet();
}
qint64 PlayDatabase::prepare(const PlayChange &, const DiaryExpectation &) {
    notYet();
}
void PlayDatabase::commit(qint64) {
    notYet();
}
void PlayDatabase::abandon(qint64) {
    notYet();
}
PlayRepair PlayDatabase::repair(const DataFolder &) {
    return {};
}
PlayRepair PlayDatabase::reconcile(const QString &, const DiaryKeys &) {
    return {};
}
QList<DetachedPlay> PlayDatabase::detached() const {
    return {};
}
void PlayDatabase::attach(qint64, const QString &, const CardKey &, int) {
    notYet();
}
void PlayDatabase::removeDetached(qint64) {
    notYet();
}
void PlayDatabase::replaceDiaryRows(const QString &, const PlayDatabase &) {
    notYet();
}
void PlayDatabase::backupTo(const QString &) const {
    notYet();
}
QStringList PlayDatabase::integrityProblems() const {
    return {};
}
PlayDatabase::MergeReport PlayDatabase::mergeFrom(const PlayDatabase &) {
    notYet();
}
void PlayDatabase::open(Mode) {}

} // namespace tama
