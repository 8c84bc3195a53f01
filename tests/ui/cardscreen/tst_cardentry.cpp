#include "cardscreen/patincomain.h"
#include "cardscreen/picturebutton.h"
#include "common/clock.h"
#include "master/new_touroku.h"
#include "master/search_kisyu.h"
#include "store/modellist.h"
#include "support/windowfixture.h"
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

const QByteArray kStoreA = hex("82 60 82 61 82 62 83 7A 81 5B 83 8B"); // ＡＢＣホール
const QString kDiary = u"taro.1999.dat"_s;

QByteArray padded(QByteArray b, int n) {
    b.append(QByteArray(n - b.size(), ' '));
    return b;
}

CardValues dated(const QString &date, const QString &start = u"1000"_s) {
    CardValues c = screenCard();
    c.date = date + u"土"_s;
    c.start = start;
    return c;
}

// An 80-byte store record with its reserved fields filled, so that moving it whole shows.
QByteArray storeRecord(const QByteArray &name, char flag) {
    return padded(name, 20) + QByteArray(6, flag) + "C00" + QByteArray(1, flag) + padded("note", 50);
}

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kBlack(0, 0, 0);

const QString kIncomplete = u"データが不完全です。空白箇所を入力してください。"_s;

} // namespace

class TestCardEntry : public QObject, CardScreenTest {
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
    void clickOption(const char *name) { test::clickOption(c<QRadioButton>(name)); }
    void press(const char *button) { QTest::mouseClick(c<QPushButton>(button), Qt::LeftButton); }
    void typeImpression(const QString &text) {
        auto *box = c<QPlainTextEdit>("Text24");
        box->setFocus();
        typeJapanese(box, text);
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
        m_f->dialogs.answer({cancel});
        m_window->findChild<QAction *>(u"filesort"_s)->trigger();
    }
};

void TestCardEntry::init() {
    start();
}

void TestCardEntry::cleanup() {
    finish();
}

void TestCardEntry::chosenStoreMovesToFront() {
    const QByteArray a = storeRecord(hex("82 60"), '1'), b = storeRecord(hex("82 61"), '2'),
                     c3 = storeRecord(hex("82 62"), '3'), d = storeRecord(hex("82 63"), '4');
    m_f->folder.write(u"patishop.dat"_s, a + b + c3 + d);
    CardValues card = screenCard();
    card.category = u"1"_s;
    m_f->folder.write(kDiary, diaryBytes({card}));
    open();
    bar("HScroll1")->setValue(1);
    QVERIFY(c<QRadioButton>("Option1")->isChecked());
    chooseEntry(combo("Combo1"), 2);
    // The third store first, the first two one place down, the rest where it was; each
    // record whole, reserved fields with their names.
    QCOMPARE(m_f->folder.read(u"patishop.dat"_s), c3 + a + b + d);
    QCOMPARE(combo("Combo1")->currentText(), u"Ｃ"_s);
    QVERIFY(!c<QRadioButton>("Option1")->isChecked());
    QVERIFY(!m_f->folder.exists(u"t#e#m#p#.tmp"_s));
    chooseEntry(combo("Combo1"), 0); // the first stays first
    QCOMPARE(m_f->folder.read(u"patishop.dat"_s), c3 + a + b + d);
    QCOMPARE(items(combo("Combo1")), (QStringList{u"Ｃ"_s, u"Ａ"_s, u"Ｂ"_s, u"Ｄ"_s}));
    QCOMPARE(m_f->dialogs.calls.size(), 0);
}

