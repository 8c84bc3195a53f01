#include "card/playfigures.h"
#include "cardbuilder.h"
#include "store/diary.h"
#include "store/playdata.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

// 4 yen a ball, 28 balls for 100 yen; 1/319.6 with 5,400 balls a hit.
const HallTerms kTerms{u"本店"_s, QDate(1999, 1, 1), 4, 28, std::nullopt, {}};
const ModelSpec kSpec{2, u"Ｘ"_s, 319.6, 5400.0, std::nullopt, {}};

PlayInputs play(std::optional<qint64> spins, std::optional<qint64> own = std::nullopt) {
    PlayInputs p;
    p.spins = spins;
    p.ownBalls = own;
    return p;
}

} // namespace

class TestPlayFigures : public QObject {
    Q_OBJECT

  private slots:
    // Worked by hand: F = 20000 / 4 + 500 = 5500; R = 410 · 250 / 5500 = 18.636;
    // w = 5400 / 319.6 = 16.896; Beq = 250 / w = 14.796; E = 100 / 28 = 3.5714;
    // Bcash = 14.796 · 4 / 3.5714 = 16.572; EV = 3.5714 · (410 · 16.896 − 500) − 20000 = 2955.04;
    // 余剰 = 11000 − 2955.04 = 8044.96.
    void workedExample() {
        const PlayFigures f = playFigures({20000, 31000, play(410, 500), kTerms, kSpec});
        QCOMPARE(f.missing, PlayMissing::None);
        QCOMPARE(f.ballsFired, 5500.0);
        QVERIFY(std::abs(f.spinRate - 18.636) < 0.001);
        QVERIFY(std::abs(f.borderEqual - 14.796) < 0.001);
        QVERIFY(std::abs(f.borderCash - 16.572) < 0.001);
        QVERIFY(std::abs(f.borderGap - (18.636 - 16.572)) < 0.002);
        QCOMPARE(f.expectedValue, 2955);
        QCOMPARE(f.luck, 8045);
        QCOMPARE(rateText(f.spinRate), u"18.6"_s);

        // The same EV by the long form: S · (α · u_own + (1 − α) · u_cash).
        const double w = 5400 / 319.6, e = 100.0 / 28, r = f.spinRate, alpha = 500.0 / 5500;
        const double uCash = w * e - 1000 / r, uOwn = (w - 250 / r) * e;
        QCOMPARE(std::llround(410 * (alpha * uOwn + (1 - alpha) * uCash)), f.expectedValue);
    }

    // Stopped by the first thing missing, in this order; nothing is worked out past it.
    void whatIsMissing_data() {
        QTest::addColumn<bool>("spins");
        QTest::addColumn<bool>("terms");
        QTest::addColumn<bool>("modelSpec");
        QTest::addColumn<int>("missing");
        QTest::newRow("nothing") << false << false << false << int(PlayMissing::NoSpins);
        QTest::newRow("no spins, all else") << false << true << true << int(PlayMissing::NoSpins);
        QTest::newRow("no terms") << true << false << true << int(PlayMissing::NoHallTerms);
        QTest::newRow("no terms, no modelSpec") << true << false << false << int(PlayMissing::NoHallTerms);
        QTest::newRow("no modelSpec") << true << true << false << int(PlayMissing::NoModelSpec);
    }
    void whatIsMissing() {
        QFETCH(bool, spins);
        QFETCH(bool, terms);
        QFETCH(bool, modelSpec);
        QFETCH(int, missing);
        PlayFiguresInput in{20000, 31000, play(spins ? std::optional<qint64>(410) : std::nullopt), {}, {}};
        if (terms) in.terms = kTerms;
        if (modelSpec) in.modelSpec = kSpec;
        const PlayFigures f = playFigures(in);
        QCOMPARE(int(f.missing), missing);
        QCOMPARE(f.expectedValue, 0);
        QVERIFY(!playMissingCode(f.missing).isEmpty());
        QVERIFY(!playMissingText(f.missing).isEmpty());
    }

