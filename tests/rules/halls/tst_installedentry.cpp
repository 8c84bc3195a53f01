#include "halls/installedentry.h"
#include "halls/listorder.h"
#include "testsupport.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QChar kWide(0x3000);

QString wide(int n) {
    return QString(n, kWide);
}

} // namespace

class TstInstalledEntry : public QObject {
    Q_OBJECT

  private slots:
    void entriesCarryFillerAndCode() {
        // From the file: full-width filler after the trimmed line, whatever padding it had.
        const QString expected = u"ＡＢＣ"_s + wide(12) + u" 6"_s;
        QCOMPARE(installed::entryFromFile(u"ＡＢＣ"_s, 6), expected);
        QCOMPARE(installed::entryFromFile(u"ＡＢＣ"_s + wide(12), 6), expected);
        QCOMPARE(installed::entryFromFile(u"ＡＢＣ  "_s, 6), expected);
        // From a catalogue: half-width filler.
        QCOMPARE(installed::entryFromCatalogue(u"ＡＢＣ"_s, 3), u"ＡＢＣ"_s + QString(12, u' ') + u" 3"_s);
        // Exactly 15 and longer: no filler, the code follows at once.
        const QString fifteen = u"あいうえおかきくけこさしすせそ"_s;
        QCOMPARE(installed::entryFromCatalogue(fifteen, 2), fifteen + u" 2"_s);
        QCOMPARE(installed::entryFromFile(fifteen + u"たち"_s, 4), fifteen + u"たち 4"_s);

        for (int code = 1; code <= 6; ++code) {
            QCOMPARE(installed::section(installed::entryFromFile(u"Ｘ"_s, code)), code);
            QCOMPARE(installed::section(installed::entryFromCatalogue(u"Ｘ"_s, code)), code);
        }
        QCOMPARE(installed::section(QString()), 0);
    }

    void modelLineIsTheFirstFifteenTrimmed() {
        const QString thirteen = u"あいうえおかきくけこさしす"_s;
        const QString fifteen = thirteen + u"せそ"_s;
        QCOMPARE(installed::modelLine(installed::entryFromFile(thirteen, 3)), thirteen);
        QCOMPARE(installed::modelLine(installed::entryFromCatalogue(thirteen, 3)), thirteen);
        QCOMPARE(installed::modelLine(installed::entryFromCatalogue(fifteen, 3)), fifteen);
        // A longer line is cut, never followed by its code.
        QCOMPARE(installed::modelLine(installed::entryFromFile(fifteen + u"たちつ"_s, 3)), fifteen);
        // A name of 14 keeps no trace of the filler or the code.
        QCOMPARE(installed::modelLine(installed::entryFromCatalogue(fifteen.left(14), 6)), fifteen.left(14));
    }

    void sameModelAcrossFillerWidthAndLength() {
        const QString fromFile = installed::entryFromFile(u"ＡＢＣ"_s, 3);
        const QString fromCatalogue = installed::entryFromCatalogue(u"ＡＢＣ"_s, 2);
        QVERIFY(installed::namesModel(fromFile, u"ＡＢＣ"_s));
        QVERIFY(installed::namesModel(fromCatalogue, u"ＡＢＣ"_s));
        // A line typed half-width by other means is the same model.
        QVERIFY(installed::namesModel(installed::entryFromFile(u"ABC"_s, 3), u"ＡＢＣ"_s));
        // Neither a prefix nor an extension is the same model.
        QVERIFY(!installed::namesModel(fromFile, u"ＡＢ"_s));
        QVERIFY(!installed::namesModel(installed::entryFromFile(u"ＡＢ"_s, 3), u"ＡＢＣ"_s));
        // The code digit is not part of the name: "Ｘ" is not "Ｘ3".
        QVERIFY(!installed::namesModel(installed::entryFromCatalogue(u"Ｘ"_s, 3), u"Ｘ３"_s));
        // Names that agree in the 15 characters written are the same line.
        const QString fifteen = u"あいうえおかきくけこさしすせそ"_s;
        QVERIFY(installed::namesModel(installed::entryFromFile(fifteen + u"た"_s, 4), fifteen + u"ち"_s));
    }

    void mergeKeepsEverythingStored() {
        const QStringList stored = {installed::entryFromFile(u"Ａ"_s, 3),
                                    installed::entryFromFile(u"Ｂ"_s, 2),
                                    installed::entryFromFile(u"Ｃ"_s, 6)};
        // Ａ taken again under デジパチ replaces the stored Ａ; Ｄ is new.
        const QStringList added = {installed::entryFromCatalogue(u"Ａ"_s, 2),
                                   installed::entryFromCatalogue(u"Ｄ"_s, 6)};
        QCOMPARE(installed::mergedWithStored(stored, added),
                 (QStringList{stored[1], stored[2], added[0], added[1]}));
        QCOMPARE(installed::mergedWithStored(stored, {}), stored);
        QCOMPARE(installed::mergedWithStored({}, added), added);
    }

    void listOrderIgnoresCase() {
        QCOMPARE(inListOrder({u"b"_s, u"A"_s, u"c"_s, u"a"_s}),
                 (QStringList{u"A"_s, u"a"_s, u"b"_s, u"c"_s}));
        // Full-width letters fold as well.
        QCOMPARE(inListOrder({u"ｂ"_s, u"Ｃ"_s, u"Ａ"_s}), (QStringList{u"Ａ"_s, u"ｂ"_s, u"Ｃ"_s}));
        QCOMPARE(inListOrder({u"ボ"_s, u"ア"_s, u"パ"_s}), (QStringList{u"ア"_s, u"パ"_s, u"ボ"_s}));
    }
};

TAMA_TEST_MAIN(TstInstalledEntry)
#include "tst_installedentry.moc"
