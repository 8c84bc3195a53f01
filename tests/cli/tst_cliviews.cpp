#include "../files/store/tmpfsmount.h"
#include "clifixture.h"
#include "support/testsupport.h"

#include "cli.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;
using namespace tama::test;
using namespace tama::test::samples;

namespace {

// The store file with 本店 and 支店; the 羽物 catalogue with Ｘ and Ｙ.
void writeMasters(const TempFolder &f) {
    f.write(u"patishop.dat"_s, field(kHonten, 80) + field(kShiten, 80));
    f.write(u"hirapati.dat"_s, field(kX, 160) + field(kY, 160));
}

const QString kWide(QChar(0x3000));

QStringList lines(const QJsonObject &o) {
    QStringList out;
    for (const QJsonValue &v : o[u"lines"_s].toArray())
        out.append(v.toString());
    return out;
}

QStringList strings(const QJsonValue &v) {
    QStringList out;
    for (const QJsonValue &e : v.toArray())
        out.append(e.toString());
    return out;
}

CardValues amounts(const QString &investment, const QString &cashOut) {
    return {.investment = investment, .cashOut = cashOut};
}

} // namespace

class TstCliViews : public QObject {
    Q_OBJECT

  private slots:
    void listShowsTheWindowsLineAndTotals() {
        TempFolder f;
        writeMasters(f);
        f.write(u"taro.1999.dat"_s, diaryBytes({CardValues{}}));
        const CliResult r =
            runIn(f, {u"list"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s});
        QCOMPARE(r.status, 0);
        const QJsonObject o = r.json();
        QCOMPARE(o[u"caption"_s].toString(), u"1999年 リスト表示"_s);
        const QString expected = u"   1"_s + u"  05/03(土)"_s + u" 本店"_s + kWide.repeated(8) + u" Ｘ"_s +
                                 kWide.repeated(10) + u"   15000"_s + u"    4000"_s + u"  -11000"_s;
        QCOMPARE(lines(o), QStringList{expected});
        const QJsonObject t = o[u"totals"_s].toObject();
        QCOMPARE(t[u"investment"_s].toString(), u" 15000"_s);
        QCOMPARE(t[u"cash_out"_s].toString(), u" 4000"_s);
        QCOMPARE(t[u"profit"_s].toString(), u"-11000"_s);
        QCOMPARE(t[u"recovery_rate"_s].toString(), u"26"_s);
        QCOMPARE(t[u"profit_per_hour"_s].toString(), u"-5500"_s); // two hours
        const QJsonObject colours = o[u"colours"_s].toObject();
        QCOMPARE(colours[u"profit"_s].toString(), u"red"_s);
        QCOMPARE(colours[u"recovery_rate"_s].toString(), u"red"_s);
        QCOMPARE(colours[u"profit_per_hour"_s].toString(), u"red"_s);
    }

    void listWithoutCardsKeepsTheOpeningColours() {
        TempFolder f;
        writeMasters(f);
        const CliResult r =
            runIn(f, {u"list"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s});
        QCOMPARE(r.status, 0);
        const QJsonObject o = r.json();
        QVERIFY(lines(o).isEmpty());
        QCOMPARE(o[u"totals"_s].toObject()[u"profit"_s].toString(), u" 0"_s);
        QCOMPARE(o[u"totals"_s].toObject()[u"recovery_rate"_s].toString(), u"0"_s);
        QCOMPARE(o[u"colours"_s].toObject()[u"profit"_s].toString(), u"blue"_s);
        QCOMPARE(o[u"colours"_s].toObject()[u"recovery_rate"_s].toString(), u"black"_s);
        QCOMPARE(o[u"colours"_s].toObject()[u"profit_per_hour"_s].toString(), u"black"_s);
        QVERIFY(!f.exists(u"taro.1999.dat"_s)); // the tool never creates files
    }

