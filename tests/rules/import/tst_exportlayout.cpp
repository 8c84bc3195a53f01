#include "import/exportlayout.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

Q_DECLARE_METATYPE(tama::test::CardValues)

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
};

TAMA_TEST_MAIN(TestExportLayout)
#include "tst_exportlayout.moc"
