#include "cardscreen/patincomain.h"
#include "startup/newname.h"
#include "startup/patinkest.h"
#include "support/windowfixture.h"

#include <QApplication>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QByteArray kJi = hex("8EA9");    // 自
const QByteArray kBlank = hex("8140"); // full-width space

QByteArray user(const QByteArray &mark, const QByteArray &name) {
    return mark + name + spaces(18 - int(name.size()));
}

} // namespace

class TstPatinkest : public QObject {
    Q_OBJECT

  private:
    struct Fixture : WindowFixture {
        Fixture() : WindowFixture(QDateTime(QDate(1999, 1, 23), QTime(14, 5))) {}
        PATINKEST *window() { return registry.get<PATINKEST>(); }
    };

  private slots:
    void listsUsersInFileOrderWithoutAutoStart() {
        Fixture f;
        f.folder.write(u"namae.dat"_s,
                       user(kBlank, "taro") + user("  ", "hanako") + user(kBlank, hex("82BD82EB82A4")));
        QVERIFY(!f.window()->Form_Load());
        QVERIFY(f.window()->isVisible());
        QVERIFY(f.state.diaryFile().isEmpty()); // no diary until a user is chosen
        QCOMPARE(control<QListWidget>(f.window(), "List1")->count(), 3);
        QCOMPARE(control<QListWidget>(f.window(), "List1")->item(0)->text(), u"taro"_s + QString(14, u' '));
        QCOMPARE(control<QListWidget>(f.window(), "List1")->item(1)->text(), u"hanako"_s + QString(12, u' '));
        // 6 bytes of kana decode to 3 characters, padded back to 18.
        QCOMPARE(control<QListWidget>(f.window(), "List1")->item(2)->text(), u"たろう"_s + QString(15, u' '));
        QVERIFY(!f.registry.find<PatincoMain>());
        QCOMPARE(control<QCheckBox>(f.window(), "Check1")->isChecked(), false);
    }

