#include "common/csv.h"
#include "reports/statstable.h"
#include "reports/viewcolour.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QAbstractItemModelTester>
#include <QBuffer>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::CardValues;
using tama::test::digits4;
using tama::test::makeCard;

namespace {

CardRecord card(const QString &store, int investment, int cashOut) {
    CardValues v;
    v.store = store;
    v.investment = digits4(investment);
    v.cashOut = digits4(cashOut);
    return makeCard(v);
}

// By hall: 駅前 twice (visits first), then 北,口, 支店, 本店 in key order. Two hours each.
DiaryStats sample() {
    DiaryStats s(StatsBy::Hall, false);
    for (const CardRecord &c : {card(u"本店"_s, 150, 40), card(u"駅前"_s, 100, 300), card(u"支店"_s, 0, 120),
                                card(u"北,口"_s, 50, 50), card(u"駅前"_s, 100, 100)})
        s.add(c, 1999);
    s.finish();
    return s;
}

QStringList keys(const QAbstractItemModel &m) {
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out.append(m.index(r, int(StatsColumn::Key)).data().toString());
    return out;
}

int rowOf(const QAbstractItemModel &m, const QString &key) {
    return int(keys(m).indexOf(key));
}

} // namespace

class TestStatsTable : public QObject {
    Q_OBJECT