void TestCardEntry::storeListFollowsFileAndKeepsText() {
    open();
    combo("Combo1")->setEditText(u"新店"_s);
    combo("Combo1")->showPopup();
    combo("Combo1")->hidePopup();
    QCOMPARE(combo("Combo1")->count(), 0); // no store file yet: an empty list
    m_f->folder.write(u"patishop.dat"_s, storeRecord(hex("82 60"), ' ') + storeRecord(hex("82 61"), ' '));
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
    m_f->folder.write(u"degipati.dat"_s, padded(hex("82 72"), 160) + padded(hex("82 60"), 160));
    m_f->folder.write(modelListFileName(u"ＡＢＣホール"_s),
                      QByteArray("# 2\r\n") + hex("82 6F") + "\r\n# 3\r\n");
    open();
    combo("Combo1")->setEditText(u"ＡＢＣホール"_s);
    clickOption("Option2");
    QCOMPARE(items(combo("Combo2")), (QStringList{u"Ｐ"_s, u"[ 該当機種をさがす ]"_s}));
    chooseEntry(combo("Combo2"), 1);
    auto *search = m_f->registry.find<search_kisyu>();
    QVERIFY(search && search->isVisible());
    QCOMPARE(control<QListWidget>(search, "List1")->count(), 2);
    QCOMPARE(control<QListWidget>(search, "List1")->item(0)->text(), u"Ａ"_s); // in text order
    QCOMPARE(control<QListWidget>(search, "List1")->item(1)->text(), u"Ｓ"_s);
    control<QListWidget>(search, "List1")->setCurrentRow(1);
    QTest::mouseClick(control<QPushButton>(search, "Command1"), Qt::LeftButton);
    QCOMPARE(combo("Combo2")->currentText(), u"Ｓ"_s);
    QVERIFY(!m_f->registry.find<search_kisyu>());
    QCOMPARE(m_f->dialogs.calls.size(), 0);
}

void TestCardEntry::modelListWithoutCategoryWarns() {
    open();
    combo("Combo2")->showPopup();
    combo("Combo2")->hidePopup();
    QCOMPARE(m_f->dialogs.count(RecordingDialogs::Call::Info), 1);
    QCOMPARE(m_f->dialogs.calls.last().message, u"機種が選択されてません"_s);
    QCOMPARE(m_f->dialogs.calls.last().title, u"注意"_s);
}

void TestCardEntry::incompleteCardIsRefused_data() {
    QTest::addColumn<QString>("fault");
    for (const char *f : {"search entry", "no profit", "start hour", "end hour", "start minute", "end minute",
                          "hundreds", "no category"})
        QTest::newRow(f) << QString::fromLatin1(f);
}

void TestCardEntry::incompleteCardIsRefused() {
    QFETCH(QString, fault);
    m_f->folder.write(kDiary, diaryBytes({screenCard()}));
    open();
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"羽根モデル"_s);
    if (fault == u"search entry"_s) combo("Combo2")->setEditText(u"[ 該当機種をさがす ]  "_s);
    if (fault == u"no profit"_s) {
        m_f->dialogs.answer({});
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
    QCOMPARE(m_f->dialogs.count(RecordingDialogs::Call::Info), 1);
    QCOMPARE(m_f->dialogs.calls.last().message, kIncomplete);
    QCOMPARE(m_f->dialogs.calls.last().title, u"注意"_s);
    QCOMPARE(m_f->folder.read(kDiary), diaryBytes({screenCard()}));
    QCOMPARE(m_f->folder.files(), (QStringList{kDiary, modelListFileName(u"ＡＢＣホール"_s)}));
    QCOMPARE(boxes({"Text6", "Text8", "Text10", "Text11", "Text12"}), before); // nothing filled in
    QCOMPARE(l("Label19"), u"2"_s);
}

