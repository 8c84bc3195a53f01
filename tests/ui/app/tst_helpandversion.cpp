#include "app/resources.h"
#include "cardscreen/helpwindow.h"
#include "cardscreen/patincomain.h"
#include "cardscreen/ver.h"
#include "support/windowfixture.h"

#include <QApplication>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

class TstHelpAndVersion : public QObject {
    Q_OBJECT

    QStringList topicTitles(HelpWindow *w) {
        QStringList out;
        const QListWidget *topics = control<QListWidget>(w, "topics");
        for (int i = 0; i < topics->count(); ++i)
            out << topics->item(i)->text();
        return out;
    }

  private slots:
    void initTestCase() { initResources(); }

    void versionWindowShowsAndGoesBack() {
        WindowFixture f;
        WindowRegistry &registry = f.registry;
        ver *v = registry.get<ver>();
        v->show();
        QCOMPARE(v->windowTitle(), u"バージョン情報"_s);
        QCOMPARE(control<QLabel>(v, "Label1")->text(), u"タマノート君  Ver2.0"_s);
        QVERIFY(control<QLabel>(v, "Label2")->text().startsWith(u"1998/12/22  　"_s));
        QVERIFY(control<QLabel>(v, "Label2")->text().size() > 13); // a credit name follows
        QVERIFY(!control<QLabel>(v, "Image1")->pixmap().isNull());
        QPointer<ver> gone = v;
        QTest::mouseClick(control<QPushButton>(v, "Command1"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gone);
        QVERIFY(!registry.find<ver>());
        QVERIFY(registry.get<ver>() != nullptr); // a new one next time
    }

    void helpOpensAtTheContents() {
        WindowFixture f;
        WindowRegistry &registry = f.registry;
        HelpWindow *h = registry.get<HelpWindow>();
        h->showContents();
        QVERIFY(h->isVisible());
        QCOMPARE(control<QTextBrowser>(h, "page")->documentTitle(), u"目次"_s);
        QVERIFY(control<QTextBrowser>(h, "page")->toPlainText().contains(u"カード画面の見方"_s));
        // The contents link every page the search can find.
        const QStringList all = topicTitles(h);
        QCOMPARE(all.first(), u"目次"_s);
        QCOMPARE(all.size(), 22);
        for (const QString &t : all.mid(1))
            QVERIFY2(control<QTextBrowser>(h, "page")->toPlainText().contains(t), qPrintable(t));
    }

    void keywordSearchWithAnEmptyKeyListsEverything() {
        WindowFixture f;
        WindowRegistry &registry = f.registry;
        HelpWindow *h = registry.get<HelpWindow>();
        h->showSearch(QString());
        QCOMPARE(control<QLineEdit>(h, "keyword")->text(), QString());
        QCOMPARE(control<QListWidget>(h, "topics")->count(), 22);

        QTest::keyClicks(control<QLineEdit>(h, "keyword"), u"csv"_s);
        // The analysis window exports CSV too.
        QCOMPARE(topicTitles(h),
                 (QStringList{u"分析"_s, u"コマンドラインツール"_s, u"取り込みと書き出し"_s}));
        control<QLineEdit>(h, "keyword")->clear();
        QCOMPARE(control<QListWidget>(h, "topics")->count(), 22);

        h->showSearch(u"削除候補"_s);
        const QStringList found = topicTitles(h);
        QVERIFY(found.contains(u"カードの削除と日記ファイルの整理"_s));
        QVERIFY(!found.contains(u"グラフ表示"_s));
        QListWidget *topics = control<QListWidget>(h, "topics");
        QTest::mouseClick(
            topics->viewport(), Qt::LeftButton, {},
            topics->visualItemRect(topics->item(found.indexOf(u"カードの削除と日記ファイルの整理"_s)))
                .center());
        QCOMPARE(control<QTextBrowser>(h, "page")->documentTitle(), u"カードの削除と日記ファイルの整理"_s);
    }

    void menuItemsOfTheMainWindowOpenThem() {
        WindowFixture f(QDateTime(QDate(1999, 1, 23), QTime(14, 5)));
        WindowRegistry &registry = f.registry;
        PatincoMain *main = registry.get<PatincoMain>();
        main->show();
        f.state.open(u"taro"_s, 1999);
        auto action = [main](const char *name) {
            return main->findChild<QAction *>(QString::fromLatin1(name));
        };
        for (const char *name : {"helpn", "topic", "DispVer"})
            QVERIFY2(action(name) && action(name)->isEnabled(), name);

        action("DispVer")->trigger();
        ver *v = registry.find<ver>();
        QVERIFY(v && v->isVisible());
        QTest::mouseClick(control<QPushButton>(v, "Command1"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!registry.find<ver>());
        QVERIFY(main->isVisible());
        QCOMPARE(main->windowTitle(), u"タマノート Ver2.0  [ taro.1999.dat ]"_s);

        action("helpn")->trigger();
        HelpWindow *h = registry.find<HelpWindow>();
        QVERIFY(h && h->isVisible());
        QCOMPARE(control<QTextBrowser>(h, "page")->documentTitle(), u"目次"_s);
        control<QLineEdit>(h, "keyword")->setText(u"グラフ"_s);
        action("topic")->trigger();
        QCOMPARE(control<QLineEdit>(h, "keyword")->text(), QString()); // the search opens with an empty key
        QCOMPARE(control<QListWidget>(h, "topics")->count(), 22);
        QVERIFY(f.dialogs.calls.isEmpty());
    }
};

TAMA_GUI_TEST_MAIN(TstHelpAndVersion)
#include "tst_helpandversion.moc"
