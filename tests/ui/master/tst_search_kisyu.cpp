#include "cardscreen/patincomain.h"
#include "master/search_kisyu.h"
#include "store/modellist.h"
#include "support/windowfixture.h"

#include <QComboBox>
#include <QRadioButton>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

// A 160-byte catalogue record with its details filled.
QByteArray model(const QByteArray &name) {
    return name + spaces(30 - int(name.size())) + QByteArray(130, '9');
}

} // namespace

class TstSearchKisyu : public QObject {
    Q_OBJECT

    struct Fixture : WindowFixture {
        PatincoMain *main = loadCardScreen();

        Fixture() { control<QComboBox>(main, "Combo1")->setEditText(u"ＡＢＣホール"_s); }
        // Chooses the card's category and opens the search as the model list's last entry does.
        search_kisyu *search(const char *option) {
            if (option) clickOption(control<QRadioButton>(main, option));
            combo()->setEditText(u"[ 該当機種をさがす ]"_s);
            search_kisyu *w = registry.get<search_kisyu>();
            w->show();
            return w;
        }
        QComboBox *combo() const { return control<QComboBox>(main, "Combo2"); }
    };

  private slots:
    void listsCategoryInTextOrder();
    void eachButtonReadsItsCatalogue_data();
    void eachButtonReadsItsCatalogue();
    void missingCatalogueIsCreatedEmpty();
    void okDoubleClickAndCancel();
};

void TstSearchKisyu::listsCategoryInTextOrder() {
    Fixture f;
    // ｂｅｔａ, Ａｌｐｈａ, ＣＲ花: without regard to case Ａ, ｂ, Ｃ.
    f.folder.write(u"DEGIpati.dat"_s, model(hex("82 82 82 85 82 94 82 81")) +
                                          model(hex("82 60 82 8C 82 90 82 88 82 81")) +
                                          model(hex("82 62 82 71 89 D4")));
    search_kisyu *w = f.search("Option2");
    QCOMPARE(w->windowTitle(), u"該当機種を探す"_s);
    QCOMPARE(control<QLabel>(w, "Label1")->text(), u"機種名"_s);
    QCOMPARE(control<QPushButton>(w, "Command2")->text(), u"ｷｬﾝｾﾙ"_s);
    QCOMPARE(texts(control<QListWidget>(w, "List1")),
             (QStringList{u"Ａｌｐｈａ"_s, u"ｂｅｔａ"_s, u"ＣＲ花"_s}));
    QCOMPARE(f.folder.read(u"DEGIpati.dat"_s).size(), 480); // read, not written
}

void TstSearchKisyu::eachButtonReadsItsCatalogue_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("file");
    QTest::newRow("羽物") << u"Option1"_s << u"hirapati.dat"_s;
    QTest::newRow("デジパチ") << u"Option2"_s << u"degipati.dat"_s;
    QTest::newRow("権利物") << u"Option3"_s << u"kenpati.dat"_s;
    QTest::newRow("一般電役") << u"Option4"_s << u"slotpati.dat"_s;
    QTest::newRow("ＣＲデジパチ") << u"Option5"_s << u"CRPATI.DAT"_s;
}

void TstSearchKisyu::eachButtonReadsItsCatalogue() {
    QFETCH(QString, option);
    QFETCH(QString, file);
    Fixture f;
    f.folder.write(file, model(hex("82 77")));
    search_kisyu *w = f.search(option.toLatin1().constData());
    QCOMPARE(texts(control<QListWidget>(w, "List1")), QStringList{u"Ｘ"_s});
}

void TstSearchKisyu::missingCatalogueIsCreatedEmpty() {
    Fixture f;
    search_kisyu *w = f.search("Option3");
    QCOMPARE(control<QListWidget>(w, "List1")->count(), 0);
    QVERIFY(f.folder.exists(u"KENpati.dat"_s));
    QCOMPARE(f.folder.read(u"KENpati.dat"_s).size(), 0);
    QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
    QCOMPARE(f.combo()->currentText(), QString());
    QVERIFY(!f.registry.find<search_kisyu>());

    // No category on the card: nothing listed, nothing created.
    Fixture g;
    search_kisyu *none = g.search(nullptr);
    QCOMPARE(control<QListWidget>(none, "List1")->count(), 0);
    QCOMPARE(g.folder.files(), QStringList{u"taro.1999.dat"_s});
}

void TstSearchKisyu::okDoubleClickAndCancel() {
    Fixture f;
    f.folder.write(u"hirapati.dat"_s, model(hex("82 60")) + model(hex("82 61")));
    search_kisyu *w = f.search("Option1");
    control<QListWidget>(w, "List1")->setCurrentRow(1);
    QTest::mouseClick(control<QPushButton>(w, "Command1"), Qt::LeftButton);
    QCOMPARE(f.combo()->currentText(), u"Ｂ"_s); // the listed name, trimmed
    QVERIFY(!f.registry.find<search_kisyu>());
    // Not added to the store's list here.
    QCOMPARE(f.folder.read(modelListFileName(u"ＡＢＣホール"_s)).size(), 0);

    w = f.search("Option1");
    QListWidgetItem *a = control<QListWidget>(w, "List1")->item(0);
    const QRect r = control<QListWidget>(w, "List1")->visualItemRect(a);
    QTest::mouseClick(control<QListWidget>(w, "List1")->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(control<QListWidget>(w, "List1")->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(f.combo()->currentText(), u"Ａ"_s);
    QVERIFY(!f.registry.find<search_kisyu>());

    w = f.search("Option1");
    control<QListWidget>(w, "List1")->setCurrentRow(0);
    QTest::mouseClick(control<QPushButton>(w, "Command2"), Qt::LeftButton);
    QCOMPARE(f.combo()->currentText(), QString());
    QVERIFY(!f.registry.find<search_kisyu>());
    QCOMPARE(f.dialogs.calls.size(), 0);
}

TAMA_GUI_TEST_MAIN(TstSearchKisyu)
#include "tst_search_kisyu.moc"
