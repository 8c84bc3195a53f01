// The import window's preview of a pRecord file of 30,000 visits over eight years, as the
// player meets it: from 読み込む to the table filled on screen (the file read, every row
// planned against the user's diaries, the preview drawn).
#include "app/windowregistry.h"
#include "card/diarystate.h"
#include "common/clock.h"
#include "master/importwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kRows = 30000;

// Halls, models, amounts in hundreds, hours and machine numbers on most rows, a memo on a
// third (some quoted with a comma): the shape of bench/make_precord_csv.py.
QByteArray precordFile() {
    QByteArray out =
        "\xEF\xBB\xBF" + u"日付,店舗コード,店舗,メーカー,機種コード,機種,台番号,投資額,回収額,収支,メモ,"
                         u"稼働時間,時給\r\n"_s.toUtf8();
    const QDate first(2018, 1, 1), last(2025, 12, 31);
    const qint64 span = first.daysTo(last) + 1;
    quint32 seed = 20261209;
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % quint32(n));
    };
    for (int i = 0; i < kRows; ++i) {
        const QDate d = first.addDays(i * span / kRows);
        const int invest = next(800) * 100, cash = next(100) < 45 ? next(1200) * 100 : 0;
        const QString memo = i % 9 == 0   ? u"\"朝から並んだ、よく回った\""_s
                             : i % 3 == 0 ? u"よかった"_s
                                          : QString();
        const QString machine = i % 4 ? QString::number(100 + next(400)) : QString();
        out += u"%1,,ホール%2号店,,,機種%3,%4,%5,%6,%7,%8,%9,\r\n"_s.arg(d.toString(u"yyyy/MM/dd"_s))
                   .arg(next(40))
                   .arg(next(150))
                   .arg(machine)
                   .arg(invest)
                   .arg(cash)
                   .arg(cash - invest)
                   .arg(memo)
                   .arg(double(next(22) + 2) / 2)
                   .toUtf8();
    }
    return out;
}

void BM_PreviewOf30000Rows(benchmark::State &st) {
    QTemporaryDir dir;
    QFile file(dir.filePath(u"precord.csv"_s));
    if (!file.open(QIODevice::WriteOnly) || file.write(precordFile()) < 0) {
        st.SkipWithError("cannot write the file");
        return;
    }
    file.close();
    tama::FixedClock today{QDateTime(QDate(2026, 12, 9), QTime(10, 0))};
    tama::setClock(&today);
    {
        tama::DiaryState state{dir.path()};
        state.open(u"taro"_s, 2026);
        tama::WindowRegistry registry{state};
        for (auto _ : st) {
            // A window opened afresh, as the player opens it: its making and the last
            // preview's going are not timed.
            st.PauseTiming();
            registry.unload<tama::ImportWindow>();
            auto *w = registry.show<tama::ImportWindow>();
            w->findChild<QLineEdit *>(u"FileBox"_s)->setText(file.fileName());
            w->findChild<QComboBox *>(u"CategoryBox"_s)->setCurrentIndex(1);
            auto *read = w->findChild<QPushButton *>(u"ReadButton"_s);
            const auto *preview = w->findChild<QTableView *>(u"Preview"_s);
            QCoreApplication::processEvents();
            st.ResumeTiming();
            read->click();
            QCoreApplication::processEvents();
            if (preview->model()->rowCount() != kRows) st.SkipWithError("not every row previewed");
        }
    }
    tama::setClock(nullptr);
}

} // namespace

BENCHMARK(BM_PreviewOf30000Rows)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
