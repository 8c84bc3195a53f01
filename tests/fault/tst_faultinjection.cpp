// Runs every writing operation under the fault shim, failing (ENOSPC, EIO, EACCES) or
// ending the process (_exit, SIGKILL) at each of its file-system calls in turn, tearing
// each of its writes after K bytes, and cutting the power (every write not yet flushed
// lost) at each call. After every run, and the rollback that the next open does, each
// data file must hold its bytes from before or from after the operation, and a failure
// must have been reported, never success. Taking a snapshot and restoring one are failed,
// ended and cut by a power loss at every call too: then every snapshot listed must also
// be whole.
#include "faultoperations.h"
#include "store/backup.h"
#include "store/importwriter.h"
#include "store/journal.h"
#include "store/playdata.h"
#include "support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using tama::test::readFile;
using tama::test::writeFile;

namespace {

using Files = QMap<QString, QByteArray>;

struct Run {
    int exitCode = -1;
    bool crashed = false;
    QString stderrText;
    QString report; // what the shim wrote
};

Files filesOf(const QString &folder) {
    Files out;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        out.insert(name, readFile(dir.filePath(name)));
    return out;
}

void fill(const QString &folder, const Files &files) {
    QDir dir(folder);
    // An operation's own snapshots go too, so that each run starts from the same folder.
    QVERIFY(QDir(dir.filePath(u"backups"_s)).removeRecursively());
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        QVERIFY(dir.remove(name));
    for (auto it = files.begin(); it != files.end(); ++it)
        writeFile(dir.filePath(it.key()), it.value());
}

Run runDriver(const QString &folder, const QString &operation, int at, const QString &mode, int keep = 0,
              const QString &trace = QString()) {
    const QString report = folder + u".report"_s;
    QFile::remove(report);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LD_PRELOAD"_s, QStringLiteral(TAMA_FAULT_SHIM));
    env.insert(u"TAMA_FAULT_DIR"_s, folder);
    env.insert(u"TAMA_FAULT_AT"_s, QString::number(at));
    env.insert(u"TAMA_FAULT_MODE"_s, mode);
    env.insert(u"TAMA_FAULT_REPORT"_s, report);
    env.insert(u"TAMA_FAULT_KEEP"_s, QString::number(keep));
    if (!trace.isEmpty()) env.insert(u"TAMA_FAULT_TRACE"_s, trace);
    // The sanitizer build's runtime must otherwise come first in the preload list.
    const QString asan = env.value(u"ASAN_OPTIONS"_s);
    env.insert(u"ASAN_OPTIONS"_s, (asan.isEmpty() ? QString() : asan + u':') + u"verify_asan_link_order=0"_s);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAMA_FAULT_DRIVER), {folder, operation});
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.stderrText = u"timed out"_s;
        return r;
    }
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.exitCode = p.exitCode();
    r.stderrText = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    r.report = QString::fromLatin1(readFile(report)).trimmed();
    QFile::remove(report);
    return r;
}

// What the next open of the folder does before anything else: roll back a torn write,
// finish a restore cut short between its renames and undo an import cut short.
void recover(const QString &folder) {
    tama::journal::recover(folder);
    tama::backup::Backups(tama::DataFolder(folder)).finishInterruptedRestore();
    tama::finishInterruptedImport(tama::DataFolder(folder));
}

bool isScratch(const QString &name) {
    return name == u"t#e#m#p.tmp"_s || name == u"t#e#m#p#.tmp"_s || name.endsWith(u".tmp"_s);
}

// Empty when every file is as before or as after; otherwise what is wrong.
QString compare(const Files &before, const Files &after, const Files &now, bool scratchAllowed) {
    QStringList names = before.keys() + after.keys() + now.keys();
    names.removeDuplicates();
    QStringList wrong;
    for (const QString &name : names) {
        const bool inBefore = before.contains(name), inAfter = after.contains(name),
                   inNow = now.contains(name);
        if (!inBefore && !inAfter) {
            if (!(scratchAllowed && isScratch(name))) wrong << name + u" left behind"_s;
            continue;
        }
        const bool asBefore = inBefore ? (inNow && now[name] == before[name]) : !inNow;
        const bool asAfter = inAfter ? (inNow && now[name] == after[name]) : !inNow;
        if (!asBefore && !asAfter) wrong << name + (inNow ? u" changed to neither state"_s : u" missing"_s);
    }
    return wrong.join(u", "_s);
}

bool isAllOrNothing(const QString &operation) {
    for (const tama::fault::Operation &op : tama::fault::operations())
        if (op.name == operation) return op.allOrNothing;
    return false;
}

