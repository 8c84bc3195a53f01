// A new player's first evening, through the windows only: add a user, register cards at
// two halls in two categories, mark one, organise, open the views, add a model to a
// catalogue; then every file is checked byte for byte.
#include "app/resources.h"
#include "cardscreen/patincomain.h"
#include "cardscreen/picturebutton.h"
#include "master/kdata.h"
#include "master/new_touroku.h"
#include "startup/newname.h"
#include "startup/patinkest.h"
#include "support/windowfixture.h"
#include "views/allselect.h"
#include "views/dispreport.h"
#include "views/listview.h"
#include "views/tukigrafh.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

class TstWalkthrough : public QObject {
    Q_OBJECT

    PatincoMain *m_main = nullptr;

    template <class W = QLineEdit> W *c(const char *name) const { return control<W>(m_main, name); }
    void up(const char *bar, int times) { stepUp(c<QScrollBar>(bar), times); }
    void clickOption(const char *name) { test::clickOption(c<QRadioButton>(name)); }
    QByteArray boxes(std::initializer_list<const char *> names) const {
        QByteArray out;
        for (const char *n : names) {
            const QString t = c(n)->text();
            out += t.isEmpty() ? QByteArray(" ") : t.toLatin1();
        }
        return out;
    }
    static QByteArray padded(QByteArray b, int n) { return b + QByteArray(n - b.size(), ' '); }

  private slots:
    void initTestCase() { initResources(); }

