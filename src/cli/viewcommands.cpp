// The year list, the yearly report and the monthly graph on the command line: the
// same computations and texts as their windows.
#include "common/csv.h"
#include "context.h"
#include "jsonwriter.h"
#include "textwriter.h"

#include "common/clock.h"
#include "common/text.h"
#include "painters/monthgraphpainter.h"
#include "reports/chodamatotals.h"
#include "reports/monthgraph.h"
#include "reports/viewtext.h"
#include "reports/yearlist.h"
#include "reports/yearlistfilter.h"
#include "reports/yearlistsorter.h"
#include "reports/yearreport.h"
#include "store/diary.h"
#include "store/recordfile.h"
#include "store/storeerror.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace tama::cli {

namespace {

// Goes through the diary a block at a time, calling visit for every card; true when the
// file is plainly sound (whole records, every byte decodes). A missing diary stays
// missing and reads as no cards.
bool readDiary(const Context &c, const QString &fileName,
               const std::function<void(int n, const CardRecord &card)> &visit,
               const std::function<void(int count)> &beforeCards = {}) {
    const DiaryFile diary(c.folder, fileName, RecordFile::Mode::ReadOnly);
    if (beforeCards) beforeCards(diary.count());
    bool sound = diary.partialTail() == 0;
    diary.forEach([&](int n, const CardRecord &card) {
        sound = sound && !card.record().hadUndecodableBytes();
        visit(n, card);
    });
    return sound;
}

// The exit status: the full check of the file, with its report, only when the reading
// found something wrong; it would read the whole file a second time.
// The diary's user part, as the play database knows the user.
QString diaryUser(const Context &c) {
    const QString name = c.userName();
    return diaryUserPart(name).value_or(name);
}

int statusAfter(const Context &c, const QString &fileName, bool plainlySound) {
    return plainlySound || c.reportDamage(fileName) ? 0 : 1;
}

QString colourName(ViewColour colour) {
    switch (colour) {
    case ViewColour::Red:
        return u"red"_s;
    case ViewColour::Blue:
        return u"blue"_s;
    default:
        return u"black"_s;
    }
}

QJsonArray strings(const QStringList &texts) {
    QJsonArray a;
    for (const QString &t : texts)
        a.append(t);
    return a;
}

// Entries selected by name; every named entry must exist, as the window offers no other.
QList<FilterEntry> selectNamed(const QStringList &entries, const QStringList &names, const QString &what,
                               QStringList &unknown) {
    QSet<QString> wanted;
    for (const QString &n : names)
        wanted.insert(trim(n));
    QList<FilterEntry> out;
    QSet<QString> found;
    for (const QString &e : entries) {
        const bool selected = names.isEmpty() || wanted.contains(trim(e));
        if (selected) found.insert(trim(e));
        out.append({e, selected});
    }
    for (const QString &n : names)
        if (!found.contains(trim(n))) unknown.append(what + n);
    return out;
}

std::optional<YearListLine::Column> sortColumn(const QString &key) {
    static const QMap<QString, YearListLine::Column> keys = {
        {u"no"_s, YearListLine::No},
        {u"date"_s, YearListLine::Date},
        {u"store"_s, YearListLine::Store},
        {u"model"_s, YearListLine::Model},
        {u"investment"_s, YearListLine::Investment},
        {u"cashout"_s, YearListLine::CashOut},
        {u"profit"_s, YearListLine::Profit},
    };
    const auto it = keys.find(key);
    if (it == keys.end()) return std::nullopt;
    return *it;
}

QString seriesName(GraphSettings::Series s) {
    switch (s) {
    case GraphSettings::Investment:
        return u"investment"_s;
    case GraphSettings::CashOut:
        return u"cashout"_s;
    case GraphSettings::Profit:
        return u"profit"_s;
    }
    return {};
}

} // namespace

