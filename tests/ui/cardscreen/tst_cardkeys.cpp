// The card screen as a person uses it: clicks, typed text (Japanese through the input
// method), Tab, Enter, Escape and the keys of every scroller, checked on screen and in
// the files.
#include "app/keyboard.h"
#include "cardscreen/patincomain.h"
#include "common/clock.h"
#include "master/new_touroku.h"
#include "startup/newname.h"
#include "startup/patinkest.h"
#include "store/modellist.h"
#include "support/windowfixture.h"
#include "views/allselect.h"
#include "views/listview.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputMethodEvent>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

QByteArray padded(QByteArray b, int n) {
    b.append(QByteArray(n - b.size(), ' '));
    return b;
}

// A Saturday of date, 9:30 to 14:05 at ＡＢＣ, デジパチ ハネ, 1,500 yen in.
QByteArray storedCard(const QString &date) {
    return cardBytes({.date = date + u"土"_s,
                      .start = u" 930"_s,
                      .end = u"1405"_s,
                      .store = u"ＡＢＣ"_s,
                      .category = u"2"_s,
                      .model = u"ハネ"_s,
                      .investment = u"0015"_s,
                      .cashOut = u"0000"_s});
}

} // namespace

class TestCardKeys : public QObject, CardScreenTest {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void hallTypedIsHallStored();
    void typedDateKeepsItsWeekday();
    void monthAndDayTakeDigitsOnly();
    void endHourMovesOnFirstClick();
    void profitFollowsTypedAmounts();
    void unstorableHallMakesNoFiles();
    void standardButtonsAreJapanese();
    void scrollersAndSpinnersByKeys();
    void enterAndEscapeInEveryWindow();
    void userWindowByKeys();
    void anEveningByKeyboardAlone();

  private:
    void open(const QString &year = u"1999"_s);
    // A key to whatever has the focus, as the keyboard sends it.
    static void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget *f = QApplication::focusWidget();
        QVERIFY(f);
        QTest::keyClick(f, Qt::Key(k), mods);
    }
    static void type(const QString &ascii) { QTest::keyClicks(QApplication::focusWidget(), ascii); }
    // Tab until the focus reaches w; fails when it never does.
    static bool tabTo(QWidget *w) {
        // An editable combo box and its line edit count as one stop.
        auto reached = [w] {
            QWidget *f = QApplication::focusWidget();
            return f && (f == w || w->isAncestorOf(f) || f->isAncestorOf(w));
        };
        for (int i = 0; i < 80 && !reached(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        return reached();
    }
    static void activate(QWidget *w) {
        w->show();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    void clickIn(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2)); }
    void clickOption(const char *name) { clickIn(c<QRadioButton>(name)); }
};

void TestCardKeys::init() {
    start();
}

void TestCardKeys::cleanup() {
    finish();
}

void TestCardKeys::open(const QString &year) {
    m_window = m_f->registry.get<PatincoMain>();
    activate(m_window);
    m_f->state.open(u"taro"_s, year.toInt());
}

