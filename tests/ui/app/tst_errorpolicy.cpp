#include "app/storeerrorreport.h"
#include "recordingdialogs.h"
#include "store/storeerror.h"
#include "testsupport.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

// How the windows tell a player that a file operation failed.
class TstErrorPolicy : public QObject {
    Q_OBJECT

  private slots:
    void storeErrorsByKind_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("caution");
        QTest::newRow("encoding") << int(StoreError::Kind::Encoding) << true;
        QTest::newRow("limit") << int(StoreError::Kind::Limit) << true;
        QTest::newRow("invalid") << int(StoreError::Kind::Invalid) << true;
        QTest::newRow("io") << int(StoreError::Kind::Io) << false;
        QTest::newRow("damaged") << int(StoreError::Kind::Damaged) << false;
    }

    void storeErrorsByKind() {
        QFETCH(int, kind);
        QFETCH(bool, caution);
        RecordingDialogs dialogs;
        reportStoreError(StoreError(StoreError::Kind(kind), u"/x/patishop.dat"_s, u"理由"_s));
        QCOMPARE(dialogs.calls.size(), 1);
        QCOMPARE(dialogs.calls[0].kind,
                 caution ? RecordingDialogs::Call::Info : RecordingDialogs::Call::Error);
        QCOMPARE(dialogs.calls[0].message, u"「patishop.dat」: 理由"_s);
        if (caution) QCOMPARE(dialogs.calls[0].title, u"注意"_s);
    }
};

TAMA_TEST_MAIN(TstErrorPolicy)
#include "tst_errorpolicy.moc"
