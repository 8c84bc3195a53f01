#include "common/csv.h"
#include "common/csvreader.h"
#include "import/exportlayout.h"
#include "import/importplan.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

Q_DECLARE_METATYPE(tama::test::CardValues)
Q_DECLARE_METATYPE(tama::ImportFormat)
Q_DECLARE_METATYPE(tama::CsvEncoding)

class TestExportLayout : public QObject {
    Q_OBJECT

  private slots:
    void precord_data() {
        QTest::addColumn<CardValues>("card");
        QTest::addColumn<QString>("machine"); // "-": no play data
        QTest::addColumn<QStringList>("row");
        CardValues c;
        c.date = u"20240315金"_s;
        c.start = u" 930"_s;
        c.end = u"1445"_s; // 5 h 15
        c.store = u"ＡＢＣホール"_s;
        c.model = u"羽根モデル"_s;
        c.investment = u"0150"_s;
        c.cashOut = u"0420"_s;
        c.impression = u"よく回った\r\n次も"_s;
        QTest::newRow("won, with a machine")
            << c << u"123"_s
            << QStringList{u"2024/03/15"_s,       {},        u"ＡＢＣホール"_s, {},         {},
                           u"羽根モデル"_s,       u"123"_s,  u"15000"_s,        u"42000"_s, u"27000"_s,
                           u"よく回った\n次も"_s, u"5.25"_s, u"5142"_s};
        // 5 h 20 is 5.333… hours; −15,000 yen over it is −2,812.5 an hour, cut toward zero.
        CardValues lost = c;
        lost.end = u"1450"_s;
        lost.cashOut = u"0000"_s;
        lost.impression.clear();
        QTest::newRow("lost, hours rounded, 時給 toward zero")
            << lost << u"-"_s
            << QStringList{u"2024/03/15"_s, {},     u"ＡＢＣホール"_s, {}, {},        u"羽根モデル"_s, {},
                           u"15000"_s,      u"0"_s, u"-15000"_s,       {}, u"5.33"_s, u"-2812"_s};
        CardValues marked = c;
        marked.date = u"R0240315金"_s;
        marked.end = u" 930"_s;
        marked.impression.clear();
        QTest::newRow("marked, no play time") << marked << u""_s
                                              << QStringList{u"2024/03/15"_s,
                                                             {},
                                                             u"ＡＢＣホール"_s,
                                                             {},
                                                             {},
                                                             u"羽根モデル"_s,
                                                             {},
                                                             u"15000"_s,
                                                             u"42000"_s,
                                                             u"27000"_s,
                                                             {},
                                                             {},
                                                             {}};
        CardValues overnight = marked;
        overnight.date = u"20240315金"_s;
        overnight.start = u"2300"_s;
        overnight.end = u" 100"_s;
        QTest::newRow("end before start") << overnight << u"-"_s
                                          << QStringList{u"2024/03/15"_s,
                                                         {},
                                                         u"ＡＢＣホール"_s,
                                                         {},
                                                         {},
                                                         u"羽根モデル"_s,
                                                         {},
                                                         u"15000"_s,
                                                         u"42000"_s,
                                                         u"27000"_s,
                                                         {},
                                                         {},
                                                         {}};
    }
    void precord() {
        QFETCH(CardValues, card);
        QFETCH(QString, machine);
        QFETCH(QStringList, row);
        std::optional<PlayInputs> play;
        if (machine != u"-"_s) {
            play = PlayInputs{};
            play->machine = machine;
            play->spins = 900;
        }
        QCOMPARE(precordRow(makeCard(card), play), row);
    }

    void pshare() {
        CardValues c;
        c.date = u"20231201金"_s;
        c.investment = u"1234"_s;
        c.cashOut = u"0005"_s;
        c.impression = u"一行目\r\n二行目  "_s;
        QCOMPARE(pshareRow(makeCard(c)),
                 (QStringList{u"2023/12/01"_s, u"123400"_s, u"500"_s, u"一行目\n二行目"_s}));
    }

    // Cards that fit a layout, written in it and imported into an empty folder, come back
    // as the same bytes, in either encoding.
    void roundTrip_data() {
        QTest::addColumn<ImportFormat>("layout");
        QTest::addColumn<CsvEncoding>("encoding");
        QTest::newRow("pRecord, UTF-8") << ImportFormat::PRecord << CsvEncoding::Utf8;
        QTest::newRow("pRecord, CP932") << ImportFormat::PRecord << CsvEncoding::Cp932;
        QTest::newRow("pShare, UTF-8") << ImportFormat::PShare << CsvEncoding::Utf8;
        QTest::newRow("pShare, CP932") << ImportFormat::PShare << CsvEncoding::Cp932;
    }
    void roundTrip() {
        QFETCH(ImportFormat, layout);
        QFETCH(CsvEncoding, encoding);
        const bool precord = layout == ImportFormat::PRecord;
        // Without a category, start or day type in the layout, a card fits when it has
        // what the import gives: the category asked for, 10:00 and 平常開店.
        CardValues a;
        a.date = u"20231231日"_s;
        a.category = u"2"_s;
        a.start = a.end = u"1000"_s;
        a.investment = u"9999"_s;
        a.cashOut = u"0000"_s;
        a.impression = QString(79, u'字') + u"\r\n"_s;
        CardValues b = a, c = a;
        b.date = u"20240105金"_s;
        b.investment = u"0000"_s;
        b.cashOut = u"0420"_s;
        b.impression = u"出た, \"また\"\r\n来る"_s;
        c.date = u"20240229木"_s;
        c.impression.clear();
        QList<CardValues> cards = {a, b, c};
        if (precord) {
            a.end = u"2359"_s;
            a.store = u"ＡＢＣホール"_s;
            a.model = u"ガンダム０１２３４５６７８９Ｘ"_s;
            b.end = u"1515"_s;
            b.model = u"海物語"_s;
            cards = {a, b, c};
        } else {
            for (CardValues &v : cards)
                v.store = v.model = QString();
        }
        const QStringList machines = {u"12"_s, QString(), u"A-3"_s};

        QString text = precord ? csvRow(precordHeader()) : QString();
        for (int i = 0; i < cards.size(); ++i) {
            PlayInputs play;
            play.machine = machines[i];
            const CardRecord card = makeCard(cards[i]);
            text += csvRow(precord ? precordRow(card, play) : pshareRow(card));
        }
        TempFolder folder;
        ImportOptions o;
        o.today = QDate(2024, 6, 30);
        o.category = 2;
        const ImportPlan plan =
            planImport(DataFolder(folder.path()), u"taro"_s, readCsv(csvBytes(text, encoding)), o);
        QCOMPARE(plan.format, layout);
        QCOMPARE(plan.count(ImportVerdict::New), cards.size());
        QList<QByteArray> records, expected;
        QStringList readMachines;
        for (const ImportBatch::Diary &d : importBatch(plan, u"in.csv"_s).diaries) {
            records += d.records;
            for (const PlayInputs &p : d.play)
                readMachines << p.machine;
        }
        for (const CardValues &v : cards)
            expected << cardBytes(v);
        QCOMPARE(records, expected);
        if (precord) QCOMPARE(readMachines, machines);
    }
};

TAMA_TEST_MAIN(TestExportLayout)
#include "tst_exportlayout.moc"