int listCommand(const Context &c) {
    QString year;
    const QString fileName = c.diaryFileName(&year);
    const bool csv = c.has(u"csv"_s);
    if (csv && c.has(u"json"_s)) throw UsageError{u"--json と --csv は同時に使えません"_s};
    const QStringList stores = c.lists.value(u"store"_s);
    const QStringList models = c.lists.value(u"model"_s);
    if (c.has(u"all"_s) && !(stores.isEmpty() && models.isEmpty()))
        throw UsageError{u"--all と --store/--model は同時に使えません"_s};
    QList<YearListLine::Column> presses;
    for (const QString &key : c.lists.value(u"sort"_s)) {
        const auto column = sortColumn(key);
        if (!column)
            throw UsageError{
                u"--sort は no, date, store, model, investment, cashout, profit のどれかです: "_s + key};
        presses.append(*column);
    }

    std::optional<YearListFilter> filter;
    if (c.has(u"all"_s)) {
        filter = YearListFilter::everything();
    } else if (stores.isEmpty() && models.isEmpty()) {
        filter = YearListFilter::initialForDiary(c.folder, fileName);
    } else {
        QStringList unknown;
        QList<FilterEntry> storeEntries =
            selectNamed(YearListFilter::storeEntries(c.folder), stores, u"店 "_s, unknown);
        QList<FilterEntry> modelEntries = selectNamed(
            YearListFilter::modelEntries(c.folder, QList<bool>(5, true)), models, u"機種 "_s, unknown);
        if (!unknown.isEmpty()) {
            c.errorLine(u"選べる一覧にありません: "_s + unknown.join(u", "_s));
            return 1;
        }
        filter.emplace(std::move(storeEntries), std::move(modelEntries));
    }

    std::optional<YearList> building;
    const bool sound = readDiary(
        c, fileName, [&](int n, const CardRecord &card) { building->add(n, card); },
        [&](int count) {
            building.emplace(*filter, count);
            if (chodamaCounted(c.folder, diaryUser(c)))
                building->countChodama(chodamaYenOfDiary(c.folder, diaryUser(c), fileName));
        });
    YearList &list = *building;
    list.finish();
    YearListSorter sorter(list);
    for (YearListLine::Column column : presses)
        sorter.press(column);
    const YearListTotals &t = list.totals();

    if (c.has(u"json"_s)) {
        // Keys in the order QJsonDocument sorts them.
        JsonWriter json(c.out);
        json.beginObject().key(u"caption").value(YearList::caption(year));
        json.key(u"colours").beginObject();
        json.key(u"profit").value(colourName(t.profitColour));
        json.key(u"profit_per_hour").value(colourName(t.perHourColour));
        json.key(u"recovery_rate").value(colourName(t.rateColour));
        json.endObject();
        json.key(u"lines").beginArray();
        for (int i : sorter.order())
            json.value(list.lines()[i].text());
        json.endArray();
        json.key(u"totals").beginObject();
        json.key(u"cash_out").value(t.cashOutText);
        if (t.chodamaYen) json.key(u"chodama_yen").value(*t.chodamaYen);
        json.key(u"investment").value(t.investmentText);
        json.key(u"profit").value(t.profitText);
        json.key(u"profit_per_hour").value(t.perHourText);
        json.key(u"recovery_rate").value(t.rateText);
        json.endObject().endObject();
        if (!json.flush()) return c.outputFailed();
    } else if (csv) {
        CsvWriter out(c.out, CsvEncoding::Utf8);
        out.row({u"No"_s, u"日付"_s, u"店名"_s, u"機種名"_s, u"投資額"_s, u"換金額"_s, u"損益額"_s});
        for (int i : sorter.order()) {
            const YearListLine &l = list.lines()[i];
            out.row({QString::number(l.record), trim(l.column(YearListLine::Date).toString()),
                     trim(l.column(YearListLine::Store).toString()),
                     trim(l.column(YearListLine::Model).toString()), QString::number(l.investmentYen),
                     QString::number(l.cashOutYen), QString::number(l.profitYen)});
        }
        if (!out.flush()) return c.outputFailed();
    } else {
        TextWriter out(c.out);
        for (int i : sorter.order())
            out.line(list.lines()[i].text());
        if (!out.flush()) return c.outputFailed();
        c.line(u"投資額 合計\t"_s + t.investmentText + u" 円"_s);
        c.line(u"換金額 合計\t"_s + t.cashOutText + u" 円"_s);
        c.line(u"損益額 合計\t"_s + t.profitText + u" 円"_s);
        c.line(u"回収率\t"_s + t.rateText + u" ％"_s);
        c.line(u"損益額／h\t"_s + t.perHourText + u" 円"_s);
        if (t.chodamaYen) c.line(t.chodamaText);
    }
    return statusAfter(c, fileName, sound);
}

