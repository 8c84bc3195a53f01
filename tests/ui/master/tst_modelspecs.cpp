#include "master/kdata.h"
#include "store/playdata.h"
#include "support/windowfixture.h"

#include <QApplication>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

// A 160-byte catalogue record with blank details.
QByteArray model(const QByteArray &name) {
    return name + spaces(160 - int(name.size()));
}

const QByteArray kAbc = hex("8260 8261 8262"), kDef = hex("8263 8264 8265"), kX = hex("8277");

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

void clickIn(QWidget *w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2));
}

ModelSpec modelSpec(const QString &name, double p, double payout) {
    ModelSpec s;
    s.category = 1;
    s.model = name;
    s.probability = p;
    s.payout = payout;
    return s;
}

} // namespace

class TstModelSpecs : public QObject {
    Q_OBJECT

  private:
    static KDATA *openActive(WindowFixture &f) {
        KDATA *w = f.open<KDATA>();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        if (!QTest::qWaitForWindowActive(w)) qFatal("window not active");
        return w;
    }

  private slots:
    void specTypedIsStoredWithTheBordersItImplies() {
        WindowFixture f; // today 1999/03/15
        f.folder.write(u"hirapati.dat"_s, model(kDef) + model(kAbc));
        f.folder.write(u"patishop.dat"_s, kX + spaces(78));
        {
            PlayDatabase db(f.state.folder);
            QVERIFY2(db.isOpen(), qPrintable(db.reason()));
            HallTerms t;
            t.store = u"Ｘ"_s;
            t.from = QDate(1999, 1, 1);
            t.lend = 4;
            t.exchange = 28;
            db.setHallTerms(t);
            t.from = QDate(1999, 4, 1); // not yet in force
            t.exchange = 25;
            db.setHallTerms(t);
        }
        KDATA *w = openActive(f);
        clickOption(control<QRadioButton>(w, "Option1"));
        chooseEntry(control<PopupComboBox>(w, "Combo1"), 1);
        QCOMPARE(control<QGroupBox>(w, "SpecFrame")->title(), u"機種スペック − ＡＢＣ"_s);

        clickIn(control<QLineEdit>(w, "SpecProbability"));
        QTest::keyClicks(control<QLineEdit>(w, "SpecProbability"), u"1/319.6"_s);
        QTest::keyClick(control<QLineEdit>(w, "SpecProbability"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(w, "SpecPayout"));
        QTest::keyClicks(control<QLineEdit>(w, "SpecPayout"), u"54OO"_s);
        QTest::mouseClick(control<QPushButton>(w, "SpecSet"), Qt::LeftButton);
        // Refused with the reason, the boxes kept to be corrected; nothing stored.
        QCOMPARE(f.dialogs.calls.size(), 1);
        QCOMPARE(f.dialogs.calls[0].kind, RecordingDialogs::Call::Info);
        QCOMPARE(f.dialogs.calls[0].message, u"平均出玉「54OO」は数字ではありません"_s);
        QCOMPARE(f.dialogs.calls[0].title, u"注意"_s);
        QCOMPARE(control<QLineEdit>(w, "SpecProbability")->text(), u"1/319.6"_s);
        QVERIFY(PlayDatabase(f.state.folder, PlayDatabase::Mode::ReadOnly).modelSpecs().isEmpty());

        f.dialogs.clear();
        control<QLineEdit>(w, "SpecPayout")->selectAll();
        QTest::keyClicks(control<QLineEdit>(w, "SpecPayout"), u"5400"_s);
        QTest::keyClick(control<QLineEdit>(w, "SpecPayout"), Qt::Key_Return);
        QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.lastMessage()));

        const std::optional<ModelSpec> stored =
            PlayDatabase(f.state.folder, PlayDatabase::Mode::ReadOnly).modelSpec(1, u"ＡＢＣ"_s);
        QVERIFY(stored);
        QCOMPARE(stored->probability, std::optional(319.6));
        QCOMPARE(stored->payout, std::optional(5400.0));
        QVERIFY(!stored->border);
        QCOMPARE(lines(control<QTreeWidget>(w, "SpecBorders")),
                 (QStringList{u"4円等価|14.8"_s, u"Ｘ（4円・28玉）|16.6"_s}));

