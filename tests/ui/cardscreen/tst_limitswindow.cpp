// The limits as a person sets them from the card screen, and what the card screen says
// when a card passes one.
#include "cardscreen/limitswindow.h"
#include "cardscreen/patincomain.h"
#include "store/diary.h"
#include "store/playdata.h"
#include "support/windowfixture.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(14, 30));
const QString kDiary = u"taro.2026.dat"_s;

// Today at ＡＢＣホール, 30,000 yen in.
CardValues today() {
    CardValues c = screenCard();
    c.date = u"20261209水"_s;
    c.investment = u"0300"_s;
    return c;
}

} // namespace

class TestLimitsWindow : public QObject, CardScreenTest {
    Q_OBJECT
  private slots:
    void init() { m_f = std::make_unique<WindowFixture>(kNow); }
    void cleanup() { finish(); }

    void setCrossedRaisedAndLowered();
    void valuesThatAreNoLimitAreRefused();

  private:
    void activate(QWidget *w) {
        w->activateWindow();
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    static void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget *f = QApplication::focusWidget();
        QVERIFY(f);
        QTest::keyClick(f, Qt::Key(k), mods);
    }
    static void clickIn(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2)); }
    // データ設定(&D) → 遊技の上限(&L), by keys.
    LimitsWindow *openLimits() {
        activate(m_window);
        c("Text3")->setFocus();
        key(Qt::Key_D, Qt::AltModifier);
        if (!QTest::qWaitFor([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); }))
            qFatal("no menu");
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_L);
        LimitsWindow *w = m_f->registry.find<LimitsWindow>();
        if (!w || !QTest::qWaitForWindowExposed(w)) qFatal("no limits window");
        activate(w);
        return w;
    }
    // Types a value into a row's box and presses Enter.
    static void setBox(LimitsWindow *w, const char *box, const QString &text) {
        QLineEdit *b = control(w, box);
        clickIn(b);
        b->selectAll();
        QTest::keyClicks(b, text);
        QTest::keyClick(b, Qt::Key_Return);
    }
    static QString shown(LimitsWindow *w, const char *label) { return control<QLabel>(w, label)->text(); }
    qint64 storedInvestment() const {
        const DiaryFile diary(DataFolder(m_f->folder.path()), kDiary, RecordFile::Mode::ReadOnly);
        return diary.read(1)->investmentYen();
    }
    int warnings() const {
        int n = 0;
        for (const RecordingDialogs::Call &call : m_f->dialogs.calls)
            n += call.kind == RecordingDialogs::Call::Info && call.title == u"注意"_s;
        return n;
    }
};

void TestLimitsWindow::setCrossedRaisedAndLowered() {
    m_f->folder.write(kDiary, diaryBytes({today()}));
    open(kDiary, u"2026"_s);
    auto *line = c<QLabel>("LimitLine");
    QVERIFY(!line->isVisible()); // no limit, no line

    LimitsWindow *w = openLimits();
    QCOMPARE(shown(w, "InvestmentLimit"), u"なし"_s);
    setBox(w, "InvestmentBox", u"40000"_s);
    QCOMPARE(shown(w, "InvestmentLimit"), u"40,000円"_s); // set where none: at once
    QCOMPARE(shown(w, "InvestmentUsed"), u"30,000円"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!w->isVisible());
    QVERIFY(line->isVisible());
    QCOMPARE(line->text(), u"今月の投資 30,000円 / 上限 40,000円"_s);

    // Card 1 updated to 50,000 yen: past the limit, said once, and stored all the same.
    activate(m_window);
    bar("HScroll1")->setValue(1);
    clickIn(c("Text11"));
    c("Text11")->selectAll();
    QTest::keyClicks(c("Text11"), u"5"_s);
    key(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(warnings(), 1);
    QCOMPARE(m_f->dialogs.lastMessage(),
             u"今月の投資が上限の40,000円を超えました（50,000円）。\nカードは保存されています。"_s);
    QCOMPARE(storedInvestment(), qint64(50000));
    QCOMPARE(line->text(), u"今月の投資 50,000円 / 上限 40,000円"_s);
    // Already past it: the next write says nothing more.
    clickIn(c("Text11"));
    c("Text11")->selectAll();
    QTest::keyClicks(c("Text11"), u"6"_s);
    key(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(warnings(), 1);
    QCOMPARE(storedInvestment(), qint64(60000));

    // Raised: the window says when; a day later it is in force.
    w = openLimits();
    setBox(w, "InvestmentBox", u"70000"_s);
    QCOMPARE(shown(w, "InvestmentLimit"), u"40,000円"_s);
    QCOMPARE(shown(w, "InvestmentPending"), u"2026年12月10日 14:30から 70,000円"_s);
    QCOMPARE(line->text(), u"今月の投資 60,000円 / 上限 40,000円"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    m_f->clock.set(kNow.addDays(1));
    w = openLimits();
    QCOMPARE(shown(w, "InvestmentLimit"), u"70,000円"_s);
    QCOMPARE(shown(w, "InvestmentPending"), QString());
    QCOMPARE(line->text(), u"今月の投資 60,000円 / 上限 70,000円"_s);

    // Lowered: at once.
    setBox(w, "InvestmentBox", u"20000"_s);
    QCOMPARE(shown(w, "InvestmentLimit"), u"20,000円"_s);
    QCOMPARE(shown(w, "InvestmentPending"), QString());
    QCOMPARE(line->text(), u"今月の投資 60,000円 / 上限 20,000円"_s);
    QCOMPARE(warnings(), 1);
}

void TestLimitsWindow::valuesThatAreNoLimitAreRefused() {
    open(kDiary, u"2026"_s);
    LimitsWindow *w = openLimits();
    setBox(w, "HoursBox", u"2.4"_s);
    QCOMPARE(warnings(), 1);
    QVERIFY2(m_f->dialogs.lastMessage().contains(u"15分"_s), qPrintable(m_f->dialogs.lastMessage()));
    setBox(w, "VisitsBox", u"1000"_s);
    QCOMPARE(warnings(), 2);
    QCOMPARE(shown(w, "VisitsLimit"), u"なし"_s);
    QVERIFY(!QFile::exists(m_f->folder.file(PlayDatabase::fileName())));
    // Hours as a clock time, and the full-width digits an input method gives.
    setBox(w, "HoursBox", u"2:30"_s);
    QCOMPARE(shown(w, "HoursLimit"), u"2時間30分"_s);
    QLineEdit *visits = control(w, "VisitsBox");
    clickIn(visits);
    typeJapanese(visits, u"１２"_s);
    QTest::keyClick(visits, Qt::Key_Return);
    QCOMPARE(shown(w, "VisitsLimit"), u"12回"_s);
    QCOMPARE(warnings(), 2);
}

TAMA_GUI_TEST_MAIN(TestLimitsWindow)
#include "tst_limitswindow.moc"
