#include "clifixture.h"
#include "support/testsupport.h"

#include "cli.h"
#include "common/csv.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama::test;

namespace {

QByteArray userRecord(const QByteArray &mark, const QByteArray &name) {
    return field(mark, 2) + field(name, 18);
}

// Three cards: an ordinary one with double-byte text, a deletion candidate, a plain one.
QByteArray threeCards() {
    CardValues c = CardValues::blank();
    c.date = u"19990125月"_s;
    c.investment = u"0000"_s;
    c.cashOut = u"0000"_s;
    return cardBytes({.date = u"19990123土"_s,
                      .start = u" 930"_s,
                      .end = u"1405"_s,
                      .store = u"Ａ店"_s,
                      .model = u"ＣＲ海"_s,
                      .investment = u"0045"_s,
                      .cashOut = u"0120"_s,
                      .impression = u"大当たり,\"x\"\r\nok"_s}) +
           cardBytes({.date = u"R9990124日"_s,
                      .end = u"1200"_s,
                      .store = u"Ｂ店"_s,
                      .category = u"2"_s,
                      .model = {},
                      .investment = u"0100"_s,
                      .cashOut = u"0000"_s,
                      .dayType = u"222"_s}) +
           cardBytes(c);
}

// Every file of the folder with its bytes and modification time, hidden ones included.
QMap<QString, QPair<QByteArray, QDateTime>> snapshot(const TempFolder &folder) {
    QMap<QString, QPair<QByteArray, QDateTime>> s;
    for (const QString &name : folder.files())
        s.insert(name, {folder.read(name), QFileInfo(folder.file(name)).lastModified()});
    return s;
}

const QString kModelListAbc = u"ＡＢＢＣＡＢＣ"_s; // the list of the store ＡＢＣ

// The user's own data folder as the real program finds it, under a home of the test's.
class UsersHome {
  public:
    UsersHome()
        : m_home(qgetenv("HOME")), m_xdg(qgetenv("XDG_DATA_HOME")),
          m_name(QCoreApplication::applicationName()) {
        QCoreApplication::setApplicationName(u"tamanote"_s);
        qputenv("HOME", m_folder.file(u"home"_s).toLocal8Bit());
        qputenv("XDG_DATA_HOME", m_folder.file(u"xdg"_s).toLocal8Bit());
        QStandardPaths::setTestModeEnabled(false);
    }
    ~UsersHome() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setApplicationName(m_name);
        qputenv("HOME", m_home);
        if (m_xdg.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_xdg);
    }
    QString dataFolder() const { return m_folder.file(u"xdg/tamanote"_s); }
    bool empty() const {
        return QDir(m_folder.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

  private:
    TempFolder m_folder;
    QByteArray m_home, m_xdg;
    QString m_name;
};

} // namespace

class TstCli : public QObject {
    Q_OBJECT

  private slots:
    void usersJsonAndText();
    void cardsJsonKeepsFieldsAsRead();
    void cardsOfAMissingDiaryAreNone();
    void cardsCsvQuotesAndEncodes();
    void csvFieldQuoting_data();
    void csvFieldQuoting();
    void storesModelsAndModelLists();
    void usageErrors_data();
    void usageErrors();
    void helpAndVersion();
    void checkReportsDamageAndNotes();
    void checkOfASoundFolderWithALongModelLine();
    void checkFixesNamesFromWindows();
    void readCommandsReportDamagedFiles();
    void nothingIsEverWritten();
    void theDefaultFolderIsNeverMade_data();
    void theDefaultFolderIsNeverMade();
};

void TstCli::usersJsonAndText() {
    TempFolder f;
    // Two users carry the mark (written by other means): start-up takes the later one.
    f.write(u"namae.dat"_s, userRecord(hex("81 40"), "hanako") + userRecord(hex("8e a9"), "taro") +
                                userRecord(hex("81 40"), hex("89 d4 8e 71")) +
                                userRecord(hex("8e a9"), "jiro"));
    const CliResult r = runIn(f, {u"users"_s, u"--json"_s});
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.isEmpty());
    const QJsonObject o = r.json();
    QCOMPARE(o.value(u"auto_start"_s).toInt(), 4);
    const QJsonArray users = o.value(u"users"_s).toArray();
    QCOMPARE(users.size(), 4);
    QCOMPARE(users[0].toObject().value(u"no"_s).toInt(), 1);
    QCOMPARE(users[0].toObject().value(u"AutoStartMark"_s).toString(), QString()); // 　 trimmed away
    QCOMPARE(users[0].toObject().value(u"UserName"_s).toString(), u"hanako"_s);
    QCOMPARE(users[1].toObject().value(u"AutoStartMark"_s).toString(), u"自"_s);
    QCOMPARE(users[2].toObject().value(u"UserName"_s).toString(), u"花子"_s);
    QCOMPARE(users[3].toObject().value(u"no"_s).toInt(), 4);

