#include "store/organise.h"

#include "store/playdata.h"

#include "common/codec.h"
#include "common/text.h"
#include "store/diary.h"

#include <algorithm>
#include <array>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// Year, month and day are fixed-width texts compared part by part, which is the order
// of their eight characters together; then the start time in minutes of the day.
struct SortKey {
    std::array<char16_t, 8> date;
    int startMinute;
    bool operator<(const SortKey &o) const {
        if (date != o.date) return date < o.date;
        return startMinute < o.startMinute;
    }
};

constexpr int kDateBytes = 10;
constexpr int kStartOffset = 10;
constexpr int kStartBytes = 4;

// A field decoded to its width in characters, padded with spaces as every reader sees it.
template <int N> std::array<char16_t, N> decodedField(const char *bytes) {
    std::array<char16_t, N> out;
    out.fill(u' ');
    qsizetype bad = -1;
    cp932::decodeInto(bytes, N, out.data(), &bad);
    return out;
}

// The number two characters of a time stand for, as textToNumber reads them; spaces
// and digits are the usual case and are read directly.
int twoCharNumber(const char16_t *c) {
    auto plain = [](char16_t ch) { return ch == u' ' || (ch >= u'0' && ch <= u'9'); };
    if (plain(c[0]) && plain(c[1])) {
        if (c[0] != u' ' && c[1] == u' ') return c[0] - u'0';
        return (c[0] == u' ' ? 0 : (c[0] - u'0') * 10) + (c[1] == u' ' ? 0 : c[1] - u'0');
    }
    return int(textToNumber(QString::fromUtf16(c, 2)));
}

bool allAscii(const char *p, int n) {
    for (int i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
    return true;
}

SortKey keyOf(const QByteArray &record) {
    SortKey k{};
    const char *p = record.constData();
    std::array<char16_t, kStartBytes> start;
    if (allAscii(p, kStartOffset + kStartBytes)) { // one byte, one character
        std::copy_n(p, 8, k.date.begin());
        std::copy_n(p + kStartOffset, kStartBytes, start.begin());
    } else {
        const auto date = decodedField<kDateBytes>(p);
        std::copy_n(date.begin(), 8, k.date.begin());
        start = decodedField<kStartBytes>(p + kStartOffset);
    }
    k.startMinute = twoCharNumber(start.data()) * 60 + twoCharNumber(start.data() + 2);
    return k;
}

} // namespace

int OrganisePlan::moved() const {
    int n = 0;
    for (int i = 0; i < after(); ++i)
        if (order[i] != i + 1) ++n;
    return n;
}

OrganisePlan planOrganise(const QList<QByteArray> &records) {
    OrganisePlan plan;
    plan.before = int(records.size());
    std::vector<int> kept;
    std::vector<SortKey> keys;
    kept.reserve(size_t(records.size()));
    keys.reserve(size_t(records.size()));
    for (int i = 0; i < plan.before; ++i) {
        const QByteArray &r = records[i];
        // "R" is one byte and can only stand for itself at the start of the field.
        if (!r.isEmpty() && r[0] == 'R') {
            plan.dropped.append(i + 1);
            continue;
        }
        kept.push_back(int(keys.size()));
        keys.push_back(keyOf(r));
        plan.order.append(i + 1);
    }
    // Positions into the kept cards; the stable sort keeps equal keys in file order.
    std::stable_sort(kept.begin(), kept.end(),
                     [&keys](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    QList<int> sorted;
    sorted.reserve(qsizetype(kept.size()));
    for (int k : kept)
        sorted.append(plan.order[k]);
    plan.order = std::move(sorted);
    return plan;
}

QList<QByteArray> organisedRecords(const QList<QByteArray> &records, const OrganisePlan &plan) {
    QList<QByteArray> out;
    out.reserve(plan.after());
    for (int n : plan.order)
        out.append(records[n - 1]);
    return out;
}

OrganisePlan organiseDiary(const DataFolder &folder, const QString &fileName) {
    DiaryFile diary(folder, fileName);
    const QList<QByteArray> records = diary.readAllRaw();
    const OrganisePlan plan = planOrganise(records);
    const QList<QByteArray> organised = organisedRecords(records, plan);
    // The play rows follow their cards: dropped cards lose theirs.
    writeWithPlay(
        folder, PlayChange::forRewrite(fileName, records, organised, plan.order),
        DiaryExpectation::fileWritten(organised), [&] { diary.rewriteRaw(organised); }, true);
    return plan;
}

} // namespace tama
