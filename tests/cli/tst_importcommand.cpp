#include "clifixture.h"

#include "common/codec.h"

#include <QJsonArray>
#include <QLockFile>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;
using tama::test::CardValues;
using tama::test::CliResult;
using tama::test::runIn;
using tama::test::TempFolder;

namespace {

const QString kPrecordHeader =
    u"日付,店舗コード,店舗,メーカー,機種コード,機種,台番号,投資額,回収額,収支,メモ,稼働時間,時給"_s;

// Two visits that a pRecord row gives back unchanged when imported as デジパチ: started at
// 10:00, 平常開店, full-width names.
CardValues saturday() {
    return {.date = u"20010106土"_s,
            .start = u"1000"_s,
            .end = u"1530"_s,
            .store = u"ＡＢ"_s,
            .category = u"2"_s,
            .model = u"Ｘ"_s,
            .investment = u"0150"_s,
            .cashOut = u"0320"_s,
            .dayType = u"111"_s,
            .impression = u"よかった"_s};
}
CardValues sunday() {
    CardValues v = saturday();
    v.date = u"20010107日"_s;
    v.end = u"1200"_s;
    v.model = u"Ｙ"_s;
    v.investment = u"0200"_s;
    v.cashOut = u"0000"_s;
    v.impression = QString();
    return v;
}
CardValues candidate() {
    CardValues v = saturday();
    v.date = u"R0010108月"_s;
    return v;
}
// What pShare gives back: no hall, no model, no time played.
CardValues pshareCard(const QString &date) {
    CardValues v = saturday();
    v.date = date;
    v.end = u"1000"_s;
    v.store = QString();
    v.model = QString();
    return v;
}

const QString kPrecordFile =
    kPrecordHeader + u"\r\n"_s + u"2001/01/06,,ＡＢ,,,Ｘ,125,15000,32000,17000,よかった,5.5,3090\r\n"_s +
    u"2001/01/07,,ＡＢ,,,Ｙ,,20000,0,-20000,,2,\r\n"_s + u"2001/02/30,,ＡＢ,,,Ｘ,,100,0,,,,\r\n"_s;

QStringList importArgs(const QString &user, const QString &from) {
    return {u"import"_s, u"--user"_s, user, u"--from"_s, from};
}

// A file outside the data folder, so that what the data folder holds is only what the
// command wrote.
class Outside {
  public:
    QString write(const QString &name, const QByteArray &bytes) {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return f.fileName();
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }

  private:
    QTemporaryDir m_dir;
};

// The cards of a diary as cards --json gives them, without the card numbers.
QJsonArray cardsOf(const TempFolder &folder, const QString &user, const QString &year) {
    const CliResult r = runIn(folder, {u"cards"_s, u"--user"_s, user, u"--year"_s, year, u"--json"_s});
    if (r.status != 0) qWarning("cards: %s", r.err.constData());
    QJsonArray cards;
    for (const QJsonValue &v : r.json().value(u"cards"_s).toArray()) {
        QJsonObject o = v.toObject();
        o.remove(u"no"_s);
        cards.append(o);
    }
    return cards;
}

} // namespace

class TestImportCommand : public QObject {
    Q_OBJECT
  private slots:
    void exportUsageErrors_data();
    void exportUsageErrors();
    void exportPrecordOfEveryYear();
    void exportPshareInCodePage932();
    void usageErrors_data();
    void usageErrors();
    void dryRunWritesNothing();
    void yesWritesAndASecondRunFindsDuplicates();
    void jsonKeys();
    void refusedFiles_data();
    void refusedFiles();
    void columnsThroughAMapFile();
    void refusesWhileTheProgramHasTheFolder();
    void roundTrip_data();
    void roundTrip();
};

