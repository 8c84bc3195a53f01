#include "master/chodamawindow.h"
#include "store/playdata.h"
#include "support/windowfixture.h"
#include "views/dispreport.h"
#include "views/listview.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QTableView>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

QByteArray store(const QByteArray &name) {
    return name + spaces(80 - int(name.size()));
}

const QByteArray kStores = store(hex("8260 8261 8262")) + store(hex("8263 8264 8265")); // ＡＢＣ, ＤＥＦ

CardValues visit(const QString &date, const QString &investment, const QString &cashOut) {
    CardValues c;
    c.date = date;
    c.store = u"ＡＢＣ"_s;
    c.investment = investment;
    c.cashOut = cashOut;
    return c;
}

QStringList rows(const QTableView *view) {
    QStringList out;
    const QAbstractItemModel *m = view->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        out << cells.join(u'|');
    }
    return out;
}

void clickIn(QWidget *w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2));
}

void clickRow(QTableView *view, int row) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row, 1)).center());
}

} // namespace

class TstChodamaWindow : public QObject {
    Q_OBJECT

  private:
    // A diary of two visits at ＡＢＣ (4 yen a ball, 25 balls per 100 yen, a 2 % replay fee):
    // the first stored 1,000 balls, the second replayed 500.
    static void prepare(WindowFixture &f) {
        f.folder.write(u"patishop.dat"_s, kStores);
        f.folder.write(u"hirapati.dat"_s,
                       hex("82 77") + spaces(158)); // the 羽物 model Ｘ, for the year list's filter
        const QList<CardValues> cards = {visit(u"19990301月"_s, u"0100"_s, u"0000"_s),
                                         visit(u"19990308月"_s, u"0050"_s, u"0120"_s)};
        f.state.open(u"taro"_s, 1999);
        f.writeDiary(cards);
        PlayDatabase db(f.state.folder);
        HallTerms t;
        t.store = u"ＡＢＣ"_s;
        t.from = QDate(1999, 1, 1);
        t.lend = 4;
        t.exchange = 25;
        t.feePercent = 2;
        db.setHallTerms(t);
        PlayInputs first, second;
        first.chodamaDeposited = 1000;
        second.chodamaUsed = 500;
        db.setPlay(f.state.diaryFile(), CardKey{cardFingerprint(cardBytes(cards[0])), 0}, first, 1);
        db.setPlay(f.state.diaryFile(), CardKey{cardFingerprint(cardBytes(cards[1])), 0}, second, 2);
    }

    static ChodamaWindow *openActive(WindowFixture &f) {
        ChodamaWindow *w = f.open<ChodamaWindow>();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        if (!QTest::qWaitForWindowActive(w)) qFatal("window not active");
        return w;
    }

  private slots:
    // The cards' 貯玉 is in the ledger with the fee, and the hall's balance is valued at its terms.
    void showsTheCardsAndTheBalance() {
        WindowFixture f;
        prepare(f);
        ChodamaWindow *w = openActive(f);
        QCOMPARE(rows(control<QTableView>(w, "Lines")),
                 QStringList({u"1999/03/01|ＡＢＣ|預け入れ|1,000||+1,000|1,000|1999年のカード 1"_s,
                              u"1999/03/08|ＡＢＣ|再プレイ|500|10|\u2212510|490|1999年のカード 2"_s}));
        QCOMPARE(rows(control<QTableView>(w, "Halls")),
                 QStringList({u"ＡＢＣ|490玉|1,960円"_s, u"合計||1,960円"_s}));
        QVERIFY(!control<QCheckBox>(w, "CountInTotals")->isChecked());
    }