void TestCardEntry::appendedCardPreparesNextCard() {
    m_f->folder.write(kDiary,
                      diaryBytes({screenCard(), screenCard(), screenCard(), screenCard(), screenCard()}));
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
    QPointer<listview> list = m_f->registry.get<listview>();
    press("Command23");
    QVERIFY(!m_f->registry.find<listview>()); // the year list is made anew next time
    QCOMPARE(m_f->dialogs.calls.size(), 0);
    QVERIFY(m_f->registry.find<New_touroku>()); // the store had no list: registration to it opened
    CardValues six = screenCard();
    six.date = u"19990315月"_s;
    six.start = start;
    six.end = end;
    six.investment = u"0005"_s;
    six.cashOut = u"0000"_s;
    six.dayType = u"444"_s;
    QCOMPARE(m_f->folder.read(kDiary).mid(5 * 240), cardBytes(six));
    QCOMPARE(m_f->folder.read(kDiary),
             diaryBytes({screenCard(), screenCard(), screenCard(), screenCard(), screenCard(), six}));

    // The next new card: number 7, starting and ending when card 6 ended, same store.
    QCOMPARE(l("Label19"), u"7"_s);
    QCOMPARE(bar("HScroll1")->maximum(), 7);
    QCOMPARE(bar("HScroll1")->value(), 7);
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
    QList<CardValues> five{dated(u"19990101"_s), dated(u"19990102"_s), dated(u"19990103"_s),
                           dated(u"19990104"_s), dated(u"19990105"_s)};
    five[2].impression = u"よかった\r\nよかった"_s; // two lines come back as two lines
    m_f->folder.write(kDiary, diaryBytes(five));
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
    CardValues three = five[2];
    three.date = u"19990103日"_s; // the date scroller put the true weekday of 3 January in
    three.start = u" 930"_s;
    three.investment = u"0050"_s;
    QCOMPARE(m_f->folder.read(kDiary).mid(480, 240), cardBytes(three));
    QCOMPARE(m_f->folder.read(kDiary), diaryBytes({five[0], five[1], three, five[3], five[4]}));
    // The window stays on card 3 and shows what was filled in.
    QCOMPARE(l("Label19"), u"3"_s);
    QCOMPARE(l("Label20"), u"変更/削除"_s);
    QCOMPARE(t("Text6"), u" "_s);
    QCOMPARE(boxes({"Text10", "Text11", "Text12", "Text13"}), (QStringList{u"0"_s, u"0"_s, u"5"_s, u"0"_s}));
    QCOMPARE(l("Label15"), u"-5,000"_s);
    QCOMPARE(bar("HScroll1")->maximum(), 6);
    // The card's store and model are already known: nothing else is written or opened.
    QCOMPARE(m_f->folder.read(u"patishop.dat"_s), padded(kStoreA, 80));
    QVERIFY(!m_f->registry.find<New_touroku>() || m_f->folder.exists(modelListFileName(u"ＡＢＣホール"_s)));
}

void TestCardEntry::halfWidthStoreIsStoredFullWidthOnce() {
    m_f->folder.write(modelListFileName(u"ａｂｃ"_s), QByteArray("# 2\r\nX\r\n"));
    open();
    fillNewCard(u"abc"_s, "Option2", u"X"_s);
    press("Command23");
    QCOMPARE(m_f->folder.read(kDiary).mid(18, 20), padded(hex("82 81 82 82 82 83"), 20));
    QCOMPARE(m_f->folder.read(u"patishop.dat"_s), padded(hex("82 81 82 82 82 83"), 80));
    QCOMPARE(items(combo("Combo1")), QStringList{u"ａｂｃ"_s});
    // The model "X" typed is in the list as typed: no registration window.
    QVERIFY(!m_f->registry.find<New_touroku>());

    combo("Combo1")->setEditText(u"abc"_s);
    clickOption("Option2");
    combo("Combo2")->setEditText(u"X"_s);
    up(bar("VScroll7"));
    press("Command23");
    QCOMPARE(m_f->folder.read(kDiary).size(), 480);
    QCOMPARE(m_f->folder.read(u"patishop.dat"_s).size(), 80);
    QCOMPARE(items(combo("Combo1")), QStringList{u"ａｂｃ"_s});
    QCOMPARE(m_f->dialogs.calls.size(), 0);
}

