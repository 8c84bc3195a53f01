// The views on a full diary (32766 cards): the year list with its totals, every sort
// key, the yearly report and one month of the graph. The diary is written once into a
// folder of its own, with the store file and the catalogues the filter reads.
#include "reports/monthgraph.h"
#include "reports/yearlist.h"
#include "reports/yearlistfilter.h"
#include "reports/yearlistsorter.h"
#include "reports/yearreport.h"
#include "store/catalogue.h"
#include "store/diary.h"
#include "store/storefile.h"
#include "support/cardbuilder.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kCards = tama::DiaryFile::kMaxCards;
const QString kDiary = u"bench.1999.dat"_s;

// A full year in date order, about 90 cards a day, with names and amounts that vary.
class FullDiary {
  public:
    FullDiary() {
        if (!m_dir.isValid()) std::abort();
        const tama::DataFolder f = folder();
        tama::StoreFile stores(f);
        QStringList storeNames, modelNames;
        for (int i = 0; i < 40; ++i)
            storeNames.append(*stores.add(u"店舗"_s + QString::number(i)));
        for (int i = 0; i < 150; ++i) {
            const tama::CategoryInfo &c = *tama::categoryByCardCode(QString::number(i % 5 + 1));
            modelNames.append(*tama::ModelCatalogue(f, c).add(u"機種"_s + QString::number(i)));
        }

        QList<tama::CardRecord> cards;
        cards.reserve(kCards);
        quint32 seed = 12345;
        auto next = [&seed](int n) {
            seed = seed * 1103515245u + 12345u;
            return int((seed >> 8) % quint32(n));
        };
        static const QString weekdays[] = {u"日"_s, u"月"_s, u"火"_s, u"水"_s, u"木"_s, u"金"_s, u"土"_s};
        const QDate first(1999, 1, 1);
        for (int i = 0; i < kCards; ++i) {
            const QDate d = first.addDays(i * 365 / kCards);
            const int model = next(150);
            const int start = 9 + next(10);
            // Each field's draws in the order they always were, so the diary stays the same.
            const QString date = d.toString(u"yyyyMMdd"_s) + weekdays[d.dayOfWeek() % 7];
            const QString startTime = QString::number(start * 100 + next(60)).rightJustified(4);
            const QString endTime = QString::number((start + next(5)) * 100 + next(60));
            const QString store = storeNames[next(40)];
            const QString investment = tama::test::digits4(next(500));
            const QString cashOut = tama::test::digits4(next(900));
            const QString dayType = QString::number((next(4) + 1) * 111);
            tama::CardRecord c = tama::test::makeCard({.date = date,
                                                       .start = startTime,
                                                       .end = endTime,
                                                       .store = store,
                                                       .category = QString::number(model % 5 + 1),
                                                       .model = modelNames[model],
                                                       .investment = investment,
                                                       .cashOut = cashOut,
                                                       .dayType = dayType});
            if (next(50) == 0) c.markCandidate();
            cards.append(c);
        }
        tama::test::writeDiary(m_dir.path(), kDiary, cards);
        m_cards = diary().readAll();
        if (m_cards.size() != kCards) std::abort();
    }

    tama::DataFolder folder() const { return tama::DataFolder(m_dir.path()); }
    tama::DiaryFile diary() const {
        return tama::DiaryFile(folder(), kDiary, tama::RecordFile::Mode::ReadOnly);
    }
    const QList<tama::CardRecord> &cards() const { return m_cards; }

  private:
    QTemporaryDir m_dir;
    QList<tama::CardRecord> m_cards;
};

const FullDiary &full() {
    static const FullDiary d;
    return d;
}

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