// The folder's files; for an all-or-nothing operation the play database only by its being
// there, since its bytes hold the time of each row, and without SQLite's journal beside it
// (a hot journal is SQLite's own to roll back).
Files stateOf(const QString &folder, bool allOrNothing) {
    Files files = filesOf(folder);
    if (!allOrNothing) return files;
    const QString db = tama::PlayDatabase::fileName();
    files.removeIf([&](const auto &it) { return it.key().startsWith(db + u'-'); });
    if (files.contains(db)) files[db].clear();
    return files;
}

// Empty unless an all-or-nothing operation left some files as before and some as after.
QString mixed(bool allOrNothing, const Files &before, const Files &after, const Files &now) {
    if (!allOrNothing || compare(before, before, now, true).isEmpty() ||
        compare(after, after, now, true).isEmpty())
        return {};
    return u"some files as before, some as after: "_s + compare(before, before, now, true);
}

} // namespace

class tst_FaultInjection : public QObject {
    Q_OBJECT
  private slots:
    void everyCall_data();
    void everyCall();
    void tornWrites_data();
    void tornWrites();
    void lostWrites_data();
    void lostWrites();
    void replacedAfterKill_data();
    void replacedAfterKill();
    void snapshotsEveryCall_data();
    void snapshotsEveryCall();
    void snapshotsLostWrites_data();
    void snapshotsLostWrites();
    void lockEveryCall_data();
    void lockEveryCall();
    void playEveryCall_data();
    void playEveryCall();
};

namespace {

struct Clean {
    Files before, after;
    int calls = 0;
    QList<QPair<int, int>> writes; // call number and bytes of every write
};

// The operation once without faults, on a fresh copy of the folder; reserved: the folder
// holds the journal the program reserves when it starts.
Clean cleanRun(const QString &folder, const QString &operation, bool reserved) {
    Clean c;
    c.before = tama::fault::preparedFolder();
    if (reserved) c.before.insert(tama::journal::fileName(), QByteArray(tama::journal::kReservedSize, '\0'));
    fill(folder, c.before);
    const QString trace = folder + u".trace"_s;
    const Run r = runDriver(folder, operation, 0, u"EIO"_s, 0, trace);
    if (r.exitCode != 0 || !r.report.startsWith(u"count "_s))
        qFatal("clean run failed: %s", qPrintable(r.stderrText));
    c.calls = r.report.mid(6).toInt();
    c.after = stateOf(folder, isAllOrNothing(operation));
    for (const QByteArray &line : readFile(trace).split('\n')) {
        const QList<QByteArray> w = line.split(' ');
        if (w.size() == 3 && (w[1] == "write" || w[1] == "pwrite" || w[1] == "writev"))
            c.writes.append({w[0].toInt(), w[2].toInt()});
    }
    QFile::remove(trace);
    return c;
}

// Every K for a write of one record or less (where a tear could mix a record) on a folder
// without the reserved journal and, with TAMA_FAULT_EVERY_K set, for every write; otherwise
// the edges and every 16th K, which keeps the suite quick (the sanitizer build runs it too).
// An all-or-nothing operation, whose every write is undone as a whole, is torn at the
// edges and the middle only: where a torn record could mix is the other operations' sweep.
QList<int> keepCounts(int size, bool reserved, bool allOrNothing) {
    QList<int> ks;
    const bool every =
        (size <= 240 && !reserved && !allOrNothing) || qEnvironmentVariableIsSet("TAMA_FAULT_EVERY_K");
    for (int k = 0; k < size; ++k)
        if (allOrNothing && !every ? (k < 2 || k == size - 1 || k == size / 2)
                                   : (every || k < 2 || k == size - 1 || k % 16 == 0))
            ks.append(k);
    return ks;
}

void operationRows() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("reserved");
    for (const tama::fault::Operation &op : tama::fault::operations()) {
        QTest::newRow(op.name.toLatin1().constData()) << op.name << false;
        QTest::newRow((op.name + u" reserved journal"_s).toLatin1().constData()) << op.name << true;
    }
}

} // namespace

void tst_FaultInjection::everyCall_data() {
    QTest::addColumn<QString>("operation");
    for (const tama::fault::Operation &op : tama::fault::operations())
        QTest::newRow(op.name.toLatin1().constData()) << op.name;
}

