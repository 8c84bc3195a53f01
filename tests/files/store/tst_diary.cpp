#include "common/text.h"
#include "store/diary.h"
#include "store/storeerror.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <vector>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;
using tama::test::spaces;
using tama::test::storeErrorKind;
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

// Record n of a test diary: its number at both ends, a letter of its own in between.
QByteArray numbered(int n) {
    QByteArray b(240, char('A' + n % 26));
    const QByteArray number = QByteArray::number(n).rightJustified(10, '0');
    b.replace(0, 10, number);
    b.replace(230, 10, number);
    return b;
}

QByteArray numberedCards(int n) {
    QByteArray out;
    for (int i = 1; i <= n; ++i)
        out += numbered(i);
    return out;
}

// A card's text decoded straight from the bytes read is the card's own.
void checkCardTextOfBytes(const QByteArray &bytes, const char *what) {
    const CardText expected{CardRecord(Record::fromBytes(tama::cardLayout(), bytes))};
    const CardText text = CardText::ofBytes(bytes.constData());
    for (int f = CardRecord::VisitDate; f < CardRecord::Impression; ++f) {
        const auto field = CardRecord::Field(f);
        QVERIFY2(text.field(field) == expected.field(field),
                 qPrintable(QString::fromLatin1(what) + u' ' + QString::number(f) + u" <"_s +
                            text.field(field).toString() + u"> <"_s + expected.field(field).toString() +
                            u'>'));
    }
}

// Every field but the impression read both ways, and each field read into a buffer
// with a guard after it.
void checkCardText(const CardRecord &card, const char *what) {
    const CardText text(card);
    for (int f = CardRecord::VisitDate; f < CardRecord::Impression; ++f) {
        const auto field = CardRecord::Field(f);
        const int width = tama::cardLayout().field(f).width;
        const QString expected = card.field(field);
        QVERIFY2(expected.size() == width, what);
        QVERIFY2(text.field(field) == expected,
                 qPrintable(QString::fromLatin1(what) + u' ' + QString::number(f) + u" <"_s +
                            text.field(field).toString() + u"> <"_s + expected + u'>'));
    }
    for (int f = 0; f < tama::cardLayout().fieldCount(); ++f) {
        const int width = tama::cardLayout().field(f).width;
        std::vector<char16_t> out(size_t(width) + 8, u'#');
        card.record().fieldInto(f, out.data());
        QVERIFY2(QStringView(out.data(), width) == card.record().field(f), what);
        for (size_t i = size_t(width); i < out.size(); ++i)
            QVERIFY2(out[i] == u'#', what);
    }
}

} // namespace

class TestDiary : public QObject {
    Q_OBJECT

  private slots:
    void fileName_data();
    void fileName();
    void userOfFileName();
    void unsafeUserPart();
    void missingDiary();
    void cardLayout();
    void fieldsAndProfit();
    void candidates_data();
    void candidates();
    void rewriteRaw();
    void limit();
    void cardTextMatchesFields();
    void cardTextOfRandomRecords();
    void forEachVisitsWholeRecords_data();
    void forEachVisitsWholeRecords();
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
    // And back: the user part of the name, whatever the year.
    QCOMPARE(diaryUserOf(expected) + u'.' + QString::number(year) + u".dat"_s, expected);
}

// A user name may hold dots and digits: only ".yyyy.dat" at the end is the year.
void TestDiary::userOfFileName() {
    QCOMPARE(diaryUserOf(u"taro.1999.dat"_s), u"taro"_s);
    QCOMPARE(diaryUserOf(u"j.r.2001.dat"_s), u"j.r"_s);
    QCOMPARE(diaryUserOf(u"2001.2002.dat"_s), u"2001"_s);
    QCOMPARE(diaryUserOf(u"taro.99.dat"_s), u"taro"_s); // no four-digit year: up to the first dot
    QCOMPARE(diaryUserOf(u"taro"_s), u"taro"_s);
}

