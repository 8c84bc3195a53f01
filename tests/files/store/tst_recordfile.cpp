#include "store/recordfile.h"
#include "store/storeerror.h"
#include "support/testsupport.h"

#include <cstring>

#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;
using tama::test::TempFolder;

namespace {

// 8-byte records, at most 5 of them.
const RecordLayout &smallLayout() {
    static const RecordLayout layout(u"small"_s, {{u"Key"_s, u"キー"_s, 4}, {u"Value"_s, u"値"_s, 4}}, 5);
    return layout;
}

QByteArray rec(char c) {
    return QByteArray(8, c);
}

QByteArray recs(const QByteArray &letters) {
    QByteArray out;
    for (char c : letters)
        out += rec(c);
    return out;
}

Record recordOf(const QString &key, const QString &value) {
    Record r(smallLayout());
    r.setField(0, key);
    r.setField(1, value);
    return r;
}

template <typename F> StoreError::Kind errorKind(F &&f) {
    try {
        f();
    } catch (const StoreError &e) {
        return e.kind();
    }
    qFatal("expected a StoreError");
}

const QString kFile = u"data.dat"_s;
const QString kScratch = u"t#e#m#p#.tmp"_s;

// Records of any length, each different from the next.
QByteArray patterned(int length, int count, int tail) {
    QByteArray out(qsizetype(length) * count + tail, Qt::Uninitialized);
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = char((i * 7 + i / length) % 251);
    return out;
}

} // namespace

class TestRecordFile : public QObject {
    Q_OBJECT

  private slots:
    void missingFile();
    void missingFileReadOnly();
    void write_data();
    void write();
    void partialTail();
    void limit();
    void rewrite_data();
    void rewrite();
    void rewriteTruncatesOldScratch();
    void scratchCompleteBeforeReplace();
    void crashBeforeReplaceKeepsOldFile();
    void forEachRawBlocks_data();
    void forEachRawBlocks();
};

void TestRecordFile::missingFile() {
    TempFolder dir;
    RecordFile f(dir.file(kFile), smallLayout());
    QVERIFY(dir.exists(kFile));
    QCOMPARE(dir.read(kFile).size(), 0);
    QCOMPARE(f.count(), 0);
    QVERIFY(!f.read(1));
    QVERIFY(f.readRaw(1).isEmpty());
    QCOMPARE(f.readOrBlank(1).toBytes(), QByteArray(8, ' '));
    QCOMPARE(f.append(recordOf(u"k"_s, u"v"_s)), 1); // the first free number is 1
    QCOMPARE(dir.read(kFile), QByteArray("k   v   "));
}

void TestRecordFile::missingFileReadOnly() {
    TempFolder dir;
    RecordFile f(dir.file(kFile), smallLayout(), RecordFile::Mode::ReadOnly);
    QCOMPARE(f.count(), 0);
    QVERIFY(f.readAllRaw().isEmpty());
    QCOMPARE(errorKind([&] { f.write(1, recordOf(u"k"_s, u"v"_s)); }), StoreError::Kind::Invalid);
    QVERIFY(dir.files().isEmpty());

    // An existing file opened to read only is never written either.
    dir.write(kFile, recs("ab"));
    RecordFile g(dir.file(kFile), smallLayout(), RecordFile::Mode::ReadOnly);
    QCOMPARE(g.count(), 2);
    QCOMPARE(errorKind([&] { g.write(1, recordOf(u"k"_s, u"v"_s)); }), StoreError::Kind::Invalid);
    QCOMPARE(errorKind([&] { g.append(recordOf(u"k"_s, u"v"_s)); }), StoreError::Kind::Invalid);
    QCOMPARE(dir.read(kFile), recs("ab"));
}

