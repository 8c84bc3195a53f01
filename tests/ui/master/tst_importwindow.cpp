#include "master/importwindow.h"
#include "support/windowfixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QTableView>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

// A visit stored in taro's 2024 diary before the import: the second row of the file below.
CardValues stored() {
    CardValues c;
    c.date = u"20240302土"_s;
    c.start = u"1000"_s;
    c.end = u"1530"_s;
    c.store = u"パーラー駅前"_s;
    c.category = u"2"_s;
    c.model = u"フィーバー銀河"_s;
    c.investment = u"0090"_s;
    c.cashOut = u"0215"_s;
    return c;
}

// pRecord's export: a new visit of 2023, the stored one, an amount not in hundreds, a new visit of 2024.
const QByteArray kPRecord =
    "日付,店舗コード,店舗,メーカー,機種コード,機種,台番号,投資額,回収額,収支,メモ,稼働時間,時給\r\n"
    "2023/12/30,1,ホール桜町,M,7,海物語,21,30000,12000,-18000,,3.25,\r\n"
    "2024/03/02,2,パーラー駅前,M,8,フィーバー銀河,105,9000,21500,12500,,5.5,\r\n"
    "2024/04/01,2,パーラー駅前,M,8,フィーバー銀河,105,1250,0,-1250,,1,\r\n"
    "2024/05/05,1,ホール桜町,M,7,海物語,22,10000,0,-10000,雨,2,\r\n";

QStringList lines(const QTableView *view) {
    QStringList out;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        out << view->model()->index(r, ImportPreviewModel::Line).data().toString();
    return out;
}

QString rowText(const QTableView *view, int row) {
    QStringList cells;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        cells << view->model()->index(row, c).data().toString();
    return cells.join(u'|');
}

void clickHeader(QTableView *view, int column) {
    QHeaderView *h = view->horizontalHeader();
    QTest::mouseClick(
        h->viewport(), Qt::LeftButton, {},
        QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
}

// A person opens the list with the mouse and clicks the entry. Each click comes after a
// pause: the list takes no click as quickly as the one that opened it, and two quick
// clicks would be a double click.
void clickEntry(QComboBox *box, const QString &text) {
    const int pause = QApplication::doubleClickInterval() + 20;
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(), pause);
    QAbstractItemView *view = box->view();
    if (!view->isVisible()) qFatal("the list did not open");
    QTest::qWait(pause);
    const QRect r = view->visualRect(view->model()->index(box->findText(text), 0));
    QTest::mouseMove(view->viewport(), r.center());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center(), pause);
    if (box->currentText() != text) qFatal("the entry was not chosen");
}

template <class W> W *activate(W *w) {
    w->activateWindow();
    QApplication::setActiveWindow(w);
    if (!QTest::qWaitForWindowActive(w)) qFatal("window not active");
    return w;
}

void pressAlt(QWidget *w, char key) {
    QTest::keyClick(w, Qt::Key(key), Qt::AltModifier);
}

} // namespace

class TstImportWindow : public QObject {
    Q_OBJECT

  private slots:
    // From the menu: the path typed, the category chosen by keys, Enter reads, a header
    // click sorts, the filter shows the refused row, 取り込む writes both years' diaries,
    // and the card screen and the preview follow.
    void importsThroughThePreview() {
        WindowFixture f(QDateTime(QDate(2024, 6, 1), QTime(14, 0)));
        f.folder.write(u"taro.2024.dat"_s, diaryBytes({stored()}));
        f.folder.write(u"in.csv"_s, kPRecord);
        PatincoMain *main = f.openCardScreen(u"taro.2024.dat"_s, u"2024"_s);
        main->findChild<QAction *>(u"importCsv"_s)->trigger();
        auto *w = activate(f.registry.find<ImportWindow>());
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle().left(4), u"取り込み"_s);

