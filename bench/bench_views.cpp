// The views on a full diary (32766 cards): the year list with its totals, every sort
// key, the yearly report and one month of the graph. The diary is written once into a
// folder of its own, with the store file and the catalogues the filter reads.
#include "fulldiary.h"
#include "reports/monthgraph.h"
#include "reports/yearlist.h"
#include "reports/yearlistfilter.h"
#include "reports/yearlistsorter.h"
#include "reports/yearreport.h"

#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using tama::bench::full;
using tama::bench::kCards;
using tama::bench::kDiary;

// What the list window does on loading: read the diary and the filter's files, list
// and total.
void BM_YearListFromFiles(benchmark::State &state) {
    for (auto _ : state) {
        const QList<tama::CardRecord> cards = full().diary().readAll();
        const tama::YearList list(cards, tama::YearListFilter::initial(full().folder()));
        benchmark::DoNotOptimize(list.totals().rateText);
        if (list.lines().size() != kCards) state.SkipWithError("not every card listed");
    }
}

// The same with the starting filter the window and the command line share: only the
// store and catalogue entries the diary's cards can match are read.
void BM_YearListFromFilesDiaryKeys(benchmark::State &state) {
    for (auto _ : state) {
        const tama::YearListFilter filter = tama::YearListFilter::initialForDiary(full().folder(), kDiary);
        const QList<tama::CardRecord> cards = full().diary().readAll();
        const tama::YearList list(cards, filter);
        benchmark::DoNotOptimize(list.totals().rateText);
        if (list.lines().size() != kCards) state.SkipWithError("not every card listed");
    }
}

// The reading alone, for comparison: decoding every field of every card.
void BM_ReadDiary(benchmark::State &state) {
    for (auto _ : state) {
        const QList<tama::CardRecord> cards = full().diary().readAll();
        benchmark::DoNotOptimize(cards.size());
    }
}

// The list without the file reading.
void BM_YearList(benchmark::State &state) {
    const tama::YearListFilter filter = tama::YearListFilter::initial(full().folder());
    for (auto _ : state) {
        const tama::YearList list(full().cards(), filter);
        benchmark::DoNotOptimize(list.totals().perHourText);
    }
}

// One button press on a list that starts in record order (the keys are prepared too).
void BM_Sort(benchmark::State &state) {
    const auto column = tama::YearListSorter::Column(state.range(0));
    const tama::YearList list(full().cards(), tama::YearListFilter::everything());
    for (auto _ : state) {
        tama::YearListSorter sorter(list);
        sorter.press(column);
        benchmark::DoNotOptimize(sorter.order().first());
    }
    static const char *names[] = {"No", "日付", "店名", "機種名", "投資額", "換金額", "損益額"};
    state.SetLabel(names[state.range(0)]);
}

void BM_Report(benchmark::State &state) {
    for (auto _ : state) {
        const tama::YearReport report(full().cards());
        benchmark::DoNotOptimize(report.columns()[tama::YearReport::Overall].rate.text);
    }
}

// One month (about 2,700 cards), every graph on, lines.
void BM_GraphMonth(benchmark::State &state) {
    tama::GraphSettings all;
    all.investment = all.cashOut = true;
    for (auto _ : state) {
        const tama::MonthGraph g(full().cards(), 1999, 7, all, true);
        benchmark::DoNotOptimize(g.shapes().size());
        if (g.cards().isEmpty()) state.SkipWithError("no card in the month");
    }
}

BENCHMARK(BM_YearListFromFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearListFromFilesDiaryKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDiary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Report)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphMonth)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