    // Zero spins are no spins; balls never fired (nothing put in, none of one's own) give no rate.
    void nothingPlayed() {
        QCOMPARE(playFigures({20000, 0, play(0), kTerms, kSpec}).missing, PlayMissing::NoSpins);
        const PlayFigures none = playFigures({0, 0, play(10, 0), kTerms, kSpec});
        QCOMPARE(none.missing, PlayMissing::NoSpins);
        QCOMPARE(none.spinRate, 0.0);
    }

    // The published border alone: w = 250 / B4. At 等価 (25 balls) with 1,000 yen for 20
    // spins: F = 250, R = 20, Beq = B4 = 16, Bcash = 16; EV = 4 · (20 · 15.625) − 1000 = 250.
    void publishedBorder() {
        const HallTerms equal{u"本店"_s, QDate(1999, 1, 1), 4, 25, std::nullopt, {}};
        const ModelSpec border{2, u"Ｘ"_s, std::nullopt, std::nullopt, 16.0, {}};
        const PlayFigures f = playFigures({1000, 0, play(20), equal, border});
        QCOMPARE(f.spinRate, 20.0);
        QCOMPARE(f.borderEqual, 16.0);
        QCOMPARE(f.borderCash, 16.0);
        QCOMPARE(f.expectedValue, 250);
        QCOMPARE(f.luck, -1250);
    }

    void halvesAwayFromZero_data() {
        QTest::addColumn<double>("yen");
        QTest::addColumn<qint64>("rounded");
        QTest::newRow("+0.5") << 0.5 << qint64(1);
        QTest::newRow("-0.5") << -0.5 << qint64(-1);
        QTest::newRow("2954.49") << 2954.49 << qint64(2954);
        QTest::newRow("-2.5") << -2.5 << qint64(-3);
    }
    void halvesAwayFromZero() {
        QFETCH(double, yen);
        QFETCH(qint64, rounded);
        QCOMPARE(roundYen(yen), rounded);
    }

    // The pass over many cards reads the same fields as the card itself, a marked card too.
    void decodedFieldsGiveTheSameFigures_data() {
        QTest::addColumn<QString>("date");
        QTest::newRow("plain") << u"19990503月"_s;
        QTest::newRow("marked") << u"R9990503月"_s;
    }
    void decodedFieldsGiveTheSameFigures() {
        QFETCH(QString, date);
        QTemporaryDir dir;
        PlayDatabase db{DataFolder(dir.path())};
        db.setHallTerms(kTerms);
        db.setModelSpec(kSpec);
        const PlayLookup lookup(db);
        const CardRecord card = test::makeCard({.date = date,
                                                .store = u"本店"_s,
                                                .category = u"3"_s, // the card code of ＣＲデジパチ, option 5
                                                .model = u"Ｘ"_s,
                                                .investment = u"0200"_s,
                                                .cashOut = u"0310"_s});
        db.setModelSpec(ModelSpec{5, u"Ｘ"_s, 319.6, 5400.0, std::nullopt, {}});
        const PlayLookup withCr(db);
        const PlayFigures fromText = playFiguresOf(CardText(card), 20000, 31000, play(410, 500), withCr);
        const PlayFigures fromCard = playFiguresOf(card, play(410, 500), withCr);
        QCOMPARE(fromText.missing, PlayMissing::None);
        QCOMPARE(fromText.expectedValue, 2955);
        QCOMPARE(fromCard.expectedValue, fromText.expectedValue);
        QCOMPARE(fromCard.spinRate, fromText.spinRate);
        // The 機種スペック of option 2 is not the card's category.
        QCOMPARE(playFiguresOf(CardText(card), 20000, 31000, play(410, 500), lookup).missing,
                 PlayMissing::NoModelSpec);
    }
};

QTEST_GUILESS_MAIN(TestPlayFigures)
#include "tst_playfigures.moc"
