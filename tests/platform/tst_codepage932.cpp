#include "platform/CodePage932.h"

#include <QTest>

class TestCodePage932 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void encodesTheMicrosoftVariant_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("star of the data folder") << QStringLiteral("★") << QByteArray("\x81\x9A");
        QTest::newRow("NEC circled digit") << QStringLiteral("①") << QByteArray("\x87\x40");
        QTest::newRow("full-width tilde") << QStringLiteral("～") << QByteArray("\x81\x60");
        QTest::newRow("backslash stays ASCII") << QStringLiteral("\\") << QByteArray("\x5C");
        QTest::newRow("half-width katakana") << QStringLiteral("ｱ") << QByteArray("\xB1");
        QTest::newRow("mixed") << QStringLiteral("pop.例え.jp")
                               << QByteArray("pop.\x97\xE1\x82\xA6.jp");
    }
    void encodesTheMicrosoftVariant() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(CodePage932::encode(text), std::optional<QByteArray>(bytes));
        QCOMPARE(CodePage932::decode(bytes), text);
    }

    void refusesWhatItCannotHoldExactly_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("outside the BMP") << QStringLiteral("𠮷野家");
        QTest::newRow("best-fit yen sign") << QStringLiteral("¥100");
        QTest::newRow("accented Latin") << QStringLiteral("café");
    }
    void refusesWhatItCannotHoldExactly() {
        QFETCH(QString, text);
        QVERIFY(!CodePage932::encode(text));
    }

    void decodesBrokenBytesWithoutFailing() {
        QCOMPARE(CodePage932::decode(QByteArray("ab\x81")), QStringLiteral("ab"));
        QVERIFY(CodePage932::decode(QByteArray("\xFF\x00x", 3)).endsWith(QLatin1Char('x')));
    }

    void prefixNeverSplitsADoubleByteCharacter() {
        const QByteArray text("a\x83\x41\x83\x42"); // "aアイ"
        QCOMPARE(CodePage932::wholeCharacterPrefix(text, 2), QByteArrayView("a"));
        QCOMPARE(CodePage932::wholeCharacterPrefix(text, 3), QByteArrayView("a\x83\x41"));
        QCOMPARE(CodePage932::wholeCharacterPrefix(text, 4), QByteArrayView("a\x83\x41"));
        QCOMPARE(CodePage932::wholeCharacterPrefix(text, 9), QByteArrayView(text));
        // A trail byte in the ASCII range does not start a character of its own.
        QCOMPARE(CodePage932::wholeCharacterPrefix(QByteArray("\x83\x41z"), 1), QByteArrayView(""));
    }
};

QTEST_GUILESS_MAIN(TestCodePage932)
#include "tst_codepage932.moc"
