#include "store/diary.h"
#include "store/organise.h"
#include "store/recordfile.h"
#include "store/storeerror.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QRandomGenerator>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QString kDiary = u"taro.1999.dat"_s;

// A 240-byte card: date and start time as given, the rest telling the cards apart.
QByteArray card(const QByteArray &date, const QByteArray &start, char tag = 'x') {
    return cardBytes({.date = QString::fromLatin1(date) + u"土"_s,
                      .start = QString::fromLatin1(start),
                      .end = u"1405"_s,
                      .store = u"ＡＢ"_s,
                      .category = u"2"_s,
                      .model = QString(QChar::fromLatin1(tag)),
                      .investment = u"0150"_s,
                      .cashOut = u"0000"_s,
                      .impression = u"よか"_s});
}

QByteArray join(const QList<QByteArray> &cards) {
    QByteArray b;
    for (const QByteArray &c : cards)
        b += c;
    return b;
}

} // namespace

class TestOrganise : public QObject {
    Q_OBJECT
  private slots:
    void organisesTheFile_data();
    void organisesTheFile();
    void planNamesDropsAndMoves();
    void keepsBytesItDoesNotRead();
    void damagedDiaryIsLeftAlone();
    void crashBeforeReplacementLeavesOldDiary();
    void killedAtRandomLeavesOneWholeDiary();
};

void TestOrganise::organisesTheFile_data() {
    QTest::addColumn<QList<QByteArray>>("cards");
    QTest::addColumn<QList<int>>("expected"); // indexes into cards

    const QByteArray may3 = card("19990503", "1000", 'a'), may1 = card("19990501", "1000", 'b'),
                     may2 = card("19990502", "1000", 'c');
    QTest::newRow("by date") << QList<QByteArray>{may3, may1, may2} << QList<int>{1, 2, 0};
    // A space stands for nothing: 9:30 comes before 14:00 (as text " 930" would not).
    QTest::newRow("by start minute") << QList<QByteArray>{card("19990501", "1400", 'a'),
                                                          card("19990501", " 930", 'b')}
                                     << QList<int>{1, 0};
    QTest::newRow("minutes, not text")
        << QList<QByteArray>{card("19990501", "1005", 'a'), card("19990501", "10 5", 'b'),
                             card("19990501", "1004", 'c')}
        << QList<int>{2, 0, 1};
    QTest::newRow("ties keep their order")
        << QList<QByteArray>{card("19990501", "1000", 'a'), card("19990430", "2300", 'b'),
                             card("19990501", "1000", 'c'), card("19990501", "1000", 'd')}
        << QList<int>{1, 0, 2, 3};
    // Marked cards 2 and 5 of six go; the rest are already in order.
    QList<QByteArray> six;
    for (int i = 0; i < 6; ++i)
        six << card("1999010" + QByteArray::number(i + 1), "1000", char('a' + i));
    six[1] = card("R9990102", "1000", 'b');
    six[4] = card("R9990105", "1000", 'e');
    QTest::newRow("six with two marked") << six << QList<int>{0, 2, 3, 5};
    QTest::newRow("all marked") << QList<QByteArray>{card("R9990501", "1000"), card("R0000101", "1000")}
                                << QList<int>{};
    QTest::newRow("empty") << QList<QByteArray>{} << QList<int>{};
    // Month and day compare as text after the year: 12 before 31, 1998 before 1999.
    QTest::newRow("year, month, day")
        << QList<QByteArray>{card("19991201", "0900", 'a'), card("19980131", "2300", 'b'),
                             card("19990131", "0900", 'c')}
        << QList<int>{1, 2, 0};
}

void TestOrganise::organisesTheFile() {
    QFETCH(QList<QByteArray>, cards);
    QFETCH(QList<int>, expected);
    TempFolder folder;
    folder.write(kDiary, join(cards));
    const OrganisePlan plan = organiseDiary(DataFolder(folder.path()), kDiary);
    QList<QByteArray> want;
    for (int i : expected)
        want << cards[i];
    QCOMPARE(folder.read(kDiary), join(want));
    QCOMPARE(plan.before, cards.size());
    QCOMPARE(plan.newCardNumber(), int(expected.size()) + 1);
    QVERIFY(!folder.exists(DiaryFile::scratchName()));
}

void TestOrganise::planNamesDropsAndMoves() {
    const QList<QByteArray> cards{card("19990503", "1000"), card("R9990101", "1000"),
                                  card("19990501", "1000"), card("19990504", "1000")};
    const OrganisePlan plan = planOrganise(cards);
    QCOMPARE(plan.dropped, QList<int>{2});
    QCOMPARE(plan.order, (QList<int>{3, 1, 4})); // new card 1 was card 3, …
    QCOMPARE(plan.moved(), 3);                   // card 4 becomes 3: it moves too
    QCOMPARE(organisedRecords(cards, plan), (QList<QByteArray>{cards[2], cards[0], cards[3]}));
}

