// The card screen as a person uses it: clicks, typed text (Japanese through the input
// method), Tab, Enter, Escape and the keys of every scroller, checked on screen and in
// the files.
#include "app/keyboard.h"
#include "cardscreen/helpwindow.h"
#include "cardscreen/patincomain.h"
#include "common/clock.h"
#include "master/backupwindow.h"
#include "master/kdata.h"
#include "master/mdata.h"
#include "master/new_touroku.h"
#include "startup/newname.h"
#include "startup/patinkest.h"
#include "store/modellist.h"
#include "support/windowfixture.h"
#include "views/allselect.h"
#include "views/analysiswindow.h"
#include "views/dispreport.h"
#include "views/listview.h"
#include "views/tukigrafh.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMetaEnum>
#include <QPlainTextEdit>

#include <memory>

// Qt's table of the standard keys of every platform, as Qt lays it out: keyBindings()
// answers only for the platform the test runs on. Checked against keyBindings() first.
struct QKeyBinding {
    QKeySequence::StandardKey standardKey;
    uchar priority;
    QKeyCombination shortcut;
    uint platform;
};
class QPlatformThemePrivate {
  public:
    static const QKeyBinding keyBindings[];
    static const uint numberOfKeyBindings;
    static unsigned currentKeyPlatforms();
};

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

// What a line edit or the impression box does with a key. Page moves are left out: the
// card screen's boxes have no pages, and PageUp and PageDown turn the cards.
const QList<QKeySequence::StandardKey> kEditingKeys = {
    QKeySequence::Delete,
    QKeySequence::Cut,
    QKeySequence::Copy,
    QKeySequence::Paste,
    QKeySequence::Undo,
    QKeySequence::Redo,
    QKeySequence::Back,
    QKeySequence::Forward,
    QKeySequence::SelectAll,
    QKeySequence::Deselect,
    QKeySequence::Backspace,
    QKeySequence::MoveToNextChar,
    QKeySequence::MoveToPreviousChar,
    QKeySequence::MoveToNextWord,
    QKeySequence::MoveToPreviousWord,
    QKeySequence::MoveToNextLine,
    QKeySequence::MoveToPreviousLine,
    QKeySequence::MoveToStartOfLine,
    QKeySequence::MoveToEndOfLine,
    QKeySequence::MoveToStartOfBlock,
    QKeySequence::MoveToEndOfBlock,
    QKeySequence::MoveToStartOfDocument,
    QKeySequence::MoveToEndOfDocument,
    QKeySequence::SelectNextChar,
    QKeySequence::SelectPreviousChar,
    QKeySequence::SelectNextWord,
    QKeySequence::SelectPreviousWord,
    QKeySequence::SelectNextLine,
    QKeySequence::SelectPreviousLine,
    QKeySequence::SelectNextPage,
    QKeySequence::SelectPreviousPage,
    QKeySequence::SelectStartOfLine,
    QKeySequence::SelectEndOfLine,
    QKeySequence::SelectStartOfBlock,
    QKeySequence::SelectEndOfBlock,
    QKeySequence::SelectStartOfDocument,
    QKeySequence::SelectEndOfDocument,
    QKeySequence::DeleteStartOfWord,
    QKeySequence::DeleteEndOfWord,
    QKeySequence::DeleteEndOfLine,
    QKeySequence::DeleteCompleteLine,
    QKeySequence::InsertParagraphSeparator,
    QKeySequence::InsertLineSeparator,
};

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
    void windowKeysWorkFromEveryBox_data();
    void windowKeysWorkFromEveryBox();
    void noWindowKeyIsAnEditingKey();
    void dataMenuAccessKeys_data();
    void dataMenuAccessKeys();

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
    template <class W> bool shown() const {
        W *w = m_f->registry.find<W>();
        return w && w->isVisible();
    }
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
    key(Qt::Key_PageUp, Qt::ControlModifier | Qt::ShiftModifier);
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
    QCOMPARE(control<QListWidget>(users, "List1")->currentRow(), 0);
    QVERIFY(control<QListWidget>(users, "List1")->currentItem()->isSelected());
    control<QListWidget>(users, "List1")->setFocus();
    key(Qt::Key_Down);
    QCOMPARE(control<QListWidget>(users, "List1")->currentRow(), 1);
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
    QVERIFY(tabTo(control<QPushButton>(users, "Command2")));
    key(Qt::Key_Return); // 新規登録
    NEWNAME *name = m_f->registry.find<NEWNAME>();
    QVERIFY(name && name->isVisible());
    activate(name);
    control<QLineEdit>(name, "Text1")->setFocus();
    type(u"taro"_s);
    key(Qt::Key_Return);
    QVERIFY(!name->isVisible());
    activate(users);
    control<QListWidget>(users, "List1")->setFocus();
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

