// A full disk and a read-only data folder, met through the windows: every writing
// action shows the reason in an error box, claims nothing it did not do, and leaves
// every file as it was. Needs root for the small file system; skipped otherwise.
#include "../../files/store/tmpfsmount.h"
#include "app/datafolderopening.h"
#include "cardscreen/patincomain.h"
#include "common/clock.h"
#include "master/backupwindow.h"
#include "master/kdata.h"
#include "master/mdata.h"
#include "master/new_touroku.h"
#include "startup/newname.h"
#include "startup/patinkest.h"
#include "store/journal.h"
#include "store/writehook.h"
#include "support/windowfixture.h"
#include "views/dispreport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QByteArray kAbc = hex("8260 8261 8262");        // ＡＢＣ
const QByteArray kDream = hex("8368 838A 815B 8380"); // ドリーム
const QString kDiary = u"taro.1999.dat"_s;
const QString kAbcList = u"ＡＢＢＣＡＢＣ"_s; // the model list of ＡＢＣ
const QString kFiller = u"filler"_s;

const QString kFull = u"ディスクの空き容量が足りません"_s;
const QString kReadOnly = u"読み取り専用の場所です"_s;

QByteArray padded(QByteArray b, int n) {
    return b + QByteArray(n - int(b.size()), ' ');
}

// Card i of the diary: 23 Jan 1999 (土) 9:30–14:05 at ＡＢＣ, ドリーム (デジパチ).
QByteArray card(int i, const QString &cashOut = u"0000"_s) {
    return cardBytes({.date = u"19990123土"_s,
                      .start = u" 930"_s,
                      .end = u"1405"_s,
                      .store = u"ＡＢＣ"_s,
                      .category = u"2"_s,
                      .model = u"ドリーム"_s,
                      .investment = digits4(100 + i),
                      .cashOut = cashOut,
                      .impression = u"card "_s + QString::number(i)});
}

// Each file fills all but a few bytes of one page of the file system, so that adding a
// record needs a page that a full disk no longer has, while a record changed in place
// needs none.
QMap<QString, QByteArray> sampleFiles() {
    QByteArray users = padded("  taro", 20), diary, stores = padded(kAbc, 80), models = padded(kDream, 160);
    for (int i = 2; i <= 204; ++i)
        users += padded("  user" + QByteArray::number(i), 20);
    for (int i = 1; i <= 17; ++i)
        diary += card(i);
    for (int i = 2; i <= 51; ++i)
        stores += padded(hex("8260 8261") + QByteArray::number(i), 80);
    for (int i = 2; i <= 25; ++i)
        models += padded(hex("8277") + QByteArray::number(i), 160);
    return {{u"namae.dat"_s, users},
            {kDiary, diary},
            {u"patishop.dat"_s, stores},
            {u"DEGIpati.dat"_s, models},
            {kAbcList, "# 2\r\n" + kDream + "\r\n# 3\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n"}};
}

QMap<QString, QByteArray> snapshot(const TempFolder &folder) {
    QMap<QString, QByteArray> files;
    for (const QString &name : folder.files())
        files.insert(name, folder.read(name));
    return files;
}

// The first difference between the folder and what it held before, or nothing.
QString changes(const TempFolder &folder, const QMap<QString, QByteArray> &before) {
    const QMap<QString, QByteArray> now = snapshot(folder);
    if (now.keys() != before.keys()) return u"files now: "_s + now.keys().join(u", "_s);
    for (auto it = before.begin(); it != before.end(); ++it)
        if (now.value(it.key()) != it.value()) return it.key() + u" changed"_s;
    return {};
}

// Empty when the only message shown was one error box with exactly this text; questions
// asked on the way do not count.
QString notOnlyError(const RecordingDialogs &d, const QString &expected) {
    QStringList shown;
    int errors = 0;
    bool match = false;
    for (const RecordingDialogs::Call &c : d.calls) {
        if (c.kind == RecordingDialogs::Call::Confirm) continue;
        shown << (c.kind == RecordingDialogs::Call::Error ? u"error"_s : u"info"_s) + u" ["_s + c.title +
                     u"] "_s + c.message;
        if (c.kind == RecordingDialogs::Call::Error) {
            ++errors;
            match = c.title == u"エラー"_s && c.message == expected;
        }
    }
    if (shown.size() == 1 && errors == 1 && match) return {};
    return u"expected only the error 「"_s + expected + u"」, shown: "_s + shown.join(u" | "_s);
}