void tst_FaultInjection::everyCall() {
    QFETCH(QString, operation);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = root.filePath(u"data"_s);
    QVERIFY(QDir().mkpath(folder));

    const bool whole = isAllOrNothing(operation);
    const Files before = tama::fault::preparedFolder();
    fill(folder, before);
    const Run clean = runDriver(folder, operation, 0, u"EIO"_s);
    QCOMPARE(clean.stderrText, QString());
    QCOMPARE(clean.exitCode, 0);
    QVERIFY2(clean.report.startsWith(u"count "_s), qPrintable(clean.report));
    const int calls = clean.report.mid(6).toInt();
    QVERIFY(calls > 0);
    const Files after = stateOf(folder, whole);
    QVERIFY2(after != before, "the operation changes nothing");
    QVERIFY(compare(before, after, after, false).isEmpty());

    // An operation that takes a snapshot makes many calls: a full disk and SIGKILL at each,
    // the other errors and _exit (the same paths) with TAMA_FAULT_ALL_MODES set.
    const QStringList modes = !whole || qEnvironmentVariableIsSet("TAMA_FAULT_ALL_MODES")
                                  ? QStringList{u"ENOSPC"_s, u"EIO"_s, u"EACCES"_s, u"exit"_s, u"kill"_s}
                                  : QStringList{u"ENOSPC"_s, u"kill"_s};
    int runs = 0, reported = 0, benign = 0;
    QSet<QString> gotPast;
    for (const QString &mode : modes) {
        const bool killing = mode == u"exit"_s || mode == u"kill"_s;
        for (int n = 1;; ++n) {
            QVERIFY2(n <= calls + 1, "the operation made more calls than in its clean run");
            fill(folder, before);
            const Run r = runDriver(folder, operation, n, mode);
            ++runs;
            const QString where = u"%1 at call %2 (%3): "_s.arg(mode).arg(n).arg(r.report);
            recover(folder);
            const Files now = stateOf(folder, whole);
            const QString wrong = compare(before, after, now, killing) + mixed(whole, before, after, now);
            QVERIFY2(wrong.isEmpty(), qPrintable(where + wrong));
            if (r.report.startsWith(u"count "_s)) {
                // Call n was never reached: the operation completed.
                QVERIFY2(r.exitCode == 0 && !r.crashed, qPrintable(where + r.stderrText));
                QCOMPARE(stateOf(folder, whole), after);
                QCOMPARE(n, calls + 1);
                break;
            }
            const QStringList hit = r.report.split(u' ');
            QVERIFY2(hit.size() == 3 && hit[0].toInt() == n, qPrintable(where + u"no report"_s));
            if (killing) {
                QVERIFY2(r.crashed || r.exitCode == 86, qPrintable(where + u"the process survived"_s));
                continue;
            }
            QVERIFY2(!r.crashed, qPrintable(where + u"crashed: "_s + r.stderrText));
            if (r.exitCode == 0) {
                // Only a failing close with nothing unflushed may pass unreported, and a
                // refused open: such a file is opened to read, and a write to it reports why.
                // An operation that takes a snapshot gets past what the snapshot does without
                // (its record of known files), as long as the whole result is there.
                const bool refusedOpen = mode == u"EACCES"_s && hit[1] == u"open"_s;
                if (whole && hit[2] != u"1"_s) gotPast.insert(hit[1]);
                QVERIFY2(hit[2] == u"1"_s || refusedOpen || whole,
                         qPrintable(where + u"an injected failure was reported as success"_s));
                QCOMPARE(stateOf(folder, whole), after);
                ++benign;
                continue;
            }
            QVERIFY2(r.exitCode == 1, qPrintable(where + r.stderrText));
            QVERIFY2(r.stderrText.startsWith(u"「"_s),
                     qPrintable(where + u"message without the file: "_s + r.stderrText));
            ++reported;
        }
    }
    qInfo("%s: %d calls, %d runs, %d errors reported, %d harmless failures passed (%s), nothing lost",
          qPrintable(operation), calls, runs, reported, benign,
          qPrintable(QStringList(gotPast.values()).join(u", "_s)));
}

void tst_FaultInjection::tornWrites_data() {
    operationRows();
}

// Each write stops after K bytes and the process dies there.
void tst_FaultInjection::tornWrites() {
    QFETCH(QString, operation);
    QFETCH(bool, reserved);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = root.filePath(u"data"_s);
    QVERIFY(QDir().mkpath(folder));
    const Clean c = cleanRun(folder, operation, reserved);
    QVERIFY(!c.writes.isEmpty());
    int runs = 0;
    for (const auto &[n, size] : c.writes) {
        for (int k : keepCounts(size, reserved, isAllOrNothing(operation))) {
            fill(folder, c.before);
            const Run r = runDriver(folder, operation, n, u"torn"_s, k);
            const QString where = u"write %1 (%2 bytes) torn after %3: "_s.arg(n).arg(size).arg(k);
            QVERIFY2(r.exitCode == 86 && r.report.startsWith(QString::number(n) + u' '),
                     qPrintable(where + r.report + u' ' + r.stderrText));
            recover(folder);
            const bool whole = isAllOrNothing(operation);
            const Files now = stateOf(folder, whole);
            const QString wrong =
                compare(c.before, c.after, now, true) + mixed(whole, c.before, c.after, now);
            QVERIFY2(wrong.isEmpty(), qPrintable(where + wrong));
            ++runs;
        }
    }
    qInfo("%s%s: %lld writes, %d torn runs, nothing mixed", qPrintable(operation),
          reserved ? " (reserved journal)" : "", qsizetype(c.writes.size()), runs);
}

