#include "app/windowregistry.h"
#include "cardscreen/patincomain.h"
#include "cardscreen/picturebutton.h"
#include "common/clock.h"
#include "master/new_touroku.h"
#include "master/search_kisyu.h"
#include "store/modellist.h"
#include "support/recordingdialogs.h"
#include "support/testsupport.h"
#include "views/listview.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QMenuBar>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QByteArray kSat = hex("93 79");                                  // 土
const QByteArray kMon = hex("8C 8E");                                  // 月
const QByteArray kStoreA = hex("82 60 82 61 82 62 83 7A 81 5B 83 8B"); // ＡＢＣホール
const QByteArray kModel = hex("89 48 8D AA 83 82 83 66 83 8B");        // 羽根モデル
const QByteArray kImpression = hex("82 E6 82 A9 82 C1 82 BD");         // よかった
const QString kDiary = u"taro.1999.dat"_s;

QByteArray padded(QByteArray b, int n) {
    b.append(QByteArray(n - b.size(), ' '));
    return b;
}

struct Card {
    QByteArray date = "19990123";
    QByteArray weekday = kSat;
    QByteArray start = " 930";
    QByteArray end = "1405";
    QByteArray store = kStoreA;
    QByteArray category = "2";
    QByteArray model = kModel;
    QByteArray investment = "0150";
    QByteArray cashOut = "0000";
    QByteArray dayType = "111";
    QByteArray impression = kImpression;

    QByteArray bytes() const {
        QByteArray b = padded(date + weekday, 10) + start + end + padded(store, 20) + category +
                       padded(model, 30) + investment + cashOut + dayType + padded(impression, 160);
        Q_ASSERT(b.size() == 240);
        return b;
    }
};

QByteArray diary(const QList<Card> &cards) {
    QByteArray b;
    for (const Card &c : cards)
        b += c.bytes();
    return b;
}

Card dated(const QByteArray &date, const QByteArray &start = "1000") {
    Card c;
    c.date = date;
    c.start = start;
    return c;
}

// An 80-byte store record with its reserved fields filled, so that moving it whole shows.
QByteArray storeRecord(const QByteArray &name, char flag) {
    return padded(name, 20) + QByteArray(6, flag) + "C00" + QByteArray(1, flag) + padded("note", 50);
}

QStringList items(const QComboBox *box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kBlack(0, 0, 0);

const QString kIncomplete = u"データが不完全です。空白箇所を入力してください。"_s;

} // namespace

class TestCardEntry : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void chosenStoreMovesToFront();
    void storeListFollowsFileAndKeepsText();
    void searchEntryOpensModelSearch();
    void modelListWithoutCategoryWarns();
    void incompleteCardIsRefused_data();
    void incompleteCardIsRefused();
    void appendedCardPreparesNextCard();
    void updateReplacesCardInPlace();
    void halfWidthStoreIsStoredFullWidthOnce();
    void longStoreIsCutToTen();
    void crModelGoesToItsCatalogue();
    void missingModelOpensRegistration();
    void unencodableCardWritesNothing();
    void cardPlaceMustMatchFile();
    void fullDiaryRefusesAnotherCard();
    void marksAndUnmarks();
    void markDoesNotLeakToOtherCards();
    void newCardIsEmptied();
    void organiseDropsAndSorts();
    void organiseAllMarkedEmptiesDiary();
    void organiseCancelChangesNothing();
    void organisePastYearKeepsDate();
    void damagedDiaryIsReportedAndKept();

  private:
    void open(const QString &file = kDiary, const QString &year = u"1999"_s);
    template <class W = QLineEdit> W *c(const char *name) const {
        W *w = m_window->findChild<W *>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    QString t(const char *name) const { return c<QLineEdit>(name)->text(); }
    QString l(const char *name) const { return c<QLabel>(name)->text(); }
    QColor colour(const char *name) const { return c<QLabel>(name)->palette().color(QPalette::WindowText); }
    QScrollBar *bar(const char *name) const { return c<QScrollBar>(name); }
    QComboBox *combo(const char *name) const { return c<QComboBox>(name); }
    QStringList boxes(std::initializer_list<const char *> names) const {
        QStringList r;
        for (const char *n : names)
            r << t(n);
        return r;
    }
    QString startTime() const { return boxes({"Text6", "Text7", "Text18", "Text19"}).join(u'|'); }
    QString endTime() const { return boxes({"Text8", "Text9", "Text20", "Text21"}).join(u'|'); }
    static void up(QScrollBar *b, int times = 1) {
        for (int i = 0; i < times; ++i)
            b->triggerAction(QAbstractSlider::SliderSingleStepSub);
    }
    static void down(QScrollBar *b, int times = 1) {
        for (int i = 0; i < times; ++i)
            b->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    void clickOption(const char *name) {
        auto *o = c<QRadioButton>(name);
        QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(6, o->height() / 2));
    }
    void press(const char *button) { QTest::mouseClick(c<QPushButton>(button), Qt::LeftButton); }
    static void choose(QComboBox *box, int row) {
        box->showPopup();
        QAbstractItemView *view = box->view();
        view->setCurrentIndex(view->model()->index(row, 0));
        QTest::keyClick(view, Qt::Key_Return);
    }
    void typeImpression(const QString &text) {
        auto *box = c<QPlainTextEdit>("Text24");
        box->setFocus();
        QInputMethodEvent e;
        e.setCommitString(text);
        QApplication::sendEvent(box, &e);
    }
    // The new card made complete: store, category, model, 12:00 to 14:00, investment 500 yen.
    void fillNewCard(const QString &store, const char *option, const QString &model) {
        combo("Combo1")->setEditText(store);
        clickOption(option);
        combo("Combo2")->setEditText(model);
        up(bar("VScroll1"), 2); // the end follows the start
        up(bar("VScroll3"), 2);
        up(bar("VScroll7"), 5);
    }
    void organise(bool cancel) {
        m_dialogs->answer({cancel});
        m_window->findChild<QAction *>(u"filesort"_s)->trigger();
    }

    std::unique_ptr<TempFolder> m_folder;
    std::unique_ptr<DiaryState> m_state;
    std::unique_ptr<WindowRegistry> m_registry;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    FixedClock m_clock{QDateTime(QDate(1999, 3, 15), QTime(14, 5))}; // a Monday
    PatincoMain *m_window = nullptr;
};