void TestImportCommand::exportUsageErrors_data() {
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("message");
    QTest::newRow("layout without csv")
        << QStringList{u"--layout"_s, u"precord"_s} << u"--layout は --csv と一緒に使います"_s;
    QTest::newRow("layout with json")
        << QStringList{u"--json"_s, u"--layout"_s, u"precord"_s} << u"--layout は --csv と一緒に使います"_s;
    QTest::newRow("unknown layout") << QStringList{u"--csv"_s, u"--layout"_s, u"excel"_s}
                                    << u"--layout は precord か pshare です: excel"_s;
    QTest::newRow("columns is no export") << QStringList{u"--csv"_s, u"--layout"_s, u"columns"_s}
                                          << u"--layout は precord か pshare です: columns"_s;
}

void TestImportCommand::exportUsageErrors() {
    QFETCH(QStringList, extra);
    QFETCH(QString, message);
    TempFolder folder;
    folder.write(u"taro.2001.dat"_s, tama::test::cardBytes(saturday()));
    const CliResult r = runIn(folder, QStringList{u"cards"_s, u"--user"_s, u"taro"_s} + extra);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.errText().contains(message), qPrintable(r.errText()));
    QCOMPARE(r.out, QByteArray());
}

void TestImportCommand::exportPrecordOfEveryYear() {
    TempFolder folder;
    CardValues old = saturday();
    old.date = u"19990503月"_s;
    folder.write(u"taro.2001.dat"_s, tama::test::diaryBytes({saturday(), candidate(), sunday()}));
    folder.write(u"taro.1999.dat"_s, tama::test::cardBytes(old));
    folder.write(u"jiro.2000.dat"_s, tama::test::cardBytes(old));
    QCOMPARE(runIn(folder, {u"play"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"2001"_s, u"--card"_s, u"3"_s,
                            u"--machine"_s, u"87"_s, u"--yes"_s})
                 .status,
             0);

    const CliResult r =
        runIn(folder, {u"cards"_s, u"--user"_s, u"taro"_s, u"--csv"_s, u"--layout"_s, u"precord"_s});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(r.out.mid(3)).split(u"\r\n"_s);
    // The header, 1999, then 2001 without its candidate; another user's diary is not read.
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], kPrecordHeader);
    QVERIFY2(lines[1].startsWith(u"1999/05/03,"_s), qPrintable(lines[1]));
    QVERIFY2(lines[2].startsWith(u"2001/01/06,"_s), qPrintable(lines[2]));
    QVERIFY2(lines[3].startsWith(u"2001/01/07,"_s), qPrintable(lines[3]));
    QCOMPARE(lines[4], QString());
    // 台番号 comes from the play data of the card it belongs to, after the candidate.
    QCOMPARE(lines[2].split(u',').value(6), QString());
    QCOMPARE(lines[3].split(u',').value(6), u"87"_s);

    // One year, as --year says.
    const CliResult one = runIn(folder, {u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s,
                                         u"--csv"_s, u"--layout"_s, u"precord"_s});
    QCOMPARE(one.status, 0);
    QCOMPARE(QString::fromUtf8(one.out.mid(3)).split(u"\r\n"_s).size(), 3);
    // A user without diaries has the header only.
    const CliResult none =
        runIn(folder, {u"cards"_s, u"--user"_s, u"saburo"_s, u"--csv"_s, u"--layout"_s, u"precord"_s});
    QCOMPARE(none.status, 0);
    QCOMPARE(none.out, QByteArray("\xEF\xBB\xBF") + kPrecordHeader.toUtf8() + "\r\n");
}

void TestImportCommand::exportPshareInCodePage932() {
    TempFolder folder;
    folder.write(u"taro.2001.dat"_s, tama::test::diaryBytes({saturday(), candidate()}));
    const CliResult r = runIn(folder, {u"cards"_s, u"--user"_s, u"taro"_s, u"--csv"_s, u"--layout"_s,
                                       u"pshare"_s, u"--encoding"_s, u"cp932"_s});
    QCOMPARE(r.status, 0);
    // No header, no BOM: 2001/01/06,15000,32000,よかった in Shift-JIS.
    QCOMPARE(r.out,
             QByteArray("2001/01/06,15000,32000,") + tama::test::hex("82 E6 82 A9 82 C1 82 BD") + "\r\n");
}