        // Another model shows its own (none); back again, the stored 機種スペック fills the boxes.
        chooseEntry(control<PopupComboBox>(w, "Combo1"), 0);
        QCOMPARE(control<QLineEdit>(w, "SpecProbability")->text(), QString());
        QVERIFY(lines(control<QTreeWidget>(w, "SpecBorders")).isEmpty());
        chooseEntry(control<PopupComboBox>(w, "Combo1"), 1);
        QCOMPARE(control<QLineEdit>(w, "SpecProbability")->text(), u"319.6"_s);

        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "SpecRemove"), Qt::LeftButton);
        QCOMPARE(f.dialogs.lastMessage(), u"[ＡＢＣ] のスペックを削除しますか？"_s);
        QVERIFY(!PlayDatabase(f.state.folder, PlayDatabase::Mode::ReadOnly).modelSpec(1, u"ＡＢＣ"_s));
        QVERIFY(lines(control<QTreeWidget>(w, "SpecBorders")).isEmpty());
        QCOMPARE(f.folder.read(u"hirapati.dat"_s), model(kDef) + model(kAbc));
    }

    void specOfADeletedModelStaysAsUnused() {
        WindowFixture f;
        f.folder.write(u"hirapati.dat"_s, model(kAbc) + model(kDef));
        {
            PlayDatabase db(f.state.folder);
            QVERIFY2(db.isOpen(), qPrintable(db.reason()));
            db.setModelSpec(modelSpec(u"ＡＢＣ"_s, 319.6, 5400));
            db.setModelSpec(modelSpec(u"ＤＥＦ"_s, 99.9, 1200));
        }
        KDATA *w = openActive(f);
        QVERIFY(!control<QTreeWidget>(w, "UnusedSpecs")->isVisible());
        clickOption(control<QRadioButton>(w, "Option1"));
        chooseEntry(control<PopupComboBox>(w, "Combo1"), 0);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"hirapati.dat"_s), model(kDef));
        QVERIFY(control<QTreeWidget>(w, "UnusedSpecs")->isVisible());
        QCOMPARE(lines(control<QTreeWidget>(w, "UnusedSpecs")),
                 QStringList{u"羽物|ＡＢＣ|1/319.6 出玉 5400"_s});

        QTest::mouseClick(control<QTreeWidget>(w, "UnusedSpecs")->viewport(), Qt::LeftButton, {},
                          control<QTreeWidget>(w, "UnusedSpecs")
                              ->visualItemRect(control<QTreeWidget>(w, "UnusedSpecs")->topLevelItem(0))
                              .center());
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "UnusedRemove"), Qt::LeftButton);
        QVERIFY(!control<QTreeWidget>(w, "UnusedSpecs")->isVisible());
        const QList<ModelSpec> left = PlayDatabase(f.state.folder, PlayDatabase::Mode::ReadOnly).modelSpecs();
        QCOMPARE(left.size(), 1);
        QCOMPARE(left[0].model, u"ＤＥＦ"_s);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 0);
    }

    void aDamagedDatabaseLeavesTheModelsWorking() {
        WindowFixture f;
        f.folder.write(u"hirapati.dat"_s, model(kAbc));
        const QByteArray junk = QByteArray("not a database at all").repeated(100);
        f.folder.write(u"tamanote.db"_s, junk);
        KDATA *w = openActive(f);
        QVERIFY(control<QLabel>(w, "SpecStatus")->isVisible());
        QVERIFY2(control<QLabel>(w, "SpecStatus")->text().startsWith(u"機種スペックは使えません: "_s),
                 qPrintable(control<QLabel>(w, "SpecStatus")->text()));
        QVERIFY(!control<QPushButton>(w, "SpecSet")->isEnabled());
        clickOption(control<QRadioButton>(w, "Option1"));
        QCOMPARE(items(control<PopupComboBox>(w, "Combo1")), QStringList{u"ＡＢＣ"_s});
        QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.lastMessage()));
        QCOMPARE(f.folder.read(u"tamanote.db"_s), junk);
    }
};

TAMA_GUI_TEST_MAIN(TstModelSpecs)
#include "tst_modelspecs.moc"