// Each key of the help page's list, from each kind of box the cursor can be in.
void TestCardKeys::windowKeysWorkFromEveryBox_data() {
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("does");
    const std::pair<QKeyCombination, const char *> keys[] = {
        {Qt::Key_PageUp, "previousCard"},
        {Qt::Key_PageDown, "nextCard"},
        {Qt::ALT | Qt::Key_Home, "firstCard"},
        {Qt::ALT | Qt::Key_End, "newCard"},
        {Qt::CTRL | Qt::Key_PageUp, "previousYear"},
        {Qt::CTRL | Qt::Key_PageDown, "nextYear"},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_PageUp, "previousDay"},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_PageDown, "nextDay"},
        {Qt::CTRL | Qt::Key_S, "register"},
        {Qt::Key_F8, "mark"},
        {Qt::CTRL | Qt::Key_O, "organise"},
        {Qt::CTRL | Qt::Key_L, "list"},
        {Qt::CTRL | Qt::Key_G, "graph"},
        {Qt::CTRL | Qt::Key_R, "report"},
        {Qt::Key_F7, "analysis"},
        {Qt::CTRL | Qt::Key_1, "halls"},
        {Qt::CTRL | Qt::Key_2, "models"},
        {Qt::CTRL | Qt::Key_B, "backups"},
        {Qt::CTRL | Qt::Key_J, "users"},
        {Qt::Key_F1, "help"},
        {Qt::SHIFT | Qt::Key_F1, "topics"},
        {Qt::CTRL | Qt::Key_Q, "end"},
    };
    // Month, time, amount, hall, model and impression.
    for (const char *box : {"Text3", "Text7", "Text12", "Combo1", "Combo2", "Text24"})
        for (const auto &[k, does] : keys)
            QTest::addRow("%s %s", box, does)
                << QByteArray(box) << QKeySequence(k) << QString::fromLatin1(does);
}

void TestCardKeys::windowKeysWorkFromEveryBox() {
    QFETCH(QByteArray, box);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, does);
    m_f->folder.write(u"taro.1999.dat"_s, storedCard(u"19990123"_s) + storedCard(u"19990124"_s));
    m_f->folder.write(u"taro.1998.dat"_s, storedCard(u"19980505"_s));
    open(does == u"nextYear"_s ? u"1998"_s : u"1999"_s);
    if (does == u"nextCard"_s || does == u"newCard"_s) m_window->showCardNumber(1);
    if (does == u"mark"_s) m_window->showCardNumber(2);
    if (does == u"nextDay"_s) {
        up(bar("HScroll3"));
        QCOMPARE(t("Text3") + t("Text4"), u"0314"_s);
    }
    if (does == u"organise"_s) m_f->dialogs.answer({true});
    QWidget *target = c<QWidget>(box.constData());
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);
    auto textOf = [target] {
        if (auto *line = qobject_cast<QLineEdit *>(target)) return line->text();
        if (auto *list = qobject_cast<QComboBox *>(target)) return list->currentText();
        return qobject_cast<QPlainTextEdit *>(target)->toPlainText();
    };
    const QString before = textOf();

    QTest::keySequence(target, keys);

    if (does == u"end"_s) {
        QVERIFY(!m_f->registry.find<PatincoMain>());
        m_window = nullptr;
        return;
    }
    const QString after = textOf();
    if (does == u"previousCard"_s || does == u"nextCard"_s) {
        QCOMPARE(l("Label19"), u"2"_s);
    } else if (does == u"firstCard"_s) {
        QCOMPARE(l("Label19"), u"1"_s);
    } else if (does == u"newCard"_s) {
        QCOMPARE(l("Label19"), u"3"_s);
        QCOMPARE(l("Label20"), u"新規作成"_s);
    } else if (does == u"previousYear"_s) {
        QCOMPARE(m_f->state.diaryFile(), u"taro.1998.dat"_s);
    } else if (does == u"nextYear"_s) {
        QCOMPARE(m_f->state.diaryFile(), u"taro.1999.dat"_s);
    } else if (does == u"previousDay"_s) {
        QCOMPARE(t("Text3") + t("Text4"), u"0314"_s);
    } else if (does == u"nextDay"_s) {
        QCOMPARE(t("Text3") + t("Text4"), u"0315"_s);
    } else if (does == u"register"_s) {
        QCOMPARE(m_f->dialogs.lastMessage(), u"データが不完全です。空白箇所を入力してください。"_s);
    } else if (does == u"mark"_s) {
        QCOMPARE(m_f->folder.read(u"taro.1999.dat"_s).at(240), 'R');
    } else if (does == u"organise"_s) {
        QVERIFY(m_f->dialogs.lastMessage().contains(u"ファイルの整理を始めますか"_s));
    } else if (does == u"list"_s) {
        QVERIFY(shown<allSelect>());
    } else if (does == u"graph"_s) {
        QVERIFY(shown<tukiGrafh>());
    } else if (does == u"report"_s) {
        QVERIFY(shown<dispreport>());
    } else if (does == u"analysis"_s) {
        QVERIFY(shown<AnalysisWindow>());
    } else if (does == u"halls"_s) {
        QVERIFY(shown<MDATA>());
    } else if (does == u"models"_s) {
        QVERIFY(shown<KDATA>());
    } else if (does == u"backups"_s) {
        QVERIFY(shown<BackupWindow>());
    } else if (does == u"users"_s) {
        QVERIFY(shown<PATINKEST>());
    } else if (does == u"help"_s || does == u"topics"_s) {
        QVERIFY(shown<HelpWindow>());
    } else {
        QFAIL("no check for this key");
    }
    // The key went to the window, not into the box (drawing a card may change the box).
    if (does != u"previousCard"_s && does != u"nextCard"_s && does != u"firstCard"_s &&
        does != u"newCard"_s && does != u"previousYear"_s && does != u"nextYear"_s &&
        does != u"previousDay"_s && does != u"nextDay"_s && does != u"mark"_s)
        QCOMPARE(after, before);
}