void TestCardEntry::init() {
    m_clock.set(QDateTime(QDate(1999, 3, 15), QTime(14, 5)));
    setClock(&m_clock);
    m_dialogs = std::make_unique<RecordingDialogs>();
    m_folder = std::make_unique<TempFolder>();
    m_state = std::make_unique<DiaryState>(m_folder->path());
    m_registry = std::make_unique<WindowRegistry>(*m_state);
}

void TestCardEntry::cleanup() {
    m_registry.reset();
    m_window = nullptr;
    m_state.reset();
    m_folder.reset();
    m_dialogs.reset();
    setClock(nullptr);
}

void TestCardEntry::open(const QString &file, const QString &year) {
    m_state->year = year;
    m_state->diaryFile = file;
    m_window = m_registry->get<PatincoMain>();
    m_window->show();
    m_window->setYearText(year);
    m_state->reloadRequested = true;
    m_window->Form_Activate();
}

void TestCardEntry::chosenStoreMovesToFront() {
    const QByteArray a = storeRecord(hex("82 60"), '1'), b = storeRecord(hex("82 61"), '2'),
                     c3 = storeRecord(hex("82 62"), '3'), d = storeRecord(hex("82 63"), '4');
    m_folder->write(u"patishop.dat"_s, a + b + c3 + d);
    Card card;
    card.category = "1";
    m_folder->write(kDiary, diary({card}));
    open();
    bar("HScroll1")->setValue(1);
    QVERIFY(c<QRadioButton>("Option1")->isChecked());
    choose(combo("Combo1"), 2);
    // The third store first, the first two one place down, the rest where it was; each
    // record whole, reserved fields with their names.
    QCOMPARE(m_folder->read(u"patishop.dat"_s), c3 + a + b + d);
    QCOMPARE(combo("Combo1")->currentText(), u"Ｃ"_s);
    QVERIFY(!c<QRadioButton>("Option1")->isChecked());
    QVERIFY(!m_folder->exists(u"t#e#m#p#.tmp"_s));
    choose(combo("Combo1"), 0); // the first stays first
    QCOMPARE(m_folder->read(u"patishop.dat"_s), c3 + a + b + d);
    QCOMPARE(items(combo("Combo1")), (QStringList{u"Ｃ"_s, u"Ａ"_s, u"Ｂ"_s, u"Ｄ"_s}));
    QCOMPARE(m_dialogs->calls.size(), 0);
}

