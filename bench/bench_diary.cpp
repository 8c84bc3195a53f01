// Diary access as the card screen does it: count the cards, read one card. Both must
// cost the same for 100 cards and for a full diary; reading the whole diary is measured
// beside them to show what growing with the number of cards looks like.
#include "store/diary.h"
#include "support/cardbuilder.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kSizes[] = {100, 1000, 10000, tama::DiaryFile::kMaxCards};

// One 240-byte card: 2024-03-09 土, 9:30–14:05, Ａ店, ＣＲ海, 4,500 yen in, 12,000 out.
QByteArray cardBytes() {
    return tama::test::cardBytes({.date = u"20240309土"_s,
                                  .start = u" 930"_s,
                                  .end = u"1405"_s,
                                  .store = u"Ａ店"_s,
                                  .category = u"3"_s,
                                  .model = u"ＣＲ海"_s,
                                  .investment = u"0045"_s,
                                  .cashOut = u"0120"_s});
}

QString diaryName(int cards) {
    return QStringLiteral("u%1.2024.dat").arg(cards);
}

// The diaries are written once per run, byte by byte, into a folder of their own.
class Diaries {
  public:
    Diaries() {
        if (!m_dir.isValid()) std::abort();
        const QByteArray card = cardBytes();
        for (int n : kSizes) {
            QFile f(m_dir.filePath(diaryName(n)));
            if (!f.open(QIODevice::WriteOnly) || f.write(card.repeated(n)) != qint64(card.size()) * n)
                std::abort();
        }
    }
    tama::DataFolder folder() const { return tama::DataFolder(m_dir.path()); }

  private:
    QTemporaryDir m_dir;
};

const Diaries &diaries() {
    static const Diaries d;
    return d;
}

void requireCard(benchmark::State &state, const std::optional<tama::CardRecord> &card) {
    if (!card || card->field(tama::CardRecord::StoreName).left(2) != u"Ａ店"_s)
        state.SkipWithError("the card read back is not the card written");
}

// Opening the diary and counting, as loading the card screen does.
void BM_OpenAndCount(benchmark::State &state) {
    const int n = int(state.range(0));
    const tama::DataFolder folder = diaries().folder();
    for (auto _ : state) {
        const tama::DiaryFile diary(folder, diaryName(n), tama::RecordFile::Mode::ReadOnly);
        const int count = diary.count();
        benchmark::DoNotOptimize(count);
        if (count != n) state.SkipWithError("wrong count");
    }
    state.SetComplexityN(n);
}

void BM_Count(benchmark::State &state) {
    const int n = int(state.range(0));
    const tama::DiaryFile diary(diaries().folder(), diaryName(n), tama::RecordFile::Mode::ReadOnly);
    for (auto _ : state) {
        const int count = diary.count();
        benchmark::DoNotOptimize(count);
    }
    state.SetComplexityN(n);
}

void readCard(benchmark::State &state, int (*which)(int count)) {
    const int n = int(state.range(0));
    const tama::DiaryFile diary(diaries().folder(), diaryName(n), tama::RecordFile::Mode::ReadOnly);
    const int number = which(n);
    for (auto _ : state) {
        auto card = diary.read(number);
        benchmark::DoNotOptimize(card);
        requireCard(state, card);
    }
    state.SetComplexityN(n);
}

void BM_ReadLastCard(benchmark::State &state) {
    readCard(state, [](int count) { return count; });
}

void BM_ReadMiddleCard(benchmark::State &state) {
    readCard(state, [](int count) { return count / 2 + 1; });
}

// The contrast: every card decoded, which does grow with the diary.
void BM_ReadAllCards(benchmark::State &state) {
    const int n = int(state.range(0));
    const tama::DiaryFile diary(diaries().folder(), diaryName(n), tama::RecordFile::Mode::ReadOnly);
    for (auto _ : state) {
        auto cards = diary.readAll();
        benchmark::DoNotOptimize(cards);
    }
    state.SetComplexityN(n);
}

void sizes(benchmark::internal::Benchmark *b) {
    for (int n : kSizes)
        b->Arg(n);
    b->Complexity();
}

BENCHMARK(BM_OpenAndCount)->Apply(sizes);
BENCHMARK(BM_Count)->Apply(sizes);
BENCHMARK(BM_ReadLastCard)->Apply(sizes);
BENCHMARK(BM_ReadMiddleCard)->Apply(sizes);
BENCHMARK(BM_ReadAllCards)->Apply(sizes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
