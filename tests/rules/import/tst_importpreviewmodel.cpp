#include "import/importpreviewmodel.h"
#include "support/cardbuilder.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::CardValues;
using tama::test::makeCard;

namespace {

// A pRecord row: 日付,店舗コード,店舗,メーカー,機種コード,機種,台番号,投資額,回収額,収支,メモ,稼働時間,時給
QStringList precordFields(const QString &date, const QString &store, const QString &model, const QString &in,
                          const QString &out) {
    return {date, u"12"_s, store,     u"M"_s,    u"3"_s,   model,    u"105"_s,
            in,   out,     QString(), QString(), u"5.5"_s, QString()};
}

ImportRow formed(int line, ImportVerdict verdict, const CardValues &v, const QDate &date,
                 const QString &machine) {
    ImportRow r;
    r.line = line;
    r.verdict = verdict;
    r.card = makeCard(v);
    r.date = date;
    r.diaryFile = u"taro.%1.dat"_s.arg(date.year());
    r.play.machine = machine;
    return r;
}

// Three rows: a new card, a duplicate of a stored one, and a row whose amount cannot be stored.
ImportPlan samplePlan() {
    ImportPlan plan;
    plan.user = u"taro"_s;
    plan.format = ImportFormat::PRecord;
    CardValues first;
    first.date = u"20240302土"_s;
    first.start = u" 930"_s;
    first.end = u"1500"_s;
    first.store = u"パーラー駅前"_s;
    first.category = u"2"_s;
    first.model = u"フィーバー銀河"_s;
    first.investment = u"0090"_s;
    first.cashOut = u"0215"_s;
    ImportRow a = formed(2, ImportVerdict::New, first, QDate(2024, 3, 2), u"105"_s);
    a.fields = precordFields(u"2024/03/02"_s, u"パーラー駅前"_s, u"フィーバー銀河"_s, u"9000"_s, u"21500"_s);
    a.notices << u"開始時刻がないので 9:30 としました"_s;

    CardValues second = first;
    second.date = u"20231231日"_s;
    second.start = u"1000"_s;
    second.end = u"1000"_s;
    second.category = u"1"_s;
    second.investment = u"0100"_s;
    second.cashOut = u"0000"_s;
    ImportRow b = formed(3, ImportVerdict::Duplicate, second, QDate(2023, 12, 31), QString());
    b.reason = u"2023年のカード 4 と同じ"_s;

    ImportRow c;
    c.line = 5;
    c.verdict = ImportVerdict::Refused;
    c.date = QDate(2024, 1, 7);
    c.fields = precordFields(u"2024/01/07"_s, u" ホール桜町 "_s, u"海"_s, u"12,500"_s, u"0"_s);
    c.reason = u"投資額は100円単位です"_s;
    plan.rows = {a, b, c};
    return plan;
}

QStringList column(const QAbstractItemModel &m, int c) {
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.index(r, c).data().toString();
    return out;
}

} // namespace

class TstImportPreviewModel : public QObject {
    Q_OBJECT

  private slots:
    // Each row as the preview shows it: the card it becomes, or the raw fields where no card
    // can be formed.
    void rowTexts_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("texts");
        QTest::newRow("new")
            << 0
            << u"2|新規|2024/03/02|9:30|15:00|パーラー駅前|デジパチ|フィーバー銀河|9,000|21,500|"
               u"+12,500|105|開始時刻がないので 9:30 としました"_s;
        QTest::newRow("duplicate")
            << 1
            << u"3|重複|2023/12/31|10:00|10:00|パーラー駅前|羽物|フィーバー銀河|10,000|0|"
               u"\u221210,000||2023年のカード 4 と同じ"_s;
        QTest::newRow("refused, raw fields") << 2
                                             << u"5|取り込まない|2024/01/07|||ホール桜町||海|12,500|0||105|"
                                                u"投資額は100円単位です"_s;
    }
    void rowTexts() {
        QFETCH(int, row);
        QFETCH(QString, texts);
        ImportPreviewModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setPlan(samplePlan(), precordMap());
        QCOMPARE(model.rowCount(), 3);
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.index(row, c).data().toString();
        QCOMPARE(cells.join(u'|'), texts);
    }

    // Clicking a header sorts by value, not by text: 10,000 yen after 9,000, 2023 before 2024,
    // 9:30 before 10:00; the refused row's raw amount takes its place among the numbers.
    void sortsByValue_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("date") << int(ImportPreviewModel::Date) << QStringList{u"3"_s, u"5"_s, u"2"_s};
        QTest::newRow("start") << int(ImportPreviewModel::Start) << QStringList{u"5"_s, u"2"_s, u"3"_s};
        QTest::newRow("investment") << int(ImportPreviewModel::Investment)
                                    << QStringList{u"2"_s, u"3"_s, u"5"_s};
        QTest::newRow("profit") << int(ImportPreviewModel::Profit) << QStringList{u"5"_s, u"3"_s, u"2"_s};
        QTest::newRow("verdict") << int(ImportPreviewModel::Verdict) << QStringList{u"2"_s, u"3"_s, u"5"_s};
    }
    void sortsByValue() {
        QFETCH(int, column);
        QFETCH(QStringList, lines);
        ImportPreviewModel model;
        model.setPlan(samplePlan(), precordMap());
        ImportPreviewFilter filter;
        QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        filter.setSourceModel(&model);
        filter.sort(column, Qt::AscendingOrder);
        QCOMPARE(::column(filter, ImportPreviewModel::Line), lines);
    }

    // The 表示 box: one verdict or all; sorting holds across a change of filter and of plan.
    void filtersByVerdict() {
        ImportPreviewModel model;
        ImportPreviewFilter filter;
        QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        filter.setSourceModel(&model);
        model.setPlan(samplePlan(), precordMap());
        filter.sort(ImportPreviewModel::Date, Qt::DescendingOrder);
        filter.setVerdict(ImportVerdict::Refused);
        QCOMPARE(::column(filter, ImportPreviewModel::Line), QStringList{u"5"_s});
        filter.setVerdict(std::nullopt);
        QCOMPARE(::column(filter, ImportPreviewModel::Line), (QStringList{u"2"_s, u"5"_s, u"3"_s}));
        filter.setVerdict(ImportVerdict::New);
        ImportPlan again = samplePlan();
        again.rows[1].verdict = ImportVerdict::New;
        model.setPlan(again, precordMap());
        QCOMPARE(::column(filter, ImportPreviewModel::Line), (QStringList{u"2"_s, u"3"_s}));
        model.clear();
        QCOMPARE(filter.rowCount(), 0);
    }

    void countsText() {
        ImportPlan plan = samplePlan();
        for (int i = 0; i < 1200; ++i)
            plan.rows.append(plan.rows[0]);
        QCOMPARE(importCountsText(plan), u"新規 1,201 枚　重複 1 枚　取り込まない 1 行"_s);
    }
};

QTEST_GUILESS_MAIN(TstImportPreviewModel)
#include "tst_importpreviewmodel.moc"
