// Reading a CSV import: 30,000 rows in pRecord's 13 columns (about 4 MB of UTF-8, 3.5 MB
// of code page 932), every seventh with a quoted memo over two lines. Decoding and
// splitting only; the file is in memory.
#include "common/csv.h"
#include "common/csvreader.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

QString precordText() {
    QString text =
        u"日付,店舗コード,店舗,メーカー,機種コード,機種,台番号,投資額,回収額,収支,メモ,稼働時間,時給\r\n"_s;
    for (int i = 0; i < 30000; ++i) {
        const QString memo = i % 7 == 0 ? u"朝から並んで\"確変\"が3回、\n夕方にやめた"_s : u"普通の日"_s;
        text += tama::csvRow({u"2015/03/%1"_s.arg(i % 28 + 1, 2, 10, QChar(u'0')), u"12"_s,
                              u"ニューパチンコ駅前店"_s, u"サンヨー"_s, u"345"_s,
                              u"CRスーパー海物語IN沖縄4"_s, QString::number(100 + i % 900), u"25000"_s,
                              u"38000"_s, u"13000"_s, memo, u"6.5"_s, u"2000"_s});
    }
    return text;
}

void readRows(benchmark::State &state, tama::CsvEncoding encoding) {
    const QByteArray bytes = tama::csvBytes(precordText(), encoding);
    for (auto _ : state) {
        const tama::CsvTable table = tama::readCsv(bytes);
        if (table.problem || table.rows.size() != 30001) std::abort();
        benchmark::DoNotOptimize(table);
    }
    state.counters["bytes"] = double(bytes.size());
}

void BM_ReadUtf8(benchmark::State &state) {
    readRows(state, tama::CsvEncoding::Utf8);
}
BENCHMARK(BM_ReadUtf8)->Unit(benchmark::kMillisecond);

void BM_ReadCp932(benchmark::State &state) {
    readRows(state, tama::CsvEncoding::Cp932);
}
BENCHMARK(BM_ReadCp932)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
