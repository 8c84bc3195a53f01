#include "reports/chodamatotals.h"

#include "reports/chodamaledger.h"
#include "store/diary.h"
#include "store/playdata.h"
#include "store/storeerror.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {
std::unique_ptr<PlayDatabase> openForReading(const DataFolder &folder) {
    if (!QFileInfo::exists(folder.file(PlayDatabase::fileName()))) return nullptr;
    auto db = std::make_unique<PlayDatabase>(folder, PlayDatabase::Mode::ReadOnly);
    return db->isOpen() ? std::move(db) : nullptr;
}

// A card's visit date; a marked card's first digit is under the mark.
QDate visitDate(const CardText &card) {
    QString digits = card.field(CardRecord::VisitDate).first(8).toString();
    if (digits.startsWith(u'R')) digits[0] = digits.at(1) == u'9' ? u'1' : u'2';
    return QDate::fromString(digits, u"yyyyMMdd"_s);
}
} // namespace

bool chodamaCounted(const DataFolder &folder, const QString &user) {
    const auto db = openForReading(folder);
    return db && chodamaInTotals(*db, user);
}

QHash<int, qint64> chodamaYenOfDiary(const DataFolder &folder, const QString &user,
                                     const QString &diaryFile) {
    const auto db = openForReading(folder);
    return db ? chodamaYenOfDiary(*db, folder, user, diaryFile) : QHash<int, qint64>();
}

QHash<int, qint64> chodamaYenOfDiary(const PlayDatabase &db, const DataFolder &folder, const QString &user,
                                     const QString &diaryFile) {
    QHash<int, qint64> out;
    if (!db.isOpen() || !chodamaInTotals(db, user)) return out;
    const QHash<CardKey, PlayInputs> rows = db.playOfDiary(diaryFile);
    bool any = false;
    for (const PlayInputs &p : rows)
        any = any || p.chodamaUsed || p.chodamaDeposited;
    if (!any) return out;
    try {
        const DiaryFile diary(folder, diaryFile, RecordFile::Mode::ReadOnly);
        QHash<QByteArray, int> seen; // cards of each fingerprint so far, for the ordinals
        diary.forEachRaw([&](int n, const char *bytes) {
            const QByteArray fingerprint = cardFingerprint(bytes);
            const int ordinal = seen[fingerprint]++;
            const auto row = rows.constFind(CardKey{fingerprint, ordinal});
            if (row == rows.cend() || !(row->chodamaUsed || row->chodamaDeposited)) return;
            const CardText card = CardText::ofBytes(bytes);
            const QString store = card.field(CardRecord::StoreName).trimmed().toString();
            const std::optional<HallTerms> terms = db.termsOn(store, visitDate(card));
            if (const auto yen = chodamaYenOfCard(*row, terms ? &*terms : nullptr)) out.insert(n, *yen);
        });
    } catch (const StoreError &) {
        return {}; // the totals are then the cards' own, as the list itself reports the diary
    }
    return out;
}

} // namespace tama