void TestCardKeys::hallTypedIsHallStored() {
    open();
    QComboBox *hall = c<QComboBox>("Combo1");
    for (int round = 0; round < 2; ++round) { // the first card and the one after it
        clickIn(hall->lineEdit());
        hall->lineEdit()->selectAll();
        QTest::keyClicks(hall->lineEdit(), u"XYZ"_s);
        typeJapanese(hall->lineEdit(), u"ホール"_s);
        QCOMPARE(hall->currentText(), u"XYZホール"_s);
        clickOption("Option2");
        QComboBox *model = c<QComboBox>("Combo2");
        clickIn(model->lineEdit());
        typeJapanese(model->lineEdit(), u"ドリーム"_s);
        clickIn(c("Text9"));
        key(Qt::Key_Up); // end 11:00
        clickIn(c("Text13"));
        type(u"5"_s);
        QTest::mouseClick(c<QPushButton>("Command23"), Qt::LeftButton);
        QVERIFY2(m_f->dialogs.count(RecordingDialogs::Call::Info) == 0,
                 qPrintable(m_f->dialogs.lastMessage()));
        if (New_touroku *reg = m_f->registry.find<New_touroku>()) reg->close();
        // The box shows the stored form, which the next card keeps.
        QCOMPARE(hall->currentText(), u"ＸＹＺホール"_s);
    }
    const QByteArray diary = m_f->folder.read(u"taro.1999.dat"_s);
    QCOMPARE(diary.size(), 480);
    const QByteArray xyzHall = hex("82 77 82 78 82 79 83 7A 81 5B 83 8B"); // ＸＹＺホール
    QCOMPARE(diary.mid(18, 20), padded(xyzHall, 20));
    QCOMPARE(diary.mid(240 + 18, 20), padded(xyzHall, 20));
    QCOMPARE(m_f->folder.read(u"patishop.dat"_s), padded(xyzHall, 80));
    QStringList files{u"DEGIpati.dat"_s, modelListFileName(u"ＸＹＺホール"_s), u"patishop.dat"_s,
                      u"taro.1999.dat"_s};
    files.sort();
    QCOMPARE(m_f->folder.files(), files); // no stray list file of a half-typed name
}

void TestCardKeys::typedDateKeepsItsWeekday() {
    open();
    QLineEdit *month = c("Text3");
    QLineEdit *day = c("Text4");
    QTest::mouseDClick(month, Qt::LeftButton);
    month->selectAll();
    QTest::keyClicks(month, u"11"_s);
    clickIn(day);
    day->selectAll();
    QTest::keyClicks(day, u"03"_s);
    clickIn(c<QComboBox>("Combo1")->lineEdit()); // leave by the mouse
    QCOMPARE((QStringList{t("Text3"), t("Text4"), t("Text5")}), (QStringList{u"11"_s, u"03"_s, u"水"_s}));
    QCOMPARE(m_f->dialogs.beeps, 0);
}

void TestCardKeys::monthAndDayTakeDigitsOnly() {
    m_f->folder.write(u"taro.1999.dat"_s, storedCard(u"19990123"_s));
    open();
    key(Qt::Key_PageUp); // the stored card
    QLineEdit *month = c("Text3");
    clickIn(month);
    month->selectAll();
    QTest::keyClick(month, Qt::Key_Backspace);
    QTest::keyClicks(month, u"11"_s);
    QCOMPARE(month->text(), u"11"_s); // exactly what was typed, no beep
    QCOMPARE(m_f->dialogs.beeps, 0);
    QTest::keyClick(month, Qt::Key_Backspace);
    QTest::keyClicks(month, u"x"_s);
    QCOMPARE(month->text(), u"1"_s);
    QCOMPARE(m_f->dialogs.beeps, 1); // a letter is refused with a beep
    clickIn(c("Text4"));
    QCOMPARE(month->text(), u"01"_s);
    // An impossible date is repaired when the box is complete: 2/30 → 2/01.
    month->selectAll();
    QTest::keyClicks(month, u"02"_s);
    QLineEdit *day = c("Text4");
    day->selectAll();
    QTest::keyClicks(day, u"30"_s);
    QCOMPARE((QStringList{t("Text3"), t("Text4"), t("Text5")}), (QStringList{u"02"_s, u"01"_s, u"月"_s}));
    // Whatever is left in the box is repaired on leaving, so no "0x" is ever stored.
    month->setText(u"0x"_s);
    QTest::mouseClick(c<QPushButton>("Command23"), Qt::LeftButton);
    QCOMPARE(month->text(), u"01"_s);
    QCOMPARE(m_f->folder.read(u"taro.1999.dat"_s).left(10), QByteArray("19990101") + hex("8B E0")); // 金
}

