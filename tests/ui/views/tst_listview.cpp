#include "viewfixture.h"

#include "app/fonts.h"
#include "cardscreen/patincomain.h"
#include "views/allselect.h"
#include "views/dispreport.h"
#include "views/listview.h"
#include "views/tyoimati.h"

#include <QApplication>
#include <QCheckBox>
#include <QScrollBar>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QColor kRed(255, 0, 0), kBlue(0, 0, 255), kBlack(0, 0, 0);

void clickRow(QAbstractItemView *list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(row, 0)).center());
}

void clickBox(QCheckBox *box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

QStringList records(const listview *w) {
    QStringList out;
    for (const QString &l : texts(control<SelectionList>(w, "List1")))
        out.append(l.left(4).trimmed());
    return out;
}

CardValues card(const QString &store, const QString &model, const QString &investment,
                const QString &cashOut) {
    return {.store = store, .model = model, .investment = investment, .cashOut = cashOut};
}

} // namespace

class TstListview : public QObject {
    Q_OBJECT

  private slots:
    void listFontCellsAreExact() {
        const QFontMetrics fm(listFont());
        QVERIFY(fm.horizontalAdvance(u"A"_s) > 0);
        QCOMPARE(fm.horizontalAdvance(u"自"_s), 2 * fm.horizontalAdvance(u"A"_s));
        QCOMPARE(fm.horizontalAdvance(QString(QChar(0x3000))), 2 * fm.horizontalAdvance(u"A"_s));
        QCOMPARE(fm.horizontalAdvance(u"ﾃﾞｼﾞ"_s), 4 * fm.horizontalAdvance(u"A"_s));
    }

    void filterOpensWithEverythingSelectedAndLocked() {
        ViewFixture f;
        allSelect *w = f.registry.get<allSelect>();
        QCOMPARE(w->windowTitle(), u"条件指定"_s);
        QCOMPARE(texts(control<SelectionList>(w, "List1")), (QStringList{u"本店"_s, u"支店"_s}));
        QCOMPARE(texts(control<SelectionList>(w, "List2")),
                 (QStringList{u"羽物"_s, u"デジパチ"_s, u"ＣＲデジパチ"_s, u"権利物"_s, u"一般電役"_s}));
        // Ascending without regard to case (ａ, ｃｒ, ｘ, ｙ), the categories interleaved.
        QCOMPARE(texts(control<SelectionList>(w, "List3")),
                 (QStringList{u"ａ"_s, u"ＣＲ花"_s, u"Ｘ"_s, u"Ｙ"_s}));
        for (SelectionList *l : {control<SelectionList>(w, "List1"), control<SelectionList>(w, "List2"),
                                 control<SelectionList>(w, "List3")}) {
            QCOMPARE(selectedCount(l), l->count());
            QVERIFY(!l->isEnabled());
        }
        for (QCheckBox *c : {control<QCheckBox>(w, "Check1"), control<QCheckBox>(w, "Check2"),
                             control<QCheckBox>(w, "Check3")})
            QVERIFY(c->isChecked());
        QCOMPARE(control<QPushButton>(w, "Command2")->text(), u"ｷｬﾝｾﾙ"_s);
    }

    void checkBoxesAndCategoryChoiceRebuildModels() {
        ViewFixture f;
        allSelect *w = f.registry.get<allSelect>();
        w->show();

        clickBox(
            control<QCheckBox>(w, "Check2")); // unchecked: no category, no model, but Check3 checked again
        QVERIFY(control<SelectionList>(w, "List2")->isEnabled());
        QCOMPARE(selectedCount(control<SelectionList>(w, "List2")), 0);
        QVERIFY(control<SelectionList>(w, "List3")->count() == 0);
        QVERIFY(control<QCheckBox>(w, "Check3")->isChecked());

        clickRow(control<SelectionList>(w, "List2"), 2); // ＣＲデジパチ alone
        QCOMPARE(texts(control<SelectionList>(w, "List3")), QStringList{u"ＣＲ花"_s});
        QCOMPARE(selectedCount(control<SelectionList>(w, "List3")), 1);
        QVERIFY(!control<SelectionList>(w, "List3")->isEnabled());
        clickRow(control<SelectionList>(w, "List2"), 0); // and 羽物: a click adds to the selection
        QCOMPARE(texts(control<SelectionList>(w, "List3")),
                 (QStringList{u"ａ"_s, u"ＣＲ花"_s, u"Ｘ"_s, u"Ｙ"_s}));
        QCOMPARE(selectedCount(control<SelectionList>(w, "List3")), 4);

        clickBox(control<QCheckBox>(w, "Check3"));
        QVERIFY(control<SelectionList>(w, "List3")->isEnabled());
        QCOMPARE(selectedCount(control<SelectionList>(w, "List3")), 0);
        clickRow(control<SelectionList>(w, "List3"), 1);
        QVERIFY(control<SelectionList>(w, "List3")->isRowSelected(1));
        clickRow(control<SelectionList>(w, "List3"), 1); // toggles off
        QCOMPARE(selectedCount(control<SelectionList>(w, "List3")), 0);

        clickBox(control<QCheckBox>(w, "Check1"));
        QCOMPARE(selectedCount(control<SelectionList>(w, "List1")), 0);
        clickBox(control<QCheckBox>(w, "Check1"));
        QCOMPARE(selectedCount(control<SelectionList>(w, "List1")), 2);
        QVERIFY(!control<SelectionList>(w, "List1")->isEnabled());
    }