void TestCardEntry::storeListFollowsFileAndKeepsText() {
    open();
    combo("Combo1")->setEditText(u"新店"_s);
    combo("Combo1")->showPopup();
    combo("Combo1")->hidePopup();
    QCOMPARE(combo("Combo1")->count(), 0); // no store file yet: an empty list
    m_folder->write(u"patishop.dat"_s, storeRecord(hex("82 60"), ' ') + storeRecord(hex("82 61"), ' '));
    clickOption("Option2");
    combo("Combo1")->showPopup();
    combo("Combo1")->hidePopup();
    QCOMPARE(items(combo("Combo1")), (QStringList{u"Ａ"_s, u"Ｂ"_s}));
    // Opening the list neither changes the text typed nor the category chosen for it.
    QCOMPARE(combo("Combo1")->currentText(), u"新店"_s);
    QVERIFY(c<QRadioButton>("Option2")->isChecked());
}

void TestCardEntry::searchEntryOpensModelSearch() {
    // デジパチ catalogue, found under its name in any case.
    m_folder->write(u"degipati.dat"_s, padded(hex("82 72"), 160) + padded(hex("82 60"), 160));
    m_folder->write(modelListFileName(u"ＡＢＣホール"_s),
                    QByteArray("# 2\r\n") + hex("82 6F") + "\r\n# 3\r\n");
    open();
    combo("Combo1")->setEditText(u"ＡＢＣホール"_s);
    clickOption("Option2");
    QCOMPARE(items(combo("Combo2")), (QStringList{u"Ｐ"_s, u"[ 該当機種をさがす ]"_s}));
    choose(combo("Combo2"), 1);
    auto *search = m_registry->find<search_kisyu>();
    QVERIFY(search && search->isVisible());
    QCOMPARE(search->List1->count(), 2);
    QCOMPARE(search->List1->item(0)->text(), u"Ａ"_s); // in text order
    QCOMPARE(search->List1->item(1)->text(), u"Ｓ"_s);
    search->List1->setCurrentRow(1);
    QTest::mouseClick(search->Command1, Qt::LeftButton);
    QCOMPARE(combo("Combo2")->currentText(), u"Ｓ"_s);
    QVERIFY(!m_registry->find<search_kisyu>());
    QCOMPARE(m_dialogs->calls.size(), 0);
}

void TestCardEntry::modelListWithoutCategoryWarns() {
    open();
    combo("Combo2")->showPopup();
    combo("Combo2")->hidePopup();
    QCOMPARE(m_dialogs->count(RecordingDialogs::Call::Info), 1);
    QCOMPARE(m_dialogs->calls.last().message, u"機種が選択されてません"_s);
    QCOMPARE(m_dialogs->calls.last().title, u"注意"_s);
}

void TestCardEntry::incompleteCardIsRefused_data() {
    QTest::addColumn<QString>("fault");
    for (const char *f : {"search entry", "no profit", "start hour", "end hour", "start minute", "end minute",
                          "hundreds", "no category"})
        QTest::newRow(f) << QString::fromLatin1(f);
}

void TestCardEntry::incompleteCardIsRefused() {
    QFETCH(QString, fault);
    m_folder->write(kDiary, diary({Card{}}));
    open();
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"羽根モデル"_s);
    if (fault == u"search entry"_s) combo("Combo2")->setEditText(u"[ 該当機種をさがす ]  "_s);
    if (fault == u"no profit"_s) {
        m_dialogs->answer({});
        press("Command6"); // empties the new card, the profit with it
        combo("Combo1")->setEditText(u"ＡＢＣホール"_s);
        clickOption("Option2");
        combo("Combo2")->setEditText(u"羽根モデル"_s);
        up(bar("VScroll1"), 2);
        QCOMPARE(l("Label15"), QString()); // no amount touched since: no profit shown
    }
    if (fault == u"start hour"_s) c("Text7")->setText(u" "_s);
    if (fault == u"end hour"_s) c("Text9")->clear();
    if (fault == u"start minute"_s) c("Text19")->clear();
    if (fault == u"end minute"_s) c("Text21")->clear();
    if (fault == u"hundreds"_s) c("Text13")->clear();
    if (fault == u"no category"_s) combo("Combo1")->setEditText(u"ＡＢＣホール "_s);
    const QStringList before = boxes({"Text6", "Text8", "Text10", "Text11", "Text12"});
    press("Command23");
    QCOMPARE(m_dialogs->count(RecordingDialogs::Call::Info), 1);
    QCOMPARE(m_dialogs->calls.last().message, kIncomplete);
    QCOMPARE(m_dialogs->calls.last().title, u"注意"_s);
    QCOMPARE(m_folder->read(kDiary), diary({Card{}}));
    QCOMPARE(m_folder->files(), (QStringList{kDiary, modelListFileName(u"ＡＢＣホール"_s)}));
    QCOMPARE(boxes({"Text6", "Text8", "Text10", "Text11", "Text12"}), before); // nothing filled in
    QCOMPARE(l("Label19"), u"2"_s);
}

