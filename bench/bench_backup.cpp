// Snapshots of a data folder holding the largest diary (32766 cards, 7.5 MB) and a
// smaller one: the first snapshot copies every file, the next ones link what did not
// change; and the daily check that every write makes once the day's snapshot exists.
// Then a folder of 31 full diaries: the day's first card write, which takes the day's
// snapshot with one diary changed, and a snapshot with nothing changed.
#include "common/clock.h"
#include "store/backup.h"
#include "store/diary.h"
#include "support/cardbuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

QByteArray diaryOf(int cards) {
    QList<test::CardValues> list;
    list.reserve(cards);
    for (int i = 0; i < cards; ++i) {
        test::CardValues c = test::CardValues::blank();
        c.date = u"2024%1%2"_s.arg(1 + i % 12, 2, 10, QChar(u'0')).arg(1 + i % 28, 2, 10, QChar(u'0'));
        c.store = u"ＡＢＣ"_s;
        c.investment = u"0045"_s;
        c.cashOut = u"0120"_s;
        list.append(c);
    }
    return test::diaryBytes(list);
}

void put(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
}

struct Folder {
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    Folder() {
        if (!dir.isValid()) std::abort();
        put(folder.file(u"taro.2024.dat"_s), diaryOf(DiaryFile::kMaxCards));
        put(folder.file(u"taro.2025.dat"_s), diaryOf(300));
        put(folder.file(u"namae.dat"_s), QByteArray("\x81\x40taro              "));
    }
};

// Every file new: what the first snapshot of a folder costs.
void BM_FirstSnapshot(benchmark::State &state) {
    Folder f;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(f.folder.file(backup::Backups::folderName())).removeRecursively();
        state.ResumeTiming();
        backup::Backups(f.folder).take(backup::Reason::Manual);
    }
}
BENCHMARK(BM_FirstSnapshot)->Unit(benchmark::kMillisecond)->Iterations(10);

// The small diary changed since the last one: the large one is linked, not copied.
void BM_NextSnapshot(benchmark::State &state) {
    Folder f;
    backup::Settings keepAll;
    keepAll.keepOperations = 1000;
    backup::Backups backups(f.folder, keepAll);
    backups.take(backup::Reason::Manual);
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        put(f.folder.file(u"taro.2025.dat"_s), diaryOf(300 + ++n % 5));
        state.ResumeTiming();
        backups.take(backup::Reason::Manual);
    }
}
BENCHMARK(BM_NextSnapshot)->Unit(benchmark::kMillisecond)->Iterations(20);

// A card written in place once the day has its snapshot: the hook only compares dates.
void BM_CardWriteWithAutomaticSnapshots(benchmark::State &state) {
    Folder f;
    backup::setAutomatic(f.folder, backup::Settings());
    backup::DailySnapshot daily;
    const writehook::Registration beforeWrite(daily);
    DiaryFile diary(f.folder, u"taro.2024.dat"_s);
    const CardRecord card = *diary.read(1);
    diary.write(1, card); // the day's snapshot
    for (auto _ : state)
        diary.write(DiaryFile::kMaxCards, card);
    backup::clearAutomatic();
}
BENCHMARK(BM_CardWriteWithAutomaticSnapshots)->Unit(benchmark::kMillisecond);

// 31 users' diaries of 32766 cards each (235 MB), a snapshot of yesterday, and the files
// left alone long enough for what that snapshot recorded of them to be trusted.
struct FullFolder {
    QTemporaryDir dir;
    DataFolder folder{dir.path()};
    FixedClock clock{QDateTime(QDate(2026, 12, 1), QTime(20, 0))};
    FullFolder() {
        if (!dir.isValid()) std::abort();
        setClock(&clock);
        const QByteArray full = diaryOf(DiaryFile::kMaxCards);
        QByteArray users;
        for (int i = 0; i < 31; ++i) {
            const QByteArray name = "user" + QByteArray::number(i);
            users += "\x81\x40" + name.leftJustified(18, ' ');
            put(folder.file(QString::fromLatin1(name) + u".2026.dat"_s), full);
        }
        put(folder.file(u"namae.dat"_s), users);
        backup::Backups(folder).take(backup::Reason::Daily);
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        backup::Backups(folder).take(backup::Reason::Manual);
    }
    ~FullFolder() { setClock(nullptr); }
};

// The first card written on each new day, one diary changed the day before: the write
// takes the day's snapshot first.
void BM_FirstWriteOfTheDay(benchmark::State &state) {
    FullFolder f;
    backup::setAutomatic(f.folder, backup::Settings());
    backup::DailySnapshot daily;
    const writehook::Registration beforeWrite(daily);
    const QString changed = u"user7.2026.dat"_s;
    const CardRecord card = *DiaryFile(f.folder, changed).read(1);
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            // Yesterday's last write, after yesterday's snapshot.
            DiaryFile(f.folder, changed).write(1 + ++n, card);
            f.clock.set(f.clock.now().addDays(1));
        }
        state.ResumeTiming();
        DiaryFile(f.folder, changed).write(1, card);
    }
    backup::clearAutomatic();
}
BENCHMARK(BM_FirstWriteOfTheDay)->Unit(benchmark::kMillisecond)->Iterations(10);

// A snapshot by hand with nothing changed since the last one.
void BM_SnapshotNothingChanged(benchmark::State &state) {
    FullFolder f;
    backup::Backups backups(f.folder);
    for (auto _ : state) {
        state.PauseTiming();
        f.clock.set(f.clock.now().addSecs(1));
        state.ResumeTiming();
        backups.take(backup::Reason::Manual);
    }
}
BENCHMARK(BM_SnapshotNothingChanged)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

BENCHMARK_MAIN();