void TestImportCommand::usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString f = u"x.csv"_s;
    const QStringList taro = importArgs(u"taro"_s, f);
    QTest::newRow("no user") << QStringList{u"import"_s, u"--from"_s, f}
                             << u"import には --user が必要です"_s;
    QTest::newRow("no file") << QStringList{u"import"_s, u"--user"_s, u"taro"_s}
                             << u"import には --from が必要です"_s;
    QTest::newRow("unknown format") << taro + QStringList{u"--format"_s, u"excel"_s}
                                    << u"--format は precord、pshare、columns のどれかです: excel"_s;
    QTest::newRow("columns without a map")
        << taro + QStringList{u"--format"_s, u"columns"_s} << u"--format columns には --map が必要です"_s;
    QTest::newRow("map without columns")
        << taro + QStringList{u"--map"_s, u"m.txt"_s} << u"--map は --format columns と一緒に使います"_s;
    QTest::newRow("unknown category") << taro + QStringList{u"--category"_s, u"スロット"_s} << u"種類は "_s;
    QTest::newRow("category code 6") << taro + QStringList{u"--category"_s, u"6"_s} << u"種類は "_s;
    QTest::newRow("start 24:00") << taro + QStringList{u"--start"_s, u"24:00"_s} << u"--start は HH:MM"_s;
    QTest::newRow("start without colon")
        << taro + QStringList{u"--start"_s, u"1000"_s} << u"--start は HH:MM"_s;
    QTest::newRow("unsafe user") << importArgs(u"../taro"_s, f) << u"データフォルダの外を指す"_s;
    QTest::newRow("layout is cards'")
        << taro + QStringList{u"--layout"_s, u"precord"_s} << u"import には --layout は使えません"_s;
}

void TestImportCommand::usageErrors() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    TempFolder folder;
    Outside outside;
    const QString file = outside.write(u"x.csv"_s, kPrecordFile.toUtf8());
    args.replaceInStrings(u"x.csv"_s, file);
    const CliResult r = runIn(folder, args + QStringList{u"--yes"_s});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.errText().contains(message), qPrintable(r.errText()));
    QCOMPARE(folder.files(), QStringList{});
}

void TestImportCommand::dryRunWritesNothing() {
    TempFolder folder;
    Outside outside;
    const QString file = outside.write(u"p.csv"_s, kPrecordFile.toUtf8());
    const CliResult r =
        runIn(folder, importArgs(u"taro"_s, file) + QStringList{u"--category"_s, u"デジパチ"_s});
    QCOMPARE(r.status, 0);
    const QStringList lines = r.outLines();
    QCOMPARE(lines.size(), 1 + 3 + 2 + 1);
    QCOMPARE(lines[0], u"p.csv: 文字コード UTF-8、形式 pRecord"_s);
    QVERIFY2(lines[1].startsWith(u"2\t新規\t2001/01/06 10:00–15:30\tＡＢ\tデジパチ\tＸ\t15000\t32000\t"_s),
             qPrintable(lines[1]));
    QVERIFY2(lines[2].startsWith(u"3\t新規\t2001/01/07 10:00–12:00\tＡＢ\tデジパチ\tＹ\t20000\t0\t"_s),
             qPrintable(lines[2]));
    QVERIFY2(lines[3].startsWith(u"4\t取り込まない\t"_s) && lines[3].count(u'\t') == 2, qPrintable(lines[3]));
    QCOMPARE(lines[4], u"店の一覧に加える店: ＡＢ"_s);
    QCOMPARE(lines[5], u"機種の一覧に加える機種: デジパチ Ｘ、デジパチ Ｙ"_s);
    QCOMPARE(lines[6], u"新規 2 枚、重複 0 枚、取り込まない 1 行。--yes を付けると取り込みます。"_s);
    QCOMPARE(folder.files(), QStringList{});

    // Without a category every row is refused, and still nothing is written.
    const CliResult none = runIn(folder, importArgs(u"taro"_s, file));
    QCOMPARE(none.status, 0);
    QVERIFY2(none.outLines().last().startsWith(u"新規 0 枚、重複 0 枚、取り込まない 3 行"_s),
             none.out.constData());
    QCOMPARE(folder.files(), QStringList{});
}

