// ShowCard across diaries of different sizes: the cost per card must not depend on
// how many cards the diary holds. And switching the year between two full diaries.
#include "app/windowregistry.h"
#include "cardscreen/patincomain.h"
#include "common/clock.h"
#include "store/diary.h"
#include "store/playdata.h"
#include "support/cardbuilder.h"

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Screen {
    QTemporaryDir dir;
    std::unique_ptr<tama::DiaryState> state;
    std::unique_ptr<tama::WindowRegistry> registry;
    tama::PatincoMain *window = nullptr;
    QScrollBar *cards = nullptr;

    static QList<tama::CardRecord> diary(int count, int year) {
        QList<tama::CardRecord> list;
        list.reserve(count);
        for (int i = 0; i < count; ++i) {
            const QDate d = QDate(year, 1, 1).addDays(i % 365);
            list.append(tama::test::makeCard({.date = d.toString(u"yyyyMMdd"_s) + u"土"_s,
                                              .end = u"1830"_s,
                                              .store = i % 2 ? u"ＡＢＣホール"_s : u"パーラー駅前"_s,
                                              .category = QString::number(1 + i % 5),
                                              .model = u"羽根モデル"_s,
                                              .investment = tama::test::digits4(i % 10000),
                                              .cashOut = tama::test::digits4((i * 7) % 10000),
                                              .impression = u"よかった"_s}));
        }
        return list;
    }

    // every: one card in so many has play data (0: none). previousYear: the diary of 1998
    // is as full as 1999's.
    explicit Screen(int count, int every = 0, bool previousYear = false) {
        // The window opens today's year; make that the diary's.
        static const tama::FixedClock endOf1999(QDateTime(QDate(1999, 12, 31), QTime(21, 0)));
        tama::setClock(&endOf1999);
        state = std::make_unique<tama::DiaryState>(dir.path());
        state->open(u"taro"_s, 1999);
        tama::test::writeDiary(dir.path(), state->diaryFile(), diary(count, 1999));
        if (previousYear) tama::test::writeDiary(dir.path(), u"taro.1998.dat"_s, diary(count, 1998));
        if (every > 0) {
            // With the halls' terms and the model's 機種スペック, so that each card's figures are worked out.
            tama::PlayDatabase db(state->folder);
            for (const QString &hall : {u"ＡＢＣホール"_s, u"パーラー駅前"_s})
                db.setHallTerms({hall, QDate(1999, 1, 1), 4, 28, std::nullopt, {}});
            for (int c = 1; c <= 5; ++c)
                db.setModelSpec({c, u"羽根モデル"_s, 319.6, 5400.0, std::nullopt, {}});
            const tama::DiaryKeys keys = tama::DiaryKeys::ofDiary(state->folder, state->diaryFile());
            tama::PlayInputs play;
            play.spins = 410;
            play.ownBalls = 500;
            tama::PlayChange rows(state->diaryFile());
            for (int n = 1; n <= count; n += every)
                rows.set(keys.key(n), play, n);
            db.commit(db.prepare(rows, tama::DiaryExpectation{}));
        }
        registry = std::make_unique<tama::WindowRegistry>(*state);
        window = registry->get<tama::PatincoMain>();
        window->Form_Load();
        cards = window->findChild<QScrollBar *>(u"HScroll1"_s);
        if (cards->maximum() != count + 1) qFatal("the diary did not load: %d cards", cards->maximum() - 1);
    }
};

// range(1): one card in so many has play data, 0 for none.
void BM_ShowCard(benchmark::State &st) {
    const int count = int(st.range(0));
    Screen screen(count, int(st.range(1)));
    // Walk the scroller from one end to the other and round again.
    int n = 1;
    for (auto _ : st) {
        screen.cards->setValue(n);
        n = n % count + 1;
    }
    st.counters["cards"] = count;
    st.SetItemsProcessed(st.iterations());
}

// Ctrl+PageUp and Ctrl+PageDown in turn, between two diaries of count cards each: the
// window reads the other diary and shows its new card.
void BM_SwitchYear(benchmark::State &st) {
    const int count = int(st.range(0));
    Screen screen(count, 0, true);
    QAction *keys[] = {screen.window->findChild<QAction *>(u"previousYear"_s),
                       screen.window->findChild<QAction *>(u"nextYear"_s)};
    if (!keys[0] || !keys[1]) qFatal("no year keys");
    int i = 0;
    for (auto _ : st) {
        keys[i]->trigger();
        i = 1 - i;
    }
    if (screen.state->year() != (st.iterations() % 2 ? 1998 : 1999) || screen.cards->maximum() != count + 1)
        qFatal("the other diary did not load");
    st.counters["cards"] = count;
    st.SetItemsProcessed(st.iterations());
}

} // namespace

BENCHMARK(BM_SwitchYear)->Arg(1000)->Arg(32766)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK(BM_ShowCard)
    ->Args({1000, 0})
    ->Args({32766, 0})
    ->Args({1000, 10})
    ->Args({32766, 10})
    ->Args({32766, 1})
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2.0);

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
