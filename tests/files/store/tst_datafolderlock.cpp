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
#include "tmpfsmount.h"

#include <QtTest>

#include <functional>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

struct stat statOf(const QString &path) {
    struct stat st {};
    ::lstat(native(path).constData(), &st);
    return st;
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

bool nobodyReaches(const QString &folder) {
    return asNobody([&] {
               return QByteArray(::access(native(folder).constData(), X_OK) == 0 ? "y" : "n");
           }) == "y";
}

// "held", or the refusal; "read-only: " before it for a read-only folder.
QByteArray tryLock(const QString &folder) {
    const DataFolderLock lock(DataFolder(folder), DataFolderLock::Holder::Command);
    if (lock.held()) return "held";
    return (lock.readOnly() ? "read-only: " : "") + lock.refusal().toUtf8();
}

bool makeSocket(const QString &path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray name = native(path);
    if (fd < 0 || size_t(name.size()) >= sizeof a.sun_path) return false;
    std::memcpy(a.sun_path, name.constData(), size_t(name.size()));
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

} // namespace

class TestDataFolderLock : public QObject {
    Q_OBJECT
  private slots:
    void namesItDidNotMakeArePutAside_data();
    void namesItDidNotMakeArePutAside();
    void aFolderUnderTheNameIsRefusedByPath();
    void anotherAccountsDeadLock_data();
    void anotherAccountsDeadLock();
    void readOnlyFolderIsNotLocked_data();
    void readOnlyFolderIsNotLocked();
    void everyWriteOfAReadOnlyFolderIsRefusedFirst_data();
    void everyWriteOfAReadOnlyFolderIsRefusedFirst();
};

void TestDataFolderLock::namesItDidNotMakeArePutAside_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("second name of the diary") << u"diary"_s;
    QTest::newRow("second name of a file elsewhere") << u"outside"_s;
    QTest::newRow("socket") << u"socket"_s;
}

void TestDataFolderLock::namesItDidNotMakeArePutAside() {
    QFETCH(QString, kind);
    TempFolder f, outside;
    const QByteArray cards = cardBytes() + cardBytes();
    f.write(kDiary, cards);
    outside.write(u"victim"_s, "precious");
    const QString linked = kind == u"diary"_s ? f.file(kDiary) : outside.file(u"victim"_s);
    if (kind == u"socket"_s)
        QVERIFY(makeSocket(f.file(kLock)));
    else
        QVERIFY(::link(native(linked).constData(), native(f.file(kLock)).constData()) == 0);

    for (auto holder : {DataFolderLock::Holder::Command, DataFolderLock::Holder::Program}) {
        const DataFolderLock lock(DataFolder(f.path()), holder);
        QVERIFY2(lock.held(), qPrintable(lock.refusal()));
        const struct stat st = statOf(f.file(kLock));
        QVERIFY(S_ISREG(st.st_mode));
        QCOMPARE(st.st_nlink, nlink_t(1));
        QVERIFY(f.read(kLock).endsWith(' ' + QByteArray::number(::getpid()) + '\n'));
    }
    QCOMPARE(f.read(kDiary), cards);
    QCOMPARE(outside.read(u"victim"_s), QByteArray("precious"));
    QCOMPARE(statOf(linked).st_nlink, nlink_t(1));
    QVERIFY(!f.exists(kLock));
}

void TestDataFolderLock::aFolderUnderTheNameIsRefusedByPath() {
    TempFolder f;
    QVERIFY(QDir(f.path()).mkdir(kLock));
    f.write(kLock + u"/inside"_s, "kept");
    const DataFolderLock lock(DataFolder(f.path()), DataFolderLock::Holder::Program);
    QVERIFY(!lock.held());
    QVERIFY(!lock.busy());
    QVERIFY2(lock.refusal().contains(u"「"_s + f.file(kLock) + u"」がフォルダ"_s),
             qPrintable(lock.refusal()));
    QCOMPARE(f.read(kLock + u"/inside"_s), QByteArray("kept"));
}

void TestDataFolderLock::anotherAccountsDeadLock_data() {
    QTest::addColumn<bool>("sticky");
    QTest::newRow("in this account's folder") << false;
    QTest::newRow("in a shared sticky folder") << true;
}

// A lock file root's killed program left, met by nobody: in nobody's own folder it is
// taken over; where it cannot be removed the refusal names it and its owner.
void TestDataFolderLock::anotherAccountsDeadLock() {
    QFETCH(bool, sticky);
    if (::geteuid() != 0) QSKIP("needs root to act as another account");
    TempFolder f;
    f.write(kLock, "program 2147483000\n");
    const QByteArray dir = native(f.path());
    QVERIFY(::chmod(native(f.file(kLock)).constData(), 0644) == 0);
    QVERIFY(sticky ? ::chmod(dir.constData(), 01777) == 0
                   : ::chown(dir.constData(), kNobody, kNobody) == 0 && ::chmod(dir.constData(), 0755) == 0);
    if (!nobodyReaches(f.path())) QSKIP("the temporary folder cannot be reached by another account");

    const QString got = QString::fromUtf8(asNobody([&] { return tryLock(f.path()); }));
    if (!sticky) {
        QCOMPARE(got, u"held"_s);
        QVERIFY(!f.exists(kLock)); // given back when the child ended
        return;
    }
    QVERIFY2(got.contains(u"「"_s + f.file(kLock) + u"」"_s) && got.contains(u"root"_s), qPrintable(got));
    QCOMPARE(f.read(kLock), QByteArray("program 2147483000\n"));
}

void TestDataFolderLock::readOnlyFolderIsNotLocked_data() {
    QTest::addColumn<bool>("fileSystem");
    QTest::newRow("no write permission") << false;
    QTest::newRow("read-only file system") << true;
}

void TestDataFolderLock::readOnlyFolderIsNotLocked() {
    QFETCH(bool, fileSystem);
    if (::geteuid() != 0) QSKIP("needs root to act as another account and to mount");
    TempFolder f;
    TmpfsMount mount(f.path(), 64);
    if (fileSystem && !mount.mounted()) QSKIP(mount.whyNot());
    f.write(kDiary, cardBytes());
    QVERIFY(::chmod(native(f.path()).constData(), 0755) == 0);
    if (fileSystem) QVERIFY(mount.makeReadOnly());
    if (!fileSystem && !nobodyReaches(f.path()))
        QSKIP("the temporary folder cannot be reached by another account");

    auto look = [&] {
        return (DataFolderLock::folderIsReadOnly(f.path()) ? "yes " : "no ") + tryLock(f.path());
    };
    const QByteArray got = fileSystem ? look() : asNobody(look);
    QCOMPARE(QString::fromUtf8(got), u"yes read-only: "_s + readOnlyMessage(f.path()));
    QCOMPARE(f.files(), QStringList{kDiary});
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