void TestRecordFile::write_data() {
    QTest::addColumn<QByteArray>("before"); // one letter per record
    QTest::addColumn<int>("n");
    QTest::addColumn<QByteArray>("after"); // empty: refused and unchanged

    const QByteArray z = "zzzzZZZZ";
    QTest::newRow("append to empty") << QByteArray() << 1 << z;
    QTest::newRow("count + 1 appends") << QByteArray("ab") << 3 << recs("ab") + z;
    QTest::newRow("record 1 of 3 in place") << QByteArray("abc") << 1 << z + recs("bc");
    QTest::newRow("last record in place") << QByteArray("abc") << 3 << recs("ab") + z;
    QTest::newRow("count + 2 refused") << QByteArray("ab") << 4 << QByteArray();
    QTest::newRow("count + 2 on empty refused") << QByteArray() << 2 << QByteArray();
    QTest::newRow("record 0 refused") << QByteArray("ab") << 0 << QByteArray();
    QTest::newRow("negative refused") << QByteArray("ab") << -1 << QByteArray();
}

void TestRecordFile::write() {
    QFETCH(QByteArray, before);
    QFETCH(int, n);
    QFETCH(QByteArray, after);

    TempFolder dir;
    dir.write(kFile, recs(before));
    RecordFile f(dir.file(kFile), smallLayout());
    QCOMPARE(f.count(), before.size());
    const Record r = recordOf(u"zzzz"_s, u"ZZZZ"_s);
    if (after.isEmpty()) {
        QCOMPARE(errorKind([&] { f.write(n, r); }), StoreError::Kind::Invalid);
        QCOMPARE(dir.read(kFile), recs(before));
        return;
    }
    f.write(n, r);
    QCOMPARE(dir.read(kFile), after);
    QCOMPARE(f.count(), int(after.size() / 8));
    QCOMPARE(f.readRaw(n), rec('z').left(4) + "ZZZZ");
}

// A damaged file (not a whole number of records): its tail is never touched.
void TestRecordFile::partialTail() {
    TempFolder dir;
    const QByteArray original = recs("ab") + "xyz";
    dir.write(kFile, original);
    RecordFile f(dir.file(kFile), smallLayout());
    QCOMPARE(f.count(), 2);
    QCOMPARE(f.partialTail(), 3);
    QVERIFY(!f.read(3));
    QCOMPARE(f.readAllRaw(), (QList<QByteArray>{rec('a'), rec('b')}));

    QCOMPARE(errorKind([&] { f.append(recordOf(u"z"_s, u"z"_s)); }), StoreError::Kind::Damaged);
    QCOMPARE(errorKind([&] { f.write(3, recordOf(u"z"_s, u"z"_s)); }), StoreError::Kind::Damaged);
    QCOMPARE(dir.read(kFile), original);

    QCOMPARE(
        errorKind([&] { rewriteRecords(dir.path(), dir.file(kFile), kScratch, smallLayout(), {rec('b')}); }),
        StoreError::Kind::Damaged);
    QCOMPARE(dir.read(kFile), original);
    QCOMPARE(dir.files(), QStringList{kFile});

    // Records before the tail can still be changed in place.
    f.write(2, recordOf(u"zzzz"_s, u"zzzz"_s));
    QCOMPARE(dir.read(kFile), rec('a') + rec('z') + "xyz");
}

void TestRecordFile::limit() {
    TempFolder dir;
    dir.write(kFile, recs("abcde"));
    RecordFile f(dir.file(kFile), smallLayout());
    QCOMPARE(errorKind([&] { f.append(recordOf(u"f"_s, u"f"_s)); }), StoreError::Kind::Limit);
    QCOMPARE(dir.read(kFile), recs("abcde"));
    f.write(5, recordOf(u"zzzz"_s, u"zzzz"_s));
    QCOMPARE(dir.read(kFile), recs("abcdz"));
}

void TestRecordFile::rewrite_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("kept");

    QTest::newRow("drop the first") << QByteArray("abc") << QByteArray("bc");
    QTest::newRow("reorder") << QByteArray("abcd") << QByteArray("dacb");
    QTest::newRow("drop all") << QByteArray("ab") << QByteArray();
    QTest::newRow("from empty") << QByteArray() << QByteArray("a");
}

void TestRecordFile::rewrite() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, kept);

    TempFolder dir;
    dir.write(kFile, recs(before));
    QList<QByteArray> records;
    for (char c : kept)
        records << rec(c);
    rewriteRecords(dir.path(), dir.file(kFile), kScratch, smallLayout(), records);
    QCOMPARE(dir.read(kFile), recs(kept));
    QCOMPARE(dir.files(), QStringList{kFile}); // no scratch file left behind
}