void TestImportCommand::yesWritesAndASecondRunFindsDuplicates() {
    TempFolder folder;
    Outside outside;
    const QString file = outside.write(u"p.csv"_s, kPrecordFile.toUtf8());
    const QStringList args = importArgs(u"taro"_s, file) + QStringList{u"--category"_s, u"2"_s, u"--yes"_s};
    const CliResult r = runIn(folder, args);
    QCOMPARE(r.status, 0);
    QVERIFY2(r.errText().contains(u"取り込む前の状態をバックアップ "_s) &&
                 r.errText().contains(u" に保存しました。バックアップと復元から元に戻せます。"_s),
             qPrintable(r.errText()));
    QVERIFY2(
        r.outLines().last().startsWith(u"2 枚を取り込みました（新規 2 枚、重複 0 枚、取り込まない 1 行）"_s),
        qPrintable(r.outText()));
    // The two cards as the card screen stores them, and the hall and models registered.
    QCOMPARE(folder.read(u"taro.2001.dat"_s), tama::test::diaryBytes({saturday(), sunday()}));
    QCOMPARE(runIn(folder, {u"stores"_s}).outLines(), QStringList{u"ＡＢ"_s});
    QCOMPARE(runIn(folder, {u"models"_s, u"--category"_s, u"デジパチ"_s}).outLines(),
             (QStringList{u"Ｘ"_s, u"Ｙ"_s}));
    const QJsonArray cards = cardsOf(folder, u"taro"_s, u"2001"_s);
    QCOMPARE(cards[0].toObject().value(u"play"_s).toObject().value(u"machine"_s).toString(), u"125"_s);

    const QByteArray diary = folder.read(u"taro.2001.dat"_s);
    const QStringList before = folder.files();
    const CliResult again = runIn(folder, args);
    QCOMPARE(again.status, 0);
    QCOMPARE(again.outLines().last(),
             u"新規 0 枚、重複 2 枚、取り込まない 1 行。取り込むカードはありません。"_s);
    QVERIFY2(again.outLines()[1].startsWith(u"2\t重複\t"_s), qPrintable(again.outText()));
    QCOMPARE(folder.read(u"taro.2001.dat"_s), diary);
    QCOMPARE(folder.files(), before);
}

void TestImportCommand::jsonKeys() {
    TempFolder folder;
    Outside outside;
    const QString file = outside.write(u"p.csv"_s, kPrecordFile.toUtf8());
    const CliResult r =
        runIn(folder, importArgs(u"taro"_s, file) + QStringList{u"--category"_s, u"デジパチ"_s, u"--json"_s});
    QCOMPARE(r.status, 0);
    const QJsonObject o = r.json();
    QStringList keys = o.keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{u"duplicate"_s, u"encoding"_s, u"file"_s, u"format"_s, u"models_added"_s,
                                u"new"_s, u"refused"_s, u"rows"_s, u"stores_added"_s}));
    QCOMPARE(o.value(u"file"_s).toString(), file);
    QCOMPARE(o.value(u"encoding"_s).toString(), u"utf-8"_s);
    QCOMPARE(o.value(u"format"_s).toString(), u"precord"_s);
    QCOMPARE(o.value(u"new"_s).toInt(), 2);
    QCOMPARE(o.value(u"refused"_s).toInt(), 1);
    QCOMPARE(o.value(u"stores_added"_s).toArray(), QJsonArray{u"ＡＢ"_s});
    QCOMPARE(o.value(u"models_added"_s).toArray().first().toObject(),
             (QJsonObject{{u"category"_s, u"デジパチ"_s}, {u"model"_s, u"Ｘ"_s}}));
    const QJsonArray rows = o.value(u"rows"_s).toArray();
    QCOMPARE(rows.size(), 3);
    const QJsonObject first = rows[0].toObject();
    QCOMPARE(first.value(u"line"_s).toInt(), 2);
    QCOMPARE(first.value(u"verdict"_s).toString(), u"new"_s);
    QVERIFY(first.value(u"notices"_s).isArray());
    // The card's fields as cards --json names them, as stored.
    const QJsonObject card = first.value(u"card"_s).toObject();
    QCOMPARE(card.value(u"VisitDate"_s).toString().trimmed(), u"20010106土"_s);
    QCOMPARE(card.value(u"EndTime"_s).toString(), u"1530"_s);
    QCOMPARE(card.value(u"diary"_s).toString(), u"taro.2001.dat"_s);
    QCOMPARE(first.value(u"play"_s).toObject().value(u"machine"_s).toString(), u"125"_s);
    QVERIFY(rows[1].toObject().value(u"play"_s).isNull());
    const QJsonObject refused = rows[2].toObject();
    QCOMPARE(refused.value(u"verdict"_s).toString(), u"refused"_s);
    QVERIFY(!refused.value(u"reason"_s).toString().isEmpty());
    QVERIFY(refused.value(u"card"_s).isNull());
    QCOMPARE(folder.files(), QStringList{});

    // With --yes the object also says how many cards were stored and the snapshot that undoes it.
    const CliResult yes =
        runIn(folder, importArgs(u"taro"_s, file) +
                          QStringList{u"--category"_s, u"デジパチ"_s, u"--json"_s, u"--yes"_s});
    QCOMPARE(yes.status, 0);
    const QJsonObject done = yes.json();
    QCOMPARE(done.value(u"imported"_s).toInt(), 2);
    QVERIFY(done.value(u"snapshot"_s).toString().endsWith(u"-import"_s));
    QCOMPARE(done.value(u"rows"_s).toArray().size(), 3);
    QCOMPARE(folder.read(u"taro.2001.dat"_s).size(), 2 * 240);
}

