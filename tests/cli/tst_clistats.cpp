#include "clifixture.h"
#include "painters/analysispainter.h"
#include "store/playdata.h"
#include "support/testsupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;
using namespace tama::test;
using tama::DataFolder;
using tama::DiaryKeys;
using tama::PlayDatabase;

namespace {

// 1999: a loss at 本店 and a win at 支店 on Monday 3 May, and a marked card on the 4th.
// No diary for 2000. 2001: a win with nothing put in, on an unknown category and day
// type, that ended before it started.
void writeDiaries(const TempFolder &f) {
    f.write(u"taro.1999.dat"_s, diaryBytes(samples::may1999()));
    f.write(u"taro.2001.dat"_s, cardBytes(samples::january2001(u"本店\u3000"_s)));
}

QStringList statsArgs(const QString &by, const QStringList &more = {}) {
    return QStringList{u"stats"_s, u"--user"_s, u"taro"_s, u"--from"_s, u"1999"_s,
                       u"--to"_s,  u"2001"_s,   u"--by"_s, by} +
           more;
}

// "key visits profit" of each group.
QStringList summary(const QJsonObject &o) {
    QStringList out;
    for (const QJsonValue &v : o[u"groups"_s].toArray()) {
        const QJsonObject g = v.toObject();
        out.append(g[u"key"_s].toString() + u' ' + QString::number(g[u"visits"_s].toInt()) + u' ' +
                   QString::number(g[u"profit"_s].toInt()));
    }
    return out;
}

// The keys of the JSON text in the order they are written, at one depth of indentation.
QStringList keysAt(const QByteArray &json, int depth) {
    QStringList out;
    const QRegularExpression key(u"^ {%1}\"([a-z0-9_]+)\":"_s.arg(depth * 4));
    for (const QString &line : QString::fromUtf8(json).split(u'\n')) {
        const auto m = key.match(line);
        if (m.hasMatch() && !out.contains(m.captured(1))) out.append(m.captured(1));
    }
    return out;
}

} // namespace

class TstCliStats : public QObject {
    Q_OBJECT