void TestCardEntry::appendedCardPreparesNextCard() {
    m_folder->write(kDiary, diary({Card{}, Card{}, Card{}, Card{}, Card{}}));
    open();
    QCOMPARE(l("Label19"), u"6"_s);
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"羽根モデル"_s);
    c<QRadioButton>("Option9")->setChecked(true);
    typeImpression(u"よかった"_s);
    // Card 1 left the spinners at its times; what the boxes show is what is stored.
    const QString start = boxes({"Text6", "Text7", "Text18", "Text19"}).join(QString());
    const QString end = boxes({"Text8", "Text9", "Text20", "Text21"}).join(QString());
    QCOMPARE(end.size(), 4);
    QVERIFY(start != end);
    QPointer<listview> list = m_registry->get<listview>();
    press("Command23");
    QVERIFY(!m_registry->find<listview>()); // the year list is made anew next time
    QCOMPARE(m_dialogs->calls.size(), 0);
    QVERIFY(m_registry->find<New_touroku>()); // the store had no list: registration to it opened
    Card six;
    six.date = "19990315";
    six.weekday = kMon;
    six.start = start.toLatin1();
    six.end = end.toLatin1();
    six.investment = "0005";
    six.cashOut = "0000";
    six.dayType = "444";
    QCOMPARE(m_folder->read(kDiary).mid(5 * 240), six.bytes());
    QCOMPARE(m_folder->read(kDiary), diary({Card{}, Card{}, Card{}, Card{}, Card{}, six}));

    // The next new card: number 7, starting and ending when card 6 ended, same store.
    QCOMPARE(l("Label19"), u"7"_s);
    QCOMPARE(bar("HScroll1")->maximum(), 7);
    QCOMPARE(bar("HScroll1")->value(), 7);
    QCOMPARE(m_state->newCardNumber, 7);
    const QString endBoxes =
        QStringList{end.mid(0, 1), end.mid(1, 1), end.mid(2, 1), end.mid(3, 1)}.join(u'|');
    QCOMPARE(startTime(), endBoxes);
    QCOMPARE(endTime(), endBoxes);
    QCOMPARE(bar("VScroll1")->value(), 32 - end.left(2).toInt());
    QCOMPARE(bar("VScroll3")->value(), 32 - end.left(2).toInt());
    QCOMPARE(bar("VScroll4")->value(), 60 - end.right(2).toInt());
    QCOMPARE(combo("Combo1")->currentText(), u"ＡＢＣホール"_s);
    for (const char *o : {"Option1", "Option2", "Option3", "Option4", "Option5"})
        QVERIFY2(!c<QRadioButton>(o)->isChecked(), o);
    QCOMPARE(combo("Combo2")->currentText().trimmed(), QString());
    QCOMPARE(boxes({"Text10", "Text11", "Text12", "Text13", "Text14", "Text15", "Text16", "Text17"}),
             QStringList(8, QString()));
    QCOMPARE(c<QPlainTextEdit>("Text24")->toPlainText(), QString());
    QCOMPARE(l("Label20"), u"新規作成"_s);
    QCOMPARE(colour("Label20"), kBlue);
    QCOMPARE(c<QPushButton>("Command23")->text(), u"登録"_s);
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"03"_s, u"15"_s, u"月"_s}));
}

void TestCardEntry::updateReplacesCardInPlace() {
    QList<Card> five{dated("19990101"), dated("19990102"), dated("19990103"), dated("19990104"),
                     dated("19990105")};
    five[2].impression = kImpression + "\r\n" + kImpression; // two lines come back as two lines
    m_folder->write(kDiary, diary(five));
    open();
    bar("HScroll1")->setValue(3);
    // 9:30 with an empty tens box; 千 5 and 百円 0 with both 万 boxes empty.
    down(bar("VScroll1"));
    up(bar("VScroll2"), 30);
    c("Text6")->clear();
    QCOMPARE(startTime(), u"|9|3|0"_s);
    c("Text10")->clear();
    c("Text11")->clear();
    c("Text12")->setText(u"5"_s);
    c("Text13")->setText(u"0"_s);
    press("Command23");
    Card three = five[2];
    three.weekday = hex("93 FA"); // the date scroller put the true weekday of 3 January in
    three.start = " 930";
    three.investment = "0050";
    QCOMPARE(m_folder->read(kDiary).mid(480, 240), three.bytes());
    QCOMPARE(m_folder->read(kDiary), diary({five[0], five[1], three, five[3], five[4]}));
    // The window stays on card 3 and shows what was filled in.
    QCOMPARE(l("Label19"), u"3"_s);
    QCOMPARE(l("Label20"), u"変更/削除"_s);
    QCOMPARE(t("Text6"), u" "_s);
    QCOMPARE(boxes({"Text10", "Text11", "Text12", "Text13"}), (QStringList{u"0"_s, u"0"_s, u"5"_s, u"0"_s}));
    QCOMPARE(l("Label15"), u"-5,000"_s);
    QCOMPARE(m_state->newCardNumber, 6);
    // The card's store and model are already known: nothing else is written or opened.
    QCOMPARE(m_folder->read(u"patishop.dat"_s), padded(kStoreA, 80));
    QVERIFY(!m_registry->find<New_touroku>() || m_folder->exists(modelListFileName(u"ＡＢＣホール"_s)));
}

