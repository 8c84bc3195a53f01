// Any two copies of a year's diary merged: every card of the diary stays where it is,
// each card the other copy holds is in the result as often as either side holds it,
// a deletion mark is taken over, and the only refusal is a card of another year.
// The cards are built from a few bytes each, so that the fuzzer makes equal cards,
// marked twins and same-visit conflicts often; 200 of them show every rule, and more would
// only slow the search.
#include "fuzzfolder.h"
#include "store/diary.h"
#include "store/merge.h"
#include "store/storeerror.h"

#include <QHash>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

constexpr int kCard = 240;
constexpr size_t kMostCards = 200;

QByteArray unmarked(QByteArray r, int year) {
    if (r.startsWith('R')) r[0] = char('0' + (year / 1000) % 10);
    return r;
}

QByteArray visit(const QByteArray &r) {
    return r.mid(1, 9) + r.mid(10, 4) + r.mid(18, 20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    const int year = 1990 + data[0] % 40;
    const QByteArray digits = QByteArray::number(year);
    // Five bytes a card: which copy and its mark, the day, the start, the store, the money.
    QList<QByteArray> ours, theirs;
    bool otherYear = false;
    for (size_t at = 1; at + 5 <= std::min(size, 1 + 5 * kMostCards); at += 5) {
        const uint8_t flags = data[at];
        QByteArray r(kCard, ' ');
        r.replace(0, 4, flags & 4 ? QByteArray::number(year + 1) : digits);
        r.replace(4, 4, QByteArray::number(101 + data[at + 1] % 28).rightJustified(4, '0'));
        r.replace(10, 4, QByteArray::number(data[at + 2] % 4 * 100 + 1000));
        r[18] = char('A' + data[at + 3] % 3);
        r.replace(60, 3, QByteArray::number(data[at + 4]).rightJustified(3, '0'));
        if (flags & 2) r[0] = 'R';
        const bool mine = flags & 1;
        if (!mine && (flags & 4)) otherYear = true;
        (mine ? ours : theirs).append(r);
    }

    MergePlan plan;
    try {
        plan = planMerge(ours, theirs, year);
    } catch (const StoreError &) {
        if (!otherYear) abort();
        return 0;
    }
    if (otherYear) abort();
    if (plan.ours != ours.size() || plan.theirs != theirs.size()) abort();
    if (plan.after() != ours.size() + plan.added.size() || plan.same + plan.added.size() != theirs.size())
        abort();
    int marked = 0;
    for (qsizetype i = 0; i < ours.size(); ++i) {
        const QByteArray &r = plan.records[i];
        if (r == ours[i]) continue;
        if (ours[i].startsWith('R') || !r.startsWith('R') || unmarked(r, year) != ours[i]) abort();
        ++marked;
    }
    if (marked != plan.marked) abort();
    for (qsizetype k = 0; k < plan.added.size(); ++k) {
        const int from = plan.added[k];
        if (from < 1 || from > theirs.size() || plan.records[ours.size() + k] != theirs[from - 1]) abort();
    }
    // Each card, mark aside, as often as the copy that holds it most often.
    QHash<QByteArray, int> inOurs, inTheirs, inResult;
    for (const QByteArray &r : ours)
        ++inOurs[unmarked(r, year)];
    for (const QByteArray &r : theirs)
        ++inTheirs[unmarked(r, year)];
    for (const QByteArray &r : plan.records)
        ++inResult[unmarked(r, year)];
    for (auto it = inResult.cbegin(); it != inResult.cend(); ++it)
        if (it.value() != std::max(inOurs.value(it.key()), inTheirs.value(it.key()))) abort();
    if (inResult.size() < std::max(inOurs.size(), inTheirs.size())) abort();
    for (const MergePlan::Pair &p : plan.conflicts) {
        if (p.ours < 1 || p.ours > ours.size() || p.theirs <= ours.size() || p.theirs > plan.after()) abort();
        const QByteArray &a = plan.records[p.ours - 1], &b = plan.records[p.theirs - 1];
        if (visit(a) != visit(b) || unmarked(a, year) == unmarked(b, year)) abort();
    }

    // The other copy read back from a file is the same cards; a cut one is refused.
    QByteArray file;
    for (const QByteArray &r : theirs)
        file += r;
    const bool cut = !file.isEmpty() && (data[0] & 0x80);
    if (cut) file.chop(1 + data[0] % 7);
    fuzz::clear();
    fuzz::put(u"other.dat"_s, file);
    try {
        if (readOtherCopy(fuzz::folder().path() + u"/other.dat"_s) != theirs || cut) abort();
    } catch (const StoreError &e) {
        if (!cut || e.kind() != StoreError::Kind::Damaged) abort();
    }
    return 0;
}