  private slots:
    void eachGrouping_data() {
        QTest::addColumn<QString>("by");
        QTest::addColumn<QStringList>("groups");
        QTest::newRow("hall") << u"hall"_s << QStringList{u"本店 2 1000"_s, u"支店 1 20000"_s};
        QTest::newRow("model") << u"model"_s << QStringList{u"Ｙ 2 32000"_s, u"Ｘ 1 -11000"_s};
        QTest::newRow("category") << u"category"_s
                                  << QStringList{u"羽物 1 -11000"_s, u"デジパチ 1 20000"_s,
                                                 u"不明 1 12000"_s};
        QTest::newRow("daytype") << u"daytype"_s << QStringList{u"平常開店 2 1000"_s, u"新台入替 1 20000"_s};
        QTest::newRow("weekday") << u"weekday"_s << QStringList{u"月 2 9000"_s, u"土 1 12000"_s};
        QTest::newRow("hour") << u"hour"_s << QStringList{u"10 1 -11000"_s, u"13 1 20000"_s, u"18 1 12000"_s};
        QTest::newRow("month") << u"month"_s << QStringList{u"1999-05 2 9000"_s, u"2001-01 1 12000"_s};
        QTest::newRow("year") << u"year"_s << QStringList{u"1999 2 9000"_s, u"2001 1 12000"_s};
    }
    void eachGrouping() {
        QFETCH(QString, by);
        QFETCH(QStringList, groups);
        TempFolder f;
        writeDiaries(f);
        const CliResult r = runIn(f, statsArgs(by, {u"--json"_s}));
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QByteArray());
        const QJsonObject o = r.json();
        QCOMPARE(o[u"by"_s].toString(), by);
        QCOMPARE(summary(o), groups);
        // The total is the same whatever the grouping.
        const QJsonObject t = o[u"total"_s].toObject();
        QVERIFY(t[u"key"_s].isNull());
        QCOMPARE(t[u"visits"_s].toInt(), 3);
        QCOMPARE(t[u"minutes"_s].toInt(), 150 + 120 - 60);
        QCOMPARE(t[u"investment"_s].toInt(), 25000);
        QCOMPARE(t[u"cash_out"_s].toInt(), 46000);
        QCOMPARE(t[u"profit"_s].toInt(), 21000);
        QCOMPARE(t[u"recovery_rate"_s].toDouble(), 184.0);
        QCOMPARE(t[u"profit_per_hour"_s].toInt(), 6000);
        QCOMPARE(t[u"wins"_s].toInt(), 2);
        QCOMPARE(t[u"win_rate"_s].toDouble(), 66.7);
        QCOMPARE(t[u"best"_s].toInt(), 20000);
        QCOMPARE(t[u"worst"_s].toInt(), -11000);
        QVERIFY(!f.exists(u"taro.2000.dat"_s));
    }

    void jsonFieldsInTheirOrder() {
        TempFolder f;
        writeDiaries(f);
        const CliResult r = runIn(f, statsArgs(u"hall"_s, {u"--json"_s}));
        QCOMPARE(keysAt(r.out, 1), (QStringList{u"user"_s, u"from"_s, u"to"_s, u"by"_s, u"include_marked"_s,
                                                u"groups"_s, u"total"_s}));
        const QStringList fields = {
            u"key"_s, u"visits"_s, u"minutes"_s, u"investment"_s, u"cash_out"_s, u"profit"_s,
            u"recovery_rate"_s, u"profit_per_hour"_s, u"wins"_s, u"win_rate"_s, u"best"_s, u"worst"_s,
            u"play_cards"_s, u"spins"_s, u"spin_rate"_s, u"expected_value"_s, u"luck"_s,
            // the spread and the days
            u"sd_per_hour"_s, u"hourly_ci95"_s, u"max_drawdown"_s, u"current_drawdown"_s,
            u"longest_win_streak"_s, u"longest_loss_streak"_s, u"current_streak"_s};
        QCOMPARE(keysAt(r.out, 2), fields); // the total
        QCOMPARE(keysAt(r.out, 3), fields); // the groups
        // Rates with one decimal even when it is 0; the layout of the other commands.
        QVERIFY(r.out.contains("\n            \"recovery_rate\": 106.7,\n"));
        QVERIFY(r.out.contains("\n        \"win_rate\": 66.7,\n"));
        QVERIFY(r.out.contains("\"recovery_rate\": 184.0,"));
        QVERIFY(r.out.startsWith("{\n    \"user\": \"taro\",\n    \"from\": 1999,\n    \"to\": 2001,\n"));

        // 本店 worked out by hand: two visits, the second ending an hour before it began.
        const QJsonObject honten = r.json()[u"groups"_s].toArray()[0].toObject();
        QCOMPARE(honten[u"minutes"_s].toInt(), 90);
        QCOMPARE(honten[u"investment"_s].toInt(), 15000);
        QCOMPARE(honten[u"cash_out"_s].toInt(), 16000);
        QCOMPARE(honten[u"recovery_rate"_s].toDouble(), 106.7);
        QCOMPARE(honten[u"profit_per_hour"_s].toInt(), 666);
        QCOMPARE(honten[u"win_rate"_s].toDouble(), 50.0);
        QCOMPARE(honten[u"best"_s].toInt(), 12000);
        QCOMPARE(honten[u"worst"_s].toInt(), -11000);
        // Only the first card has play time; its day, then the day in 2001.
        QVERIFY(honten[u"sd_per_hour"_s].isNull());
        QVERIFY(honten[u"hourly_ci95"_s].isNull());
        QCOMPARE(honten[u"max_drawdown"_s].toInt(), 11000);
        QCOMPARE(honten[u"current_drawdown"_s].toInt(), 0);
        QCOMPARE(honten[u"current_streak"_s].toInt(), 1);
        // The total: −11,000 in 2.5 h and +20,000 in 2 h, μ = 2000, σ = 10,733.1; the range a
        // JSON array of two numbers, 2000 ∓ 1.96 · 10,733.1 / √4.5.
        const QJsonObject total = r.json()[u"total"_s].toObject();
        QCOMPARE(total[u"sd_per_hour"_s].toInt(), 10733);
        QCOMPARE(total[u"hourly_ci95"_s].toArray(), (QJsonArray{-7917, 11917}));
        QVERIFY(r.out.contains("\"hourly_ci95\": [\n"));
    }

    void markedCardsOnlyWhenAskedFor() {
        TempFolder f;
        writeDiaries(f);
        const QJsonObject o = runIn(f, statsArgs(u"weekday"_s, {u"--json"_s, u"--include-marked"_s})).json();
        QVERIFY(o[u"include_marked"_s].toBool());
        QCOMPARE(summary(o), (QStringList{u"月 2 9000"_s, u"火 1 -5000"_s, u"土 1 12000"_s}));
        QCOMPARE(o[u"total"_s].toObject()[u"visits"_s].toInt(), 4);
    }

    // A year with no diary: no groups, zeros and nulls, and still no diary afterwards.
    void noCardGivesZerosAndNulls() {
        TempFolder f;
        writeDiaries(f);
        const CliResult r = runIn(f, {u"stats"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"2000"_s, u"--by"_s,
                                      u"model"_s, u"--json"_s});
        QCOMPARE(r.status, 0);
        const QJsonObject o = r.json();
        QCOMPARE(o[u"from"_s].toInt(), 2000);
        QCOMPARE(o[u"to"_s].toInt(), 2000);
        QVERIFY(o[u"groups"_s].toArray().isEmpty());
        const QJsonObject t = o[u"total"_s].toObject();
        for (const QString &zero :
             {u"visits"_s, u"minutes"_s, u"investment"_s, u"cash_out"_s, u"profit"_s, u"wins"_s})
            QCOMPARE(t[zero].toInt(-1), 0);
        QCOMPARE(t[u"win_rate"_s].toDouble(-1), 0.0);
        for (const QString &null :
             {u"key"_s, u"recovery_rate"_s, u"profit_per_hour"_s, u"best"_s, u"worst"_s})
            QVERIFY2(t[null].isNull(), qPrintable(null));
        QVERIFY(!f.exists(u"taro.2000.dat"_s));
    }

    void csvAndText() {
        TempFolder f;
        writeDiaries(f);
        const CliResult csv = runIn(f, {u"stats"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"2001"_s, u"--by"_s,
                                        u"hall"_s, u"--csv"_s});
        QCOMPARE(csv.status, 0);
        // Nothing put in and no time played: those cells are empty.
        QVERIFY(csv.out.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(QString::fromUtf8(csv.out.mid(3)),
                 u"キー,来店,遊技分,投資額,換金額,損益額,回収率,時間給,勝ち,勝率,最高,最低,"
                 u"稼働,回転数,回転率,期待値,余剰,時給のばらつき,時給95%下限,時給95%上限,"
                 u"最大ドローダウン,現在のドローダウン,最長連勝,最長連敗,現在の連続\r\n"
                 u"本店,1,-60,0,12000,12000,,,1,100.0,12000,12000,,,,,,,,,0,0,1,0,1\r\n"
                 u"合計,1,-60,0,12000,12000,,,1,100.0,12000,12000,,,,,,,,,0,0,1,0,1\r\n"_s);

        const CliResult text = runIn(f, statsArgs(u"year"_s));
        QCOMPARE(text.status, 0);
        QCOMPARE(
            text.outLines(),
            (QStringList{
                u"年\t来店\t遊技時間\t投資額\t換金額\t収支\t回収率\t時給\t勝ち\t勝率\t最高\t最低\t"
                u"稼働\t回転数\t回転率\t期待値\t余剰\t時給のばらつき\t時給95%下限\t時給95%上限\t"
                u"最大ドローダウン\t現在のドローダウン\t最長連勝\t最長連敗\t現在の連続"_s,
                u"1999\t2\t4時間30分\t25000\t34000\t9000\t136.0\t2000\t1\t50.0\t20000\t-11000\t-\t-\t-\t-\t-"
                u"\t10733\t-7917\t11917\t0\t0\t1\t0\t1"_s,
                u"2001\t1\t-1時間00分\t0\t12000\t12000\t-\t-\t1\t100.0\t12000\t12000\t-\t-\t-\t-\t-"
                u"\t-\t-\t-\t0\t0\t1\t0\t1"_s,
                u"合計\t3\t3時間30分\t25000\t46000\t21000\t184.0\t6000\t2\t66.7\t20000\t-11000\t-\t-\t-\t-\t-"
                u"\t10733\t-7917\t11917\t0\t0\t2\t0\t2"_s}));

        // The text names the hours as a player does; the JSON keeps the key scripts read.
        const CliResult hours = runIn(f, statsArgs(u"hour"_s));
        QCOMPARE(hours.status, 0);
        QCOMPARE(hours.outLines().value(0).section(u'\t', 0, 0), u"時間帯"_s);
        QCOMPARE(hours.outLines().value(1).section(u'\t', 0, 0), u"10時台"_s);
        QCOMPARE(runIn(f, statsArgs(u"hour"_s, {u"--json"_s}))
                     .json()[u"groups"_s]
                     .toArray()[0]
                     .toObject()[u"key"_s]
                     .toString(),
                 u"10"_s);
    }

    // The worked example (I 20,000, O 31,000, S 410, own balls 500, 4 yen, 28 balls per
    // 100 yen, 1/319.6 with 5400 a hit) as the command line writes it.
    void playFiguresFromTheDatabase() {
        TempFolder f;
        f.write(u"taro.1999.dat"_s,
                diaryBytes({{.investment = u"0200"_s, .cashOut = u"0310"_s}, {.store = u"支店"_s}}));
        {
            PlayDatabase db{DataFolder(f.path())};
            QVERIFY2(db.isOpen(), qPrintable(db.reason()));
            db.setHallTerms({u"本店"_s, QDate(1999, 1, 1), 4, 28, std::nullopt, {}});
            db.setModelSpec({1, u"Ｘ"_s, 319.6, 5400, std::nullopt, {}});
            const DiaryKeys keys = DiaryKeys::ofDiary(DataFolder(f.path()), u"taro.1999.dat"_s);
            db.setPlay(u"taro.1999.dat"_s, keys.key(1), {410, 500, 3, {}}, 1);
        }
        const CliResult json = runIn(f, {u"stats"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s,
                                         u"--by"_s, u"hall"_s, u"--json"_s});
        QCOMPARE(json.err, QByteArray());
        QVERIFY2(json.out.contains("\"play_cards\": 1,\n            \"spins\": 410,\n            "
                                   "\"spin_rate\": 18.64,\n            \"expected_value\": 2955,\n"
                                   "            \"luck\": 8045,\n"),
                 json.out.constData());
    }

    void damagedDiaryIsReported() {
        TempFolder f;
        writeDiaries(f);
        f.write(u"taro.2001.dat"_s, f.read(u"taro.2001.dat"_s) + "xyz");
        const CliResult r = runIn(f, statsArgs(u"year"_s, {u"--json"_s}));
        QCOMPARE(r.status, 1);
        QVERIFY(r.errText().contains(u"damaged taro.2001.dat"_s));
        QCOMPARE(r.json()[u"total"_s].toObject()[u"visits"_s].toInt(), 3); // what could be read
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        const QStringList user{u"--user"_s, u"taro"_s};
        QTest::newRow("no --by") << QStringList{u"stats"_s, u"--year"_s, u"1999"_s} + user;
        QTest::newRow("unknown --by")
            << QStringList{u"stats"_s, u"--year"_s, u"1999"_s, u"--by"_s, u"store"_s} + user;
        QTest::newRow("no year") << QStringList{u"stats"_s, u"--by"_s, u"hall"_s} + user;
        QTest::newRow("--from alone")
            << QStringList{u"stats"_s, u"--from"_s, u"1999"_s, u"--by"_s, u"hall"_s} + user;
        QTest::newRow("--year and --from")
            << QStringList{u"stats"_s, u"--year"_s, u"1999"_s, u"--from"_s, u"1999"_s,
                           u"--to"_s,  u"2000"_s,   u"--by"_s, u"hall"_s} +
                   user;
        QTest::newRow("--from after --to")
            << QStringList{u"stats"_s, u"--from"_s, u"2001"_s, u"--to"_s, u"1999"_s, u"--by"_s, u"hall"_s} +
                   user;
        QTest::newRow("two-digit year")
            << QStringList{u"stats"_s, u"--year"_s, u"99"_s, u"--by"_s, u"hall"_s} + user;
        QTest::newRow("json and csv") << QStringList{u"stats"_s, u"--year"_s, u"1999"_s, u"--by"_s,
                                                     u"hall"_s,  u"--json"_s, u"--csv"_s} +
                                             user;
        QTest::newRow("no user") << QStringList{u"stats"_s, u"--year"_s, u"1999"_s, u"--by"_s, u"hall"_s};
        QTest::newRow("user outside the folder")
            << QStringList{u"stats"_s, u"--year"_s, u"1999"_s, u"--by"_s, u"hall"_s, u"--user"_s, u"../x"_s};
        QTest::newRow("stats --month")
            << QStringList{u"stats"_s, u"--year"_s, u"1999"_s, u"--by"_s, u"hall"_s, u"--month"_s, u"5"_s} +
                   user;
        QTest::newRow("calendar without --month")
            << QStringList{u"calendar"_s, u"--year"_s, u"1999"_s} + user;
        QTest::newRow("month 13") << QStringList{u"calendar"_s, u"--year"_s, u"1999"_s, u"--month"_s,
                                                 u"13"_s} +
                                         user;
        QTest::newRow("month 0") << QStringList{u"calendar"_s, u"--year"_s, u"1999"_s, u"--month"_s, u"0"_s} +
                                        user;
        QTest::newRow("calendar --from")
            << QStringList{u"calendar"_s, u"--from"_s, u"1999"_s, u"--month"_s, u"5"_s} + user;
        QTest::newRow("calendar --csv")
            << QStringList{u"calendar"_s, u"--year"_s, u"1999"_s, u"--month"_s, u"5"_s, u"--csv"_s} + user;
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        TempFolder f;
        writeDiaries(f);
        const CliResult r = runIn(f, args);
        QCOMPARE(r.status, 2);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(r.err.count('\n'), 1);
    }

    void calendarOfAMonth() {
        TempFolder f;
        writeDiaries(f);
        const QStringList args{u"calendar"_s, u"--user"_s,  u"taro"_s, u"--year"_s,
                               u"1999"_s,     u"--month"_s, u"5"_s};
        const CliResult r = runIn(f, args + QStringList{u"--json"_s});
        QCOMPARE(r.status, 0);
        const QJsonObject o = r.json();
        QCOMPARE(o[u"month"_s].toInt(), 5);
        const QJsonArray days = o[u"days"_s].toArray();
        QCOMPARE(days.size(), 31);
        QCOMPARE(days[0].toObject()[u"weekday"_s].toString(), u"土"_s); // 1 May 1999
        const QJsonObject third = days[2].toObject();
        QCOMPARE(third[u"day"_s].toInt(), 3);
        QCOMPARE(third[u"weekday"_s].toString(), u"月"_s);
        QCOMPARE(third[u"visits"_s].toInt(), 2);
        QCOMPARE(third[u"investment"_s].toInt(), 25000);
        QCOMPARE(third[u"cash_out"_s].toInt(), 34000);
        QCOMPARE(third[u"profit"_s].toInt(), 9000);
        QCOMPARE(days[3].toObject()[u"visits"_s].toInt(), 0); // the marked card
        QCOMPARE(keysAt(r.out, 3), (QStringList{u"day"_s, u"weekday"_s, u"visits"_s, u"investment"_s,
                                                u"cash_out"_s, u"profit"_s}));
        const QJsonObject t = o[u"total"_s].toObject();
        QVERIFY(t[u"day"_s].isNull());
        QCOMPARE(t[u"visits"_s].toInt(), 2);
        QCOMPARE(t[u"profit"_s].toInt(), 9000);

        const QJsonObject marked = runIn(f, args + QStringList{u"--json"_s, u"--include-marked"_s}).json();
        QCOMPARE(marked[u"days"_s].toArray()[3].toObject()[u"profit"_s].toInt(), -5000);
        QCOMPARE(marked[u"total"_s].toObject()[u"visits"_s].toInt(), 3);

        const CliResult text = runIn(f, args);
        const QStringList lines = text.outLines();
        QCOMPARE(lines.size(), 2 + 31 + 1);
        QCOMPARE(lines[0], u"1999年5月"_s);
        QCOMPARE(lines[1], u"日\t曜\t来店\t投資額\t換金額\t収支"_s);
        QCOMPARE(lines[4], u"3\t月\t2\t25000\t34000\t9000"_s);
        QCOMPARE(lines.last(), u"合計\t\t2\t25000\t34000\t9000"_s);

        // A month of a year without a diary is empty and creates nothing.
        const QJsonObject none = runIn(f, {u"calendar"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"2000"_s,
                                           u"--month"_s, u"2"_s, u"--json"_s})
                                     .json();
        QCOMPARE(none[u"days"_s].toArray().size(), 29);
        QCOMPARE(none[u"total"_s].toObject()[u"visits"_s].toInt(), 0);
        QVERIFY(!f.exists(u"taro.2000.dat"_s));
    }

    void calendarPicture() {
        TempFolder f;
        writeDiaries(f);
        const QString png = f.file(u"may.png"_s);
        const CliResult r = runIn(f, {u"calendar"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s,
                                      u"--month"_s, u"5"_s, u"--png"_s, png});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.isEmpty());
        const QImage image(png);
        QCOMPARE(image.size(), QSize(800, 600));
        // The day's and the month's gain in blue; no loss, so no red below the day numbers
        // (Sundays' and holidays' numbers are red). Text is smoothed, so the colours are
        // counted loosely.
        QFont font;
        font.setFamilies({u"IPAGothic"_s, u"Noto Sans Mono CJK JP"_s});
        font.setPixelSize(14);
        const tama::MonthCalendar may(1999, 5, false);
        const int numbers = tama::CalendarPainter::dayRect(QRectF(0, 0, 800, 600), may, font, 1).top();
        int blue = 0, red = 0;
        for (int y = numbers; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor p = image.pixelColor(x, y);
                const int d = tama::CalendarPainter::dayAt(QRectF(0, 0, 800, 600), may, font, QPointF(x, y));
                if (d && y < tama::CalendarPainter::dayRect(QRectF(0, 0, 800, 600), may, font, d).top() + 20)
                    continue;
                blue += p.blue() > 200 && p.red() < 80 && p.green() < 80;
                red += p.red() > 200 && p.blue() < 80 && p.green() < 80;
            }
        QVERIFY(blue > 20);
        QCOMPARE(red, 0);
    }
};

int main(int argc, char **argv) {
    tama::test::useOffscreenPlatform();
    QGuiApplication app(argc, argv); // the picture needs fonts
    TstCliStats tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_clistats.moc"
