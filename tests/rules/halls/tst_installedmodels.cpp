#include "halls/installedmodels.h"
#include "store/storeerror.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QString kList = u"ＡＢＢＣＡＢＣ"_s; // the list file of the store ABC

QByteArray lines(std::initializer_list<QByteArray> ls) {
    QByteArray out;
    for (const QByteArray &l : ls)
        out += l + "\r\n";
    return out;
}

// Ｘ, Ｙ, Ｚ and Ｐ in code page 932.
const QByteArray kX = hex("8277"), kY = hex("8278"), kZ = hex("8279"), kP = hex("826F");

QString fromCatalogue(const QString &name, int section) {
    return name + QString(15 - name.size(), u' ') + u' ' + QString::number(section);
}

struct Taken {
    QString name;
    int section;
};

} // namespace

Q_DECLARE_METATYPE(QList<Taken>)

class TstInstalledModels : public QObject {
    Q_OBJECT

  private slots:
    void editsKeepTheModelConsistent() {
        TempFolder dir;
        dir.write(kList, lines({"# 2", kX, "# 3", kY, "# #"}));
        InstalledModels m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.load(DataFolder(dir.path()), u"ABC"_s);
        QCOMPARE(m.rowCount(), 2);
        QCOMPARE(m.owner(), kList);
        QVERIFY(!m.isDirty());

        m.take(u"Ｚ"_s, 6);
        m.take(u"Ｐ"_s, 2);
        QVERIFY(m.isDirty());
        // Taken again under another section: one entry, re-tagged, at the end.
        m.take(u"Ｘ"_s, 5);
        QCOMPARE(m.entries(),
                 (QStringList{u"Ｙ"_s + QString(14, QChar(0x3000)) + u" 3"_s, fromCatalogue(u"Ｚ"_s, 6),
                              fromCatalogue(u"Ｐ"_s, 2), fromCatalogue(u"Ｘ"_s, 5)}));
        QCOMPARE(m.data(m.index(3)).toString(), fromCatalogue(u"Ｘ"_s, 5));

        // A selection follows its entry when saving puts the list in section order.
        const QPersistentModelIndex z = m.index(1);
        QStringList added;
        m.save(DataFolder(dir.path()), u"ABC"_s, [&](const QString &store) { added.append(store); });
        QCOMPARE(added, QStringList{u"ＡＢＣ"_s});
        QCOMPARE(dir.read(kList), lines({"# 2", kP, "# 3", kY, "# 4", "# 5", kX, "# 6", kZ, "# #"}));
        QCOMPARE(z.row(), 3);
        QCOMPARE(z.data().toString(), fromCatalogue(u"Ｚ"_s, 6));
        QVERIFY(!m.isDirty());

        m.removeAt(0);
        m.removeAt(7); // no such row
        QCOMPARE(m.rowCount(), 3);
        QVERIFY(m.isDirty());
        m.forget();
        QCOMPARE(m.rowCount(), 0);
        QVERIFY(m.owner().isEmpty());
        QVERIFY(!m.isDirty());
    }

    // Saving a list that was not read from the store's own file never loses what it holds.
    void saveForAStoreWhoseListWasNotShown_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QList<Taken>>("taken");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<int>("rows");

        const QByteArray stored = lines({"# 2", kX, "# 3", kY, "# #"});
        QTest::newRow("nothing taken: the stored list stays as it is")
            << stored << QList<Taken>{} << stored << 0;
        QTest::newRow("taken models join the stored ones")
            << stored << QList<Taken>{{u"Ｚ"_s, 2}}
            << lines({"# 2", kX, kZ, "# 3", kY, "# 4", "# 5", "# 6", "# #"}) << 3;
        QTest::newRow("a model taken again replaces its stored entry")
            << stored << QList<Taken>{{u"Ｙ"_s, 6}}
            << lines({"# 2", kX, "# 3", "# 4", "# 5", "# 6", kY, "# #"}) << 2;
        QTest::newRow("no list yet") << QByteArray() << QList<Taken>{{u"Ｚ"_s, 4}}
                                     << lines({"# 2", "# 3", "# 4", kZ, "# 5", "# 6", "# #"}) << 1;
    }
    void saveForAStoreWhoseListWasNotShown() {
        QFETCH(QByteArray, stored);
        QFETCH(QList<Taken>, taken);
        QFETCH(QByteArray, written);
        QFETCH(int, rows);
        TempFolder dir;
        if (!stored.isEmpty()) dir.write(kList, stored);
        InstalledModels m;
        for (const Taken &t : taken)
            m.take(t.name, t.section);
        m.save(DataFolder(dir.path()), u"ABC"_s);
        QCOMPARE(dir.read(kList), written);
        QCOMPARE(m.rowCount(), rows);
        QCOMPARE(m.owner(), rows ? kList : QString());
        QCOMPARE(dir.read(u"patishop.dat"_s), hex("8260 8261 8262") + QByteArray(74, ' '));
    }

    void saveRefusesBeforeWritingAnything() {
        TempFolder dir;
        dir.write(kList, lines({"# 2", kX, "# #"}));
        InstalledModels m;
        m.load(DataFolder(dir.path()), u"ABC"_s);
        m.take(u"機種😀"_s, 3);
        QCOMPARE(storeErrorKind([&] { m.save(DataFolder(dir.path()), u"ABC"_s); }),
                 int(StoreError::Kind::Encoding));
        QCOMPARE(dir.read(kList), lines({"# 2", kX, "# #"}));
        QCOMPARE(dir.files(), QStringList{kList});
        QVERIFY(m.isDirty());
    }
};

TAMA_TEST_MAIN(TstInstalledModels)
#include "tst_installedmodels.moc"