    // A database made while the window is open (the first card with play data) is read at the
    // next change of the cards.
    void aDatabaseMadeLaterIsRead() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, kStores);
        f.state.open(u"taro"_s, 1999);
        const CardValues card = visit(u"19990301月"_s, u"0100"_s, u"0000"_s);
        f.writeDiary({card});
        ChodamaWindow *w = openActive(f);
        QCOMPARE(control<QTableView>(w, "Lines")->model()->rowCount(), 0);
        {
            PlayDatabase db(f.state.folder);
            PlayInputs p;
            p.chodamaDeposited = 300;
            db.setPlay(f.state.diaryFile(), CardKey{cardFingerprint(cardBytes(card)), 0}, p, 1);
        }
        f.state.noteCardsChanged();
        const QStringList halls = rows(control<QTableView>(w, "Halls"));
        QCOMPARE(halls.size(), 2); // and the total
        QCOMPARE(halls.first(), u"ＡＢＣ|300玉|交換条件なし"_s);
    }

    // An entry typed by a person is stored and counted; a wrong count is refused with the
    // reason and stores nothing.
    void anEntryTypedIsStoredAndAWrongOneRefused() {
        WindowFixture f;
        prepare(f);
        ChodamaWindow *w = openActive(f);
        auto *kind = control<QComboBox>(w, "EntryKind");
        chooseEntry(kind, 2); // 精算
        QCOMPARE(kind->currentText(), u"精算"_s);
        clickIn(control<QLineEdit>(w, "EntryBalls"));
        QTest::keyClicks(QApplication::focusWidget(), u"-40"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 1);
        QVERIFY(f.dialogs.lastMessage().contains(u"1以上"_s));
        QCOMPARE(control<QTableView>(w, "Lines")->model()->rowCount(), 2);

        auto *balls = control<QLineEdit>(w, "EntryBalls");
        balls->selectAll();
        typeJapanese(balls, u"２９０"_s); // full-width digits as an input method gives them
        clickIn(control<QLineEdit>(w, "EntryNote"));
        typeJapanese(QApplication::focusWidget(), u"景品に交換"_s);
        QTest::mouseClick(control<QPushButton>(w, "AddEntry"), Qt::LeftButton);
        const QStringList lines = rows(control<QTableView>(w, "Lines"));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.last(), u"1999/03/15|ＡＢＣ|精算|290||\u2212290|200|景品に交換"_s);
        QCOMPARE(rows(control<QTableView>(w, "Halls")).first(), u"ＡＢＣ|200玉|800円"_s);
        QCOMPARE(PlayDatabase(f.state.folder).chodamaEntries(u"taro"_s).size(), 1);

        // The entry made by hand can be removed; a card's line cannot.
        clickRow(control<QTableView>(w, "Lines"), 0);
        QTest::mouseClick(control<QPushButton>(w, "RemoveEntry"), Qt::LeftButton);
        QVERIFY(f.dialogs.lastMessage().contains(u"選んでください"_s));
        clickRow(control<QTableView>(w, "Lines"), 2);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "RemoveEntry"), Qt::LeftButton);
        QCOMPARE(rows(control<QTableView>(w, "Lines")).size(), 2);
        QVERIFY(PlayDatabase(f.state.folder).chodamaEntries(u"taro"_s).isEmpty());
    }

    // The switch counts the change of 貯玉 in the totals of the open year list and report at
    // once: 1,000 balls stored (4,000 yen) taken home, 510 replayed (2,040 yen) put in.
    void theSwitchCountsInTheTotals() {
        WindowFixture f;
        prepare(f);
        listview *list = f.open<listview>();
        dispreport *report = f.open<dispreport>();
        QCOMPARE(control<QLabel>(list, "Label10")->text(), u"-3000"_s);
        QVERIFY(!control<QLabel>(list, "ChodamaNote")->isVisible());

        ChodamaWindow *w = openActive(f);
        QTest::mouseClick(control<QCheckBox>(w, "CountInTotals"), Qt::LeftButton, {}, QPoint(6, 6));
        QVERIFY(control<QCheckBox>(w, "CountInTotals")->isChecked());
        QCOMPARE(control<QLabel>(list, "Label8")->text(), u" 17040"_s);
        QCOMPARE(control<QLabel>(list, "Label9")->text(), u" 16000"_s);
        QCOMPARE(control<QLabel>(list, "Label10")->text(), u"-1040"_s);
        QVERIFY(control<QLabel>(list, "ChodamaNote")->isVisible());
        QCOMPARE(control<QLabel>(list, "ChodamaNote")->text(), u"貯玉 +1,960円を含む"_s);
        QVERIFY(control<QLabel>(report, "ChodamaNote")->isVisible());

        QTest::mouseClick(control<QCheckBox>(w, "CountInTotals"), Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(control<QLabel>(list, "Label10")->text(), u"-3000"_s);
        QVERIFY(!control<QLabel>(list, "ChodamaNote")->isVisible());
        QVERIFY(!control<QLabel>(report, "ChodamaNote")->isVisible());
    }
};

QTEST_MAIN(TstChodamaWindow)
#include "tst_chodamawindow.moc"