// Names from a file written by other means must not lead outside the data folder.
void TestDiary::unsafeUserPart() {
    QVERIFY(!diaryUserPart(u"../etc"_s));
    QVERIFY(!diaryUserPart(u"a/b"_s));
    QVERIFY(!diaryUserPart(u"   "_s));
    TempFolder dir;
    QCOMPARE(storeErrorKind([&] { DiaryFile(DataFolder(dir.path()), u"../x.1999.dat"_s); }),
             int(StoreError::Kind::Invalid));
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
    diary.write(1, test::makeCard({.date = u"19990123土"_s,
                                   .start = u" 930"_s,
                                   .end = u"1405"_s,
                                   .store = toFullWidth(u"ABC"_s),
                                   .category = u"3"_s,
                                   .model = u"海物語"_s,
                                   .investment = u"0045"_s,
                                   .cashOut = u"0000"_s,
                                   .dayType = u"111"_s,
                                   .impression = u"楽しかった"_s}));
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

    QCOMPARE(storeErrorKind([&] { diary.setCandidate(4, true); }), int(StoreError::Kind::Invalid));
    QCOMPARE(dir.read(u"taro.1999.dat"_s), before);
}

// The organisation's way: read all, keep some in a new order, rewrite.
void TestDiary::rewriteRaw() {
    TempFolder dir;
    QByteArray candidate = cardBytes("1999");
    candidate[0] = 'R';
    dir.write(u"taro.1999.dat"_s, cardBytes("2000") + candidate + cards(1, 'x'));
    DiaryFile diary(DataFolder(dir.path()), u"taro.1999.dat"_s);
    QList<QByteArray> all = diary.readAllRaw();
    QCOMPARE(all.size(), 3);
    QVERIFY(diary.read(2)->isCandidate());
    diary.rewriteRaw({all[2], all[0]});
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

    test::CardValues card = test::CardValues::blank();
    card.date = u"19991231金"_s;
    QCOMPARE(storeErrorKind([&] { diary.write(32767, test::makeCard(card)); }), int(StoreError::Kind::Limit));
    QCOMPARE(QFileInfo(dir.file(name)).size(), 32766 * 240);
    QCOMPARE(QCryptographicHash::hash(dir.read(name), QCryptographicHash::Sha256), before);

    diary.setCandidate(32766, true); // the last card can still be changed
    QVERIFY(diary.read(32766)->isCandidate());
}

// CardText reads a field exactly as CardRecord does: double-byte text, bytes that do
// not decode, a lead byte cut off by the end of its field, and edited fields.
void TestDiary::cardTextMatchesFields() {
    const CardRecord sound(Record::fromBytes(tama::cardLayout(), cardBytes()));
    checkCardText(sound, "sound");
    checkCardTextOfBytes(cardBytes(), "sound");
    const CardText soundText(sound);
    QCOMPARE(soundText.field(CardRecord::VisitDate), u"19990123土 "_s);
    QCOMPARE(soundText.field(CardRecord::StoreName), u"ＡＢＣ"_s + QString(17, u' '));
    QCOMPARE(soundText.field(CardRecord::ModelName), u"海物語"_s + QString(27, u' '));
    QCOMPARE(soundText.field(CardRecord::DayType), u"111"_s);

    // 本店 then FF, and a lead byte at the end of the store name that the category's byte
    // would complete: each field is decoded on its own.
    QByteArray damaged = cardBytes();
    damaged.replace(18, 20, hex("96 7B 93 58") + hex("FF") + spaces(14) + hex("82"));
    damaged[38] = '\x60';                                                // Category: a backquote
    damaged.replace(39, 30, QByteArray(29, 'm') + hex("8A"));            // ModelName: lead byte last
    damaged.replace(0, 10, "1999" + hex("B1 DD") + "01" + hex("93 79")); // half-width kana
    const CardRecord bad(Record::fromBytes(tama::cardLayout(), damaged));
    QVERIFY(bad.record().hadUndecodableBytes());
    checkCardText(bad, "damaged");
    checkCardTextOfBytes(damaged, "damaged");
    const CardText badText(bad);
    QCOMPARE(badText.field(CardRecord::StoreName),
             u"本店\uFFFD"_s + QString(14, u' ') + u"\uFFFD"_s + QString(2, u' '));
    QCOMPARE(badText.field(CardRecord::Category), u"`"_s);
    QCOMPARE(badText.field(CardRecord::ModelName), QString(29, u'm') + u"\uFFFD"_s);
    QCOMPARE(badText.field(CardRecord::VisitDate), u"1999ｱﾝ01土 "_s);
    QCOMPARE(badText.field(CardRecord::Investment), u"0045"_s);

    // Edited fields come from the edits, the others still from the bytes.
    CardRecord edited = bad;
    edited.setField(CardRecord::StoreName, u"駅前"_s);
    edited.markCandidate();
    edited.setField(CardRecord::ModelName, u"ＣＲ"_s + QString(40, u'x'));
    edited.setField(CardRecord::Investment, u"12"_s);
    edited.setField(CardRecord::Impression, u"感想"_s);
    checkCardText(edited, "edited");
    const CardText editedText(edited);
    QCOMPARE(editedText.field(CardRecord::StoreName), u"駅前"_s + QString(18, u' '));
    QCOMPARE(editedText.field(CardRecord::VisitDate), u"R999ｱﾝ01土 "_s);
    QCOMPARE(editedText.field(CardRecord::ModelName), u"ＣＲ"_s + QString(28, u'x'));
    QCOMPARE(editedText.field(CardRecord::Investment), u"12  "_s);
    QCOMPARE(editedText.field(CardRecord::Category), u"`"_s);
    QCOMPARE(edited.field(CardRecord::Impression), u"感想"_s + QString(158, u' '));

    // A blank card and one set to the text it already held.
    checkCardText(CardRecord(), "blank");
    CardRecord same = sound;
    same.setField(CardRecord::StoreName, u"ＡＢＣ"_s);
    checkCardText(same, "same text");
    QCOMPARE(same.record().toBytes(), cardBytes());
}

