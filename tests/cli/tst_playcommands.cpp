#include "clifixture.h"
#include "support/testsupport.h"

#include "store/backup.h"
#include "store/playdata.h"

#include <QJsonArray>
#include <QJsonObject>

#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;
using namespace tama::test::samples;

namespace {

const QString kDiary = u"taro.1999.dat"_s;
const QString kDb = u"tamanote.db"_s;
const QStringList kCards{u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s};
const QStringList kPlay{u"play"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--card"_s};

PlayInputs inputs(std::optional<qint64> spins, std::optional<qint64> own, std::optional<qint64> hits,
                  const QString &machine) {
    return {spins, own, hits, machine};
}

// 本店 and 支店; Ｘ and Ｙ among the 羽物. Card 1 is the worked example at 本店 on Ｘ
// (20,000 yen in, 31,000 out); 2 has no spins, 3 is at 支店 (no terms), 4 is on Ｙ (no
// 機種スペック), 5 has no play data.
void writeFolder(const TempFolder &f, bool withDatabase = true) {
    f.write(u"patishop.dat"_s, field(kHonten, 80) + field(kShiten, 80));
    f.write(u"hirapati.dat"_s, field(kX, 160) + field(kY, 160));
    const CardValues example{.investment = u"0200"_s, .cashOut = u"0310"_s};
    CardValues noSpins = example, atShiten = example, onY = example, none = example;
    noSpins.impression = u"a"_s;
    atShiten.store = u"支店"_s;
    onY.model = u"Ｙ"_s;
    none.impression = u"b"_s;
    f.write(kDiary, diaryBytes({example, noSpins, atShiten, onY, none}));
    if (!withDatabase) return;

    const DataFolder folder(f.path());
    PlayDatabase db(folder);
    QVERIFY2(db.isOpen(), qPrintable(db.reason()));
    HallTerms terms;
    terms.store = u"本店"_s;
    terms.from = QDate(1999, 1, 1);
    terms.lend = 4;
    terms.exchange = 28;
    db.setHallTerms(terms);
    ModelSpec modelSpec;
    modelSpec.category = 1;
    modelSpec.model = u"Ｘ"_s;
    modelSpec.probability = 319.6;
    modelSpec.payout = 5400;
    db.setModelSpec(modelSpec);
    const DiaryKeys keys = DiaryKeys::ofDiary(folder, kDiary);
    db.setPlay(kDiary, keys.key(1), inputs(410, 500, 3, u"123"_s), 1);
    db.setPlay(kDiary, keys.key(2), inputs({}, {}, {}, u"7"_s), 2);
    db.setPlay(kDiary, keys.key(3), inputs(100, {}, {}, {}), 3);
    db.setPlay(kDiary, keys.key(4), inputs(100, 0, {}, {}), 4);
}

std::optional<PlayInputs> storedPlay(const TempFolder &f, int n) {
    const DataFolder folder(f.path());
    const PlayDatabase db(folder, PlayDatabase::Mode::ReadOnly);
    return db.play(kDiary, DiaryKeys::ofDiary(folder, kDiary).key(n));
}

QJsonObject playOf(const CliResult &r, int n) {
    return r.json()[u"cards"_s].toArray()[n - 1].toObject()[u"play"_s].toObject();
}

} // namespace

class TestPlayCommands : public QObject {
    Q_OBJECT

  private slots:
    // The example worked by hand: F = 20000/4 + 500 = 5500 balls; R = 410·250/5500 =
    // 18.636; w = 5400/319.6 = 16.896, Beq = 250/w = 14.796; E = 100/28, Bcash = Beq·4·0.28
    // = 16.572; gap 18.64 − 16.57 as written; EV = E·(410·w − 500) − 20000 = 2955;
    // luck = 11000 − 2955 = 8045.
    void cardsGiveThePlayKeyInItsOrder() {
        TempFolder f;
        writeFolder(f);
        const CliResult r = runIn(f, kCards);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.errText(), QString());
        const QByteArray play = "            \"play\": {\n"
                                "                \"spins\": 410,\n"
                                "                \"own_balls\": 500,\n"
                                "                \"hits\": 3,\n"
                                "                \"machine\": \"123\",\n"
                                "                \"spin_rate\": 18.64,\n"
                                "                \"border_equal\": 14.80,\n"
                                "                \"border_cash\": 16.57,\n"
                                "                \"border_gap\": 2.07,\n"
                                "                \"expected_value\": 2955,\n"
                                "                \"luck\": 8045,\n"
                                "                \"missing\": null\n"
                                "            }\n";
        QVERIFY2(r.out.contains("\"no\": 1,\n" + play), r.out.constData());
        // A card without play data.
        QVERIFY(r.out.contains("\"no\": 5,\n            \"play\": null\n"));
    }

