#include "master/mdata.h"
#include "store/backup.h"
#include "support/windowfixture.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

// Shift-JIS of the full-width letters and the full-width space.
const QByteArray kA = hex("8260"), kB = hex("8261"), kC = hex("8262"), kD = hex("8263"), kE = hex("8264"),
                 kF = hex("8265"), kP = hex("826F"), kQ = hex("8270"), kR = hex("8271"), kS = hex("8272"),
                 kX = hex("8277"), kY = hex("8278"), kZ = hex("8279"), kWide = hex("8140");

const QChar kWideChar(0x3000);

// An 80-byte store record: the name in 20 bytes, then the reserved fields.
QByteArray store(const QByteArray &name, const QByteArray &reserved = spaces(60)) {
    return name + spaces(20 - int(name.size())) + reserved;
}

// A 160-byte catalogue record with blank details.
QByteArray model(const QByteArray &name) {
    return name + spaces(160 - int(name.size()));
}

QByteArray lines(std::initializer_list<QByteArray> ls) {
    QByteArray out;
    for (const QByteArray &l : ls)
        out += l + "\r\n";
    return out;
}

const QByteArray kEmptyList = lines({"# 2", "# 3", "# 4", "# 5", "# 6", "# #"});

// The list files of the stores ＡＢＣ and ＤＥＦ (first 2, last 2, last 4 characters).
const QString kAbcList = u"ＡＢＢＣＡＢＣ"_s;
const QString kDefList = u"ＤＥＥＦＤＥＦ"_s;

} // namespace

class TstMdata : public QObject {
    Q_OBJECT

  private:
    // Opens the store list (which saves the store shown) and chooses the entry at row.
    static void chooseStore(MDATA *w, int row) { chooseEntry(control<PopupComboBox>(w, "Combo1"), row); }

    static void dropDown(MDATA *w) {
        control<PopupComboBox>(w, "Combo1")->showPopup();
        control<PopupComboBox>(w, "Combo1")->hidePopup();
    }