void TestCardEntry::halfWidthStoreIsStoredFullWidthOnce() {
    m_folder->write(modelListFileName(u"ａｂｃ"_s), QByteArray("# 2\r\nX\r\n"));
    open();
    fillNewCard(u"abc"_s, "Option2", u"X"_s);
    press("Command23");
    QCOMPARE(m_folder->read(kDiary).mid(18, 20), padded(hex("82 81 82 82 82 83"), 20));
    QCOMPARE(m_folder->read(u"patishop.dat"_s), padded(hex("82 81 82 82 82 83"), 80));
    QCOMPARE(items(combo("Combo1")), QStringList{u"ａｂｃ"_s});
    // The model "X" typed is in the list as typed: no registration window.
    QVERIFY(!m_registry->find<New_touroku>());

    combo("Combo1")->setEditText(u"abc"_s);
    clickOption("Option2");
    combo("Combo2")->setEditText(u"X"_s);
    up(bar("VScroll7"));
    press("Command23");
    QCOMPARE(m_folder->read(kDiary).size(), 480);
    QCOMPARE(m_folder->read(u"patishop.dat"_s).size(), 80);
    QCOMPARE(items(combo("Combo1")), QStringList{u"ａｂｃ"_s});
    QCOMPARE(m_dialogs->calls.size(), 0);
}

void TestCardEntry::longStoreIsCutToTen() {
    const QString twelve = u"あいうえおかきくけこさし"_s;
    const QByteArray ten = hex("82 A0 82 A2 82 A4 82 A6 82 A8 82 A9 82 AB 82 AD 82 AF 82 B1");
    open();
    fillNewCard(twelve, "Option1", u"モデル"_s);
    press("Command23");
    QCOMPARE(m_folder->read(kDiary).mid(18, 20), ten);
    QCOMPARE(m_folder->read(u"patishop.dat"_s), padded(ten, 80));
    m_registry->unload<New_touroku>();
    // Another name that agrees in its first ten characters is the same store.
    fillNewCard(u"あいうえおかきくけこ"_s + u"xyz"_s, "Option1", u"モデル"_s);
    press("Command23");
    QCOMPARE(m_folder->read(u"patishop.dat"_s), padded(ten, 80));
}

void TestCardEntry::crModelGoesToItsCatalogue() {
    open();
    fillNewCard(u"ＡＢＣホール"_s, "Option5", u"CR123"_s);
    press("Command23");
    QCOMPARE(m_folder->read(kDiary).mid(38, 1), QByteArray("3"));
    QCOMPARE(m_folder->read(kDiary).mid(39, 30), padded(hex("82 62 82 71 82 50 82 51 82 52"), 30));
    QCOMPARE(m_folder->read(u"CRpati.dat"_s), padded(hex("82 62 82 71 82 50 82 51 82 52"), 160));
    for (const QString &other : {u"hirapati.dat"_s, u"DEGIpati.dat"_s, u"KENpati.dat"_s, u"SLOTpati.dat"_s})
        QVERIFY2(!m_folder->exists(other), qPrintable(other));
}

void TestCardEntry::missingModelOpensRegistration() {
    const QString listFile = modelListFileName(u"ＡＢＣホール"_s);
    m_folder->write(listFile,
                    QByteArray("# 2\r\n# 3\r\n") + hex("82 78") + "\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n");
    open();
    // Ｙ is listed (under 羽物, but any line counts): nothing opens.
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"Y"_s);
    press("Command23");
    QVERIFY(!m_registry->find<New_touroku>());
    // Ｘ is not: the window opens with this card's store and model, after the card is stored.
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"Ｘ"_s);
    press("Command23");
    auto *w = m_registry->find<New_touroku>();
    QVERIFY(w && w->isVisible());
    QCOMPARE(m_folder->read(kDiary).size(), 480);
    QCOMPARE(w->List3->item(0)->text(), u"Ｘ"_s + QString(29, u' ') + u" 2"_s);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(m_folder->read(listFile), QByteArray("# 2\r\n") + hex("82 77") + "\r\n# 3\r\n" + hex("82 78") +
                                           "\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n");
    QVERIFY(!m_registry->find<New_touroku>());
}

