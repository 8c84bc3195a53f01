// Writing an import of 30,000 cards: three years of a user's diaries, each card with a
// machine number (as pRecord's 台番号 gives it), 50 new halls and 50 new models, into an
// empty data folder; the snapshot before, the note, the diaries with their play rows.
#include "store/diary.h"
#include "store/importwriter.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

tama::ImportBatch batch() {
    tama::ImportBatch b;
    b.source = u"imp.csv"_s;
    for (int year = 2022; year <= 2024; ++year) {
        tama::ImportBatch::Diary d;
        d.fileName = tama::DiaryFileName(u"taro"_s, year);
        for (int i = 0; i < 10000; ++i) {
            QByteArray r = QDate(year, 1, 1).addDays(i % 365).toString(u"yyyyMMdd"_s).toLatin1();
            r += QByteArray::fromHex("9379") + "10002300" + QByteArray::fromHex("82609358") +
                 QByteArray(16, ' ') + "3" + QByteArray::fromHex("826282718a43") + QByteArray(24, ' ') +
                 "00450120111";
            d.records.append(r + QByteArray::number(i).leftJustified(160, ' '));
            tama::PlayInputs p;
            p.machine = QString::number(100 + i % 900);
            d.play.append(p);
        }
        b.diaries.append(d);
    }
    for (int i = 0; i < 50; ++i) {
        b.stores.append(u"ホール"_s + QString::number(i));
        b.models.append({1 + i % 5, u"機種"_s + QString::number(i)});
    }
    return b;
}

void BM_ApplyImport(benchmark::State &state) {
    const tama::ImportBatch b = batch();
    QTemporaryDir root;
    if (!root.isValid()) std::abort();
    int cards = 0, n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString folder = root.filePath(QString::number(++n));
        if (!QDir().mkpath(folder)) std::abort();
        state.ResumeTiming();
        cards = tama::applyImport(tama::DataFolder(folder), b).cards;
    }
    state.counters["cards"] = cards;
}
BENCHMARK(BM_ApplyImport)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