    void okShowsTheSelectedCardsWithTotals() {
        ViewFixture f;
        f.writeDiary({card(u"本店"_s, u"Ｘ"_s, u"0100"_s, u"0000"_s),
                      card(u"支店"_s, u"Ｘ"_s, u"0100"_s, u"0099"_s),
                      card(u"支店"_s, u"Ｙ"_s, u"0050"_s, u"0000"_s),
                      card(u"支店"_s, u"ＣＲ花"_s, u"0100"_s, u"0500"_s)});
        allSelect *w = f.registry.get<allSelect>();
        w->show();
        clickBox(control<QCheckBox>(w, "Check1"));
        clickRow(control<SelectionList>(w, "List1"), 1); // 支店
        clickBox(control<QCheckBox>(w, "Check2"));
        clickRow(control<SelectionList>(w, "List2"), 0); // 羽物: Ｘ, ａ, Ｙ
        clickBox(control<QCheckBox>(w, "Check3"));
        clickRow(control<SelectionList>(w, "List3"), 1); // Ｘ
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);

        listview *list = f.registry.find<listview>();
        QVERIFY(list);
        QVERIFY(list->isVisible());
        QVERIFY(w->isVisible()); // the filter stays open
        QCOMPARE(list->windowTitle(), u"1999年 リスト表示"_s);
        QCOMPARE(records(list), QStringList{u"2"_s});
        QCOMPARE(control<QLabel>(list, "Label8")->text(), u" 10000"_s);
        QCOMPARE(control<QLabel>(list, "Label9")->text(), u" 9900"_s);
        QCOMPARE(control<QLabel>(list, "Label10")->text(), u"-100"_s);
        QCOMPARE(textColour(control<QLabel>(list, "Label10")), kRed);
        QCOMPARE(control<QLabel>(list, "Label12")->text(), u"99"_s);
        QCOMPARE(textColour(control<QLabel>(list, "Label12")), kRed);
        QCOMPARE(control<QLabel>(list, "Label14")->text(), u"-50"_s);
        QCOMPARE(textColour(control<QLabel>(list, "Label14")), kRed);
        // The wait window was shown for the loading and is hidden again.
        tyoimati *wait = f.registry.find<tyoimati>();
        QVERIFY(wait);
        QVERIFY(!wait->isVisible());
        QCOMPARE(wait->windowTitle(), u"Just a moment."_s);
        QCOMPARE(control<ProgressPicture>(wait, "Picture1")->rightTwips(), 3000.0);

        // A second OK builds a new list from the selections as they are now.
        clickBox(control<QCheckBox>(w, "Check1"));
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        listview *again = f.registry.find<listview>();
        QVERIFY(again != list);
        QCOMPARE(records(again), (QStringList{u"1"_s, u"2"_s}));

