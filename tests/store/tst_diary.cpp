#include "common/text.h"
#include "store/diary.h"
#include "store/storeerror.h"
#include "support/testsupport.h"

#include <QCryptographicHash>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;
using tama::test::spaces;
using tama::test::TempFolder;

namespace {

// A card of 23 January 1999, 9:30 to 14:05, as the old program wrote it.
QByteArray cardBytes(const QByteArray &year = "1999") {
    return year + "0123" + hex("93 79")                          // VisitDate: 19990123土
           + " 930" + "1405"                                     // StartTime, EndTime
           + hex("82 60 82 61 82 62") + spaces(14)               // StoreName ＡＢＣ
           + "3"                                                 // Category
           + hex("8A 43 95 A8 8C EA") + spaces(24)               // ModelName 海物語
           + "0045" + "0000" + "111"                             // Investment, CashOut, DayType
           + hex("8A 79 82 B5 82 A9 82 C1 82 BD") + spaces(150); // Impression 楽しかった
}

QByteArray cards(int n, char first) {
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += QByteArray(240, char(first + i));
    return out;
}

} // namespace

class TestDiary : public QObject {
    Q_OBJECT

  private slots:
    void fileName_data();
    void fileName();
    void unsafeUserPart();
    void missingDiary();
    void cardLayout();
    void fieldsAndProfit();
    void candidates_data();
    void candidates();
    void rewrite();
    void limit();
};

void TestDiary::fileName_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("expected");

    QTest::newRow("taro 2000") << u"taro"_s << 2000 << u"taro.2000.dat"_s;
    QTest::newRow("taro 1999") << u"taro"_s << 1999 << u"taro.1999.dat"_s;
    QTest::newRow("12 characters keep 9") << u"abcdefghijkl"_s << 2000 << u"abcdefghi.2000.dat"_s;
    QTest::newRow("field as read, padded") << u"taro              "_s << 2000 << u"taro.2000.dat"_s;
    QTest::newRow("trimmed after the cut") << u"  ab     cdefg"_s << 2001 << u"ab.2001.dat"_s;
    QTest::newRow("double-byte") << u"山田花子　"_s << 1999 << u"山田花子.1999.dat"_s;
    QTest::newRow("18 single-byte characters keep 9")
        << u"ABCDEFGHIJKLMNOPQR"_s << 1999 << u"ABCDEFGHI.1999.dat"_s;
}

void TestDiary::fileName() {
    QFETCH(QString, user);
    QFETCH(int, year);
    QFETCH(QString, expected);
    QCOMPARE(DiaryFileName(user, year), expected);
    QCOMPARE(DiaryFileName(user, QString::number(year)), expected);
    QCOMPARE(diaryUserPart(user).value_or(QString()) + u'.' + QString::number(year) + u".dat"_s, expected);
}

// Names from a file written by other means must not lead outside the data folder.
void TestDiary::unsafeUserPart() {
    QVERIFY(!diaryUserPart(u"../etc"_s));
    QVERIFY(!diaryUserPart(u"a/b"_s));
    QVERIFY(!diaryUserPart(u"   "_s));
    TempFolder dir;
    try {
        DiaryFile(DataFolder(dir.path()), u"../x.1999.dat"_s);
        QFAIL("no error");
    } catch (const StoreError &e) {
        QCOMPARE(e.kind(), StoreError::Kind::Invalid);
    }
    QVERIFY(dir.files().isEmpty());
}

void TestDiary::missingDiary() {
    TempFolder dir;
    DiaryFile diary(DataFolder(dir.path()), u"taro.1999.dat"_s);
    QCOMPARE(diary.count(), 0);
    QVERIFY(!diary.read(1));
    QVERIFY(dir.exists(u"taro.1999.dat"_s));
    QCOMPARE(diary.readOrBlank(1).record().toBytes(), spaces(240));
}

void TestDiary::cardLayout() {
    const RecordLayout &l = tama::cardLayout();
    QCOMPARE(l.length(), 240);
    const QList<int> widths = {10, 4, 4, 20, 1, 30, 4, 4, 3, 160};
    QCOMPARE(l.fieldCount(), int(widths.size()));
    for (int i = 0; i < widths.size(); ++i)
        QCOMPARE(l.field(i).width, widths[i]);
    QCOMPARE(cardFieldNames().first(), u"VisitDate"_s);
    QCOMPARE(cardFieldNames().last(), u"Impression"_s);
}