    void cardsSayWhatStopsTheFigures_data() {
        QTest::addColumn<int>("card");
        QTest::addColumn<QJsonValue>("spins");
        QTest::addColumn<QJsonValue>("missing");
        QTest::newRow("no spins") << 2 << QJsonValue() << QJsonValue(u"no_spins"_s);
        QTest::newRow("no hall terms") << 3 << QJsonValue(100) << QJsonValue(u"no_hall_terms"_s);
        QTest::newRow("no model modelSpec") << 4 << QJsonValue(100) << QJsonValue(u"no_model_spec"_s);
    }

    void cardsSayWhatStopsTheFigures() {
        QFETCH(int, card);
        QFETCH(QJsonValue, spins);
        QFETCH(QJsonValue, missing);
        TempFolder f;
        writeFolder(f);
        const CliResult r = runIn(f, kCards);
        QCOMPARE(r.status, 0);
        const QJsonObject play = playOf(r, card);
        QCOMPARE(play[u"spins"_s], spins);
        QCOMPARE(play[u"missing"_s], missing);
        for (const QString &key : {u"spin_rate"_s, u"border_equal"_s, u"border_cash"_s, u"border_gap"_s,
                                   u"expected_value"_s, u"luck"_s})
            QVERIFY2(play.contains(key) && play[key].isNull(), qPrintable(key));
    }

    // Whatever a read command meets, the cards still come out.
    void cardsWithoutAUsableDatabase_data() {
        QTest::addColumn<QByteArray>("database");
        QTest::addColumn<bool>("warned");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("damaged") << QByteArray("not a database at all, but 64 bytes of text.......") << true;
    }

