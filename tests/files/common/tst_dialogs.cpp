#include "common/dialogs.h"
#include "support/recordingdialogs.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::RecordingDialogs;

class TestDialogs : public QObject {
    Q_OBJECT

  private slots:
    void routesToInstalled();
    void withoutDialogsQuestionsCancel();
};

void TestDialogs::routesToInstalled() {
    RecordingDialogs d;
    d.answer({false, true});
    InfoBox(u"店名が選択または入力されていません。"_s, u"注意"_s);
    QCOMPARE(ConfirmCancelled(u"[店] を削除しますか"_s, u"お知らせ"_s), false);
    QCOMPARE(ConfirmCancelled(u"[店] を削除しますか"_s, u"お知らせ"_s), true);
    ErrorBox(u"書き込めません"_s);
    Beep();

    QCOMPARE(d.calls.size(), 4);
    QCOMPARE(d.count(RecordingDialogs::Call::Info), 1);
    QCOMPARE(d.calls[0].title, u"注意"_s);
    QCOMPARE(d.count(RecordingDialogs::Call::Confirm), 2);
    QCOMPARE(d.calls[3].kind, RecordingDialogs::Call::Error);
    QCOMPARE(d.calls[3].title, u"エラー"_s);
    QCOMPARE(d.beeps, 1);
    QCOMPARE(d.unscripted, 0);
}

// Before the program installs its message boxes, a question must never be taken as OK.
void TestDialogs::withoutDialogsQuestionsCancel() {
    setDialogs(nullptr);
    QVERIFY(ConfirmCancelled(u"削除しますか"_s, u"お知らせ"_s));
    {
        RecordingDialogs d;
        QVERIFY(&dialogs() == &d);
    }
    QVERIFY(ConfirmCancelled(u"削除しますか"_s, u"お知らせ"_s)); // the double uninstalled itself
}

TAMA_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
