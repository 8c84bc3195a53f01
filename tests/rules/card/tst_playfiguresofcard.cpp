#include "card/playfigures.h"
#include "store/playdata.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;

// The figures of a card as stored: its date, hall, category and model find the terms in
// force on that day and the model's spec, through the lookup and the database alike.
class TestPlayFiguresOfCard : public QObject {
    Q_OBJECT

  private slots:
    void termsAndSpecOfAStoredCard_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<int>("missing");
        QTest::newRow("the day the terms begin") << u"19990503月"_s << false << int(PlayMissing::None);
        QTest::newRow("marked") << u"19990503月"_s << true << int(PlayMissing::None);
        QTest::newRow("before the terms") << u"19990502日"_s << false << int(PlayMissing::NoHallTerms);
        QTest::newRow("no such day") << u"19990532月"_s << false << int(PlayMissing::NoHallTerms);
    }
    void termsAndSpecOfAStoredCard() {
        QFETCH(QString, date);
        QFETCH(bool, marked);
        QFETCH(int, missing);
        test::TempFolder f;
        PlayDatabase db{DataFolder(f.path())};
        QVERIFY2(db.isOpen(), qPrintable(db.reason()));
        db.setHallTerms({u"本店"_s, QDate(1999, 5, 3), 4, 28, std::nullopt, {}});
        db.setModelSpec({1, u"Ｘ"_s, 319.6, 5400, std::nullopt, {}});
        CardRecord card = test::makeCard({.date = date, .investment = u"0200"_s, .cashOut = u"0310"_s});
        if (marked) card.markCandidate();
        const PlayInputs play{410, 500, std::nullopt, {}};
        const PlayLookup lookup(db);
        for (const PlayFigures &got : {playFiguresOf(card, play, lookup), playFiguresOf(card, play, db)}) {
            QCOMPARE(int(got.missing), missing);
            if (missing == int(PlayMissing::None)) QCOMPARE(got.expectedValue, 2955);
        }
    }
};

TAMA_TEST_MAIN(TestPlayFiguresOfCard)
#include "tst_playfiguresofcard.moc"