QString fileError(const QString &file, const QString &action, const QString &why) {
    return u"「"_s + file + u"」: "_s + action + u"できませんでした（"_s + why + u"）"_s;
}

} // namespace

// Checks that the action showed exactly one error with this text and changed no file.
#define EXPECT_REFUSED(f, what, expected)                                                                    \
    do {                                                                                                     \
        const QString problem = notOnlyError(f.dialogs, expected);                                           \
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral(what) + u": "_s + problem));                   \
        const QString changed = changes(f.folder, f.before);                                                 \
        QVERIFY2(changed.isEmpty(), qPrintable(QStringLiteral(what) + u": "_s + changed));                   \
        f.dialogs.clear();                                                                                   \
    } while (false)

class TstWindowFailures : public QObject {
    Q_OBJECT

    struct Fixture {
        TempFolder folder;
        TmpfsMount mount{folder.path(), 64};
        FixedClock clock{QDateTime(QDate(1999, 3, 15), QTime(21, 0))};
        RecordingDialogs dialogs;
        DiaryState state{folder.path()};
        WindowRegistry registry{state};
        QMap<QString, QByteArray> before;

        // The program reserves the journal's space when it takes the folder, before any disk fills.
        Fixture() {
            setClock(&clock);
            journal::reserve(folder.path());
        }
        ~Fixture() { setClock(nullptr); }

        void seed() {
            const QMap<QString, QByteArray> files = sampleFiles();
            for (auto it = files.begin(); it != files.end(); ++it)
                folder.write(it.key(), it.value());
        }
        bool fill() {
            const bool full = mount.fill(folder.file(kFiller));
            before = snapshot(folder);
            return full;
        }
        bool makeReadOnly() {
            before = snapshot(folder);
            return mount.makeReadOnly();
        }

        // The user window lists the users; OK on the first opens taro's diary of 1999.
        PatincoMain *openDiary() {
            PATINKEST *users = registry.get<PATINKEST>();
            if (users->Form_Load()) return nullptr; // nobody starts automatically here
            control<QListWidget>(users, "List1")->setCurrentRow(0);
            QTest::mouseClick(control<QPushButton>(users, "Command1"), Qt::LeftButton);
            PatincoMain *main = registry.find<PatincoMain>();
            return main && main->isVisible() ? main : nullptr;
        }
        template <class W> W *open() {
            W *w = registry.get<W>();
            w->show();
            if (!QTest::qWaitForWindowExposed(w)) qFatal("window not exposed");
            return w;
        }
    };

    template <class W = QLineEdit> static W *c(PatincoMain *m, const char *name) {
        return control<W>(m, name);
    }
    static QString label(PatincoMain *m, const char *name) { return c<QLabel>(m, name)->text(); }
    static void up(PatincoMain *m, const char *bar, int times) { stepUp(c<QScrollBar>(m, bar), times); }
    // A complete new card with a model new to ＡＢＣ: a registration that went on after
    // the diary refused would add it to the catalogue and offer it to the store's list.
    static void fillNewCard(PatincoMain *m) {
        c<QComboBox>(m, "Combo1")->setEditText(u"ＡＢＣ"_s);
        clickOption(c<QRadioButton>(m, "Option2"));
        c<QComboBox>(m, "Combo2")->setEditText(u"ニュー"_s);
        up(m, "VScroll1", 2);
        up(m, "VScroll2", 15);
        up(m, "VScroll3", 3);
        up(m, "VScroll4", 30);
        up(m, "VScroll7", 5);
    }
    static void checkNewCardUnregistered(Fixture &f, PatincoMain *m) {
        QCOMPARE(label(m, "Label19"), u"18"_s);
        QCOMPARE(label(m, "Label20"), u"新規作成"_s);
        QCOMPARE(c<QScrollBar>(m, "HScroll1")->maximum(), 18);
        // The entry stays for another try; the next card was not prepared.
        QCOMPARE(c<QComboBox>(m, "Combo1")->currentText(), u"ＡＢＣ"_s);
        QCOMPARE(c<QComboBox>(m, "Combo2")->currentText(), u"ニュー"_s);
        QCOMPARE(c(m, "Text13")->text(), u"5"_s);
        QVERIFY(c<QRadioButton>(m, "Option2")->isChecked());
        QVERIFY(!items(c<QComboBox>(m, "Combo2")).contains(u"ニュー"_s));
        QVERIFY(!f.registry.find<New_touroku>());
    }

