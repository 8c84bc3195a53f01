#include "common/version.h"
#include "support/testsupport.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama::test;

// The program itself, started as from a terminal where no display is.
class TstProgramOptions : public QObject {
    Q_OBJECT

  private slots:
    void printsWithoutADisplay_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected"); // a part of what it prints
        const QString version = u"tamanote "_s + tama::programVersion() + u'\n';
        QTest::newRow("--version") << u"--version"_s << version;
        QTest::newRow("-v") << u"-v"_s << version;
        QTest::newRow("--help") << u"--help"_s << u"--data <DIR>"_s;
        QTest::newRow("-h") << u"-h"_s << u"--version"_s;
        QTest::newRow("--help-all, Qt's window options") << u"--help-all"_s << u"-platform"_s;
    }

    void printsWithoutADisplay() {
#ifndef TAMANOTE_PROGRAM
        QSKIP("the program's path is not known to this build");
#else
        QFETCH(QString, option);
        QFETCH(QString, expected);
        TempFolder home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            env.remove(name);
        env.insert(u"HOME"_s, home.path());
        env.insert(u"XDG_DATA_HOME"_s, home.file(u"share"_s));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TAMANOTE_PROGRAM), {option});
        QVERIFY(p.waitForFinished(30000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == 0, qPrintable(err));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(out.contains(expected), qPrintable(out));
        // Printing is all it does: no data folder, no lock.
        QVERIFY(QDir(home.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
#endif
    }
};

TAMA_TEST_MAIN(TstProgramOptions)
#include "tst_programoptions.moc"
