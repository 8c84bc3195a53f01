#include "import/importplan.h"
#include "store/catalogue.h"
#include "store/storefile.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

using R = ColumnMap;

CsvTable table(const QList<QStringList> &rows) {
    CsvTable t;
    for (const QStringList &r : rows)
        t.rows.append({r, int(t.rows.size()) + 1, false});
    return t;
}

ImportOptions options(int category = 2) {
    ImportOptions o;
    o.today = QDate(2024, 6, 30);
    o.category = category;
    return o;
}

// Every role in its own column, in role order, without a header.
ColumnMap everyColumn() {
    ColumnMap m;
    for (int r = 0; r < R::RoleCount; ++r)
        m.column[r] = r;
    m.header = false;
    return m;
}

// A row of everyColumn(): 2024/03/05 at ABC, 15,000 in, 42,000 out; one cell changed.
QStringList row(int role = -1, const QString &text = {}) {
    QStringList r = {u"2024/03/05"_s, u"10:00"_s, {}, {}, u"ABC"_s, u"海物語"_s, {}, {},
                     u"15000"_s,      u"42000"_s, {}, {}, {}};
    if (role >= 0) r[role] = text;
    return r;
}

ImportPlan plan(const QList<QStringList> &rows, const ImportOptions &o = options(),
                const QString &folder = {}) {
    const TempFolder empty; // nothing is written to it
    ImportOptions with = o;
    if (!with.format) {
        with.format = ImportFormat::Columns;
        with.map = everyColumn();
    }
    return planImport(DataFolder(folder.isEmpty() ? empty.path() : folder), u"taro"_s, table(rows), with);
}

ImportRow one(const QStringList &fields, const ImportOptions &o = options()) {
    const ImportPlan p = plan({fields}, o);
    return p.rows.value(0);
}

} // namespace

Q_DECLARE_METATYPE(tama::test::CardValues)
Q_DECLARE_METATYPE(tama::ImportOptions)

class TestImportPlan : public QObject {
    Q_OBJECT

  private slots:
    void layouts_data() {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<ImportOptions>("opts");
        QTest::addColumn<CardValues>("card");
        QTest::addColumn<QString>("machine");
        CardValues c = CardValues::blank();
        c.date = u"20240305火"_s;
        c.start = c.end = u"1000"_s;
        c.category = u"2"_s;
        c.investment = u"0150"_s;
        c.cashOut = u"0420"_s;
        c.dayType = u"111"_s;
        ImportOptions o = options();
        o.format.reset();
        CardValues pr = c;
        pr.end = u"1515"_s;
        pr.store = u"ＡＢＣホール"_s;
        pr.model = u"海物語"_s;
        pr.impression = u"よく\r\n回った"_s;
        QTest::newRow("pRecord, header")
            << QList<QStringList>{precordHeader(),
                                  {u"2024/3/5"_s, u"1"_s, u"ABCﾎｰﾙ"_s, u"メーカー"_s, u"2"_s, u"海物語"_s,
                                   u"123"_s, u"15,000"_s, u"42,000円"_s, u"27000"_s, u"よく\n回った"_s,
                                   u"5.25"_s, u"5142"_s}}
            << o << pr << u"123"_s;
        CardValues ps = c;
        ps.impression = u"メモ"_s;
        QTest::newRow("pShare") << QList<QStringList>{{u"2024/03/05"_s, u"15000"_s, u"42000"_s, u"メモ"_s}}
                                << o << ps << QString();
        ImportOptions man = options();
        man.format = ImportFormat::Columns;
        man.map.column[R::Date] = 2;
        man.map.column[R::Investment] = 0;
        man.map.column[R::CashOut] = 1;
        man.map.dateFormats = {u"d.M.yyyy"_s, u"yyyy年M月d日"_s};
        man.map.unit = AmountUnit::TenThousand;
        QTest::newRow("map, 万, its own date format")
            << QList<QStringList>{{u"入"_s, u"出"_s, u"日"_s}, {u"1.5"_s, u"4.2"_s, u"5.3.2024"_s}} << man
            << c << QString();
        ImportOptions thousand = man;
        thousand.map.unit = AmountUnit::Thousand;
        QTest::newRow("map, 千, second date format")
            << QList<QStringList>{{u"入"_s, u"出"_s, u"日"_s}, {u"15"_s, u"42"_s, u"2024年3月05日"_s}}
            << thousand << c << QString();
    }
    void layouts() {
        QFETCH(QList<QStringList>, rows);
        QFETCH(ImportOptions, opts);
        QFETCH(CardValues, card);
        QFETCH(QString, machine);
        TempFolder folder;
        const ImportPlan p = planImport(DataFolder(folder.path()), u"taro"_s, table(rows), opts);
        QCOMPARE(p.problem, std::nullopt);
        QCOMPARE(p.rows.size(), 1);
        const ImportRow &r = p.rows[0];
        QCOMPARE(r.reason, QString());
        QCOMPARE(r.verdict, ImportVerdict::New);
        QCOMPARE(r.notices, QStringList());
        QCOMPARE(r.card.record().toBytes(), cardBytes(card));
        QCOMPARE(r.play.machine, machine);
        QCOMPARE(r.diaryFile, u"taro.2024.dat"_s);
    }

