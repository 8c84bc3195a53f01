#include "master/backupwindow.h"
#include "store/backup.h"
#include "store/importwriter.h"
#include "store/storefile.h"
#include "support/windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QStandardPaths>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QString kDiary = u"taro.1999.dat"_s;

CardValues card(const QString &date, const QString &start = u"1000"_s, const QString &store = u"ＡＢＣ"_s) {
    CardValues c = CardValues::blank();
    c.date = date;
    c.start = start;
    c.end = u"1800"_s;
    c.store = store;
    c.investment = u"0100"_s;
    c.cashOut = u"0050"_s;
    return c;
}

// The row's middle, where a person clicks it.
void clickRow(QTreeWidget *tree, QTreeWidgetItem *item) {
    const QRect r = tree->visualItemRect(item);
    QVERIFY(r.isValid());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
}

QTreeWidgetItem *rowNamed(QTreeWidget *tree, const QString &text) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == text) return tree->topLevelItem(i);
    return nullptr;
}

// A key as the focused control of the active window receives it.
void keyInWindow(QWidget *w, Qt::Key k, Qt::KeyboardModifiers mods) {
    w->activateWindow();
    QApplication::setActiveWindow(w);
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w, k, mods);
}

// Automatic snapshots on for the fixture's folder while the test runs, as main() sets them.
struct AutomaticOn {
    explicit AutomaticOn(const WindowFixture &f, backup::Settings s = backup::Settings()) {
        backup::setAutomatic(f.state.folder, s);
    }
    ~AutomaticOn() { backup::clearAutomatic(); }
    backup::DailySnapshot daily;
    writehook::Registration beforeWrite{daily};
};

} // namespace

