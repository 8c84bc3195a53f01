#include "reports/yearlistselection.h"
#include "store/catalogue.h"
#include "store/storefile.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QDir>
#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::makeCard;
using Part = YearListSelection::Part;

namespace {

QStringList textsOf(const QList<FilterEntry> &entries, bool selectedOnly = false) {
    QStringList out;
    for (const FilterEntry &e : entries)
        if (!selectedOnly || e.selected) out.append(e.text);
    return out;
}

// Stores 駅前 and 本店; 羽物 ｂ, ＣＲデジパチ Ｃ.
struct Folder {
    test::TempFolder tmp;
    DataFolder folder{tmp.path()};
    Folder() {
        StoreFile stores(folder);
        stores.add(u"駅前"_s);
        stores.add(u"本店"_s);
        ModelCatalogue(folder, *categoryByCardCode(u"1"_s)).add(u"ｂ"_s);
        ModelCatalogue(folder, *categoryByCardCode(u"3"_s)).add(u"Ｃ"_s);
    }
};

} // namespace

class TestYearListSelection : public QObject {
    Q_OBJECT

  private slots:
    // As the filter window opens: everything listed and selected, every 全選択 on.
    void opensWithEverything() {
        Folder f;
        YearListSelection s(f.folder);
        QVERIFY(s.load().isEmpty());
        QCOMPARE(textsOf(s.entries(Part::Stores), true), (QStringList{u"駅前"_s, u"本店"_s}));
        QCOMPARE(textsOf(s.entries(Part::Categories), true).size(), 5);
        QCOMPARE(textsOf(s.entries(Part::Models), true), (QStringList{u"ｂ"_s, u"Ｃ"_s}));
        for (Part p : {Part::Stores, Part::Categories, Part::Models})
            QVERIFY(s.allOn(p));
        QVERIFY(s.filter().passes(makeCard({.store = u"本店"_s, .model = u"Ｃ"_s})));
    }

    // Choosing categories lists their models afresh, all selected; the filter follows
    // the stores and models chosen.
    void categoriesListTheirModels() {
        Folder f;
        YearListSelection s(f.folder);
        s.load();
        QSignalSpy changed(&s, &YearListSelection::changed);
        s.setAll(Part::Models, false);
        QVERIFY(textsOf(s.entries(Part::Models), true).isEmpty());
        QVERIFY(!s.allOn(Part::Models));

        s.setSelected(Part::Categories, {false, false, true, false, false}); // ＣＲデジパチ
        QCOMPARE(textsOf(s.entries(Part::Models)), QStringList{u"Ｃ"_s});
        QCOMPARE(textsOf(s.entries(Part::Models), true), QStringList{u"Ｃ"_s});
        QVERIFY(s.allOn(Part::Models));

        s.setAll(Part::Categories, false);
        QVERIFY(s.entries(Part::Models).isEmpty());
        QVERIFY(!s.allOn(Part::Categories));

        s.setSelected(Part::Categories, {true, false, true, false, false});
        s.setAll(Part::Stores, false);
        s.setSelected(Part::Stores, {false, true});
        s.setAll(Part::Models, false);
        s.setSelected(Part::Models, {true, false}); // ｂ
        QVERIFY(s.filter().passes(makeCard({.store = u"本店"_s, .model = u"ｂ"_s})));
        QVERIFY(!s.filter().passes(makeCard({.store = u"駅前"_s, .model = u"ｂ"_s})));
        QVERIFY(!s.filter().passes(makeCard({.store = u"本店"_s, .model = u"Ｃ"_s})));
        QVERIFY(changed.count() >= 8);
        // Choosing what is chosen already changes nothing.
        const int before = int(changed.count());
        s.setSelected(Part::Models, {true, false});
        QCOMPARE(changed.count(), before);
    }

    // A store file that cannot be read is named and leaves its list empty; the models
    // are listed all the same.
    void unreadableStoreFile() {
        Folder f;
        QVERIFY(QFile::remove(f.tmp.file(u"patishop.dat"_s)));
        QVERIFY(QDir(f.tmp.path()).mkdir(u"patishop.dat"_s));
        YearListSelection s(f.folder);
        const QList<StoreError> problems = s.load();
        QCOMPARE(problems.size(), 1);
        QVERIFY(s.entries(Part::Stores).isEmpty());
        QCOMPARE(textsOf(s.entries(Part::Models)), (QStringList{u"ｂ"_s, u"Ｃ"_s}));
    }
};

TAMA_TEST_MAIN(TestYearListSelection)
#include "tst_yearlistselection.moc"
