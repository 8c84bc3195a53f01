#include "cardscreen/patincomain.h"
#include "cardscreen/picturebutton.h"
#include "common/clock.h"
#include "common/dates.h"
#include "master/kdata.h"
#include "master/mdata.h"
#include "startup/patinkest.h"
#include "store/modellist.h"
#include "support/windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

// Shift-JIS bytes of the model names the lists use.
const QByteArray kModel = hex("89 48 8D AA 83 82 83 66 83 8B"); // 羽根モデル
const QByteArray kModelCr = hex("82 62 82 71 89 D4");           // ＣＲ花

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kBlack(0, 0, 0);

} // namespace

class TestPatincoMain : public QObject, CardScreenTest {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void userWithoutDiaryShowsEmptyNewCard();
    void diaryOfThreeCardsOpensOnNewCard();
    void storedCardShowsItsFields();
    void markedCardIsDeletionCandidate();
    void amountsAndProfit_data();
    void amountsAndProfit();
    void yearArrowOpensEarlierDiary();
    void yearSwitchShowsNewCardAtSamePosition();
    void hourSpinnersWrap();
    void minuteSpinnersWrap();
    void firstClickGivesTen();
    void endFollowsStart();
    void amountSpinnersWrapWithoutCarry();
    void typedDateIsRepaired();
    void leavingDateBoxesPads();
    void dateScrollerStepsIntoFebruary();
    void dateOutsideScrollerKeepsCardDate();
    void storeChangeClearsCategory();
    void categoryClickFillsModelList();
    void categoryWithoutStoreWarns();
    void unreadableDiaryIsReportedNotFatal();
    void menusAndPictureButtons();
    void settingsWindowsOpenFromMenuAndPictures();
    void clockFollowsActivityOnly();
    void endItemEndsProgram();
    void userSelectShowsUserWindow();
};

void TestPatincoMain::init() {
    start();
}

void TestPatincoMain::cleanup() {
    finish();
}

void TestPatincoMain::userWithoutDiaryShowsEmptyNewCard() {
    open();
    QCOMPARE(l("Label19"), u"1"_s);
    QCOMPARE(colour("Label19"), kBlue);
    QCOMPARE(l("Label20"), u"新規作成"_s);
    QCOMPARE(colour("Label20"), kBlue);
    QCOMPARE(c<QPushButton>("Command23")->text(), u"登録"_s);
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"03"_s, u"15"_s, u"月"_s}));
    QCOMPARE(startTime(), u"1|0|0|0"_s);
    QCOMPARE(endTime(), u"|||"_s);
    QCOMPARE(l("Label15"), u"0"_s);
    QVERIFY(m_f->folder.exists(u"taro.1999.dat"_s));
    QCOMPARE(m_f->folder.read(u"taro.1999.dat"_s).size(), 0);
    QCOMPARE(m_f->folder.files(), QStringList{u"taro.1999.dat"_s}); // no other year was opened
    QCOMPARE(m_window->windowTitle(), u"タマノート Ver2.0  [ taro.1999.dat ]"_s);
    QCOMPARE(l("Label22"), u"1999"_s);
    QCOMPARE(bar("HScroll1")->maximum(), 1);
    QCOMPARE(bar("HScroll2")->value(), 1999);
    // The date scroller runs up to today and stands there.
    QCOMPARE(dateFromDayNumber(bar("HScroll3")->maximum() + 20000), QDate(1999, 3, 15));
    QCOMPARE(dateFromDayNumber(bar("HScroll3")->minimum() + 20000), QDate(1999, 1, 1));
    QCOMPARE(bar("HScroll3")->value(), bar("HScroll3")->maximum());
    QCOMPARE(m_f->dialogs.calls.size(), 0);
}

