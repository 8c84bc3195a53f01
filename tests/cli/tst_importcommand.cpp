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

} // namespace

class TestImportCommand : public QObject {
    Q_OBJECT
  private slots:
    void exportUsageErrors_data();
    void exportUsageErrors();
    void exportPrecordOfEveryYear();
    void exportPshareInCodePage932();
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

TAMA_TEST_MAIN(TestImportCommand)
#include "tst_importcommand.moc"