void TestCardEntry::longStoreIsCutToTen() {
    const QString twelve = u"あいうえおかきくけこさし"_s;
    const QByteArray ten = hex("82 A0 82 A2 82 A4 82 A6 82 A8 82 A9 82 AB 82 AD 82 AF 82 B1");
    open();
    fillNewCard(twelve, "Option1", u"モデル"_s);
    press("Command23");
    QCOMPARE(m_f->folder.read(kDiary).mid(18, 20), ten);
    QCOMPARE(m_f->folder.read(u"patishop.dat"_s), padded(ten, 80));
    m_f->registry.unload<New_touroku>();
    // Another name that agrees in its first ten characters is the same store.
    fillNewCard(u"あいうえおかきくけこ"_s + u"xyz"_s, "Option1", u"モデル"_s);
    press("Command23");
    QCOMPARE(m_f->folder.read(u"patishop.dat"_s), padded(ten, 80));
}

void TestCardEntry::crModelGoesToItsCatalogue() {
    open();
    fillNewCard(u"ＡＢＣホール"_s, "Option5", u"CR123"_s);
    press("Command23");
    QCOMPARE(m_f->folder.read(kDiary).mid(38, 1), QByteArray("3"));
    QCOMPARE(m_f->folder.read(kDiary).mid(39, 30), padded(hex("82 62 82 71 82 50 82 51 82 52"), 30));
    QCOMPARE(m_f->folder.read(u"CRpati.dat"_s), padded(hex("82 62 82 71 82 50 82 51 82 52"), 160));
    for (const QString &other : {u"hirapati.dat"_s, u"DEGIpati.dat"_s, u"KENpati.dat"_s, u"SLOTpati.dat"_s})
        QVERIFY2(!m_f->folder.exists(other), qPrintable(other));
}

void TestCardEntry::missingModelOpensRegistration() {
    const QString listFile = modelListFileName(u"ＡＢＣホール"_s);
    m_f->folder.write(listFile,
                      QByteArray("# 2\r\n# 3\r\n") + hex("82 78") + "\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n");
    open();
    // Ｙ is listed (under 羽物, but any line counts): nothing opens.
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"Y"_s);
    press("Command23");
    QVERIFY(!m_f->registry.find<New_touroku>());
    // Ｘ is not: the window opens with this card's store and model, after the card is stored.
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"Ｘ"_s);
    press("Command23");
    auto *w = m_f->registry.find<New_touroku>();
    QVERIFY(w && w->isVisible());
    QCOMPARE(m_f->folder.read(kDiary).size(), 480);
    QCOMPARE(control<QListWidget>(w, "List3")->item(0)->text(), u"Ｘ"_s + QString(29, u' ') + u" 2"_s);
    QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
    QCOMPARE(m_f->folder.read(listFile), QByteArray("# 2\r\n") + hex("82 77") + "\r\n# 3\r\n" + hex("82 78") +
                                             "\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n");
    QVERIFY(!m_f->registry.find<New_touroku>());
}

void TestCardEntry::unencodableCardWritesNothing() {
    m_f->folder.write(kDiary, diaryBytes({screenCard()}));
    open();
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"新機種"_s);
    typeImpression(u"勝った😀"_s);
    press("Command23");
    QCOMPARE(m_f->dialogs.count(RecordingDialogs::Call::Info), 1);
    QCOMPARE(m_f->dialogs.calls.last().title, u"注意"_s);
    QVERIFY2(m_f->dialogs.lastMessage().contains(u"感想"_s), qPrintable(m_f->dialogs.lastMessage()));
    QVERIFY(m_f->dialogs.lastMessage().contains(u"😀"_s));
    // Neither the diary, nor the store file, the catalogue or the store's list.
    QCOMPARE(m_f->folder.read(kDiary), diaryBytes({screenCard()}));
    QCOMPARE(m_f->folder.files(), (QStringList{kDiary, modelListFileName(u"ＡＢＣホール"_s)}));
    QCOMPARE(t("Text10"), QString()); // the boxes are not filled in either

    c<QPlainTextEdit>("Text24")->clear();
    combo("Combo1")->setEditText(u"𠮷野家"_s);
    clickOption("Option2");
    combo("Combo2")->setEditText(u"新機種"_s);
    m_f->dialogs.clear();
    press("Command23");
    QVERIFY2(m_f->dialogs.lastMessage().contains(u"店名"_s), qPrintable(m_f->dialogs.lastMessage()));
    QCOMPARE(m_f->folder.read(kDiary), diaryBytes({screenCard()}));
    QVERIFY(!m_f->folder.exists(u"patishop.dat"_s));
    QVERIFY(!m_f->folder.exists(u"DEGIpati.dat"_s));
}

