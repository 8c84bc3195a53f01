#include "import/columnmap.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

// The roles given, by key and column from 1, then the date formats, the unit and the header.
QString described(const ColumnMap &map) {
    QStringList parts;
    for (int r = 0; r < ColumnMap::RoleCount; ++r)
        if (map.column[r] >= 0)
            parts << columnRoleKey(ColumnMap::Role(r)) + u"="_s + QString::number(map.column[r] + 1);
    const char16_t *units[] = {u"yen", u"thousand", u"man"};
    return parts.join(u' ') + u" | "_s + map.dateFormats.join(u'|') + u" | "_s +
           QString::fromUtf16(units[int(map.unit)]) + (map.header ? u" | header"_s : u" | no header"_s);
}

const QStringList kHeader = {u"日付"_s, u"店"_s, u"投資"_s, u"回収"_s};

} // namespace

class TestColumnMap : public QObject {
    Q_OBJECT

  private slots:
    void detect_data();
    void detect();
    void parse_data();
    void parse();
    void refused_data();
    void refused();
};

void TestColumnMap::detect_data() {
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<int>("format"); // -1: none

    const QStringList precord = precordHeader();
    QStringList spaced;
    for (const QString &cell : precord)
        spaced << u" "_s + cell + u"　"_s;
    QTest::newRow("pRecord") << precord << int(ImportFormat::PRecord);
    QTest::newRow("pRecord, spaces around") << spaced << int(ImportFormat::PRecord);
    QTest::newRow("pRecord, a column more") << (precord + QStringList{u"x"_s}) << int(ImportFormat::PRecord);
    QTest::newRow("pRecord, a column short") << precord.mid(0, precord.size() - 1) << -1;
    QStringList renamed = precord;
    renamed[7] = u"投資"_s;
    QTest::newRow("pRecord, a column renamed") << renamed << -1;
    QTest::newRow("pShare") << QStringList{u"2024/1/5"_s, u"10000"_s, u"25,000"_s, u""_s}
                            << int(ImportFormat::PShare);
    QTest::newRow("pShare, dashes") << QStringList{u"2024-01-05"_s, u"0"_s, u"-500"_s, u"x"_s}
                                    << int(ImportFormat::PShare);
    QTest::newRow("no such day") << QStringList{u"2023/2/29"_s, u"1"_s, u"2"_s, u""_s} << -1;
    QTest::newRow("amount not a number") << QStringList{u"2024/1/5"_s, u"1万"_s, u"2"_s, u""_s} << -1;
    QTest::newRow("five fields") << QStringList{u"2024/1/5"_s, u"1"_s, u"2"_s, u""_s, u""_s} << -1;
    QTest::newRow("pShare's names as a header")
        << QStringList{u"日付"_s, u"投資額"_s, u"回収額"_s, u"メモ"_s} << -1;
}

void TestColumnMap::detect() {
    QFETCH(QStringList, row);
    QFETCH(int, format);
    const std::optional<ImportFormat> found = detectImportFormat(row);
    QCOMPARE(found ? int(*found) : -1, format);
}

void TestColumnMap::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QString>("map");

    QTest::newRow("by number") << u"date=1\ninvestment=3\ncashout=4\n"_s << kHeader
                               << u"date=1 investment=3 cashout=4 | yyyy/MM/dd | yen | header"_s;
    QTest::newRow("by header text, comments, CR LF, a mark")
        << u"\uFEFF# 家計簿から\r\n\r\n  DATE = 日付 \r\nstore=店\r\ncashout=回収\r\n"_s
        << QStringList{u" 日付 "_s, u"店"_s, u"投資"_s, u"回収"_s}
        << u"date=1 store=2 cashout=4 | yyyy/MM/dd | yen | header"_s;
    QTest::newRow("a # in a header text")
        << u"date=1\ninvestment=金額#1"_s << QStringList{u"日付"_s, u"金額#1"_s}
        << u"date=1 investment=2 | yyyy/MM/dd | yen | header"_s;
    QTest::newRow("formats, unit, no header last")
        << u"date=2\ninvestment=1\ndate-format=yyyy/MM/dd| yyyy-MM-dd |yyyyMMdd\nunit=万円\nheader=NO"_s
        << kHeader << u"date=2 investment=1 | yyyy/MM/dd|yyyy-MM-dd|yyyyMMdd | man | no header"_s;
    QTest::newRow("unit in English") << u"date=1\ninvestment=2\nunit=Thousand"_s << kHeader
                                     << u"date=1 investment=2 | yyyy/MM/dd | thousand | header"_s;
    QTest::newRow("no header row to check against")
        << u"date=1\ncashout=20\nunit=千円"_s << QStringList()
        << u"date=1 cashout=20 | yyyy/MM/dd | thousand | header"_s;
}

