#include "common/csvreader.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::hex;

namespace {

// A table as one line per row: its line, "!" when a quote was left open, then the fields
// separated by "|".
QStringList rendered(const CsvTable &table) {
    QStringList out;
    for (const CsvRow &row : table.rows)
        out << QString::number(row.line) + (row.unclosedQuote ? u"!"_s : QString()) + u":"_s +
                   row.fields.join(u'|');
    return out;
}

} // namespace

class TestCsvReader : public QObject {
    Q_OBJECT

  private slots:
    void rows_data();
    void rows();
    void encodings_data();
    void encodings();
    void problems_data();
    void problems();
    void files_data();
    void files();
};

void TestCsvReader::rows_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("LF") << QByteArray("a,b\nc,d\n") << QStringList{u"1:a|b"_s, u"2:c|d"_s};
    QTest::newRow("CR LF") << QByteArray("a,b\r\nc,d\r\n") << QStringList{u"1:a|b"_s, u"2:c|d"_s};
    QTest::newRow("CR only") << QByteArray("a,b\rc,d\r") << QStringList{u"1:a|b"_s, u"2:c|d"_s};
    QTest::newRow("no final line break") << QByteArray("a,b\r\nc,d") << QStringList{u"1:a|b"_s, u"2:c|d"_s};
    QTest::newRow("quoted comma") << QByteArray("\"a,b\",c\r\n") << QStringList{u"1:a,b|c"_s};
    QTest::newRow("quoted CR LF becomes LF, lines counted")
        << QByteArray("\"a\r\nb\",c\r\nd,e\r\n") << QStringList{u"1:a\nb|c"_s, u"3:d|e"_s};
    QTest::newRow("quoted lone CR") << QByteArray("\"a\rb\"\rz") << QStringList{u"1:a\nb"_s, u"3:z"_s};
    QTest::newRow("doubled quotes") << QByteArray("\"say \"\"hi\"\"\",\"\"\"\"\n")
                                    << QStringList{u"1:say \"hi\"|\""_s};
    QTest::newRow("empty fields") << QByteArray(",,\n\"\",a\n") << QStringList{u"1:||"_s, u"2:|a"_s};
    QTest::newRow("trailing comma") << QByteArray("a,b,\r\nc") << QStringList{u"1:a|b|"_s, u"2:c"_s};
    QTest::newRow("comma ends the file") << QByteArray("a,") << QStringList{u"1:a|"_s};
    QTest::newRow("spaces kept") << QByteArray(" a , \"b\" ") << QStringList{u"1: a | \"b\" "_s};
    QTest::newRow("quote inside an unquoted field")
        << QByteArray("a\"b,c\"\n") << QStringList{u"1:a\"b|c\""_s};
    QTest::newRow("text after a closing quote kept") << QByteArray("\"ab\"c,d") << QStringList{u"1:abc|d"_s};
    QTest::newRow("blank lines skipped, still counted")
        << QByteArray("\r\n\r\na\r\n\n\"\"\rb\n\n") << QStringList{u"3:a"_s, u"6:b"_s};
    QTest::newRow("unclosed quote takes the rest")
        << QByteArray("a\n\"b,c\r\nd\n") << QStringList{u"1:a"_s, u"2!:b,c\nd\n"_s};
    QTest::newRow("unclosed quote in a later field")
        << QByteArray("x,1\r\ny,\"z") << QStringList{u"1:x|1"_s, u"2!:y|z"_s};
    QTest::newRow("lone quote at the end is a row") << QByteArray("a\n\"") << QStringList{u"1:a"_s, u"2!:"_s};
}

void TestCsvReader::rows() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, rows);

    const CsvTable table = readCsv(bytes);
    QVERIFY2(!table.problem, qPrintable(table.problem.value_or(QString())));
    QCOMPARE(rendered(table), rows);
}

void TestCsvReader::encodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("first");

    QTest::newRow("ASCII") << QByteArray("a,1") << int(TextEncoding::Ascii) << u"a"_s;
    QTest::newRow("UTF-8") << hex("E6 97 A5 E4 BB 98 2C 31") << int(TextEncoding::Utf8) << u"日付"_s;
    QTest::newRow("UTF-8, mark removed")
        << hex("EF BB BF E6 97 A5 E4 BB 98 2C 31") << int(TextEncoding::Utf8Bom) << u"日付"_s;
    QTest::newRow("ASCII after a mark") << hex("EF BB BF 61 0D 0A") << int(TextEncoding::Utf8Bom) << u"a"_s;
    QTest::newRow("four-byte UTF-8") << hex("F0 A0 AE B7 2C 31") << int(TextEncoding::Utf8) << u"𠮷"_s;
    QTest::newRow("code page 932") << hex("93 FA 95 74 2C 31") << int(TextEncoding::Cp932) << u"日付"_s;
    QTest::newRow("half-width kana") << hex("B1 2C 31") << int(TextEncoding::Cp932) << u"ｱ"_s;
    // Bytes Qt's lenient decoding would take as UTF-8 are code page 932 text.
    QTest::newRow("overlong UTF-8") << hex("C0 AF") << int(TextEncoding::Cp932) << u"ﾀｯ"_s;
    QTest::newRow("truncated UTF-8") << hex("41 E6 97") << int(TextEncoding::Cp932) << u"A譌"_s;
}