    // Selects a catalogue model other than ドリーム, which ＡＢＣ already has.
    static void selectOtherModel(MDATA *w) {
        auto *list = control<QListWidget>(w, "List1");
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->text().startsWith(u"ドリーム"_s)) continue;
            list->item(i)->setSelected(true);
            return;
        }
    }

  private slots:
    void fullDiskCardScreen();
    void fullDiskStoreAndModelSettings();
    void fullDiskNewUser();
    void readOnlyCardScreen();
    void readOnlyStoreAndModelSettings();
    void readOnlyUsers();
    void readOnlyFolderOpensReadOnly();
};

// Registering and organising need new space and are refused; changing a card in place
// needs none and still works.
void TstWindowFailures::fullDiskCardScreen() {
    Fixture f;
    if (!f.mount.mounted()) QSKIP(f.mount.whyNot());
    f.seed();
    QVERIFY(f.fill());
    PatincoMain *m = f.openDiary();
    QVERIFY(m);
    QCOMPARE(label(m, "Label19"), u"18"_s);
    QVERIFY(f.dialogs.calls.isEmpty());

    fillNewCard(m);
    QTest::mouseClick(c<QPushButton>(m, "Command23"), Qt::LeftButton);
    EXPECT_REFUSED(f, "register", fileError(kDiary, u"書き込むことが"_s, kFull));
    checkNewCardUnregistered(f, m);

    c<QScrollBar>(m, "HScroll1")->setValue(1);
    QCOMPARE(label(m, "Label20"), u"変更/削除"_s);
    f.dialogs.answer({false});
    m->findChild<QAction *>(u"filesort"_s)->trigger();
    EXPECT_REFUSED(f, "organise", fileError(u"t#e#m#p.tmp"_s, u"作業ファイルに書き込むことが"_s, kFull));
    QCOMPARE(label(m, "Label19"), u"1"_s);
    QCOMPARE(label(m, "Label20"), u"変更/削除"_s);
    QCOMPARE(c<QScrollBar>(m, "HScroll1")->maximum(), 18);

    // Card 1 with 3,000 yen taken out, then marked: both rewrite it where it stands.
    up(m, "VScroll9", 3);
    QTest::mouseClick(c<QPushButton>(m, "Command23"), Qt::LeftButton);
    QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.lastMessage()));
    QByteArray diary = f.before.value(kDiary);
    diary.replace(0, 240, card(1, u"0030"_s));
    QCOMPARE(f.folder.read(kDiary), diary);
    QTest::mouseClick(c<QPushButton>(m, "Command6"), Qt::LeftButton);
    QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.lastMessage()));
    QCOMPARE(label(m, "Label20"), u"削除候補"_s);
    diary[0] = 'R';
    QCOMPARE(f.folder.read(kDiary), diary);
    f.before.insert(kDiary, diary);
    QVERIFY2(changes(f.folder, f.before).isEmpty(), qPrintable(changes(f.folder, f.before)));
}