int reportCommand(const Context &c) {
    QString year;
    const QString fileName = c.diaryFileName(&year);
    YearReport report;
    const QHash<int, qint64> chodama = chodamaYenOfDiary(c.folder, diaryUser(c), fileName);
    const bool sound =
        readDiary(c, fileName, [&](int n, const CardRecord &card) { report.add(card, chodama.value(n)); });
    report.finish();

    if (c.has(u"json"_s)) {
        QJsonArray rate, hourly, hours, rateColours, hourlyColours;
        for (const ReportColumn &col : report.columns()) {
            rate.append(col.rate.text);
            hourly.append(col.hourly.text);
            hours.append(col.hours.text);
            rateColours.append(colourName(col.rate.colour));
            hourlyColours.append(colourName(col.hourly.colour));
        }
        QJsonObject out(
            {{u"caption"_s, YearReport::caption(year)},
             {u"awards"_s, strings(report.awards())},
             {u"recovery_rate"_s, rate},
             {u"hourly"_s, hourly},
             {u"hours"_s, hours},
             {u"colours"_s, QJsonObject{{u"recovery_rate"_s, rateColours}, {u"hourly"_s, hourlyColours}}}});
        if (const auto yen = report.chodamaYen()) out.insert(u"chodama_yen"_s, double(*yen));
        c.json(out);
    } else {
        c.line(YearReport::caption(year));
        const QStringList titles = YearReport::sectionTitles();
        for (int i = 0; i < 5; ++i)
            c.line(titles[i] + u'\t' + report.awards()[i]);
        const QStringList heads = YearReport::columnHeads();
        QStringList head{QString()}, rate{u"回収率"_s}, hourly{u"時間給"_s}, hours{u"所要時間"_s};
        for (int i : YearReport::displayOrder()) {
            const ReportColumn &col = report.columns()[i];
            head.append(heads[i]);
            rate.append(col.rate.text);
            hourly.append(col.hourly.text);
            hours.append(col.hours.text);
        }
        for (const QStringList *row : {&head, &rate, &hourly, &hours})
            c.line(row->join(u'\t'));
    }
    return statusAfter(c, fileName, sound);
}