    // The bytes of one card, written out by hand.
    void cardBytesByHand() {
        QStringList fields = row(R::Memo, u"ok"_s);
        fields[R::DayType] = u"新装開店"_s;
        fields[R::Category] = u"ＣＲデジパチ"_s;
        fields[R::Hours] = u"0:45"_s;
        fields[R::Start] = u"9:30"_s;
        QCOMPARE(one(fields).card.record().toBytes(),
                 hex("32 30 32 34 30 33 30 35 89 CE  20 39 33 30  31 30 31 35  82 60 82 61 82 62") +
                     spaces(14) + hex("33") + hex("8a 43 95 a8 8c ea") + spaces(24) +
                     hex("30 31 35 30 30 34 32 30 33 33 33") + hex("6F 6B") + spaces(158));
    }

    void refused_data() {
        QTest::addColumn<int>("role"); // -1: too few fields, -2: an unclosed quote
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("ragged") << -1 << QString() << u"列が足りません（12 列、13 列必要）"_s;
        QTest::newRow("quote") << -2 << QString() << u"引用符が閉じていません（1 行目から）"_s;
        QTest::newRow("no such day") << int(R::Date) << u"2023/02/30"_s << u"日付がありません: 2023/02/30"_s;
        QTest::newRow("no date") << int(R::Date) << u"3月5日"_s
                                 << u"日付が読めません: 3月5日（yyyy/MM/dd の形で書いてください）"_s;
        QTest::newRow("after today")
            << int(R::Date) << u"2024/7/1"_s
            << u"日付 2024/7/1 は取り込めません（0001/01/01 から 2024/06/30 までの日付だけです）"_s;
        QTest::newRow("start") << int(R::Start) << u"24:00"_s << u"開始時刻が読めません: 24:00"_s;
        QTest::newRow("end") << int(R::End) << u"12:5"_s << u"終了時刻が読めません: 12:5"_s;
        QTest::newRow("hours") << int(R::Hours) << u"-2"_s << u"稼働時間が読めません: -2"_s;
        QTest::newRow("category") << int(R::Category) << u"スロット"_s
                                  << u"機種の種類が分かりません: スロット"_s;
        QTest::newRow("day type") << int(R::DayType) << u"祝日"_s << u"営業日の種類が分かりません: 祝日"_s;
        QTest::newRow("odd yen") << int(R::Investment) << u"15,050"_s
                                 << u"投資額が100円単位ではありません: 15,050"_s;
        QTest::newRow("negative") << int(R::CashOut) << u"-100"_s << u"回収額がマイナスです: -100"_s;
        QTest::newRow("too much") << int(R::CashOut) << u"1000000"_s
                                  << u"回収額が999,900円を超えています: 1000000"_s;
        QTest::newRow("no amount") << int(R::Investment) << u"1万"_s << u"投資額が読めません: 1万"_s;
        QTest::newRow("spins") << int(R::Spins) << u"12a"_s
                               << u"通常回転数は 0 から 100000 までの整数で入力してください（「12a」）。"_s;
        QTest::newRow("many spins") << int(R::Spins) << u"100,001"_s
                                    << u"通常回転数は0から100,000までの整数で入力してください。"_s;
        QTest::newRow("machine") << int(R::Machine) << u"12345678901"_s << u"台番号は10文字までです。"_s;
        QTest::newRow("store") << int(R::Store) << u"🎰ホール"_s
                               << u"店名に保存できない文字があります: 「🎰」(U+1F3B0)"_s;
        QTest::newRow("model") << int(R::Model) << u"Café"_s
                               << u"機種名に保存できない文字があります: 「é」(U+00E9)"_s;
        QTest::newRow("memo") << int(R::Memo) << u"𠮷野家"_s
                              << u"感想に保存できない文字があります: 「𠮷」(U+20BB7)"_s;
    }
    void refused() {
        QFETCH(int, role);
        QFETCH(QString, text);
        QFETCH(QString, reason);
        QStringList fields = row(std::max(role, -1), text);
        if (role == -1) fields.removeLast();
        CsvTable t = table({fields});
        t.rows[0].unclosedQuote = role == -2;
        TempFolder folder;
        ImportOptions o = options();
        o.format = ImportFormat::Columns;
        o.map = everyColumn();
        const ImportRow r = planImport(DataFolder(folder.path()), u"taro"_s, t, o).rows.value(0);
        QCOMPARE(r.reason, reason);
        QCOMPARE(r.verdict, ImportVerdict::Refused);
    }