void TestCardEntry::unencodableCardWritesNothing() {
    m_folder->write(kDiary, diary({Card{}}));
    open();
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"新機種"_s);
    typeImpression(u"勝った😀"_s);
    press("Command23");
    QCOMPARE(m_dialogs->count(RecordingDialogs::Call::Info), 1);
    QCOMPARE(m_dialogs->calls.last().title, u"注意"_s);
    QVERIFY2(m_dialogs->lastMessage().contains(u"感想"_s), qPrintable(m_dialogs->lastMessage()));
    QVERIFY(m_dialogs->lastMessage().contains(u"😀"_s));
    // Neither the diary, nor the store file, the catalogue or the store's list.
    QCOMPARE(m_folder->read(kDiary), diary({Card{}}));
    QCOMPARE(m_folder->files(), (QStringList{kDiary, modelListFileName(u"ＡＢＣホール"_s)}));
    QCOMPARE(t("Text10"), QString()); // the boxes are not filled in either

    c<QPlainTextEdit>("Text24")->clear();
    combo("Combo1")->setEditText(u"𠮷野家"_s);
    clickOption("Option2");
    combo("Combo2")->setEditText(u"新機種"_s);
    m_dialogs->clear();
    press("Command23");
    QVERIFY2(m_dialogs->lastMessage().contains(u"店名"_s), qPrintable(m_dialogs->lastMessage()));
    QCOMPARE(m_folder->read(kDiary), diary({Card{}}));
    QVERIFY(!m_folder->exists(u"patishop.dat"_s));
    QVERIFY(!m_folder->exists(u"DEGIpati.dat"_s));
}

void TestCardEntry::cardPlaceMustMatchFile() {
    m_folder->write(kDiary, diary({Card{}, Card{}, Card{}}));
    open();
    // Another program appended a card while the window showed new card 4.
    m_folder->write(kDiary, diary({Card{}, Card{}, Card{}, dated("19990301")}));
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"羽根モデル"_s);
    press("Command23");
    QCOMPARE(m_dialogs->count(RecordingDialogs::Call::Info), 1);
    QVERIFY(m_dialogs->lastMessage().contains(u"変更されています"_s));
    QCOMPARE(m_folder->read(kDiary), diary({Card{}, Card{}, Card{}, dated("19990301")}));
    QVERIFY(!m_folder->exists(u"patishop.dat"_s));

    // The diary shrank below the card shown: no card 3 to replace, and no gap either.
    bar("HScroll1")->setValue(3);
    m_folder->write(kDiary, diary({Card{}}));
    press("Command23");
    QCOMPARE(m_dialogs->count(RecordingDialogs::Call::Info), 2);
    QCOMPARE(m_folder->read(kDiary), diary({Card{}}));
}

void TestCardEntry::fullDiaryRefusesAnotherCard() {
    QByteArray full;
    full.reserve(32766 * 240);
    const QByteArray one = Card{}.bytes();
    for (int i = 0; i < 32766; ++i)
        full += one;
    m_folder->write(kDiary, full);
    open();
    QCOMPARE(l("Label19"), u"32767"_s);
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"羽根モデル"_s);
    press("Command23");
    QCOMPARE(m_dialogs->count(RecordingDialogs::Call::Info), 1);
    QVERIFY2(m_dialogs->lastMessage().contains(u"32766"_s), qPrintable(m_dialogs->lastMessage()));
    QCOMPARE(m_folder->read(kDiary).size(), full.size());
    QVERIFY(!m_folder->exists(u"patishop.dat"_s));
    // A stored card can still be updated.
    bar("HScroll1")->setValue(32766);
    press("Command23");
    QCOMPARE(m_dialogs->count(RecordingDialogs::Call::Info), 1);
    QCOMPARE(m_folder->read(kDiary).size(), full.size());
}