void TestPatincoMain::diaryOfThreeCardsOpensOnNewCard() {
    CardValues second = screenCard();
    second.date = u"19990210水"_s;
    m_f->folder.write(u"taro.1999.dat"_s, diaryBytes({screenCard(), second, screenCard()}));
    open();
    QCOMPARE(bar("HScroll1")->minimum(), 1);
    QCOMPARE(bar("HScroll1")->maximum(), 4);
    QCOMPARE(bar("HScroll1")->value(), 4);
    QCOMPARE(l("Label19"), u"4"_s);
    QCOMPARE(l("Label20"), u"新規作成"_s);
    QCOMPARE(c<QPushButton>("Command23")->text(), u"登録"_s);
    // The new card of today's year carries today's date and is empty.
    QCOMPARE(boxes({"Text3", "Text4"}), (QStringList{u"03"_s, u"15"_s}));
    QCOMPARE(boxes({"Text10", "Text11", "Text12", "Text13", "Text14", "Text15", "Text16", "Text17"}),
             QStringList(8, QString()));
    QCOMPARE(c<QComboBox>("Combo1")->currentText().trimmed(), QString());

    bar("HScroll1")->setValue(2);
    QCOMPARE(l("Label19"), u"2"_s);
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"02"_s, u"10"_s, u"水"_s}));
    QCOMPARE(dateFromDayNumber(bar("HScroll3")->value() + 20000), QDate(1999, 2, 10));
    // Back to the new card by the arrow.
    down(bar("HScroll1"), 2);
    QCOMPARE(l("Label19"), u"4"_s);
    QCOMPARE(l("Label20"), u"新規作成"_s);
}

void TestPatincoMain::storedCardShowsItsFields() {
    CardValues card = screenCard();
    card.dayType = u"333"_s;
    card.category = u"3"_s; // ＣＲデジパチ, the fifth button
    CardValues other = screenCard();
    other.dayType = u"9x9"_s;
    other.category = u"4"_s;
    other.start = u"2359"_s;
    other.end = u"2359"_s;
    m_f->folder.write(u"taro.1999.dat"_s, diaryBytes({card, other}));
    open();
    bar("HScroll1")->setValue(1);
    QCOMPARE(l("Label20"), u"変更/削除"_s);
    QCOMPARE(colour("Label20"), kBlack);
    QCOMPARE(colour("Label19"), kBlack);
    QCOMPARE(c<QPushButton>("Command23")->text(), u"更新"_s);
    QCOMPARE(c<QPushButton>("Command6")->text(), u"削除"_s);
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"01"_s, u"23"_s, u"土"_s}));
    QCOMPARE(startTime(), u"|9|3|0"_s);
    QCOMPARE(endTime(), u"1|4|0|5"_s);
    QCOMPARE(bar("VScroll1")->value(), 32 - 9);
    QCOMPARE(bar("VScroll4")->value(), 60 - 5);
    QVERIFY(c<QRadioButton>("Option8")->isChecked());
    QVERIFY(c<QRadioButton>("Option5")->isChecked());
    // The names as stored, without the padding of the record: what is typed after them
    // stays with them.
    QCOMPARE(c<QComboBox>("Combo1")->currentText(), u"ＡＢＣホール"_s);
    QCOMPARE(c<QComboBox>("Combo2")->currentText(), u"羽根モデル"_s);
    QCOMPARE(c<QPlainTextEdit>("Text24")->toPlainText(), u"よかった"_s);

    bar("HScroll1")->setValue(2);
    QVERIFY(c<QRadioButton>("Option6")->isChecked()); // an unknown day type reads as ordinary
    QVERIFY(c<QRadioButton>("Option3")->isChecked()); // code 4: 権利物
    QCOMPARE(startTime(), u"2|3|5|9"_s);
}

void TestPatincoMain::markedCardIsDeletionCandidate() {
    CardValues marked = screenCard();
    marked.date = u"R9990123土"_s;
    m_f->folder.write(u"taro.1999.dat"_s, diaryBytes({screenCard(), marked}));
    open();
    bar("HScroll1")->setValue(2);
    QCOMPARE(l("Label20"), u"削除候補"_s);
    QCOMPARE(colour("Label20"), kRed);
    QCOMPARE(colour("Label19"), kRed);
    QCOMPARE(c<QPushButton>("Command6")->text(), u"削除取消"_s);
    QCOMPARE(c<QPushButton>("Command23")->text(), u"更新"_s);
    // The next card shown sets every state afresh.
    bar("HScroll1")->setValue(1);
    QCOMPARE(l("Label20"), u"変更/削除"_s);
    QCOMPARE(colour("Label19"), kBlack);
    QCOMPARE(c<QPushButton>("Command6")->text(), u"削除"_s);
}