void tst_FaultInjection::lostWrites_data() {
    operationRows();
}

// The power goes at each call: every write not yet flushed is lost.
void tst_FaultInjection::lostWrites() {
    QFETCH(QString, operation);
    QFETCH(bool, reserved);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = root.filePath(u"data"_s);
    QVERIFY(QDir().mkpath(folder));
    const Clean c = cleanRun(folder, operation, reserved);
    int runs = 0, asBefore = 0;
    for (int n = 1; n <= c.calls; ++n) {
        fill(folder, c.before);
        const Run r = runDriver(folder, operation, n, u"lose"_s);
        const QString where = u"power cut at call %1 (%2): "_s.arg(n).arg(r.report);
        QVERIFY2(r.exitCode == 86, qPrintable(where + r.stderrText));
        recover(folder);
        const bool whole = isAllOrNothing(operation);
        const Files now = stateOf(folder, whole);
        const QString wrong = compare(c.before, c.after, now, true) + mixed(whole, c.before, c.after, now);
        QVERIFY2(wrong.isEmpty(), qPrintable(where + wrong));
        asBefore += compare(c.before, c.before, now, true).isEmpty();
        ++runs;
    }
    qInfo("%s%s: %d calls, %d power cuts (%d left the old state), nothing mixed", qPrintable(operation),
          reserved ? " (reserved journal)" : "", c.calls, runs, asBefore);
}

namespace {

// Puts the folder back to files, writing over those there in place (as cp does, keeping each
// file's identity) and removing any other.
void refill(const QString &folder, const Files &files) {
    QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!files.contains(name)) QVERIFY(dir.remove(name));
    for (auto it = files.begin(); it != files.end(); ++it)
        writeFile(dir.filePath(it.key()), it.value());
}

} // namespace

// The operations that write in place, through the journal; the others rewrite whole files.
void tst_FaultInjection::replacedAfterKill_data() {
    QTest::addColumn<QString>("operation");
    for (const QString &op : {u"append-card"_s, u"update-card"_s, u"mark-card"_s, u"unmark-card"_s,
                              u"add-user"_s, u"clear-autostart"_s, u"add-store"_s, u"add-model"_s})
        QTest::newRow(op.toLatin1().constData()) << op;
}

// The write is killed at each call; where it leaves a journal, the file it names is then
// replaced by a copy from another computer (in place, as cp does), and the next start's
// recovery is failed, ended and cut by a power loss at each of its own calls. The copy and
// every other file stay as they are, and the journal is never lost: it stays, or is put aside.
void tst_FaultInjection::replacedAfterKill() {
    QFETCH(QString, operation);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = root.filePath(u"data"_s);
    QVERIFY(QDir().mkpath(folder));
    const Clean c = cleanRun(folder, operation, false);
    const QString journal = tama::journal::fileName();
    int journals = 0, runs = 0, recoveryCalls = 0;
    for (int n = 1; n <= c.calls; ++n) {
        fill(folder, c.before);
        const Run killed = runDriver(folder, operation, n, u"kill"_s);
        QVERIFY2(killed.crashed || killed.exitCode == 86, qPrintable(killed.report));
        const tama::journal::State s = tama::journal::inspect(folder);
        if (s.kind != tama::journal::State::Pending) continue;
        ++journals;
        Files start = filesOf(folder);
        start[s.file] = c.before.value(s.file) + c.before.value(s.file); // twice the records
        const QByteArray entry = start.value(journal);
        const Run clean = [&] {
            refill(folder, start);
            return runDriver(folder, u"recover"_s, 0, u"EIO"_s);
        }();
        QVERIFY2(clean.exitCode == 0 && clean.report.startsWith(u"count "_s), qPrintable(clean.stderrText));
        const int calls = clean.report.mid(6).toInt();
        recoveryCalls = std::max(recoveryCalls, calls);
        for (const QString &mode : {u"ENOSPC"_s, u"EIO"_s, u"kill"_s, u"lose"_s}) {
            for (int m = 1; m <= calls; ++m) {
                refill(folder, start);
                const Run r = runDriver(folder, u"recover"_s, m, mode);
                const QString where =
                    u"killed at call %1, recovery %2 at call %3 (%4): "_s.arg(n).arg(mode).arg(m).arg(
                        r.report);
                QVERIFY2(r.exitCode != 0 || r.report.startsWith(u"count "_s) || r.report.endsWith(u" 1"_s),
                         qPrintable(where + u"an injected failure was reported as success"_s));
                recover(folder);
                Files now = filesOf(folder);
                QString asideName;
                for (const QString &name : now.keys())
                    if (tama::journal::isAsideName(name)) asideName = name;
                QVERIFY2(!asideName.isEmpty() && now.take(asideName) == entry,
                         qPrintable(where + u"the journal was not kept"_s));
                QVERIFY2(!now.contains(journal) || now[journal].count('\0') == now[journal].size(),
                         qPrintable(where + u"a journal still pending"_s));
                now.remove(journal);
                Files expected = start;
                expected.remove(journal);
                QVERIFY2(now == expected, qPrintable(where + u"a file changed"_s));
                ++runs;
            }
        }
    }
    QVERIFY2(journals > 0, "no kill left a journal");
    qInfo("%s: %d kills left a journal; their recovery (%d calls) failed or cut %d times, nothing applied or "
          "lost",
          qPrintable(operation), journals, recoveryCalls, runs);
}