    static void selectRow(QAbstractItemView *list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 0)).center());
    }

    static int rows(const QAbstractItemView *list) { return list->model()->rowCount(); }
    static QString entry(const QAbstractItemView *list, int row) {
        return list->model()->index(row, 0).data().toString();
    }

    // Chooses a category and takes its catalogue model at row into the installed list.
    static void take(MDATA *w, QRadioButton *option, int row) {
        clickOption(option);
        selectRow(control<QListWidget>(w, "List1"), row);
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
    }

  private slots:
    void opensWithStoresInRecordOrderAndNothingChosen() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, store(kD + kE + kF) + store(QByteArray()) + store(kA + kB + kC));
        MDATA *w = f.open<MDATA>();
        QCOMPARE(w->windowTitle(), u"店設定"_s);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 3);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->itemText(0), u"ＤＥＦ"_s);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->itemText(1), QString());
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->itemText(2), u"ＡＢＣ"_s);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->currentText(), QString());
        for (QRadioButton *o : {control<QRadioButton>(w, "Option10"), control<QRadioButton>(w, "Option11"),
                                control<QRadioButton>(w, "Option12"), control<QRadioButton>(w, "Option13"),
                                control<QRadioButton>(w, "Option14")})
            QVERIFY(!o->isChecked());
        QCOMPARE(control<QListWidget>(w, "List1")->count(), 0);
        QCOMPARE(rows(control<QListView>(w, "List2")), 0);
        // The blank store names no list file.
        chooseStore(w, 1);
        QCOMPARE(f.dialogs.calls.size(), 1);
        QCOMPARE(f.dialogs.calls[0].message, u"店名を選択してください"_s);
        QCOMPARE(f.dialogs.calls[0].title, u"注意"_s);
        QCOMPARE(f.folder.files(), QStringList{u"patishop.dat"_s});
    }

    void choosingAStoreShowsItsListOrCreatesAnEmptyOne() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, store(kA + kB + kC) + store(kD + kE + kF));
        // ＤＥＦ's list: a padded line, a plain one, and a line after the end line.
        f.folder.write(
            kDefList, lines({"# 2", kX, "# 3", kY + kWide.repeated(14), "# 4", "# 5", "# 6", kZ, "# #", kA}));
        MDATA *w = f.open<MDATA>();

        chooseStore(w, 0);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->currentText(), u"ＡＢＣ"_s);
        QVERIFY(f.folder.exists(kAbcList));
        QCOMPARE(f.folder.read(kAbcList).size(), 0);
        QCOMPARE(rows(control<QListView>(w, "List2")), 0);

        chooseStore(w, 1);
        const QString fill(14, kWideChar);
        QCOMPARE(texts(control<QListView>(w, "List2")),
                 (QStringList{u"Ｘ"_s + fill + u" 2"_s, u"Ｙ"_s + fill + u" 3"_s, u"Ｚ"_s + fill + u" 6"_s}));
        QVERIFY(f.dialogs.calls.isEmpty());
        // Switching saved ＡＢＣ's empty list; the store was already there.
        QCOMPARE(f.folder.read(kAbcList), kEmptyList);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), store(kA + kB + kC) + store(kD + kE + kF));
    }

    void catalogueListIsSortedAndTakenEntriesAreTagged() {
        WindowFixture f;
        f.folder.write(u"hirapati.dat"_s, model(kC) + model(hex("8281")) + model(kB) + model(kA));
        f.folder.write(u"degipati.dat"_s, model(kB)); // found without regard to case
        MDATA *w = f.open<MDATA>();

        // Nothing to take before a category is chosen.
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
        QCOMPARE(rows(control<QListView>(w, "List2")), 0);

        clickOption(control<QRadioButton>(w, "Option10"));
        QVERIFY(control<QRadioButton>(w, "Option10")->isChecked());
        // Without regard to case; equal names keep their record order.
        QCOMPARE(texts(control<QListWidget>(w, "List1")), (QStringList{u"ａ"_s, u"Ａ"_s, u"Ｂ"_s, u"Ｃ"_s}));
        selectRow(control<QListWidget>(w, "List1"), 2);
        QTest::mouseClick(control<QPushButton>(w, "Command4"), Qt::LeftButton);
        QCOMPARE(texts(control<QListView>(w, "List2")), QStringList{u"Ｂ"_s + QString(14, u' ') + u" 3"_s});
        QVERIFY(control<QListWidget>(w, "List1")->item(2)->isSelected()); // the selection stays

        // The same model under デジパチ replaces the entry: one entry, tagged 2.
        take(w, control<QRadioButton>(w, "Option11"), 0);
        QCOMPARE(texts(control<QListView>(w, "List2")), QStringList{u"Ｂ"_s + QString(14, u' ') + u" 2"_s});
        QVERIFY(f.dialogs.calls.isEmpty());
    }

    void takingAModelReplacesTheEntryLoadedFromTheFile() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, store(kA + kB + kC));
        f.folder.write(kAbcList,
                       lines({"# 2", "# 3", kX + kWide.repeated(14), kY, "# 4", "# 5", "# 6", "# #"}));
        f.folder.write(u"CRpati.dat"_s, model(kX));
        MDATA *w = f.open<MDATA>();
        chooseStore(w, 0);
        QCOMPARE(rows(control<QListView>(w, "List2")), 2);
        take(w, control<QRadioButton>(w, "Option14"), 0);
        QCOMPARE(
            texts(control<QListView>(w, "List2")),
            (QStringList{u"Ｙ"_s + QString(14, kWideChar) + u" 3"_s, u"Ｘ"_s + QString(14, u' ') + u" 6"_s}));
    }

    void registerWritesSectionsInCodeOrder() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, store(kA + kB + kC));
        f.folder.write(u"CRpati.dat"_s, model(kP) + model(kQ));
        f.folder.write(u"DEGIpati.dat"_s, model(kR));
        f.folder.write(u"hirapati.dat"_s, model(kS));
        MDATA *w = f.open<MDATA>();
        chooseStore(w, 0);
        take(w, control<QRadioButton>(w, "Option14"), 0); // Ｐ 6
        take(w, control<QRadioButton>(w, "Option11"), 0); // Ｒ 2
        take(w, control<QRadioButton>(w, "Option14"), 1); // Ｑ 6
        take(w, control<QRadioButton>(w, "Option10"), 0); // Ｓ 3

        // Cancel writes nothing.
        f.dialogs.answer({true});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.last().message, u"[ＡＢＣ] を変更もしくは新規登録します"_s);
        QCOMPARE(f.dialogs.calls.last().title, u"登録"_s);
        QCOMPARE(f.folder.read(kAbcList).size(), 0);
        QCOMPARE(entry(control<QListView>(w, "List2"), 0).right(1), u"6"_s);

        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.folder.read(kAbcList), lines({"# 2", kR, "# 3", kS, "# 4", "# 5", "# 6", kP, kQ, "# #"}));
        QStringList codes;
        for (const QString &e : texts(control<QListView>(w, "List2")))
            codes.append(e.right(2));
        QCOMPARE(codes, (QStringList{u" 2"_s, u" 3"_s, u" 6"_s, u" 6"_s}));
        QCOMPARE(entry(control<QListView>(w, "List2"), 2).left(1), u"Ｐ"_s);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), store(kA + kB + kC));
        QCOMPARE(f.dialogs.unscripted, 0);
    }

    void longModelNamesAreWrittenWhole() {
        WindowFixture f;
        // あいうえおかきくけこさしす (13) and …せそ (15).
        const QByteArray thirteen = hex("82A0 82A2 82A4 82A6 82A8 82A9 82AB 82AD 82AF 82B1 82B3 82B5 82B7");
        const QByteArray fifteen = thirteen + hex("82B9 82BB");
        f.folder.write(u"KENpati.dat"_s, model(thirteen) + model(fifteen));
        MDATA *w = f.open<MDATA>();
        typeJapanese(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"ＡＢＣ"_s);
        take(w, control<QRadioButton>(w, "Option12"), 0);
        take(w, control<QRadioButton>(w, "Option12"), 1);
        QCOMPARE(entry(control<QListView>(w, "List2"), 1), u"あいうえおかきくけこさしすせそ 4"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.folder.read(kAbcList),
                 lines({"# 2", "# 3", "# 4", thirteen, fifteen, "# 5", "# 6", "# #"}));
    }

    void longStoreNameFindsItsModelsWhenChosenLater() {
        WindowFixture f;
        f.folder.write(u"hirapati.dat"_s, model(kX) + model(kY));
        QPointer<MDATA> w = f.open<MDATA>();
        // Twelve characters; the store file keeps the first ten.
        typeJapanese(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"あいうえおかきくけこさし"_s);
        take(w, control<QRadioButton>(w, "Option10"), 0);
        take(w, control<QRadioButton>(w, "Option10"), 1);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(w, "Command3"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w);

        const QByteArray ten = hex("82A0 82A2 82A4 82A6 82A8 82A9 82AB 82AD 82AF 82B1");
        QCOMPARE(f.folder.read(u"patishop.dat"_s), store(ten));
        QCOMPARE(f.folder.read(u"あいけこきくけこ"_s),
                 lines({"# 2", "# 3", kX, kY, "# 4", "# 5", "# 6", "# #"}));
        MDATA *again = f.open<MDATA>();
        chooseStore(again, 0);
        const QString fill(14, kWideChar);
        QCOMPARE(texts(control<QListView>(again, "List2")),
                 (QStringList{u"Ｘ"_s + fill + u" 3"_s, u"Ｙ"_s + fill + u" 3"_s}));
        QCOMPARE(f.dialogs.unscripted, 0);
    }

    void typedStoreIsAddedOnceInFullWidth() {
        WindowFixture f;
        MDATA *w = f.open<MDATA>();
        QTest::keyClicks(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"abc "_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.last().message, u"[abc] を変更もしくは新規登録します"_s);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), hex("8281 8282 8283") + spaces(74));
        QCOMPARE(f.folder.read(u"ａｂｂｃａｂｃ"_s), kEmptyList);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 1);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->itemText(0), u"ａｂｃ"_s);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->currentText(),
                 u"abc "_s); // the text typed stays in the box

        // Again: the store exists, nothing is added; the list is written again.
        f.folder.write(u"ａｂｂｃａｂｃ"_s, QByteArray());
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), hex("8281 8282 8283") + spaces(74));
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 1);
        QCOMPARE(f.folder.read(u"ａｂｂｃａｂｃ"_s), kEmptyList);
    }

    void emptyStoreTextIsRefused() {
        WindowFixture f;
        MDATA *w = f.open<MDATA>();
        QTest::keyClicks(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"   "_s);
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(w, "Command5"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 2);
        for (const auto &c : f.dialogs.calls) {
            QCOMPARE(c.kind, RecordingDialogs::Call::Info);
            QCOMPARE(c.message, u"店名を入力または選択してください"_s);
            QCOMPARE(c.title, u"注意"_s);
        }
        dropDown(w); // saves nothing, says nothing
        QCOMPARE(f.dialogs.calls.size(), 2);
        QCOMPARE(f.folder.files(), QStringList{u"patishop.dat"_s});
        QCOMPARE(f.folder.read(u"patishop.dat"_s).size(), 0);
    }

    void detailsAreNotAvailable() {
        WindowFixture f;
        MDATA *w = f.open<MDATA>();
        QTest::mouseClick(control<QPushButton>(w, "Command2"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 1);
        QCOMPARE(f.dialogs.calls[0].kind, RecordingDialogs::Call::Info);
        QCOMPARE(f.dialogs.calls[0].message, u"現在この機能は使用できません"_s);
        QCOMPARE(f.dialogs.calls[0].title, u"お知らせ"_s);
    }

    void deletingTheThirdStore() {
        WindowFixture f;
        const QByteArray r1 = store(kA, "123456"
                                        "0001" +
                                            QByteArray("note one").leftJustified(50, ' '));
        const QByteArray r2 = store(kB, "      "
                                        "0002" +
                                            spaces(50));
        const QByteArray r3 = store(kC, "abcdef"
                                        "0003" +
                                            QByteArray("third").leftJustified(50, ' '));
        const QByteArray r4 = store(kD, "ZYXWVU"
                                        "0004" +
                                            hex("93588149") + spaces(46));
        f.folder.write(u"patishop.dat"_s, r1 + r2 + r3 + r4);
        f.folder.write(u"ＣＣＣ"_s, lines({"# 2", kX, "# #"}));
        MDATA *w = f.open<MDATA>();

        // Cancelled: nothing happens.
        chooseStore(w, 2);
        f.dialogs.answer({true});
        QTest::mouseClick(control<QPushButton>(w, "Command5"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.last().message, u"店データを削除しますか？"_s);
        QCOMPARE(f.dialogs.calls.last().title, u"削除"_s);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), r1 + r2 + r3 + r4);

        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command5"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), r1 + r2 + r4);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 3);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->itemText(2), u"Ｄ"_s);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->currentText(), QString());
        QCOMPARE(rows(control<QListView>(w, "List2")), 0);
        // The list file stays; no scratch file is left behind.
        QCOMPARE(f.folder.read(u"ＣＣＣ"_s), lines({"# 2", kX, "# #"}));
        QVERIFY(!f.folder.exists(u"t#e#m#p#.tmp"_s));

        // A second click has nothing chosen and deletes nothing.
        QTest::keyClicks(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"x"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command5"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), r1 + r2 + r4);
        QCOMPARE(f.dialogs.unscripted, 0);
    }

    void deletingAStoreCanBeUndoneFromItsSnapshot() {
        WindowFixture f;
        backup::setAutomatic(f.state.folder, backup::Settings());
        const auto off = qScopeGuard([] { backup::clearAutomatic(); });
        const QByteArray stores = store(kA) + store(kB) + store(kC);
        f.folder.write(u"patishop.dat"_s, stores);
        MDATA *w = f.open<MDATA>();
        chooseStore(w, 1);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command5"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), store(kA) + store(kC));

        backup::Backups backups(f.state.folder);
        const backup::Snapshot before = backups.list().last();
        QCOMPARE(before.reason, backup::Reason::DeleteStore);
        QCOMPARE(before.detail, u"Ｂ"_s);
        QCOMPARE(before.file(u"patishop.dat"_s)->records, 3);
        backups.restore(before, u"patishop.dat"_s);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), stores);
    }

    void typedStoreNameDeletesNothing() {
        WindowFixture f;
        const QByteArray all = store(kA) + store(kB);
        f.folder.write(u"patishop.dat"_s, all);
        MDATA *w = f.open<MDATA>();
        // Chosen and then retyped to the same name: the text is typed now.
        chooseStore(w, 1);
        QTest::keyClicks(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"x"_s);
        QTest::keyClick(control<PopupComboBox>(w, "Combo1")->lineEdit(), Qt::Key_Backspace);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->currentText(), u"Ｂ"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command5"), Qt::LeftButton);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Confirm), 1);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), all);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 2);
    }

    // A person types into the box or picks from its list, then clicks 削除: the click
    // takes the focus out of the box, and only the pick may count as chosen.
    void deleteAfterLeavingTheStoreBox_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("typed with keys") << int(Typed) << u"abc"_s << false << false;
        QTest::newRow("typed with keys, then Enter") << int(Typed) << u"abc"_s << true << false;
        QTest::newRow("typed through the input method") << int(Composed) << u"ＤＥＦ"_s << false << false;
        QTest::newRow("chosen from the list") << int(Chosen) << u"ＤＥＦ"_s << false << true;
    }
    void deleteAfterLeavingTheStoreBox() {
        QFETCH(int, how);
        QFETCH(QString, text);
        QFETCH(bool, enter);
        QFETCH(bool, deleted);
        WindowFixture f;
        // The half-width name was written by other software.
        const QByteArray abc = store("abc"), def = store(kD + kE + kF);
        f.folder.write(u"patishop.dat"_s, abc + def);
        MDATA *w = f.open<MDATA>();
        auto *box = control<PopupComboBox>(w, "Combo1");
        enterBox(w, box, How(how), text);
        if (enter) QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->currentText(), text);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command5"), Qt::LeftButton);
        QVERIFY(!box->hasFocus());
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Confirm), 1);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), deleted ? abc : abc + def);
        QCOMPARE(items(box), deleted ? QStringList{u"abc"_s} : (QStringList{u"abc"_s, u"ＤＥＦ"_s}));
        QCOMPARE(f.dialogs.unscripted, 0);
    }

    void removingEntriesOneByOne() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, store(kA + kB + kC));
        f.folder.write(kAbcList, lines({"# 2", kX, kY, kZ, "# #"}));
        MDATA *w = f.open<MDATA>();
        chooseStore(w, 0);
        QTest::mouseClick(control<QPushButton>(w, "Command6"), Qt::LeftButton); // nothing selected
        QCOMPARE(rows(control<QListView>(w, "List2")), 3);
        selectRow(control<QListView>(w, "List2"), 2);
        selectRow(control<QListView>(w, "List2"), 1);
        QCOMPARE(control<QListView>(w, "List2")->selectionModel()->selectedRows().size(),
                 2); // a click toggles
        QTest::mouseClick(control<QPushButton>(w, "Command6"), Qt::LeftButton);
        QCOMPARE(rows(control<QListView>(w, "List2")), 2);
        QVERIFY(entry(control<QListView>(w, "List2"), 0).startsWith(u"Ｘ"_s));
        QVERIFY(entry(control<QListView>(w, "List2"), 1).startsWith(u"Ｚ"_s));
        // Switching stores saves the edited list.
        dropDown(w);
        QCOMPARE(f.folder.read(kAbcList), lines({"# 2", kX, kZ, "# 3", "# 4", "# 5", "# 6", "# #"}));
    }

    void switchingStoresSavesTheListShown() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, store(kA + kB + kC) + store(kD + kE + kF));
        f.folder.write(kAbcList, lines({"# 2", kX, "# #"}));
        f.folder.write(kDefList, lines({"# 2", "# 3", kY, "# #"}));
        f.folder.write(u"SLOTpati.dat"_s, model(kZ));
        MDATA *w = f.open<MDATA>();
        chooseStore(w, 0);
        take(w, control<QRadioButton>(w, "Option13"), 0);
        chooseStore(w, 1);
        QCOMPARE(f.folder.read(kAbcList), lines({"# 2", kX, "# 3", "# 4", "# 5", kZ, "# 6", "# #"}));
        QCOMPARE(texts(control<QListView>(w, "List2")),
                 QStringList{u"Ｙ"_s + QString(14, kWideChar) + u" 3"_s});
        QCOMPARE(f.folder.read(kDefList), lines({"# 2", "# 3", kY, "# #"}));
    }

    void editingTheStoreTextNeverEmptiesAStoredList() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, store(kA + kB + kC) + store(kD + kE + kF));
        const QByteArray abc = lines({"# 2", kX, "# 3", kY, "# 4", "# 5", "# 6", "# #"});
        const QByteArray def = lines({"# 2", kZ, "# #"});
        f.folder.write(kAbcList, abc);
        f.folder.write(kDefList, def);
        f.folder.write(u"hirapati.dat"_s, model(kX) + model(kS));
        MDATA *w = f.open<MDATA>();

        // Chosen, edited and typed back: the list shown is gone, the stored one stays.
        chooseStore(w, 0);
        QCOMPARE(rows(control<QListView>(w, "List2")), 2);
        QTest::keyClicks(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"q"_s);
        QCOMPARE(rows(control<QListView>(w, "List2")), 0);
        QTest::keyClick(control<PopupComboBox>(w, "Combo1")->lineEdit(), Qt::Key_Backspace);
        dropDown(w);
        QCOMPARE(f.folder.read(kAbcList), abc);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.folder.read(kAbcList), abc);

        // The other store's name typed over it, then switching: ＤＥＦ's list stays too.
        control<PopupComboBox>(w, "Combo1")->lineEdit()->selectAll();
        typeJapanese(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"ＤＥＦ"_s);
        chooseStore(w, 0);
        QCOMPARE(f.folder.read(kDefList), def);
        QCOMPARE(f.folder.read(kAbcList), abc);

        // A typed name of a stored store with a model added: the stored models are kept.
        control<PopupComboBox>(w, "Combo1")->lineEdit()->selectAll();
        typeJapanese(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"ＡＢＣ"_s);
        take(w, control<QRadioButton>(w, "Option10"), 0); // Ｓ 3
        take(w, control<QRadioButton>(w, "Option10"), 1); // Ｘ, now under 羽物
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.folder.read(kAbcList), lines({"# 2", "# 3", kY, kS, kX, "# 4", "# 5", "# 6", "# #"}));
        QCOMPARE(rows(control<QListView>(w, "List2")), 3);
        QCOMPARE(f.folder.read(u"patishop.dat"_s), store(kA + kB + kC) + store(kD + kE + kF));
        QCOMPARE(f.dialogs.unscripted, 0);
    }

    void unencodableCharacterIsRefusedBeforeWriting() {
        WindowFixture f;
        f.folder.write(u"hirapati.dat"_s, model(kX));
        MDATA *w = f.open<MDATA>();
        const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
        typeJapanese(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"店"_s + smile);
        take(w, control<QRadioButton>(w, "Option10"), 0);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 1);
        QCOMPARE(f.dialogs.calls.last().title, u"注意"_s);
        QVERIFY(f.dialogs.calls.last().message.contains(smile));
        dropDown(w);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 2);
        QCOMPARE(f.folder.files(), (QStringList{u"hirapati.dat"_s, u"patishop.dat"_s}));
        QCOMPARE(f.folder.read(u"patishop.dat"_s).size(), 0);
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 0);

        // A character the code page lacks, beyond the 10 stored ones, would still name the list file.
        control<PopupComboBox>(w, "Combo1")->lineEdit()->selectAll();
        typeJapanese(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"あいうえおかきくけこさé"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 3);
        QVERIFY(f.dialogs.calls.last().message.contains(u"é"_s));
        QCOMPARE(f.folder.read(u"patishop.dat"_s).size(), 0);
        QCOMPARE(f.folder.files(), (QStringList{u"hirapati.dat"_s, u"patishop.dat"_s}));
    }

    void damagedListLineStopsTheSaveBeforeTheStoreIsAdded() {
        WindowFixture f;
        // A lone lead byte: the line cannot be decoded, so it could not be written back.
        f.folder.write(kAbcList, lines({"# 2", kX, hex("82"), "# #"}));
        f.folder.write(u"hirapati.dat"_s, model(kS));
        MDATA *w = f.open<MDATA>();
        typeJapanese(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"ＡＢＣ"_s);
        take(w, control<QRadioButton>(w, "Option10"), 0);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 1);
        QCOMPARE(f.dialogs.calls.last().title, u"注意"_s);
        QCOMPARE(f.folder.read(u"patishop.dat"_s).size(), 0);
        QCOMPARE(f.folder.read(kAbcList), lines({"# 2", kX, hex("82"), "# #"}));
    }

    void fullStoreFileRefusesTheNext() {
        WindowFixture f;
        QByteArray full;
        full.reserve(80 * 32766);
        for (int i = 0; i < 32766; ++i)
            full += store(QByteArray::number(i));
        f.folder.write(u"patishop.dat"_s, full);
        MDATA *w = f.open<MDATA>();
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 32766);
        typeJapanese(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"ＡＢＣ"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 1);
        QCOMPARE(f.dialogs.calls.last().title, u"注意"_s);
        QVERIFY(f.dialogs.calls.last().message.contains(u"32766"_s));
        QCOMPARE(f.folder.read(u"patishop.dat"_s).size(), full.size());
        QVERIFY(!f.folder.exists(kAbcList));
        QCOMPARE(control<PopupComboBox>(w, "Combo1")->count(), 32766);
    }

    void backUnloadsTheWindow() {
        WindowFixture f;
        f.folder.write(u"patishop.dat"_s, store(kA));
        QPointer<MDATA> w = f.open<MDATA>();
        typeJapanese(control<PopupComboBox>(w, "Combo1")->lineEdit(), u"ＺＺ"_s);
        QTest::mouseClick(control<QPushButton>(w, "Command3"), Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w);
        QVERIFY(!f.registry.find<MDATA>());
        // Nothing was saved; the next one starts afresh.
        QCOMPARE(f.folder.read(u"patishop.dat"_s), store(kA));
        MDATA *again = f.open<MDATA>();
        QCOMPARE(control<PopupComboBox>(again, "Combo1")->currentText(), QString());
        QCOMPARE(control<PopupComboBox>(again, "Combo1")->count(), 1);
    }
};

TAMA_GUI_TEST_MAIN(TstMdata)
#include "tst_mdata.moc"
