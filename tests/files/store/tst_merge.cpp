// Merging two copies of one diary.
#include "store/merge.h"
#include "store/storeerror.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::cardBytes;
using tama::test::CardValues;
using tama::test::readFile;
using tama::test::storeErrorKind;
using tama::test::TempFolder;
using tama::test::writeFile;

namespace {

const QString kDiary = u"taro.1999.dat"_s;

QByteArray card(const QString &date, const QString &start = u"1000"_s, const QString &cashOut = u"0040"_s) {
    CardValues v;
    v.date = date;
    v.start = start;
    v.cashOut = cashOut;
    return cardBytes(v);
}

QByteArray marked(QByteArray r) {
    r[0] = 'R';
    return r;
}

const QByteArray a = card(u"19990503月"_s);
const QByteArray b = card(u"19990504火"_s);
const QByteArray c = card(u"19990505水"_s, u" 930"_s);

QByteArray joined(const QList<QByteArray> &records) {
    QByteArray out;
    for (const QByteArray &r : records)
        out += r;
    return out;
}

} // namespace

class TestMerge : public QObject {
    Q_OBJECT
  private slots:
    void plans_data();
    void plans();
    void sameVisitDifferentCardsAreBothKeptAndListed();
    void otherYearsAreRefused();
    void cardLimit();
    void damagedOrMissingOtherCopy();
    void mergeOnDisk();
};

using Records = QList<QByteArray>;

void TestMerge::plans_data() {
    QTest::addColumn<Records>("ours");
    QTest::addColumn<Records>("theirs");
    QTest::addColumn<Records>("merged");
    QTest::addColumn<QList<int>>("added");
    QTest::addColumn<int>("same");
    QTest::addColumn<int>("marked");

    QTest::newRow("disjoint") << Records{a, b} << Records{c} << Records{a, b, c} << QList<int>{1} << 0 << 0;
    QTest::newRow("identical") << Records{a, b} << Records{a, b} << Records{a, b} << QList<int>{} << 2 << 0;
    QTest::newRow("overlapping, other order")
        << Records{a, b} << Records{c, b, a} << Records{a, b, c} << QList<int>{1} << 2 << 0;
    QTest::newRow("into an empty diary")
        << Records{} << Records{b, a} << Records{b, a} << QList<int>{1, 2} << 0 << 0;
    QTest::newRow("twice on their side stays twice")
        << Records{a} << Records{a, a} << Records{a, a} << QList<int>{2} << 1 << 0;
    QTest::newRow("twice on our side stays twice")
        << Records{a, a} << Records{a} << Records{a, a} << QList<int>{} << 1 << 0;
    QTest::newRow("their mark is taken over")
        << Records{a, b} << Records{marked(a), b} << Records{marked(a), b} << QList<int>{} << 2 << 1;
    QTest::newRow("our mark stays") << Records{marked(a), b} << Records{a, b, c} << Records{marked(a), b, c}
                                    << QList<int>{3} << 2 << 0;
    QTest::newRow("marked on both sides, once")
        << Records{marked(a)} << Records{marked(a)} << Records{marked(a)} << QList<int>{} << 1 << 0;
    QTest::newRow("a marked card of theirs that we lack is added marked")
        << Records{a} << Records{marked(b)} << Records{a, marked(b)} << QList<int>{1} << 0 << 0;
}

void TestMerge::plans() {
    QFETCH(Records, ours);
    QFETCH(Records, theirs);
    QFETCH(Records, merged);
    QFETCH(QList<int>, added);
    QFETCH(int, same);
    QFETCH(int, marked);
    const MergePlan plan = planMerge(ours, theirs, 1999);
    QCOMPARE(plan.records, merged);
    QCOMPARE(plan.added, added);
    QCOMPARE(plan.same, same);
    QCOMPARE(plan.marked, marked);
    QCOMPARE(plan.ours, int(ours.size()));
    QCOMPARE(plan.theirs, int(theirs.size()));
    QCOMPARE(plan.changes(), merged != ours);
    QVERIFY(plan.conflicts.isEmpty());
}

void TestMerge::sameVisitDifferentCardsAreBothKeptAndListed() {
    const QByteArray aWon = card(u"19990503月"_s, u"1000"_s, u"0999"_s);
    const QByteArray aLater = card(u"19990503月"_s, u"1300"_s);
    MergePlan plan = planMerge({b, a}, {aWon, aLater}, 1999);
    QCOMPARE(plan.records, Records({b, a, aWon, aLater}));
    QCOMPARE(plan.conflicts.size(), 1);
    QCOMPARE(plan.conflicts[0].ours, 2);
    QCOMPARE(plan.conflicts[0].theirs, 3);

    // A mark on one side is no conflict: the card differs in its mark alone.
    plan = planMerge({a}, {marked(a)}, 1999);
    QVERIFY(plan.conflicts.isEmpty());
    // But a marked card of ours and a different card of theirs on that visit are listed.
    plan = planMerge({marked(a)}, {aWon}, 1999);
    QCOMPARE(plan.conflicts.size(), 1);
    QCOMPARE(plan.records, Records({marked(a), aWon}));
}