namespace {

// The whole folder, snapshots and all, copied afresh (the model's snapshot shares no file).
void copyTree(const QString &from, const QString &to) {
    QDir(to).removeRecursively();
    QVERIFY(QDir().mkpath(to));
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + path.mid(from.size());
        if (it.fileInfo().isDir())
            QVERIFY(QDir().mkpath(target));
        else
            writeFile(target, readFile(path));
    }
}

// What is wrong with the snapshots: one listed that is not whole, or the earlier one gone.
QString snapshotProblems(const QString &folder, const QString &earlier) {
    const tama::backup::Backups backups{tama::DataFolder(folder)};
    QStringList wrong;
    bool earlierSeen = false;
    for (const tama::backup::Snapshot &s : backups.list()) {
        earlierSeen = earlierSeen || s.id == earlier;
        const QStringList problems = backups.verify(s);
        if (!problems.isEmpty()) wrong << s.id + u": "_s + problems.join(u", "_s);
    }
    if (!earlierSeen) wrong << earlier + u" no longer listed"_s;
    return wrong.join(u"; "_s);
}

} // namespace

void tst_FaultInjection::snapshotsEveryCall_data() {
    QTest::addColumn<QString>("operation");
    for (const tama::fault::Operation &op : tama::fault::snapshotOperations())
        QTest::newRow(op.name.toLatin1().constData()) << op.name;
}

// Like everyCall, with the snapshots checked as well. A failure the operation gets past
// (a hard link refused, so the copy is written instead; an old snapshot not removed)
// may end in success, but only with the whole result there.
void tst_FaultInjection::snapshotsEveryCall() {
    QFETCH(QString, operation);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString model = root.filePath(u"model"_s), folder = root.filePath(u"data"_s);
    QVERIFY(QDir().mkpath(model));
    tama::fault::prepareSnapshotFolder(model);
    const Files before = filesOf(model);
    const QString earlier = tama::backup::Backups(tama::DataFolder(model)).list().first().id;

    copyTree(model, folder);
    const Run clean = runDriver(folder, operation, 0, u"EIO"_s);
    QCOMPARE(clean.stderrText, QString());
    QCOMPARE(clean.exitCode, 0);
    QVERIFY2(clean.report.startsWith(u"count "_s), qPrintable(clean.report));
    const int calls = clean.report.mid(6).toInt();
    const Files after = filesOf(folder);
    const qsizetype snapshotsAfter = tama::backup::Backups(tama::DataFolder(folder)).list().size();
    QCOMPARE(snapshotsAfter, 2);
    QCOMPARE(snapshotProblems(folder, earlier), QString());

    // A full disk and SIGKILL at every call; the other errors and _exit take the same paths
    // here and run only with TAMA_FAULT_ALL_MODES set, which keeps the suite quick.
    const QStringList modes = qEnvironmentVariableIsSet("TAMA_FAULT_ALL_MODES")
                                  ? QStringList{u"ENOSPC"_s, u"EIO"_s, u"EACCES"_s, u"exit"_s, u"kill"_s}
                                  : QStringList{u"ENOSPC"_s, u"kill"_s};
    int runs = 0, reported = 0, absorbed = 0, killed = 0;
    QStringList gotPast; // the calls whose failure the operation got past
    for (const QString &mode : modes) {
        const bool killing = mode == u"exit"_s || mode == u"kill"_s;
        for (int n = 1;; ++n) {
            QVERIFY2(n <= calls + 1, "the operation made more calls than in its clean run");
            copyTree(model, folder);
            const Run r = runDriver(folder, operation, n, mode);
            ++runs;
            const QString where = u"%1 at call %2 (%3): "_s.arg(mode).arg(n).arg(r.report);
            const QString wrong = compare(before, after, filesOf(folder), killing);
            QVERIFY2(wrong.isEmpty(), qPrintable(where + wrong));
            const QString broken = snapshotProblems(folder, earlier);
            QVERIFY2(broken.isEmpty(), qPrintable(where + broken));
            if (r.report.startsWith(u"count "_s)) {
                QVERIFY2(r.exitCode == 0 && !r.crashed, qPrintable(where + r.stderrText));
                QCOMPARE(n, calls + 1);
                break;
            }
            const QStringList hit = r.report.split(u' ');
            QVERIFY2(hit.size() == 3 && hit[0].toInt() == n, qPrintable(where + u"no report"_s));
            if (killing) {
                QVERIFY2(r.crashed || r.exitCode == 86, qPrintable(where + u"the process survived"_s));
                // After the next open a whole restore is all or nothing too.
                if (operation == u"restore-all"_s) {
                    recover(folder);
                    const Files now = filesOf(folder);
                    QVERIFY2(now == before || now == after, qPrintable(where + u"part restored"_s));
                }
                ++killed;
                continue;
            }
            QVERIFY2(!r.crashed, qPrintable(where + u"crashed: "_s + r.stderrText));
            if (r.exitCode == 0) {
                QVERIFY2(filesOf(folder) == after, qPrintable(where + u"success without the whole result"_s));
                const qsizetype listed = tama::backup::Backups(tama::DataFolder(folder)).list().size();
                QVERIFY2(listed == snapshotsAfter, qPrintable(where + u"success without its snapshot"_s));
                ++absorbed;
                if (!gotPast.contains(hit[1])) gotPast.append(hit[1]);
                continue;
            }
            QVERIFY2(r.exitCode == 1 && !r.stderrText.isEmpty(), qPrintable(where + r.stderrText));
            // A whole restore that fails is all or nothing: no file of it stays restored.
            if (operation == u"restore-all"_s)
                QVERIFY2(filesOf(folder) == before, qPrintable(where + u"part restored: "_s + r.stderrText));
            ++reported;
        }
    }
    qInfo("%s: %d calls, %d runs, %d errors reported, %d failures got past (%s), %d ended, nothing lost",
          qPrintable(operation), calls, runs, reported, absorbed, qPrintable(gotPast.join(u", "_s)), killed);
}