void TestCsvReader::encodings() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(QString, first);

    const CsvTable table = readCsv(bytes);
    QVERIFY2(!table.problem, qPrintable(table.problem.value_or(QString())));
    QCOMPARE(int(table.encoding), encoding);
    QVERIFY(!table.rows.isEmpty());
    QCOMPARE(table.rows.first().fields.first(), first);
}

void TestCsvReader::problems_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("problem");

    const QString empty = u"ファイルが空です"_s;
    QTest::newRow("no bytes") << QByteArray() << empty;
    QTest::newRow("only a mark") << hex("EF BB BF") << empty;
    QTest::newRow("only blank lines") << QByteArray("\r\n\n\r\"\"\n") << empty;
    QTest::newRow("NUL") << QByteArray("a,b", 3) + QByteArray(1, '\0') + "c"
                         << u"バイナリファイルのようです（4 バイト目が NUL）。CSV のテキストではありません"_s;
    QTest::newRow("UTF-16")
        << hex("FF FE 61 00")
        << u"バイナリファイルのようです（4 バイト目が NUL）。CSV のテキストではありません"_s;
    QTest::newRow("neither") << hex("41 2C FF 0A")
                             << u"文字コードが UTF-8 でも Shift_JIS（CP932）でもありません（3 バイト目）"_s;
    QTest::newRow("code page 932 gets further")
        << hex("93 FA 41 FF") << u"文字コードが UTF-8 でも Shift_JIS（CP932）でもありません（4 バイト目）"_s;
    QTest::newRow("UTF-8 gets further")
        << hex("E6 97 A5 41 80")
        << u"文字コードが UTF-8 でも Shift_JIS（CP932）でもありません（5 バイト目）"_s;
    QTest::newRow("mark, then not UTF-8")
        << hex("EF BB BF 41 93 FA") << u"UTF-8（BOM付き）のはずが、5 バイト目が UTF-8 として読めません"_s;
}

void TestCsvReader::problems() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, problem);

    const CsvTable table = readCsv(bytes);
    QCOMPARE(table.problem.value_or(QString()), problem);
    QVERIFY(table.rows.isEmpty());
}

void TestCsvReader::files_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("size"); // of a sparse file of NULs, when no bytes are given
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("problem");

    QTest::newRow("read") << u"file"_s << qint64(-1) << hex("93 FA 95 74 0D 0A 31") << QString();
    QTest::newRow("content named with the file")
        << u"file"_s << qint64(-1) << QByteArray("\n") << u"「in.csv」: ファイルが空です"_s;
    QTest::newRow("missing") << u"missing"_s << qint64(-1) << QByteArray()
                             << u"「in.csv」を読み込めません（ファイルがありません）"_s;
    QTest::newRow("folder") << u"folder"_s << qint64(-1) << QByteArray()
                            << u"「in.csv」はフォルダです。CSV ファイルを選んでください"_s;
    QTest::newRow("FIFO") << u"fifo"_s << qint64(-1) << QByteArray()
                          << u"「in.csv」はFIFOです。CSV ファイルを選んでください"_s;
    // At the limit the bytes are read (and found binary); one byte more and they are not.
    QTest::newRow("at the limit")
        << u"file"_s << kMaxCsvImportBytes << QByteArray()
        << u"「in.csv」: バイナリファイルのようです（1 バイト目が NUL）。CSV のテキストではありません"_s;
    QTest::newRow("a byte too large") << u"file"_s << kMaxCsvImportBytes + 1 << QByteArray()
                                      << u"「in.csv」は 16.1 MB あります。取り込めるのは 16 MB までです。"_s;
    QTest::newRow("200 MB") << u"file"_s << qint64(200) * 1024 * 1024 << QByteArray()
                            << u"「in.csv」は 200 MB あります。取り込めるのは 16 MB までです。"_s;
}

void TestCsvReader::files() {
    QFETCH(QString, kind);
    QFETCH(qint64, size);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, problem);

    test::TempFolder folder;
    const QString path = folder.file(u"in.csv"_s);
    if (kind == u"file") {
        folder.write(u"in.csv"_s, bytes);
        if (size >= 0) {
            QFile f(path);
            QVERIFY(f.resize(size));
        }
    } else if (kind == u"folder") {
        QVERIFY(QDir(folder.path()).mkdir(u"in.csv"_s));
    } else if (kind == u"fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }

    const CsvTable table = readCsvFile(path);
    QCOMPARE(table.problem.value_or(QString()), problem);
    if (problem.isEmpty()) {
        QCOMPARE(int(table.encoding), int(TextEncoding::Cp932));
        QCOMPARE(rendered(table), (QStringList{u"1:日付"_s, u"2:1"_s}));
    } else {
        QVERIFY(table.rows.isEmpty());
    }
}

TAMA_TEST_MAIN(TestCsvReader)
#include "tst_csvreader.moc"