// Random bytes, random edits: both readings always agree.
void TestDiary::cardTextOfRandomRecords() {
    QRandomGenerator rng(240);
    static const char *const texts[] = {"", "A", "ＡＢ", "自動ｱ", "R", " 930", "1234567890123", "海物語 CR"};
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes(240, ' ');
        for (int i = 0; i < 240; ++i) {
            const int k = rng.bounded(6);
            bytes[i] = char(k < 3    ? rng.bounded(0x20, 0x7F)
                            : k == 3 ? rng.bounded(0x81, 0xA0)
                                     : rng.bounded(0x100));
        }
        CardRecord card(Record::fromBytes(tama::cardLayout(), bytes));
        const QByteArray label = "round " + QByteArray::number(round);
        checkCardText(card, label.constData());
        for (int e = rng.bounded(4); e > 0; --e)
            card.setField(CardRecord::Field(rng.bounded(10)), QString::fromUtf8(texts[rng.bounded(8)]));
        checkCardText(card, label.constData());
        if (QTest::currentTestFailed()) return;
    }
}

void TestDiary::forEachVisitsWholeRecords_data() {
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("tail");
    // 273 records of 240 bytes fill one 64 KB block.
    for (int n : {0, 1, 272, 273, 274, 546, 547, 1000})
        QTest::newRow(qPrintable(QString::number(n))) << n << 0;
    QTest::newRow("0 and a partial tail") << 0 << 100;
    QTest::newRow("273 and a partial tail") << 273 << 1;
    QTest::newRow("274 and a partial tail") << 274 << 239;
}

// Every whole record once, in order, with its own bytes; the partial tail never.
void TestDiary::forEachVisitsWholeRecords() {
    QFETCH(int, records);
    QFETCH(int, tail);
    TempFolder dir;
    const QByteArray file = numberedCards(records) + QByteArray(tail, '9');
    dir.write(u"taro.1999.dat"_s, file);
    const DiaryFile diary(DataFolder(dir.path()), u"taro.1999.dat"_s, RecordFile::Mode::ReadOnly);
    QCOMPARE(diary.count(), records);
    QCOMPARE(diary.partialTail(), tail);

    int expected = 1;
    diary.forEach([&](int n, const CardRecord &card) {
        QCOMPARE(n, expected);
        QCOMPARE(card.record().rawBytes(), numbered(n));
        ++expected;
    });
    QCOMPARE(expected, records + 1);

    const QList<CardRecord> all = diary.readAll();
    QCOMPARE(all.size(), qsizetype(records));
    for (int i = 0; i < records; ++i)
        QCOMPARE(all[i].record().rawBytes(), numbered(i + 1));
    const QList<QByteArray> raw = diary.readAllRaw();
    QCOMPARE(raw.size(), qsizetype(records));
    for (int i = 0; i < records; ++i)
        QCOMPARE(raw[i], file.mid(qsizetype(i) * 240, 240));
}

TAMA_TEST_MAIN(TestDiary)
#include "tst_diary.moc"