void tst_FaultInjection::snapshotsLostWrites_data() {
    snapshotsEveryCall_data();
}

// The power goes at each call of a snapshot or a restore: a snapshot whose copies were not
// yet flushed must not be listed, and each data file is as before or as after.
void tst_FaultInjection::snapshotsLostWrites() {
    QFETCH(QString, operation);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString model = root.filePath(u"model"_s), folder = root.filePath(u"data"_s);
    QVERIFY(QDir().mkpath(model));
    tama::fault::prepareSnapshotFolder(model);
    const Files before = filesOf(model);
    const QString earlier = tama::backup::Backups(tama::DataFolder(model)).list().first().id;
    copyTree(model, folder);
    const Run clean = runDriver(folder, operation, 0, u"EIO"_s);
    QCOMPARE(clean.exitCode, 0);
    const int calls = clean.report.mid(6).toInt();
    const Files after = filesOf(folder);

    int runs = 0, listedNew = 0, mixed = 0;
    for (int n = 1; n <= calls; ++n) {
        copyTree(model, folder);
        const Run r = runDriver(folder, operation, n, u"lose"_s);
        const QString where = u"power cut at call %1 (%2): "_s.arg(n).arg(r.report);
        QVERIFY2(r.exitCode == 86, qPrintable(where + r.stderrText));
        const QString wrong = compare(before, after, filesOf(folder), true);
        QVERIFY2(wrong.isEmpty(), qPrintable(where + wrong));
        const QString broken = snapshotProblems(folder, earlier);
        QVERIFY2(broken.isEmpty(), qPrintable(where + broken));
        const bool undoListed = tama::backup::Backups(tama::DataFolder(folder)).list().size() > 1;
        listedNew += undoListed;
        // A whole restore cut between its renames is finished by the next open: all or nothing.
        const Files cut = filesOf(folder);
        recover(folder);
        const Files now = filesOf(folder);
        QVERIFY2(now == before || now == after, qPrintable(where + u"part restored after the next open"_s));
        if (cut != now) {
            QVERIFY2(undoListed, qPrintable(where + u"restore finished without the undo snapshot"_s));
            ++mixed;
        }
        ++runs;
    }
    // Once renamed into place a snapshot was flushed whole: a cut after that keeps it.
    QVERIFY(listedNew > 0);
    qInfo("%s: %d calls, %d power cuts (%d with the new snapshot listed, %d finished by the next open), "
          "nothing lost",
          qPrintable(operation), calls, runs, listedNew, mixed);
}

void tst_FaultInjection::lockEveryCall_data() {
    QTest::addColumn<bool>("linked");
    QTest::newRow("left by a dead holder") << false;
    QTest::newRow("a second name of the diary") << true;
}

