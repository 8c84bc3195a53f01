// The play database beside the largest diary, every card with play data: its size, finding
// a shown card's play data, and writing a card with its play data as the card screen does
// (the change noted, the card written in place through the journal, the change applied;
// every step flushed to disk).
#include "store/diary.h"
#include "store/playdata.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kCards = tama::DiaryFile::kMaxCards - 1; // room for one more
const QString kDiary = u"taro.2024.dat"_s;

tama::test::CardValues cardValues(int i) {
    const QDate d = QDate(2024, 1, 1).addDays(i % 366);
    return {.date = d.toString(u"yyyyMMdd"_s) + u"土"_s,
            .start = QStringLiteral("%1").arg(9 + i % 10, 2) + u"00"_s,
            .end = u"2030"_s,
            .store = i % 2 ? u"ＡＢＣホール"_s : u"パーラー駅前"_s,
            .category = QString::number(1 + i % 5),
            .model = u"機種"_s + QString::number(i % 150),
            .investment = tama::test::digits4(i % 500),
            .cashOut = tama::test::digits4((i * 7) % 900),
            .impression = u"よかった"_s};
}

tama::PlayInputs inputs(int i) {
    tama::PlayInputs p;
    p.spins = 200 + i % 1800;
    p.ownBalls = i % 3 ? std::optional<qint64>(i % 4000) : std::nullopt;
    p.hits = i % 12;
    p.machine = QString::number(100 + i % 900);
    return p;
}

// The largest diary with play data on every card, in a folder of its own.
struct Folder {
    QTemporaryDir dir;
    tama::DataFolder folder{dir.path()};
    tama::DiaryKeys keys;

    Folder() {
        QList<QByteArray> records;
        records.reserve(kCards);
        for (int i = 0; i < kCards; ++i)
            records.append(tama::test::cardBytes(cardValues(i)));
        tama::test::writeFile(folder.file(kDiary), records.join());
        keys = tama::DiaryKeys::ofRecords(records);
        tama::PlayChange all(kDiary);
        for (int n = 1; n <= kCards; ++n)
            all.set(keys.key(n), inputs(n), n);
        tama::PlayDatabase db(folder);
        db.commit(db.prepare(all, tama::DiaryExpectation::fileWritten(records)));
        tama::repairPlayData(folder);
    }
};

Folder &shared() {
    static Folder f;
    return f;
}

// What showing a stored card adds: its fingerprint, whether the database knows it, its place
// among identical cards (the diary's keys are read once per diary) and its row.
void BM_FindPlayOfShownCard(benchmark::State &st) {
    Folder &f = shared();
    tama::PlayDatabase db(f.folder, tama::PlayDatabase::Mode::ReadOnly);
    const tama::DiaryFile diary(f.folder, kDiary, tama::RecordFile::Mode::ReadOnly);
    int n = 1;
    for (auto _ : st) {
        const std::optional<tama::CardRecord> card = diary.read(n);
        const QByteArray fp = tama::cardFingerprint(card->record().rawBytes());
        std::optional<tama::PlayInputs> p;
        if (db.hasFingerprint(kDiary, fp)) p = db.play(kDiary, f.keys.key(n));
        if (!p) qFatal("card %d has no play data", n);
        benchmark::DoNotOptimize(p);
        n = n % kCards + 1;
    }
    st.counters["database_bytes"] = double(QFileInfo(db.path()).size());
}

// The keys of the whole diary, read once when a diary is shown.
void BM_DiaryKeys(benchmark::State &st) {
    Folder &f = shared();
    for (auto _ : st)
        benchmark::DoNotOptimize(tama::DiaryKeys::ofDiary(f.folder, kDiary));
}

// Registering a new card with play data, as the card screen does.
void BM_RegisterCardWithPlay(benchmark::State &st) {
    Folder &f = shared();
    tama::DiaryFile diary(f.folder, kDiary);
    tama::DiaryKeys keys = f.keys;
    int i = 0;
    for (auto _ : st) {
        const tama::CardRecord card = tama::test::makeCard(cardValues(100000 + i++));
        const QByteArray bytes = card.record().toBytes();
        const int n = kCards + 1;
        const tama::PlayChange change =
            tama::PlayChange::forCardWrite(kDiary, keys, n, bytes.constData(), inputs(i));
        tama::writeWithPlay(f.folder, change, tama::DiaryExpectation::cardWritten(n, bytes, qint64(n) * 240),
                            [&] { diary.write(n, card); });
        st.PauseTiming();
        // Back to the largest diary for the next round, its row with it.
        tama::PlayDatabase db(f.folder);
        tama::PlayChange undo(kDiary);
        keys.set(n, bytes.constData());
        undo.remove(keys.key(n));
        QFile file(diary.path());
        file.resize(qint64(kCards) * 240);
        db.commit(db.prepare(undo, tama::DiaryExpectation{}));
        keys = f.keys;
        st.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_FindPlayOfShownCard)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_DiaryKeys)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RegisterCardWithPlay)->Unit(benchmark::kMillisecond)->Iterations(100);

BENCHMARK_MAIN();