void TestMerge::otherYearsAreRefused() {
    const QByteArray y2000 = card(u"20000503水"_s);
    QCOMPARE(storeErrorKind([&] { planMerge({a}, {b, y2000}, 1999); }), int(StoreError::Kind::Invalid));
    // A marked card keeps the last three digits of its year only.
    QCOMPARE(storeErrorKind([&] { planMerge({a}, {marked(y2000)}, 1999); }), int(StoreError::Kind::Invalid));
    QCOMPARE(storeErrorKind([&] { planMerge({a}, {card(u"29990503月"_s)}, 1999); }),
             int(StoreError::Kind::Invalid));
    try {
        planMerge({}, {b, y2000}, 1999);
        QFAIL("a card of 2000 was merged into 1999");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(u"2 枚目のカードは 1999 年のものではありません"_s),
                 qPrintable(e.message()));
    }
    QCOMPARE(planMerge({}, {marked(a)}, 1999).added, QList<int>{1});
}

void TestMerge::cardLimit() {
    const Records full(DiaryFile::kMaxCards - 1, a);
    QCOMPARE(planMerge(full, {b}, 1999).after(), DiaryFile::kMaxCards);
    QCOMPARE(storeErrorKind([&] { planMerge(full, {b, c}, 1999); }), int(StoreError::Kind::Limit));
    // Cards already held do not count against it.
    QCOMPARE(planMerge(full, {a, b}, 1999).after(), DiaryFile::kMaxCards);
}

void TestMerge::damagedOrMissingOtherCopy() {
    TempFolder f;
    f.write(u"torn.dat"_s, a + b.left(100));
    QCOMPARE(storeErrorKind([&] { readOtherCopy(f.file(u"torn.dat"_s)); }), int(StoreError::Kind::Damaged));
    QCOMPARE(storeErrorKind([&] { readOtherCopy(f.file(u"none.dat"_s)); }), int(StoreError::Kind::Invalid));
    QCOMPARE(storeErrorKind([&] { planMerge({a}, {b.left(239)}, 1999); }), int(StoreError::Kind::Damaged));
    f.write(u"empty.dat"_s, QByteArray());
    QCOMPARE(readOtherCopy(f.file(u"empty.dat"_s)), Records());
    f.write(u"whole.dat"_s, a + b);
    QCOMPARE(readOtherCopy(f.file(u"whole.dat"_s)), Records({a, b}));
}

void TestMerge::mergeOnDisk() {
    TempFolder f;
    TempFolder other;
    const DataFolder folder(f.path());
    f.write(kDiary, a + b);
    writeFile(other.file(kDiary), marked(a) + c);
    const MergePlan plan = mergeDiary(folder, kDiary, other.file(kDiary), 1999);
    QCOMPARE(plan.added, QList<int>{2});
    QCOMPARE(f.read(kDiary), marked(a) + b + c);
    QCOMPARE(f.files(), QStringList{kDiary}); // no scratch file left

    // Refused merges leave the diary as it is.
    const QByteArray now = f.read(kDiary);
    writeFile(other.file(u"y2000.dat"_s), card(u"20000503水"_s));
    QCOMPARE(storeErrorKind([&] { mergeDiary(folder, kDiary, other.file(u"y2000.dat"_s), 1999); }),
             int(StoreError::Kind::Invalid));
    QCOMPARE(storeErrorKind([&] { mergeDiary(folder, kDiary, f.file(kDiary), 1999); }),
             int(StoreError::Kind::Invalid));
    f.write(kDiary, now + "1999");
    QCOMPARE(storeErrorKind([&] { mergeDiary(folder, kDiary, other.file(kDiary), 1999); }),
             int(StoreError::Kind::Damaged));
    QCOMPARE(f.read(kDiary), now + "1999");
    QCOMPARE(readFile(other.file(kDiary)), marked(a) + c);

    // Nothing new: the diary is not rewritten.
    f.write(kDiary, now);
    const QDateTime modified(QDate(2000, 1, 1), QTime(12, 0));
    {
        QFile file(f.file(kDiary));
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    writeFile(other.file(u"same.dat"_s), joined({b, c}));
    QVERIFY(!mergeDiary(folder, kDiary, other.file(u"same.dat"_s), 1999).changes());
    QCOMPARE(QFileInfo(f.file(kDiary)).lastModified(), modified);
    QCOMPARE(f.read(kDiary), now);
}

TAMA_TEST_MAIN(TestMerge)
#include "tst_merge.moc"
