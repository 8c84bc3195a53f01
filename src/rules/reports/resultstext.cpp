#include "reports/resultstext.h"

#include "common/grouping.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

QString resultYenText(qint64 yen) {
    const QString digits = groupedDigits(yen < 0 ? -yen : yen);
    return (yen > 0 ? u"+"_s : yen < 0 ? u"−"_s : QString()) + digits + u"円"_s;
}

QString hourlyResultText(const StatsGroup &g) {
    const std::optional<qint64> mean = g.hourlyMean();
    if (!mean)
        return u"時給 -（開始と終了の時刻が入ったカードがありません）— 2枚以上そろうと、"
               u"運か実力かの目安が出せます"_s;
    const QString head = u"時給 "_s + resultYenText(*mean);
    const std::optional<HourlyRange> r = g.hourlyCi95();
    if (!r) return head + u"（時間の分かるカードが1枚だけです）— 範囲を出すには2枚以上要ります"_s;
    const QString range =
        u"（95%の範囲: "_s + resultYenText(r->low) + u"〜"_s + resultYenText(r->high) + u"）"_s;
    if (r->low > 0) return head + range + u"— 運だけでは説明しにくい勝ちです"_s;
    if (r->high < 0) return head + range + u"— 運だけでは説明しにくい負けです"_s;
    return head + range + u"— まだ運の範囲です"_s;
}

QString drawdownText(const StatsGroup &g) {
    const DayRuns &d = g.dayRuns;
    if (d.days == 0) return u"最大ドローダウン -（日付の読めるカードがありません）"_s;
    QString text = u"最大ドローダウン "_s + resultYenText(d.maxDrawdown).remove(u'+') +
                   u"（累計がそれまでの山から最も下がった額）　現在のドローダウン "_s +
                   resultYenText(d.currentDrawdown).remove(u'+');
    text += d.currentDrawdown == 0 ? u"（いまが累計の山です）"_s
                                   : u"（山の "_s + resultYenText(d.peak) + u" から下にいます）"_s;
    return text;
}

QString streakText(const StatsGroup &g) {
    const DayRuns &d = g.dayRuns;
    if (d.days == 0) return u"最長連勝 -　最長連敗 -（日付の読めるカードがありません）"_s;
    QString now;
    if (d.currentStreak > 0)
        now = u"いま "_s + QString::number(d.currentStreak) + u"連勝中"_s;
    else if (d.currentStreak < 0)
        now = u"いま "_s + QString::number(-d.currentStreak) + u"連敗中"_s;
    else
        now = u"いまは連続なし（最後の日が0円）"_s;
    return u"最長連勝 "_s + QString::number(d.longestWinStreak) + u"日　最長連敗 "_s +
           QString::number(d.longestLossStreak) + u"日　"_s + now + u"　来店 "_s + QString::number(d.days) +
           u"日"_s;
}

QStringList resultsLines(const StatsGroup &g) {
    return {hourlyResultText(g), drawdownText(g), streakText(g)};
}

} // namespace tama