    const CliResult text = runIn(f, {u"users"_s});
    QCOMPARE(text.status, 0);
    const QStringList lines = text.outLines();
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[2].startsWith(u"3\t\t花子"_s));
    QVERIFY(!lines[1].contains(u"起動時"_s));
    QVERIFY(lines[3].startsWith(u"4\t自\tjiro"_s));
    QVERIFY(lines[3].contains(u"起動時"_s));

    // No mark anywhere: null, not 0.
    TempFolder g;
    g.write(u"namae.dat"_s, userRecord(hex("81 40"), "taro"));
    const QJsonObject none = runIn(g, {u"users"_s, u"--json"_s}).json();
    QVERIFY(none.contains(u"auto_start"_s));
    QVERIFY(none.value(u"auto_start"_s).isNull());
}

void TstCli::cardsJsonKeepsFieldsAsRead() {
    TempFolder f;
    f.write(u"taro.1999.dat"_s, threeCards());
    const CliResult r = runIn(f, {u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s});
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.isEmpty());
    const QJsonObject o = r.json();
    QCOMPARE(o.value(u"file"_s).toString(), u"taro.1999.dat"_s);
    QCOMPARE(o.value(u"count"_s).toInt(), 3);
    const QJsonArray cards = o.value(u"cards"_s).toArray();
    QCOMPARE(cards.size(), 3);

    const QJsonObject a = cards[0].toObject();
    QCOMPARE(a.value(u"no"_s).toInt(), 1);
    // N characters: the double-byte characters decode to fewer and are padded back.
    QCOMPARE(a.value(u"VisitDate"_s).toString(), u"19990123土 "_s);
    QCOMPARE(a.value(u"StartTime"_s).toString(), u" 930"_s);
    QCOMPARE(a.value(u"EndTime"_s).toString(), u"1405"_s);
    QCOMPARE(a.value(u"StoreName"_s).toString(), u"Ａ店"_s + QString(18, u' '));
    QCOMPARE(a.value(u"Category"_s).toString(), u"1"_s);
    QCOMPARE(a.value(u"ModelName"_s).toString(), u"ＣＲ海"_s + QString(27, u' '));
    QCOMPARE(a.value(u"Investment"_s).toString(), u"0045"_s);
    QCOMPARE(a.value(u"CashOut"_s).toString(), u"0120"_s);
    QCOMPARE(a.value(u"DayType"_s).toString(), u"111"_s);
    const QString impression = a.value(u"Impression"_s).toString();
    QCOMPARE(impression.size(), 160);
    QCOMPARE(impression, (u"大当たり,\"x\"\r\nok"_s).leftJustified(160, u' '));
    QCOMPARE(a.value(u"candidate"_s).toBool(), false);

    const QJsonObject b = cards[1].toObject();
    QCOMPARE(b.value(u"VisitDate"_s).toString(), u"R9990124日 "_s);
    QCOMPARE(b.value(u"candidate"_s).toBool(), true);
    QCOMPARE(b.value(u"ModelName"_s).toString(), QString(30, u' '));

    const QJsonObject c = cards[2].toObject();
    QCOMPARE(c.value(u"no"_s).toInt(), 3);
    QCOMPARE(c.value(u"candidate"_s).toBool(), false);
    QCOMPARE(c.value(u"StartTime"_s).toString(), u"    "_s);
    QCOMPARE(c.value(u"Impression"_s).toString(), QString(160, u' '));

    // The text form: one card per line, the impression's line break kept off the line.
    const CliResult text = runIn(f, {u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s});
    QCOMPARE(text.status, 0);
    const QStringList lines = text.outLines();
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith(u"1\t19990123土\t930\t1405\tＡ店\t1\tＣＲ海\t0045\t0120\t111\t"_s));
    QVERIFY(lines[1].startsWith(u"2\tR9990124日"_s));

    // The user part is the name's first 9 characters, trimmed.
    f.write(u"abcdefghi.2001.dat"_s, threeCards().left(240));
    const CliResult longName =
        runIn(f, {u"cards"_s, u"--user"_s, u"  abcdefghijkl"_s.mid(2), u"--year"_s, u"2001"_s, u"--json"_s});
    QCOMPARE(longName.status, 0);
    QCOMPARE(longName.json().value(u"file"_s).toString(), u"abcdefghi.2001.dat"_s);
    QCOMPARE(longName.json().value(u"count"_s).toInt(), 1);
}