void TestCardKeys::endHourMovesOnFirstClick() {
    open();
    QCOMPARE(t("Text6") + t("Text7") + t("Text18") + t("Text19"), u"1000"_s);
    QScrollBar *endHour = c<QScrollBar>("VScroll3");
    for (int i = 1; i <= 3; ++i) {
        QTest::mouseClick(endHour, Qt::LeftButton, {}, QPoint(endHour->width() / 2, 3)); // the up arrow
        QCOMPARE(t("Text8") + t("Text9") + u':' + t("Text20") + t("Text21"), u"1%1:00"_s.arg(i));
    }
}

void TestCardKeys::profitFollowsTypedAmounts() {
    open();
    for (const char *box : {"Text11", "Text12", "Text15"}) {
        clickIn(c(box));
        type(QString::number(box == std::string_view("Text11")   ? 1
                             : box == std::string_view("Text12") ? 2
                                                                 : 3));
    }
    QCOMPARE(l("Label15"), u"18,000"_s); // 1万2千 in, 3万 out
    clickIn(c("Text15"));
    key(Qt::Key_Down); // the 万 spinner by key: 2万 out
    QCOMPARE(t("Text15"), u"2"_s);
    QCOMPARE(l("Label15"), u"8,000"_s);
}

void TestCardKeys::unstorableHallMakesNoFiles() {
    open();
    for (const QString &hallName : {u"ホール😀"_s, u"𠮷野ホール"_s}) {
        QComboBox *hall = c<QComboBox>("Combo1");
        clickIn(hall->lineEdit());
        hall->lineEdit()->selectAll();
        typeJapanese(hall->lineEdit(), hallName);
        m_f->dialogs.clear();
        clickOption("Option2");
        QCOMPARE(m_f->dialogs.calls.size(), 1);
        QVERIFY(m_f->dialogs.lastMessage().contains(u"店名"_s));
        QCOMPARE(m_f->folder.files(), QStringList{u"taro.1999.dat"_s});
        clickIn(c("Text13"));
        type(u"5"_s);
        QTest::mouseClick(c<QPushButton>("Command23"), Qt::LeftButton);
        QCOMPARE(m_f->folder.files(), QStringList{u"taro.1999.dat"_s});
        QCOMPARE(m_f->folder.read(u"taro.1999.dat"_s).size(), 0);
    }
}

void TestCardKeys::standardButtonsAreJapanese() {
    QVERIFY(installJapaneseTranslation());
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                         QDialogButtonBox::No);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), u"キャンセル"_s);
    QVERIFY(box.button(QDialogButtonBox::Yes)->text().startsWith(u"はい"_s));
    QVERIFY(box.button(QDialogButtonBox::No)->text().startsWith(u"いいえ"_s));
}

