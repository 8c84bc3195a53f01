#include "clifixture.h"

#include <QLockFile>

using namespace Qt::Literals::StringLiterals;
using tama::test::CliResult;
using tama::test::runIn;
using tama::test::TempFolder;

namespace {

// A card of the given date and start time at ＡＢ, told apart by its model letter.
QByteArray card(const QByteArray &date, const QByteArray &start, char model) {
    return tama::test::cardBytes({.date = QString::fromLatin1(date) + u"土"_s,
                                  .start = QString::fromLatin1(start),
                                  .end = u"1405"_s,
                                  .store = u"ＡＢ"_s,
                                  .category = u"2"_s,
                                  .model = QString(QChar::fromLatin1(model)),
                                  .investment = u"0150"_s,
                                  .cashOut = u"0000"_s});
}

const QString kDiary = u"taro.1999.dat"_s;
const QStringList kArgs{u"organise"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s};

} // namespace

class TestOrganiseCommand : public QObject {
    Q_OBJECT
  private slots:
    void dryRunSaysWhatItWouldDo();
    void yesOrganisesTheDiary();
    void refusesWhileTheProgramHasTheFolder();
    void missingDiaryAndBadArguments();
};

void TestOrganiseCommand::dryRunSaysWhatItWouldDo() {
    TempFolder folder;
    const QByteArray bytes = card("19990503", "1000", 'a') + card("R9990101", "1000", 'b') +
                             card("19990501", " 930", 'c') + card("19990504", "1000", 'd');
    folder.write(kDiary, bytes);
    const CliResult r = runIn(folder, kArgs);
    QCOMPARE(r.status, 0);
    QCOMPARE(r.errText(), QString());
    const QStringList lines = r.outText().split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], u"drop 2\tR9990101土 1000 ＡＢ"_s);
    QCOMPARE(lines[1], u"move 3 -> 1\t19990501土  930 ＡＢ"_s);
    QCOMPARE(lines[2], u"move 1 -> 2\t19990503土 1000 ＡＢ"_s);
    QCOMPARE(lines[3], u"move 4 -> 3\t19990504土 1000 ＡＢ"_s);
    QVERIFY2(lines[4].startsWith(u"taro.1999.dat: 4 枚 → 3 枚（削除 1 枚、移動 3 枚）"_s),
             qPrintable(lines[4]));
    QCOMPARE(folder.read(kDiary), bytes);
    QCOMPARE(folder.files(), QStringList{kDiary});
}

void TestOrganiseCommand::yesOrganisesTheDiary() {
    TempFolder folder;
    const QByteArray a = card("19990503", "1000", 'a'), b = card("R9990101", "1000", 'b'),
                     c = card("19990501", "1000", 'c'), d = card("19990501", "1000", 'd');
    folder.write(kDiary, a + b + c + d);
    const CliResult r = runIn(folder, kArgs + QStringList{u"--yes"_s});
    QCOMPARE(r.status, 0);
    // Only the snapshot taken before organising is mentioned on stderr.
    QVERIFY2(r.errText().startsWith(u"tamanote-cli: 整理する前の状態をバックアップ "_s) &&
                 r.errText().endsWith(u"-organise に保存しました\n"_s),
             qPrintable(r.errText()));
    QCOMPARE(folder.read(kDiary), c + d + a);
    QVERIFY(r.outText().contains(u"整理しました"_s));
    // The lock is given back and no scratch file is left.
    QCOMPARE(folder.files(), QStringList{kDiary});
    // Organised already: nothing moves, and the bytes stay.
    const CliResult again = runIn(folder, kArgs + QStringList{u"--yes"_s});
    QCOMPARE(again.status, 0);
    QVERIFY(!again.outText().contains(u"move"_s));
    QCOMPARE(folder.read(kDiary), c + d + a);
}

void TestOrganiseCommand::refusesWhileTheProgramHasTheFolder() {
    TempFolder folder;
    const QByteArray bytes = card("19990503", "1000", 'a') + card("19990501", "1000", 'b');
    folder.write(kDiary, bytes);
    QLockFile program(folder.file(u".tamanote.lock"_s));
    QVERIFY(program.tryLock(0));
    const CliResult r = runIn(folder, kArgs + QStringList{u"--yes"_s});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.errText().contains(u"タマノートが使っています"_s), qPrintable(r.errText()));
    QCOMPARE(folder.read(kDiary), bytes);
    // Looking is allowed while the program runs.
    QCOMPARE(runIn(folder, kArgs).status, 0);
    QCOMPARE(folder.read(kDiary), bytes);
}

void TestOrganiseCommand::missingDiaryAndBadArguments() {
    TempFolder folder;
    const CliResult missing = runIn(folder, kArgs + QStringList{u"--yes"_s});
    QCOMPARE(missing.status, 1);
    QVERIFY(missing.errText().contains(kDiary));
    QCOMPARE(folder.files(), QStringList{});
    QCOMPARE(runIn(folder, {u"organise"_s, u"--user"_s, u"taro"_s}).status, 2);
    QCOMPARE(runIn(folder, {u"organise"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"99"_s}).status, 2);
    QCOMPARE(runIn(folder, {u"cards"_s, u"--user"_s, u"taro"_s, u"--year"_s, u"1999"_s, u"--yes"_s}).status,
             2);
    // A damaged diary is reported, not organised.
    folder.write(kDiary, card("19990503", "1000", 'a') + "1999");
    const CliResult damaged = runIn(folder, kArgs + QStringList{u"--yes"_s});
    QCOMPARE(damaged.status, 1);
    QCOMPARE(folder.read(kDiary).size(), 244);
}

TAMA_TEST_MAIN(TestOrganiseCommand)
#include "tst_organisecommand.moc"