// Taking the lock fails, is killed or loses its power at each call: the diary is never
// touched through the lock's name, and whatever is left never blocks the next writer.
void tst_FaultInjection::lockEveryCall() {
    QFETCH(bool, linked);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = root.filePath(u"data"_s), lockName = u".tamanote.lock"_s;
    QVERIFY(QDir().mkpath(folder));
    auto prepare = [&] {
        Files files = tama::fault::preparedFolder();
        if (!linked) files.insert(lockName, "program 99999\n");
        fill(folder, files);
        if (linked)
            QVERIFY(::link(QFile::encodeName(QDir(folder).filePath(tama::fault::kDiary)).constData(),
                           QFile::encodeName(QDir(folder).filePath(lockName)).constData()) == 0);
    };
    prepare();
    const Files before = filesOf(folder);
    const Run clean = runDriver(folder, u"take-lock"_s, 0, u"EIO"_s);
    QCOMPARE(clean.exitCode, 0);
    const int calls = clean.report.mid(6).toInt();
    Files after = before;
    after.remove(lockName); // put aside, and the program's own file gone with it
    QCOMPARE(filesOf(folder), after);

    int runs = 0, reported = 0, absorbed = 0, ended = 0;
    for (const QString &mode : {u"ENOSPC"_s, u"EIO"_s, u"EACCES"_s, u"kill"_s, u"lose"_s}) {
        const bool killing = mode == u"kill"_s || mode == u"lose"_s;
        for (int n = 1; n <= calls + 1; ++n) {
            prepare();
            const Run r = runDriver(folder, u"take-lock"_s, n, mode);
            const QString where = u"%1 at call %2 (%3): "_s.arg(mode).arg(n).arg(r.report);
            ++runs;
            Files now = filesOf(folder);
            // Its own lock file, empty or naming it, is all it may leave (killed, or its removal
            // at the end failed): a dead holder's file, taken over by the next writer.
            if (now.contains(lockName) && (now[lockName].isEmpty() || now[lockName].startsWith("command ")))
                now.remove(lockName);
            const QString wrong = compare(before, after, now, false);
            QVERIFY2(wrong.isEmpty(), qPrintable(where + wrong));
            QCOMPARE(now.value(tama::fault::kDiary), before.value(tama::fault::kDiary));
            if (r.report.startsWith(u"count "_s)) break;
            if (killing) {
                QVERIFY2(r.crashed || r.exitCode == 86, qPrintable(where + u"the process survived"_s));
                ++ended;
            } else if (r.exitCode == 0) {
                ++absorbed;
            } else {
                QVERIFY2(r.exitCode == 1 && !r.stderrText.isEmpty(), qPrintable(where + r.stderrText));
                ++reported;
            }
            // The next writer takes the folder, whatever this one left.
            const Run next = runDriver(folder, u"take-lock"_s, 0, u"EIO"_s);
            QVERIFY2(next.exitCode == 0, qPrintable(where + u"the next writer: "_s + next.stderrText));
            QCOMPARE(filesOf(folder), after);
        }
    }
    qInfo(
        "take-lock (%s): %d calls, %d runs, %d errors reported, %d failures got past, %d ended, nothing lost",
        linked ? "hard link" : "dead holder", calls, runs, reported, absorbed, ended);
}

TAMA_TEST_MAIN(tst_FaultInjection)
#include "tst_faultinjection.moc"

namespace {

bool isDatabaseFile(const QString &name) {
    return name.startsWith(tama::PlayDatabase::fileName());
}

Files withoutDatabase(Files files) {
    for (const QString &name : files.keys())
        if (isDatabaseFile(name)) files.remove(name);
    return files;
}

// The spins on each card of the diary as it stands (-1: none), and the spins of the rows
// set aside; empty with a reason when the database is not sound.
struct PlayState {
    QList<qint64> onCards;
    QList<qint64> setAside;
    int chodamaEntries = 0;
    QString problem;
};

PlayState playState(const QString &folder) {
    PlayState st;
    const tama::DataFolder f(folder);
    tama::PlayDatabase db(f);
    if (!db.isOpen()) {
        st.problem = u"database not open: "_s + db.reason();
        return st;
    }
    if (const QStringList p = db.integrityProblems(); !p.isEmpty()) {
        st.problem = u"database damaged: "_s + p.join(u"; "_s);
        return st;
    }
    if (db.pendingChanges() != 0) st.problem = u"a change left pending"_s;
    const tama::DiaryKeys keys = tama::DiaryKeys::ofDiary(f, tama::fault::kDiary);
    for (int n = 1; n <= keys.count(); ++n) {
        const std::optional<tama::PlayInputs> p = db.play(tama::fault::kDiary, keys.key(n));
        st.onCards.append(p && p->spins ? *p->spins : -1);
    }
    for (const tama::DetachedPlay &d : db.detached())
        st.setAside.append(d.play.spins.value_or(-1));
    st.chodamaEntries = int(db.chodamaEntries(tama::fault::kChodamaUser).size());
    return st;
}

} // namespace

void tst_FaultInjection::playEveryCall_data() {
    QTest::addColumn<QString>("operation");
    for (const tama::fault::Operation &op : tama::fault::playOperations())
        QTest::newRow(op.name.toLatin1().constData()) << op.name;
}