void TestCardEntry::marksAndUnmarks() {
    const QList<Card> cards{dated("19990101"), dated("19990102"), dated("19990103"), dated("19990104")};
    m_folder->write(kDiary, diary(cards));
    open();
    bar("HScroll1")->setValue(4);
    press("Command6");
    Card marked = cards[3];
    marked.date = "R9990104";
    QCOMPARE(m_folder->read(kDiary), diary({cards[0], cards[1], cards[2], marked}));
    QCOMPARE(m_window->yearText(), u"R999"_s);
    QCOMPARE(l("Label20"), u"削除候補"_s);
    QCOMPARE(colour("Label20"), kRed);
    QCOMPARE(c<QPushButton>("Command6")->text(), u"削除取消"_s);
    // Away and back: still a candidate.
    bar("HScroll1")->setValue(1);
    bar("HScroll1")->setValue(4);
    QCOMPARE(l("Label20"), u"削除候補"_s);
    QCOMPARE(m_window->yearText(), u"R999"_s);
    press("Command6");
    QCOMPARE(m_folder->read(kDiary), diary(cards));
    QCOMPARE(m_window->yearText(), u"1999"_s);
    QCOMPARE(l("Label20"), u"変更/削除"_s);
    QCOMPARE(colour("Label20"), kBlack);
    QCOMPARE(colour("Label19"), kBlack);
    QCOMPARE(c<QPushButton>("Command6")->text(), u"削除"_s);
    QCOMPARE(m_dialogs->calls.size(), 0);

    // 2001 comes back as 2001, not 1001.
    m_clock.set(QDateTime(QDate(2001, 6, 1), QTime(12, 0)));
    m_registry->unload<PatincoMain>();
    m_folder->write(u"taro.2001.dat"_s, diary({dated("20010505")}));
    open(u"taro.2001.dat"_s, u"2001"_s);
    bar("HScroll1")->setValue(1);
    press("Command6");
    QCOMPARE(m_folder->read(u"taro.2001.dat"_s).left(8), QByteArray("R0010505"));
    press("Command6");
    QCOMPARE(m_folder->read(u"taro.2001.dat"_s), diary({dated("20010505")}));
}

void TestCardEntry::markDoesNotLeakToOtherCards() {
    const QList<Card> cards{dated("19990101"), dated("19990102")};
    m_folder->write(kDiary, diary(cards));
    open();
    bar("HScroll1")->setValue(1);
    press("Command6");
    // Updating the marked card keeps its mark; updating another card does not take it on.
    press("Command23");
    QCOMPARE(m_folder->read(kDiary).left(8), QByteArray("R9990101"));
    bar("HScroll1")->setValue(2);
    QCOMPARE(m_window->yearText(), u"1999"_s);
    press("Command23");
    QCOMPARE(m_folder->read(kDiary).mid(240, 8), QByteArray("19990102"));
}

void TestCardEntry::newCardIsEmptied() {
    m_folder->write(kDiary, diary({Card{}}));
    open();
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"羽根モデル"_s);
    up(bar("VScroll9"), 3);
    typeImpression(u"メモ"_s);
    const QStringList date = boxes({"Text3", "Text4", "Text5"});
    press("Command6");
    QCOMPARE(startTime(), u"|||"_s);
    QCOMPARE(endTime(), u"|||"_s);
    QCOMPARE(boxes({"Text10", "Text11", "Text12", "Text13", "Text14", "Text15", "Text16", "Text17"}),
             QStringList(8, QString()));
    QCOMPARE(combo("Combo1")->currentText(), QString());
    QCOMPARE(combo("Combo2")->currentText(), QString());
    QVERIFY(!c<QRadioButton>("Option2")->isChecked());
    QCOMPARE(l("Label15"), QString());
    QCOMPARE(c<QPlainTextEdit>("Text24")->toPlainText(), QString());
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), date);
    QCOMPARE(m_folder->read(kDiary), diary({Card{}}));
    QCOMPARE(m_folder->files(), (QStringList{kDiary, modelListFileName(u"ＡＢＣホール"_s)}));
}