void TestRecordFile::rewriteTruncatesOldScratch() {
    TempFolder dir;
    dir.write(kFile, recs("abc"));
    dir.write(kScratch, recs("xxxxxxxx")); // left by an earlier crash
    rewriteRecords(dir.path(), dir.file(kFile), kScratch, smallLayout(), {rec('c')});
    QCOMPARE(dir.read(kFile), rec('c'));
    QCOMPARE(dir.files(), QStringList{kFile});
}

// At the moment of the replacement the new content is complete in the scratch file and
// the target is still the old file.
void TestRecordFile::scratchCompleteBeforeReplace() {
    TempFolder dir;
    dir.write(kFile, recs("abc"));
    QByteArray targetSeen, scratchSeen;
    RecordFile::beforeReplaceHook = [&] {
        targetSeen = dir.read(kFile);
        scratchSeen = dir.read(kScratch);
    };
    rewriteRecords(dir.path(), dir.file(kFile), kScratch, smallLayout(), {rec('c'), rec('a')});
    RecordFile::beforeReplaceHook = nullptr;
    QCOMPARE(targetSeen, recs("abc"));
    QCOMPARE(scratchSeen, recs("ca"));
    QCOMPARE(dir.read(kFile), recs("ca"));
}

// The process dies between writing the scratch file and replacing the target.
void TestRecordFile::crashBeforeReplaceKeepsOldFile() {
    TempFolder dir;
    dir.write(kFile, recs("abc"));
    const QString target = dir.file(kFile);
    const QString folder = dir.path();

    const pid_t pid = ::fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        RecordFile::beforeReplaceHook = [] { ::_exit(0); };
        try {
            rewriteRecords(folder, target, kScratch, smallLayout(), {rec('b')});
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(1); // the hook was never reached
    }
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);

    QCOMPARE(dir.read(kFile), recs("abc"));
    // A later rewrite goes through, whatever the crash left.
    rewriteRecords(folder, target, kScratch, smallLayout(), {rec('b')});
    QCOMPARE(dir.read(kFile), rec('b'));
    QCOMPARE(dir.files(), QStringList{kFile});
}

void TestRecordFile::forEachRawBlocks_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("tail");
    // 65536 / 7 leaves a remainder: blocks hold 9362 records.
    QTest::newRow("7 bytes, one block") << 7 << 9362 << 0;
    QTest::newRow("7 bytes, one past a block") << 7 << 9363 << 3;
    QTest::newRow("1 byte, two blocks and one") << 1 << 65536 * 2 + 1 << 0;
    // A record longer than a block: one record a read.
    QTest::newRow("70000 bytes") << 70000 << 3 << 69999;
    QTest::newRow("65536 bytes") << 65536 << 2 << 0;
}

void TestRecordFile::forEachRawBlocks() {
    QFETCH(int, length);
    QFETCH(int, records);
    QFETCH(int, tail);
    const RecordLayout layout(u"any"_s, {{u"All"_s, u"全部"_s, length}}, 1 << 30);
    TempFolder dir;
    const QByteArray bytes = patterned(length, records, tail);
    dir.write(kFile, bytes);
    const RecordFile file(dir.file(kFile), layout, RecordFile::Mode::ReadOnly);
    QCOMPARE(file.count(), records);
    int expected = 1;
    bool same = true;
    file.forEachRaw([&](int n, const char *data) {
        same = same && n == expected &&
               std::memcmp(data, bytes.constData() + qsizetype(n - 1) * length, size_t(length)) == 0;
        ++expected;
    });
    QVERIFY(same);
    QCOMPARE(expected, records + 1);
    const QList<QByteArray> all = file.readAllRaw();
    QCOMPARE(all.size(), qsizetype(records));
    QCOMPARE(all.last(), bytes.mid(qsizetype(records - 1) * length, length));
}

TAMA_TEST_MAIN(TestRecordFile)
#include "tst_recordfile.moc"
