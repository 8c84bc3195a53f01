#include "store/catalogue.h"
#include "store/diary.h"
#include "store/journal.h"
#include "store/modellist.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/userlist.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"
#include "tmpfsmount.h"

#include <QDir>
#include <QMap>

#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;
using tama::test::spaces;
using tama::test::storeErrorKind;
using tama::test::TempFolder;
using tama::test::TmpfsMount;

namespace {

const QString kUsers = u"namae.dat"_s;
const QString kDiary = u"taro.1999.dat"_s;
const QString kStores = u"patishop.dat"_s;
const QString kModels = u"CRpati.dat"_s;
const QString kList = u"ＡＢＢＣＡＢＣ"_s; // the model list of store ABC

// 4080 bytes each, so that one more record needs a new page of the file system.
QMap<QString, QByteArray> sampleFiles() {
    QByteArray users, diary, stores, models;
    for (int i = 0; i < 204; ++i)
        users += hex("81 40") + QByteArray::number(i).leftJustified(18, ' ');
    for (int i = 0; i < 17; ++i)
        diary += QByteArray("19990123") + hex("93 79") + QByteArray::number(i).leftJustified(230, ' ');
    for (int i = 0; i < 51; ++i)
        stores += hex("82 60 82 61") + QByteArray::number(i).leftJustified(76, ' ');
    for (int i = 0; i < 25; ++i)
        models += hex("82 60") + QByteArray::number(i).leftJustified(158, 'x');
    models += QByteArray(80, 'y'); // 4080: a damaged tail is carried along untouched
    return {{kUsers, users},
            {kDiary, diary},
            {kStores, stores},
            {kModels, models},
            {kList, QByteArray("# 2\r\n# 3\r\n# 4\r\n# 5\r\n# 6\r\n") + hex("82 60") + "\r\n# #\r\n"}};
}

struct Operation {
    const char *name;
    std::function<void(const DataFolder &)> run;
};

QList<Operation> writingOperations() {
    return {
        {"add a user", [](const DataFolder &f) { UserList(f).append(u"hanako"_s); }},
        {"mark a user", [](const DataFolder &f) { UserList(f).markUser(u"3"_s); }},
        {"append a card",
         [](const DataFolder &f) {
             test::CardValues card = test::CardValues::blank();
             card.date = u"19990124日"_s;
             DiaryFile(f, kDiary).write(18, test::makeCard(card));
         }},
        {"rewrite the diary",
         [](const DataFolder &f) {
             DiaryFile d(f, kDiary);
             QList<QByteArray> cards = d.readAllRaw();
             cards.removeFirst();
             d.rewriteRaw(cards);
         }},
        {"add a store", [](const DataFolder &f) { StoreFile(f).add(u"NEW"_s); }},
        {"delete a store", [](const DataFolder &f) { StoreFile(f).deleteAt(0); }},
        {"move a store to the front", [](const DataFolder &f) { StoreFile(f).moveToFront(u"ＡＢ5"_s); }},
        {"write a model list",
         [](const DataFolder &f) {
             ModelListFile(f, u"ABC"_s).write({{u"Ｘ"_s, 2}, {u"Ｙ"_s, 6}});
         }},
        {"create a model list", [](const DataFolder &f) { ModelListFile(f, u"XYZ"_s).ensure(); }},
    };
}

void writeAll(const TempFolder &dir, const QMap<QString, QByteArray> &files) {
    for (auto it = files.begin(); it != files.end(); ++it)
        dir.write(it.key(), it.value());
}

} // namespace

class TestStoreFailures : public QObject {
    Q_OBJECT

  private slots:
    void readOnlyFolder();
    void fullDisk();
    void fullDiskDamagedCatalogue();
};