void TestCardEntry::cardPlaceMustMatchFile() {
    m_f->folder.write(kDiary, diaryBytes({screenCard(), screenCard(), screenCard()}));
    open();
    // Another program appended a card while the window showed new card 4.
    m_f->folder.write(kDiary, diaryBytes({screenCard(), screenCard(), screenCard(), dated(u"19990301"_s)}));
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"羽根モデル"_s);
    press("Command23");
    QCOMPARE(m_f->dialogs.count(RecordingDialogs::Call::Info), 1);
    QVERIFY(m_f->dialogs.lastMessage().contains(u"変更されています"_s));
    QCOMPARE(m_f->folder.read(kDiary),
             diaryBytes({screenCard(), screenCard(), screenCard(), dated(u"19990301"_s)}));
    QVERIFY(!m_f->folder.exists(u"patishop.dat"_s));

    // The diary shrank below the card shown: no card 3 to replace, and no gap either.
    bar("HScroll1")->setValue(3);
    m_f->folder.write(kDiary, diaryBytes({screenCard()}));
    press("Command23");
    QCOMPARE(m_f->dialogs.count(RecordingDialogs::Call::Info), 2);
    QCOMPARE(m_f->folder.read(kDiary), diaryBytes({screenCard()}));
}

void TestCardEntry::fullDiaryRefusesAnotherCard() {
    QByteArray full;
    full.reserve(32766 * 240);
    const QByteArray one = cardBytes(screenCard());
    for (int i = 0; i < 32766; ++i)
        full += one;
    m_f->folder.write(kDiary, full);
    open();
    QCOMPARE(l("Label19"), u"32767"_s);
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"羽根モデル"_s);
    press("Command23");
    QCOMPARE(m_f->dialogs.count(RecordingDialogs::Call::Info), 1);
    QVERIFY2(m_f->dialogs.lastMessage().contains(u"32766"_s), qPrintable(m_f->dialogs.lastMessage()));
    QCOMPARE(m_f->folder.read(kDiary).size(), full.size());
    QVERIFY(!m_f->folder.exists(u"patishop.dat"_s));
    // A stored card can still be updated.
    bar("HScroll1")->setValue(32766);
    press("Command23");
    QCOMPARE(m_f->dialogs.count(RecordingDialogs::Call::Info), 1);
    QCOMPARE(m_f->folder.read(kDiary).size(), full.size());
}

void TestCardEntry::marksAndUnmarks() {
    const QList<CardValues> cards{dated(u"19990101"_s), dated(u"19990102"_s), dated(u"19990103"_s),
                                  dated(u"19990104"_s)};
    m_f->folder.write(kDiary, diaryBytes(cards));
    open();
    bar("HScroll1")->setValue(4);
    press("Command6");
    CardValues marked = cards[3];
    marked.date = u"R9990104土"_s;
    QCOMPARE(m_f->folder.read(kDiary), diaryBytes({cards[0], cards[1], cards[2], marked}));
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
    QCOMPARE(m_f->folder.read(kDiary), diaryBytes(cards));
    QCOMPARE(m_window->yearText(), u"1999"_s);
    QCOMPARE(l("Label20"), u"変更/削除"_s);
    QCOMPARE(colour("Label20"), kBlack);
    QCOMPARE(colour("Label19"), kBlack);
    QCOMPARE(c<QPushButton>("Command6")->text(), u"削除"_s);
    QCOMPARE(m_f->dialogs.calls.size(), 0);

    // 2001 comes back as 2001, not 1001.
    m_f->clock.set(QDateTime(QDate(2001, 6, 1), QTime(12, 0)));
    m_f->registry.unload<PatincoMain>();
    m_f->folder.write(u"taro.2001.dat"_s, diaryBytes({dated(u"20010505"_s)}));
    open(u"taro.2001.dat"_s, u"2001"_s);
    bar("HScroll1")->setValue(1);
    press("Command6");
    QCOMPARE(m_f->folder.read(u"taro.2001.dat"_s).left(8), QByteArray("R0010505"));
    press("Command6");
    QCOMPARE(m_f->folder.read(u"taro.2001.dat"_s), diaryBytes({dated(u"20010505"_s)}));
}