    void cardsWithoutAUsableDatabase() {
        QFETCH(QByteArray, database);
        QFETCH(bool, warned);
        TempFolder f;
        writeFolder(f, false);
        if (!database.isEmpty()) f.write(kDb, database);
        const CliResult r = runIn(f, kCards);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.errText().contains(kDb), warned);
        const QJsonArray cards = r.json()[u"cards"_s].toArray();
        QCOMPARE(cards.size(), 5);
        for (const QJsonValue &card : cards)
            QVERIFY(card.toObject().contains(u"play"_s) && card.toObject()[u"play"_s].isNull());
        QCOMPARE(f.exists(kDb), !database.isEmpty());
        QCOMPARE(f.read(kDb), database);
    }

    void cardsWhileAnotherHoldsTheDatabase() {
        TempFolder f;
        writeFolder(f);
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(f.file(kDb).toUtf8().constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const CliResult r = runIn(f, kCards);
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(r.status, 0);
        QVERIFY2(r.errText().contains(kDb), qPrintable(r.errText()));
        QVERIFY(r.json()[u"cards"_s].toArray()[0].toObject()[u"play"_s].isNull());
    }

    void readCommandsNeverCreateTheDatabase_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("halls-terms") << QStringList{u"halls-terms"_s, u"--json"_s};
        QTest::newRow("model-specs") << QStringList{u"model-specs"_s};
        QTest::newRow("play, dry run") << kPlay + QStringList{u"1"_s, u"--spins"_s, u"9"_s};
        QTest::newRow("halls-terms set, dry run")
            << QStringList{u"halls-terms"_s, u"set"_s,    u"--store"_s, u"本店"_s,       u"--from"_s,
                           u"2000-01-01"_s,  u"--lend"_s, u"4"_s,       u"--exchange"_s, u"25"_s};
    }

    void readCommandsNeverCreateTheDatabase() {
        QFETCH(QStringList, arguments);
        TempFolder f;
        writeFolder(f, false);
        const CliResult r = runIn(f, arguments);
        QCOMPARE(r.status, 0);
        QVERIFY(!f.exists(kDb));
        QVERIFY(!f.exists(u"backups"_s));
    }

    void writersAreDryRunsWithoutYes_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("play") << kPlay + QStringList{u"1"_s, u"--spins"_s, u"500"_s};
        QTest::newRow("play --clear") << kPlay + QStringList{u"2"_s, u"--clear"_s};
        QTest::newRow("halls-terms set") << QStringList{
            u"halls-terms"_s, u"set"_s, u"--store"_s,    u"支店"_s, u"--from"_s, u"1999-04-01"_s,
            u"--lend"_s,      u"1"_s,   u"--exchange"_s, u"27.5"_s, u"--fee"_s,  u"10"_s};
        QTest::newRow("model-specs set")
            << QStringList{u"model-specs"_s, u"set"_s, u"--category"_s, u"羽物"_s,
                           u"--model"_s,     u"Ｙ"_s,  u"--border"_s,   u"17.5"_s};
    }

    void writersAreDryRunsWithoutYes() {
        QFETCH(QStringList, arguments);
        TempFolder f;
        writeFolder(f);
        const QByteArray before = f.read(kDb);
        const CliResult dry = runIn(f, arguments);
        QCOMPARE(dry.status, 0);
        QVERIFY2(dry.outText().contains(u"--yes を付けると"_s), dry.out.constData());
        QCOMPARE(f.read(kDb), before);
        QVERIFY(!f.exists(u"backups"_s));
        const CliResult done = runIn(f, arguments + QStringList{u"--yes"_s});
        QCOMPARE(done.status, 0);
        QVERIFY(f.read(kDb) != before);
        // The day's snapshot came first, as before any write of the day.
        const QList<backup::Snapshot> snapshots = backup::Backups(DataFolder(f.path())).list();
        QCOMPARE(snapshots.size(), 1);
        QCOMPARE(snapshots.first().reason, backup::Reason::Daily);
    }

    void playSetsTheGivenInputsAndKeepsTheOthers() {
        TempFolder f;
        writeFolder(f);
        QCOMPARE(runIn(f, kPlay + QStringList{u"1"_s, u"--spins"_s, u"600"_s, u"--yes"_s}).status, 0);
        QCOMPARE(storedPlay(f, 1), std::optional(inputs(600, 500, 3, u"123"_s)));
        QCOMPARE(runIn(f, kPlay + QStringList{u"1"_s, u"--clear"_s, u"--yes"_s}).status, 0);
        QVERIFY(!storedPlay(f, 1));
    }

    // The derived columns, and the entries whose hall or model has gone from its file.
    void listingsMarkWhatIsNoLongerInTheFiles() {
        TempFolder f;
        writeFolder(f);
        {
            PlayDatabase db{DataFolder(f.path())};
            HallTerms gone;
            gone.store = u"本店跡"_s;
            gone.from = QDate(2000, 4, 1);
            gone.lend = 1;
            gone.exchange = 27.5;
            gone.feePercent = 10;
            db.setHallTerms(gone);
            ModelSpec published;
            published.category = 2;
            published.model = u"Ｚ"_s;
            published.border = 18;
            db.setModelSpec(published);
        }
        // 100 / 28 = 3.571 and 100 / 27.5 = 3.636 yen a ball.
        QCOMPARE(runIn(f, {u"halls-terms"_s}).outLines(),
                 QStringList({u"店名\t適用開始\t貸玉料金\t交換率\t1玉の価値\t手数料"_s,
                              u"本店\t1999-01-01\t4\t28\t3.57\t-"_s,
                              u"本店跡\t2000-04-01\t1\t27.5\t3.64\t10\t(店の一覧にない店)"_s}));
        // 250 / (5400 / 319.6) = 14.796; a published border is its own.
        QCOMPARE(runIn(f, {u"model-specs"_s}).outLines(),
                 QStringList({u"種類\t機種名\t大当たり確率\t平均出玉\tボーダー\t等価ボーダー"_s,
                              u"羽物\tＸ\t1/319.6\t5400\t-\t14.80"_s,
                              u"デジパチ\tＺ\t-\t-\t18\t18.00\t(機種の一覧にない機種)"_s}));
    }

    void badValuesAreRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QStringList terms{u"halls-terms"_s, u"set"_s, u"--lend"_s, u"4"_s, u"--exchange"_s, u"25"_s};
        const QStringList modelSpec{u"model-specs"_s, u"set"_s, u"--category"_s, u"羽物"_s};
        QTest::newRow("card past the last")
            << kPlay + QStringList{u"6"_s, u"--spins"_s, u"1"_s} << u"カード 6 はありません（5 枚）"_s;
        QTest::newRow("fraction") << kPlay + QStringList{u"1"_s, u"--spins"_s, u"1.5"_s}
                                  << u"--spins は 0 から 100000 までの整数"_s;
        QTest::newRow("above the most") << kPlay + QStringList{u"1"_s, u"--own-balls"_s, u"100001"_s}
                                        << u"--own-balls は 0 から 100000 までの整数"_s;
        QTest::newRow("machine number too long")
            << kPlay + QStringList{u"1"_s, u"--machine"_s, u"12345678901"_s} << u"台番号"_s;
        QTest::newRow("clear with a value") << kPlay + QStringList{u"1"_s, u"--clear"_s, u"--hits"_s, u"1"_s}
                                            << u"--clear と値は一緒に使えません"_s;
        QTest::newRow("store not in the file")
            << terms + QStringList{u"--store"_s, u"新店"_s, u"--from"_s, u"1999-01-01"_s} << u"店の一覧"_s;
        QTest::newRow("no such day") << terms +
                                            QStringList{u"--store"_s, u"本店"_s, u"--from"_s, u"1999-02-30"_s}
                                     << u"--from は日付"_s;
        QTest::newRow("model not in the catalogue")
            << modelSpec + QStringList{u"--model"_s, u"Ｚ"_s, u"--border"_s, u"18"_s} << u"機種の一覧"_s;
        QTest::newRow("probability without payout")
            << modelSpec + QStringList{u"--model"_s, u"Ｙ"_s, u"--prob"_s, u"99.9"_s}
            << u"--prob と --payout"_s;
    }

    void badValuesAreRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        TempFolder f;
        writeFolder(f);
        const QByteArray before = f.read(kDb);
        const CliResult r = runIn(f, arguments + QStringList{u"--yes"_s});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.errText().contains(message), qPrintable(r.errText()));
        QCOMPARE(f.read(kDb), before);
    }
};

QTEST_GUILESS_MAIN(TestPlayCommands)
#include "tst_playcommands.moc"