class TstBackupWindow : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        // The settings page writes the user's settings: a test's own, never the real ones.
        QStandardPaths::setTestModeEnabled(true);
    }

    void organiseThenUndoGivesTheOldDiaryByteForByte() {
        WindowFixture f;
        const AutomaticOn on(f);
        const QList<CardValues> cards = {card(u"19990310"_s), card(u"R9990301"_s), card(u"19990305"_s)};
        f.folder.write(kDiary, diaryBytes(cards));
        const QByteArray before = f.folder.read(kDiary);
        PatincoMain *w = f.openCardScreen();
        QAction *undo = w->findChild<QAction *>(u"undoOrganise"_s);
        QVERIFY(undo);
        QVERIFY(!undo->isEnabled()); // nothing organised yet

        f.dialogs.answer({false});
        w->findChild<QAction *>(u"filesort"_s)->trigger();
        QCOMPARE(f.folder.read(kDiary), diaryBytes({cards[2], cards[0]}));
        QVERIFY(undo->isEnabled());
        const QList<backup::Snapshot> taken = backup::Backups(f.state.folder).list();
        QCOMPARE(taken.size(), 2); // the day's first write, then the one before organising
        QCOMPARE(taken.last().reason, backup::Reason::Organise);
        QCOMPARE(taken.last().detail, kDiary);

        // Cancelled: nothing happens.
        f.dialogs.answer({true});
        undo->trigger();
        QCOMPARE(f.folder.read(kDiary), diaryBytes({cards[2], cards[0]}));

        f.dialogs.answer({false});
        undo->trigger();
        QVERIFY2(f.dialogs.lastMessage().contains(u"3 枚"_s), qPrintable(f.dialogs.lastMessage()));
        QCOMPARE(f.folder.read(kDiary), before);
        QVERIFY(!undo->isEnabled());
        QCOMPARE(w->findChild<QScrollBar *>(u"HScroll1"_s)->maximum(), 4);
        QCOMPARE(control<QLabel>(w, "Label19")->text(), u"4"_s);
        // The organised diary went into a snapshot of its own: the undo can be undone.
        const backup::Snapshot last = backup::Backups(f.state.folder).list().last();
        QCOMPARE(last.reason, backup::Reason::Restore);
        QCOMPARE(last.file(kDiary)->records, 2);
    }

    void withoutAutomaticSnapshotsOrganiseHasNoUndo() {
        WindowFixture f;
        backup::Settings off;
        off.automatic = false;
        const AutomaticOn on(f, off);
        f.folder.write(kDiary, diaryBytes({card(u"19990310"_s), card(u"R9990301"_s)}));
        PatincoMain *w = f.openCardScreen();
        f.dialogs.answer({false});
        w->findChild<QAction *>(u"filesort"_s)->trigger();
        QCOMPARE(f.folder.read(kDiary), diaryBytes({card(u"19990310"_s)}));
        QVERIFY(!w->findChild<QAction *>(u"undoOrganise"_s)->isEnabled());
        QVERIFY(!f.folder.exists(backup::Backups::folderName()));
    }

    void organiseIsRefusedWhenItsSnapshotCannotBeTaken() {
        WindowFixture f;
        const AutomaticOn on(f);
        const QByteArray diary = diaryBytes({card(u"19990310"_s), card(u"R9990301"_s)});
        f.folder.write(kDiary, diary);
        f.folder.write(backup::Backups::folderName(), "a file where the snapshots go");
        PatincoMain *w = f.openCardScreen();
        f.dialogs.answer({false});
        w->findChild<QAction *>(u"filesort"_s)->trigger();
        QCOMPARE(f.dialogs.calls.last().title, u"注意"_s); // what the folder holds stops it, not a fault
        QVERIFY2(f.dialogs.lastMessage().contains(
                     u"バックアップを取れないため、日記ファイルの整理を取りやめました"_s),
                 qPrintable(f.dialogs.lastMessage()));
        QCOMPARE(f.folder.read(kDiary), diary);
        QVERIFY(!w->findChild<QAction *>(u"undoOrganise"_s)->isEnabled());
    }

    void ctrlBOpensTheWindowAndEscapeClosesIt() {
        WindowFixture f;
        f.folder.write(kDiary, diaryBytes({card(u"19990310"_s)}));
        PatincoMain *w = f.openCardScreen();
        keyInWindow(w, Qt::Key_B, Qt::ControlModifier);
        BackupWindow *b = f.registry.find<BackupWindow>();
        QVERIFY(b);
        QVERIFY(QTest::qWaitForWindowExposed(b));
        QCOMPARE(b->windowTitle(), u"バックアップと復元"_s);
        QCOMPARE(control<QTreeWidget>(b, "Snapshots")->topLevelItemCount(), 0);
        QVERIFY(!control<QPushButton>(b, "RestoreAll")->isEnabled()); // nothing to restore from
        keyInWindow(b, Qt::Key_Escape, {});
        QVERIFY(!f.registry.find<BackupWindow>());
    }

    void restoreOneFileChosenWithTheMouse() {
        WindowFixture f;
        f.state.open(u"taro"_s, 1999);
        f.folder.write(kDiary, diaryBytes({card(u"19990310"_s)}));
        const QByteArray stores = "\x82\x60\x82\x60" + QByteArray(16, ' ') + QByteArray(70, '0');
        f.folder.write(u"patishop.dat"_s, stores);
        BackupWindow *b = f.open<BackupWindow>();
        QTest::mouseClick(control<QPushButton>(b, "TakeNow"), Qt::LeftButton);
        QCOMPARE(control<QTreeWidget>(b, "Snapshots")->topLevelItemCount(), 1);
        QVERIFY(control<QTreeWidget>(b, "Snapshots")->topLevelItem(0)->text(2).contains(u"店 1"_s));

        f.folder.write(u"patishop.dat"_s, QByteArray()); // every store deleted
        f.folder.write(kDiary, diaryBytes({card(u"19990310"_s), card(u"19990311"_s)}));
        clickRow(control<QTreeWidget>(b, "Snapshots"), control<QTreeWidget>(b, "Snapshots")->topLevelItem(0));
        QTreeWidgetItem *storesRow = rowNamed(control<QTreeWidget>(b, "Files"), u"patishop.dat"_s);
        QVERIFY(storesRow);
        QCOMPARE(storesRow->text(2), u"1 店"_s);
        clickRow(control<QTreeWidget>(b, "Files"), storesRow);
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(b, "RestoreFile"), Qt::LeftButton);
        QVERIFY(
            f.dialogs.calls.at(f.dialogs.calls.size() - 2).message.contains(u"戻すファイル: patishop.dat"_s));
        QCOMPARE(f.folder.read(u"patishop.dat"_s), stores);
        // Only the file chosen: the diary keeps its new card.
        QCOMPARE(f.folder.read(kDiary), diaryBytes({card(u"19990310"_s), card(u"19990311"_s)}));
        QCOMPARE(control<QTreeWidget>(b, "Snapshots")->topLevelItemCount(), 2);
        QVERIFY(control<QTreeWidget>(b, "Snapshots")->topLevelItem(0)->text(1).startsWith(u"復元の前"_s));
    }

    // A model list's file name is cut from its hall's name; the window says whose it is,
    // from the halls the snapshot held, even when they are gone from the folder since.
    void modelListsAreNamedByTheirHall() {
        WindowFixture f;
        auto store = [](const QByteArray &name) {
            return name + QByteArray(20 - name.size(), ' ') + QByteArray(60, '0');
        };
        const QByteArray parlour = "\x83\x70\x81\x5B\x83\x89\x81\x5B\x91\xE5\x98\x61"; // パーラー大和
        f.folder.write(u"patishop.dat"_s, store(parlour) + store("\x82\x60\x82\x61\x82\x62")); // ＡＢＣ
        const QByteArray list = "# 2\r\n# 3\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n";
        f.folder.write(u"パー大和ラー大和"_s, list);
        f.folder.write(u"ＡＢＢＣＡＢＣ"_s, list);
        BackupWindow *b = f.open<BackupWindow>();
        QTest::mouseClick(control<QPushButton>(b, "TakeNow"), Qt::LeftButton);
        f.folder.write(u"patishop.dat"_s, QByteArray()); // every hall deleted since

        clickRow(control<QTreeWidget>(b, "Snapshots"), control<QTreeWidget>(b, "Snapshots")->topLevelItem(0));
        auto kindOf = [b](const QString &file) {
            QTreeWidgetItem *row = rowNamed(control<QTreeWidget>(b, "Files"), file);
            return row ? row->text(1) : u"(no row)"_s;
        };
        QCOMPARE(kindOf(u"パー大和ラー大和"_s), u"「パーラー大和」の機種一覧"_s);
        QCOMPARE(kindOf(u"ＡＢＢＣＡＢＣ"_s), u"「ＡＢＣ」の機種一覧"_s);
        QCOMPARE(kindOf(u"patishop.dat"_s), u"店データ"_s);
    }

    void restoreTheDiaryRefreshesTheCardScreen() {
        WindowFixture f;
        f.folder.write(kDiary, diaryBytes({card(u"19990310"_s), card(u"19990311"_s)}));
        backup::Backups(f.state.folder).take(backup::Reason::Manual);
        f.folder.write(kDiary, diaryBytes({card(u"19990310"_s), card(u"19990311"_s), card(u"19990312"_s)}));
        f.folder.write(u"hanako.1999.dat"_s, diaryBytes({card(u"19990301"_s)}));
        PatincoMain *w = f.openCardScreen();
        QCOMPARE(control<QLabel>(w, "Label19")->text(), u"4"_s);

        keyInWindow(w, Qt::Key_B, Qt::ControlModifier);
        BackupWindow *b = f.registry.find<BackupWindow>();
        QVERIFY(control<QPushButton>(b, "RestoreDiary")->isEnabled());
        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(b, "RestoreDiary"), Qt::LeftButton);
        QCOMPARE(f.folder.read(kDiary), diaryBytes({card(u"19990310"_s), card(u"19990311"_s)}));
        QVERIFY(f.folder.exists(u"hanako.1999.dat"_s)); // one diary, not everything
        QCOMPARE(control<QLabel>(w, "Label19")->text(), u"3"_s);
        QCOMPARE(f.dialogs.calls.last().title, u"復元"_s);

        // Everything: the diary made after the snapshot goes, and the undo brings it back.
        f.dialogs.answer({false});
        clickRow(control<QTreeWidget>(b, "Snapshots"),
                 control<QTreeWidget>(b, "Snapshots")
                     ->topLevelItem(control<QTreeWidget>(b, "Snapshots")->topLevelItemCount() - 1));
        QTest::mouseClick(control<QPushButton>(b, "RestoreAll"), Qt::LeftButton);
        QVERIFY(f.dialogs.calls.at(f.dialogs.calls.size() - 2)
                    .message.contains(u"消すファイル: hanako.1999.dat"_s));
        QVERIFY(!f.folder.exists(u"hanako.1999.dat"_s));
        const backup::Snapshot undo = backup::Backups(f.state.folder).list().last();
        backup::Backups(f.state.folder).restore(undo);
        QCOMPARE(f.folder.read(u"hanako.1999.dat"_s), diaryBytes({card(u"19990301"_s)}));
    }

    void mergeTheConflictCopyOfTheOpenDiary() {
        WindowFixture f;
        const QList<CardValues> ours = {card(u"19990301"_s), card(u"19990305"_s), card(u"19990310"_s)};
        f.folder.write(kDiary, diaryBytes(ours));
        CardValues edited = ours[0];
        edited.cashOut = u"0300"_s;
        CardValues marked = ours[2];
        marked.date = u"R9990310"_s;
        const QString copyName = u"taro.1999.sync-conflict-19990314-220000-ABCDEFG.dat"_s;
        f.folder.write(copyName, diaryBytes({ours[0], ours[1], marked, card(u"19990312"_s), edited}));
        f.folder.write(u"hanako (conflicted copy 1999-03-14).dat"_s, QByteArray()); // not of this diary
        PatincoMain *w = f.openCardScreen();
        keyInWindow(w, Qt::Key_B, Qt::ControlModifier);
        BackupWindow *b = f.registry.find<BackupWindow>();
        QCOMPARE(control<QComboBox>(b, "MergeFrom")->count(), 2);
        QCOMPARE(control<QComboBox>(b, "MergeFrom")->itemText(0), copyName);

        f.dialogs.answer({true});
        QTest::mouseClick(control<QPushButton>(b, "MergeButton"), Qt::LeftButton);
        const QString question = f.dialogs.lastMessage();
        QVERIFY2(question.contains(u"日記に加えるカード: 2 枚（4 枚目から）"_s), qPrintable(question));
        QVERIFY(question.contains(u"削除の印を引き継ぐカード: 1 枚"_s));
        QVERIFY(question.contains(u"1 枚目と 5 枚目: 1999/03/01 10:00 ＡＢＣ"_s));
        QCOMPARE(f.folder.read(kDiary), diaryBytes(ours)); // cancelled

        f.dialogs.answer({false});
        QTest::mouseClick(control<QPushButton>(b, "MergeButton"), Qt::LeftButton);
        QCOMPARE(f.folder.read(kDiary), diaryBytes({ours[0], ours[1], marked, card(u"19990312"_s), edited}));
        QVERIFY(f.dialogs.lastMessage().contains(u"3 枚 → 5 枚"_s));
        QCOMPARE(control<QLabel>(w, "Label19")->text(), u"6"_s);
        const backup::Snapshot before = backup::Backups(f.state.folder).list().last();
        QCOMPARE(before.reason, backup::Reason::Merge);
        QCOMPARE(before.file(kDiary)->records, 3);
    }

    // The newest import is marked and undone from its snapshot: the diary it added to cut
    // back, the diary and the hall file it made gone. A file changed since is named first.
    void undoTheLastImport() {
        WindowFixture f;
        f.folder.write(kDiary, diaryBytes({card(u"19990301"_s)}));
        const QMap<QString, QByteArray> before = {{kDiary, f.folder.read(kDiary)}};
        ImportBatch batch;
        batch.source = u"imp.csv"_s;
        batch.diaries = {{kDiary, {cardBytes(card(u"19990302"_s))}, {}},
                         {u"taro.1998.dat"_s, {cardBytes(card(u"19981231"_s))}, {}}};
        batch.stores = {u"ＤＥＦ"_s};
        applyImport(f.state.folder, batch);
        BackupWindow *b = f.open<BackupWindow>();
        QTreeWidget *list = control<QTreeWidget>(b, "Snapshots");
        QCOMPARE(list->topLevelItem(0)->text(1), u"◆ 取り込みの前（imp.csv から 2 枚）"_s);
        QVERIFY(control<QPushButton>(b, "UndoImport")->isEnabled());

        // A card added since: the second question names the diary; cancelled, nothing changes.
        const QByteArray changed =
            diaryBytes({card(u"19990301"_s), card(u"19990302"_s), card(u"19990303"_s)});
        f.folder.write(kDiary, changed);
        f.dialogs.answer({false, true});
        QTest::mouseClick(control<QPushButton>(b, "UndoImport"), Qt::LeftButton);
        QVERIFY2(
            f.dialogs.calls.at(f.dialogs.calls.size() - 2).message.contains(u"消すファイル: taro.1998.dat"_s),
            qPrintable(f.dialogs.calls.at(f.dialogs.calls.size() - 2).message));
        QVERIFY2(f.dialogs.lastMessage().contains(u"変わっています"_s) &&
                     f.dialogs.lastMessage().contains(kDiary),
                 qPrintable(f.dialogs.lastMessage()));
        QCOMPARE(f.folder.read(kDiary), changed);

        f.dialogs.answer({false, false});
        control<QPushButton>(b, "UndoImport")->setFocus();
        keyInWindow(b, Qt::Key_Space, Qt::NoModifier);
        QCOMPARE(f.folder.read(kDiary), before[kDiary]);
        QVERIFY(!f.folder.exists(u"taro.1998.dat"_s));
        QVERIFY(!f.folder.exists(StoreFile::fileName()));
        QCOMPARE(f.dialogs.calls.last().title, u"取り込みを元に戻す"_s);
        // Undone once; the state before the undo is a snapshot of its own.
        QVERIFY(!control<QPushButton>(b, "UndoImport")->isEnabled());
        const QList<backup::Snapshot> all = backup::Backups(f.state.folder).list();
        const auto undo = std::find_if(all.cbegin(), all.cend(), [&](const backup::Snapshot &s) {
            return s.detail == undoImportDetail(all.first().id);
        });
        QVERIFY(undo != all.cend());
        QCOMPARE(test::readFile(undo->filePath(kDiary)), changed);
        QVERIFY(undo->file(u"taro.1998.dat"_s));
    }

    void mergeOfAnotherYearIsRefused() {
        WindowFixture f;
        f.folder.write(kDiary, diaryBytes({card(u"19990301"_s)}));
        f.folder.write(u"taro.1999~conflict.dat"_s, diaryBytes({card(u"19980301"_s)}));
        f.openCardScreen();
        BackupWindow *b = f.open<BackupWindow>();
        QCOMPARE(control<QComboBox>(b, "MergeFrom")->itemText(0), u"taro.1999~conflict.dat"_s);
        QTest::mouseClick(control<QPushButton>(b, "MergeButton"), Qt::LeftButton);
        QCOMPARE(f.dialogs.calls.last().kind, RecordingDialogs::Call::Info);
        QVERIFY2(f.dialogs.lastMessage().contains(u"1999 年のものではありません"_s),
                 qPrintable(f.dialogs.lastMessage()));
        QCOMPARE(f.folder.read(kDiary), diaryBytes({card(u"19990301"_s)}));
        QVERIFY(!f.folder.exists(backup::Backups::folderName()));
    }

    void settingsAreSavedAndTakeEffect() {
        WindowFixture f;
        const AutomaticOn on(f);
        BackupWindow *b = f.open<BackupWindow>();
        QCOMPARE(control<QSpinBox>(b, "KeepOperations")->value(), 20);
        QCOMPARE(control<QSpinBox>(b, "KeepDaily")->value(), 30);
        QCOMPARE(control<QSpinBox>(b, "KeepMonthly")->value(), 12);
        control<QTabWidget>(b, "Tabs")->setCurrentIndex(1);
        control<QSpinBox>(b, "KeepOperations")->setFocus();
        control<QSpinBox>(b, "KeepOperations")->selectAll();
        QTest::keyClick(control<QSpinBox>(b, "KeepOperations"), Qt::Key_5);
        QTest::mouseClick(control<QCheckBox>(b, "Automatic"), Qt::LeftButton, {},
                          QPoint(6, control<QCheckBox>(b, "Automatic")->height() / 2));
        QVERIFY(!control<QCheckBox>(b, "Automatic")->isChecked());
        QTest::mouseClick(control<QPushButton>(b, "SaveSettings"), Qt::LeftButton);
        QCOMPARE(backup::Settings::load().keepOperations, 5);
        QVERIFY(!backup::Settings::load().automatic);
        QCOMPARE(backup::automaticSettings()->keepOperations, 5);
        QVERIFY(!backup::automaticSettings()->automatic);

        QTest::mouseClick(control<QPushButton>(b, "DefaultSettings"), Qt::LeftButton);
        QCOMPARE(control<QSpinBox>(b, "KeepOperations")->value(), 20);
        QVERIFY(control<QCheckBox>(b, "Automatic")->isChecked());
        QTest::mouseClick(control<QPushButton>(b, "SaveSettings"), Qt::LeftButton);
        QCOMPARE(backup::Settings::load().keepOperations, 20);
    }

    void startUpNoticeNamesEveryCopy() {
        const QString text = BackupWindow::conflictNotice(
            {*conflictCopyOf(u"taro.1999.sync-conflict-19990314-220000-ABCDEFG.dat"_s),
             *conflictCopyOf(u"patishop (conflicted copy 1999-03-14).dat"_s)});
        QVERIFY(text.contains(
            u"taro.1999.sync-conflict-19990314-220000-ABCDEFG.dat\n　→ 「taro.1999.dat」のコピー（Syncthing）"_s));
        QVERIFY(text.contains(u"「patishop.dat」のコピー（Dropbox / Nextcloud）"_s));
        QVERIFY(text.contains(u"Ctrl+B"_s));
    }
};

TAMA_GUI_TEST_MAIN(TstBackupWindow)
#include "tst_backupwindow.moc"