void TestPatincoMain::amountsAndProfit_data() {
    QTest::addColumn<QByteArray>("investment");
    QTest::addColumn<QByteArray>("cashOut");
    QTest::addColumn<QStringList>("invBoxes");
    QTest::addColumn<QStringList>("cashBoxes");
    QTest::addColumn<QString>("profit");
    QTest::addColumn<bool>("red");
    QTest::newRow("15,000 lost") << QByteArray("0150") << QByteArray("0000")
                                 << QStringList{{}, u"1"_s, u"5"_s, u"0"_s} << QStringList{{}, {}, {}, u"0"_s}
                                 << u"-15,000"_s << true;
    QTest::newRow("even") << QByteArray("0100") << QByteArray("0100")
                          << QStringList{{}, u"1"_s, u"0"_s, u"0"_s}
                          << QStringList{{}, u"1"_s, u"0"_s, u"0"_s} << u"      0"_s << false;
    QTest::newRow("both zero") << QByteArray("0000") << QByteArray("0000") << QStringList{{}, {}, {}, u"0"_s}
                               << QStringList{{}, {}, {}, u"0"_s} << u"0"_s << false;
    QTest::newRow("500 yen") << QByteArray("0005") << QByteArray("1234") << QStringList{{}, {}, {}, u"5"_s}
                             << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s} << u"122,900"_s << false;
    QTest::newRow("4,500 lost") << QByteArray("0045") << QByteArray("0000")
                                << QStringList{{}, {}, u"4"_s, u"5"_s} << QStringList{{}, {}, {}, u"0"_s}
                                << u"-4,500"_s << true;
}

void TestPatincoMain::amountsAndProfit() {
    QFETCH(QByteArray, investment);
    QFETCH(QByteArray, cashOut);
    CardValues card = screenCard();
    card.investment = QString::fromLatin1(investment);
    card.cashOut = QString::fromLatin1(cashOut);
    m_f->folder.write(u"taro.1999.dat"_s, diaryBytes({card}));
    open();
    bar("HScroll1")->setValue(1);
    QTEST(boxes({"Text10", "Text11", "Text12", "Text13"}), "invBoxes");
    QTEST(boxes({"Text14", "Text15", "Text16", "Text17"}), "cashBoxes");
    QTEST(l("Label15"), "profit");
    QFETCH(bool, red);
    QCOMPARE(colour("Label15"), red ? kRed : kBlack);
    // The new card after it: blank amounts and a black 0.
    bar("HScroll1")->setValue(2);
    QCOMPARE(boxes({"Text10", "Text11", "Text12", "Text13"}), QStringList(4, QString()));
    QCOMPARE(l("Label15"), u"0"_s);
    QCOMPARE(colour("Label15"), kBlack);
}

void TestPatincoMain::yearArrowOpensEarlierDiary() {
    m_f->folder.write(u"taro.1999.dat"_s, diaryBytes({screenCard(), screenCard()}));
    open();
    up(bar("HScroll2")); // the left arrow
    QCOMPARE(m_f->state.yearText(), u"1998"_s);
    QCOMPARE(m_f->state.diaryFile(), u"taro.1998.dat"_s);
    QVERIFY(m_f->folder.exists(u"taro.1998.dat"_s));
    QCOMPARE(m_window->windowTitle(), u"タマノート Ver2.0  [ taro.1998.dat ]"_s);
    QCOMPARE(l("Label22"), u"1998"_s);
    QCOMPARE(m_window->yearText(), u"1998"_s);
    QCOMPARE(l("Label19"), u"1"_s);
    QCOMPARE(l("Label20"), u"新規作成"_s);
    QCOMPARE(bar("HScroll1")->maximum(), 1);
    // A past year's new card is dated 31 December, a Thursday in 1998.
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"12"_s, u"31"_s, u"木"_s}));
    QCOMPARE(dateFromDayNumber(bar("HScroll3")->minimum() + 20000), QDate(1998, 1, 1));
    QCOMPARE(dateFromDayNumber(bar("HScroll3")->maximum() + 20000), QDate(1998, 12, 31));
    // And forward again; later years than today's are not offered.
    down(bar("HScroll2"), 2);
    QCOMPARE(m_f->state.diaryFile(), u"taro.1999.dat"_s);
    QCOMPARE(bar("HScroll1")->maximum(), 3);
    QCOMPARE(boxes({"Text3", "Text4"}), (QStringList{u"03"_s, u"15"_s}));
}