void TestCardEntry::markDoesNotLeakToOtherCards() {
    const QList<CardValues> cards{dated(u"19990101"_s), dated(u"19990102"_s)};
    m_f->folder.write(kDiary, diaryBytes(cards));
    open();
    bar("HScroll1")->setValue(1);
    press("Command6");
    // Updating the marked card keeps its mark; updating another card does not take it on.
    press("Command23");
    QCOMPARE(m_f->folder.read(kDiary).left(8), QByteArray("R9990101"));
    bar("HScroll1")->setValue(2);
    QCOMPARE(m_window->yearText(), u"1999"_s);
    press("Command23");
    QCOMPARE(m_f->folder.read(kDiary).mid(240, 8), QByteArray("19990102"));
}

void TestCardEntry::newCardIsEmptied() {
    m_f->folder.write(kDiary, diaryBytes({screenCard()}));
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
    QCOMPARE(m_f->folder.read(kDiary), diaryBytes({screenCard()}));
    QCOMPARE(m_f->folder.files(), (QStringList{kDiary, modelListFileName(u"ＡＢＣホール"_s)}));
}

void TestCardEntry::organiseDropsAndSorts() {
    // Six cards, 2 and 5 marked, the rest out of order; two of the same day and time.
    QList<CardValues> six{dated(u"19990503"_s),
                          dated(u"R9990101"_s),
                          dated(u"19990501"_s, u"1400"_s),
                          dated(u"19990501"_s, u" 930"_s),
                          dated(u"R9990102"_s),
                          dated(u"19990501"_s, u"1400"_s)};
    six[5].impression = u"second"_s;
    m_f->folder.write(kDiary, diaryBytes(six));
    open();
    bar("HScroll1")->setValue(2);
    c<PictureButton>("Picture3")->click();
    QCOMPARE(m_f->dialogs.calls.last().kind, RecordingDialogs::Call::Confirm);
    QCOMPARE(m_f->dialogs.calls.last().message,
             u"削除候補カードがあれば削除されます。ファイルの整理を始めますか？"_s);
    QCOMPARE(m_f->dialogs.calls.last().title, u"ソート"_s);
    QCOMPARE(m_f->dialogs.unscripted, 1); // answered Cancel: nothing yet
    QCOMPARE(m_f->folder.read(kDiary), diaryBytes(six));
    QVERIFY(!c<PictureButton>("Picture3")->showsPressedImage());

    m_f->registry.get<listview>();
    organise(false);
    QCOMPARE(m_f->folder.read(kDiary), diaryBytes({six[3], six[2], six[5], six[0]}));
    QVERIFY(!m_f->registry.find<listview>());
    QCOMPARE(l("Label19"), u"5"_s);
    QCOMPARE(bar("HScroll1")->maximum(), 5);
    QCOMPARE(bar("HScroll1")->value(), 5);
    QCOMPARE(l("Label20"), u"新規作成"_s);
    QCOMPARE(colour("Label20"), kBlue);
    QCOMPARE(colour("Label19"), kBlue);
    QCOMPARE(c<QPushButton>("Command23")->text(), u"登録"_s);
    QCOMPARE(c<QPushButton>("Command6")->text(), u"削除"_s);
    QCOMPARE(m_window->yearText(), u"1999"_s); // the candidate's R999 is gone
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"03"_s, u"15"_s, u"月"_s}));
    QVERIFY(!m_f->folder.exists(u"t#e#m#p.tmp"_s));
    QVERIFY(!c<PictureButton>("Picture3")->showsPressedImage());
}

