#include "cardscreen/patincomain.h"
#include "store/playdata.h"
#include "support/windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QString kDiary = u"taro.1999.dat"_s;
const QString kSettingsKey = u"cardscreen/playPanel"_s;

// ＡＢＣホール on 23 January 1999: 20,000 yen in, 31,000 yen out, 羽根モデル (デジパチ).
CardValues visit() {
    CardValues c = screenCard();
    c.investment = u"0200"_s;
    c.cashOut = u"0310"_s;
    return c;
}

} // namespace

class TestPlayPanel : public QObject, CardScreenTest {
    Q_OBJECT
  private slots:
    void init() {
        QSettings(u"tamanote"_s, u"tamanote"_s).remove(kSettingsKey);
        start();
    }
    void cleanup() { finish(); }

    void typedPlayDataShowsFiguresAndIsKept();
    void panelShownOrHiddenIsRemembered();
    void unavailableDatabaseIsSaid();
    void chodamaBoxesFollowTheMachineNumber();

  private:
    void activate() {
        m_window->activateWindow();
        QApplication::setActiveWindow(m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }
    static void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget *f = QApplication::focusWidget();
        QVERIFY(f);
        QTest::keyClick(f, Qt::Key(k), mods);
    }
    static QWidget *focus() { return QApplication::focusWidget(); }
    QStringList figures() const {
        return {l("playRate"), l("playBorderCash"), l("playBorderGap"), l("playExpectedValue"),
                l("playLuck")};
    }
};

void TestPlayPanel::typedPlayDataShowsFiguresAndIsKept() {
    m_f->folder.write(kDiary, diaryBytes({visit(), screenCard()}));
    {
        PlayDatabase db{DataFolder(m_f->folder.path())};
        QVERIFY2(db.isOpen(), qPrintable(db.reason()));
        HallTerms terms;
        terms.store = u"ＡＢＣホール"_s;
        terms.from = QDate(1998, 12, 1);
        terms.lend = 4;
        terms.exchange = 28;
        db.setHallTerms(terms);
        ModelSpec modelSpec;
        modelSpec.category = 2;
        modelSpec.model = u"羽根モデル"_s;
        modelSpec.probability = 319.6;
        modelSpec.payout = 5400;
        db.setModelSpec(modelSpec);
    }
    open();
    activate();
    bar("HScroll1")->setValue(1);
    QCOMPARE(l("playMissing"), u"通常回転数が入っていません"_s);

    auto *impression = c<QPlainTextEdit>("Text24");
    QTest::mouseClick(impression->viewport(), Qt::LeftButton);
    QCOMPARE(focus(), impression);
    key(Qt::Key_Tab);
    QCOMPARE(focus(), c("playSpins"));
    QTest::keyClicks(focus(), u"410"_s);
    key(Qt::Key_Tab);
    QTest::keyClicks(focus(), u"499"_s);
    key(Qt::Key_Up);
    QCOMPARE(t("playOwnBalls"), u"500"_s);
    key(Qt::Key_Tab);
    QTest::keyClicks(focus(), u"4"_s);
    key(Qt::Key_Down);
    key(Qt::Key_Tab);
    QCOMPARE(focus(), c("playMachine"));
    QTest::keyClicks(focus(), u"123"_s);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(focus(), c("playHits"));
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(focus(), impression);

    // Worked by hand: 5,500 balls fired, w = 5400 / 319.6, E = 100 / 28.
    const QStringList expected{u"18.6"_s, u"16.6"_s, u"+2.1"_s, u"+2,955"_s, u"+8,045"_s};
    QCOMPARE(figures(), expected);
    QVERIFY(!c<QLabel>("playMissing")->isVisible());

    key(Qt::Key_S, Qt::ControlModifier); // 更新
    QVERIFY2(m_f->dialogs.calls.isEmpty(), qPrintable(m_f->dialogs.lastMessage()));
    bar("HScroll1")->setValue(2);
    QCOMPARE(t("playSpins"), QString());
    QCOMPARE(l("playRate"), u"－"_s);
    bar("HScroll1")->setValue(1);
    QCOMPARE(boxes({"playSpins", "playOwnBalls", "playHits", "playMachine"}),
             (QStringList{u"410"_s, u"500"_s, u"3"_s, u"123"_s}));
    QCOMPARE(figures(), expected);
}

void TestPlayPanel::panelShownOrHiddenIsRemembered() {
    open();
    auto *panel = c<QGroupBox>("PlayPanel");
    auto *item = m_window->findChild<QAction *>(u"showPlayPanel"_s);
    QVERIFY(item && item->isCheckable());
    QCOMPARE(item->text(), u"稼働データを表示"_s);
    QVERIFY(panel->isVisible());
    QVERIFY(item->isChecked());
    item->trigger();
    QVERIFY(!panel->isVisible());

    finish();
    start();
    open();
    QVERIFY(!c<QGroupBox>("PlayPanel")->isVisible());
    item = m_window->findChild<QAction *>(u"showPlayPanel"_s);
    QVERIFY(!item->isChecked());
    item->trigger();
    QVERIFY(c<QGroupBox>("PlayPanel")->isVisible());
}

void TestPlayPanel::unavailableDatabaseIsSaid() {
    QVERIFY(QDir(m_f->folder.path()).mkdir(PlayDatabase::fileName()));
    m_f->folder.write(kDiary, diaryBytes({visit()}));
    open();
    QVERIFY(c<QLabel>("playUnavailable")->isVisible());
    QVERIFY(l("playUnavailable").startsWith(u"稼働データは使えません"_s));
    QVERIFY(!c("playSpins")->isEnabled());
}

// The two 貯玉 boxes come after 台番号 and behave as the other count boxes.
void TestPlayPanel::chodamaBoxesFollowTheMachineNumber() {
    m_f->folder.write(kDiary, diaryBytes({visit(), screenCard()}));
    open();
    activate();
    bar("HScroll1")->setValue(1);
    auto *machine = c<QLineEdit>("playMachine");
    QTest::mouseClick(machine, Qt::LeftButton);
    QCOMPARE(focus(), machine);
    key(Qt::Key_Tab);
    QCOMPARE(focus(), c("playChodamaUsed"));
    QTest::keyClicks(focus(), u"25x0"_s); // a letter is not taken
    key(Qt::Key_Down);
    QCOMPARE(t("playChodamaUsed"), u"249"_s);
    key(Qt::Key_Tab);
    QCOMPARE(focus(), c("playChodamaDeposited"));
    QTest::keyClicks(focus(), u"1200000"_s);

    key(Qt::Key_S, Qt::ControlModifier); // 更新
    QVERIFY2(m_f->dialogs.calls.isEmpty(), qPrintable(m_f->dialogs.lastMessage()));
    bar("HScroll1")->setValue(2);
    QCOMPARE(t("playChodamaUsed"), QString());
    bar("HScroll1")->setValue(1);
    QCOMPARE(boxes({"playChodamaUsed", "playChodamaDeposited"}), (QStringList{u"249"_s, u"1200000"_s}));
    const DataFolder folder(m_f->folder.path());
    const PlayDatabase db(folder, PlayDatabase::Mode::ReadOnly);
    const std::optional<PlayInputs> stored = db.play(kDiary, DiaryKeys::ofDiary(folder, kDiary).key(1));
    QVERIFY(stored);
    QCOMPARE(stored->chodamaUsed, std::optional<qint64>(249));
    QCOMPARE(stored->chodamaDeposited, std::optional<qint64>(1200000));
}

TAMA_GUI_TEST_MAIN(TestPlayPanel)
#include "tst_playpanel.moc"