// The play database and the diary under every failure, kill and power cut: after the next
// opening's repair the diary is as before or after, every card carries the rows of that
// state, and a row not on its card is set aside, never on another card. Only play data
// typed for the write may be missing, and only when the write reported an error.
void tst_FaultInjection::playEveryCall() {
    QFETCH(QString, operation);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = root.filePath(u"data"_s);
    QVERIFY(QDir().mkpath(folder));
    fill(folder, tama::fault::preparedFolder());
    tama::fault::addPlayData(folder);
    const Files before = filesOf(folder);
    const PlayState was = playState(folder);
    QVERIFY2(was.problem.isEmpty(), qPrintable(was.problem));
    const Run clean = runDriver(folder, operation, 0, u"EIO"_s);
    QCOMPARE(clean.stderrText, QString());
    QVERIFY2(clean.report.startsWith(u"count "_s), qPrintable(clean.report));
    const int calls = clean.report.mid(6).toInt();
    const Files after = filesOf(folder);
    const PlayState will = playState(folder);
    QVERIFY2(will.problem.isEmpty(), qPrintable(will.problem));
    QVERIFY2(will.setAside.isEmpty(), "the clean run set rows aside");
    const QByteArray diaryBefore = before.value(tama::fault::kDiary),
                     diaryAfter = after.value(tama::fault::kDiary);

    const QStringList modes = {u"ENOSPC"_s, u"EIO"_s, u"EACCES"_s, u"exit"_s, u"kill"_s, u"lose"_s};
    int runs = 0, asBefore = 0;
    for (const QString &mode : modes) {
        for (int n = 1; n <= calls; ++n) {
            fill(folder, before);
            const Run r = runDriver(folder, operation, n, mode);
            ++runs;
            const QString where = u"%1 at call %2 (%3): "_s.arg(mode).arg(n).arg(r.report);
            recover(folder);
            tama::repairPlayData(tama::DataFolder(folder));
            const Files now = filesOf(folder);
            const QString wrong =
                compare(withoutDatabase(before), withoutDatabase(after), withoutDatabase(now), true);
            QVERIFY2(wrong.isEmpty(), qPrintable(where + wrong));
            const PlayState st = playState(folder);
            QVERIFY2(st.problem.isEmpty(), qPrintable(where + st.problem));
            // The state the diary is in decides the rows it must carry; without a diary
            // change, either state.
            const bool diaryChanges = diaryBefore != diaryAfter;
            const bool diaryAsAfter = now.value(tama::fault::kDiary) == diaryAfter;
            QList<const PlayState *> candidates;
            if (!diaryChanges || !diaryAsAfter) candidates.append(&was);
            if (!diaryChanges || diaryAsAfter) candidates.append(&will);
            const bool reported = r.exitCode == 1 && r.stderrText.startsWith(u"「"_s);
            const bool completed = r.report.startsWith(u"count "_s) && r.exitCode == 0;
            QString why;
            bool fits = false;
            for (const PlayState *want : candidates) {
                why.clear();
                if (want->onCards.size() != st.onCards.size()) {
                    why = u"cards counted differently"_s;
                    continue;
                }
                for (int i = 0; i < st.onCards.size() && why.isEmpty(); ++i) {
                    const qint64 has = st.onCards[i], should = want->onCards[i];
                    if (has == should) continue;
                    if (has != -1)
                        why = u"card %1 carries %2 instead of %3"_s.arg(i + 1).arg(has).arg(should);
                    else if (!st.setAside.contains(should) && !(reported && !was.onCards.contains(should)))
                        why = u"card %1 lost its %2 spins"_s.arg(i + 1).arg(should);
                }
                if (why.isEmpty()) {
                    fits = true;
                    asBefore += want == &was && diaryChanges;
                    break;
                }
            }
            QVERIFY2(fits, qPrintable(where + why));
            // An entry made by hand is added whole or not at all, and is there when it said so.
            QVERIFY2(
                st.chodamaEntries == (completed ? will.chodamaEntries : st.chodamaEntries) &&
                    (st.chodamaEntries == was.chodamaEntries || st.chodamaEntries == will.chodamaEntries),
                qPrintable(where + u"貯玉 entries: %1"_s.arg(st.chodamaEntries)));
            if (mode == u"exit"_s || mode == u"kill"_s || mode == u"lose"_s) continue;
            QVERIFY2(completed || reported || r.crashed == false,
                     qPrintable(where + u"neither done nor reported: "_s + r.stderrText));
            if (r.exitCode == 0 && !completed) {
                // An injected failure that passed must have left the work done.
                QVERIFY2(st.setAside.isEmpty(), qPrintable(where + u"a failure passed as success"_s));
            }
        }
    }
    qInfo("%s: %d calls, %d runs (%d left the diary as it was), no row on a wrong card",
          qPrintable(operation), calls, runs, asBefore);
}