        QTest::mouseClick(control<QPushButton>(w, "Command2"), Qt::LeftButton); // cancel closes both
        QVERIFY(!f.registry.find<listview>());
        QVERIFY(!f.registry.find<allSelect>());
    }

    void followsTheDiary() {
        ViewFixture f;
        f.writeDiary({card(u"本店"_s, u"Ｘ"_s, u"0010"_s, u"0000"_s)});
        listview *list = f.open<listview>();
        QCOMPARE(records(list), QStringList{u"1"_s});
        f.writeDiary(
            {card(u"本店"_s, u"Ｘ"_s, u"0010"_s, u"0000"_s), card(u"支店"_s, u"Ｙ"_s, u"0020"_s, u"0000"_s)});
        f.state.noteCardsChanged();
        QCOMPARE(records(list), (QStringList{u"1"_s, u"2"_s}));
        QCOMPARE(control<QLabel>(list, "Label8")->text(), u" 3000"_s);
        f.state.setYear(1998);
        QCOMPARE(list->windowTitle(), u"1998年 リスト表示"_s);
        QCOMPARE(control<SelectionList>(list, "List1")->count(), 0);
    }

    void emptyListShowsZeroTotals() {
        ViewFixture f;
        f.writeDiary({});
        listview *list = f.registry.get<listview>();
        QCOMPARE(control<SelectionList>(list, "List1")->count(), 0);
        QCOMPARE(control<QLabel>(list, "Label8")->text(), u" 0"_s);
        QCOMPARE(control<QLabel>(list, "Label10")->text(), u" 0"_s);
        QCOMPARE(textColour(control<QLabel>(list, "Label10")), kBlue);
        QCOMPARE(control<QLabel>(list, "Label12")->text(), u"0"_s);
        QCOMPARE(textColour(control<QLabel>(list, "Label12")), kBlack);
        QCOMPARE(control<QLabel>(list, "Label14")->text(), u"0"_s);
        QCOMPARE(textColour(control<QLabel>(list, "Label14")), kBlack);
    }

    void columnButtonsSortWithTheirToggles() {
        ViewFixture f;
        // Profits -3000, 500, -12000, 0.
        f.writeDiary(
            {card(u"本店"_s, u"Ｙ"_s, u"0030"_s, u"0000"_s), card(u"支店"_s, u"Ｘ"_s, u"0010"_s, u"0015"_s),
             card(u"本店"_s, u"Ｘ"_s, u"0120"_s, u"0000"_s), card(u"支店"_s, u"Ｙ"_s, u"0020"_s, u"0020"_s)});
        listview *list = f.registry.get<listview>();
        list->show();
        auto press = [&](QPushButton *b) {
            QTest::mouseClick(b, Qt::LeftButton);
            return records(list).join(u',');
        };
        QCOMPARE(press(control<QPushButton>(list, "Command9")), u"3,1,4,2"_s);
        QCOMPARE(press(control<QPushButton>(list, "Command9")), u"2,4,1,3"_s);
        QCOMPARE(press(control<QPushButton>(list, "Command7")), u"2,4,1,3"_s);
        QCOMPARE(press(control<QPushButton>(list, "Command7")), u"3,1,4,2"_s);
        QCOMPARE(press(control<QPushButton>(list, "Command5")),
                 u"2,4,1,3"_s); // 支店 (U+652F) before 本店 (U+672C)
        QCOMPARE(press(control<QPushButton>(list, "Command5")), u"2,4,1,3"_s);
        QCOMPARE(press(control<QPushButton>(list, "Command6")), u"2,3,1,4"_s);
        QCOMPARE(press(control<QPushButton>(list, "Command4")), u"1,2,3,4"_s);
        QCOMPARE(press(control<QPushButton>(list, "Command3")), u"4,3,2,1"_s); // the shared toggle reverses
        QCOMPARE(press(control<QPushButton>(list, "Command8")), u"1,3,2,4"_s);
        QCOMPARE(selectedCount(control<SelectionList>(list, "List1")), 0);
    }

    void doubleClickShowsTheCardOnTheCardScreen() {
        ViewFixture f;
        QList<CardValues> cards;
        for (int i = 1; i <= 10; ++i) {
            CardValues c = card(i == 7 ? u"支店"_s : u"本店"_s, u"Ｘ"_s, u"0010"_s, u"0000"_s);
            c.date = u"199905"_s + QString::number(10 + i) + u"土"_s;
            cards.append(c);
        }
        f.writeDiary(cards);
        f.clock.set(QDateTime(QDate(1999, 6, 1), QTime(10, 0))); // the card screen opens this year's diary
        PatincoMain *main = f.openCardScreen(f.state.diaryFile(), f.state.yearText());
        QScrollBar *scroller = control<QScrollBar>(main, "HScroll1");
        QCOMPARE(scroller->value(), 11);

        allSelect *w = f.registry.get<allSelect>();
        w->show();
        QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
        listview *list = f.registry.find<listview>();
        QTest::mouseClick(control<QPushButton>(list, "Command7"),
                          Qt::LeftButton); // order no longer matches rows
        const int row =
            int(texts(control<SelectionList>(list, "List1")).indexOf(QRegularExpression(u"^   7 .*"_s)));
        QVERIFY(row >= 0);
        const QRect at = control<SelectionList>(list, "List1")
                             ->visualRect(control<SelectionList>(list, "List1")->model()->index(row, 0));
        QTest::mouseClick(control<SelectionList>(list, "List1")->viewport(), Qt::LeftButton, {}, at.center());
        QTest::mouseDClick(control<SelectionList>(list, "List1")->viewport(), Qt::LeftButton, {},
                           at.center());

        QCOMPARE(scroller->value(), 7);
        QCOMPARE(main->storeText().trimmed(), u"支店"_s);
        QCOMPARE(main->findChild<QLabel *>(u"Label19"_s)->text(), u"7"_s);
        QVERIFY(!f.registry.find<tyoimati>());
        QCOMPARE(f.registry.find<listview>(), list); // the list stays open
    }

    void reportAndBackButtons() {
        ViewFixture f;
        f.writeDiary({card(u"本店"_s, u"Ｘ"_s, u"0010"_s, u"0030"_s)});
        listview *list = f.registry.get<listview>();
        list->show();
        QTest::mouseClick(control<QPushButton>(list, "Command1"), Qt::LeftButton);
        dispreport *report = f.registry.find<dispreport>();
        QVERIFY(report && report->isVisible());
        QCOMPARE(report->windowTitle(), u"1999 年度評価レポート"_s);
        QTest::mouseClick(control<QPushButton>(list, "Command2"), Qt::LeftButton);
        QVERIFY(!f.registry.find<listview>());
        QVERIFY(f.registry.find<dispreport>());
    }
};

TAMA_GUI_TEST_MAIN(TstListview)
#include "tst_listview.moc"
