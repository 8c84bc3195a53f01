// The view windows on the largest diary (32766 cards), as the user meets them: opening
// the year list, and one step of the monthly graph's month scroller.
#include "app/windowregistry.h"
#include "card/diarystate.h"
#include "common/clock.h"
#include "fulldiary.h"
#include "views/allselect.h"
#include "views/listview.h"
#include "views/tukigrafh.h"

#include <QApplication>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

using tama::bench::full;
using tama::bench::kCards;

// The windows on the full diary, at the end of its year.
struct Windows {
    tama::FixedClock endOf1999{QDateTime(QDate(1999, 12, 31), QTime(21, 0))};
    tama::DiaryState state{full().folder().path()};
    tama::WindowRegistry registry{state};

    Windows() {
        tama::setClock(&endOf1999);
        state.open(u"bench"_s, 1999);
    }
    ~Windows() { tama::setClock(nullptr); }
};

// From the button to the filled list and totals on screen, the wait window included.
void BM_OpenYearList(benchmark::State &st) {
    Windows w;
    for (auto _ : st) {
        w.registry.unload<tama::listview>();
        w.registry.show<tama::listview>();
        QCoreApplication::processEvents();
        const auto *lines = w.registry.find<tama::listview>()->findChild<QListView *>(u"List1"_s);
        if (lines->model()->rowCount() != kCards) st.SkipWithError("not every card listed");
    }
}

// As the user opens it: the filter window stands open (read once, as it is shown), and
// its OK opens the year list with the wait window.
void BM_OpenYearListFromFilter(benchmark::State &st) {
    Windows w;
    tama::allSelect *filter = w.registry.show<tama::allSelect>();
    auto *ok = filter->findChild<QPushButton *>(u"Command1"_s);
    for (auto _ : st) {
        ok->click();
        QCoreApplication::processEvents();
        const auto *lines = w.registry.find<tama::listview>()->findChild<QListView *>(u"List1"_s);
        if (lines->model()->rowCount() != kCards) st.SkipWithError("not every card listed");
    }
}

// Back and forth between June and July, about 2,700 cards a month, as the user drags:
// the month worked out and painted.
void BM_GraphScrollStep(benchmark::State &st) {
    Windows w;
    w.registry.show<tama::tukiGrafh>();
    auto *months = w.registry.find<tama::tukiGrafh>()->findChild<QScrollBar *>(u"HScroll1"_s);
    if (!months || months->maximum() != 12) {
        st.SkipWithError("the graph did not open on the diary's year");
        return;
    }
    int n = 0;
    for (auto _ : st) {
        months->setValue(6 + (n++ & 1));
        QCoreApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_OpenYearList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenYearListFromFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphScrollStep)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