// A window key that is also a box's editing key on Linux, Windows or macOS would be taken
// by the box there, or take the box's key away.
void TestCardKeys::noWindowKeyIsAnEditingKey() {
    const unsigned here = QPlatformThemePrivate::currentKeyPlatforms();
    for (QKeySequence::StandardKey k : kEditingKeys) {
        QSet<QKeySequence> table;
        for (uint i = 0; i < QPlatformThemePrivate::numberOfKeyBindings; ++i)
            if (const QKeyBinding &b = QPlatformThemePrivate::keyBindings[i];
                b.standardKey == k && (b.platform & here))
                table.insert(QKeySequence(b.shortcut));
        const QList<QKeySequence> bound = QKeySequence::keyBindings(k);
        QCOMPARE(table, QSet<QKeySequence>(bound.begin(), bound.end()));
    }
    open();
    const QMetaEnum names = QMetaEnum::fromType<QKeySequence::StandardKey>();
    QStringList clashes;
    int windowKeys = 0;
    for (const QAction *a : m_window->findChildren<QAction *>()) {
        for (const QKeySequence &keys : a->shortcuts()) {
            ++windowKeys;
            for (uint i = 0; i < QPlatformThemePrivate::numberOfKeyBindings; ++i) {
                const QKeyBinding &b = QPlatformThemePrivate::keyBindings[i];
                if (kEditingKeys.contains(b.standardKey) && QKeySequence(b.shortcut) == keys)
                    clashes << a->objectName() + u' ' + keys.toString() + u" = "_s +
                                   QString::fromLatin1(names.valueToKey(b.standardKey));
            }
        }
    }
    QVERIFY(windowKeys >= 20);
    QCOMPARE(clashes, QStringList());
}

// Alt and a menu's letter, then an item's letter, as a person types them.
void TestCardKeys::dataMenuAccessKeys_data() {
    QTest::addColumn<Qt::Key>("letter");
    QTest::addColumn<QString>("opens");
    QTest::newRow("店データ設定(&A)") << Qt::Key_A << u"MDATA"_s;
    QTest::newRow("機種データ設定(&B)") << Qt::Key_B << u"KDATA"_s;
    QTest::newRow("バックアップと復元(&R)") << Qt::Key_R << u"BackupWindow"_s;
}

void TestCardKeys::dataMenuAccessKeys() {
    QFETCH(Qt::Key, letter);
    QFETCH(QString, opens);
    open();
    c("Text3")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
    QCOMPARE(QApplication::activePopupWidget()->objectName(), u"dataSET"_s);
    QTest::keyClick(QApplication::activePopupWidget(), letter);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    const bool opened = opens == u"MDATA"_s   ? shown<MDATA>()
                        : opens == u"KDATA"_s ? shown<KDATA>()
                                              : shown<BackupWindow>();
    QVERIFY(opened);
    QVERIFY(!shown<KDATA>() || !shown<BackupWindow>());
}

TAMA_GUI_TEST_MAIN(TestCardKeys)
#include "tst_cardkeys.moc"
