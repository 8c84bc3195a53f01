#include "master/mdata.h"
#include "store/playdata.h"
#include "support/windowfixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

// An 80-byte store record: the name in 20 bytes, then the reserved fields.
QByteArray store(const QByteArray &name) {
    return name + spaces(80 - int(name.size()));
}

const QByteArray kStores = store(hex("8260 8261 8262")) + store(hex("8263 8264 8265")); // ＡＢＣ, ＤＥＦ

HallTerms terms(const QString &storeName, QDate from, double lend, double exchange) {
    HallTerms t;
    t.store = storeName;
    t.from = from;
    t.lend = lend;
    t.exchange = exchange;
    return t;
}

QStringList lines(const QTreeWidget *list) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells << list->topLevelItem(i)->text(c);
        out << cells.join(u'|');
    }
    return out;
}

void clickLine(QTreeWidget *list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(row)).center());
}

void clickIn(QWidget *w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2));
}

void tab() {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
}

} // namespace

class TstHallTerms : public QObject {
    Q_OBJECT

  private:
    static MDATA *openActive(WindowFixture &f) {
        MDATA *w = f.open<MDATA>();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        if (!QTest::qWaitForWindowActive(w)) qFatal("window not active");
        return w;
    }

  private slots:
    void termsTypedAreStoredForTheChosenStore() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, kStores);
        MDATA *w = openActive(f);
        QVERIFY(!f.folder.exists(u"tamanote.db"_s)); // looking adds no file
        chooseEntry(control<PopupComboBox>(w, "Combo1"), 0);
        QCOMPARE(control<QGroupBox>(w, "TermsFrame")->title(), u"交換条件 − ＡＢＣ"_s);

        clickIn(control<QLineEdit>(w, "TermsFrom"));
        QTest::keyClicks(QApplication::focusWidget(), u"2024/05/01"_s);
        tab();
        QTest::keyClicks(QApplication::focusWidget(), u"4y"_s);
        tab();
        QTest::keyClicks(QApplication::focusWidget(), u"28"_s);
        QCOMPARE(control<QLabel>(w, "TermsYen")->text(), u"（1玉 3.57円）"_s);
        tab();
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(w, "TermsFee"));
        QTest::keyClick(control<QLineEdit>(w, "TermsFee"), Qt::Key_Return);
        // Refused with the reason; nothing stored, not even an empty database.
        QCOMPARE(f.dialogs.calls.size(), 1);
        QCOMPARE(f.dialogs.calls[0].kind, RecordingDialogs::Call::Info);
        QCOMPARE(f.dialogs.calls[0].message, u"貸玉料金「4y」は数字ではありません"_s);
        QCOMPARE(f.dialogs.calls[0].title, u"注意"_s);
        QVERIFY(!f.folder.exists(u"tamanote.db"_s));

        f.dialogs.clear();
        clickIn(control<QLineEdit>(w, "TermsLend"));
        QTest::keyClick(control<QLineEdit>(w, "TermsLend"), Qt::Key_End);
        QTest::keyClick(control<QLineEdit>(w, "TermsLend"), Qt::Key_Backspace);
        QTest::keyClick(control<QLineEdit>(w, "TermsLend"), Qt::Key_Return);
        QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.lastMessage()));

        {
            const PlayDatabase db(f.state.folder, PlayDatabase::Mode::ReadOnly);
            QVERIFY2(db.isOpen(), qPrintable(db.reason()));
            const QList<HallTerms> stored = db.hallTerms();
            QCOMPARE(stored.size(), 1);
            QCOMPARE(stored[0].store, u"ＡＢＣ"_s);
            QCOMPARE(stored[0].from, QDate(2024, 5, 1));
            QCOMPARE(stored[0].lend, 4.0);
            QCOMPARE(stored[0].exchange, 28.0);
            QVERIFY(!stored[0].feePercent);
        }
        QCOMPARE(lines(control<QTreeWidget>(w, "TermsList")), QStringList{u"2024/05/01|4|28|3.57|"_s});

        // The line chosen fills the boxes; set again, it replaces the terms of that day.
        clickLine(control<QTreeWidget>(w, "TermsList"), 0);
        QCOMPARE(control<QLineEdit>(w, "TermsExchange")->text(), u"28"_s);
        control<QLineEdit>(w, "TermsExchange")->selectAll();
        QTest::keyClicks(control<QLineEdit>(w, "TermsExchange"), u"25"_s);
        clickIn(control<QLineEdit>(w, "TermsFee"));
        QTest::keyClicks(control<QLineEdit>(w, "TermsFee"), u"10"_s);
        QTest::mouseClick(control<QPushButton>(w, "TermsSet"), Qt::LeftButton);
        QCOMPARE(lines(control<QTreeWidget>(w, "TermsList")), QStringList{u"2024/05/01|4|25|4.00|10"_s});

        clickLine(control<QTreeWidget>(w, "TermsList"), 0);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "TermsRemove"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 1);
        QCOMPARE(f.dialogs.calls[0].message, u"[ＡＢＣ] 2024/05/01 からの交換条件を削除しますか？"_s);
        QVERIFY(control<QTreeWidget>(w, "TermsList")->topLevelItemCount() == 0);
        QVERIFY(PlayDatabase(f.state.folder, PlayDatabase::Mode::ReadOnly).hallTerms().isEmpty());
        QCOMPARE(f.folder.read(u"patishop.dat"_s), kStores);
    }

    void termsOfADeletedStoreStayAsUnused() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, kStores);
        {
            PlayDatabase db(f.state.folder);
            QVERIFY2(db.isOpen(), qPrintable(db.reason()));
            db.setHallTerms(terms(u"ＡＢＣ"_s, QDate(2024, 5, 1), 4, 28));
            db.setHallTerms(terms(u"ＤＥＦ"_s, QDate(2023, 1, 1), 1, 25));
        }
        MDATA *w = openActive(f);
        QVERIFY(!control<QTreeWidget>(w, "UnusedTerms")->isVisible());
        chooseEntry(control<PopupComboBox>(w, "Combo1"), 0);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command5"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), store(hex("8263 8264 8265")));
        QVERIFY(control<QTreeWidget>(w, "UnusedTerms")->isVisible());
        QCOMPARE(lines(control<QTreeWidget>(w, "UnusedTerms")),
                 QStringList{u"ＡＢＣ|2024/05/01|4|28|3.57|"_s});
        QCOMPARE(PlayDatabase(f.state.folder, PlayDatabase::Mode::ReadOnly).hallTerms().size(), 2);

        clickLine(control<QTreeWidget>(w, "UnusedTerms"), 0);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "UnusedRemove"), Qt::LeftButton);
        QVERIFY(!control<QTreeWidget>(w, "UnusedTerms")->isVisible());
        const QList<HallTerms> left = PlayDatabase(f.state.folder, PlayDatabase::Mode::ReadOnly).hallTerms();
        QCOMPARE(left.size(), 1);
        QCOMPARE(left[0].store, u"ＤＥＦ"_s);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 0);
    }

    void aWriteRefusedIsSaidAndAddsNoFile() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, kStores);
        f.state.setReadOnly(true); // another instance holds the folder
        MDATA *w = openActive(f);
        QVERIFY(control<QPushButton>(w, "TermsSet")->isEnabled());
        chooseEntry(control<PopupComboBox>(w, "Combo1"), 0);
        clickIn(control<QLineEdit>(w, "TermsFrom"));
        QTest::keyClicks(control<QLineEdit>(w, "TermsFrom"), u"2024/05/01"_s);
        clickIn(control<QLineEdit>(w, "TermsLend"));
        QTest::keyClicks(control<QLineEdit>(w, "TermsLend"), u"4"_s);
        clickIn(control<QLineEdit>(w, "TermsExchange"));
        QTest::keyClicks(control<QLineEdit>(w, "TermsExchange"), u"28"_s);
        QTest::mouseClick(control<QPushButton>(w, "TermsSet"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 1);
        QCOMPARE(f.dialogs.calls[0].kind, RecordingDialogs::Call::Error);
        QCOMPARE(f.dialogs.calls[0].message,
                 u"「tamanote.db」: データフォルダに書き込めないため、保存できません"_s);
        QVERIFY(!f.folder.exists(u"tamanote.db"_s));
        QCOMPARE(control<QLineEdit>(w, "TermsFrom")->text(), u"2024/05/01"_s);
    }

    void aDamagedDatabaseLeavesTheStoresWorking() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, kStores);
        const QByteArray junk = QByteArray("not a database at all").repeated(100);
        f.folder.write(u"tamanote.db"_s, junk);
        MDATA *w = openActive(f);
        QVERIFY(control<QLabel>(w, "TermsStatus")->isVisible());
        QVERIFY2(control<QLabel>(w, "TermsStatus")->text().startsWith(u"交換条件は使えません: "_s),
                 qPrintable(control<QLabel>(w, "TermsStatus")->text()));
        QVERIFY(control<QLabel>(w, "TermsStatus")->text().size() >
                QStringLiteral("交換条件は使えません: ").size());
        QVERIFY(!control<QPushButton>(w, "TermsSet")->isEnabled());
        QVERIFY(!control<QLineEdit>(w, "TermsFrom")->isEnabled());
        chooseEntry(control<PopupComboBox>(w, "Combo1"), 0);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->currentText(), u"ＡＢＣ"_s);
        QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.lastMessage()));
        QCOMPARE(f.folder.read(u"tamanote.db"_s), junk);
    }
};

TAMA_GUI_TEST_MAIN(TstHallTerms)
#include "tst_hallterms.moc"