    void listSelectsStoresAndModelsLikeTheFilterWindow() {
        TempFolder f;
        writeMasters(f);
        CardValues shiten;
        shiten.store = u"支店"_s;
        CardValues modelY;
        modelY.model = u"Ｙ"_s;
        CardValues unknownStore; // in no list: only --all shows it
        unknownStore.store = u"Ａ"_s;
        f.write(u"taro.1999.dat"_s, diaryBytes({CardValues{}, shiten, modelY, unknownStore}));
        auto records = [&](const QStringList &options) {
            const CliResult r =
                runIn(f, QStringList{u"list"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s} +
                             options);
            if (r.status != 0) return QStringList{u"status "_s + QString::number(r.status)};
            QStringList out;
            for (const QString &l : lines(r.json()))
                out.append(l.left(4).trimmed());
            return out;
        };
        QCOMPARE(records({}), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(records({u"--store"_s, u"支店"_s}), QStringList{u"2"_s});
        QCOMPARE(records({u"--store"_s, u"支店"_s, u"--store"_s, u"本店"_s}),
                 (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(records({u"--model"_s, u"Ｙ"_s}), QStringList{u"3"_s});
        QCOMPARE(records({u"--store"_s, u"本店"_s, u"--model"_s, u"Ｘ"_s}), QStringList{u"1"_s});
        QCOMPARE(records({u"--all"_s}), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s}));
        QCOMPARE(records({u"--store"_s, u"裏店"_s}), QStringList{u"status 1"_s});
    }

    void damagedDiaryStillListsButFails() {
        TempFolder f;
        writeMasters(f);
        QByteArray undecodable = cardBytes();
        undecodable.replace(18, 20, field(hex("96 7B FF"), 20)); // 本 and a byte no character starts with
        for (const QByteArray &bytes : {cardBytes() + "1999", cardBytes() + undecodable}) {
            f.write(u"taro.1999.dat"_s, bytes);
            for (const char *command : {"list", "report", "graph"}) {
                const CliResult r = runIn(f, {QString::fromLatin1(command), u"--user"_s, u"taro"_s,
                                              u"--year"_s, u"1999"_s, u"--json"_s});
                QCOMPARE(r.status, 1);
                QVERIFY(QString::fromUtf8(r.err).startsWith(u"tamanote-cli: damaged taro.1999.dat: "_s));
                QVERIFY(!r.json().isEmpty());
            }
        }
    }

    void listSortsAsTheButtonsDo() {
        TempFolder f;
        writeMasters(f);
        // Profits -3000, 500, -12000, 0.
        f.write(u"taro.1999.dat"_s,
                diaryBytes({amounts(u"0030"_s, u"0000"_s), amounts(u"0010"_s, u"0015"_s),
                            amounts(u"0120"_s, u"0000"_s), amounts(u"0020"_s, u"0020"_s)}));
        auto order = [&](const QStringList &keys) {
            QStringList args{u"list"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s};
            for (const QString &k : keys)
                args << u"--sort"_s << k;
            QStringList out;
            for (const QString &l : lines(runIn(f, args).json()))
                out.append(l.left(4).trimmed());
            return out.join(u',');
        };
        QCOMPARE(order({u"profit"_s}), u"3,1,4,2"_s);
        QCOMPARE(order({u"investment"_s}), u"2,4,1,3"_s);
        QCOMPARE(order({u"investment"_s, u"investment"_s}), u"3,1,4,2"_s);
        QCOMPARE(order({u"investment"_s, u"investment"_s, u"investment"_s}), u"2,4,1,3"_s);
        QCOMPARE(order({u"date"_s, u"no"_s}), u"4,3,2,1"_s); // one toggle for both buttons
    }

    void listCsvIsSpreadsheetReady() {
        TempFolder f;
        writeMasters(f);
        f.write(u"taro.1999.dat"_s, diaryBytes({CardValues{}}));
        const CliResult r = runIn(f, {u"list"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--csv"_s});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("\xEF\xBB\xBF") +
                            u"No,日付,店名,機種名,投資額,換金額,損益額\r\n"_s.toUtf8() +
                            u"1,05/03(土),本店,Ｘ,15000,4000,-11000\r\n"_s.toUtf8());
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QStringList base{u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s};
        QTest::newRow("json and csv")
            << QStringList{u"list"_s} + base + QStringList{u"--json"_s, u"--csv"_s} << u"同時に使えません"_s;
        QTest::newRow("all with store")
            << QStringList{u"list"_s} + base + QStringList{u"--all"_s, u"--store"_s, u"本店"_s} << u"--all"_s;
        QTest::newRow("sort key") << QStringList{u"list"_s} + base + QStringList{u"--sort"_s, u"name"_s}
                                  << u"--sort"_s;
        QTest::newRow("repeat elsewhere")
            << QStringList{u"model-list"_s, u"--store"_s, u"a"_s, u"--store"_s, u"b"_s} << u"2回指定"_s;
        QTest::newRow("style") << QStringList{u"graph"_s} + base + QStringList{u"--style"_s, u"pie"_s}
                               << u"--style"_s;
        QTest::newRow("series") << QStringList{u"graph"_s} + base +
                                       QStringList{u"--series"_s, u"profit,loss"_s}
                                << u"--series"_s;
        QTest::newRow("value") << QStringList{u"graph"_s} + base + QStringList{u"--value"_s, u"2"_s}
                               << u"--value は 1 から 1"_s;
        QTest::newRow("today") << QStringList{u"graph"_s} + base + QStringList{u"--today"_s, u"1999-02-30"_s}
                               << u"--today"_s;
        QTest::newRow("report option")
            << QStringList{u"report"_s} + base + QStringList{u"--csv"_s} << u"--csv"_s;
        QTest::newRow("year") << QStringList{u"report"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"99"_s}
                              << u"--year"_s;
    }
    void usageErrors() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        TempFolder f;
        const CliResult r = runIn(f, arguments);
        QCOMPARE(r.status, 2);
        QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY(r.out.isEmpty());
    }

    void reportGivesAwardsAndTable() {
        TempFolder f;
        CardValues first; // 羽物, +5000, ordinary day, 10:00-12:30
        first.investment = u"0050"_s;
        first.cashOut = u"0100"_s;
        first.end = u"1230"_s;
        CardValues tie = first; // the same profit later: the earlier card keeps the award
        tie.date = u"19990504土"_s;
        tie.dayType = u"444"_s;
        CardValues loss; // デジパチ, all lost
        loss.category = u"2"_s;
        loss.investment = u"0100"_s;
        loss.cashOut = u"0000"_s;
        loss.dayType = u"333"_s;
        f.write(u"taro.1999.dat"_s, diaryBytes({first, tie, loss}));
        const CliResult r =
            runIn(f, {u"report"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s});
        QCOMPARE(r.status, 0);
        const QJsonObject o = r.json();
        QCOMPARE(o[u"caption"_s].toString(), u"1999 年度評価レポート"_s);
        const QStringList awards = strings(o[u"awards"_s]);
        QCOMPARE(awards.size(), 5);
        QCOMPARE(awards[0], u"05/03"_s + u"  平常 "_s + u" 本店"_s + QString(16, u' ') + u" Ｘ"_s +
                                QString(20, u' ') + u"   +5000円"_s);
        QCOMPARE(awards[1], QString());
        // Columns: 羽根物, デジパチ, ＣＲデジ, 権利物, 一般電役, 総合, 新規新装.
        QCOMPARE(strings(o[u"recovery_rate"_s]),
                 (QStringList{u"200"_s, u"0"_s, u"-----"_s, u"-----"_s, u"-----"_s, u"100"_s, u"66"_s}));
        QCOMPARE(strings(o[u"hours"_s]),
                 (QStringList{u"5"_s, u"2"_s, u"-----"_s, u"-----"_s, u"-----"_s, u"7"_s, u"4.5"_s}));
        QCOMPARE(strings(o[u"hourly"_s]), (QStringList{u"2000"_s, u"-5000"_s, u"-----"_s, u"-----"_s,
                                                       u"-----"_s, u"0"_s, u"-1111"_s}));
        const QJsonObject colours = o[u"colours"_s].toObject();
        QCOMPARE(strings(colours[u"recovery_rate"_s]),
                 (QStringList{u"blue"_s, u"red"_s, u"red"_s, u"red"_s, u"red"_s, u"black"_s, u"red"_s}));
        QCOMPARE(strings(colours[u"hourly"_s]), (QStringList{u"blue"_s, u"red"_s, u"black"_s, u"black"_s,
                                                             u"black"_s, u"black"_s, u"red"_s}));
    }

    void graphGivesTheMonthsShapes() {
        TempFolder f;
        CardValues march; // the first month
        march.date = u"19990310土"_s;
        CardValues a, b, c; // three cards on 5 October share the day's slot
        for (CardValues *x : {&a, &b, &c})
            x->date = u"19991005土"_s;
        a.investment = u"0300"_s;
        a.cashOut = u"0900"_s;
        b.investment = u"0250"_s;
        b.cashOut = u"0000"_s;
        c.investment = u"0000"_s;
        c.cashOut = u"0000"_s;
        CardValues marked = a; // neither drawn nor counted
        marked.date = u"R9991005土"_s;
        CardValues last = c; // 20 October, the last record: the span runs March to October
        last.date = u"19991020土"_s;
        f.write(u"taro.1999.dat"_s, diaryBytes({march, a, b, c, marked, last}));

        const QStringList base{u"graph"_s, u"--user"_s, u"taro"_s,    u"--year"_s,
                               u"1999"_s,  u"--json"_s, u"--today"_s, u"2000-01-01"_s};
        const QJsonObject o = runIn(f, base).json();
        QCOMPARE(o[u"first_month"_s].toString(), u"199903"_s);
        QCOMPARE(o[u"span"_s].toInt(), 8);
        QCOMPARE(o[u"year"_s].toInt(), 1999);
        QCOMPARE(o[u"month"_s].toInt(), 10); // the opening value is the last month
        QCOMPARE(o[u"scale"_s].toInt(), 1000);
        QCOMPARE(strings(o[u"labels"_s]), (QStringList{u"10"_s, u"5"_s}));
        const QJsonObject totals = o[u"totals"_s].toObject();
        QCOMPARE(totals[u"investment"_s].toString(), u"55000"_s);
        QCOMPARE(totals[u"cash_out"_s].toString(), u"90000"_s);
        QCOMPARE(totals[u"profit"_s].toString(), u"35000"_s);
        QCOMPARE(o[u"profit_colour"_s].toString(), u"blue"_s);

        // Profit only, lines: dashes from 200 to day 5, then two lines per card in thirds.
        QList<QJsonObject> drawn;
        for (const QJsonValue &v : o[u"strokes"_s].toArray())
            if (v[u"x2"_s].toDouble() - v[u"x1"_s].toDouble() != 25) drawn.append(v.toObject());
        QCOMPARE(drawn.size(), 8); // 3 cards of day 5 and the last one, two lines each
        QCOMPARE(drawn[0][u"x1"_s].toDouble(), 660.0);
        QCOMPARE(drawn[0][u"x2"_s].toDouble(), 700.0);
        QCOMPARE(drawn[0][u"y2"_s].toDouble(), -720.0); // 600 × 1200 ÷ 1000, upwards
        QCOMPARE(drawn[1][u"y1"_s].toDouble(), 13.0);   // the second line, 13 lower
        QCOMPARE(drawn[2][u"x1"_s].toDouble(), 700.0);
        QCOMPARE(drawn[2][u"y2"_s].toDouble(), -420.0); // running profit 350
        QCOMPARE(drawn[4][u"x2"_s].toDouble(), 780.0);
        for (const QJsonObject &s : drawn)
            QCOMPARE(s[u"series"_s].toString(), u"profit"_s);
        QVERIFY(o[u"boxes"_s].toArray().isEmpty());

        // Bars of all three graphs, in the order investment, cash-out, profit.
        const QJsonObject bars = runIn(f, base + QStringList{u"--style"_s, u"bar"_s, u"--series"_s,
                                                             u"profit,investment,cashout"_s})
                                     .json();
        const QJsonArray boxes = bars[u"boxes"_s].toArray();
        QCOMPARE(boxes.size(), 12);
        QCOMPARE(boxes[0][u"series"_s].toString(), u"investment"_s);
        QCOMPARE(boxes[0][u"y2"_s].toDouble(), 360.0); // downwards
        QCOMPARE(boxes[1][u"series"_s].toString(), u"cashout"_s);
        QCOMPARE(boxes[1][u"y2"_s].toDouble(), -1080.0);
        QCOMPARE(boxes[2][u"series"_s].toString(), u"profit"_s);

        // No graph on: nothing is drawn, the totals stay.
        const QJsonObject none = runIn(f, base + QStringList{u"--series="_s}).json();
        QVERIFY(none[u"strokes"_s].toArray().isEmpty());
        QCOMPARE(none[u"totals"_s].toObject()[u"profit"_s].toString(), u"35000"_s);

        // Value 1 is March; a month that is not today's month of the diary's year is carried
        // on with dashes to the month's end.
        const QJsonObject march1 = runIn(f, base + QStringList{u"--value"_s, u"1"_s}).json();
        QCOMPARE(march1[u"month"_s].toInt(), 3);
        const QJsonObject extended =
            runIn(f, QStringList{u"graph"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s,
                                 u"--value"_s, u"1"_s, u"--today"_s, u"1999-12-01"_s})
                .json();
        const QJsonArray endStrokes = extended[u"strokes"_s].toArray();
        QVERIFY(endStrokes.size() > march1[u"strokes"_s].toArray().size());
        QVERIFY(endStrokes.last()[u"x2"_s].toDouble() <= 3732 + 25);
        QVERIFY(endStrokes.last()[u"x1"_s].toDouble() >= 3732 - 50);
    }

    void graphWritesThePicture() {
        TempFolder f;
        CardValues card;
        card.investment = u"0100"_s;
        card.cashOut = u"0400"_s;
        f.write(u"taro.1999.dat"_s, diaryBytes({card}));
        const QString png = f.file(u"may.png"_s);
        const CliResult r = runIn(f, {u"graph"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--png"_s,
                                      png, u"--series"_s, u"profit,investment"_s});
        QCOMPARE(r.status, 0);
        const QImage image(png);
        QCOMPARE(image.size(), QSize(800, 600));
        int navy = 0, brown = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y) & 0xFFFFFF;
                navy += p == 0x000080;
                brown += p == 0xC04000;
            }
        QVERIFY(navy > 20);
        QVERIFY(brown > 20);
        QVERIFY(!f.exists(u"taro.2000.dat"_s));