void TstCli::cardsOfAMissingDiaryAreNone() {
    TempFolder f;
    const CliResult r = runIn(f, {u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"2024"_s, u"--json"_s});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.json().value(u"count"_s).toInt(), 0);
    QCOMPARE(r.json().value(u"cards"_s).toArray().size(), 0);
    QVERIFY(!f.exists(u"taro.2024.dat"_s));
}

void TstCli::cardsCsvQuotesAndEncodes() {
    TempFolder f;
    f.write(u"taro.1999.dat"_s, threeCards());
    const QStringList base{u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--csv"_s};

    const CliResult utf8 = runIn(f, base);
    QCOMPARE(utf8.status, 0);
    QVERIFY(utf8.out.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(utf8.out.mid(3));
    QVERIFY(text.endsWith(u"\r\n"_s));
    // The quoted impression holds the one line break that is not a row end.
    const QStringList rows = text.split(u"\r\n"_s);
    QCOMPARE(rows.size(), 1 + 3 + 1 + 1); // header, 3 cards, the break inside a card, the empty tail
    QVERIFY(rows[0].startsWith(u"番号,"_s));
    QCOMPARE(rows[0].count(u','), 12);
    QCOMPARE(rows[1], u"1,19990123土,930,1405,Ａ店,1,ＣＲ海,4500,12000,7500,111,\"大当たり,\"\"x\"\""_s);
    QCOMPARE(rows[2], u"ok\","_s);
    QCOMPARE(rows[3], u"2,R9990124日,1000,1200,Ｂ店,2,,10000,0,-10000,222,,削除候補"_s);
    QCOMPARE(rows[4], u"3,19990125月,,,,,,0,0,0,,,"_s);

    const CliResult sjis = runIn(f, base + QStringList{u"--encoding"_s, u"cp932"_s});
    QCOMPARE(sjis.status, 0);
    QVERIFY(sjis.out.startsWith(hex("94 d4 8d 86") + ",")); // 番号, and no byte order mark
    const qsizetype firstRow = sjis.out.indexOf("\r\n") + 2;
    const QByteArray expected =
        "1,19990123" + hex("93 79") + ",930,1405," + hex("82 60 93 58") + ",1," + hex("82 62 82 71 8a 43") +
        ",4500,12000,7500,111,\"" + hex("91 e5 93 96 82 bd 82 e8") + ",\"\"x\"\"\r\nok\",\r\n" +
        "2,R9990124" + hex("93 fa") + ",1000,1200," + hex("82 61 93 58") + ",2,,10000,0,-10000,222,," +
        hex("8d ed 8f 9c 8c f3 95 e2") + "\r\n" + "3,19990125" + hex("8c 8e") + ",,,,,,0,0,0,,,\r\n";
    QCOMPARE(sjis.out.mid(firstRow), expected);

    // Bytes that are no characters cannot be written in code page 932: they become 〓.
    f.write(
        u"jiro.1999.dat"_s,
        cardBytes(CardValues::blank()).replace(0, 20, "19990123" + hex("93 79") + spaces(8) + hex("82 ff")));
    const CliResult bad = runIn(f, {u"cards"_s, u"--user"_s, u"jiro"_s, u"--year"_s, u"1999"_s, u"--csv"_s,
                                    u"--encoding"_s, u"CP932"_s});
    QCOMPARE(bad.status, 1);
    QVERIFY(bad.out.contains("," + hex("81 ac")));
    QVERIFY(bad.errText().contains(u"damaged jiro.1999.dat"_s));
}

void TstCli::csvFieldQuoting_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain") << u"Ａ店 1"_s << u"Ａ店 1"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("comma") << u"a,b"_s << u"\"a,b\""_s;
    QTest::newRow("quote only") << u"say \"hi\""_s << u"\"say \"\"hi\"\"\""_s;
    QTest::newRow("lone CR") << u"a\rb"_s << u"\"a\rb\""_s;
    QTest::newRow("lone LF") << u"a\nb"_s << u"\"a\nb\""_s;
}

void TstCli::csvFieldQuoting() {
    QFETCH(QString, text);
    QFETCH(QString, quoted);
    QCOMPARE(tama::csvField(text), quoted);
}

void TstCli::storesModelsAndModelLists() {
    TempFolder f;
    // Reserved fields hold bytes the program never interprets.
    f.write(u"patishop.dat"_s, field(hex("82 60 93 58"), 20) + hex("ff fe 00 01 02 03") + "1234" +
                                   field("note", 50) + field(hex("81 40 82 61 93 58 81 40"), 20) +
                                   spaces(60) + spaces(80));
    // An existing lower-case catalogue is the one used.
    f.write(u"degipati.dat"_s, field(hex("8a 43 95 a8 8c ea 81 40"), 30) + hex("ff").repeated(130) +
                                   field("CR1", 30) + spaces(130));

    const CliResult stores = runIn(f, {u"stores"_s, u"--json"_s});
    QCOMPARE(stores.status, 0);
    QCOMPARE(stores.json().value(u"stores"_s).toArray().toVariantList(),
             QVariantList({u"Ａ店"_s, u"　Ｂ店"_s, QString()})); // trimmed at the right only
    QCOMPARE(runIn(f, {u"stores"_s}).outLines(), QStringList({u"Ａ店"_s, u"　Ｂ店"_s}));

    const CliResult models = runIn(f, {u"models"_s, u"--category"_s, u"デジパチ"_s, u"--json"_s});
    QCOMPARE(models.status, 0);
    QCOMPARE(models.json().value(u"file"_s).toString(), u"degipati.dat"_s);
    QCOMPARE(models.json().value(u"models"_s).toArray().toVariantList(),
             QVariantList({u"海物語"_s, u"CR1"_s}));

    // A catalogue that does not exist: the table's name, no models.
    const CliResult cr = runIn(f, {u"models"_s, u"--category"_s, u"ＣＲデジパチ"_s, u"--json"_s});
    QCOMPARE(cr.status, 0);
    QCOMPARE(cr.json().value(u"file"_s).toString(), u"CRpati.dat"_s);
    QVERIFY(cr.json().value(u"models"_s).toArray().isEmpty());

    // "# 2", 海物語, "# 3" … "# 6", ＣＲ海 padded with full-width spaces, "# #", and a line past the end.
    f.write(kModelListAbc, "# 2\r\n" + hex("8a 43 95 a8 8c ea") + "\r\n# 3\r\n# 4\r\n# 5\r\n# 6\r\n" +
                               hex("82 62 82 71 8a 43") + hex("81 40").repeated(12) + "\r\n# #\r\nafter\r\n");
    const CliResult list = runIn(f, {u"model-list"_s, u"--store"_s, u"ABC"_s, u"--json"_s});
    QCOMPARE(list.status, 0);
    const QJsonObject o = list.json();
    QCOMPARE(o.value(u"file"_s).toString(), kModelListAbc);
    const QJsonArray entries = o.value(u"entries"_s).toArray();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].toObject().value(u"section"_s).toInt(), 2);
    QCOMPARE(entries[0].toObject().value(u"model"_s).toString(), u"海物語"_s);
    QCOMPARE(entries[1].toObject().value(u"section"_s).toInt(), 6);
    QCOMPARE(entries[1].toObject().value(u"model"_s).toString(), u"ＣＲ海"_s);
    QCOMPARE(runIn(f, {u"model-list"_s, u"--store"_s, u"ＡＢＣ"_s}).outLines(),
             QStringList({u"2\t海物語"_s, u"6\tＣＲ海"_s}));

    // A store without a list: empty, and the file is not created.
    const CliResult none = runIn(f, {u"model-list"_s, u"--store"_s, u"Ｚ"_s, u"--json"_s});
    QCOMPARE(none.status, 0);
    QCOMPARE(none.json().value(u"file"_s).toString(), u"ＺＺＺ"_s);
    QVERIFY(none.json().value(u"entries"_s).toArray().isEmpty());
    QVERIFY(!f.exists(u"ＺＺＺ"_s));
}