void TestDiary::fieldsAndProfit() {
    TempFolder dir;
    DiaryFile diary(DataFolder(dir.path()), u"taro.1999.dat"_s);
    CardRecord card;
    card.setField(CardRecord::VisitDate, u"19990123土"_s);
    card.setField(CardRecord::StartTime, u" 930"_s);
    card.setField(CardRecord::EndTime, u"1405"_s);
    card.setField(CardRecord::StoreName, toFullWidth(u"ABC"_s));
    card.setField(CardRecord::Category, u"3"_s);
    card.setField(CardRecord::ModelName, u"海物語"_s);
    card.setField(CardRecord::Investment, u"0045"_s);
    card.setField(CardRecord::CashOut, u"0000"_s);
    card.setField(CardRecord::DayType, u"111"_s);
    card.setField(CardRecord::Impression, u"楽しかった"_s);
    diary.write(1, card);
    QCOMPARE(dir.read(u"taro.1999.dat"_s).toHex(' '), cardBytes().toHex(' '));

    const CardRecord back = *diary.read(1);
    QCOMPARE(back.field(CardRecord::StartTime), u" 930"_s);
    QCOMPARE(back.field(CardRecord::VisitDate), u"19990123土 "_s);
    QCOMPARE(back.investmentYen(), 4500);
    QCOMPARE(back.cashOutYen(), 0);
    QCOMPARE(back.profitYen(), -4500);
    QCOMPARE(formatAmount(back.profitYen()), u"-4,500"_s);
    QVERIFY(!back.isCandidate());
}

void TestDiary::candidates_data() {
    QTest::addColumn<QByteArray>("year");
    QTest::newRow("1999") << QByteArray("1999");
    QTest::newRow("2001") << QByteArray("2001");
    QTest::newRow("1900") << QByteArray("1900");
    QTest::newRow("2099") << QByteArray("2099");
}

// Only the first byte of the marked card changes, and it comes back as it was.
void TestDiary::candidates() {
    QFETCH(QByteArray, year);
    TempFolder dir;
    const QByteArray before = cards(1, 'a') + cardBytes(year) + cards(1, 'c');
    dir.write(u"taro.1999.dat"_s, before);
    DiaryFile diary(DataFolder(dir.path()), u"taro.1999.dat"_s);

    diary.setCandidate(2, true);
    QByteArray marked = before;
    marked[240] = 'R';
    QCOMPARE(dir.read(u"taro.1999.dat"_s), marked);
    QVERIFY(diary.read(2)->isCandidate());
    QVERIFY(!diary.read(1)->isCandidate());

    diary.setCandidate(2, false);
    QCOMPARE(dir.read(u"taro.1999.dat"_s), before);
    QVERIFY(!diary.read(2)->isCandidate());

    try {
        diary.setCandidate(4, true);
        QFAIL("no error");
    } catch (const StoreError &e) {
        QCOMPARE(e.kind(), StoreError::Kind::Invalid);
    }
    QCOMPARE(dir.read(u"taro.1999.dat"_s), before);
}

// The organisation's way: read all, keep some in a new order, rewrite.
void TestDiary::rewrite() {
    TempFolder dir;
    QByteArray candidate = cardBytes("1999");
    candidate[0] = 'R';
    dir.write(u"taro.1999.dat"_s, cardBytes("2000") + candidate + cards(1, 'x'));
    DiaryFile diary(DataFolder(dir.path()), u"taro.1999.dat"_s);
    QList<CardRecord> all = diary.readAll();
    QCOMPARE(all.size(), 3);
    QVERIFY(all[1].isCandidate());
    diary.rewrite({all[2], all[0]});
    QCOMPARE(dir.read(u"taro.1999.dat"_s), cards(1, 'x') + cardBytes("2000"));
    QCOMPARE(dir.files(), QStringList{u"taro.1999.dat"_s});
    QCOMPARE(diary.count(), 2); // reopened on the new file
    QCOMPARE(diary.read(2)->record().toBytes(), cardBytes("2000"));
}

void TestDiary::limit() {
    TempFolder dir;
    const QString name = u"taro.1999.dat"_s;
    {
        QFile f(dir.file(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray block = cardBytes().repeated(1000);
        for (int i = 0; i < 32; ++i)
            f.write(block);
        f.write(cardBytes().repeated(766));
    }
    const QByteArray before = QCryptographicHash::hash(dir.read(name), QCryptographicHash::Sha256);
    DiaryFile diary(DataFolder(dir.path()), name);
    QCOMPARE(diary.count(), 32766);

    CardRecord card;
    card.setField(CardRecord::VisitDate, u"19991231金"_s);
    try {
        diary.write(32767, card);
        QFAIL("no error");
    } catch (const StoreError &e) {
        QCOMPARE(e.kind(), StoreError::Kind::Limit);
    }
    QCOMPARE(QFileInfo(dir.file(name)).size(), 32766 * 240);
    QCOMPARE(QCryptographicHash::hash(dir.read(name), QCryptographicHash::Sha256), before);

    diary.setCandidate(32766, true); // the last card can still be changed
    QVERIFY(diary.read(32766)->isCandidate());
}

TAMA_TEST_MAIN(TestDiary)
#include "tst_diary.moc"