void TestCardKeys::scrollersAndSpinnersByKeys() {
    m_f->folder.write(u"taro.1999.dat"_s, storedCard(u"19990123"_s) + storedCard(u"19990124"_s));
    m_f->folder.write(u"taro.1998.dat"_s, storedCard(u"19980505"_s));
    open();
    QCOMPARE(l("Label19"), u"3"_s);
    key(Qt::Key_PageUp);
    QCOMPARE(l("Label19"), u"2"_s);
    QCOMPARE(t("Text4"), u"24"_s);
    key(Qt::Key_PageUp);
    QCOMPARE(l("Label20"), u"変更/削除"_s);
    QCOMPARE(t("Text4"), u"23"_s);
    key(Qt::Key_PageDown);
    key(Qt::Key_PageDown);
    QCOMPARE(l("Label20"), u"新規作成"_s);
    key(Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(m_f->state.diaryFile(), u"taro.1998.dat"_s);
    QCOMPARE(l("Label19"), u"2"_s);
    key(Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(m_f->state.diaryFile(), u"taro.1999.dat"_s);
    // The date steps by day, the times and amounts by their boxes' Up and Down.
    QCOMPARE(t("Text3") + t("Text4"), u"0315"_s);
    key(Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(t("Text3") + t("Text4") + t("Text5"), u"0314日"_s);
    c("Text7")->setFocus();
    key(Qt::Key_Up);
    QCOMPARE(t("Text6") + t("Text7"), u"11"_s);
    c("Text13")->setFocus();
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    QCOMPARE(t("Text13"), u"2"_s);
    QCOMPARE(l("Label15"), u"-200"_s);
    // Marking by key, and back.
    key(Qt::Key_PageUp);
    key(Qt::Key_F8);
    QCOMPARE(l("Label20"), u"削除候補"_s);
    QCOMPARE(m_f->folder.read(u"taro.1999.dat"_s).at(240), 'R');
    key(Qt::Key_F8);
    QCOMPARE(m_f->folder.read(u"taro.1999.dat"_s).at(240), '1');
}

void TestCardKeys::enterAndEscapeInEveryWindow() {
    open();
    // Enter on a focused button presses it.
    c<QPushButton>("Command6")->setFocus();
    c<QComboBox>("Combo1")->setEditText(u"ＡＢＣ"_s);
    key(Qt::Key_Return);
    QCOMPARE(c<QComboBox>("Combo1")->currentText(), QString()); // the new card was emptied
    // The year list filter: Escape backs out as its cancel button does.
    key(Qt::Key_L, Qt::ControlModifier);
    allSelect *filter = m_f->registry.find<allSelect>();
    QVERIFY(filter && filter->isVisible());
    activate(filter);
    key(Qt::Key_Escape);
    QVERIFY(!m_f->registry.find<allSelect>() || !m_f->registry.find<allSelect>()->isVisible());
    // Registration of a model: Enter takes it as OK.
    activate(m_window);
    clickIn(c("Text7"));
    key(Qt::Key_Up); // an emptied card starts at 10:00 at the first step
    c<QComboBox>("Combo1")->setEditText(u"ＡＢＣ"_s);
    clickOption("Option2");
    c<QComboBox>("Combo2")->setEditText(u"ドリーム"_s);
    clickIn(c("Text9"));
    key(Qt::Key_Up);
    clickIn(c("Text13"));
    type(u"5"_s);
    c<QPushButton>("Command23")->setFocus();
    key(Qt::Key_Return);
    New_touroku *reg = m_f->registry.find<New_touroku>();
    QVERIFY2(reg && reg->isVisible(), qPrintable(m_f->dialogs.lastMessage()));
    activate(reg);
    key(Qt::Key_Return);
    QVERIFY(!m_f->registry.find<New_touroku>() || !m_f->registry.find<New_touroku>()->isVisible());
    const QByteArray list = m_f->folder.read(modelListFileName(u"ＡＢＣ"_s));
    QVERIFY(list.contains(hex("83 68 83 8A 81 5B 83 80"))); // ドリーム is in the hall's list
}

void TestCardKeys::userWindowByKeys() {
    m_f->folder.write(u"namae.dat"_s,
                      QByteArray("  ") + padded("A", 18) + QByteArray("  ") + padded("B", 18));
    PATINKEST *users = m_f->registry.get<PATINKEST>();
    QVERIFY(!users->Form_Load());
    activate(users);
    QCOMPARE(users->List1->currentRow(), 0);
    QVERIFY(users->List1->currentItem()->isSelected());
    users->List1->setFocus();
    key(Qt::Key_Down);
    QCOMPARE(users->List1->currentRow(), 1);
    key(Qt::Key_Return);
    QCOMPARE(m_f->state.diaryFile(), u"B.1999.dat"_s);
    QVERIFY(m_f->registry.find<PatincoMain>() && m_f->registry.find<PatincoMain>()->isVisible());
    QVERIFY(!users->isVisible());
}

// From an empty folder to three cards, a mark, an organise and the year list, with no
// mouse at all.
void TestCardKeys::anEveningByKeyboardAlone() {
    PATINKEST *users = m_f->registry.get<PATINKEST>();
    QVERIFY(!users->Form_Load());
    activate(users);
    QVERIFY(tabTo(users->Command2));
    key(Qt::Key_Return); // 新規登録
    NEWNAME *name = m_f->registry.find<NEWNAME>();
    QVERIFY(name && name->isVisible());
    activate(name);
    name->Text1->setFocus();
    type(u"taro"_s);
    key(Qt::Key_Return);
    QVERIFY(!name->isVisible());
    activate(users);
    users->List1->setFocus();
    key(Qt::Key_Return);
    m_window = m_f->registry.find<PatincoMain>();
    QVERIFY(m_window && m_window->isVisible());
    activate(m_window);

    // Three cards at ＡＢＣ: 10:00 to 11:00, 11:00 to 12:00, 12:00 to 13:00.
    for (int card = 1; card <= 3; ++card) {
        QVERIFY(tabTo(c("Text9")));
        key(Qt::Key_Up);
        if (card == 1) {
            QVERIFY(tabTo(c<QComboBox>("Combo1")->lineEdit()));
            type(u"ABC"_s);
        }
        QVERIFY(tabTo(c<QRadioButton>("Option1")));
        key(Qt::Key_Space); // 羽物
        QVERIFY(tabTo(c<QComboBox>("Combo2")->lineEdit()));
        type(u"HANE"_s);
        QVERIFY(tabTo(c("Text12")));
        type(QString::number(card));
        key(Qt::Key_Tab);
        type(u"0"_s);
        QVERIFY(tabTo(c<QPushButton>("Command23")));
        key(Qt::Key_Return);
        if (New_touroku *reg = m_f->registry.find<New_touroku>(); reg && reg->isVisible()) {
            activate(reg);
            key(Qt::Key_Return); // OK: the model joins the hall's list
            activate(m_window);
        }
        QVERIFY2(m_f->folder.read(u"taro.1999.dat"_s).size() == card * 240,
                 qPrintable(m_f->dialogs.lastMessage()));
    }
    QCOMPARE(m_f->dialogs.calls.size(), 0);

    // Card 2 marked, the diary organised.
    key(Qt::Key_PageUp);
    key(Qt::Key_PageUp);
    QCOMPARE(l("Label19"), u"2"_s);
    key(Qt::Key_F8);
    m_f->dialogs.answer({false});
    key(Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(l("Label19"), u"3"_s);

    auto card = [](const QString &start, const QString &end, const QString &investment) {
        return cardBytes({.date = u"19990315月"_s,
                          .start = start,
                          .end = end,
                          .store = u"ＡＢＣ"_s,
                          .category = u"1"_s,
                          .model = u"ＨＡＮＥ"_s,
                          .investment = investment,
                          .cashOut = u"0000"_s});
    };
    QCOMPARE(m_f->folder.read(u"taro.1999.dat"_s),
             card(u"1000"_s, u"1100"_s, u"0010"_s) + card(u"1200"_s, u"1300"_s, u"0030"_s));
    QCOMPARE(m_f->folder.read(u"patishop.dat"_s), padded(hex("82 60 82 61 82 62"), 80));
    QCOMPARE(m_f->folder.read(u"hirapati.dat"_s), padded(hex("82 67 82 60 82 6D 82 64"), 160));

    // The year list, through its filter, by Enter.
    key(Qt::Key_L, Qt::ControlModifier);
    allSelect *filter = m_f->registry.find<allSelect>();
    QVERIFY(filter && filter->isVisible());
    activate(filter);
    key(Qt::Key_Return);
    listview *list = m_f->registry.find<listview>();
    QVERIFY(list && list->isVisible());
}

TAMA_GUI_TEST_MAIN(TestCardKeys)
#include "tst_cardkeys.moc"