void TstCli::usageErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message"); // a part of the one error line

    const QString y = u"--year"_s, u = u"--user"_s;
    QTest::newRow("no command") << QStringList{} << u"COMMAND"_s;
    QTest::newRow("unknown command") << QStringList{u"cardz"_s} << u"cardz"_s;
    QTest::newRow("unknown option") << QStringList{u"users"_s, u"--xml"_s} << u"--xml"_s;
    QTest::newRow("option of another command") << QStringList{u"users"_s, u"--csv"_s} << u"--csv"_s;
    QTest::newRow("extra argument") << QStringList{u"stores"_s, u"more"_s} << u"more"_s;
    QTest::newRow("missing --user") << QStringList{u"cards"_s, y, u"1999"_s} << u"--user"_s;
    QTest::newRow("missing --year") << QStringList{u"cards"_s, u, u"taro"_s} << u"--year"_s;
    QTest::newRow("--user without value") << QStringList{u"cards"_s, y, u"1999"_s, u} << u"--user"_s;
    QTest::newRow("twice") << QStringList{u"cards"_s, u, u"a"_s, u, u"b"_s, y, u"1999"_s} << u"--user"_s;
    QTest::newRow("parent folder") << QStringList{u"cards"_s, u, u"../x"_s, y, u"1999"_s}
                                   << u"データフォルダの外"_s;
    QTest::newRow("dots") << QStringList{u"cards"_s, u, u".."_s, y, u"1999"_s} << u"「..」"_s;
    QTest::newRow("separator") << QStringList{u"cards"_s, u, u"a/b"_s, y, u"1999"_s} << u"/"_s;
    QTest::newRow("backslash") << QStringList{u"cards"_s, u, u"a\\b"_s, y, u"1999"_s} << u"\\"_s;
    QTest::newRow("blank name") << QStringList{u"cards"_s, u, u"  "_s, y, u"1999"_s} << u"空"_s;
    QTest::newRow("two-digit year") << QStringList{u"cards"_s, u, u"taro"_s, y, u"99"_s} << u"99"_s;
    QTest::newRow("five-digit year") << QStringList{u"cards"_s, u, u"taro"_s, y, u"19990"_s} << u"19990"_s;
    QTest::newRow("year not digits") << QStringList{u"cards"_s, u, u"taro"_s, y, u"１９９９"_s}
                                     << u"１９９９"_s;
    QTest::newRow("json and csv") << QStringList{u"cards"_s, u, u"t"_s, y, u"1999"_s, u"--json"_s, u"--csv"_s}
                                  << u"--csv"_s;
    QTest::newRow("encoding without csv")
        << QStringList{u"cards"_s, u, u"t"_s, y, u"1999"_s, u"--encoding"_s, u"cp932"_s} << u"--encoding"_s;
    QTest::newRow("unknown encoding")
        << QStringList{u"cards"_s, u, u"t"_s, y, u"1999"_s, u"--csv"_s, u"--encoding"_s, u"euc-jp"_s}
        << u"euc-jp"_s;
    QTest::newRow("unknown category") << QStringList{u"models"_s, u"--category"_s, u"スロット"_s}
                                      << u"羽物|デジパチ|権利物|一般電役|ＣＲデジパチ"_s;
    QTest::newRow("missing category") << QStringList{u"models"_s} << u"--category"_s;
    QTest::newRow("empty store") << QStringList{u"model-list"_s, u"--store"_s, u" "_s} << u"--store"_s;
}