int graphCommand(const Context &c) {
    QString yearText;
    const QString fileName = c.diaryFileName(&yearText);
    const int diaryYear = yearText.toInt();

    GraphSettings settings;
    if (c.values.contains(u"style"_s)) {
        const QString style = c.value(u"style"_s);
        if (style != u"line"_s && style != u"bar"_s)
            throw UsageError{u"--style は line か bar です: "_s + style};
        settings.bars = style == u"bar"_s;
    }
    if (c.values.contains(u"series"_s)) {
        settings.profit = settings.cashOut = settings.investment = false;
        for (const QString &s : c.value(u"series"_s).split(u',', Qt::SkipEmptyParts)) {
            if (s == u"profit"_s)
                settings.profit = true;
            else if (s == u"cashout"_s)
                settings.cashOut = true;
            else if (s == u"investment"_s)
                settings.investment = true;
            else
                throw UsageError{u"--series は profit, cashout, investment をコンマで区切って指定します: "_s +
                                 s};
        }
    }
    QDate today = tama::clock().today();
    if (c.values.contains(u"today"_s)) {
        today = QDate::fromString(c.value(u"today"_s), Qt::ISODate);
        if (!today.isValid())
            throw UsageError{u"--today は YYYY-MM-DD で指定してください: "_s + c.value(u"today"_s)};
    }
    const bool png = c.values.contains(u"png"_s);
    if (png && c.value(u"png"_s).isEmpty()) throw UsageError{u"--png にファイル名を指定してください"_s};

    // The span needs only the first and the last card, and the graph only the cards of
    // its month: every other card is held as one shared blank (no date, never in a
    // month), so that the largest diary costs a pointer a card.
    QList<CardRecord> ends;
    {
        const DiaryFile diary(c.folder, fileName, RecordFile::Mode::ReadOnly);
        if (diary.count() > 0) ends = {diary.readOrBlank(1), diary.readOrBlank(diary.count())};
    }
    // Without cards there is no card screen to take the month from: today's month stands in.
    const MonthSpan span = ends.isEmpty() ? MonthSpan{diaryYear, today.month(), 1}
                                          : MonthGraph::monthSpan(ends, diaryYear, 0, 0);
    int value = std::clamp(span.span, span.minimum(), span.maximum());
    if (c.values.contains(u"value"_s)) {
        bool ok = false;
        value = c.value(u"value"_s).toInt(&ok);
        if (!ok || value < span.minimum() || value > span.maximum())
            throw UsageError{u"--value は "_s + QString::number(span.minimum()) + u" から "_s +
                             QString::number(span.maximum()) + u" です: "_s + c.value(u"value"_s)};
    }
    const auto [year, month] = MonthGraph::monthAt(span, value);

    const CardRecord blank;
    QList<CardRecord> cards;
    const bool sound = readDiary(
        c, fileName,
        [&](int, const CardRecord &card) {
            using namespace viewtext;
            const CardText text(card);
            const QStringView date = text.field(CardRecord::VisitDate);
            const bool inMonth = valueOf(leftOf(date, 4)) == year && valueOf(midOf(date, 4, 2)) == month;
            cards.append(inMonth ? card : blank);
        },
        [&](int count) { cards.reserve(count); });
    const MonthGraph graph(cards, year, month, settings,
                           MonthGraph::extendsToMonthEnd(month, diaryYear, today));

    if (png) {
        if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
            c.errorLine(u"--png は描画のできる環境で使ってください"_s);
            return 1;
        }
        const QImage image = MonthGraphPainter::render(graph, QSize(800, 600), QGuiApplication::font());
        // Encoded in memory and put in place whole: a full disk leaves no cut picture.
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        const QString target = c.value(u"png"_s);
        if (!image.save(&buffer, "PNG")) {
            c.errorLine(u"画像を書き込めません: "_s + target);
            return 1;
        }
        try {
            replaceFile(target, target + u".tmp"_s, bytes);
        } catch (const StoreError &e) {
            c.errorLine(u"画像を書き込めません: "_s + target + u"（"_s + e.message() + u"）"_s);
            return 1;
        }
    }

    if (c.has(u"json"_s)) {
        QJsonArray strokes, boxes;
        for (const GraphShape &s : graph.shapes()) {
            const QJsonObject o{{u"series"_s, seriesName(s.series)},
                                {u"x1"_s, s.x1},
                                {u"y1"_s, s.y1},
                                {u"x2"_s, s.x2},
                                {u"y2"_s, s.y2}};
            (s.kind == GraphShape::Box ? boxes : strokes).append(o);
        }
        c.json({{u"first_month"_s, QString::number(span.firstYear).rightJustified(4, u'0') +
                                       QString::number(span.firstMonth).rightJustified(2, u'0')},
                {u"span"_s, span.span},
                {u"year"_s, year},
                {u"month"_s, month},
                {u"scale"_s, graph.scale().full},
                {u"labels"_s, QJsonArray{graph.scale().outer, graph.scale().inner}},
                {u"totals"_s, QJsonObject{{u"investment"_s, graph.investmentText()},
                                          {u"cash_out"_s, graph.cashOutText()},
                                          {u"profit"_s, graph.profitText()}}},
                {u"profit_colour"_s, colourName(graph.profitColour())},
                {u"strokes"_s, strokes},
                {u"boxes"_s, boxes}});
    } else if (!png) {
        c.line(graph.yearText() + u"年"_s + graph.monthText() + u"月"_s);
        c.line(u"目盛\t"_s + graph.scale().outer + u" / "_s + graph.scale().inner + u" (万)"_s);
        c.line(u"投資額 合計\t"_s + graph.investmentText() + u" 円"_s);
        c.line(u"換金額 合計\t"_s + graph.cashOutText() + u" 円"_s);
        c.line(u"損益額 合計\t"_s + graph.profitText() + u" 円"_s);
    }
    return statusAfter(c, fileName, sound);
}

} // namespace tama::cli
