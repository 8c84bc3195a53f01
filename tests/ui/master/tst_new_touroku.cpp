#include "cardscreen/patincomain.h"
#include "master/new_touroku.h"
#include "store/modellist.h"
#include "support/windowfixture.h"

#include <QComboBox>
#include <QRadioButton>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QString kStore = u"ＡＢＣホール"_s;

QString entry(const QString &model, int section) {
    return model + QString(30 - model.size(), u' ') + u' ' + QString::number(section);
}

} // namespace

class TstNewTouroku : public QObject {
    Q_OBJECT

    struct Fixture : WindowFixture {
        PatincoMain *main = loadCardScreen();

        // The card screen shows store, category and model; the window opens on them.
        New_touroku *open(const QString &store, const char *option, const QString &model) {
            control<QComboBox>(main, "Combo1")->setEditText(store);
            if (option) control<QRadioButton>(main, option)->setChecked(true);
            control<QComboBox>(main, "Combo2")->setEditText(model);
            New_touroku *w = registry.get<New_touroku>();
            w->show();
            return w;
        }
        QByteArray list() const { return folder.read(modelListFileName(kStore)); }
    };

  private slots:
    void showsCardAndStoreList();
    void okWritesTheSections();
    void sameSectionKeepsOrder();
    void cancelWritesNothing();
    void emptyStoreIsRefused();
    void noCategoryIsNotWritten();
};

void TstNewTouroku::showsCardAndStoreList() {
    Fixture f;
    f.folder.write(modelListFileName(kStore), QByteArray("# 2\r\n") + hex("82 60") + "\r\n# 3\r\n" +
                                                  hex("82 61 81 40") + "\r\n# 4\r\n# #\r\n");
    New_touroku *w = f.open(kStore + u"  "_s, "Option5", u"cr x"_s);
    QCOMPARE(w->windowTitle(), u"店データに登録"_s);
    QCOMPARE(control<QLabel>(w, "Label5")->text(), u"店データファイルに機種を登録します"_s);
    QCOMPARE(control<QPushButton>(w, "Command2")->text(), u"ｷｬﾝｾﾙ"_s);
    QCOMPARE(texts(control<QListWidget>(w, "List1")),
             QStringList{kStore + u"  "_s}); // as the card screen shows it
    // Full-width model, filler for the typed length, then the section code of ＣＲデジパチ.
    QCOMPARE(texts(control<QListWidget>(w, "List3")),
             QStringList{u"ｃｒ　ｘ"_s + QString(26, u' ') + u" 6"_s});
    QCOMPARE(texts(control<QListWidget>(w, "List2")),
             (QStringList{entry(u"Ａ"_s, 2), u"Ｂ　"_s + QString(28, u' ') + u" 3"_s}));
    QCOMPARE(f.dialogs.beeps, 1);
}

void TstNewTouroku::okWritesTheSections() {
    Fixture f;
    // The store has Ｙ under 羽物; Ｘ of デジパチ is registered.
    f.folder.write(modelListFileName(kStore),
                   QByteArray("# 2\r\n# 3\r\n") + hex("82 78") + "\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n");
    New_touroku *w = f.open(kStore, "Option2", u"X"_s);
    QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
    QCOMPARE(f.list(), QByteArray("# 2\r\n") + hex("82 77") + "\r\n# 3\r\n" + hex("82 78") +
                           "\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n");
    QVERIFY(!f.registry.find<New_touroku>());
    QCOMPARE(f.dialogs.calls.size(), 0);

    // A store without a list: the file is made at load, OK writes the five headers.
    Fixture g;
    w = g.open(kStore, "Option1", u"羽"_s);
    QCOMPARE(g.list(), QByteArray());
    QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
    QCOMPARE(g.list(), QByteArray("# 2\r\n# 3\r\n") + hex("89 48") + "\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n");
}

void TstNewTouroku::sameSectionKeepsOrder() {
    Fixture f;
    f.folder.write(modelListFileName(kStore),
                   QByteArray("# 2\r\nB\r\nA\r\n# 3\r\n# 4\r\nK\r\n# 5\r\n# 6\r\n# #\r\n"));
    New_touroku *w = f.open(kStore, "Option2", u"C"_s);
    QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
    // The lines read come back full-width; the new model last in its section.
    QCOMPARE(f.list(), QByteArray("# 2\r\n") + hex("82 61") + "\r\n" + hex("82 60") + "\r\n" + hex("82 62") +
                           "\r\n# 3\r\n# 4\r\n" + hex("82 6A") + "\r\n# 5\r\n# 6\r\n# #\r\n");
}

void TstNewTouroku::cancelWritesNothing() {
    Fixture f;
    const QByteArray before = QByteArray("# 2\r\nB\r\n# 3\r\n");
    f.folder.write(modelListFileName(kStore), before);
    New_touroku *w = f.open(kStore, "Option2", u"C"_s);
    QTest::mouseClick(control<QPushButton>(w, "Command2"), Qt::LeftButton);
    QCOMPARE(f.list(), before);
    QVERIFY(!f.registry.find<New_touroku>());
}

void TstNewTouroku::emptyStoreIsRefused() {
    Fixture f;
    New_touroku *w = f.open(u"   "_s, "Option2", u"C"_s);
    QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 1);
    QCOMPARE(f.dialogs.calls.last().message, u"店名が入力又は選択されていません。"_s);
    QCOMPARE(f.dialogs.calls.last().title, u"注意"_s);
    QCOMPARE(f.dialogs.beeps, 0);
    QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
    QCOMPARE(f.dialogs.count(RecordingDialogs::Call::Info), 2);
    QVERIFY(f.registry.find<New_touroku>()); // stays open
    QCOMPARE(f.folder.files(), QStringList{u"taro.1999.dat"_s});
}

void TstNewTouroku::noCategoryIsNotWritten() {
    Fixture f;
    New_touroku *w = f.open(kStore, nullptr, u"C"_s);
    QCOMPARE(texts(control<QListWidget>(w, "List3")), QStringList{u"Ｃ"_s + QString(29, u' ') + u" 0"_s});
    QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
    QCOMPARE(f.list(), QByteArray("# 2\r\n# 3\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n"));
}

TAMA_GUI_TEST_MAIN(TstNewTouroku)
#include "tst_new_touroku.moc"