void TstCli::usageErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    TempFolder f;
    const CliResult r = runIn(f, arguments);
    QCOMPARE(r.status, 2);
    QVERIFY(r.out.isEmpty());
    const QStringList lines = r.errText().split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].startsWith(u"tamanote-cli: "_s), qPrintable(lines[0]));
    QVERIFY2(lines[0].contains(message), qPrintable(lines[0]));
    QVERIFY(f.files().isEmpty());
}

void TstCli::helpAndVersion() {
    const CliResult help = runCli({u"--help"_s});
    QCOMPARE(help.status, 0);
    QVERIFY(help.err.isEmpty());
    for (const QString &command :
         {u"users"_s, u"cards"_s, u"stores"_s, u"models"_s, u"model-list"_s, u"check"_s})
        QVERIFY2(help.out.contains((u"  "_s + command + u' ').toUtf8()), qPrintable(command));

    const CliResult version = runCli({u"--version"_s});
    QCOMPARE(version.status, 0);
    QVERIFY(version.out.startsWith("tamanote-cli "));

    // A data folder that is not there is a problem with the data, not with the usage.
    TempFolder f;
    const CliResult missing = runCli({u"--data"_s, f.file(u"nowhere"_s), u"stores"_s});
    QCOMPARE(missing.status, 1);
    QVERIFY(missing.errText().contains(u"nowhere"_s));
    QVERIFY(!f.exists(u"nowhere"_s));
}

