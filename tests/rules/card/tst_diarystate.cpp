#include "card/diarystate.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using tama::DiaryState;

class TestDiaryState : public QObject {
    Q_OBJECT
  private slots:
    void nameComesFromUserAndYear_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("file");
        QTest::newRow("plain") << u"taro"_s << 1999 << u"taro.1999.dat"_s;
        QTest::newRow("padded list entry") << u"taro              "_s << 2026 << u"taro.2026.dat"_s;
        QTest::newRow("cut to nine") << u"abcdefghijk"_s << 2001 << u"abcdefghi.2001.dat"_s;
        QTest::newRow("early year") << u"はなこ"_s << 7 << u"はなこ.0007.dat"_s;
        QTest::newRow("not a file name") << u"a/b"_s << 1999 << QString();
    }
    void nameComesFromUserAndYear() {
        QFETCH(QString, user);
        QFETCH(int, year);
        QFETCH(QString, file);
        QTemporaryDir dir;
        DiaryState s(dir.path());
        QVERIFY(s.diaryFile().isEmpty());
        s.open(user, year);
        QCOMPARE(s.diaryFile(), file);
    }

    // An opening always tells the windows, a year only when it changes.
    void signalsOnlyRealChanges() {
        QTemporaryDir dir;
        DiaryState s(dir.path());
        QSignalSpy changed(&s, &DiaryState::diaryChanged);
        s.open(u"taro"_s, 1999);
        s.open(u"taro"_s, 1999);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(s.openings(), 2);
        s.setYear(1999);
        QCOMPARE(changed.size(), 2);
        s.setYear(1998);
        QCOMPARE(changed.size(), 3);
        QCOMPARE(s.yearText(), u"1998"_s);
        QCOMPARE(s.user(), u"taro"_s);
        QCOMPARE(s.openings(), 2);
    }
};

QTEST_GUILESS_MAIN(TestDiaryState)
#include "tst_diarystate.moc"
