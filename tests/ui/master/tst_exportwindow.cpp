#include "common/csvreader.h"
#include "import/importplan.h"
#include "master/exportwindow.h"
#include "support/windowfixture.h"

#include <QApplication>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

CardValues stored() {
    CardValues c;
    c.date = u"20240302土"_s;
    c.start = u"1000"_s;
    c.end = u"1530"_s;
    c.store = u"パーラー駅前"_s;
    c.category = u"2"_s;
    c.model = u"フィーバー銀河"_s;
    c.investment = u"0090"_s;
    c.cashOut = u"0215"_s;
    return c;
}

template <class W> W *activate(W *w) {
    w->activateWindow();
    QApplication::setActiveWindow(w);
    if (!QTest::qWaitForWindowActive(w)) qFatal("window not active");
    return w;
}

void pressAlt(QWidget *w, char key) {
    QTest::keyClick(w, Qt::Key(key), Qt::AltModifier);
}

} // namespace

class TstExportWindow : public QObject {
    Q_OBJECT

  private slots:
    // 書き出し by keys: pRecord's layout of the chosen years in Shift_JIS without the deletion
    // candidate, read back by the import as the very cards stored; an existing file is
    // replaced only when the person says so, and a link never.
    void exportsByKeyboard() {
        WindowFixture f(QDateTime(QDate(2024, 6, 1), QTime(14, 0)));
        CardValues deleted = stored();
        deleted.date = u"R0240303日"_s;
        CardValues second = stored();
        second.date = u"20240310日"_s;
        second.investment = u"0120"_s;
        f.folder.write(u"taro.2023.dat"_s, diaryBytes({stored()}));
        f.folder.write(u"taro.2024.dat"_s, diaryBytes({stored(), deleted, second}));
        f.state.open(u"taro"_s, 2024);
        auto *w = activate(f.open<ExportWindow>());
        QCOMPARE(items(control<QComboBox>(w, "FromYear")), (QStringList{u"2023"_s, u"2024"_s}));

        pressAlt(w, 'Y');
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // from 2024
        pressAlt(QApplication::focusWidget(), 'C');
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // Shift_JIS
        pressAlt(QApplication::focusWidget(), 'F');
        const QString out = f.folder.file(u"back.csv"_s);
        QTest::keyClicks(QApplication::focusWidget(), out);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(f.dialogs.lastMessage(), u"2 枚のカードを「back.csv」に書き出しました。"_s);

        const CsvTable table = readCsvFile(out);
        QCOMPARE(table.encoding, TextEncoding::Cp932);
        ImportOptions options;
        options.category = 2; // デジパチ, as stored
        options.today = QDate(2024, 6, 1);
        const ImportPlan plan = planImport(f.state.folder, u"taro"_s, table, options);
        QCOMPARE(plan.format, ImportFormat::PRecord);
        QCOMPARE(plan.rows.size(), 2);
        const QList<CardRecord> cards = DiaryFile(f.state.folder, u"taro.2024.dat"_s).readAll();
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(plan.rows[i].verdict, ImportVerdict::Duplicate);
            for (int field = CardRecord::VisitDate; field <= CardRecord::Impression; ++field)
                QCOMPARE(plan.rows[i].card.field(CardRecord::Field(field)),
                         cards[i == 0 ? 0 : 2].field(CardRecord::Field(field)));
        }

        const QByteArray written = f.folder.read(u"back.csv"_s);
        f.dialogs.answer({true});
        QTest::keyClick(control(w, "FileBox"), Qt::Key_Return);
        QVERIFY(f.dialogs.lastMessage().contains(u"置き換えますか"_s));
        QCOMPARE(f.dialogs.calls.size(), 2);
        QCOMPARE(f.folder.read(u"back.csv"_s), written);

        QVERIFY(QFile::link(f.folder.file(u"taro.2023.dat"_s), f.folder.file(u"link.csv"_s)));
        QLineEdit *file = control(w, "FileBox");
        file->selectAll();
        QTest::keyClicks(file, f.folder.file(u"link.csv"_s));
        QTest::keyClick(file, Qt::Key_Return);
        QVERIFY2(f.dialogs.lastMessage().contains(u"リンク"_s), qPrintable(f.dialogs.lastMessage()));
        QCOMPARE(f.folder.read(u"taro.2023.dat"_s), diaryBytes({stored()}));
    }
};

QTEST_MAIN(TstExportWindow)
#include "tst_exportwindow.moc"