void TstCli::checkReportsDamageAndNotes() {
    TempFolder f;
    // The second user's name holds 82 FF: a lead byte with no valid trail byte.
    f.write(u"namae.dat"_s, userRecord(hex("8e a9"), "taro") + userRecord(hex("81 40"), "ab" + hex("82 ff")));
    f.write(u"taro.1999.dat"_s, threeCards().left(240) + "x"); // 241 bytes
    // Card 2's impression holds a byte that is no character.
    f.write(u"hanako.2000.dat"_s, threeCards().left(480).replace(470, 2, hex("82 ff")));
    // Reserved store fields and catalogue details may hold anything.
    f.write(u"patishop.dat"_s, field(hex("82 60 93 58"), 20) + hex("ff").repeated(60));
    f.write(u"crpati.dat"_s, field(hex("82 62 82 71 8a 43"), 30) + hex("ff").repeated(130));
    f.write(u"kenpati.dat"_s, spaces(161));
    f.write(u"Ａ店Ａ店Ａ店"_s,
            "# 2\r\n" + hex("8a 43") + "\r\n" + hex("8a") + "\r\n# #\r\n"); // the hall's list
    f.write(u"t#e#m#p.tmp"_s, spaces(240));
    f.write(u".tamanote.lock"_s, "1234");
    f.write(u"memo.txt"_s, hex("ff ff"));

    const CliResult r = runIn(f, {u"check"_s});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.isEmpty());
    const QStringList lines = r.outLines();
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines[0], u"ok crpati.dat"_s);
    QVERIFY(lines[1].startsWith(u"damaged hanako.2000.dat: "_s));
    QVERIFY(lines[1].contains(u"レコード 2 "_s) && lines[1].contains(u"Impression"_s) &&
            lines[1].contains(u"151 バイト目"_s));
    QVERIFY(lines[2].startsWith(u"damaged kenpati.dat: "_s) && lines[2].contains(u"161"_s));
    QVERIFY2(lines[3].startsWith(u"damaged namae.dat: "_s), qPrintable(lines[3]));
    QVERIFY(lines[3].contains(u"レコード 2 "_s) && lines[3].contains(u"UserName"_s) &&
            lines[3].contains(u"82"_s) && lines[3].contains(u"3 バイト目"_s));
    QCOMPARE(lines[4], u"ok patishop.dat"_s);
    QVERIFY(lines[5].startsWith(u"note t#e#m#p.tmp: "_s));
    QVERIFY(lines[6].startsWith(u"damaged taro.1999.dat: "_s));
    QVERIFY(lines[6].contains(u"241"_s) && lines[6].contains(u"240"_s));
    QVERIFY(lines[7].startsWith(u"damaged Ａ店Ａ店Ａ店: 3 行目"_s));

    const CliResult json = runIn(f, {u"check"_s, u"--json"_s});
    QCOMPARE(json.status, 1);
    const QJsonArray files = json.json().value(u"files"_s).toArray();
    QCOMPARE(files.size(), 8);
    QCOMPARE(files[6].toObject().value(u"name"_s).toString(), u"taro.1999.dat"_s);
    QCOMPARE(files[6].toObject().value(u"kind"_s).toString(), u"diary"_s);
    QCOMPARE(files[6].toObject().value(u"status"_s).toString(), u"damaged"_s);
    QCOMPARE(files[0].toObject().value(u"status"_s).toString(), u"ok"_s);
    QCOMPARE(json.json().value(u"damaged"_s).toBool(), true);
}