        const CliResult bad = runIn(f, {u"graph"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s,
                                        u"--png"_s, f.file(u"no/such/dir/x.png"_s)});
        QCOMPARE(bad.status, 1);
        QVERIFY(QString::fromUtf8(bad.err).contains(u"画像を書き込めません"_s));
    }

    // The legend names all three series, drawn or not, in the top band above the grid.
    void graphPictureHasALegend() {
        TempFolder f;
        f.write(u"taro.1999.dat"_s, diaryBytes({CardValues{}}));
        const QString png = f.file(u"legend.png"_s);
        const CliResult r = runIn(f, {u"graph"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--png"_s,
                                      png, u"--series"_s, u""_s});
        QCOMPARE(r.status, 0);
        const QImage image(png);
        int navy = 0, brown = 0, yellow = 0;
        for (int y = 0; y < image.height() / 6; ++y)
            for (int x = image.width() / 2; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y) & 0xFFFFFF;
                navy += p == 0x000080;
                brown += p == 0xC04000;
                yellow += p == 0xFFFF00;
            }
        QVERIFY(navy > 10);
        QVERIFY(brown > 10);
        QVERIFY(yellow > 10);
    }

    // A disk too full for the whole picture: no cut PNG is left, and it is an error.
    void graphOnAFullDisk() {
        TempFolder f, out;
        TmpfsMount mount(out.path(), 16);
        if (!mount.mounted()) QSKIP(mount.whyNot());
        f.write(u"taro.1999.dat"_s, diaryBytes({CardValues()}));
        QVERIFY(mount.fill(out.file(u"filler"_s)));
        QVERIFY(QFile::resize(out.file(u"filler"_s), QFileInfo(out.file(u"filler"_s)).size() - 4096));
        const QString png = out.file(u"may.png"_s);
        const CliResult r =
            runIn(f, {u"graph"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--png"_s, png});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.errText().contains(u"ディスクの空き容量が足りません"_s), qPrintable(r.errText()));
        QCOMPARE(out.files(), QStringList{u"filler"_s});
    }
};

int main(int argc, char **argv) {
    tama::test::useOffscreenPlatform();
    QGuiApplication app(argc, argv); // the picture needs fonts
    TstCliViews tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_cliviews.moc"