void TestColumnMap::parse() {
    QFETCH(QString, text);
    QFETCH(QStringList, header);
    QFETCH(QString, map);
    try {
        QCOMPARE(described(parseColumnMap(text, header)), map);
    } catch (const StoreError &e) {
        QFAIL(qPrintable(e.message()));
    }
}

void TestColumnMap::refused_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("header");

    QTest::newRow("not key=value") << u"date 1"_s << u"1 行目: 「date 1」は「項目=値」の形ではありません"_s
                                   << kHeader;
    QTest::newRow("unknown key")
        << u"date=1\n\nshop=2"_s
        << u"3 行目: 「shop」という項目はありません（使える項目: date, start, end, hours, store, model, "
           u"category, "
           u"daytype, investment, cashout, memo, spins, machine, date-format, unit, header）"_s
        << kHeader;
    QTest::newRow("no value") << u"date="_s << u"1 行目: 「date」の値がありません"_s << kHeader;
    QTest::newRow("column 0") << u"date=0"_s << u"1 行目: 列番号「0」は 1 から数えた番号ではありません"_s
                              << kHeader;
    QTest::newRow("negative column") << u"date=-1"_s
                                     << u"1 行目: 列番号「-1」は 1 から数えた番号ではありません"_s << kHeader;
    QTest::newRow("past the header") << u"date=1\ninvestment=5"_s
                                     << u"2 行目: 5 列目はありません（1 行目は 4 列です）"_s << kHeader;
    QTest::newRow("header text not found")
        << u"date=1\nstore=ホール"_s << u"2 行目: 見出し「ホール」の列がありません"_s << kHeader;
    QTest::newRow("header text without a header")
        << u"date=日付\nheader=no"_s
        << u"1 行目: 見出しのない表（header=no）では列を番号で書いてください（「日付」）"_s << kHeader;
    QTest::newRow("role twice") << u"date=1\ninvestment=3\ndate=2"_s
                                << u"3 行目: 「date」が 2 度あります（1 行目にもあります）"_s << kHeader;
    QTest::newRow("unit twice") << u"unit=円\nUNIT=円"_s
                                << u"2 行目: 「unit」が 2 度あります（1 行目にもあります）"_s << kHeader;
    QTest::newRow("header text twice")
        << u"date=1\ninvestment=金額"_s
        << u"2 行目: 見出し「金額」の列が 2 つあります（2 列目と 3 列目）。列番号で書いてください"_s
        << QStringList{u"日付"_s, u"金額"_s, u"金額"_s};
    QTest::newRow("one column, two roles")
        << u"date=1\ncashout=回収\ninvestment=4"_s
        << u"3 行目: 4 列目は「cashout」（2 行目）にも割り当てられています"_s << kHeader;
    QTest::newRow("bad unit") << u"unit=ドル"_s
                              << u"1 行目: 単位「ドル」は使えません（円、千円、万円 のどれかです）"_s
                              << kHeader;
    QTest::newRow("bad header") << u"header=maybe"_s << u"1 行目: header は yes か no です（「maybe」）"_s
                                << kHeader;
    QTest::newRow("format without a year")
        << u"date-format=yyyy/MM/dd|MM/dd"_s
        << u"1 行目: 日付の形式「MM/dd」では年月日を読めません（例: yyyy/MM/dd）"_s << kHeader;
    QTest::newRow("two-digit year")
        << u"date-format=yy/MM/dd"_s
        << u"1 行目: 日付の形式「yy/MM/dd」では年月日を読めません（例: yyyy/MM/dd）"_s << kHeader;
    QTest::newRow("no format") << u"date-format= | "_s << u"1 行目: 日付の形式がありません"_s << kHeader;
    QTest::newRow("no date column") << u"investment=3"_s << u"日付の列（date）がありません"_s << kHeader;
    QTest::newRow("no amount column")
        << u"date=1\nmemo=2"_s << u"投資額（investment）か回収額（cashout）の列がありません"_s << kHeader;
}

void TestColumnMap::refused() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QStringList, header);
    try {
        const ColumnMap map = parseColumnMap(text, header);
        QFAIL(qPrintable(u"accepted: "_s + described(map)));
    } catch (const StoreError &e) {
        QCOMPARE(int(e.kind()), int(StoreError::Kind::Invalid));
        QCOMPARE(e.message(), message);
    }
}

TAMA_TEST_MAIN(TestColumnMap)
#include "tst_columnmap.moc"