void TstCli::checkOfASoundFolderWithALongModelLine() {
    TempFolder f;
    f.write(u"namae.dat"_s, userRecord(hex("8e a9"), "taro"));
    f.write(u"taro.1999.dat"_s, threeCards());
    f.write(u"patishop.dat"_s, field(hex("82 61 82 61"), 80)); // ＢＢ, whose list is ＢＢＢＢＢＢ
    // Sixteen full-width letters Ａ … Ｐ in section 3.
    f.write(u"ＢＢＢＢＢＢ"_s,
            "# 2\r\n# 3\r\n" +
                hex("82 60 82 61 82 62 82 63 82 64 82 65 82 66 82 67 82 68 82 69 82 6a 82 6b 82 6c 82 "
                    "6d 82 6e 82 6f") +
                "\r\n" + hex("8a 43 95 a8 8c ea") + hex("81 40").repeated(12) + "\r\n# #\r\n");
    f.write(u"t#e#m#p#.tmp"_s, QByteArray());

    const CliResult r = runIn(f, {u"check"_s});
    QCOMPARE(r.status, 0);
    const QStringList lines = r.outLines();
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], u"ok namae.dat"_s);
    QCOMPARE(lines[1], u"ok patishop.dat"_s);
    QVERIFY(lines[2].startsWith(u"note t#e#m#p#.tmp: "_s));
    QCOMPARE(lines[3], u"ok taro.1999.dat"_s);
    // Only the long line is noted; the padded 15-character line is fine.
    QVERIFY2(lines[4].startsWith(u"ok ＢＢＢＢＢＢ: note: "_s), qPrintable(lines[4]));
    QVERIFY(lines[4].contains(u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰ"_s) && lines[4].contains(u"16"_s));
    QVERIFY(!lines[4].contains(u"海物語"_s));

    TempFolder empty;
    const CliResult nothing = runIn(empty, {u"check"_s});
    QCOMPARE(nothing.status, 0);
    QVERIFY(nothing.out.isEmpty());
}

void TstCli::checkFixesNamesFromWindows() {
    TempFolder f;
    f.write(u"patishop.dat"_s, field(hex("83 70 81 5b 91 e5 98 61"), 80)); // パー大和
    // Its model list パー大和パー大和 as unpacked from an archive made on Windows.
    const QByteArray cp932 = QFile::encodeName(f.path()) + '/' + hex("83 70 81 5b 91 e5 98 61").repeated(2);
    const int fd = ::open(cp932.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(fd >= 0 && ::write(fd, "# 2\r\n", 5) == 5 && ::close(fd) == 0);
    f.write(u"core"_s, QByteArray(10, 'x'));
    const QString shown = u"\\x83p\\x81[\\x91\\xE5\\x98a"_s.repeated(2);
    const QString rename = u"rename "_s + shown + u" -> パー大和パー大和"_s;

    const CliResult r = runIn(f, {u"check"_s});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.outLines().size(), 3);
    QVERIFY2(r.outLines()[0].startsWith(u"note core: "_s) && r.outLines()[0].contains(u"10 バイト"_s),
             qPrintable(r.outLines()[0]));
    QCOMPARE(r.outLines()[1], u"ok patishop.dat"_s);
    QVERIFY2(r.outLines()[2].startsWith(u"note "_s + shown + u": "_s) &&
                 r.outLines()[2].contains(u"パー大和パー大和"_s),
             qPrintable(r.outLines()[2]));

    const CliResult dry = runIn(f, {u"check"_s, u"--fix-names"_s});
    QCOMPARE(dry.status, 0);
    QCOMPARE(dry.outLines().first(), rename);
    QVERIFY(!f.exists(u"パー大和パー大和"_s));

    // The plan tells of a name already taken, which --yes would refuse.
    f.write(u"パー大和パー大和"_s, "ours");
    const CliResult taken = runIn(f, {u"check"_s, u"--fix-names"_s});
    QCOMPARE(taken.status, 1);
    QVERIFY(taken.out.isEmpty());
    QVERIFY2(taken.errText().contains(shown + u": 「パー大和パー大和」がすでにある"_s),
             taken.err.constData());
    QVERIFY(QFile::remove(f.file(u"パー大和パー大和"_s)));

    const CliResult done = runIn(f, {u"check"_s, u"--fix-names"_s, u"--yes"_s});
    QCOMPARE(done.status, 0);
    QCOMPARE(done.outLines(), QStringList{rename});
    QVERIFY(f.exists(u"パー大和パー大和"_s));
}

void TstCli::readCommandsReportDamagedFiles() {
    TempFolder f;
    f.write(u"taro.1999.dat"_s, threeCards() + "xy");
    f.write(u"namae.dat"_s, userRecord(hex("8e a9"), hex("82 ff")));

    // What can be read is shown; the damage goes to stderr and the status says so.
    const CliResult cards =
        runIn(f, {u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s});
    QCOMPARE(cards.status, 1);
    QCOMPARE(cards.json().value(u"count"_s).toInt(), 3);
    QVERIFY(cards.errText().startsWith(u"tamanote-cli: damaged taro.1999.dat: "_s));
    QCOMPARE(cards.errText().count(u'\n'), 1);

    const CliResult users = runIn(f, {u"users"_s, u"--json"_s});
    QCOMPARE(users.status, 1);
    QCOMPARE(users.json().value(u"users"_s).toArray().size(), 1);
    QVERIFY(users.errText().contains(u"damaged namae.dat"_s));
}

void TstCli::nothingIsEverWritten() {
    const QList<QStringList> commands = {
        {u"users"_s},
        {u"users"_s, u"--json"_s},
        {u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s},
        {u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--csv"_s},
        {u"cards"_s, u"--user"_s, u"hanako"_s, u"--year"_s, u"2030"_s},
        {u"stores"_s, u"--json"_s},
        {u"models"_s, u"--category"_s, u"羽物"_s, u"--json"_s},
        {u"models"_s, u"--category"_s, u"権利物"_s},
        {u"model-list"_s, u"--store"_s, u"ABC"_s, u"--json"_s},
        {u"model-list"_s, u"--store"_s, u"ＸＹＺ"_s},
        {u"check"_s},
        {u"check"_s, u"--json"_s},
    };

    TempFolder empty;
    for (const QStringList &c : commands) {
        const CliResult r = runIn(empty, c);
        QVERIFY2(r.status == 0, qPrintable(c.join(u' ') + u": "_s + r.errText()));
        QVERIFY2(empty.files().isEmpty(), qPrintable(c.join(u' ') + u": "_s + empty.files().join(u", "_s)));
    }

    TempFolder f;
    f.write(u"namae.dat"_s, userRecord(hex("8e a9"), "taro"));
    f.write(u"taro.1999.dat"_s, threeCards() + "x");
    f.write(u"patishop.dat"_s, field(hex("82 60 82 61 82 62"), 80));
    f.write(u"hirapati.dat"_s, field(hex("8a 43"), 160));
    f.write(kModelListAbc, "# 2\r\n# 3\r\n# 4\r\n# 5\r\n# 6\r\n# #\r\n");
    f.write(u"t#e#m#p.tmp"_s, spaces(240));
    f.write(u".lock"_s, "1");
    const auto before = snapshot(f);
    for (const QStringList &c : commands) {
        runIn(f, c);
        QVERIFY2(snapshot(f) == before, qPrintable(c.join(u' ')));
    }
}

void TstCli::theDefaultFolderIsNeverMade_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("users") << QStringList{u"users"_s};
    QTest::newRow("cards") << QStringList{u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s};
    QTest::newRow("check") << QStringList{u"check"_s, u"--json"_s};
    QTest::newRow("backups") << QStringList{u"backups"_s};
    QTest::newRow("backup") << QStringList{u"backup"_s};
}

// Before the program has ever run there is nothing to read, and nothing to make.
void TstCli::theDefaultFolderIsNeverMade() {
    QFETCH(QStringList, arguments);
    const UsersHome home;
    const CliResult r = runCli(arguments);
    QCOMPARE(r.status, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.errText().contains(home.dataFolder()), qPrintable(r.errText()));
    QCOMPARE(r.errText().count(u'\n'), 1);
    QVERIFY(home.empty());
}

TAMA_TEST_MAIN(TstCli)
#include "tst_cli.moc"
