#include "reports/yearlistfilter.h"
#include "reports/yearlistmodel.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::digits4;
using tama::test::makeCard;
using Column = YearListLine::Column;

namespace {

std::unique_ptr<YearList> listOf(const QList<std::pair<int, int>> &amounts) {
    QList<CardRecord> cards;
    for (auto [in, out] : amounts)
        cards.append(makeCard({.investment = digits4(in), .cashOut = digits4(out)}));
    return std::make_unique<YearList>(cards, YearListFilter::everything());
}

} // namespace

class TestYearListModel : public QObject {
    Q_OBJECT

  private slots:
    // The rows follow the sorter's order through each press, as the item views' rules
    // want them, and each row names its card.
    void rowsInTheButtonsOrder_data() {
        QTest::addColumn<QList<Column>>("presses");
        QTest::addColumn<QList<int>>("records");
        QTest::newRow("record order") << QList<Column>{} << QList<int>{1, 2, 3};
        QTest::newRow("by profit") << QList<Column>{Column::Profit} << QList<int>{2, 3, 1};
        QTest::newRow("by profit, reversed")
            << QList<Column>{Column::Profit, Column::Profit} << QList<int>{1, 3, 2};
        QTest::newRow("by investment") << QList<Column>{Column::Investment} << QList<int>{1, 3, 2};
    }
    void rowsInTheButtonsOrder() {
        QFETCH(QList<Column>, presses);
        QFETCH(QList<int>, records);
        YearListModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(m.rowCount(), 0);
        m.setList(listOf({{10, 50}, {30, 0}, {20, 20}}));
        for (Column c : presses)
            m.press(c);
        QCOMPARE(m.rowCount(), 3);
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(m.recordAt(row), records[row]);
            const YearListLine &line = m.list().lines()[records[row] - 1];
            QCOMPARE(m.data(m.index(row)).toString(), line.text());
        }
        QCOMPARE(m.recordAt(3), 0);
        QCOMPARE(m.recordAt(-1), 0);
        QVERIFY(!m.data(m.index(0), Qt::EditRole).isValid());
    }

    // A list made afresh starts in record order again.
    void anotherListStartsInRecordOrder() {
        YearListModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.setList(listOf({{10, 50}, {30, 0}}));
        m.press(Column::Profit);
        QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
        m.setList(listOf({{10, 50}, {30, 0}, {5, 0}}));
        QCOMPARE(reset.count(), 1);
        QCOMPARE(m.recordAt(0), 1);
        QCOMPARE(m.recordAt(2), 3);
    }
};

TAMA_TEST_MAIN(TestYearListModel)
#include "tst_yearlistmodel.moc"