void TestPatincoMain::yearSwitchShowsNewCardAtSamePosition() {
    // Card 3 of five in 1999; 1998 holds two cards, so its new card is number 3 too.
    m_f->folder.write(u"taro.1999.dat"_s,
                      diaryBytes({screenCard(), screenCard(), screenCard(), screenCard(), screenCard()}));
    CardValues old = screenCard();
    old.date = u"19980505土"_s;
    m_f->folder.write(u"taro.1998.dat"_s, diaryBytes({old, old}));
    open();
    bar("HScroll1")->setValue(3);
    QCOMPARE(l("Label20"), u"変更/削除"_s);
    up(bar("HScroll2"));
    QCOMPARE(bar("HScroll1")->value(), 3);
    QCOMPARE(l("Label20"), u"新規作成"_s);
    QCOMPARE(c<QPushButton>("Command23")->text(), u"登録"_s);
    QCOMPARE(boxes({"Text3", "Text4"}), (QStringList{u"12"_s, u"31"_s}));
    QCOMPARE(c<QComboBox>("Combo1")->currentText().trimmed(), QString());
    QCOMPARE(bar("HScroll1")->maximum(), 3);
}

void TestPatincoMain::hourSpinnersWrap() {
    open();
    QScrollBar *start = bar("VScroll1");
    up(start, 13); // 10 → 23
    QCOMPARE(boxes({"Text6", "Text7"}), (QStringList{u"2"_s, u"3"_s}));
    up(start);
    QCOMPARE(boxes({"Text6", "Text7"}), (QStringList{QString(), u"9"_s}));
    down(start);
    QCOMPARE(boxes({"Text6", "Text7"}), (QStringList{u"2"_s, u"3"_s}));
    QScrollBar *end = bar("VScroll3");
    up(end); // the end never lies before the start: it is pushed back up to 23
    QCOMPARE(boxes({"Text8", "Text9"}), (QStringList{u"2"_s, u"3"_s}));
    up(start); // start 9: now the end may wrap from 23 to 9 as well
    up(end);
    QCOMPARE(boxes({"Text8", "Text9"}), (QStringList{QString(), u"9"_s}));
    down(end);
    QCOMPARE(boxes({"Text8", "Text9"}), (QStringList{u"2"_s, u"3"_s}));
}

void TestPatincoMain::minuteSpinnersWrap() {
    open();
    QScrollBar *minute = bar("VScroll2");
    down(minute); // 10:00 → 10:59, and the empty end follows
    QCOMPARE(startTime(), u"1|0|5|9"_s);
    QCOMPARE(endTime(), u"1|0|5|9"_s);
    up(minute);
    QCOMPARE(startTime(), u"1|0|0|0"_s);
    up(minute, 7);
    QCOMPARE(startTime(), u"1|0|0|7"_s);
    QCOMPARE(endTime(), u"1|0|5|9"_s);
    QScrollBar *endMinute = bar("VScroll4");
    up(endMinute); // 59 comes round to 0, before the start: pushed back to 7
    QCOMPARE(endTime(), u"1|0|0|7"_s);
    up(endMinute, 2);
    QCOMPARE(endTime(), u"1|0|0|9"_s);
}

