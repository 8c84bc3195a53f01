#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include "card/playfigures.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

// The figures of a card as stored: its date, hall and model are read from its fields.
class TestPlayFiguresOf : public QObject {
    Q_OBJECT

  private slots:
    void theCardsDateChoosesTheTerms_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<int>("missing");
        QTest::newRow("first day of the terms") << u"19990503月"_s << false << int(PlayMissing::None);
        QTest::newRow("the day before") << u"19990502日"_s << false << int(PlayMissing::NoHallTerms);
        QTest::newRow("marked for deletion") << u"19990503月"_s << true << int(PlayMissing::None);
        QTest::newRow("no real date") << u"19990230火"_s << false << int(PlayMissing::NoHallTerms);
    }

    void theCardsDateChoosesTheTerms() {
        QFETCH(QString, date);
        QFETCH(bool, marked);
        QFETCH(int, missing);
        TempFolder f;
        PlayDatabase db{DataFolder(f.path())};
        QVERIFY2(db.isOpen(), qPrintable(db.reason()));
        HallTerms terms;
        terms.store = u"本店"_s;
        terms.from = QDate(1999, 5, 3);
        db.setHallTerms(terms);
        ModelSpec modelSpec;
        modelSpec.category = 1;
        modelSpec.model = u"Ｘ"_s;
        modelSpec.border = 18;
        db.setModelSpec(modelSpec);

        CardRecord card = makeCard({.date = date});
        if (marked) card.markCandidate();
        PlayInputs play;
        play.spins = 100;
        QCOMPARE(int(playFiguresOf(card, play, PlayLookup(db)).missing), missing);
    }
};

QTEST_GUILESS_MAIN(TestPlayFiguresOf)
#include "tst_playfiguresof.moc"