void TstWindowFailures::fullDiskStoreAndModelSettings() {
    Fixture f;
    if (!f.mount.mounted()) QSKIP(f.mount.whyNot());
    f.seed();
    QVERIFY(f.fill());

    MDATA *stores = f.open<MDATA>();
    QCOMPARE(control<PopupComboBox>(stores, "Combo1")->count(), 51);
    chooseEntry(control<PopupComboBox>(stores, "Combo1"), 0);
    QCOMPARE(control<PopupComboBox>(stores, "Combo1")->currentText(), u"ＡＢＣ"_s);
    QCOMPARE(int(texts(control<QListView>(stores, "List2")).size()), 1);
    QVERIFY(f.dialogs.calls.isEmpty());

    f.dialogs.answer({false});
    QTest::mouseClick(control<QPushButton>(stores, "Command5"), Qt::LeftButton);
    EXPECT_REFUSED(f, "delete a store",
                   fileError(u"t#e#m#p#.tmp"_s, u"作業ファイルに書き込むことが"_s, kFull));
    QCOMPARE(control<PopupComboBox>(stores, "Combo1")->count(), 51);
    QCOMPARE(control<PopupComboBox>(stores, "Combo1")->itemText(0), u"ＡＢＣ"_s);

    // A second model for ＡＢＣ: the list file is rewritten through its own scratch file.
    clickOption(control<QRadioButton>(stores, "Option11"));
    QCOMPARE(control<QListWidget>(stores, "List1")->count(), 25);
    selectOtherModel(stores);
    QTest::mouseClick(control<QPushButton>(stores, "Command4"), Qt::LeftButton);
    QCOMPARE(int(texts(control<QListView>(stores, "List2")).size()), 2);
    f.dialogs.answer({false});
    QTest::mouseClick(control<QPushButton>(stores, "Command1"), Qt::LeftButton);
    EXPECT_REFUSED(f, "change a model list",
                   fileError(kAbcList + u".tmp"_s, u"作業ファイルに書き込むことが"_s, kFull));

    control<PopupComboBox>(stores, "Combo1")->lineEdit()->clear();
    typeJapanese(control<PopupComboBox>(stores, "Combo1")->lineEdit(), u"ＸＹＺ"_s);
    f.dialogs.answer({false});
    QTest::mouseClick(control<QPushButton>(stores, "Command1"), Qt::LeftButton);
    EXPECT_REFUSED(f, "add a store", fileError(u"patishop.dat"_s, u"書き込むことが"_s, kFull));
    QCOMPARE(control<PopupComboBox>(stores, "Combo1")->count(), 51);
    QVERIFY(!items(control<PopupComboBox>(stores, "Combo1")).contains(u"ＸＹＺ"_s));

    KDATA *models = f.open<KDATA>();
    clickOption(control<QRadioButton>(models, "Option2"));
    QCOMPARE(control<PopupComboBox>(models, "Combo1")->count(), 25);
    typeJapanese(control<PopupComboBox>(models, "Combo1")->lineEdit(), u"ＮＥＷ"_s);
    f.dialogs.answer({false});
    QTest::mouseClick(control<QPushButton>(models, "Command1"), Qt::LeftButton);
    EXPECT_REFUSED(f, "add a model", fileError(u"DEGIpati.dat"_s, u"書き込むことが"_s, kFull));
    QCOMPARE(control<PopupComboBox>(models, "Combo1")->count(), 25);

    chooseEntry(control<PopupComboBox>(models, "Combo1"), 0);
    QCOMPARE(control<PopupComboBox>(models, "Combo1")->currentText(), u"ドリーム"_s);
    f.dialogs.answer({false});
    QTest::mouseClick(control<QPushButton>(models, "Command4"), Qt::LeftButton);
    EXPECT_REFUSED(f, "delete a model",
                   fileError(u"t#e#m#p#.tmp"_s, u"作業ファイルに書き込むことが"_s, kFull));
    QCOMPARE(control<PopupComboBox>(models, "Combo1")->count(), 25);
    QCOMPARE(control<PopupComboBox>(models, "Combo1")->itemText(0), u"ドリーム"_s);
}

