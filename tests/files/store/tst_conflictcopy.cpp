// The names folder synchronisers give the second copy of a file changed in two places.
#include "store/conflictcopy.h"
#include "store/foldercheck.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::TempFolder;

class TestConflictCopy : public QObject {
    Q_OBJECT
  private slots:
    void recognised_data();
    void recognised();
    void notCopies_data();
    void notCopies();
    void foundInTheFolder();
};

void TestConflictCopy::recognised_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("original");
    QTest::addColumn<QString>("tool");
    QTest::newRow("Syncthing") << u"taro.2026.sync-conflict-20261208-101500-ABCDEFG.dat"_s
                               << u"taro.2026.dat"_s << u"Syncthing"_s;
    QTest::newRow("Syncthing, a model list")
        << u"ＡＢＣ.sync-conflict-20261208-101500-7Q2XK3M"_s << u"ＡＢＣ"_s << u"Syncthing"_s;
    QTest::newRow("Dropbox") << u"taro.2026 (conflicted copy 2026-12-08).dat"_s << u"taro.2026.dat"_s
                             << u"Dropbox / Nextcloud"_s;
    QTest::newRow("Dropbox, with the computer's owner")
        << u"patishop (Taro's conflicted copy 2026-12-08).dat"_s << u"patishop.dat"_s
        << u"Dropbox / Nextcloud"_s;
    QTest::newRow("Nextcloud") << u"namae (conflicted copy 2026-12-08 101500).dat"_s << u"namae.dat"_s
                               << u"Dropbox / Nextcloud"_s;
    QTest::newRow("ownCloud") << u"CRpati_conflict-20261208-101500.dat"_s << u"CRpati.dat"_s << u"ownCloud"_s;
    QTest::newRow("Seafile") << u"taro.2026 (SFConflict taro@example.com 2026-12-08-10-15-00).dat"_s
                             << u"taro.2026.dat"_s << u"Seafile"_s;
    QTest::newRow("~conflict") << u"taro.2026~conflict.dat"_s << u"taro.2026.dat"_s
                               << u"フォルダ同期ソフト"_s;
    QTest::newRow("~conflict with a number")
        << u"taro.2026~conflict-1.dat"_s << u"taro.2026.dat"_s << u"フォルダ同期ソフト"_s;
}

void TestConflictCopy::recognised() {
    QFETCH(QString, name);
    QFETCH(QString, original);
    QFETCH(QString, tool);
    const std::optional<ConflictCopy> c = conflictCopyOf(name);
    QVERIFY(c);
    QCOMPARE(c->name, name);
    QCOMPARE(c->original, original);
    QCOMPARE(c->tool, tool);
    QCOMPARE(dataFileKind(name), std::optional(FileCheck::Kind::ConflictCopy));
}

void TestConflictCopy::notCopies_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("the diary itself") << u"taro.2026.dat"_s;
    QTest::newRow("a copy of a file that is not data") << u"notes (conflicted copy 2026-12-08).txt"_s;
    QTest::newRow("Syncthing, not data") << u"readme.sync-conflict-20261208-101500-ABCDEFG.md"_s;
    QTest::newRow("a copy of a scratch file") << u"t#e#m#p (conflicted copy 2026-12-08).tmp"_s;
    QTest::newRow("a copy of the journal") << u".tamanote.sync-conflict-20261208-101500-ABCDEFG.journal"_s;
    QTest::newRow("Syncthing with a lower-case id")
        << u"taro.2026.sync-conflict-20261208-101500-abcdefg.dat"_s;
    QTest::newRow("ownCloud without the time") << u"CRpati_conflict-20261208.dat"_s;
    QTest::newRow("only the marker") << u" (conflicted copy 2026-12-08)"_s;
    QTest::newRow("a model list named conflict") << u"conflict"_s;
    QTest::newRow("the diary of a user named a.conflict") << u"a.conflict.2026.dat"_s;
    QTest::newRow("the diary of a user named x~conflict") << u"x~conflict.2026.dat"_s;
}

void TestConflictCopy::notCopies() {
    QFETCH(QString, name);
    QVERIFY(!conflictCopyOf(name));
    QVERIFY(dataFileKind(name) != std::optional(FileCheck::Kind::ConflictCopy));
}

void TestConflictCopy::foundInTheFolder() {
    TempFolder f;
    f.write(u"taro.2026.dat"_s, QByteArray(240, ' '));
    f.write(u"taro.2026~conflict.dat"_s, QByteArray(240, ' '));
    f.write(u"namae (conflicted copy 2026-12-08).dat"_s, QByteArray(20, ' '));
    f.write(u"notes (conflicted copy 2026-12-08).txt"_s, "x");
    QVERIFY(QDir(f.path()).mkdir(u"patishop (conflicted copy 2026-12-08).dat"_s));
    // A copy of the diary of a user named ".mika" is one; a copy of a file that no hall
    // names is not the copy of a model list.
    f.write(u".mika.2026.sync-conflict-20261208-101500-ABCDEFG.dat"_s, QByteArray(240, ' '));
    f.write(u"core.sync-conflict-20261208-101500-ABCDEFG"_s, "x");
    const QList<ConflictCopy> found = findConflictCopies(DataFolder(f.path()));
    QCOMPARE(found.size(), 3);
    QCOMPARE(found[0].original, u".mika.2026.dat"_s);
    QCOMPARE(found[1].name, u"namae (conflicted copy 2026-12-08).dat"_s);
    QCOMPARE(found[1].original, u"namae.dat"_s);
    QCOMPARE(found[2].name, u"taro.2026~conflict.dat"_s);
    QCOMPARE(found[2].original, u"taro.2026.dat"_s);
}

TAMA_TEST_MAIN(TestConflictCopy)
#include "tst_conflictcopy.moc"
