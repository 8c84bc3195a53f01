// Statistics over several diaries and the calendar of a month on the command line: the
// same computations and picture as the analysis window.
#include "common/csv.h"
#include "context.h"
#include "jsonwriter.h"
#include "playcolumn.h"
#include "textwriter.h"

#include "painters/analysispainter.h"
#include "reports/diarystats.h"
#include "reports/monthcalendar.h"
#include "reports/statstable.h"
#include "reports/yearlisttotals.h"
#include "store/diary.h"
#include "store/playdata.h"

#include <QFileInfo>
#include <QGuiApplication>

using namespace Qt::Literals::StringLiterals;

namespace tama::cli {

namespace {

// The full check, with its report, only of the diaries whose reading found something wrong.
bool reportedSound(const Context &c, const QStringList &doubtful) {
    bool sound = true;
    for (const QString &name : doubtful)
        sound = c.reportDamage(name) && sound;
    return sound;
}

// chodama: 貯玉 counts in the totals, and its yen is given last.
void writeGroup(JsonWriter &json, const StatsGroup &g, bool total, bool chodama) {
    json.beginObject();
    json.key(u"key");
    if (total)
        json.null();
    else
        json.value(g.key);
    json.key(u"visits").value(g.visits);
    json.key(u"minutes").value(g.minutes);
    json.key(u"investment").value(g.investment);
    json.key(u"cash_out").value(g.cashOut);
    json.key(u"profit").value(g.profit());
    json.key(u"recovery_rate");
    if (const auto r = g.recoveryRateTenths())
        json.tenths(*r);
    else
        json.null();
    json.key(u"profit_per_hour");
    if (const auto h = g.profitPerHour())
        json.value(*h);
    else
        json.null();
    json.key(u"wins").value(g.wins);
    json.key(u"win_rate").tenths(g.winRateTenths());
    json.key(u"best");
    if (const auto b = g.bestProfit())
        json.value(*b);
    else
        json.null();
    json.key(u"worst");
    if (const auto w = g.worstProfit())
        json.value(*w);
    else
        json.null();
    auto optional = [&](QStringView key, const std::optional<qint64> &v) {
        json.key(key);
        if (v)
            json.value(*v);
        else
            json.null();
    };
    optional(u"play_cards", g.playCardCount());
    optional(u"spins", g.spinCount());
    json.key(u"spin_rate");
    if (const auto r = g.spinRateHundredths())
        json.hundredths(*r);
    else
        json.null();
    optional(u"expected_value", g.expectedValue());
    optional(u"luck", g.luck());
    optional(u"sd_per_hour", g.sdPerHour());
    json.key(u"hourly_ci95");
    if (const auto r = g.hourlyCi95())
        json.beginArray().value(r->low).value(r->high).endArray();
    else
        json.null();
    json.key(u"max_drawdown").value(g.dayRuns.maxDrawdown);
    json.key(u"current_drawdown").value(g.dayRuns.currentDrawdown);
    json.key(u"longest_win_streak").value(g.dayRuns.longestWinStreak);
    json.key(u"longest_loss_streak").value(g.dayRuns.longestLossStreak);
    json.key(u"current_streak").value(g.dayRuns.currentStreak);
    if (chodama) json.key(u"chodama_yen").value(g.chodamaYen);
    json.endObject();
}

} // namespace

int statsCommand(const Context &c) {
    const QString user = c.userName();
    int from = 0, to = 0;
    if (c.values.contains(u"year"_s)) {
        if (c.values.contains(u"from"_s) || c.values.contains(u"to"_s))
            throw UsageError{u"--year と --from/--to は同時に使えません"_s};
        from = to = c.yearOption(u"year"_s);
    } else if (c.values.contains(u"from"_s) || c.values.contains(u"to"_s)) {
        from = c.yearOption(u"from"_s);
        to = c.yearOption(u"to"_s);
        if (from > to) throw UsageError{u"--from は --to より後の年にできません"_s};
    } else {
        throw UsageError{u"stats には --year か --from と --to が必要です"_s};
    }
    const QString byName = c.required(u"by"_s);
    const std::optional<StatsBy> by = statsByFromName(byName);
    if (!by) throw UsageError{u"--by は "_s + statsByNames().join(u", "_s) + u" のどれかです: "_s + byName};
    const bool csv = c.has(u"csv"_s);
    if (csv && c.has(u"json"_s)) throw UsageError{u"--json と --csv は同時に使えません"_s};
    const bool includeMarked = c.has(u"include-marked"_s);

    // A folder without the database has no play data and says nothing; one that cannot be
    // read is named, and the statistics of the old files still come out.
    const QString consequence = u"（稼働データの集計は null にします）"_s;
    const std::unique_ptr<PlayDatabase> db = openForReading(c, consequence);
    QStringList doubtful;
    const DiaryStats stats = readStats(c.folder, user, from, to, *by, includeMarked, &doubtful, db.get());
    if (db) readFailed(c, *db, consequence);

    if (c.has(u"json"_s)) {
        JsonWriter json(c.out);
        json.beginObject();
        json.key(u"user").value(user);
        json.key(u"from").value(from);
        json.key(u"to").value(to);
        json.key(u"by").value(statsByName(*by));
        json.key(u"include_marked").value(includeMarked);
        json.key(u"groups").beginArray();
        for (const StatsGroup &g : stats.groups())
            writeGroup(json, g, false, stats.countsChodama());
        json.endArray();
        json.key(u"total");
        writeGroup(json, stats.total(), true, stats.countsChodama());
        json.endObject();
        if (!json.flush()) return c.outputFailed();
    } else if (csv) {
        CsvWriter out(c.out, CsvEncoding::Utf8);
        out.row(statsColumnHeads());
        for (const StatsGroup &g : stats.groups())
            out.row(statsFields(g, g.key));
        out.row(statsFields(stats.total(), u"合計"_s));
        if (!out.flush()) return c.outputFailed();
    } else {
        // Tab-separated, a missing value as "-"; heads, keys and play time in the window's words.
        TextWriter out(c.out);
        QStringList heads;
        for (int column = 0; column < int(StatsColumn::Count); ++column)
            heads.append(statsViewHead(StatsColumn(column), *by));
        out.line(heads.join(u'\t'));
        auto line = [&](const StatsGroup &g, const QString &key) {
            QStringList f = statsFields(g, key);
            f[int(StatsColumn::Minutes)] = playTimeText(g.minutes);
            for (QString &s : f)
                if (s.isEmpty()) s = u"-"_s;
            out.line(f.join(u'\t'));
        };
        for (const StatsGroup &g : stats.groups())
            line(g, statsKeyText(*by, g.key));
        line(stats.total(), u"合計"_s);
        if (stats.countsChodama()) {
            YearListTotals note;
            note.setChodama(stats.total().chodamaYen);
            out.line(note.chodamaText);
        }
        if (!out.flush()) return c.outputFailed();
    }
    return reportedSound(c, doubtful) ? 0 : 1;
}

int calendarCommand(const Context &c) {
    const QString user = c.userName();
    const int year = c.yearOption(u"year"_s);
    const QString monthText = c.required(u"month"_s);
    bool ok = false;
    const int month = monthText.toInt(&ok);
    if (!ok || month < 1 || month > 12 || monthText.size() > 2)
        throw UsageError{u"--month は 1 から 12 です: "_s + monthText};
    const bool png = c.values.contains(u"png"_s);
    if (png && c.value(u"png"_s).isEmpty()) throw UsageError{u"--png にファイル名を指定してください"_s};
    if (png && c.has(u"json"_s)) throw UsageError{u"--json と --png は同時に使えません"_s};
    const bool includeMarked = c.has(u"include-marked"_s);

    const MonthCalendar calendar = MonthCalendar::read(c.folder, user, year, month, includeMarked);
    const CalendarDay total = calendar.total();

    if (png) {
        if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
            c.errorLine(u"--png は描画のできる環境で使ってください"_s);
            return 1;
        }
        // The fixed-pitch face the analysis window draws the calendar in.
        QFont font;
        font.setFamilies({u"ＭＳ ゴシック"_s, u"MS Gothic"_s, u"IPAGothic"_s, u"Noto Sans Mono CJK JP"_s});
        font.setStyleHint(QFont::TypeWriter);
        font.setPixelSize(14);
        const QImage image = CalendarPainter::render(calendar, QSize(800, 600), font);
        if (!image.save(c.value(u"png"_s), "PNG")) {
            c.errorLine(u"画像を書き込めません: "_s + c.value(u"png"_s));
            return 1;
        }
    } else if (c.has(u"json"_s)) {
        JsonWriter json(c.out);
        auto amounts = [&](const CalendarDay &d) {
            json.key(u"visits").value(d.visits);
            json.key(u"investment").value(d.investment);
            json.key(u"cash_out").value(d.cashOut);
            json.key(u"profit").value(d.profit());
        };
        json.beginObject();
        json.key(u"user").value(user);
        json.key(u"year").value(year);
        json.key(u"month").value(month);
        json.key(u"include_marked").value(includeMarked);
        json.key(u"days").beginArray();
        for (const CalendarDay &d : calendar.days()) {
            json.beginObject().key(u"day").value(d.day).key(u"weekday").value(d.weekday);
            amounts(d);
            json.endObject();
        }
        json.endArray();
        json.key(u"total").beginObject().key(u"day").null().key(u"weekday").null();
        amounts(total);
        json.endObject().endObject();
        if (!json.flush()) return c.outputFailed();
    } else {
        TextWriter out(c.out);
        out.line(QString::number(year) + u"年"_s + QString::number(month) + u"月"_s);
        out.line(u"日\t曜\t来店\t投資額\t換金額\t収支"_s);
        auto fields = [](const CalendarDay &d) {
            return QString::number(d.visits) + u'\t' + QString::number(d.investment) + u'\t' +
                   QString::number(d.cashOut) + u'\t' + QString::number(d.profit());
        };
        for (const CalendarDay &d : calendar.days())
            out.line(QString::number(d.day) + u'\t' + d.weekday + u'\t' + fields(d));
        out.line(u"合計\t\t"_s + fields(total));
        if (!out.flush()) return c.outputFailed();
    }
    const QString name = DiaryFileName(user, year);
    return !QFileInfo::exists(c.folder.file(name)) || c.reportDamage(name) ? 0 : 1;
}

} // namespace tama::cli
