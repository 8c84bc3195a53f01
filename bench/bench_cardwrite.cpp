// Writing one card in place as the card screen does (register a new card, change a card,
// mark it for deletion) on the largest diary, each write flushed to disk. With the rollback
// journal a write also writes and flushes the old bytes first; the program keeps the
// journal's space (reserved) and a folder without it gets a journal of its own per write.
#include "store/diary.h"
#include "store/journal.h"
#include "support/cardbuilder.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kCards = tama::DiaryFile::kMaxCards - 1; // room for one more

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

const QString kDiary = u"taro.2024.dat"_s;

// A folder with the largest diary; with the program's reserved journal or without one.
class Folder {
  public:
    explicit Folder(bool reserved) {
        QFile f(m_dir.filePath(kDiary));
        const QByteArray card = cardBytes();
        if (!m_dir.isValid() || !f.open(QIODevice::WriteOnly) ||
            f.write(card.repeated(kCards)) != qint64(card.size()) * kCards)
            std::abort();
        f.close();
        if (reserved) tama::journal::reserve(m_dir.path());
    }
    tama::DataFolder folder() const { return tama::DataFolder(m_dir.path()); }
    QString path() const { return m_dir.filePath(kDiary); }

  private:
    QTemporaryDir m_dir;
};

void BM_UpdateCard(benchmark::State &state) {
    const Folder f(state.range(0) != 0);
    tama::DiaryFile diary(f.folder(), kDiary);
    tama::CardRecord card = *diary.read(kCards / 2);
    int cashOut = 0;
    for (auto _ : state) {
        card.setField(tama::CardRecord::CashOut,
                      QStringLiteral("%1").arg(++cashOut % 10000, 4, 10, QChar(u'0')));
        diary.write(kCards / 2, card);
    }
}

void BM_MarkCard(benchmark::State &state) {
    const Folder f(state.range(0) != 0);
    tama::DiaryFile diary(f.folder(), kDiary);
    bool mark = true;
    for (auto _ : state) {
        diary.setCandidate(kCards, mark);
        mark = !mark;
    }
}

// A new card at the end; taken off again outside the timing, so every append is the
// 32766th card.
void BM_AppendCard(benchmark::State &state) {
    const Folder f(state.range(0) != 0);
    tama::DiaryFile diary(f.folder(), kDiary);
    const tama::CardRecord card = *diary.read(1);
    for (auto _ : state) {
        diary.write(kCards + 1, card);
        state.PauseTiming();
        if (::truncate(QFile::encodeName(f.path()).constData(), off_t(kCards) * 240) != 0)
            state.SkipWithError("cannot take the card off again");
        state.ResumeTiming();
    }
}

} // namespace

// Argument: 1 with the program's reserved journal, 0 without.
BENCHMARK(BM_UpdateCard)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkCard)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendCard)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