void TestOrganise::keepsBytesItDoesNotRead() {
    // Bytes that are no code page 932 in the impression, and a double-byte character in
    // the time, travel unchanged.
    QByteArray odd = card("19990502", "1000", 'o');
    odd.replace(80, 3, hex("FF 81 20"));
    QByteArray wide = card("19990501", "1000", 'w');
    wide.replace(10, 4, hex("82 50 82 4F")); // １０ as start time
    TempFolder folder;
    folder.write(kDiary, odd + wide);
    organiseDiary(DataFolder(folder.path()), kDiary);
    // １０ is no number: the start counts as 0 minutes, and the earlier date still wins.
    QCOMPARE(folder.read(kDiary), wide + odd);
}

void TestOrganise::damagedDiaryIsLeftAlone() {
    TempFolder folder;
    const QByteArray bytes = card("19990502", "1000") + card("19990501", "1000") + "1999";
    folder.write(kDiary, bytes);
    try {
        organiseDiary(DataFolder(folder.path()), kDiary);
        QFAIL("a diary with a partial record was organised");
    } catch (const StoreError &e) {
        QCOMPARE(e.kind(), StoreError::Kind::Damaged);
    }
    QCOMPARE(folder.read(kDiary), bytes);
    QVERIFY(!folder.exists(DiaryFile::scratchName()));
}

namespace {

// Runs organising in a child process; kill decides how it dies. Returns the wait status.
template <class Before, class After>
int organiseInChild(const QString &folder, Before beforeStart, After parentAfterStart) {
    int ready[2];
    if (::pipe(ready) != 0) qFatal("pipe");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        beforeStart();
        const char go = 'g';
        (void)::write(ready[1], &go, 1);
        try {
            organiseDiary(DataFolder(folder), kDiary);
        } catch (...) {
            ::_exit(3);
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    char go = 0;
    (void)::read(ready[0], &go, 1);
    ::close(ready[0]);
    parentAfterStart(pid);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

QList<QByteArray> shuffledDiary(int n, QRandomGenerator &random) {
    QList<QByteArray> cards;
    for (int i = 0; i < n; ++i) {
        const int day = random.bounded(365);
        const QDate d = QDate(1999, 1, 1).addDays(day);
        const QByteArray date = d.toString(u"yyyyMMdd"_s).toLatin1();
        QByteArray c = card(random.bounded(10) == 0 ? "R" + date.mid(1) : date,
                            QByteArray::number(1000 + random.bounded(13) * 100 + random.bounded(60)));
        c.replace(40, 6, QByteArray::number(100000 + i)); // every card its own
        cards << c;
    }
    return cards;
}

} // namespace

void TestOrganise::crashBeforeReplacementLeavesOldDiary() {
    TempFolder folder;
    QRandomGenerator random(7);
    const QList<QByteArray> cards = shuffledDiary(500, random);
    folder.write(kDiary, join(cards));
    // Dies with the scratch file complete on disk, before it replaces the diary.
    const int status = organiseInChild(
        folder.path(), [] { RecordFile::beforeReplaceHook = [] { ::raise(SIGKILL); }; }, [](pid_t) {});
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    QCOMPARE(folder.read(kDiary), join(cards));
    const QByteArray organised = join(organisedRecords(cards, planOrganise(cards)));
    QCOMPARE(folder.read(DiaryFile::scratchName()), organised); // the finished scratch file is left over

    // The next organising starts afresh over the leftover scratch file.
    const OrganisePlan plan = organiseDiary(DataFolder(folder.path()), kDiary);
    QCOMPARE(folder.read(kDiary), organised);
    QVERIFY(plan.after() < 500);
    QVERIFY(!folder.exists(DiaryFile::scratchName()));
}

void TestOrganise::killedAtRandomLeavesOneWholeDiary() {
    TempFolder folder;
    QRandomGenerator random(20261207);
    const QList<QByteArray> cards = shuffledDiary(8000, random);
    const QByteArray before = join(cards);
    const QByteArray after = join(organisedRecords(cards, planOrganise(cards)));
    QVERIFY(before != after);
    int old = 0, organised = 0;
    for (int round = 0; round < 25; ++round) {
        folder.write(kDiary, before);
        const int delayUs = int(random.bounded(40000));
        const int status = organiseInChild(
            folder.path(), [] {},
            [delayUs](pid_t pid) {
                ::usleep(useconds_t(delayUs));
                ::kill(pid, SIGKILL);
            });
        QVERIFY(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
        const QByteArray now = folder.read(kDiary);
        if (now == before)
            ++old;
        else if (now == after)
            ++organised;
        else
            QFAIL(qPrintable(
                u"round %1: the diary is neither the old nor the organised one (%2 bytes)"_s.arg(round).arg(
                    now.size())));
    }
    qInfo("after random kills: %d old, %d organised", old, organised);
}

TAMA_TEST_MAIN(TestOrganise)
#include "tst_organise.moc"
