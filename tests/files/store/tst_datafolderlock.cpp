// The folder lock against names it did not make, other accounts, and folders it may
// not write; the one refusal of every write in a read-only folder.
#include "store/backup.h"
#include "store/datafolderlock.h"
#include "store/diary.h"
#include "store/merge.h"
#include "store/organise.h"
#include "store/storeerror.h"
#include "store/textfile.h"
#include "store/writehook.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QtTest>

#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QString kDiary = u"taro.1999.dat"_s;
const QString kLock = DataFolderLock::fileName();
constexpr uid_t kNobody = 65534;

QByteArray native(const QString &path) {
    return QFile::encodeName(path);
}

QString readOnlyMessage(const QString &folder) {
    return u"データフォルダ「"_s + folder + u"」は読み取り専用のため、書き込めません。"_s;
}

// Runs f in a child process as nobody; what it returns comes back through a pipe.
QByteArray asNobody(const std::function<QByteArray()> &f) {
    int out[2];
    if (::pipe(out) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        const bool nobody = ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
                            ::setresuid(kNobody, kNobody, kNobody) == 0;
        const QByteArray answer = nobody ? f() : QByteArray("cannot become nobody");
        (void)!::write(out[1], answer.constData(), size_t(answer.size()));
        ::_exit(0);
    }
    ::close(out[1]);
    QByteArray answer;
    char buffer[512];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, n);
    ::close(out[0]);
    ::waitpid(child, nullptr, 0);
    return answer;
}

// "held", or the refusal; "read-only: " before it for a read-only folder.
QByteArray tryLock(const QString &folder) {
    const DataFolderLock lock(DataFolder(folder), DataFolderLock::Holder::Command);
    if (lock.held()) return "held";
    return (lock.readOnly() ? "read-only: " : "") + lock.refusal().toUtf8();
}

} // namespace

class TestDataFolderLock : public QObject {
    Q_OBJECT
  private slots:
    void anotherAccount_data();
    void anotherAccount();
    void everyWriteOfAReadOnlyFolderIsRefusedFirst_data();
    void everyWriteOfAReadOnlyFolderIsRefusedFirst();
};

void TestDataFolderLock::anotherAccount_data() {
    QTest::addColumn<mode_t>("mode");
    QTest::addColumn<bool>("nobodysFolder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("root's dead lock in nobody's folder") << mode_t(0755) << true << u"held"_s;
    QTest::newRow("root's dead lock in a sticky folder")
        << mode_t(01777) << false << u"ロックファイル「LOCK」（持ち主 root）を取り除けません"_s;
    QTest::newRow("a folder nobody may not write")
        << mode_t(0755) << false << u"read-only: "_s + readOnlyMessage(u"FOLDER"_s);
}

// The lock as nobody, in a folder where a killed program of root's left its lock file.
void TestDataFolderLock::anotherAccount() {
    QFETCH(mode_t, mode);
    QFETCH(bool, nobodysFolder);
    QFETCH(QString, expected);
    if (::geteuid() != 0) QSKIP("needs root to act as another account");
    TempFolder f;
    f.write(kLock, "program 2147483000\n");
    const QByteArray dir = native(f.path());
    QVERIFY(::chmod(dir.constData(), mode) == 0);
    if (nobodysFolder) QVERIFY(::chown(dir.constData(), kNobody, kNobody) == 0);
    if (asNobody([&] { return QByteArray(::access(dir.constData(), X_OK) == 0 ? "y" : "n"); }) != "y")
        QSKIP("the temporary folder cannot be reached by another account");

    const QString got = QString::fromUtf8(asNobody([&] { return tryLock(f.path()); }));
    QVERIFY2(got.startsWith(expected.replace(u"LOCK"_s, f.file(kLock)).replace(u"FOLDER"_s, f.path())),
             qPrintable(got));
    QCOMPARE(f.exists(kLock), !nobodysFolder); // given back when the child ended
}

void TestDataFolderLock::everyWriteOfAReadOnlyFolderIsRefusedFirst_data() {
    QTest::addColumn<int>("action");
    const QStringList names = {u"change a card"_s, u"add a card"_s, u"organise"_s, u"text file"_s,
                               u"merge"_s,         u"backup"_s,     u"restore"_s,  u"new diary"_s};
    for (int i = 0; i < names.size(); ++i)
        QTest::newRow(qPrintable(names[i])) << i;
}

// The folder itself could be written: only the switch stops these, before anything is
// opened to write, created or snapshotted.
void TestDataFolderLock::everyWriteOfAReadOnlyFolderIsRefusedFirst() {
    QFETCH(int, action);
    TempFolder f, other;
    const DataFolder folder(f.path());
    CardValues late;
    late.date = u"19990509日"_s;
    f.write(kDiary, cardBytes(late) + cardBytes());
    other.write(kDiary, cardBytes() + cardBytes({.date = u"19990601火"_s}));
    const backup::Snapshot snapshot = backup::Backups(folder).take(backup::Reason::Manual);
    QMap<QString, QByteArray> before;
    const QStringList names = QDir(f.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names)
        before.insert(name, f.read(name));

    writehook::setReadOnlyFolder(f.path());
    const std::function<void()> actions[] = {
        [&] { DiaryFile(folder, kDiary).write(1, makeCard()); },
        [&] { DiaryFile(folder, kDiary).write(3, makeCard()); },
        [&] { organiseDiary(folder, kDiary); },
        [&] { textfile::writeLines(f.file(u"本店"_s), {u"# 2"_s}, u"機種リスト"_s); },
        [&] { mergeDiary(folder, kDiary, other.file(kDiary), 1999); },
        [&] { backup::Backups(folder).take(backup::Reason::Manual); },
        [&] { backup::Backups(folder).restore(snapshot, {}); },
        [&] { DiaryFile(folder, u"hanako.2000.dat"_s).write(1, makeCard()); },
    };
    QString message;
    try {
        actions[action]();
    } catch (const StoreError &e) {
        message = e.message();
    }
    writehook::setReadOnlyFolder({});
    QCOMPARE(message, readOnlyMessage(f.path()));
    QCOMPARE(QDir(f.path()).entryList(QDir::Files | QDir::Hidden), names);
    for (const QString &name : names)
        QVERIFY2(f.read(name) == before.value(name), qPrintable(name));
    QCOMPARE(backup::Backups(folder).list().size(), 1);
}

TAMA_TEST_MAIN(TestDataFolderLock)
#include "tst_datafolderlock.moc"