void TestCardEntry::organiseDropsAndSorts() {
    // Six cards, 2 and 5 marked, the rest out of order; two of the same day and time.
    QList<Card> six{dated("19990503"),         dated("R9990101"), dated("19990501", "1400"),
                    dated("19990501", " 930"), dated("R9990102"), dated("19990501", "1400")};
    six[5].impression = "second";
    m_folder->write(kDiary, diary(six));
    open();
    bar("HScroll1")->setValue(2);
    c<PictureButton>("Picture3")->click();
    QCOMPARE(m_dialogs->calls.last().kind, RecordingDialogs::Call::Confirm);
    QCOMPARE(m_dialogs->calls.last().message,
             u"削除候補カードがあれば削除されます。ファイルの整理を始めますか？"_s);
    QCOMPARE(m_dialogs->calls.last().title, u"ソート"_s);
    QCOMPARE(m_dialogs->unscripted, 1); // answered Cancel: nothing yet
    QCOMPARE(m_folder->read(kDiary), diary(six));
    QVERIFY(!c<PictureButton>("Picture3")->showsPressedImage());

    m_registry->get<listview>();
    organise(false);
    QCOMPARE(m_folder->read(kDiary), diary({six[3], six[2], six[5], six[0]}));
    QVERIFY(!m_registry->find<listview>());
    QCOMPARE(l("Label19"), u"5"_s);
    QCOMPARE(bar("HScroll1")->maximum(), 5);
    QCOMPARE(bar("HScroll1")->value(), 5);
    QCOMPARE(m_state->newCardNumber, 5);
    QCOMPARE(l("Label20"), u"新規作成"_s);
    QCOMPARE(colour("Label20"), kBlue);
    QCOMPARE(colour("Label19"), kBlue);
    QCOMPARE(c<QPushButton>("Command23")->text(), u"登録"_s);
    QCOMPARE(c<QPushButton>("Command6")->text(), u"削除"_s);
    QCOMPARE(m_window->yearText(), u"1999"_s); // the candidate's R999 is gone
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"03"_s, u"15"_s, u"月"_s}));
    QVERIFY(!m_folder->exists(u"t#e#m#p.tmp"_s));
    QVERIFY(!c<PictureButton>("Picture3")->showsPressedImage());
}

void TestCardEntry::organiseAllMarkedEmptiesDiary() {
    m_folder->write(kDiary, diary({dated("R9990101"), dated("R9990102")}));
    open();
    organise(false);
    QCOMPARE(m_folder->read(kDiary), QByteArray());
    QCOMPARE(l("Label19"), u"1"_s);
    QCOMPARE(bar("HScroll1")->maximum(), 1);
    QCOMPARE(m_state->newCardNumber, 1);
    // An empty diary stays empty.
    organise(false);
    QCOMPARE(m_folder->read(kDiary), QByteArray());
    QCOMPARE(l("Label19"), u"1"_s);
    QCOMPARE(l("Label20"), u"新規作成"_s);
}

void TestCardEntry::organiseCancelChangesNothing() {
    const QList<Card> cards{dated("19990503"), dated("R9990101"), dated("19990501")};
    m_folder->write(kDiary, diary(cards));
    open();
    bar("HScroll1")->setValue(1);
    const QStringList shown = boxes({"Text3", "Text4", "Text6", "Text7", "Text10", "Text11"});
    organise(true);
    QCOMPARE(m_folder->read(kDiary), diary(cards));
    QCOMPARE(l("Label19"), u"1"_s);
    QCOMPARE(l("Label20"), u"変更/削除"_s);
    QCOMPARE(boxes({"Text3", "Text4", "Text6", "Text7", "Text10", "Text11"}), shown);
    QCOMPARE(bar("HScroll1")->maximum(), 4);
}

void TestCardEntry::organisePastYearKeepsDate() {
    m_folder->write(u"taro.1998.dat"_s, diary({dated("19981105"), dated("19980101")}));
    open();
    up(bar("HScroll2"));
    bar("HScroll1")->setValue(1);
    organise(false);
    QCOMPARE(m_folder->read(u"taro.1998.dat"_s), diary({dated("19980101"), dated("19981105")}));
    QCOMPARE(m_window->yearText(), u"1998"_s);
    // Not today's date: the new card of a past year keeps 31 December.
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"12"_s, u"31"_s, u"木"_s}));
    QCOMPARE(l("Label19"), u"3"_s);
}

void TestCardEntry::damagedDiaryIsReportedAndKept() {
    const QByteArray bytes = diary({dated("19990503"), dated("19990501")}) + "1999";
    m_folder->write(kDiary, bytes);
    open();
    organise(false);
    QCOMPARE(m_dialogs->count(RecordingDialogs::Call::Error), 1);
    QVERIFY(m_dialogs->lastMessage().contains(kDiary));
    QCOMPARE(m_folder->read(kDiary), bytes);
    QCOMPARE(l("Label19"), u"3"_s);
    // Appending to it is refused as well, before the store file is touched.
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"羽根モデル"_s);
    press("Command23");
    QCOMPARE(m_dialogs->count(RecordingDialogs::Call::Error), 2);
    QCOMPARE(m_folder->read(kDiary), bytes);
    QVERIFY(!m_folder->exists(u"patishop.dat"_s));
    QVERIFY(!m_folder->exists(u"DEGIpati.dat"_s));
}

TAMA_GUI_TEST_MAIN(TestCardEntry)
#include "tst_cardentry.moc"