void TstWindowFailures::fullDiskNewUser() {
    Fixture f;
    if (!f.mount.mounted()) QSKIP(f.mount.whyNot());
    f.seed();
    QVERIFY(f.fill());

    PATINKEST *users = f.registry.get<PATINKEST>();
    QVERIFY(!users->Form_Load());
    QCOMPARE(control<QListWidget>(users, "List1")->count(), 204);
    QTest::mouseClick(control<QPushButton>(users, "Command2"), Qt::LeftButton);
    NEWNAME *newName = f.registry.find<NEWNAME>();
    QVERIFY(newName && newName->isVisible());
    QTest::keyClicks(control<QLineEdit>(newName, "Text1"), u"hanako"_s);
    QTest::mouseClick(control<QPushButton>(newName, "Command1"), Qt::LeftButton);
    EXPECT_REFUSED(f, "add a user", fileError(u"namae.dat"_s, u"書き込むことが"_s, kFull));
    QCOMPARE(control<QListWidget>(users, "List1")->count(), 204);
    // Left open with the name, for another try once there is room.
    QVERIFY(newName->isVisible());
    QCOMPARE(control<QLineEdit>(newName, "Text1")->text(), u"hanako"_s);

    // Room again: the same press adds the user.
    QVERIFY(QFile::remove(f.folder.file(kFiller)));
    QTest::mouseClick(control<QPushButton>(newName, "Command1"), Qt::LeftButton);
    QVERIFY(f.dialogs.calls.isEmpty());
    QCOMPARE(control<QListWidget>(users, "List1")->count(), 205);
    QCOMPARE(f.folder.read(u"namae.dat"_s), f.before.value(u"namae.dat"_s) + padded("  hanako", 20));
}

// The diary opens and shows its cards; every change to it is refused.
void TstWindowFailures::readOnlyCardScreen() {
    Fixture f;
    if (!f.mount.mounted()) QSKIP(f.mount.whyNot());
    f.seed();
    if (!f.makeReadOnly()) QSKIP("cannot make the file system read-only");
    PatincoMain *m = f.openDiary();
    QVERIFY(m);
    QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.lastMessage()));
    QCOMPARE(label(m, "Label19"), u"18"_s);
    c<QComboBox>(m, "Combo1")->showPopup(); // the store list is read when it opens
    c<QComboBox>(m, "Combo1")->hidePopup();
    QCOMPARE(c<QComboBox>(m, "Combo1")->count(), 51);

    c<QScrollBar>(m, "HScroll1")->setValue(2);
    QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.lastMessage()));
    QCOMPARE(label(m, "Label20"), u"変更/削除"_s);
    QCOMPARE(c<QComboBox>(m, "Combo1")->currentText().trimmed(), u"ＡＢＣ"_s); // shown as stored, padded
    QCOMPARE(c<QComboBox>(m, "Combo2")->currentText().trimmed(), u"ドリーム"_s);
    QCOMPARE(c(m, "Text11")->text(), u"1"_s); // 0102: 10,200 yen put in
    QCOMPARE(c(m, "Text13")->text(), u"2"_s);
    QCOMPARE(c<QPlainTextEdit>(m, "Text24")->toPlainText(), u"card 2"_s);

    const QString refused = fileError(kDiary, u"書き込むことが"_s, kReadOnly);
    up(m, "VScroll9", 3);
    QTest::mouseClick(c<QPushButton>(m, "Command23"), Qt::LeftButton);
    EXPECT_REFUSED(f, "update", refused);
    QCOMPARE(label(m, "Label19"), u"2"_s);
    QCOMPARE(label(m, "Label20"), u"変更/削除"_s);

    QTest::mouseClick(c<QPushButton>(m, "Command6"), Qt::LeftButton);
    EXPECT_REFUSED(f, "mark", refused);
    QCOMPARE(label(m, "Label20"), u"変更/削除"_s);
    QCOMPARE(c<QPushButton>(m, "Command6")->text(), u"削除"_s);
    QCOMPARE(c(m, "Text2")->text(), u"1999"_s);

    f.dialogs.answer({false});
    m->findChild<QAction *>(u"filesort"_s)->trigger();
    EXPECT_REFUSED(f, "organise", fileError(u"t#e#m#p.tmp"_s, u"作業ファイルを作ることが"_s, kReadOnly));
    QCOMPARE(label(m, "Label19"), u"2"_s);
    QCOMPARE(label(m, "Label20"), u"変更/削除"_s);

    c<QScrollBar>(m, "HScroll1")->setValue(18);
    QCOMPARE(label(m, "Label20"), u"新規作成"_s);
    fillNewCard(m);
    QTest::mouseClick(c<QPushButton>(m, "Command23"), Qt::LeftButton);
    EXPECT_REFUSED(f, "register", refused);
    checkNewCardUnregistered(f, m);
}