void TestImportCommand::refusedFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("only a header") << (kPrecordHeader + u"\r\n"_s).toUtf8() << true;
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << true;
    QTest::newRow("no layout found") << QByteArray("a,b\n1,2\n") << true;
}

void TestImportCommand::refusedFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);
    TempFolder folder;
    Outside outside;
    const QString file = exists ? outside.write(u"bad.csv"_s, bytes) : outside.path(u"bad.csv"_s);
    for (const QString &yes : {QString(), u"--yes"_s}) {
        QStringList args = importArgs(u"taro"_s, file) + QStringList{u"--category"_s, u"デジパチ"_s};
        if (!yes.isEmpty()) args.append(yes);
        const CliResult r = runIn(folder, args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.errText().startsWith(u"tamanote-cli: "_s) && r.errText().contains(u"bad.csv"_s),
                 qPrintable(r.errText()));
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(folder.files(), QStringList{});
    }
}

void TestImportCommand::columnsThroughAMapFile() {
    TempFolder folder;
    Outside outside;
    // A spreadsheet in 万円, in code page 932, and its map in UTF-8 with a BOM.
    const QString table = u"日,店,台,種類,投資(万),回収(万),開始,終了\r\n"_s
                          u"2001/01/06,ＡＢ,Ｘ,デジパチ,1.5,3.2,10:00,15:30\r\n"_s;
    const QString csv = outside.write(u"sheet.csv"_s, tama::cp932::encode(table).bytes);
    const QString map = outside.write(u"sheet.map"_s, QByteArray("\xEF\xBB\xBF") +
                                                          u"# the sheet's columns\n"
                                                          u"date=日\nstore=店\nmodel=台\ncategory=種類\n"
                                                          u"investment=投資(万)\ncashout=回収(万)\n"
                                                          u"start=開始\nend=終了\nunit=万円\n"_s.toUtf8());
    const CliResult r = runIn(folder, importArgs(u"taro"_s, csv) + QStringList{u"--format"_s, u"columns"_s,
                                                                               u"--map"_s, map, u"--yes"_s});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.outLines().first(), u"sheet.csv: 文字コード Shift_JIS（CP932）、形式 列の対応づけ"_s);
    CardValues v = saturday();
    v.impression = QString();
    QCOMPARE(folder.read(u"taro.2001.dat"_s), tama::test::cardBytes(v));

    // A map that names a column the file lacks stops before anything is written.
    TempFolder other;
    const QString bad = outside.write(u"bad.map"_s, "date=日\ninvestment=投資\n");
    const CliResult refused =
        runIn(other, importArgs(u"taro"_s, csv) +
                         QStringList{u"--format"_s, u"columns"_s, u"--map"_s, bad, u"--yes"_s});
    QCOMPARE(refused.status, 1);
    QVERIFY2(refused.errText().contains(u"bad.map"_s), qPrintable(refused.errText()));
    QCOMPARE(other.files(), QStringList{});
}