void TestPatincoMain::firstClickGivesTen() {
    CardValues card = screenCard();
    card.start = u"1130"_s;
    card.end = u"1145"_s;
    m_f->folder.write(u"taro.1999.dat"_s, diaryBytes({card}));
    open();
    // A new card reached by the scroller has no times at all.
    bar("HScroll1")->setValue(1);
    bar("HScroll1")->setValue(2);
    QCOMPARE(startTime(), u"|||"_s);
    QCOMPARE(endTime(), u"|||"_s);
    down(bar("VScroll3")); // the arrow's step is overruled: the end starts at 10:00
    QCOMPARE(endTime(), u"1|0|0|0"_s);
    QCOMPARE(startTime(), u"|||"_s);
    down(bar("VScroll1")); // likewise the start
    QCOMPARE(startTime(), u"1|0|0|0"_s);
    up(bar("VScroll1"));
    QCOMPARE(startTime(), u"1|1|0|0"_s);
    QCOMPARE(endTime(), u"1|1|0|0"_s);
}

void TestPatincoMain::endFollowsStart() {
    open();
    up(bar("VScroll1")); // start 11:00, and the empty end follows
    QCOMPARE(startTime(), u"1|1|0|0"_s);
    QCOMPARE(endTime(), u"1|1|0|0"_s);
    up(bar("VScroll2"), 30);
    QCOMPARE(startTime(), u"1|1|3|0"_s);
    QCOMPARE(endTime(), u"1|1|3|0"_s);
    // An end set later than the start stays when the start moves inside it.
    up(bar("VScroll3"), 2);
    QCOMPARE(endTime(), u"1|3|3|0"_s);
    down(bar("VScroll2"), 10);
    QCOMPARE(startTime(), u"1|1|2|0"_s);
    QCOMPARE(endTime(), u"1|3|3|0"_s);
    // Pulling the end hour below the start puts it back at the start hour; its minute stays.
    down(bar("VScroll3"), 3);
    QCOMPARE(endTime(), u"1|1|3|0"_s);
}

void TestPatincoMain::amountSpinnersWrapWithoutCarry() {
    CardValues card = screenCard();
    card.investment = u"0190"_s;
    card.cashOut = u"0000"_s;
    m_f->folder.write(u"taro.1999.dat"_s, diaryBytes({card}));
    open();
    bar("HScroll1")->setValue(1);
    up(bar("VScroll6")); // 9 thousand → 0, the 万 digits stay
    QCOMPARE(boxes({"Text10", "Text11", "Text12", "Text13"}), (QStringList{{}, u"1"_s, u"0"_s, u"0"_s}));
    QCOMPARE(l("Label15"), u"-10,000"_s);
    QCOMPARE(colour("Label15"), kRed);
    down(bar("VScroll6")); // and back from 0 to 9
    QCOMPARE(t("Text12"), u"9"_s);
    // Cash-out 万 below 0 wraps to 99.
    down(bar("VScroll8"));
    QCOMPARE(boxes({"Text14", "Text15", "Text16", "Text17"}), (QStringList{u"9"_s, u"9"_s, u"0"_s, u"0"_s}));
    QCOMPARE(l("Label15"), u"971,000"_s);
    QCOMPARE(colour("Label15"), kBlack);
    up(bar("VScroll8"));
    QCOMPARE(boxes({"Text14", "Text15"}), (QStringList{{}, u"0"_s}));
    // 百円 on its own; equal amounts read "      0".
    up(bar("VScroll10"), 10);
    QCOMPARE(t("Text17"), u"0"_s);
    up(bar("VScroll9"), 9);
    up(bar("VScroll8"));
    QCOMPARE(l("Label15"), u"      0"_s);
}

