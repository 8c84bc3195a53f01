// The master data at its largest: a store file of 32766 stores and a catalogue of 32766
// models, as the windows use them (list, look up before adding, delete, move to front).
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/storeerror.h"
#include "store/storefile.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

constexpr int kFull = 32766;

// Record n's name: ＡＡ followed by the number in full-width digits, padded to the width.
QByteArray name(int n, int width) {
    QByteArray b = QByteArray::fromHex("82608260");
    for (char d : QByteArray::number(n)) {
        b += char(0x82);
        b += char(0x4F + (d - '0'));
    }
    return b + QByteArray(width - b.size(), ' ');
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
}

QByteArray storeFile(int count) {
    QByteArray all;
    all.reserve(qsizetype(count) * 80);
    for (int i = 1; i <= count; ++i)
        all += name(i, 80);
    return all;
}

QByteArray catalogue(int count) {
    QByteArray all;
    all.reserve(qsizetype(count) * 160);
    for (int i = 1; i <= count; ++i)
        all += name(i, 160);
    return all;
}

void BM_ListStores(benchmark::State &state) {
    QTemporaryDir dir;
    writeFile(dir.filePath(u"patishop.dat"_s), storeFile(kFull));
    StoreFile stores{DataFolder(dir.path())};
    for (auto _ : state)
        benchmark::DoNotOptimize(stores.list());
}
BENCHMARK(BM_ListStores)->Unit(benchmark::kMillisecond);

// Adding a store that is already there reads the whole file and writes nothing.
void BM_AddExistingStore(benchmark::State &state) {
    QTemporaryDir dir;
    writeFile(dir.filePath(u"patishop.dat"_s), storeFile(kFull));
    StoreFile stores{DataFolder(dir.path())};
    const QString last = stores.list().constLast();
    for (auto _ : state)
        benchmark::DoNotOptimize(stores.add(last));
}
BENCHMARK(BM_AddExistingStore)->Unit(benchmark::kMillisecond);

// Moving the last store to the front rewrites the whole file through the scratch file.
void BM_MoveLastStoreToFront(benchmark::State &state) {
    QTemporaryDir dir;
    const QByteArray bytes = storeFile(kFull);
    const QString path = dir.filePath(u"patishop.dat"_s);
    StoreFile stores{DataFolder(dir.path())};
    const QString last = [&] {
        writeFile(path, bytes);
        return stores.list().constLast();
    }();
    for (auto _ : state) {
        state.PauseTiming();
        writeFile(path, bytes);
        state.ResumeTiming();
        stores.moveToFront(last);
    }
}
BENCHMARK(BM_MoveLastStoreToFront)->Unit(benchmark::kMillisecond);

void BM_DeleteFirstStore(benchmark::State &state) {
    QTemporaryDir dir;
    const QByteArray bytes = storeFile(kFull);
    const QString path = dir.filePath(u"patishop.dat"_s);
    StoreFile stores{DataFolder(dir.path())};
    for (auto _ : state) {
        state.PauseTiming();
        writeFile(path, bytes);
        state.ResumeTiming();
        stores.deleteAt(0);
    }
}
BENCHMARK(BM_DeleteFirstStore)->Unit(benchmark::kMillisecond);

void BM_ListModels(benchmark::State &state) {
    QTemporaryDir dir;
    writeFile(dir.filePath(u"CRpati.dat"_s), catalogue(kFull));
    ModelCatalogue models(DataFolder(dir.path()), *categoryBySection(6));
    for (auto _ : state)
        benchmark::DoNotOptimize(models.list());
}
BENCHMARK(BM_ListModels)->Unit(benchmark::kMillisecond);

// A full catalogue refuses the next model: the whole file is read, nothing is written.
void BM_AddModelToFullCatalogue(benchmark::State &state) {
    QTemporaryDir dir;
    writeFile(dir.filePath(u"CRpati.dat"_s), catalogue(kFull));
    ModelCatalogue models(DataFolder(dir.path()), *categoryBySection(6));
    for (auto _ : state) {
        try {
            models.add(u"新機種"_s);
            state.SkipWithError("a full catalogue took another model");
        } catch (const StoreError &) {
        }
    }
}
BENCHMARK(BM_AddModelToFullCatalogue)->Unit(benchmark::kMillisecond);

void BM_DeleteFirstModel(benchmark::State &state) {
    QTemporaryDir dir;
    const QByteArray bytes = catalogue(kFull);
    const QString path = dir.filePath(u"CRpati.dat"_s);
    ModelCatalogue models(DataFolder(dir.path()), *categoryBySection(6));
    for (auto _ : state) {
        state.PauseTiming();
        writeFile(path, bytes);
        state.ResumeTiming();
        models.deleteAt(0);
    }
}
BENCHMARK(BM_DeleteFirstModel)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