void TestCardEntry::organiseAllMarkedEmptiesDiary() {
    m_f->folder.write(kDiary, diaryBytes({dated(u"R9990101"_s), dated(u"R9990102"_s)}));
    open();
    organise(false);
    QCOMPARE(m_f->folder.read(kDiary), QByteArray());
    QCOMPARE(l("Label19"), u"1"_s);
    QCOMPARE(bar("HScroll1")->maximum(), 1);
    // An empty diary stays empty.
    organise(false);
    QCOMPARE(m_f->folder.read(kDiary), QByteArray());
    QCOMPARE(l("Label19"), u"1"_s);
    QCOMPARE(l("Label20"), u"新規作成"_s);
}

void TestCardEntry::organiseCancelChangesNothing() {
    const QList<CardValues> cards{dated(u"19990503"_s), dated(u"R9990101"_s), dated(u"19990501"_s)};
    m_f->folder.write(kDiary, diaryBytes(cards));
    open();
    bar("HScroll1")->setValue(1);
    const QStringList shown = boxes({"Text3", "Text4", "Text6", "Text7", "Text10", "Text11"});
    organise(true);
    QCOMPARE(m_f->folder.read(kDiary), diaryBytes(cards));
    QCOMPARE(l("Label19"), u"1"_s);
    QCOMPARE(l("Label20"), u"変更/削除"_s);
    QCOMPARE(boxes({"Text3", "Text4", "Text6", "Text7", "Text10", "Text11"}), shown);
    QCOMPARE(bar("HScroll1")->maximum(), 4);
}

void TestCardEntry::organisePastYearKeepsDate() {
    m_f->folder.write(u"taro.1998.dat"_s, diaryBytes({dated(u"19981105"_s), dated(u"19980101"_s)}));
    open();
    up(bar("HScroll2"));
    bar("HScroll1")->setValue(1);
    organise(false);
    QCOMPARE(m_f->folder.read(u"taro.1998.dat"_s), diaryBytes({dated(u"19980101"_s), dated(u"19981105"_s)}));
    QCOMPARE(m_window->yearText(), u"1998"_s);
    // Not today's date: the new card of a past year keeps 31 December.
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"12"_s, u"31"_s, u"木"_s}));
    QCOMPARE(l("Label19"), u"3"_s);
}

void TestCardEntry::damagedDiaryIsReportedAndKept() {
    const QByteArray bytes = diaryBytes({dated(u"19990503"_s), dated(u"19990501"_s)}) + "1999";
    m_f->folder.write(kDiary, bytes);
    open();
    organise(false);
    QCOMPARE(m_f->dialogs.count(RecordingDialogs::Call::Error), 1);
    QVERIFY(m_f->dialogs.lastMessage().contains(kDiary));
    QCOMPARE(m_f->folder.read(kDiary), bytes);
    QCOMPARE(l("Label19"), u"3"_s);
    // Appending to it is refused as well, before the store file is touched.
    fillNewCard(u"ＡＢＣホール"_s, "Option2", u"羽根モデル"_s);
    press("Command23");
    QCOMPARE(m_f->dialogs.count(RecordingDialogs::Call::Error), 2);
    QCOMPARE(m_f->folder.read(kDiary), bytes);
    QVERIFY(!m_f->folder.exists(u"patishop.dat"_s));
    QVERIFY(!m_f->folder.exists(u"DEGIpati.dat"_s));
}

TAMA_GUI_TEST_MAIN(TestCardEntry)
#include "tst_cardentry.moc"