void TestPatincoMain::typedDateIsRepaired() {
    open();
    QLineEdit *day = c("Text4");
    QLineEdit *month = c("Text3");
    month->setText(u"02"_s);
    day->setText(u"30"_s);
    QTest::keyClick(day, Qt::Key_5);
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"02"_s, u"01"_s, u"月"_s}));
    QCOMPARE(m_f->dialogs.beeps, 1);

    day->setText(u"30"_s);
    QTest::keyClick(month, Qt::Key_5);
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"01"_s, u"30"_s, u"土"_s}));
    QCOMPARE(m_f->dialogs.beeps, 2);

    // A valid date only sets the weekday, and the key goes in.
    day->setText(u"2"_s);
    QTest::keyClick(day, Qt::Key_3);
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"01"_s, u"23"_s, u"土"_s}));
    QCOMPARE(m_f->dialogs.beeps, 2);
    QCOMPARE(m_f->dialogs.calls.size(), 0); // a beep, never a message
}

void TestPatincoMain::leavingDateBoxesPads() {
    open();
    auto leave = [](QLineEdit *e, const QString &text) {
        e->setText(text);
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(e, &out);
        return e->text();
    };
    QCOMPARE(leave(c("Text3"), u"5"_s), u"05"_s);
    QCOMPARE(leave(c("Text3"), u"1"_s), u"01"_s);
    QCOMPARE(leave(c("Text3"), u"12"_s), u"12"_s);
    QCOMPARE(leave(c("Text4"), u"7"_s), u"07"_s);
    QCOMPARE(leave(c("Text4"), u"29"_s), u"29"_s);
    QCOMPARE(leave(c("Text4"), u"45"_s), u"04"_s);
}

void TestPatincoMain::dateScrollerStepsIntoFebruary() {
    open();
    QScrollBar *date = bar("HScroll3");
    date->setValue(int(dayNumber(QDate(1999, 1, 31)) - 20000));
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"01"_s, u"31"_s, u"日"_s}));
    down(date);
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"02"_s, u"01"_s, u"月"_s}));
    // It stops at today.
    date->setValue(date->maximum());
    down(date);
    QCOMPARE(boxes({"Text3", "Text4"}), (QStringList{u"03"_s, u"15"_s}));
}

void TestPatincoMain::dateOutsideScrollerKeepsCardDate() {
    CardValues future = screenCard();
    future.date = u"19991224金"_s;
    m_f->folder.write(u"taro.1999.dat"_s, diaryBytes({future}));
    open();
    bar("HScroll1")->setValue(1);
    QCOMPARE(boxes({"Text3", "Text4", "Text5"}), (QStringList{u"12"_s, u"24"_s, u"金"_s}));
    QCOMPARE(bar("HScroll3")->value(), bar("HScroll3")->maximum());
}

void TestPatincoMain::storeChangeClearsCategory() {
    CardValues first = screenCard();
    first.category = u"1"_s;
    CardValues second = screenCard();
    second.category = u"7"_s; // no category the window knows
    second.store = u"ホール"_s;
    CardValues third = second;
    third.category = u"7"_s;
    m_f->folder.write(u"taro.1999.dat"_s, diaryBytes({first, second, third}));
    open();
    bar("HScroll1")->setValue(1);
    QVERIFY(c<QRadioButton>("Option1")->isChecked());
    bar("HScroll1")->setValue(2); // another store: the category goes
    for (const char *o : {"Option1", "Option2", "Option3", "Option4", "Option5"})
        QVERIFY2(!c<QRadioButton>(o)->isChecked(), o);
    // Same store, no category code: what the user chose stays.
    clickOption(c<QRadioButton>("Option2"));
    QVERIFY(c<QRadioButton>("Option2")->isChecked());
    bar("HScroll1")->setValue(3);
    QVERIFY(c<QRadioButton>("Option2")->isChecked());
    // Typing a store clears it.
    c<QComboBox>("Combo1")->setEditText(u"新店"_s);
    QVERIFY(!c<QRadioButton>("Option2")->isChecked());
}

