// Organising a full diary: 32766 cards in random order, a tenth of them marked for
// deletion. Measured in memory (drop and sort) and as the whole operation on the file
// (one read, one crash-safe rewrite with its flush to disk).
#include "store/diary.h"
#include "store/organise.h"

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kDiary = u"taro.2024.dat"_s;

QList<QByteArray> shuffledCards() {
    QRandomGenerator random(32766);
    QList<QByteArray> cards;
    cards.reserve(tama::DiaryFile::kMaxCards);
    for (int i = 0; i < tama::DiaryFile::kMaxCards; ++i) {
        QByteArray date = QDate(2024, 1, 1).addDays(random.bounded(366)).toString(u"yyyyMMdd"_s).toLatin1();
        if (random.bounded(10) == 0) date[0] = 'R';
        const int minute = 9 * 60 + random.bounded(14 * 60);
        QByteArray start = QByteArray::number(minute / 60 * 100 + minute % 60).rightJustified(4, ' ');
        QByteArray b = date + QByteArray::fromHex("9379") + start + "2300";
        b += QByteArray::fromHex("82609358") + QByteArray(16, ' ') + "3";
        b += QByteArray::fromHex("826282718a43") + QByteArray(24, ' ') + "00450120111";
        b += QByteArray::number(i).leftJustified(160, ' ');
        cards.append(b);
    }
    return cards;
}

const QList<QByteArray> &cards() {
    static const QList<QByteArray> c = shuffledCards();
    return c;
}

void writeDiary(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
}

void BM_PlanAndOrderInMemory(benchmark::State &state) {
    const QList<QByteArray> &c = cards();
    for (auto _ : state) {
        const tama::OrganisePlan plan = tama::planOrganise(c);
        QList<QByteArray> out = tama::organisedRecords(c, plan);
        benchmark::DoNotOptimize(out);
    }
    state.counters["cards"] = double(c.size());
}
BENCHMARK(BM_PlanAndOrderInMemory)->Unit(benchmark::kMillisecond);

void BM_OrganiseDiaryFile(benchmark::State &state) {
    QTemporaryDir dir;
    if (!dir.isValid()) std::abort();
    QByteArray bytes;
    for (const QByteArray &c : cards())
        bytes += c;
    const tama::DataFolder folder(dir.path());
    int kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        writeDiary(dir.filePath(kDiary), bytes);
        state.ResumeTiming();
        kept = tama::organiseDiary(folder, kDiary).after();
    }
    state.counters["kept"] = kept;
}
BENCHMARK(BM_OrganiseDiaryFile)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

BENCHMARK_MAIN();