// Every write is refused with a StoreError and no file changes.
void TestStoreFailures::readOnlyFolder() {
    TempFolder dir;
    std::unique_ptr<TmpfsMount> mount;
    if (::geteuid() == 0) { // permission bits mean nothing to root: use a read-only file system
        mount = std::make_unique<TmpfsMount>(dir.path(), 256);
        if (!mount->mounted()) QSKIP(mount->whyNot());
    }
    const QMap<QString, QByteArray> files = sampleFiles();
    writeAll(dir, files);
    if (mount) {
        if (!mount->makeReadOnly()) QSKIP("cannot make the file system read-only");
    } else {
        for (const QString &name : files.keys())
            QFile::setPermissions(dir.file(name), QFile::ReadOwner);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    }

    const DataFolder folder(dir.path());
    for (const Operation &op : writingOperations()) {
        try {
            op.run(folder);
            QFAIL(op.name);
        } catch (const StoreError &e) {
            QVERIFY2(e.kind() == StoreError::Kind::Io, op.name);
            QVERIFY2(!e.message().isEmpty(), op.name);
        }
        QCOMPARE(dir.files(), QStringList(files.keys()));
        for (auto it = files.begin(); it != files.end(); ++it)
            QVERIFY2(dir.read(it.key()) == it.value(),
                     qPrintable(QString::fromUtf8(op.name) + u": "_s + it.key()));
    }
    // Reading still works, and a store without a model list reads as having none
    // instead of failing to create the empty list.
    QCOMPARE(UserList(folder).readAll().size(), 204);
    QCOMPARE(StoreFile(folder).list().size(), 51);
    const ModelListFile unlisted(folder, u"まだない店"_s);
    QVERIFY(!unlisted.exists());
    QCOMPARE(unlisted.read().size(), 0);
    QCOMPARE(unlisted.section(u"# 3"_s).size(), 0);
    QVERIFY(!unlisted.exists());
    QCOMPARE(dir.files(), QStringList(files.keys()));

    if (!mount) QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A full disk: the error says so, and every file stays as it was.
void TestStoreFailures::fullDisk() {
    TempFolder dir;
    TmpfsMount mount(dir.path(), 64);
    if (!mount.mounted()) QSKIP(mount.whyNot());
    const QMap<QString, QByteArray> files = sampleFiles();
    writeAll(dir, files);
    // The program reserves the journal's space when it takes the folder, before any disk fills.
    journal::reserve(dir.path());
    QVERIFY(mount.fill(dir.file(u"filler"_s)));

    const DataFolder folder(dir.path());
    QStringList names = files.keys();
    names << u"filler"_s << journal::fileName();
    names.sort();
    for (const Operation &op : writingOperations()) {
        // These need no new space: a mark is rewritten in place, an empty file has no pages.
        if (QByteArray(op.name) == "mark a user" || QByteArray(op.name) == "create a model list") continue;
        try {
            op.run(folder);
            QFAIL(op.name);
        } catch (const StoreError &e) {
            QVERIFY2(e.kind() == StoreError::Kind::Io, op.name);
            QVERIFY2(e.message().contains(u"ディスク"_s),
                     qPrintable(QString::fromUtf8(op.name) + u": "_s + e.message()));
        }
        QCOMPARE(dir.files(), names);
        for (auto it = files.begin(); it != files.end(); ++it)
            QVERIFY2(dir.read(it.key()) == it.value(),
                     qPrintable(QString::fromUtf8(op.name) + u": "_s + it.key()));
    }

    // Changing a record in place needs no space and still works.
    UserList(folder).markUser(u"3"_s);
    QCOMPARE(UserList(folder).autoStartRecord().value_or(0), 4);
}

// Removing a model rewrites the catalogue; it is refused for the damaged tail, which
// is never dropped, whatever the disk.
void TestStoreFailures::fullDiskDamagedCatalogue() {
    TempFolder dir;
    TmpfsMount mount(dir.path(), 64);
    if (!mount.mounted()) QSKIP(mount.whyNot());
    const QMap<QString, QByteArray> files = sampleFiles();
    writeAll(dir, files);
    QVERIFY(mount.fill(dir.file(u"filler"_s)));
    QCOMPARE(
        storeErrorKind([&] { ModelCatalogue(DataFolder(dir.path()), *categoryBySection(6)).deleteAt(0); }),
        int(StoreError::Kind::Damaged));
    QCOMPARE(dir.read(kModels), files[kModels]);

    // Without the tail the rewrite itself meets the full disk.
    QFile::remove(dir.file(u"filler"_s));
    dir.write(kModels, files[kModels].left(4000));
    QVERIFY(mount.fill(dir.file(u"filler"_s)));
    try {
        ModelCatalogue(DataFolder(dir.path()), *categoryBySection(6)).deleteAt(0);
        QFAIL("no error");
    } catch (const StoreError &e) {
        QCOMPARE(e.kind(), StoreError::Kind::Io);
        QVERIFY2(e.message().contains(u"ディスク"_s), qPrintable(e.message()));
    }
    QCOMPARE(dir.read(kModels), files[kModels].left(4000));
    QVERIFY(!dir.exists(StoreFile::scratchName()));
}

TAMA_TEST_MAIN(TestStoreFailures)
#include "tst_storefailures.moc"