void TestPatincoMain::categoryClickFillsModelList() {
    const QString listFile = modelListFileName(u"ＡＢＣホール"_s);
    m_f->folder.write(listFile,
                      QByteArray("# 2\r\n") + kModelCr + "\r\n# 3\r\n" + kModel + "\r\nB\r\n# 4\r\nC\r\n");
    CardValues card = screenCard();
    card.category = u"1"_s; // 羽物: section 3
    m_f->folder.write(u"taro.1999.dat"_s, diaryBytes({card}));
    open();
    bar("HScroll1")->setValue(1); // selecting the option runs its click
    QComboBox *models = c<QComboBox>("Combo2");
    QCOMPARE(items(models), (QStringList{u"羽根モデル"_s, u"B"_s, u"[ 該当機種をさがす ]"_s}));
    QCOMPARE(models->currentText(), u"羽根モデル"_s);

    // Clicking デジパチ lists section 2 and leaves no model chosen.
    clickOption(c<QRadioButton>("Option2"));
    QCOMPARE(items(models), (QStringList{u"ＣＲ花"_s, u"[ 該当機種をさがす ]"_s}));
    QCOMPARE(models->currentText(), QString());

    // A new store gets an empty list file at its first category click.
    c<QComboBox>("Combo1")->setEditText(u"新店"_s);
    clickOption(c<QRadioButton>("Option1"));
    QCOMPARE(models->count(), 1);
    QCOMPARE(models->itemText(0), u"[ 該当機種をさがす ]"_s);
    QVERIFY(m_f->folder.exists(modelListFileName(u"新店"_s)));
    QCOMPARE(m_f->dialogs.calls.size(), 0);
}

void TestPatincoMain::categoryWithoutStoreWarns() {
    open();
    c<QComboBox>("Combo1")->setEditText(u"  "_s);
    clickOption(c<QRadioButton>("Option4"));
    QCOMPARE(m_f->dialogs.count(RecordingDialogs::Call::Info), 1);
    QCOMPARE(m_f->dialogs.calls.last().message, u"店名が選択または入力されていません。"_s);
    QCOMPARE(m_f->dialogs.calls.last().title, u"注意"_s);
    QCOMPARE(c<QComboBox>("Combo2")->count(), 0);
    QCOMPARE(m_f->folder.files(), QStringList{u"taro.1999.dat"_s});
}

void TestPatincoMain::unreadableDiaryIsReportedNotFatal() {
    open(u"..%1.dat"_s.arg(u"/x.1999"_s));
    // A name that leaves the data folder is refused, as every refused input is, with a caution.
    QVERIFY(m_f->dialogs.count(RecordingDialogs::Call::Info) >= 1);
    QCOMPARE(m_f->dialogs.calls.first().title, u"注意"_s);
    QCOMPARE(l("Label19"), u"1"_s);
    QCOMPARE(l("Label20"), u"新規作成"_s);
}

void TestPatincoMain::menusAndPictureButtons() {
    open();
    const QList<std::pair<const char *, QString>> items = {{"user_select", u"ユーザー選択(&Y)"_s},
                                                           {"All", u"リスト表示(&L)"_s},
                                                           {"graph", u"グラフ表示(&G)"_s},
                                                           {"disp_report", u"レポート表示(&R)"_s},
                                                           {"endi", u"終了(&E)"_s},
                                                           {"MISEDATASETTEI", u"店データ設定(&A)"_s},
                                                           {"kisyudatasettei", u"機種データ設定(&B)"_s},
                                                           {"filesort", u"日記ファイルの整理(&D)"_s},
                                                           {"helpn", u"ヘルプ(&P)"_s},
                                                           {"topic", u"トピック検索(&T)"_s},
                                                           {"DispVer", u"バージョン情報(&V)"_s}};
    for (const auto &[name, text] : items) {
        auto *a = m_window->findChild<QAction *>(QString::fromLatin1(name));
        QVERIFY2(a, name);
        QCOMPARE(a->text(), text);
    }
    QStringList menus;
    for (QAction *a : m_window->menuBar()->actions())
        menus << a->text();
    QCOMPARE(menus, (QStringList{u"メニュー(&M)"_s, u"データ設定(&D)"_s, u"ヘルプ(&H)"_s}));

    QList<QWidget *> pictures;
    for (const char *n : {"Picture1", "Picture2", "Picture3", "Picture4", "Picture5", "Picture6"})
        pictures << c<QWidget>(n);
    std::sort(pictures.begin(), pictures.end(), [](QWidget *a, QWidget *b) { return a->x() < b->x(); });
    QStringList tips;
    for (QWidget *p : pictures)
        tips << p->toolTip();
    QCOMPARE(tips, (QStringList{u"グラフ表示"_s, u"リスト表示"_s, u"レポート表示"_s, u"店データ設定"_s,
                                u"台データ設定"_s, u"カードの整理"_s}));
}

