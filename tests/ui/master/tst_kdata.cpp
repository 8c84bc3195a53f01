#include "master/kdata.h"
#include "support/windowfixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QByteArray kA = hex("8260"), kB = hex("8261"), kC = hex("8262"), kP = hex("826F"), kQ = hex("8270"),
                 kR = hex("8271");

// A 160-byte catalogue record: the name in 30 bytes, then the detail fields.
QByteArray model(const QByteArray &name, const QByteArray &details = spaces(130)) {
    return name + spaces(30 - int(name.size())) + details;
}

} // namespace

class TstKdata : public QObject {
    Q_OBJECT

  private:
    static void chooseModel(KDATA *w, int row) { chooseEntry(control<PopupComboBox>(w, "Combo1"), row); }
    static void typeText(KDATA *w, const QString &text) {
        typeJapanese(control<PopupComboBox>(w, "Combo1")->lineEdit(), text);
    }

  private slots:
    void opensWithNothingChosen() {
        WindowFixture f;
        f.folder.write(u"hirapati.dat"_s, model(kA));
        KDATA *w = f.open<KDATA>();
        QCOMPARE(w->windowTitle(), u"機種設定"_s);
        QCOMPARE(control<QGroupBox>(w, "Frame1")->title(), u"機種"_s);
        QCOMPARE(control<QLabel>(w, "Label1")->text(), u"機種名"_s);
        for (QRadioButton *o : {control<QRadioButton>(w, "Option1"), control<QRadioButton>(w, "Option2"),
                                control<QRadioButton>(w, "Option3"), control<QRadioButton>(w, "Option4"),
                                control<QRadioButton>(w, "Option5")})
            QVERIFY(!o->isChecked());
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 0);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->currentText(), QString());
        QCOMPARE(f.folder.files(), QStringList{u"hirapati.dat"_s});
    }

    void optionsListTheirCatalogueInRecordOrder() {
        WindowFixture f;
        f.folder.write(u"hirapati.dat"_s, model(kC) + model(kA) + model(QByteArray()) + model(kB));
        f.folder.write(u"degipati.dat"_s, model(kP)); // other case than the table's name
        KDATA *w = f.open<KDATA>();
        typeText(w, u"途中"_s);
        clickOption(control<QRadioButton>(w, "Option1"));
        QVERIFY(control<QRadioButton>(w, "Option1")->isChecked());
        QCOMPARE(items(control<PopupComboBox>(w, "Combo1")),
                 (QStringList{u"Ｃ"_s, u"Ａ"_s, QString(), u"Ｂ"_s}));
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->currentText(), u"途中"_s); // only the list is replaced
        clickOption(control<QRadioButton>(w, "Option2"));
        QCOMPARE(items(control<PopupComboBox>(w, "Combo1")), QStringList{u"Ｐ"_s});
        QVERIFY(!f.folder.exists(u"DEGIpati.dat"_s));
        // A missing catalogue is created empty by the first look.
        clickOption(control<QRadioButton>(w, "Option5"));
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 0);
        QCOMPARE(f.folder.read(u"CRpati.dat"_s).size(), 0);
        QVERIFY(f.dialogs.calls.isEmpty());
    }

    void registeringAbcTwiceAddsOneRecord() {
        WindowFixture f;
        KDATA *w = f.open<KDATA>();
        clickOption(control<QRadioButton>(w, "Option1"));
        QTest::keyClicks(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"ABC"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 1);
        QCOMPARE(f.dialogs.calls[0].message, u"[ABC] を新規登録します"_s);
        QCOMPARE(f.dialogs.calls[0].title, u"登録"_s);
        const QByteArray record = kA + kB + kC + spaces(24) + spaces(130);
        QCOMPARE(f.folder.read(u"hirapati.dat"_s), record);
        QCOMPARE(items(control<PopupComboBox>(w, "Combo1")), QStringList{u"ＡＢＣ"_s});
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->currentText(), u"ABC"_s);

        // Again, and in full width: the model is there; nothing happens, nothing is said.
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        control<PopupComboBox>(w, "Combo1")->lineEdit()->selectAll();
        typeText(w, u"ＡＢＣ"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 3);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Confirm), 3);
        QCOMPARE(f.folder.read(u"hirapati.dat"_s), record);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 1);
    }

    void longNameIsCutToFifteen() {
        WindowFixture f;
        f.folder.write(u"CRpati.dat"_s, model(kR, QByteArray("12345").repeated(26)));
        KDATA *w = f.open<KDATA>();
        clickOption(control<QRadioButton>(w, "Option5"));
        QTest::keyClicks(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"abcdefghijklmnopqrst"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        // ａ … ｏ: 30 bytes, no room left in the name field.
        const QByteArray name =
            hex("8281 8282 8283 8284 8285 8286 8287 8288 8289 828A 828B 828C 828D 828E 828F");
        QCOMPARE(f.folder.read(u"CRpati.dat"_s),
                 model(kR, QByteArray("12345").repeated(26)) + name + spaces(130));
        QCOMPARE(items(control<PopupComboBox>(w, "Combo1")),
                 (QStringList{u"Ｒ"_s, u"ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏ"_s}));
    }

    void registeringNeedsTextAndCategory() {
        WindowFixture f;
        KDATA *w = f.open<KDATA>();
        QTest::keyClicks(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"  "_s);
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 2);
        for (const auto &c : f.dialogs.calls) {
            QCOMPARE(c.kind, RecordingDialogs::Call::Info);
            QCOMPARE(c.message, u"機種名を入力してください"_s);
            QCOMPARE(c.title, u"注意"_s);
        }

        // No category: asked first, then told.
        f.dialogs.clear();
        QTest::keyClicks(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"X"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 2);
        QCOMPARE(f.dialogs.calls[1].message, u"機種を選択してください"_s);
        QCOMPARE(f.dialogs.calls[1].title, u"注意"_s);
        // Cancelled: not told.
        f.dialogs.answer({true});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 3);
        // Deleting without a category is silent after the question.
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 4);
        QCOMPARE(f.dialogs.calls.last().message, u"[  X] を削除します"_s);
        QVERIFY(f.folder.files().isEmpty());
    }

    void deletingTheFirstModelKeepsTheOthersByteForByte() {
        WindowFixture f;
        // Detail fields of the デジパチ layout, filled by other software.
        const QByteArray r1 = model(kP, "12345"
                                        "1"
                                        "678"
                                        "9012"
                                        "3456"
                                        "78"
                                        "90"
                                        "12" +
                                            QByteArray("first").leftJustified(20) + QByteArray(87, 'a'));
        const QByteArray r2 = model(kQ, "54321"
                                        "2"
                                        "876"
                                        "2109"
                                        "6543"
                                        "87"
                                        "09"
                                        "21" +
                                            hex("93588140") + spaces(16) + QByteArray(87, 'b'));
        const QByteArray r3 = model(kR + kA, QByteArray(130, '7'));
        f.folder.write(u"degipati.dat"_s, r1 + r2 + r3);
        KDATA *w = f.open<KDATA>();
        clickOption(control<QRadioButton>(w, "Option2"));
        chooseModel(w, 0);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->currentText(), u"Ｐ"_s);

        f.dialogs.answer({true});
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.last().message, u"[Ｐ] を削除します"_s);
        QCOMPARE(f.dialogs.calls.last().title, u"削除"_s);
        QCOMPARE(f.folder.read(u"degipati.dat"_s), r1 + r2 + r3);

        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"degipati.dat"_s), r2 + r3);
        QCOMPARE(f.folder.files(), QStringList{u"degipati.dat"_s}); // same name, no scratch left
        QCOMPARE(items(control<PopupComboBox>(w, "Combo1")), (QStringList{u"Ｑ"_s, u"ＲＡ"_s}));
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->currentText(), QString());

        // Clicking again deletes nothing: the box is empty.
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"degipati.dat"_s), r2 + r3);
        QCOMPARE(f.dialogs.unscripted, 0);
    }

    void typedTextDeletesNothing() {
        WindowFixture f;
        const QByteArray all = model(kP) + model(kQ);
        f.folder.write(u"KENpati.dat"_s, all);
        KDATA *w = f.open<KDATA>();
        clickOption(control<QRadioButton>(w, "Option3"));
        typeText(w, u"Ｐ"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 1);
        QCOMPARE(f.dialogs.calls[0].kind, RecordingDialogs::Call::Confirm);
        QCOMPARE(f.folder.read(u"KENpati.dat"_s), all);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 2);

        // Chosen and then edited: typed again.
        chooseModel(w, 1);
        QTest::keyClicks(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"x"_s);
        QTest::keyClick(control<PopupComboBox>(w, "Combo1")->lineEdit(), Qt::Key_Backspace);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"KENpati.dat"_s), all);
    }

    // A person types into the box or picks from its list, then clicks 削除: the click
    // takes the focus out of the box, and only the pick may count as chosen.
    void deleteAfterLeavingTheModelBox_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("typed with keys") << int(Typed) << u"abc"_s << false << false;
        QTest::newRow("typed with keys, then Enter") << int(Typed) << u"abc"_s << true << false;
        QTest::newRow("typed through the input method") << int(Composed) << u"ＰＱ"_s << false << false;
        QTest::newRow("chosen from the list") << int(Chosen) << u"ＰＱ"_s << false << true;
    }
    void deleteAfterLeavingTheModelBox() {
        QFETCH(int, how);
        QFETCH(QString, text);
        QFETCH(bool, enter);
        QFETCH(bool, deleted);
        WindowFixture f;
        // The half-width name was written by other software.
        const QByteArray abc = model("abc"), pq = model(kP + kQ);
        f.folder.write(u"KENpati.dat"_s, abc + pq);
        KDATA *w = f.open<KDATA>();
        clickOption(control<QRadioButton>(w, "Option3"));
        auto *box = control<PopupComboBox>(w, "Combo1");
        enterBox(w, box, How(how), text);
        if (enter) QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->currentText(), text);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
        QVERIFY(!box->hasFocus());
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Confirm), 1);
        QCOMPARE(f.folder.read(u"KENpati.dat"_s), deleted ? abc : abc + pq);
        QCOMPARE(items(box), deleted ? QStringList{u"abc"_s} : (QStringList{u"abc"_s, u"ＰＱ"_s}));
        QCOMPARE(f.dialogs.unscripted, 0);
    }

    void detailsAreNotAvailable() {
        WindowFixture f;
        KDATA *w = f.open<KDATA>();
        QTest::mouseClick(control<QPushButton>(w, "Command2"), Qt::LeftButton);
        QTest::mouseDClick(control<QRadioButton>(w, "Option4"), Qt::LeftButton, {},
                           QPoint(6, control<QRadioButton>(w, "Option4")->height() / 2));
        QCOMPARE(f.dialogs.calls.size(), 2);
        for (const auto &c : f.dialogs.calls) {
            QCOMPARE(c.kind, RecordingDialogs::Call::Info);
            QCOMPARE(c.message, u"現在この機能は使用できません"_s);
            QCOMPARE(c.title, u"お知らせ"_s);
        }
    }

    void unencodableNameIsRefused() {
        WindowFixture f;
        KDATA *w = f.open<KDATA>();
        clickOption(control<QRadioButton>(w, "Option4"));
        const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
        typeText(w, u"機"_s + smile);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 2);
        QCOMPARE(f.dialogs.calls[1].kind, RecordingDialogs::Call::Info);
        QCOMPARE(f.dialogs.calls[1].title, u"注意"_s);
        QVERIFY(f.dialogs.calls[1].message.contains(smile));
        QCOMPARE(f.folder.read(u"SLOTpati.dat"_s).size(), 0);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 0);
    }

    void fullCatalogueRefusesTheNext() {
        WindowFixture f;
        QByteArray full;
        full.reserve(160 * 32766);
        for (int i = 0; i < 32766; ++i)
            full += model(QByteArray::number(i));
        f.folder.write(u"hirapati.dat"_s, full);
        KDATA *w = f.open<KDATA>();
        clickOption(control<QRadioButton>(w, "Option1"));
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 32766);
        typeText(w, u"新台"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 2);
        QCOMPARE(f.dialogs.calls[1].title, u"注意"_s);
        QVERIFY(f.dialogs.calls[1].message.contains(u"32766"_s));
        QCOMPARE(f.folder.read(u"hirapati.dat"_s).size(), full.size());
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 32766);
    }

    void backUnloadsTheWindow() {
        WindowFixture f;
        f.folder.write(u"hirapati.dat"_s, model(kA));
        QPointer<KDATA> w = f.open<KDATA>();
        clickOption(control<QRadioButton>(w, "Option1"));
        QTest::mouseClick(control<QPushButton>(w, "Command3"), Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w);
        KDATA *again = f.open<KDATA>();
        QVERIFY(!control<QRadioButton>(again, "Option1")->isChecked());
        QCOMPARE(control<PopupComboBox>(again, "Combo1")->count(), 0);
    }
};

TAMA_GUI_TEST_MAIN(TstKdata)
#include "tst_kdata.moc"