void TstWindowFailures::readOnlyStoreAndModelSettings() {
    Fixture f;
    if (!f.mount.mounted()) QSKIP(f.mount.whyNot());
    f.seed();
    if (!f.makeReadOnly()) QSKIP("cannot make the file system read-only");

    MDATA *stores = f.open<MDATA>();
    QCOMPARE(control<PopupComboBox>(stores, "Combo1")->count(), 51);
    chooseEntry(control<PopupComboBox>(stores, "Combo1"), 0);
    QCOMPARE(int(texts(control<QListView>(stores, "List2")).size()), 1);
    QVERIFY(texts(control<QListView>(stores, "List2")).value(0).startsWith(u"ドリーム"_s));
    clickOption(control<QRadioButton>(stores, "Option11"));
    QCOMPARE(control<QListWidget>(stores, "List1")->count(), 25);
    QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.lastMessage()));

    f.dialogs.answer({false});
    QTest::mouseClick(control<QPushButton>(stores, "Command5"), Qt::LeftButton);
    EXPECT_REFUSED(f, "delete a store",
                   fileError(u"t#e#m#p#.tmp"_s, u"作業ファイルを作ることが"_s, kReadOnly));
    QCOMPARE(control<PopupComboBox>(stores, "Combo1")->count(), 51);

    selectOtherModel(stores);
    QTest::mouseClick(control<QPushButton>(stores, "Command4"), Qt::LeftButton);
    QCOMPARE(int(texts(control<QListView>(stores, "List2")).size()), 2);
    f.dialogs.answer({false});
    QTest::mouseClick(control<QPushButton>(stores, "Command1"), Qt::LeftButton);
    EXPECT_REFUSED(f, "change a model list",
                   fileError(kAbcList + u".tmp"_s, u"作業ファイルを作ることが"_s, kReadOnly));

    control<PopupComboBox>(stores, "Combo1")->lineEdit()->clear();
    typeJapanese(control<PopupComboBox>(stores, "Combo1")->lineEdit(), u"ＸＹＺ"_s);
    f.dialogs.answer({false});
    QTest::mouseClick(control<QPushButton>(stores, "Command1"), Qt::LeftButton);
    EXPECT_REFUSED(f, "add a store", fileError(u"patishop.dat"_s, u"書き込むことが"_s, kReadOnly));
    QCOMPARE(control<PopupComboBox>(stores, "Combo1")->count(), 51);

    KDATA *models = f.open<KDATA>();
    clickOption(control<QRadioButton>(models, "Option2"));
    QCOMPARE(control<PopupComboBox>(models, "Combo1")->count(), 25);
    QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.lastMessage()));
    typeJapanese(control<PopupComboBox>(models, "Combo1")->lineEdit(), u"ＮＥＷ"_s);
    f.dialogs.answer({false});
    QTest::mouseClick(control<QPushButton>(models, "Command1"), Qt::LeftButton);
    EXPECT_REFUSED(f, "add a model", fileError(u"DEGIpati.dat"_s, u"書き込むことが"_s, kReadOnly));
    QCOMPARE(control<PopupComboBox>(models, "Combo1")->count(), 25);

    chooseEntry(control<PopupComboBox>(models, "Combo1"), 0);
    f.dialogs.answer({false});
    QTest::mouseClick(control<QPushButton>(models, "Command4"), Qt::LeftButton);
    EXPECT_REFUSED(f, "delete a model",
                   fileError(u"t#e#m#p#.tmp"_s, u"作業ファイルを作ることが"_s, kReadOnly));
    QCOMPARE(control<PopupComboBox>(models, "Combo1")->count(), 25);
    QCOMPARE(control<PopupComboBox>(models, "Combo1")->itemText(0), u"ドリーム"_s);
}