    void noCategory() {
        QCOMPARE(one(row(), options(0)).reason,
                 u"機種の種類がありません（--category か画面で選んでください）"_s);
        QCOMPARE(one(row(R::Category, u"3"_s), options(0)).card.field(CardRecord::Category), u"3"_s);
    }

    void fileProblems_data() {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("problem");
        QTest::newRow("header only") << QList<QStringList>{precordHeader()}
                                     << u"見出しの行だけで、取り込む行がありません"_s;
        QTest::newRow("unknown") << QList<QStringList>{{u"日付"_s, u"店"_s}}
                                 << u"どの形式か分かりません。列の対応づけを指定してください。"_s;
    }
    void fileProblems() {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, problem);
        ImportOptions o = options();
        QCOMPARE(planImport(DataFolder(u"/nonexistent"_s), u"taro"_s, table(rows), o).problem, problem);
    }

    void times_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QTime>("defaultStart");
        QTest::addColumn<QString>("times"); // start and end fields
        QTest::addColumn<QStringList>("notices");
        const QTime ten(10, 0), nine(9, 30);
        const QString noStart = u"開始時刻がないため 10:00 としました"_s,
                      cut = u"終了が日付をまたぐため 23:59 としました"_s;
        QTest::newRow("none") << u""_s << u""_s << u""_s << ten << u"10001000"_s << QStringList{noStart};
        QTest::newRow("5.5") << u"10:00"_s << u""_s << u"5.5"_s << ten << u"10001530"_s << QStringList();
        QTest::newRow("5:30") << u"1000"_s << u""_s << u"5:30"_s << ten << u"10001530"_s << QStringList();
        QTest::newRow("5.33 to the minute")
            << u"10:00"_s << u""_s << u"5.33"_s << ten << u"10001520"_s << QStringList();
        QTest::newRow("end before hours")
            << u"9:05"_s << u"14:05:00"_s << u"1"_s << ten << u" 9051405"_s << QStringList();
        QTest::newRow("hours past midnight")
            << u"18:00"_s << u""_s << u"6.5"_s << ten << u"18002359"_s << QStringList{cut};
        QTest::newRow("end past midnight")
            << u"22:00"_s << u"1:00"_s << u""_s << ten << u"22002359"_s << QStringList{cut};
        QTest::newRow("--start") << u""_s << u""_s << u"2.5"_s << nine << u" 9301200"_s
                                 << QStringList{u"開始時刻がないため 9:30 としました"_s};
    }
    void times() {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, hours);
        QFETCH(QTime, defaultStart);
        QFETCH(QString, times);
        QFETCH(QStringList, notices);
        QStringList fields = row();
        fields[R::Start] = start;
        fields[R::End] = end;
        fields[R::Hours] = hours;
        ImportOptions o = options();
        o.start = defaultStart;
        const ImportRow r = one(fields, o);
        QCOMPARE(r.reason, QString());
        QCOMPARE(r.card.field(CardRecord::StartTime) + r.card.field(CardRecord::EndTime), times);
        QCOMPARE(r.notices, notices);
    }

    void names_data() {
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored"); // the field, trimmed at the right
        QTest::addColumn<QStringList>("notices");
        QTest::newRow("store cut")
            << int(R::Store) << u" ABCDEFGHIJK "_s << u"ＡＢＣＤＥＦＧＨＩＪ"_s
            << QStringList{u"店名は10文字までです。「ＡＢＣＤＥＦＧＨＩＪ」として登録しました。"_s};
        QTest::newRow("model cut") << int(R::Model) << u"ｶﾞﾝﾀﾞﾑ0123456789X"_s
                                   << u"ガンダム０１２３４５６７８９Ｘ"_s << QStringList();
        QTest::newRow("model longer")
            << int(R::Model) << u"ｶﾞﾝﾀﾞﾑ0123456789XY"_s << u"ガンダム０１２３４５６７８９Ｘ"_s
            << QStringList{
                   u"機種名は15文字までです。「ガンダム０１２３４５６７８９Ｘ」として登録しました。"_s};
        const QString kanji79 = QString(79, u'字');
        QTest::newRow("memo of 160 bytes")
            << int(R::Memo) << kanji79 + u"\n"_s << kanji79 + u"\r\n"_s << QStringList();
        QTest::newRow("memo cut before its LF")
            << int(R::Memo) << kanji79 + u"a\nb"_s << kanji79 + u"a"_s
            << QStringList{u"感想は160バイトまでです。先頭の80文字を登録しました。"_s};
    }
    void names() {
        QFETCH(int, role);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(QStringList, notices);
        const CardRecord::Field field = role == R::Store   ? CardRecord::StoreName
                                        : role == R::Model ? CardRecord::ModelName
                                                           : CardRecord::Impression;
        const ImportRow r = one(row(role, text));
        QCOMPARE(r.verdict, ImportVerdict::New);
        QCOMPARE(trimRightSpaces(r.card.field(field)), stored);
        QCOMPARE(r.notices, notices);
    }

    // Against a stored diary: a card of the same day, store and amounts is a duplicate,
    // a deletion candidate is not; rows alike within the file are all new; new halls and
    // models are named once, from imported rows only.
    void duplicatesAndNames() {
        TempFolder folder;
        CardValues stored = CardValues::blank();
        stored.date = u"20240305火"_s;
        stored.store = u"ＡＢＣ"_s;
        stored.investment = u"0150"_s;
        stored.cashOut = u"0420"_s;
        CardValues other = stored, marked = stored;
        other.cashOut = u"0000"_s;
        marked.date = u"R0240305火"_s;
        marked.cashOut = u"0500"_s;
        writeDiary(folder.path(), u"taro.2024.dat"_s, {makeCard(other), makeCard(stored), makeCard(marked)});
        StoreFile(DataFolder(folder.path())).add(u"ＡＢＣ"_s);
        ModelCatalogue(DataFolder(folder.path()), categories()[1]).add(u"海物語"_s);

        QList<QStringList> rows = {row(),
                                   row(R::CashOut, u"50000"_s),
                                   row(R::Store, u"XYZ"_s),
                                   row(R::Store, u"XYZ"_s),
                                   row(R::Model, u"新台"_s),
                                   row(R::Investment, u"1"_s)};
        rows.last()[R::Store] = u"QQQ"_s; // refused: not listed
        rows[4][R::CashOut] = u"10000"_s;
        for (bool includeDuplicates : {false, true}) {
            ImportOptions o = options();
            o.includeDuplicates = includeDuplicates;
            const ImportPlan p = plan(rows, o, folder.path());
            QList<ImportVerdict> verdicts;
            for (const ImportRow &r : p.rows)
                verdicts << r.verdict;
            using V = ImportVerdict;
            QCOMPARE(verdicts, (QList<V>{V::Duplicate, V::New, V::New, V::New, V::New, V::Refused}));
            QCOMPARE(p.rows[0].reason, u"2024年の日記のカード 2 と同じ"_s);
            QCOMPARE(p.newStores, QStringList{u"ＸＹＺ"_s});
            QCOMPARE(p.newModels, (QList<QPair<int, QString>>{{2, u"新台"_s}}));
            QCOMPARE(p.accepted().size(), includeDuplicates ? 5 : 4);
        }
    }

    void unreadableDiaryAndFullDiary() {
        TempFolder folder;
        QDir(folder.path()).mkdir(u"taro.2023.dat"_s);
        folder.write(u"taro.2022.dat"_s, QByteArray((DiaryFile::kMaxCards - 1) * 240, ' '));
        const ImportPlan p = plan({row(R::Date, u"2023/01/01"_s), row(), row(R::Date, u"2022/01/01"_s),
                                   row(R::Date, u"2022/01/02"_s)},
                                  options(), folder.path());
        QCOMPARE(p.rows[0].verdict, ImportVerdict::Refused);
        QVERIFY2(p.rows[0].reason.contains(u"taro.2023.dat"_s), qPrintable(p.rows[0].reason));
        QCOMPARE(p.rows[1].verdict, ImportVerdict::New);
        QCOMPARE(p.rows[2].verdict, ImportVerdict::New);
        QCOMPARE(p.rows[3].reason, u"この日記にはこれ以上カードを登録できません（32766枚まで）。"_s);
    }

    // Per diary, ascending years, by date, rows of one day in file order.
    void batchOrder() {
        const QStringList dates = {u"2024/03/05"_s, u"2023/12/31"_s, u"2024/01/02"_s, u"2023/05/01"_s,
                                   u"2024/01/02"_s};
        QList<QStringList> rows;
        for (int i = 0; i < dates.size(); ++i) {
            rows << row(R::Date, dates[i]);
            rows.last()[R::Memo] = QString::number(i);
            rows.last()[R::Machine] = u"M"_s + QString::number(i);
        }
        const ImportBatch b = importBatch(plan(rows), u"in.csv"_s);
        QCOMPARE(b.source, u"in.csv"_s);
        QCOMPARE(b.stores, QStringList{u"ＡＢＣ"_s});
        QStringList seen;
        for (const ImportBatch::Diary &d : b.diaries) {
            QCOMPARE(d.records.size(), d.play.size());
            for (qsizetype i = 0; i < d.records.size(); ++i)
                seen << d.fileName + u' ' + QString::fromLatin1(d.records[i].left(8)) + u' ' +
                            QChar::fromLatin1(d.records[i][80]) + u' ' + d.play[i].machine;
        }
        QCOMPARE(seen, (QStringList{u"taro.2023.dat 20230501 3 M3"_s, u"taro.2023.dat 20231231 1 M1"_s,
                                    u"taro.2024.dat 20240102 2 M2"_s, u"taro.2024.dat 20240102 4 M4"_s,
                                    u"taro.2024.dat 20240305 0 M0"_s}));
    }

    // A file large enough to be planned in two halves: every row keeps its place, line and
    // verdict, a stored card is found again from either half, and names are collected once.
    void largeFileInFileOrder() {
        TempFolder folder;
        CardValues c = CardValues::blank();
        c.date = u"20231231日"_s;
        c.store = u"ＡＢＣ"_s;
        c.investment = u"0150"_s;
        c.cashOut = u"0420"_s;
        folder.write(u"taro.2023.dat"_s, cardBytes(c));
        const int n = 9001;
        QList<QStringList> rows;
        for (int i = 0; i < n; ++i) {
            const QDate d = QDate(2023, 1, 1).addDays(i % 365);
            QStringList r = row(R::Date, d.toString(u"yyyy/MM/dd"_s));
            r[R::Store] = u"店"_s + QString::number(i % 3);
            if (i % 1000 == 7) r[R::Investment] = u"150"_s;    // not in hundreds
            if (i == 364 || i == 8759) r[R::Store] = u"ABC"_s; // 2023/12/31: stored
            rows << r;
        }
        const ImportPlan p = plan(rows, options(), folder.path());
        QCOMPARE(p.rows.size(), n);
        int refused = 0, duplicates = 0;
        for (int i = 0; i < n; ++i) {
            const ImportRow &r = p.rows[i];
            QCOMPARE(r.line, i + 1);
            if (i % 1000 == 7) {
                QCOMPARE(r.verdict, ImportVerdict::Refused);
                QCOMPARE(r.fields.value(R::Investment), u"150"_s);
                ++refused;
            } else if (i == 364 || i == 8759) {
                QCOMPARE(r.verdict, ImportVerdict::Duplicate);
                ++duplicates;
            } else {
                QCOMPARE(r.verdict, ImportVerdict::New);
                QVERIFY(r.fields.isEmpty());
            }
        }
        QCOMPARE(refused, 9);
        QCOMPARE(duplicates, 2);
        QCOMPARE(p.newStores, (QStringList{u"店０"_s, u"店１"_s, u"店２"_s}));
    }

  private:
    static QString trimRightSpaces(QString s) {
        while (s.endsWith(u' '))
            s.chop(1);
        return s;
    }
};

TAMA_TEST_MAIN(TestImportPlan)
#include "tst_importplan.moc"
