#include "store/chodama.h"

#include "common/text.h"
#include "store/record.h"
#include "store/storeerror.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

struct KindName {
    ChodamaKind kind;
    const char16_t *japanese;
    const char16_t *english;
};
constexpr KindName kKindNames[] = {
    {ChodamaKind::Deposit, u"預け入れ", u"deposit"},
    {ChodamaKind::Replay, u"再プレイ", u"replay"},
    {ChodamaKind::Settle, u"精算", u"settle"},
    {ChodamaKind::Adjust, u"調整", u"adjust"},
};

StoreError invalid(const QString &reason) {
    return StoreError(StoreError::Kind::Invalid, QString(), reason);
}

} // namespace

QString chodamaKindName(ChodamaKind kind) {
    for (const KindName &k : kKindNames)
        if (k.kind == kind) return QString::fromUtf16(k.japanese);
    return QString();
}

std::optional<ChodamaKind> chodamaKindFromName(const QString &name) {
    const QString n = trim(name);
    for (const KindName &k : kKindNames)
        if (n == QString::fromUtf16(k.japanese) ||
            n.compare(QString::fromUtf16(k.english), Qt::CaseInsensitive) == 0)
            return k.kind;
    return std::nullopt;
}

qint64 ChodamaEntry::change() const {
    switch (kind) {
    case ChodamaKind::Deposit:
        return balls;
    case ChodamaKind::Replay:
    case ChodamaKind::Settle:
        return -balls;
    case ChodamaKind::Adjust:
        break;
    }
    return balls;
}

void validateChodamaEntry(const ChodamaEntry &e) {
    if (trim(e.user).isEmpty()) throw invalid(u"貯玉の使用者がありません。"_s);
    if (trim(e.store).isEmpty()) throw invalid(u"貯玉の店名がありません。"_s);
    if (!e.day.isValid()) throw invalid(u"貯玉の日付を正しい日付で入力してください。"_s);
    if (chodamaKindName(e.kind).isEmpty()) throw invalid(u"貯玉の種類が正しくありません。"_s);
    if (e.balls == 0) throw invalid(u"貯玉の玉数に0は入力できません。"_s);
    if (e.balls < 0 && e.kind != ChodamaKind::Adjust)
        throw invalid(chodamaKindName(e.kind) + u"の玉数は1以上で入力してください（減らすときは調整で）。"_s);
    if (e.balls > kMaxChodamaBalls || e.balls < -kMaxChodamaBalls)
        throw invalid(u"貯玉の玉数は"_s + formatAmount(kMaxChodamaBalls) + u"玉までです。"_s);
    requireEncodable(e.store, u"店名"_s);
    requireEncodable(e.note, u"メモ"_s);
}

qint64 chodamaFeeBalls(qint64 used, std::optional<double> feePercent) {
    if (!feePercent || !(*feePercent > 0) || used == 0) return 0;
    // Half away from zero: 2.5 balls of fee are 3. The nudge keeps a half that the binary
    // fraction of the percentage leaves a hair short (0.1 %) from rounding down.
    const double fee = double(used) * *feePercent / 100.0;
    return qint64(std::llround(fee + std::copysign(1e-7, fee)));
}

} // namespace tama