void TestImportCommand::refusesWhileTheProgramHasTheFolder() {
    TempFolder folder;
    Outside outside;
    const QString file = outside.write(u"p.csv"_s, kPrecordFile.toUtf8());
    QLockFile program(folder.file(u".tamanote.lock"_s));
    QVERIFY(program.tryLock(0));
    const QStringList args = importArgs(u"taro"_s, file) + QStringList{u"--category"_s, u"デジパチ"_s};
    const CliResult r = runIn(folder, args + QStringList{u"--yes"_s});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.errText().contains(u"タマノートが使っています"_s), qPrintable(r.errText()));
    QCOMPARE(folder.files(), QStringList{u".tamanote.lock"_s});
    // Looking is allowed while the program runs.
    QCOMPARE(runIn(folder, args).status, 0);
}

void TestImportCommand::roundTrip_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QList<CardValues>>("cards");
    QTest::newRow("precord") << u"precord"_s << QList<CardValues>{saturday(), candidate(), sunday()};
    QTest::newRow("pshare") << u"pshare"_s
                            << QList<CardValues>{pshareCard(u"20010106土"_s), candidate(),
                                                 pshareCard(u"20010107日"_s)};
}

// A diary exported in a layout and imported into another user gives the same cards.
void TestImportCommand::roundTrip() {
    QFETCH(QString, layout);
    QFETCH(QList<CardValues>, cards);
    TempFolder folder;
    Outside outside;
    folder.write(u"taro.2001.dat"_s, tama::test::diaryBytes(cards));
    CardValues old = cards.first();
    old.date = u"19990503月"_s;
    folder.write(u"taro.1999.dat"_s, tama::test::cardBytes(old));
    QCOMPARE(runIn(folder, {u"play"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"2001"_s, u"--card"_s, u"1"_s,
                            u"--machine"_s, u"125"_s, u"--yes"_s})
                 .status,
             0);

    for (const QString &encoding : {u"utf-8"_s, u"cp932"_s}) {
        const QString jiro = u"jiro"_s + encoding.left(2);
        const CliResult exported = runIn(folder, {u"cards"_s, u"--user"_s, u"taro"_s, u"--csv"_s,
                                                  u"--layout"_s, layout, u"--encoding"_s, encoding});
        QCOMPARE(exported.status, 0);
        const QString file = outside.write(layout + encoding + u".csv"_s, exported.out);
        const CliResult imported =
            runIn(folder, importArgs(jiro, file) + QStringList{u"--category"_s, u"デジパチ"_s, u"--yes"_s});
        QVERIFY2(imported.status == 0, imported.err.constData());
        QVERIFY2(imported.outLines().last().startsWith(u"3 枚を取り込みました"_s),
                 qPrintable(imported.outText()));

        QCOMPARE(cardsOf(folder, jiro, u"1999"_s), cardsOf(folder, u"taro"_s, u"1999"_s));
        QJsonArray taro = cardsOf(folder, u"taro"_s, u"2001"_s);
        taro.removeAt(1); // the candidate stays behind
        QJsonArray got = cardsOf(folder, jiro, u"2001"_s);
        if (layout == u"pshare"_s) {
            // imp.csv has no 台番号: the only difference.
            QJsonObject first = taro[0].toObject();
            first.insert(u"play"_s, QJsonValue::Null);
            taro[0] = first;
        }
        QCOMPARE(got, taro);
        QCOMPARE(folder.read(tama::DiaryFileName(jiro, 2001)), tama::test::diaryBytes({cards[0], cards[2]}));
    }
}

TAMA_TEST_MAIN(TestImportCommand)
#include "tst_importcommand.moc"
