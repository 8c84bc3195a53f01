#include "reports/resultstext.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

// A group of cards given as profit, minutes, profit, minutes, …
StatsGroup timed(const QList<qint64> &cards) {
    StatsGroup g;
    for (qsizetype i = 0; i < cards.size(); i += 2)
        g.addCard(cards[i] < 0 ? -cards[i] : 0, cards[i] > 0 ? cards[i] : 0, int(cards[i + 1]));
    return g;
}

StatsGroup days(const QList<qint64> &results) {
    StatsGroup g;
    for (qint64 r : results)
        g.dayRuns.addDay(r);
    return g;
}

} // namespace

class TestResultsText : public QObject {
    Q_OBJECT

  private slots:
    // What the range says: it holds 0, lies wholly above or below it, or cannot be had.
    void hourly_data() {
        QTest::addColumn<QList<qint64>>("cards");
        QTest::addColumn<QString>("text");
        // μ 333.3, range −1,300 … +1,967 (worked out in the statistics' tests).
        QTest::newRow("holds zero") << QList<qint64>{2000, 60, -1000, 120}
                                    << u"時給 +333円（95%の範囲: −1,300円〜+1,967円）— まだ運の範囲です"_s;
        // μ 1500, σ² = (5,000,000 − 4,500,000) / 2, σ = 500; 1.96 · 500 / √2 = 693.0.
        QTest::newRow("above zero")
            << QList<qint64>{2000, 60, 1000, 60}
            << u"時給 +1,500円（95%の範囲: +807円〜+2,193円）— 運だけでは説明しにくい勝ちです"_s;
        QTest::newRow("below zero")
            << QList<qint64>{-2000, 60, -1000, 60}
            << u"時給 −1,500円（95%の範囲: −2,193円〜−807円）— 運だけでは説明しにくい負けです"_s;
        QTest::newRow("one card")
            << QList<qint64>{-1000, 120, 3000, 0}
            << u"時給 −500円（時間の分かるカードが1枚だけです）— 範囲を出すには2枚以上要ります"_s;
        QTest::newRow("no time") << QList<qint64>{3000, 0}
                                 << u"時給 -（開始と終了の時刻が入ったカードがありません）— 2枚以上そろうと、"
                                    u"運か実力かの目安が出せます"_s;
    }
    void hourly() {
        QFETCH(QList<qint64>, cards);
        QFETCH(QString, text);
        QCOMPARE(hourlyResultText(timed(cards)), text);
    }

    void drawdownsAndStreaks_data() {
        QTest::addColumn<QList<qint64>>("results");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("no day") << QList<qint64>{}
                                << QStringList{u"最大ドローダウン -（日付の読めるカードがありません）"_s,
                                               u"最長連勝 -　最長連敗 -（日付の読めるカードがありません）"_s};
        // Totals 5000, −7300, −4300, −2300: 12,300 below the peak of 5000, 7300 now.
        QTest::newRow("below the peak")
            << QList<qint64>{5000, -12300, 3000, 2000}
            << QStringList{u"最大ドローダウン 12,300円（累計がそれまでの山から最も下がった額）"
                           u"　現在のドローダウン 7,300円（山の +5,000円 から下にいます）"_s,
                           u"最長連勝 2日　最長連敗 1日　いま 2連勝中　来店 4日"_s};
        QTest::newRow("at the peak, a losing run")
            << QList<qint64>{-1000, -1000, 3000}
            << QStringList{u"最大ドローダウン 2,000円（累計がそれまでの山から最も下がった額）"
                           u"　現在のドローダウン 0円（いまが累計の山です）"_s,
                           u"最長連勝 1日　最長連敗 2日　いま 1連勝中　来店 3日"_s};
        QTest::newRow("losing now") << QList<qint64>{1000, -500, -500}
                                    << QStringList{
                                           u"最大ドローダウン 1,000円（累計がそれまでの山から最も下がった額）"
                                           u"　現在のドローダウン 1,000円（山の +1,000円 から下にいます）"_s,
                                           u"最長連勝 1日　最長連敗 2日　いま 2連敗中　来店 3日"_s};
        QTest::newRow("even last day")
            << QList<qint64>{0}
            << QStringList{u"最大ドローダウン 0円（累計がそれまでの山から最も下がった額）"
                           u"　現在のドローダウン 0円（いまが累計の山です）"_s,
                           u"最長連勝 0日　最長連敗 0日　いまは連続なし（最後の日が0円）"
                           u"　来店 1日"_s};
    }
    void drawdownsAndStreaks() {
        QFETCH(QList<qint64>, results);
        QFETCH(QStringList, lines);
        const StatsGroup g = days(results);
        QCOMPARE((QStringList{drawdownText(g), streakText(g)}), lines);
        QCOMPARE(resultsLines(g), (QStringList{hourlyResultText(g)} + lines));
    }
};

TAMA_TEST_MAIN(TestResultsText)
#include "tst_resultstext.moc"
