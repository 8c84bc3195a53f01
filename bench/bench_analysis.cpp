// The statistics over many diaries and the 分析 window opening on thirty years of a
// user's diaries: constructed, computed and painted once, as the menu opens it.
#include "app/windowregistry.h"
#include "common/clock.h"
#include "reports/diarystats.h"
#include "store/diary.h"
#include "support/cardbuilder.h"
#include "views/analysiswindow.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kFirstYear = 1997;
constexpr int kYears = 30;

// Thirty years of a user's diaries, each of the given number of cards.
struct Folder {
    QTemporaryDir dir;
    std::unique_ptr<tama::DiaryState> state;

    explicit Folder(int cardsPerYear) {
        static const tama::FixedClock endOf2026(QDateTime(QDate(2026, 12, 31), QTime(21, 0)));
        tama::setClock(&endOf2026);
        state = std::make_unique<tama::DiaryState>(dir.path());
        const QStringList halls = {u"パーラー駅前"_s, u"ＡＢＣホール"_s, u"ホール桜町"_s, u"スター会館"_s};
        for (int year = kFirstYear; year < kFirstYear + kYears; ++year) {
            QList<tama::CardRecord> list;
            for (int i = 0; i < cardsPerYear; ++i) {
                const QDate d = QDate(year, 1, 1).addDays(i * 365 / cardsPerYear);
                list.append(tama::test::makeCard({.date = d.toString(u"yyyyMMdd"_s) + u"土"_s,
                                                  .start = QStringLiteral("%1").arg(9 + i % 10, 2) + u"00"_s,
                                                  .end = u"2030"_s,
                                                  .store = halls[i % halls.size()],
                                                  .category = QString::number(1 + i % 5),
                                                  .model = u"機種"_s + QString::number(i % 150),
                                                  .investment = tama::test::digits4(i % 500),
                                                  .cashOut = tama::test::digits4((i * 7) % 900)}));
            }
            tama::test::writeDiary(dir.path(), tama::DiaryFileName(u"taro"_s, year), list);
        }
        state->open(u"taro"_s, 2026);
    }
};

void BM_OpenAnalysisWindow(benchmark::State &st) {
    Folder folder(int(st.range(0)));
    tama::WindowRegistry registry(*folder.state);
    for (auto _ : st) {
        tama::AnalysisWindow *w = registry.get<tama::AnalysisWindow>();
        if (w->years().size() != kYears) qFatal("the diaries were not found");
        // The first page drawn once, as showing the window draws it.
        benchmark::DoNotOptimize(w->grab());
        st.PauseTiming();
        registry.unload<tama::AnalysisWindow>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        st.ResumeTiming();
    }
    st.counters["cards"] = double(st.range(0)) * kYears;
}

void BM_StatsByModel(benchmark::State &st) {
    Folder folder(int(st.range(0)));
    for (auto _ : st) {
        const tama::DiaryStats s = tama::readStats(folder.state->folder, u"taro"_s, kFirstYear,
                                                   kFirstYear + kYears - 1, tama::StatsBy::Model, false);
        benchmark::DoNotOptimize(s.total().visits);
    }
    st.SetItemsProcessed(st.iterations() * st.range(0) * kYears);
}

} // namespace

BENCHMARK(BM_OpenAnalysisWindow)->Arg(300)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StatsByModel)->Arg(300)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
