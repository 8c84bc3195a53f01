#include "store/category.h"
#include "testsupport.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

// Every numbering of the five categories, as the card screen, the model lists, the
// catalogues and the reports use them: the values the older program's files hold.
class TestCategory : public QObject {
    Q_OBJECT

  private slots:
    void everyNumberingAgrees_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("cardCode");
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("cardCaption");
        QTest::addColumn<QString>("reportHead");
        QTest::newRow("羽物") << 1 << u"1"_s << u"# 3"_s << u"羽物"_s << u"羽物"_s << u"羽根物"_s;
        QTest::newRow("デジパチ") << 2 << u"2"_s << u"# 2"_s << u"デジパチ"_s << u"デジパチ"_s
                                  << u"デジパチ"_s;
        QTest::newRow("権利物") << 3 << u"4"_s << u"# 4"_s << u"権利物"_s << u"権利物"_s << u"権利物"_s;
        QTest::newRow("一般電役") << 4 << u"5"_s << u"# 5"_s << u"一般電役"_s << u"一般電役、一般機"_s
                                  << u"一般電役"_s;
        QTest::newRow("ＣＲ") << 5 << u"3"_s << u"# 6"_s << u"ＣＲデジパチ"_s << u"ＣＲデジパチ"_s
                              << u"ＣＲデジ"_s;
    }

    void everyNumberingAgrees() {
        QFETCH(int, option);
        QFETCH(QString, cardCode);
        QFETCH(QString, marker);
        QFETCH(QString, caption);
        QFETCH(QString, cardCaption);
        QFETCH(QString, reportHead);
        const CategoryInfo *c = categoryByOption(option);
        QVERIFY(c);
        QCOMPARE(c->cardCode, cardCode);
        QCOMPARE(c->marker(), marker);
        QCOMPARE(c->caption, caption);
        QCOMPARE(c->cardCaption, cardCaption);
        QCOMPARE(c->reportHead, reportHead);
        // Each way in leads to the same entry.
        QCOMPARE(categoryByCardCode(cardCode), c);
        QCOMPARE(categoryByCaption(caption), c);
        QCOMPARE(categoryBySection(c->sectionCode), c);
        QCOMPARE(categoriesByCardCode().at(cardCode.toInt() - 1), c);
    }

    void outsideTheTableIsNothing() {
        for (int option : {-1, 0, 6})
            QVERIFY(!categoryByOption(option));
        for (const QString &code : {u""_s, u"0"_s, u"6"_s, u"11"_s, u" 1"_s})
            QVERIFY(!categoryByCardCode(code));
        QVERIFY(!categoryBySection(1));
        QVERIFY(!categoryBySection(7));
        QVERIFY(!categoryByCaption(u"一般電役、一般機"_s)); // the card screen's caption names no catalogue
    }
};

TAMA_TEST_MAIN(TestCategory)
#include "tst_category.moc"
