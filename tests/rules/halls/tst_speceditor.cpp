#include "halls/speceditor.h"
#include "testsupport.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

ModelSpec modelSpec(int category, const QString &model, std::optional<double> p, std::optional<double> payout,
                    std::optional<double> border = std::nullopt) {
    ModelSpec s;
    s.category = category;
    s.model = model;
    s.probability = p;
    s.payout = payout;
    s.border = border;
    return s;
}

HallTerms terms(const QString &store, double lend, double exchange) {
    HallTerms t;
    t.store = store;
    t.from = QDate(2024, 1, 1);
    t.lend = lend;
    t.exchange = exchange;
    return t;
}

} // namespace

class TstSpecEditor : public QObject {
    Q_OBJECT

  private slots:
    void boxesAreReadAsSpec_data() {
        QTest::addColumn<QString>("p");
        QTest::addColumn<QString>("payout");
        QTest::addColumn<QString>("border");
        QTest::addColumn<QString>("stored"); // "p|P|B4", -1 for a part not given
        QTest::addColumn<QString>("refusal");

        QTest::newRow("pair") << u"319.6"_s << u"5400"_s << QString() << u"319.6|5400|-1"_s << QString();
        QTest::newRow("as the probability reads")
            << u"1/319.6"_s << u"5400"_s << QString() << u"319.6|5400|-1"_s << QString();
        QTest::newRow("full width") << u"１／３１９．６"_s << u"５４００"_s << u"１８"_s << u"319.6|5400|18"_s
                                    << QString();
        QTest::newRow("border only") << QString() << QString() << u"18.5"_s << u"-1|-1|18.5"_s << QString();
        QTest::newRow("half a pair with border")
            << u"319.6"_s << QString() << u"18"_s << u"319.6|-1|18"_s << QString();
        QTest::newRow("not a number") << u"abc"_s << u"5400"_s << QString() << QString()
                                      << u"大当たり確率「abc」は数字ではありません"_s;
        QTest::newRow("border not a number") << QString() << QString() << u"18玉"_s << QString()
                                             << u"等価ボーダー「18玉」は数字ではありません"_s;
        // The ranges and pairs are the database's rules; the boxes go through them.
        QTest::newRow("p of 1") << u"1"_s << u"5400"_s << QString() << QString()
                                << u"大当たり確率は1/pのpを1より大きい数で入力してください。"_s;
    }
    void boxesAreReadAsSpec() {
        QFETCH(QString, p);
        QFETCH(QString, payout);
        QFETCH(QString, border);
        QFETCH(QString, refusal);
        SpecEditor e;
        e.setCatalogue(2, {u"ＡＢＣ"_s});
        e.choose(2, u"ABC"_s);
        try {
            const ModelSpec s = e.parse({p, payout, border});
            QVERIFY2(refusal.isEmpty(), "bad boxes taken");
            QCOMPARE(s.category, 2);
            QCOMPARE(s.model, u"ＡＢＣ"_s);
            const auto part = [](std::optional<double> v) { return QString::number(v.value_or(-1)); };
            QTEST(part(s.probability) + u'|' + part(s.payout) + u'|' + part(s.border), "stored");
        } catch (const StoreError &err) {
            QCOMPARE(int(err.kind()), int(StoreError::Kind::Invalid));
            QCOMPARE(err.message(), refusal);
        }
    }

    void specsAreKeptUnderTheCatalogueName() {
        SpecEditor e;
        e.setCatalogue(5, {u"ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏ"_s});
        e.setCatalogue(1, {u"Ｚ"_s});
        e.setSpecs({modelSpec(5, u"ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏ"_s, 99.9, 1200)});
        // Typed longer than the catalogue keeps: the stored fifteen characters.
        e.choose(5, u"abcdefghijklmnopqrst"_s);
        QCOMPARE(e.model(), u"ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏ"_s);
        QVERIFY(e.current());
        const SpecInput shown = e.boxesOf(*e.current());
        QCOMPARE((QStringList{shown.probability, shown.payout, shown.border}),
                 (QStringList{u"99.9"_s, u"1200"_s, QString()}));
        // The same name under another category is another model.
        e.choose(1, u"abcdefghijklmno"_s);
        QCOMPARE(e.category(), 0);
        QVERIFY(!e.current());
        try {
            e.parse({u"99.9"_s, u"1200"_s, {}});
            QFAIL("modelSpec taken without a model");
        } catch (const StoreError &err) {
            QCOMPARE(err.message(), u"機種を選択し、一覧にある機種名を選んでください"_s);
        }
    }

    void specsOfModelsNoLongerListedAreUnused() {
        SpecEditor e;
        e.setCatalogue(1, {u"Ａ"_s});
        e.setSpecs({modelSpec(1, u"Ｂ"_s, 319.6, 5400, 18), modelSpec(1, u"Ａ"_s, 99.9, 1200),
                    modelSpec(3, u"Ｃ"_s, {}, {}, 20)});
        // Category 3's catalogue was not read: nothing is said about its 機種スペック.
        QList<SpecRow> rows = e.unused();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].modelSpec.model, u"Ｂ"_s);
        QCOMPARE(rows[0].category, u"羽物"_s);
        QCOMPARE(rows[0].text, u"1/319.6 出玉 5400 B4 18"_s);
        e.setCatalogue(3, {});
        rows = e.unused();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1].text, u"B4 20"_s);
    }

    void bordersAtEqualAndAtEachHall() {
        // p = 319.6, P = 5400: Beq ≈ 14.80; at 4 yen and 28 balls Bcash ≈ 16.57.
        const QList<HallTerms> halls{terms(u"Ｘ"_s, 4, 28), terms(u"Ｙ"_s, 1, 25)};
        QList<BorderRow> rows = SpecEditor::borders(modelSpec(1, u"Ａ"_s, 319.6, 5400), halls);
        QStringList shown;
        for (const BorderRow &r : rows)
            shown << r.label + u' ' + r.border;
        QCOMPARE(shown,
                 (QStringList{u"4円等価 14.8"_s, u"Ｘ（4円・28玉） 16.6"_s, u"Ｙ（1円・25玉） 14.8"_s}));

        // Only B4: the same border at 4 yen 等価.
        rows = SpecEditor::borders(modelSpec(1, u"Ａ"_s, {}, {}, 18), {});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].border, u"18.0"_s);
        // Nothing to draw them from.
        QVERIFY(SpecEditor::borders(modelSpec(1, u"Ａ"_s, 319.6, {}), halls).isEmpty());
    }
};

TAMA_TEST_MAIN(TstSpecEditor)
#include "tst_speceditor.moc"