    void missingUserListIsCreatedEmpty() {
        Fixture f;
        QVERIFY(!f.window()->Form_Load());
        QVERIFY(f.folder.exists(u"namae.dat"_s));
        QCOMPARE(f.folder.read(u"namae.dat"_s).size(), 0);
        QCOMPARE(control<QListWidget>(f.window(), "List1")->count(), 0);
        // A first run says how to begin, on the window and when OK is pressed.
        auto *hint = f.window()->findChild<QLabel *>(u"hint"_s);
        QVERIFY(hint && hint->isVisible());
        QVERIFY(hint->text().contains(u"「新規登録」"_s));
        QTest::mouseClick(control<QPushButton>(f.window(), "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.size(), 1);
        QCOMPARE(f.dialogs.calls.last().message, hint->text());
        QCOMPARE(f.dialogs.calls.last().title, u"注意"_s);
        QVERIFY(!f.registry.find<PatincoMain>());
    }

    void autoStartOpensTheLastMarkedUser() {
        Fixture f;
        f.folder.write(u"namae.dat"_s, user(kJi, "taro") + user(kBlank, "jiro") + user(kJi, "hanako"));
        QVERIFY(f.window()->Form_Load());
        QVERIFY(!f.window()->isVisible());
        PatincoMain *main = f.registry.find<PatincoMain>();
        QVERIFY(main && main->isVisible());
        QCOMPARE(f.state.diaryFile(), u"hanako.1999.dat"_s);
        QCOMPARE(main->yearText(), u"1999"_s);
        QVERIFY(main->windowTitle().contains(u"[ hanako.1999.dat ]"_s));
        QVERIFY(f.folder.exists(u"hanako.1999.dat"_s));
    }

    void markingAskedAndConfirmed() {
        Fixture f;
        const QByteArray before = user(kJi, "taro") + user(kBlank, "jiro") + user(kBlank, "saburo");
        f.folder.write(u"namae.dat"_s, before);
        // An auto-start user exists: start goes straight to the diary. Come back from the menu.
        QVERIFY(f.window()->Form_Load());
        f.window()->ShowFromMenu();
        QVERIFY(control<QCheckBox>(f.window(), "Check1")->isChecked());
        QCOMPARE(control<QListWidget>(f.window(), "List1")->currentRow(), 0);

        control<QListWidget>(f.window(), "List1")->setCurrentRow(1);
        f.dialogs.answer({false}); // OK
        QTest::mouseClick(control<QPushButton>(f.window(), "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Confirm), 1);
        QCOMPARE(f.dialogs.calls.last().message, u"次回より　[jiro] さんで起動します"_s);
        QCOMPARE(f.dialogs.calls.last().title, u"自動起動の設定"_s);
        QCOMPARE(f.folder.read(u"namae.dat"_s),
                 user(kBlank, "taro") + user(kJi, "jiro") + user(kBlank, "saburo"));
        QCOMPARE(f.state.diaryFile(), u"jiro.1999.dat"_s);
        QVERIFY(!f.window()->isVisible());
        QVERIFY(f.registry.find<PatincoMain>()->windowTitle().contains(u"jiro.1999.dat"_s));
    }

    void cancellingTheQuestionChangesNothing() {
        Fixture f;
        const QByteArray before = user(kBlank, "taro") + user(kBlank, "jiro");
        f.folder.write(u"namae.dat"_s, before);
        QVERIFY(!f.window()->Form_Load());
        control<QListWidget>(f.window(), "List1")->setCurrentRow(0);
        QTest::mouseClick(control<QCheckBox>(f.window(), "Check1"), Qt::LeftButton);
        QVERIFY(control<QCheckBox>(f.window(), "Check1")->isChecked());
        f.dialogs.answer({true}); // Cancel
        QTest::mouseClick(control<QPushButton>(f.window(), "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Confirm), 1);
        QCOMPARE(f.folder.read(u"namae.dat"_s), before);
        QVERIFY(f.window()->isVisible());
        QVERIFY(!f.registry.find<PatincoMain>());
        QVERIFY(!f.folder.exists(u"taro.1999.dat"_s));
    }

    void okWithoutCheckOpensWithoutTouchingMarks() {
        Fixture f;
        const QByteArray before = user(kBlank, "taro") + user(kBlank, "jiro");
        f.folder.write(u"namae.dat"_s, before);
        QVERIFY(!f.window()->Form_Load());
        control<QListWidget>(f.window(), "List1")->setCurrentRow(1);
        QTest::mouseClick(control<QPushButton>(f.window(), "Command1"), Qt::LeftButton);
        QVERIFY(f.dialogs.calls.isEmpty());
        QCOMPARE(f.folder.read(u"namae.dat"_s), before);
        QCOMPARE(f.state.diaryFile(), u"jiro.1999.dat"_s);
        QVERIFY(f.folder.exists(u"jiro.1999.dat"_s));
    }

    void uncheckingClearsTheMarkAtOnce() {
        Fixture f;
        f.folder.write(u"namae.dat"_s, user(kBlank, "taro") + user(kJi, "jiro"));
        QVERIFY(f.window()->Form_Load());
        f.window()->ShowFromMenu();
        QVERIFY(control<QCheckBox>(f.window(), "Check1")->isChecked());
        QCOMPARE(control<QListWidget>(f.window(), "List1")->currentRow(), 1);
        QTest::mouseClick(control<QCheckBox>(f.window(), "Check1"), Qt::LeftButton);
        QVERIFY(!control<QCheckBox>(f.window(), "Check1")->isChecked());
        // Only the marked record is rewritten.
        QCOMPARE(f.folder.read(u"namae.dat"_s), user(kBlank, "taro") + user(kBlank, "jiro"));
        QVERIFY(f.dialogs.calls.isEmpty());
    }

    void secondUserFromTheMenuSwitchesTheDiary() {
        Fixture f;
        f.folder.write(u"namae.dat"_s, user(kJi, "taro") + user(kBlank, "jiro"));
        QVERIFY(f.window()->Form_Load());
        PatincoMain *main = f.registry.find<PatincoMain>();
        QVERIFY(main->windowTitle().contains(u"taro.1999.dat"_s));
        f.window()->ShowFromMenu();
        QVERIFY(f.window()->isVisible());
        control<QListWidget>(f.window(), "List1")->setCurrentRow(1);
        QTest::mouseClick(control<QCheckBox>(f.window(), "Check1"),
                          Qt::LeftButton); // unchecks: the mark goes
        QTest::mouseClick(control<QPushButton>(f.window(), "Command1"), Qt::LeftButton);
        QCOMPARE(f.registry.find<PatincoMain>(), main); // the same main window, reloaded
        QVERIFY(main->windowTitle().contains(u"jiro.1999.dat"_s));
        QCOMPARE(f.folder.read(u"namae.dat"_s), user(kBlank, "taro") + user(kBlank, "jiro"));
    }

    void unsafeNameFromTheFileIsNotOpened() {
        Fixture f;
        f.folder.write(u"namae.dat"_s, user(kJi, "../evil"));
        QVERIFY(!f.window()->Form_Load());
        QVERIFY(f.window()->isVisible());
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 1);
        QCOMPARE(f.dialogs.calls.last().title, u"注意"_s);
        QVERIFY(!f.registry.find<PatincoMain>());
        QCOMPARE(f.folder.files(), QStringList{u"namae.dat"_s});
        QVERIFY(!QFile::exists(f.folder.path() + u"/../evil.1999.dat"_s));
    }

    void newUserIsTrimmedStoredAndListed() {
        Fixture f;
        f.folder.write(u"namae.dat"_s, user(kBlank, "jiro"));
        QVERIFY(!f.window()->Form_Load());
        QTest::mouseClick(control<QPushButton>(f.window(), "Command2"), Qt::LeftButton);
        NEWNAME *n = f.registry.find<NEWNAME>();
        QVERIFY(n && n->isVisible());
        QCOMPARE(n->windowTitle(), u"新規登録"_s);
        QCOMPARE(control<QPushButton>(n, "Command2")->text(), u"ｷｬﾝｾﾙ"_s);
        QTest::keyClicks(control<QLineEdit>(n, "Text1"), u" taro"_s);
        QTest::mouseClick(control<QPushButton>(n, "Command1"), Qt::LeftButton);
        QVERIFY(!n->isVisible());
        QVERIFY(f.dialogs.calls.isEmpty());
        QCOMPARE(f.folder.read(u"namae.dat"_s), user(kBlank, "jiro") + user("  ", "taro"));
        QCOMPARE(control<QListWidget>(f.window(), "List1")->count(), 2);
        QCOMPARE(control<QListWidget>(f.window(), "List1")->item(1)->text(), u"taro"_s + QString(14, u' '));

        // Hidden, not discarded: the last text is still there; the same name twice is allowed.
        QTest::mouseClick(control<QPushButton>(f.window(), "Command2"), Qt::LeftButton);
        QCOMPARE(control<QLineEdit>(n, "Text1")->text(), u" taro"_s);
        QTest::mouseClick(control<QPushButton>(n, "Command1"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"namae.dat"_s).size(), 60);
        QCOMPARE(control<QListWidget>(f.window(), "List1")->count(), 3);
    }

    void newUserNameCutTo18Bytes() {
        Fixture f;
        QVERIFY(!f.window()->Form_Load());
        QTest::mouseClick(control<QPushButton>(f.window(), "Command2"), Qt::LeftButton);
        NEWNAME *n = f.registry.find<NEWNAME>();
        QTest::keyClicks(control<QLineEdit>(n, "Text1"), u"abcdefghijklmnopqrst"_s);
        QTest::mouseClick(control<QPushButton>(n, "Command1"), Qt::LeftButton);
        QCOMPARE(f.folder.read(u"namae.dat"_s), QByteArray("  abcdefghijklmnopqr"));
        QCOMPARE(control<QListWidget>(f.window(), "List1")->item(0)->text(), u"abcdefghijklmnopqr"_s);
    }

    void blankNewUserWritesNothing() {
        Fixture f;
        QVERIFY(!f.window()->Form_Load());
        QTest::mouseClick(control<QPushButton>(f.window(), "Command2"), Qt::LeftButton);
        NEWNAME *n = f.registry.find<NEWNAME>();
        QTest::keyClicks(control<QLineEdit>(n, "Text1"), u"   "_s);
        QTest::mouseClick(control<QPushButton>(n, "Command1"), Qt::LeftButton);
        QVERIFY(!n->isVisible());
        QVERIFY(f.dialogs.calls.isEmpty());
        QCOMPARE(f.folder.read(u"namae.dat"_s).size(), 0);
        QCOMPARE(control<QListWidget>(f.window(), "List1")->count(), 0);
    }

    void refusedNewUserNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent") << u"../x"_s;
        QTest::newRow("slash") << u"a/b"_s;
        QTest::newRow("backslash") << u"a\\b"_s;
        QTest::newRow("colon") << u"c:x"_s;
        QTest::newRow("star") << u"a*"_s;
        QTest::newRow("question") << u"a?"_s;
        QTest::newRow("quote") << u"a\"b"_s;
        QTest::newRow("angle") << u"<a>"_s;
        QTest::newRow("pipe") << u"a|b"_s;
        QTest::newRow("control") << u"a\tb"_s;
        QTest::newRow("device") << u"CON"_s;
        QTest::newRow("emoji") << QString::fromUtf8("\xF0\x9F\x98\x80");
        QTest::newRow("not in code page") << u"é"_s;
    }

    void refusedNewUserNames() {
        QFETCH(QString, name);
        Fixture f;
        f.folder.write(u"namae.dat"_s, user(kBlank, "jiro"));
        QVERIFY(!f.window()->Form_Load());
        QTest::mouseClick(control<QPushButton>(f.window(), "Command2"), Qt::LeftButton);
        NEWNAME *n = f.registry.find<NEWNAME>();
        control<QLineEdit>(n, "Text1")->setText(name);
        QTest::mouseClick(control<QPushButton>(n, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 1);
        QCOMPARE(f.dialogs.calls.last().title, u"注意"_s);
        QVERIFY(!f.dialogs.calls.last().message.isEmpty());
        QVERIFY(n->isVisible()); // left open for a correction
        QCOMPARE(f.folder.read(u"namae.dat"_s), user(kBlank, "jiro"));
        QCOMPARE(control<QListWidget>(f.window(), "List1")->count(), 1);
    }

    void fullUserListRefusesTheNext() {
        Fixture f;
        QByteArray full;
        for (int i = 0; i < 254; ++i)
            full += user(kBlank, QByteArray::number(i));
        f.folder.write(u"namae.dat"_s, full);
        QVERIFY(!f.window()->Form_Load());
        QTest::mouseClick(control<QPushButton>(f.window(), "Command2"), Qt::LeftButton);
        NEWNAME *n = f.registry.find<NEWNAME>();
        control<QLineEdit>(n, "Text1")->setText(u"one-more"_s);
        QTest::mouseClick(control<QPushButton>(n, "Command1"), Qt::LeftButton);
        QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 1);
        QVERIFY(f.dialogs.calls.last().message.contains(u"254"_s));
        QCOMPARE(f.folder.read(u"namae.dat"_s), full);
        QCOMPARE(control<QListWidget>(f.window(), "List1")->count(), 254);
    }

    void endButtonUnloadsEverything() {
        Fixture f;
        f.folder.write(u"namae.dat"_s, user(kJi, "taro"));
        QVERIFY(f.window()->Form_Load());
        f.window()->ShowFromMenu();
        QTest::mouseClick(control<QPushButton>(f.window(), "Command2"), Qt::LeftButton);
        QPointer<PatincoMain> main = f.registry.find<PatincoMain>();
        QPointer<NEWNAME> n = f.registry.find<NEWNAME>();
        QTest::mouseClick(control<QPushButton>(f.window(), "Command3"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!main);
        QVERIFY(!n);
        QVERIFY(!f.registry.find<PATINKEST>());
    }
};

TAMA_GUI_TEST_MAIN(TstPatinkest)
#include "tst_patinkest.moc"
