#include "halls/termseditor.h"
#include "testsupport.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

HallTerms terms(const QString &store, QDate from, double lend, double exchange,
                std::optional<double> fee = std::nullopt) {
    HallTerms t;
    t.store = store;
    t.from = from;
    t.lend = lend;
    t.exchange = exchange;
    t.feePercent = fee;
    return t;
}

} // namespace

class TstTermsEditor : public QObject {
    Q_OBJECT

  private slots:
    void boxesAreReadAsTerms_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("lend");
        QTest::addColumn<QString>("exchange");
        QTest::addColumn<QString>("fee");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<double>("lendYen");
        QTest::addColumn<double>("balls");
        QTest::addColumn<double>("feePercent"); // -1: none
        QTest::addColumn<QString>("refusal");

        const QDate may(2024, 5, 1);
        QTest::newRow("plain") << u"2024/05/01"_s << u"4"_s << u"28"_s << QString() << may << 4.0 << 28.0
                               << -1.0 << QString();
        QTest::newRow("full width, spaces") << u" ２０２４／５／１ "_s << u"０．５"_s << u"　２７．５"_s
                                            << u"３"_s << may << 0.5 << 27.5 << 3.0 << QString();
        QTest::newRow("no date") << u"  "_s << u"4"_s << u"28"_s << QString() << QDate() << 0.0 << 0.0 << -1.0
                                 << u"適用開始日を入力してください"_s;
        QTest::newRow("no such day") << u"2024/02/30"_s << u"4"_s << u"28"_s << QString() << QDate() << 0.0
                                     << 0.0 << -1.0
                                     << u"適用開始日「2024/02/30」は日付ではありません（例 2024/05/01）"_s;
        QTest::newRow("lend not a number") << u"2024/05/01"_s << u"4円"_s << u"28"_s << QString() << QDate()
                                           << 0.0 << 0.0 << -1.0 << u"貸玉料金「4円」は数字ではありません"_s;
        QTest::newRow("no exchange") << u"2024/05/01"_s << u"4"_s << QString() << QString() << QDate() << 0.0
                                     << 0.0 << -1.0 << u"交換率を入力してください"_s;
        QTest::newRow("fee not a number") << u"2024/05/01"_s << u"4"_s << u"28"_s << u"x"_s << QDate() << 0.0
                                          << 0.0 << -1.0 << u"再プレイ手数料「x」は数字ではありません"_s;
        QTest::newRow("nan") << u"2024/05/01"_s << u"nan"_s << u"28"_s << QString() << QDate() << 0.0 << 0.0
                             << -1.0 << u"貸玉料金「nan」は数字ではありません"_s;
        // The ranges are the database's rule; the boxes go through it.
        QTest::newRow("lend 0") << u"2024/05/01"_s << u"0"_s << u"28"_s << QString() << QDate() << 0.0 << 0.0
                                << -1.0 << u"貸玉料金は0より大きく100以下の円/玉で入力してください。"_s;
    }
    void boxesAreReadAsTerms() {
        QFETCH(QString, from);
        QFETCH(QString, lend);
        QFETCH(QString, exchange);
        QFETCH(QString, fee);
        QFETCH(QString, refusal);
        TermsEditor e;
        e.setStores({u"ＡＢＣ"_s});
        e.choose(u"ABC"_s);
        try {
            const HallTerms t = e.parse({from, lend, exchange, fee});
            QVERIFY2(refusal.isEmpty(), "bad boxes taken");
            QCOMPARE(t.store, u"ＡＢＣ"_s);
            QTEST(t.from, "date");
            QTEST(t.lend, "lendYen");
            QTEST(t.exchange, "balls");
            QTEST(t.feePercent.value_or(-1.0), "feePercent");
        } catch (const StoreError &err) {
            QCOMPARE(int(err.kind()), int(StoreError::Kind::Invalid));
            QCOMPARE(err.message(), refusal);
        }
    }

    void termsAreKeptUnderTheStoredName() {
        TermsEditor e;
        e.setStores({u"ＡＢＣＤＥＦＧＨＩＪ"_s, u"Ｘ"_s});
        // Typed longer than the store file keeps: the stored ten characters.
        e.choose(u"ABCDEFGHIJKLMN"_s);
        QCOMPARE(e.store(), u"ＡＢＣＤＥＦＧＨＩＪ"_s);
        QCOMPARE(e.parse({u"2024/1/1"_s, u"4"_s, u"25"_s, {}}).store, u"ＡＢＣＤＥＦＧＨＩＪ"_s);
        // A name the store file does not hold chooses none.
        e.choose(u"Ｙ"_s);
        QCOMPARE(e.store(), QString());
        try {
            e.parse({u"2024/1/1"_s, u"4"_s, u"25"_s, {}});
            QFAIL("terms taken without a store");
        } catch (const StoreError &err) {
            QCOMPARE(err.message(), u"店名を選択してください"_s);
        }
    }

    void rowsOfTheChosenStoreAndUnusedTerms() {
        TermsEditor e;
        e.setStores({u"Ａ"_s, u"Ｂ"_s});
        e.setTerms({terms(u"Ｃ"_s, QDate(2022, 1, 1), 2, 25), terms(u"Ａ"_s, QDate(2024, 5, 1), 4, 28, 3),
                    terms(u"Ａ"_s, QDate(2023, 1, 10), 0.5, 27.5)});
        e.choose(u"Ａ"_s);
        const QList<TermsRow> rows = e.rows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE((QStringList{rows[0].from, rows[0].lend, rows[0].exchange, rows[0].yenPerBall, rows[0].fee}),
                 (QStringList{u"2023/01/10"_s, u"0.5"_s, u"27.5"_s, u"3.64"_s, QString()}));
        QCOMPARE((QStringList{rows[1].from, rows[1].lend, rows[1].exchange, rows[1].yenPerBall, rows[1].fee}),
                 (QStringList{u"2024/05/01"_s, u"4"_s, u"28"_s, u"3.57"_s, u"3"_s}));
        QCOMPARE(e.unused().size(), 1);
        QCOMPARE(e.unused()[0].store, u"Ｃ"_s);

        // The store deleted: its terms stay, now unused, and nothing is chosen.
        e.setStores({u"Ｂ"_s});
        QCOMPARE(e.store(), QString());
        QVERIFY(e.rows().isEmpty());
        QStringList unused;
        for (const TermsRow &r : e.unused())
            unused << r.store + u' ' + r.from;
        QCOMPARE(unused, (QStringList{u"Ａ 2023/01/10"_s, u"Ａ 2024/05/01"_s, u"Ｃ 2022/01/01"_s}));
    }

    void yenPerBallBesideTheExchangeBox_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("28") << u"28"_s << u"3.57"_s;
        QTest::newRow("equal") << u"２５"_s << u"4.00"_s;
        QTest::newRow("zero") << u"0"_s << QString();
        QTest::newRow("half typed") << u"2x"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void yenPerBallBesideTheExchangeBox() {
        QFETCH(QString, typed);
        QTEST(TermsEditor::yenPerBallOfBox(typed), "shown");
    }
};

TAMA_TEST_MAIN(TstTermsEditor)
#include "tst_termseditor.moc"
