// Planning an import: 30,000 rows in pRecord's layout (40 halls, 300 models, a memo on
// every third row, ten years of visits) against an empty data folder, and the batch made
// of the plan. The table is read once, before; nothing is written.
#include "common/csv.h"
#include "common/csvreader.h"
#include "import/importplan.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

tama::CsvTable precordTable() {
    QString text = tama::csvRow(tama::precordHeader());
    for (int i = 0; i < 30000; ++i) {
        const QDate day = QDate(2010, 1, 1).addDays(i / 8);
        text += tama::csvRow({day.toString(u"yyyy/MM/dd"_s), u"1"_s, u"ホール"_s + QString::number(i % 40),
                              u"メーカー"_s, u"2"_s, u"CR機種"_s + QString::number(i % 300),
                              QString::number(i % 500), QString::number(i % 50 * 1000),
                              QString::number(i % 70 * 1000), u"0"_s,
                              i % 3 ? QString() : u"朝から並んで、\n夕方にやめた"_s, u"5.25"_s, u"100"_s});
    }
    return tama::readCsv(tama::csvBytes(text, tama::CsvEncoding::Utf8));
}

tama::ImportOptions options() {
    tama::ImportOptions o;
    o.today = QDate(2026, 12, 9);
    o.category = 2;
    return o;
}

void BM_Plan30000(benchmark::State &state) {
    const tama::CsvTable table = precordTable();
    QTemporaryDir folder;
    for (auto _ : state) {
        const tama::ImportPlan plan =
            planImport(tama::DataFolder(folder.path()), u"taro"_s, table, options());
        if (plan.count(tama::ImportVerdict::New) != 30000) std::abort();
        benchmark::DoNotOptimize(plan);
    }
}
BENCHMARK(BM_Plan30000)->Unit(benchmark::kMillisecond);

void BM_Batch30000(benchmark::State &state) {
    const tama::CsvTable table = precordTable();
    QTemporaryDir folder;
    const tama::ImportPlan plan = planImport(tama::DataFolder(folder.path()), u"taro"_s, table, options());
    for (auto _ : state) {
        const tama::ImportBatch batch = importBatch(plan, u"in.csv"_s);
        if (batch.diaries.size() != 11) std::abort();
        benchmark::DoNotOptimize(batch);
    }
}
BENCHMARK(BM_Batch30000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
