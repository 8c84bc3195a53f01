#include "clifixture.h"
#include "support/testsupport.h"

#include "cli.h"

#include <QBuffer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace Qt::Literals::StringLiterals;
using namespace tama::test;
using namespace tama::test::samples;

namespace {

// Every control character, the characters JSON escapes, and bytes that do not decode.
QByteArray awkwardCards() {
    QByteArray controls;
    for (char c = 1; c < 0x20; ++c)
        controls += c;
    QByteArray a = cardBytes();
    a.replace(80, 160, field(controls + "\"\\/" + '\x7F', 160));
    QByteArray b = cardBytes();
    b.replace(18, 20, field(kHonten + hex("FF"), 20));
    b[38] = '\x80'; // category
    b.replace(80, 160, field(QByteArray("x\0y", 3), 160));
    return a + b + cardBytes({.date = u"R9990503土"_s, .model = u"ｱﾝＹ"_s});
}

// n cards in two stores and two models with amounts of their own.
QByteArray manyCards(int n) {
    QByteArray out;
    for (int i = 1; i <= n; ++i) {
        out += cardBytes({.store = i % 2 ? u"本店"_s : u"支店"_s,
                          .model = i % 3 ? u"Ｘ"_s : u"Ｙ"_s,
                          .investment = digits4(i % 50),
                          .cashOut = digits4(i * 3 % 70),
                          .impression = u"card "_s + QString::number(i) + u" \"quoted\""_s});
    }
    return out;
}

void writeFolder(const TempFolder &f) {
    f.write(u"namae.dat"_s,
            field(hex("8e a9"), 2) + field("taro", 18) + field(hex("81 40"), 2) + field("jiro", 18));
    f.write(u"patishop.dat"_s, field(kHonten, 80) + field(kShiten, 80));
    f.write(u"hirapati.dat"_s, field(kX, 160) + field(kY, 160));
    f.write(u"taro.1999.dat"_s, awkwardCards());
    f.write(u"taro.2000.dat"_s, manyCards(700));
}

// The text as QJsonDocument would lay it out, or a note when it is not JSON at all.
QByteArray documentForm(const QByteArray &out) {
    QJsonParseError e{};
    const QJsonDocument doc = QJsonDocument::fromJson(out, &e);
    if (e.error != QJsonParseError::NoError) return "not JSON: " + e.errorString().toUtf8();
    return doc.toJson(QJsonDocument::Indented);
}

QStringList strings(const QJsonValue &v) {
    QStringList out;
    for (const QJsonValue &e : v.toArray())
        out.append(e.toString());
    return out;
}

#ifdef TAMANOTE_CLI
const QString kKnownFailure = u"tamanote-cli: 出力を書き込めませんでした"_s;
#endif

} // namespace

class TestCliOutput : public QObject {
    Q_OBJECT

  private slots:
    void jsonIsTheDocumentLayout_data();
    void jsonIsTheDocumentLayout();
    void cardsJsonContent();
    void listStoresModelsJsonContent();
    void fullOutput_data();
    void fullOutput();
    void organiseReportLostAfterTheRewrite();
};

void TestCliOutput::jsonIsTheDocumentLayout_data() {
    QTest::addColumn<QStringList>("arguments");
    const QStringList taro{u"--user"_s, u"taro"_s, u"--year"_s};
    QTest::newRow("cards, awkward texts")
        << QStringList{u"cards"_s} + taro + QStringList{u"1999"_s, u"--json"_s};
    QTest::newRow("cards, 700") << QStringList{u"cards"_s} + taro + QStringList{u"2000"_s, u"--json"_s};
    QTest::newRow("cards, none") << QStringList{u"cards"_s} + taro + QStringList{u"2024"_s, u"--json"_s};
    QTest::newRow("list, awkward texts")
        << QStringList{u"list"_s} + taro + QStringList{u"1999"_s, u"--json"_s, u"--all"_s};
    QTest::newRow("list, 700 sorted")
        << QStringList{u"list"_s} + taro + QStringList{u"2000"_s, u"--json"_s, u"--sort"_s, u"profit"_s};
    QTest::newRow("list, none") << QStringList{u"list"_s} + taro + QStringList{u"2024"_s, u"--json"_s};
    QTest::newRow("report") << QStringList{u"report"_s} + taro + QStringList{u"2000"_s, u"--json"_s};
    QTest::newRow("stores") << QStringList{u"stores"_s, u"--json"_s};
    QTest::newRow("models") << QStringList{u"models"_s, u"--category"_s, u"羽物"_s, u"--json"_s};
    QTest::newRow("models, no catalogue")
        << QStringList{u"models"_s, u"--category"_s, u"権利物"_s, u"--json"_s};
}

