#include "card/cardeditor.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QDate kToday(1999, 3, 15);
const QString kDiary = u"taro.1999.dat"_s;
using Box = CardEditor::PlayBox;
using Outcome = CardEditor::Registration::Outcome;

PlayInputs inputs(qint64 spins, qint64 own, qint64 hits, const QString &machine) {
    PlayInputs p;
    p.spins = spins;
    p.ownBalls = own;
    p.hits = hits;
    p.machine = machine;
    return p;
}

} // namespace

class TestCardEditorPlay : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        m_folder = std::make_unique<TempFolder>();
        m_data = std::make_unique<DataFolder>(m_folder->path());
        m_db = std::make_unique<PlayDatabase>(*m_data);
        QVERIFY2(m_db->isOpen(), qPrintable(m_db->reason()));
        m_editor = CardEditor();
        m_editor.open(*m_data, kDiary, u"1999"_s);
        m_editor.setPlayDatabase(m_db.get());
        m_editor.load(kToday);
    }
    void cleanup() {
        m_editor.setPlayDatabase(nullptr);
        m_db.reset();
    }

    void badPlayBoxIsRefusedBeforeAnyWrite_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("fraction") << int(Box::Spins) << u"41.5"_s << u"通常回転数"_s;
        QTest::newRow("above the most") << int(Box::Spins) << u"100001"_s << u"通常回転数"_s;
        QTest::newRow("negative") << int(Box::OwnBalls) << u"-3"_s << u"持ち玉"_s;
        QTest::newRow("letters") << int(Box::Hits) << u"3回"_s << u"大当たり回数"_s;
        QTest::newRow("machine too long") << int(Box::Machine) << u"12345678901"_s << u"台番号"_s;
        QTest::newRow("machine not encodable") << int(Box::Machine) << u"台😀"_s << u"台番号"_s;
        QTest::newRow("貯玉 above the most") << int(Box::ChodamaUsed) << u"10000001"_s << u"貯玉再プレイ"_s;
        QTest::newRow("貯玉 in words") << int(Box::ChodamaDeposited) << u"1万"_s << u"貯玉預け入れ"_s;
    }
    void badPlayBoxIsRefusedBeforeAnyWrite() {
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(QString, named);
        fill();
        m_editor.setPlayText(Box::Spins, u"410"_s);
        m_editor.setPlayText(Box(box), text);
        const CardEditor::Registration r = m_editor.registerCard();
        QCOMPARE(r.outcome, Outcome::Refused);
        QVERIFY2(r.error->message().contains(named), qPrintable(r.error->message()));
        QCOMPARE(m_folder->read(kDiary).size(), 0);
        QVERIFY(m_db->playOfDiary(kDiary).isEmpty());
    }

    void boundariesAreStored() {
        fill();
        m_editor.setPlayText(Box::Spins, u"１００００"_s); // as an input method types it
        m_editor.setPlayText(Box::OwnBalls, u"100000"_s);
        m_editor.setPlayText(Box::Hits, u"0"_s);
        m_editor.setPlayText(Box::Machine, u" 1234567890 "_s);
        QCOMPARE(m_editor.registerCard().outcome, Outcome::Written);
        QCOMPARE(m_editor.playText(Box::Spins), u"10000"_s); // the boxes show what was stored
        QCOMPARE(playOfCard(1), std::optional(inputs(10000, 100000, 0, u"1234567890"_s)));
    }

    // 貯玉 goes with the card's other play data, beyond a visit's most.
    void chodamaIsStoredAndShownWithItsCard() {
        fill();
        m_editor.setPlayText(Box::ChodamaUsed, u"１０００００００"_s);
        m_editor.setPlayText(Box::ChodamaDeposited, u"400"_s);
        QCOMPARE(m_editor.registerCard().outcome, Outcome::Written);
        PlayInputs want;
        want.chodamaUsed = kMaxChodamaBalls;
        want.chodamaDeposited = 400;
        QCOMPARE(playOfCard(1), std::optional(want));
        m_editor.prepareNextCard(kToday);
        QCOMPARE(m_editor.playText(Box::ChodamaDeposited), QString());
        QVERIFY(!m_editor.show(1, kToday));
        QCOMPARE(m_editor.playText(Box::ChodamaUsed), u"10000000"_s);
        QCOMPARE(m_editor.playText(Box::ChodamaDeposited), u"400"_s);
        QCOMPARE(m_editor.playInputs(), want);

        m_editor.stepPlay(Box::ChodamaUsed, 1); // its own most
        QCOMPARE(m_editor.playText(Box::ChodamaUsed), u"10000000"_s);
        m_editor.setPlayText(Box::ChodamaDeposited, u"100000"_s);
        m_editor.stepPlay(Box::ChodamaDeposited, 1);
        QCOMPARE(m_editor.playText(Box::ChodamaDeposited), u"100001"_s);
    }

    void updateMovesTheRowAndEmptyBoxesRemoveIt() {
        fill();
        m_editor.setPlayText(Box::Spins, u"410"_s);
        m_editor.setPlayText(Box::OwnBalls, u"500"_s);
        QCOMPARE(m_editor.registerCard().outcome, Outcome::Written);
        const CardKey before = keyOfCard(1);

        m_editor.prepareNextCard(kToday);
        QCOMPARE(m_editor.playText(Box::Spins), QString()); // the next card starts without any
        QVERIFY(!m_editor.show(1, kToday));
        QCOMPARE(m_editor.playText(Box::OwnBalls), u"500"_s);
        m_editor.setDigit(10, u"3"_s); // the card's bytes change: so does its key
        m_editor.setPlayText(Box::Hits, u"2"_s);
        QCOMPARE(m_editor.registerCard().outcome, Outcome::Written);
        QVERIFY(keyOfCard(1) != before);
        QCOMPARE(m_db->play(kDiary, before), std::nullopt);
        QCOMPARE(playOfCard(1), std::optional(inputs(410, 500, 2, QString())));

        for (Box b : {Box::Spins, Box::OwnBalls, Box::Hits})
            m_editor.setPlayText(b, QString());
        QCOMPARE(m_editor.registerCard().outcome, Outcome::Written);
        QVERIFY(m_db->playOfDiary(kDiary).isEmpty());
        m_editor.show(1, kToday);
        QVERIFY(!m_editor.hasStoredPlay());
    }

    void identicalCardsKeepTheirOwnRows() {
        for (int spins : {100, 200}) {
            fill();
            m_editor.setPlayText(Box::Spins, QString::number(spins));
            QCOMPARE(m_editor.registerCard().outcome, Outcome::Written);
            m_editor.prepareNextCard(kToday);
        }
        QCOMPARE(m_folder->read(kDiary).left(240), m_folder->read(kDiary).mid(240));
        m_editor.show(1, kToday);
        QCOMPARE(m_editor.playText(Box::Spins), u"100"_s);
        m_editor.show(2, kToday);
        QCOMPARE(m_editor.playText(Box::Spins), u"200"_s);

        // The first changed: the second is now the only one of its kind and keeps its row.
        m_editor.show(1, kToday);
        m_editor.setDigit(11, u"5"_s);
        QCOMPARE(m_editor.registerCard().outcome, Outcome::Written);
        m_editor.show(2, kToday);
        QCOMPARE(m_editor.playText(Box::Spins), u"200"_s);
        m_editor.show(1, kToday);
        QCOMPARE(m_editor.playText(Box::Spins), u"100"_s);
    }

    void unavailableDatabaseStillRegisters() {
        m_editor.setPlayDatabase(nullptr);
        m_db.reset();
        QFile::remove(m_data->file(PlayDatabase::fileName()));
        QVERIFY(QDir(m_folder->path()).mkdir(PlayDatabase::fileName())); // not a database at all
        PlayDatabase closed(*m_data);
        QVERIFY(!closed.isOpen());
        m_editor.setPlayDatabase(&closed);
        QVERIFY(!m_editor.playUnavailable().isEmpty());
        fill();
        m_editor.setPlayText(Box::Spins, u"410"_s);
        const CardEditor::Registration r = m_editor.registerCard();
        QCOMPARE(r.outcome, Outcome::Written);
        QCOMPARE(m_folder->read(kDiary).size(), 240);
        QCOMPARE(r.notices.size(), 1);
        QVERIFY(r.notices.first().contains(u"稼働データは保存されませんでした"_s));
        QVERIFY(r.notices.first().contains(m_editor.playUnavailable()));
        m_editor.setPlayDatabase(nullptr);
    }

    void databaseIsMadeWithTheFirstPlayData() {
        m_editor.setPlayDatabase(nullptr);
        m_db.reset();
        QVERIFY(QFile::remove(m_data->file(PlayDatabase::fileName())));
        m_editor.setPlayDatabaseMaker([this] {
            m_db = std::make_unique<PlayDatabase>(*m_data);
            return m_db.get();
        });
        QCOMPARE(m_editor.playUnavailable(), QString());
        fill();
        QCOMPARE(m_editor.registerCard().outcome, Outcome::Written);
        QVERIFY(!m_folder->exists(PlayDatabase::fileName()));
        m_editor.show(1, kToday);
        m_editor.setPlayText(Box::Spins, u"410"_s);
        QCOMPARE(m_editor.registerCard().outcome, Outcome::Written);
        QVERIFY(m_folder->exists(PlayDatabase::fileName()));
        QCOMPARE(playOfCard(1)->spins, std::optional<qint64>(410));
    }

    void figuresFollowTheBoxes() {
        HallTerms terms;
        terms.store = u"ａｂｃ"_s;
        terms.from = QDate(1999, 3, 20);
        terms.lend = 4;
        terms.exchange = 28;
        m_db->setHallTerms(terms);
        fill(u"abc"_s); // typed half-width, stored full-width
        m_editor.setPlayText(Box::Spins, u"410"_s);
        QCOMPARE(m_editor.playFigures().missing, PlayMissing::NoHallTerms);
        QVERIFY2(m_editor.playMissingNote().contains(u"1999/03/20"_s),
                 qPrintable(m_editor.playMissingNote()));

        m_editor.setDay(u"20"_s);
        m_editor.setPlayText(Box::OwnBalls, u"500"_s);
        m_editor.setDigit(9, u"2"_s); // 20,000 yen: 5,000 balls lent, 5,500 with those won
        m_editor.setDigit(10, u"0"_s);
        QVERIFY(std::abs(m_editor.playFigures().spinRate - 410.0 * 250 / 5500) < 1e-9);
        QCOMPARE(m_editor.playFigures().missing, PlayMissing::NoModelSpec);
    }

    void emptiedNewCardLosesItsPlayBoxes() {
        fill();
        m_editor.setPlayText(Box::Machine, u"77"_s);
        m_editor.markOrEmpty();
        QCOMPARE(m_editor.playText(Box::Machine), QString());
    }

    void stepping_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("delta");
        QTest::addColumn<QString>("stepped");
        QTest::newRow("empty up") << QString() << 1 << u"1"_s;
        QTest::newRow("zero down") << u"0"_s << -1 << u"0"_s;
        QTest::newRow("most up") << u"100000"_s << 1 << u"100000"_s;
        QTest::newRow("full-width down") << u"１０"_s << -1 << u"9"_s;
    }
    void stepping() {
        QFETCH(QString, text);
        QFETCH(int, delta);
        QFETCH(QString, stepped);
        m_editor.setPlayText(Box::OwnBalls, text);
        m_editor.stepPlay(Box::OwnBalls, delta);
        QCOMPARE(m_editor.playText(Box::OwnBalls), stepped);
    }

    void detachedRowIsAttachedToACardWithout() {
        fill();
        m_editor.setPlayText(Box::Spins, u"321"_s);
        QCOMPARE(m_editor.registerCard().outcome, Outcome::Written);
        m_editor.prepareNextCard(kToday);
        fill();
        m_editor.setDigit(11, u"5"_s);
        QCOMPARE(m_editor.registerCard().outcome, Outcome::Written);
        // Another program changes card 1: its row no longer finds it.
        QByteArray bytes = m_folder->read(kDiary);
        bytes[12] = '3'; // starts at 10:30
        m_folder->write(kDiary, bytes);
        m_db->reconcile(kDiary, DiaryKeys::ofDiary(*m_data, kDiary));
        m_editor.load(kToday);
        m_editor.show(1, kToday);
        QVERIFY(!m_editor.hasStoredPlay());
        const QList<DetachedPlay> rows = m_editor.detachedPlay();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().play.spins, std::optional<qint64>(321));

        m_editor.show(3, kToday);
        QVERIFY_THROWS_EXCEPTION(StoreError, m_editor.attachPlay(rows.first().id)); // the new card
        m_editor.show(1, kToday);
        m_editor.attachPlay(rows.first().id);
        QCOMPARE(m_editor.playText(Box::Spins), u"321"_s);
        QVERIFY(m_editor.detachedPlay().isEmpty());
        QCOMPARE(playOfCard(1)->spins, std::optional<qint64>(321));
    }

  private:
    // A complete card at a store, デジパチ ドリーム, 10:00 to 11:00, 1,000 yen in.
    void fill(const QString &store = u"ＡＢＣ"_s) {
        m_editor.setStore(store);
        m_editor.setCategory(2);
        m_editor.setModel(u"ドリーム"_s);
        const QString times[8] = {u"1"_s, u"0"_s, u"0"_s, u"0"_s, u"1"_s, u"1"_s, u"0"_s, u"0"_s};
        for (int i = 0; i < 8; ++i)
            m_editor.setDigit(i, times[i]);
        m_editor.setDigit(10, u"1"_s);
        m_editor.setDigit(11, u"0"_s);
    }
    CardKey keyOfCard(int n) const { return DiaryKeys::ofDiary(*m_data, kDiary).key(n); }
    std::optional<PlayInputs> playOfCard(int n) const { return m_db->play(kDiary, keyOfCard(n)); }

    std::unique_ptr<TempFolder> m_folder;
    std::unique_ptr<DataFolder> m_data;
    std::unique_ptr<PlayDatabase> m_db;
    CardEditor m_editor;
};

TAMA_TEST_MAIN(TestCardEditorPlay)
#include "tst_cardeditorplay.moc"