    void aFirstEvening() {
        WindowFixture f(QDateTime(QDate(1999, 3, 15), QTime(21, 0))); // a Monday

        // The user window on an empty folder, and a new user.
        PATINKEST *users = f.registry.get<PATINKEST>();
        QVERIFY(!users->Form_Load());
        QTest::mouseClick(control<QPushButton>(users, "Command2"), Qt::LeftButton);
        NEWNAME *newName = f.registry.find<NEWNAME>();
        QTest::keyClicks(control<QLineEdit>(newName, "Text1"), u"taro"_s);
        QTest::mouseClick(control<QPushButton>(newName, "Command1"), Qt::LeftButton);
        QCOMPARE(control<QListWidget>(users, "List1")->count(), 1);
        control<QListWidget>(users, "List1")->setCurrentRow(0);
        QTest::mouseClick(control<QPushButton>(users, "Command1"), Qt::LeftButton);
        m_main = f.registry.find<PatincoMain>();
        QVERIFY(m_main && m_main->isVisible());
        QCOMPARE(f.folder.read(u"taro.1999.dat"_s).size(), 0);

        // Card 1: hall ABC typed half-width, デジパチ, a new model; 500 yen in, 3,000 out.
        c<QComboBox>("Combo1")->setEditText(u"ABC"_s);
        clickOption("Option2");
        c<QComboBox>("Combo2")->setEditText(u"ドリーム"_s);
        up("VScroll1", 2);
        up("VScroll3", 3);
        up("VScroll4", 30);
        up("VScroll7", 5);
        up("VScroll9", 3);
        c<QRadioButton>("Option8")->setChecked(true);
        const QByteArray start1 = boxes({"Text6", "Text7", "Text18", "Text19"});
        const QByteArray end1 = boxes({"Text8", "Text9", "Text20", "Text21"});
        QCOMPARE(c<QLabel>("Label15")->text(), u"2,500"_s);
        QTest::mouseClick(c<QPushButton>("Command23"), Qt::LeftButton);
        QVERIFY(f.dialogs.calls.isEmpty());
        // The model is not in the hall's list yet: add it there.
        New_touroku *reg = f.registry.find<New_touroku>();
        QVERIFY(reg && reg->isVisible());
        QTest::mouseClick(control<QPushButton>(reg, "Command1"), Qt::LeftButton);

        // Card 2 at a second hall, 羽物, starting when card 1 ended.
        QCOMPARE(boxes({"Text6", "Text7", "Text18", "Text19"}), end1);
        c<QComboBox>("Combo1")->setEditText(u"桜町"_s);
        clickOption("Option1");
        c<QComboBox>("Combo2")->setEditText(u"ハネ"_s);
        up("VScroll3", 1);
        up("VScroll6", 2);
        const QByteArray end2 = boxes({"Text8", "Text9", "Text20", "Text21"});
        QTest::mouseClick(c<QPushButton>("Command23"), Qt::LeftButton);
        if (New_touroku *again = f.registry.find<New_touroku>(); again && again->isVisible())
            QTest::mouseClick(control<QPushButton>(again, "Command2"), Qt::LeftButton); // not this time

        // Card 3, the same hall and model, then marked for deletion.
        clickOption("Option1");
        c<QComboBox>("Combo2")->setEditText(u"ハネ"_s);
        up("VScroll7", 1);
        QTest::mouseClick(c<QPushButton>("Command23"), Qt::LeftButton);
        if (New_touroku *again = f.registry.find<New_touroku>(); again && again->isVisible())
            QTest::mouseClick(control<QPushButton>(again, "Command2"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"taro.1999.dat"_s).size(), 3 * 240);
        c<QScrollBar>("HScroll1")->setValue(3);
        QTest::mouseClick(c<QPushButton>("Command6"), Qt::LeftButton);
        QCOMPARE(c<QLabel>("Label20")->text(), u"削除候補"_s);
        QCOMPARE(f.folder.read(u"taro.1999.dat"_s).at(2 * 240), 'R');

        // A picture button shows its pressed image until the card screen is active again.
        auto *storesButton = c<PictureButton>("Picture4");
        QTest::mouseClick(storesButton, Qt::LeftButton);
        QVERIFY(storesButton->showsPressedImage());
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(m_main, &activate);
        for (const char *name : {"Picture1", "Picture2", "Picture3", "Picture4", "Picture5", "Picture6"})
            QVERIFY2(!c<PictureButton>(name)->showsPressedImage(), name);

        // Organise: the marked card goes.
        f.dialogs.answer({false});
        m_main->findChild<QAction *>(u"filesort"_s)->trigger();
        QCOMPARE(c<QLabel>("Label19")->text(), u"3"_s);

        const QByteArray abc = hex("8260 8261 8262");        // ＡＢＣ
        const QByteArray sakura = hex("8DF7 92AC");          // 桜町
        const QByteArray dream = hex("8368 838A 815B 8380"); // ドリーム
        const QByteArray hane = hex("836E 836C");            // ハネ
        const QByteArray card1 = cardBytes({.date = u"19990315月"_s,
                                            .start = QString::fromLatin1(start1),
                                            .end = QString::fromLatin1(end1),
                                            .store = u"ＡＢＣ"_s,
                                            .category = u"2"_s,
                                            .model = u"ドリーム"_s,
                                            .investment = u"0005"_s,
                                            .cashOut = u"0030"_s,
                                            .dayType = u"333"_s});
        const QByteArray card2 = cardBytes({.date = u"19990315月"_s,
                                            .start = QString::fromLatin1(end1),
                                            .end = QString::fromLatin1(end2),
                                            .store = u"桜町"_s,
                                            .category = u"1"_s,
                                            .model = u"ハネ"_s,
                                            .investment = u"0020"_s,
                                            .cashOut = u"0000"_s}); // a new card starts on an ordinary day
        QCOMPARE(f.folder.read(u"taro.1999.dat"_s), card1 + card2);
        QCOMPARE(f.folder.read(u"namae.dat"_s), QByteArray("  taro") + spaces(14));
        QCOMPARE(f.folder.read(u"patishop.dat"_s), padded(abc, 80) + padded(sakura, 80));
        QCOMPARE(f.folder.read(u"DEGIpati.dat"_s), padded(dream, 160));
        QCOMPARE(f.folder.read(u"hirapati.dat"_s), padded(hane, 160));
        // ＡＢＣ's list file: its first two, last two and last four characters.
        const QString abcList = u"ＡＢＢＣＡＢＣ"_s;
        QVERIFY(f.folder.exists(abcList));
        const QByteArray list = f.folder.read(abcList);
        QVERIFY2(list.startsWith("# 2\r\n" + dream), list.toHex(' ').constData());
        QVERIFY(list.endsWith("# 6\r\n# #\r\n"));
        QVERIFY(!f.folder.exists(u"t#e#m#p.tmp"_s));

        // The views open on the organised diary.
        m_main->findChild<QAction *>(u"All"_s)->trigger();
        allSelect *filter = f.registry.find<allSelect>();
        QVERIFY(filter && filter->isVisible());
        QTest::mouseClick(control<QPushButton>(filter, "Command1"), Qt::LeftButton);
        listview *list1 = f.registry.find<listview>();
        QVERIFY(list1 && list1->isVisible());
        QAbstractItemView *lines = list1->findChild<QAbstractItemView *>(u"List1"_s);
        QVERIFY(lines);
        QCOMPARE(lines->model()->rowCount(), 2);
        m_main->findChild<QAction *>(u"graph"_s)->trigger();
        QVERIFY(f.registry.find<tukiGrafh>() && f.registry.find<tukiGrafh>()->isVisible());
        m_main->findChild<QAction *>(u"disp_report"_s)->trigger();
        QVERIFY(f.registry.find<dispreport>() && f.registry.find<dispreport>()->isVisible());

        // Master data: a model added to the ＣＲデジパチ catalogue by hand.
        m_main->findChild<QAction *>(u"kisyudatasettei"_s)->trigger();
        KDATA *models = f.registry.find<KDATA>();
        QVERIFY(models && models->isVisible());
        test::clickOption(control<QRadioButton>(models, "Option5"));
        control<PopupComboBox>(models, "Combo1")->setEditText(u"CR1"_s);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(models, "Command1"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"CRpati.dat"_s), padded(hex("8262 8271 8250"), 160)); // ＣＲ１

        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Error), 0);
        QCOMPARE(f.dialogs.unscripted, 0);

        // 終了 with every other window still open ends the program with all of them gone.
        QPointer<QWidget> open[] = {
            m_main, filter, list1, f.registry.find<tukiGrafh>(), f.registry.find<dispreport>(),
            models, users};
        m_main->findChild<QAction *>(u"endi"_s)->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (const QPointer<QWidget> &w : open)
            QVERIFY(w.isNull());
    }
};

TAMA_GUI_TEST_MAIN(TstWalkthrough)
#include "tst_walkthrough.moc"