void TstWindowFailures::readOnlyUsers() {
    Fixture f;
    if (!f.mount.mounted()) QSKIP(f.mount.whyNot());
    f.seed();
    if (!f.makeReadOnly()) QSKIP("cannot make the file system read-only");

    PATINKEST *users = f.registry.get<PATINKEST>();
    QVERIFY(!users->Form_Load());
    QCOMPARE(control<QListWidget>(users, "List1")->count(), 204);
    QCOMPARE(control<QListWidget>(users, "List1")->item(203)->text().trimmed(), u"user204"_s);
    QVERIFY(f.dialogs.calls.isEmpty());

    QTest::mouseClick(control<QPushButton>(users, "Command2"), Qt::LeftButton);
    NEWNAME *newName = f.registry.find<NEWNAME>();
    QVERIFY(newName && newName->isVisible());
    QTest::keyClicks(control<QLineEdit>(newName, "Text1"), u"hanako"_s);
    QTest::mouseClick(control<QPushButton>(newName, "Command1"), Qt::LeftButton);
    EXPECT_REFUSED(f, "add a user", fileError(u"namae.dat"_s, u"書き込むことが"_s, kReadOnly));
    QCOMPARE(control<QListWidget>(users, "List1")->count(), 204);
    QVERIFY(newName->isVisible());
    QTest::mouseClick(control<QPushButton>(newName, "Command2"), Qt::LeftButton);

    // Starting automatically is remembered in the user list: refused, and no diary opens
    // as if it had been.
    control<QListWidget>(users, "List1")->setCurrentRow(0);
    QTest::mouseClick(control<QCheckBox>(users, "Check1"), Qt::LeftButton);
    QVERIFY(control<QCheckBox>(users, "Check1")->isChecked());
    f.dialogs.answer({false});
    QTest::mouseClick(control<QPushButton>(users, "Command1"), Qt::LeftButton);
    EXPECT_REFUSED(f, "mark for starting automatically",
                   fileError(u"namae.dat"_s, u"書き込むことが"_s, kReadOnly));
    QVERIFY(!f.registry.find<PatincoMain>());
}

// The program taking a folder it cannot write: it starts, every window's title says so,
// the views work, and each write is refused with the one message before it is tried.
void TstWindowFailures::readOnlyFolderOpensReadOnly() {
    Fixture f;
    if (!f.mount.mounted()) QSKIP(f.mount.whyNot());
    f.seed();
    if (!f.makeReadOnly()) QSKIP("cannot make the file system read-only");
    const std::unique_ptr<DataFolderLock> lock = openDataFolder(f.folder.path());
    const auto writable = qScopeGuard([] { writehook::setReadOnlyFolder({}); });
    QVERIFY(lock && lock->readOnly() && !lock->held());
    f.state.setReadOnly(lock->readOnly());
    const QString suffix = u"（読み取り専用）"_s;
    const QString refused =
        u"データフォルダ「"_s + f.folder.path() + u"」は読み取り専用のため、書き込めません。"_s;

    PatincoMain *m = f.openDiary();
    QVERIFY(m);
    QCOMPARE(f.registry.find<PATINKEST>()->windowTitle(), u"使用者"_s + suffix);
    QVERIFY2(m->windowTitle().endsWith(u"[ "_s + kDiary + u" ]"_s + suffix), qPrintable(m->windowTitle()));
    QCOMPARE(label(m, "Label19"), u"18"_s);
    m->findChild<QAction *>(u"disp_report"_s)->trigger();
    dispreport *report = f.registry.find<dispreport>();
    QVERIFY(report && report->isVisible());
    QVERIFY2(report->windowTitle() == u"1999 年度評価レポート"_s + suffix, qPrintable(report->windowTitle()));
    QVERIFY2(f.dialogs.calls.isEmpty(), qPrintable(f.dialogs.lastMessage()));
    report->close();

    fillNewCard(m);
    QTest::mouseClick(c<QPushButton>(m, "Command23"), Qt::LeftButton);
    EXPECT_REFUSED(f, "register", refused);
    checkNewCardUnregistered(f, m);

    BackupWindow *backups = f.open<BackupWindow>();
    QVERIFY(backups->windowTitle().endsWith(suffix));
    QTest::mouseClick(control<QPushButton>(backups, "TakeNow"), Qt::LeftButton);
    EXPECT_REFUSED(f, "snapshot", refused);
}

TAMA_GUI_TEST_MAIN(TstWindowFailures)
#include "tst_windowfailures.moc"