        QTest::mouseClick(control(w, "FileBox"), Qt::LeftButton);
        QTest::keyClicks(QApplication::focusWidget(), f.folder.file(u"in.csv"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control<QPushButton>(w, "Browse"));
        pressAlt(QApplication::focusWidget(), 'C');
        QCOMPARE(QApplication::focusWidget(), control<QComboBox>(w, "CategoryBox"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(control<QComboBox>(w, "CategoryBox")->currentText(), u"デジパチ"_s);
        pressAlt(QApplication::focusWidget(), 'F');
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

        auto *preview = control<QTableView>(w, "Preview");
        QCOMPARE(control<QLabel>(w, "FoundLabel")->text(), u"文字コード: UTF-8　形式: pRecord"_s);
        QCOMPARE(control<QLabel>(w, "CountsLabel")->text(), u"新規 2 枚　重複 1 枚　取り込まない 1 行"_s);
        QCOMPARE(lines(preview), (QStringList{u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
        clickHeader(preview, ImportPreviewModel::Investment);
        QCOMPARE(lines(preview), (QStringList{u"4"_s, u"3"_s, u"5"_s, u"2"_s}));
        clickHeader(preview, ImportPreviewModel::Investment);
        QCOMPARE(lines(preview), (QStringList{u"2"_s, u"5"_s, u"3"_s, u"4"_s}));

        chooseEntry(control<QComboBox>(w, "ShowBox"), 3); // 取り込まない
        QCOMPARE(preview->model()->rowCount(), 1);
        QVERIFY2(rowText(preview, 0).contains(u"100円単位"_s), qPrintable(rowText(preview, 0)));
        chooseEntry(control<QComboBox>(w, "ShowBox"), 0);

        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "ImportButton"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 2);
        QCOMPARE(f.dialogs.calls[0].message,
                 u"2 枚を2023年・2024年の日記に取り込みます。取り込む前の状態はバックアップに保存され、"
                 u"バックアップと復元から元に戻せます。"_s);
        QVERIFY2(f.dialogs.lastMessage().startsWith(u"2 枚のカードを取り込みました。"_s),
                 qPrintable(f.dialogs.lastMessage()));

        const QList<CardRecord> y2024 = DiaryFile(f.state.folder, u"taro.2024.dat"_s).readAll();
        const QList<CardRecord> y2023 = DiaryFile(f.state.folder, u"taro.2023.dat"_s).readAll();
        QCOMPARE(y2024.size(), 2);
        QCOMPARE(y2023.size(), 1);
        QCOMPARE(y2024[1].field(CardRecord::VisitDate).left(8), u"20240505"_s);
        QCOMPARE(y2024[1].investmentYen(), 10000);
        QCOMPARE(y2023[0].field(CardRecord::StoreName).trimmed(), u"ホール桜町"_s);
        // The card screen reads its diary again: the new card comes after the imported one.
        QCOMPARE(control<QScrollBar>(main, "HScroll1")->maximum(), 3);
        // The rows written are duplicates now.
        QCOMPARE(control<QLabel>(w, "CountsLabel")->text(), u"新規 0 枚　重複 3 枚　取り込まない 1 行"_s);
        QVERIFY(!control<QPushButton>(w, "ImportButton")->isEnabled());

        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(!f.registry.find<ImportWindow>());
    }

    // A file that cannot be imported as a whole says why in the window; nothing to import.
    void aRefusedFileShowsItsReason_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << u"in.csv"_s;
        QTest::newRow("binary") << QByteArray("PK\x03\x04\0\0\x14\0", 8) << u"in.csv"_s;
        QTest::newRow("a header only")
            << QByteArray(kPRecord).left(kPRecord.indexOf('\n') + 1) << u"見出しの行だけ"_s;
    }
    void aRefusedFileShowsItsReason() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        WindowFixture f(QDateTime(QDate(2024, 6, 1), QTime(14, 0)));
        f.state.open(u"taro"_s, 2024);
        f.folder.write(u"in.csv"_s, bytes);
        auto *w = activate(f.open<ImportWindow>());
        QTest::mouseClick(control(w, "FileBox"), Qt::LeftButton);
        QTest::keyClicks(control(w, "FileBox"), f.folder.file(u"in.csv"_s));
        QTest::mouseClick(control<QPushButton>(w, "ReadButton"), Qt::LeftButton);
        auto *problem = control<QLabel>(w, "ProblemLabel");
        QVERIFY(problem->isVisible());
        QVERIFY2(problem->text().contains(reason), qPrintable(problem->text()));
        QCOMPARE(control<QTableView>(w, "Preview")->model()->rowCount(), 0);
        QVERIFY(!control<QPushButton>(w, "ImportButton")->isEnabled());
        QVERIFY(!f.folder.exists(u"taro.2024.dat"_s));
    }

    // Any CSV through the columns table: the roles chosen with the mouse make the preview.
    void columnsChosenByMouse() {
        WindowFixture f(QDateTime(QDate(2024, 6, 1), QTime(14, 0)));
        f.state.open(u"taro"_s, 2024);
        f.folder.write(u"book.csv"_s, "日,場所,使った,戻った\n2024/05/05,ホールＡ,5000,8000\n");
        auto *w = activate(f.open<ImportWindow>());
        chooseEntry(control<QComboBox>(w, "FormatBox"), 3); // 列の対応づけ
        QVERIFY(control<QWidget>(w, "ColumnsFrame")->isVisible());
        chooseEntry(control<QComboBox>(w, "CategoryBox"), 0); // 羽物
        QTest::mouseClick(control(w, "FileBox"), Qt::LeftButton);
        QTest::keyClicks(control(w, "FileBox"), f.folder.file(u"book.csv"_s));
        QTest::keyClick(control(w, "FileBox"), Qt::Key_Return);
        QVERIFY(control<QLabel>(w, "ProblemLabel")->text().contains(u"日付の列"_s));

        clickEntry(control<QComboBox>(w, "Role1"), u"日付"_s);
        clickEntry(control<QComboBox>(w, "Role2"), u"店名"_s);
        clickEntry(control<QComboBox>(w, "Role3"), u"投資額"_s);
        clickEntry(control<QComboBox>(w, "Role4"), u"回収額"_s);
        // A role belongs to one column: choosing it again takes it from the first.
        clickEntry(control<QComboBox>(w, "Role4"), u"投資額"_s);
        QCOMPARE(control<QComboBox>(w, "Role3")->currentText(), u"使わない"_s);
        clickEntry(control<QComboBox>(w, "Role3"), u"回収額"_s);
        QVERIFY2(!control<QLabel>(w, "ProblemLabel")->isVisible(),
                 qPrintable(control<QLabel>(w, "ProblemLabel")->text()));
        QCOMPARE(rowText(control<QTableView>(w, "Preview"), 0),
                 u"2|新規|2024/05/05|10:00|10:00|ホールＡ|羽物||8,000|5,000|\u22123,000||"_s);
        QVERIFY(control<QPushButton>(w, "ImportButton")->isEnabled());
    }
};

QTEST_MAIN(TstImportWindow)
#include "tst_importwindow.moc"