void TestPatincoMain::settingsWindowsOpenFromMenuAndPictures() {
    open();
    auto *stores = c<PictureButton>("Picture4");
    auto *models = c<PictureButton>("Picture5");
    QVERIFY(stores->isEnabled() && models->isEnabled());
    QVERIFY(c<PictureButton>("Picture1")->isEnabled());
    QTest::mouseClick(stores, Qt::LeftButton);
    QVERIFY(m_f->registry.find<MDATA>() && m_f->registry.find<MDATA>()->isVisible());
    QVERIFY(stores->showsPressedImage());
    QTest::mouseClick(models, Qt::LeftButton);
    QVERIFY(m_f->registry.find<KDATA>() && m_f->registry.find<KDATA>()->isVisible());
    QVERIFY(models->showsPressedImage());
    // Back on the card screen every picture is up again.
    m_window->Form_Activate();
    QVERIFY(!stores->showsPressedImage());
    QVERIFY(!models->showsPressedImage());
    // The menu shows the same single window.
    MDATA *first = m_f->registry.find<MDATA>();
    m_window->findChild<QAction *>(u"MISEDATASETTEI"_s)->trigger();
    QCOMPARE(m_f->registry.find<MDATA>(), first);
    QVERIFY(!stores->showsPressedImage()); // the menu item leaves the pictures alone
}

void TestPatincoMain::clockFollowsActivityOnly() {
    open();
    QCOMPARE(l("Label9"), clockText(QDateTime(QDate(1999, 3, 15), QTime(14, 5))));
    QVERIFY(l("Label9").startsWith(u"99/03/15 "_s));
    m_f->clock.set(QDateTime(QDate(1999, 3, 15), QTime(16, 42)));
    QVERIFY(l("Label9").endsWith(u"14:05"_s)); // no timer
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(m_window->centralWidget(), &move);
    QVERIFY(l("Label9").endsWith(u"  16:42"_s));
    m_f->clock.set(QDateTime(QDate(1999, 3, 16), QTime(9, 1)));
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(m_window, &deactivate);
    QVERIFY(l("Label9").startsWith(u"99/03/16 "_s));
}

void TestPatincoMain::endItemEndsProgram() {
    open();
    QPointer<PatincoMain> window = m_window;
    m_window->findChild<QAction *>(u"endi"_s)->trigger();
    QVERIFY(!m_f->registry.find<PatincoMain>());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    m_window = nullptr;
}

void TestPatincoMain::userSelectShowsUserWindow() {
    // User B is the auto-start user.
    m_f->folder.write(u"namae.dat"_s, QByteArray("  A") + spaces(17) + hex("8E A9") + "B" + spaces(17));
    // The program starts in B's diary.
    m_f->registry.get<PATINKEST>()->Form_Load();
    m_window = m_f->registry.find<PatincoMain>();
    QVERIFY(m_window && m_window->isVisible());
    QCOMPARE(m_window->windowTitle(), u"タマノート Ver2.0  [ B.1999.dat ]"_s);
    PATINKEST *users = m_f->registry.find<PATINKEST>();
    QVERIFY(!users->isVisible());
    m_window->findChild<QAction *>(u"user_select"_s)->trigger();
    QVERIFY(users->isVisible());
    QVERIFY(control<QCheckBox>(users, "Check1")->isChecked());
    QCOMPARE(control<QListWidget>(users, "List1")->currentRow(), 1);
    QVERIFY(m_window->isVisible()); // the card screen stays
}

TAMA_GUI_TEST_MAIN(TestPatincoMain)
#include "tst_patincomain.moc"
