#include "platform/NMail.h"
#include "platform/NMailLibrary.h"

#include <QTest>

class TestNMailSetup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void optionsNeedTheLibrarySetUp() {
        QVERIFY(!NMailSetOption(NMailOptionStatusBufferSize, 100));
        QVERIFY(NMailInitializeWinSock());
        QVERIFY(NMailLibrary::isInitialized());
        QVERIFY(NMailSetOption(NMailOptionStatusBufferSize, 100));
        QCOMPARE(NMailLibrary::statusBufferSize(), 100);
    }

    void rejectsUnknownOptionsAndSizes() {
        QVERIFY(NMailInitializeWinSock());
        QVERIFY(!NMailSetOption(2, 100));
        QVERIFY(!NMailSetOption(NMailOptionStatusBufferSize, 0));
        QCOMPARE(NMailLibrary::statusBufferSize(), 100);
    }

    void endingResetsTheLibrary() {
        QVERIFY(NMailEndWinSock());
        QVERIFY(!NMailLibrary::isInitialized());
        QVERIFY(!NMailEndWinSock());
        QVERIFY(NMailInitializeWinSock());
        QCOMPARE(NMailLibrary::statusBufferSize(), NMailLibrary::defaultStatusBufferSize);
    }
};

QTEST_GUILESS_MAIN(TestNMailSetup)
#include "tst_nmail_setup.moc"