// The streamed JSON is byte for byte what QJsonDocument makes of its own content.
void TestCliOutput::jsonIsTheDocumentLayout() {
    QFETCH(QStringList, arguments);
    TempFolder f;
    writeFolder(f);
    const CliResult r = runIn(f, arguments);
    QVERIFY2(r.status == 0 || arguments.contains(u"1999"_s), r.err.constData()); // 1999 holds bad bytes
    const QByteArray expected = documentForm(r.out);
    if (r.out != expected) {
        const QList<QByteArray> a = r.out.split('\n'), b = expected.split('\n');
        for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i)
            QVERIFY2(a.value(i) == b.value(i),
                     ("line " + QByteArray::number(i + 1) + ": <" + a.value(i) + "> <" + b.value(i) + '>')
                         .constData());
    }
    QCOMPARE(r.out, expected);
}

void TestCliOutput::cardsJsonContent() {
    TempFolder f;
    writeFolder(f);
    const CliResult r = runIn(f, {u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--json"_s});
    QCOMPARE(r.status, 1); // the bytes that do not decode are reported
    QVERIFY(QString::fromUtf8(r.err).startsWith(u"tamanote-cli: damaged taro.1999.dat"_s));
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(o.keys(), QStringList({u"cards"_s, u"count"_s, u"file"_s}));
    QCOMPARE(o[u"count"_s].toInt(), 3);
    QCOMPARE(o[u"file"_s].toString(), u"taro.1999.dat"_s);
    const QJsonArray cards = o[u"cards"_s].toArray();
    QCOMPARE(cards.size(), 3);

    QString controls;
    for (char16_t c = 1; c < 0x20; ++c)
        controls += QChar(c);
    const QJsonObject a = cards[0].toObject();
    QCOMPARE(a.keys().size(), 13); // the ten fields, candidate, no and play
    QCOMPARE(a[u"Impression"_s].toString(), (controls + u"\"\\/\x7F"_s).leftJustified(160, u' '));
    QCOMPARE(a[u"VisitDate"_s].toString(), u"19990503土 "_s);
    QCOMPARE(a[u"no"_s].toInt(), 1);
    QCOMPARE(a[u"candidate"_s].toBool(), false);

    const QJsonObject b = cards[1].toObject();
    QCOMPARE(b[u"StoreName"_s].toString(), u"本店\uFFFD"_s + QString(17, u' '));
    QCOMPARE(b[u"Category"_s].toString(), u"\uFFFD"_s);
    QCOMPARE(b[u"Impression"_s].toString(), (u"x"_s + QChar(0) + u"y"_s).leftJustified(160, u' '));
    QCOMPARE(b[u"Investment"_s].toString(), u"0150"_s);

    const QJsonObject c = cards[2].toObject();
    QCOMPARE(c[u"candidate"_s].toBool(), true);
    QCOMPARE(c[u"no"_s].toInt(), 3);
    QCOMPARE(c[u"ModelName"_s].toString(), u"ｱﾝＹ"_s + QString(27, u' '));

    // 700 cards, more than one block of the file and of the output.
    const CliResult many =
        runIn(f, {u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"2000"_s, u"--json"_s});
    QCOMPARE(many.status, 0);
    QVERIFY(many.err.isEmpty());
    const QJsonObject m = QJsonDocument::fromJson(many.out).object();
    QCOMPARE(m[u"count"_s].toInt(), 700);
    const QJsonArray all = m[u"cards"_s].toArray();
    QCOMPARE(all.size(), 700);
    for (int i = 0; i < 700; ++i) {
        const QJsonObject k = all[i].toObject();
        QCOMPARE(k[u"no"_s].toInt(), i + 1);
        QCOMPARE(k[u"Impression"_s].toString(), u"card %1 \"quoted\""_s.arg(i + 1).leftJustified(160, u' '));
        QCOMPARE(k[u"StoreName"_s].toString(), ((i + 1) % 2 ? u"本店"_s : u"支店"_s).leftJustified(20, u' '));
    }
}

void TestCliOutput::listStoresModelsJsonContent() {
    TempFolder f;
    writeFolder(f);
    const CliResult r = runIn(f, {u"list"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"2000"_s, u"--json"_s});
    QCOMPARE(r.status, 0);
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    const QStringList lines = strings(o[u"lines"_s]);
    QCOMPARE(lines.size(), 700);
    QCOMPARE(lines.first().left(4), u"   1"_s);
    QCOMPARE(lines.last().left(4), u" 700"_s);
    QVERIFY(lines.first().startsWith(u"   1  05/03(土) 本店"_s));
    qint64 investment = 0, cashOut = 0;
    for (int i = 1; i <= 700; ++i) {
        investment += i % 50 * 100;
        cashOut += i * 3 % 70 * 100;
    }
    const QJsonObject t = o[u"totals"_s].toObject();
    QCOMPARE(t[u"investment"_s].toString(), u" "_s + QString::number(investment));
    QCOMPARE(t[u"cash_out"_s].toString(), u" "_s + QString::number(cashOut));
    QCOMPARE(o[u"caption"_s].toString(), u"2000年 リスト表示"_s);

    const CliResult none = runIn(f, {u"list"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"2024"_s, u"--json"_s});
    QCOMPARE(none.status, 0);
    QVERIFY(QJsonDocument::fromJson(none.out).object()[u"lines"_s].toArray().isEmpty());

    const CliResult stores = runIn(f, {u"stores"_s, u"--json"_s});
    QCOMPARE(stores.status, 0);
    QCOMPARE(strings(QJsonDocument::fromJson(stores.out).object()[u"stores"_s]),
             QStringList({u"本店"_s, u"支店"_s}));

    const CliResult models = runIn(f, {u"models"_s, u"--category"_s, u"羽物"_s, u"--json"_s});
    QCOMPARE(models.status, 0);
    const QJsonObject mo = QJsonDocument::fromJson(models.out).object();
    QCOMPARE(mo.keys(), QStringList({u"file"_s, u"models"_s}));
    QCOMPARE(mo[u"file"_s].toString(), u"hirapati.dat"_s);
    QCOMPARE(strings(mo[u"models"_s]), QStringList({u"Ｘ"_s, u"Ｙ"_s}));
}

void TestCliOutput::fullOutput_data() {
    QTest::addColumn<QStringList>("arguments");
    const QStringList taro2000{u"--user"_s, u"taro"_s, u"--year"_s, u"2000"_s};
    QTest::newRow("cards --json") << QStringList{u"cards"_s} + taro2000 + QStringList{u"--json"_s};
    QTest::newRow("cards --csv") << QStringList{u"cards"_s} + taro2000 + QStringList{u"--csv"_s};
    QTest::newRow("cards") << QStringList{u"cards"_s} + taro2000;
    QTest::newRow("list") << QStringList{u"list"_s} + taro2000;
    QTest::newRow("list --json") << QStringList{u"list"_s} + taro2000 + QStringList{u"--json"_s};
    QTest::newRow("users") << QStringList{u"users"_s};
    QTest::newRow("stores --json") << QStringList{u"stores"_s, u"--json"_s};
}

// The real program with its output on a full device: status 1 and one message, where
// the same run into a file succeeds with what the command prints in-process.
void TestCliOutput::fullOutput() {
#ifndef TAMANOTE_CLI
    QSKIP("the command-line program's path is not known to this build");
#else
    if (!QFileInfo::exists(u"/dev/full"_s)) QSKIP("no /dev/full here");
    QFETCH(QStringList, arguments);
    TempFolder f;
    writeFolder(f);
    const QStringList all = QStringList{u"--data"_s, f.path()} + arguments;

    QProcess ok;
    ok.setStandardOutputFile(f.file(u"out.txt"_s));
    ok.start(QStringLiteral(TAMANOTE_CLI), all);
    QVERIFY(ok.waitForFinished(30000));
    QCOMPARE(ok.exitStatus(), QProcess::NormalExit);
    QCOMPARE(ok.exitCode(), 0);
    QVERIFY(ok.readAllStandardError().isEmpty());
    QCOMPARE(f.read(u"out.txt"_s), runIn(f, arguments).out);

    QProcess full;
    full.setStandardOutputFile(u"/dev/full"_s);
    full.start(QStringLiteral(TAMANOTE_CLI), all);
    QVERIFY(full.waitForFinished(30000));
    QCOMPARE(full.exitStatus(), QProcess::NormalExit);
    QCOMPARE(full.exitCode(), 1);
    const QString err = QString::fromUtf8(full.readAllStandardError());
    QVERIFY2(err.contains(kKnownFailure), qPrintable(err));
    QVERIFY2(err.count(kKnownFailure) == 1, qPrintable(err));
#endif
}

// The diary is organised before the report is printed; a report that cannot be written
// must not make a script believe nothing happened.
void TestCliOutput::organiseReportLostAfterTheRewrite() {
#ifndef TAMANOTE_CLI
    QSKIP("the command-line program's path is not known to this build");
#else
    if (!QFileInfo::exists(u"/dev/full"_s)) QSKIP("no /dev/full here");
    TempFolder f;
    CardValues late;
    late.date = u"19990503土"_s;
    CardValues early;
    early.date = u"19990501土"_s;
    f.write(u"taro.1999.dat"_s, cardBytes(late) + cardBytes(early));
    QProcess full;
    full.setStandardOutputFile(u"/dev/full"_s);
    // organise --yes reads the snapshot settings: a configuration folder of its own, not the user's.
    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, config.path());
    full.setProcessEnvironment(env);
    full.start(QStringLiteral(TAMANOTE_CLI), {u"--data"_s, f.path(), u"organise"_s, u"--user"_s, u"taro"_s,
                                              u"--year"_s, u"1999"_s, u"--yes"_s});
    QVERIFY(full.waitForFinished(30000));
    QCOMPARE(full.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromUtf8(full.readAllStandardError());
    QCOMPARE(full.exitCode(), 0);
    QVERIFY2(err.contains(u"整理しました"_s), qPrintable(err));
    QCOMPARE(f.read(u"taro.1999.dat"_s), cardBytes(early) + cardBytes(late));
#endif
}

TAMA_TEST_MAIN(TestCliOutput)
#include "tst_clioutput.moc"