  private slots:
    // The model keeps the rules of item models through filling, sorting and refilling, and
    // an index held across a sort follows its row.
    void isASoundModel() {
        StatsTableModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setStats(sample());
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.columnCount(), int(StatsColumn::Count));
        const QPersistentModelIndex held = model.index(rowOf(model, u"本店"_s), int(StatsColumn::Profit));
        model.sort(int(StatsColumn::Profit), Qt::AscendingOrder);
        QCOMPARE(held.row(), 0);
        QCOMPARE(held.data().toString(), u"-11,000"_s);
        model.sort(int(StatsColumn::RecoveryRate), Qt::DescendingOrder);
        model.setStats(DiaryStats(StatsBy::Hall, false));
        QCOMPARE(model.rowCount(), 0);
        model.setStats(sample());
    }

    void sorting_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<Qt::SortOrder>("order");
        QTest::addColumn<QStringList>("expected");
        const auto C = [](StatsColumn c) { return int(c); };
        QTest::newRow("profit up") << C(StatsColumn::Profit) << Qt::AscendingOrder
                                   << QStringList{u"本店"_s, u"北,口"_s, u"支店"_s, u"駅前"_s};
        QTest::newRow("profit down") << C(StatsColumn::Profit) << Qt::DescendingOrder
                                     << QStringList{u"駅前"_s, u"支店"_s, u"北,口"_s, u"本店"_s};
        // No recovery rate without investment: lowest.
        QTest::newRow("rate up") << C(StatsColumn::RecoveryRate) << Qt::AscendingOrder
                                 << QStringList{u"支店"_s, u"本店"_s, u"北,口"_s, u"駅前"_s};
        QTest::newRow("rate down") << C(StatsColumn::RecoveryRate) << Qt::DescendingOrder
                                   << QStringList{u"駅前"_s, u"北,口"_s, u"本店"_s, u"支店"_s};
        // Equal visits keep the statistics' order both ways.
        QTest::newRow("visits up") << C(StatsColumn::Visits) << Qt::AscendingOrder
                                   << QStringList{u"北,口"_s, u"支店"_s, u"本店"_s, u"駅前"_s};
        QTest::newRow("visits down") << C(StatsColumn::Visits) << Qt::DescendingOrder
                                     << QStringList{u"駅前"_s, u"北,口"_s, u"支店"_s, u"本店"_s};
        // Keys by the statistics' order, not by their text.
        QTest::newRow("key down") << C(StatsColumn::Key) << Qt::DescendingOrder
                                  << QStringList{u"本店"_s, u"支店"_s, u"北,口"_s, u"駅前"_s};
    }

    // A sort is kept when the statistics are read again.
    void sorting() {
        QFETCH(int, column);
        QFETCH(Qt::SortOrder, order);
        QFETCH(QStringList, expected);
        StatsTableModel model;
        model.setStats(sample());
        QCOMPARE(keys(model), (QStringList{u"駅前"_s, u"北,口"_s, u"支店"_s, u"本店"_s}));
        model.sort(column, order);
        QCOMPARE(keys(model), expected);
        model.setStats(sample());
        QCOMPARE(keys(model), expected);
    }

    void textsAndColours_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("colour");
        const QVariant none;
        const QVariant red = int(ViewColour::Red), blue = int(ViewColour::Blue),
                       black = int(ViewColour::Black);
        QTest::newRow("visits") << u"駅前"_s << int(StatsColumn::Visits) << u"2"_s << none;
        QTest::newRow("minutes") << u"駅前"_s << int(StatsColumn::Minutes) << u"4時間00分"_s << none;
        QTest::newRow("investment") << u"本店"_s << int(StatsColumn::Investment) << u"15,000"_s << none;
        QTest::newRow("loss") << u"本店"_s << int(StatsColumn::Profit) << u"-11,000"_s << red;
        QTest::newRow("even") << u"北,口"_s << int(StatsColumn::Profit) << u"0"_s << black;
        QTest::newRow("gain") << u"駅前"_s << int(StatsColumn::Profit) << u"20,000"_s << blue;
        QTest::newRow("rate below 100") << u"本店"_s << int(StatsColumn::RecoveryRate) << u"26.7"_s << red;
        QTest::newRow("rate of 100") << u"北,口"_s << int(StatsColumn::RecoveryRate) << u"100.0"_s << black;
        QTest::newRow("no rate") << u"支店"_s << int(StatsColumn::RecoveryRate) << u"-"_s << none;
        QTest::newRow("per hour") << u"本店"_s << int(StatsColumn::ProfitPerHour) << u"-5,500"_s << red;
        QTest::newRow("win rate") << u"駅前"_s << int(StatsColumn::WinRate) << u"50.0"_s << none;
        QTest::newRow("worst") << u"駅前"_s << int(StatsColumn::Worst) << u"0"_s << black;
        QTest::newRow("no play") << u"駅前"_s << int(StatsColumn::SpinRate) << u"-"_s << none;
        // 駅前: +20,000 and 0 in two hours each.
        QTest::newRow("spread") << u"駅前"_s << int(StatsColumn::SdPerHour) << u"7,071"_s << none;
        QTest::newRow("range below 0") << u"駅前"_s << int(StatsColumn::HourlyLow) << u"-1,930"_s << red;
        QTest::newRow("range above 0") << u"駅前"_s << int(StatsColumn::HourlyHigh) << u"11,930"_s << blue;
        QTest::newRow("no range") << u"本店"_s << int(StatsColumn::HourlyLow) << u"-"_s << none;
        QTest::newRow("drawdown") << u"本店"_s << int(StatsColumn::MaxDrawdown) << u"11,000"_s << none;
        QTest::newRow("losing run") << u"本店"_s << int(StatsColumn::CurrentStreak) << u"-1"_s << red;
        QTest::newRow("no run") << u"北,口"_s << int(StatsColumn::CurrentStreak) << u"0"_s << black;
    }

    void textsAndColours() {
        QFETCH(QString, key);
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(QVariant, colour);
        StatsTableModel model;
        model.setStats(sample());
        const QModelIndex at = model.index(rowOf(model, key), column);
        QCOMPARE(at.data().toString(), text);
        QCOMPARE(at.data(StatsTableModel::ColourRole), colour);
        const bool play = column >= int(StatsColumn::PlayCards) && column <= int(StatsColumn::Luck);
        QCOMPARE(at.data(Qt::ToolTipRole).toString(),
                 play ? u"稼働データのあるカードがありません"_s : QString());
        QCOMPARE(model.headerData(int(StatsColumn::Profit), Qt::Horizontal).toString(), u"収支"_s);
    }

    // The key column is headed by what it holds; the heads players say differently follow.
    void headsInAPlayersWords_data() {
        QTest::addColumn<int>("by");
        QTest::addColumn<QString>("keyHead");
        QTest::newRow("hall") << int(StatsBy::Hall) << u"店名"_s;
        QTest::newRow("model") << int(StatsBy::Model) << u"機種名"_s;
        QTest::newRow("category") << int(StatsBy::Category) << u"機種の種類"_s;
        QTest::newRow("day type") << int(StatsBy::DayType) << u"営業日の種類"_s;
        QTest::newRow("weekday") << int(StatsBy::Weekday) << u"曜日"_s;
        QTest::newRow("hour") << int(StatsBy::Hour) << u"時間帯"_s;
        QTest::newRow("month") << int(StatsBy::Month) << u"月"_s;
        QTest::newRow("year") << int(StatsBy::Year) << u"年"_s;
    }

    void headsInAPlayersWords() {
        QFETCH(int, by);
        QFETCH(QString, keyHead);
        StatsTableModel model;
        DiaryStats stats(StatsBy(by), false);
        stats.finish();
        model.setStats(stats);
        QStringList heads;
        for (int c = 0; c < model.columnCount(); ++c)
            heads.append(model.headerData(c, Qt::Horizontal).toString());
        const QStringList expected{keyHead,     u"来店"_s,   u"遊技時間"_s, u"投資額"_s, u"換金額"_s,
                                   u"収支"_s,   u"回収率"_s, u"時給"_s,     u"勝ち"_s,   u"勝率"_s,
                                   u"最高"_s,   u"最低"_s,   u"稼働"_s,     u"回転数"_s, u"回転率"_s,
                                   u"期待値"_s, u"余剰"_s};
        QCOMPARE(heads.mid(0, expected.size()), expected);
    }

    void keyTexts_data() {
        QTest::addColumn<int>("by");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("morning") << int(StatsBy::Hour) << u"09"_s << u"9時台"_s;
        QTest::newRow("midnight") << int(StatsBy::Hour) << u"00"_s << u"0時台"_s;
        QTest::newRow("evening") << int(StatsBy::Hour) << u"23"_s << u"23時台"_s;
        QTest::newRow("unknown hour") << int(StatsBy::Hour) << unknownKey() << unknownKey();
        QTest::newRow("month") << int(StatsBy::Month) << u"2024-05"_s << u"2024年5月"_s;
        QTest::newRow("december") << int(StatsBy::Month) << u"1999-12"_s << u"1999年12月"_s;
        QTest::newRow("unknown month") << int(StatsBy::Month) << unknownKey() << unknownKey();
        QTest::newRow("year") << int(StatsBy::Year) << u"2024"_s << u"2024"_s;
        // A hall may be named with digits: only hours become hours.
        QTest::newRow("hall of digits") << int(StatsBy::Hall) << u"09"_s << u"09"_s;
    }

    void keyTexts() {
        QFETCH(int, by);
        QFETCH(QString, key);
        QFETCH(QString, text);
        QCOMPARE(statsKeyText(StatsBy(by), key), text);
    }

    void playTimes_data() {
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << qint64(0) << u"0分"_s;
        QTest::newRow("under an hour") << qint64(59) << u"59分"_s;
        QTest::newRow("an hour") << qint64(60) << u"1時間00分"_s;
        QTest::newRow("minutes padded") << qint64(125) << u"2時間05分"_s;
        QTest::newRow("many hours") << qint64(3930) << u"65時間30分"_s;
        // An end before the start is counted as it is.
        QTest::newRow("negative") << qint64(-90) << u"-1時間30分"_s;
    }

    void playTimes() {
        QFETCH(qint64, minutes);
        QFETCH(QString, text);
        QCOMPARE(playTimeText(minutes), text);
    }

    // The window reads the hours as a player does; its CSV keeps the keys and heads that
    // scripts read.
    void hoursShownAndWritten() {
        DiaryStats stats(StatsBy::Hour, false);
        CardValues morning, afternoon;
        morning.start = u" 930"_s;
        morning.end = u"1200"_s;
        afternoon.start = u"1400"_s;
        afternoon.end = u"1500"_s;
        stats.add(makeCard(morning), 1999);
        stats.add(makeCard(afternoon), 1999);
        stats.finish();
        StatsTableModel model;
        model.setStats(stats);
        QCOMPARE(keys(model), (QStringList{u"9時台"_s, u"14時台"_s}));
        QCOMPARE(model.index(0, int(StatsColumn::Minutes)).data().toString(), u"2時間30分"_s);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            CsvWriter out(buffer, CsvEncoding::Utf8);
            model.writeCsv(out);
            QVERIFY(out.flush());
        }
        const QStringList lines = QString::fromUtf8(buffer.data().mid(3)).split(u"\r\n"_s);
        QVERIFY(lines[0].startsWith(u"キー,来店,遊技分,"_s));
        QVERIFY2(lines[1].startsWith(u"09,1,150,"_s), qPrintable(lines[1]));
        QVERIFY2(lines[2].startsWith(u"14,1,60,"_s), qPrintable(lines[2]));
    }

    // The CSV in the order shown: plain numbers, a missing value empty, a key with a comma
    // quoted, after the byte order mark.
    void csvInTheOrderShown() {
        StatsTableModel model;
        model.setStats(sample());
        model.sort(int(StatsColumn::Profit), Qt::AscendingOrder);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            CsvWriter out(buffer, CsvEncoding::Utf8);
            model.writeCsv(out);
            QVERIFY(out.flush());
        }
        const QString expected = u"キー,来店,遊技分,投資額,換金額,損益額,回収率,時間給,勝ち,勝率,最高,最低,"
                                 u"稼働,回転数,回転率,期待値,余剰,時給のばらつき,時給95%下限,時給95%上限,"
                                 u"最大ドローダウン,現在のドローダウン,最長連勝,最長連敗,現在の連続\r\n"
                                 u"本店,1,120,15000,4000,-11000,26.7,-5500,0,0.0,-11000,-11000,,,,,"
                                 u",,,,11000,11000,0,1,-1\r\n"
                                 u"\"北,口\",1,120,5000,5000,0,100.0,0,0,0.0,0,0,,,,,,,,,0,0,0,0,0\r\n"
                                 u"支店,1,120,0,12000,12000,,6000,1,100.0,12000,12000,,,,,,,,,0,0,1,0,1\r\n"
                                 u"駅前,2,240,20000,40000,20000,200.0,5000,1,50.0,20000,0,,,,,"
                                 u",7071,-1930,11930,0,0,1,0,1\r\n"_s;
        QCOMPARE(buffer.data(), QByteArray("\xEF\xBB\xBF") + expected.toUtf8());
    }
};

TAMA_TEST_MAIN(TestStatsTable)
#include "tst_statstable.moc"
