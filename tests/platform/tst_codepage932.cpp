#include "platform/CodePage932.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {
const auto python = QStringLiteral("/usr/bin/python3");

// Python's cp932 codec is Microsoft's table. It prints one token per input, in the order
// agreesWithPythonOnEveryInput walks them: every byte and every pair of bytes as
// "bytes:UTF-16 units" ("!" when a strict decode fails), then every BMP code point as
// "U+code:bytes" ("-" when the character does not come back from its bytes).
constexpr auto pythonTable = R"(
ibm = {}
for lead in (0xfa, 0xfb, 0xfc):
    for trail in range(256):
        try:
            ibm.setdefault(bytes([lead, trail]).decode('cp932'), bytes([lead, trail]))
        except UnicodeDecodeError:
            pass

def decoded(data):
    try:
        data.decode('cp932')
        broken = ''
    except UnicodeDecodeError:
        broken = '!'
    text = data.decode('cp932', 'replace')
    return data.hex() + ':' + '.'.join('%04x' % ord(c) for c in text) + broken

# The forms Linux input methods type, written as Windows writes them (its best fit).
typed = {0x301c: '8160', 0x2212: '817c', 0x2016: '8161', 0x2014: '815c', 0x00a2: '8191',
         0x00a3: '8192', 0x00ac: '81ca'}

def encoded(code):
    if code in typed:
        return 'U+%04x:%s' % (code, typed[code])
    character = chr(code)
    try:
        data = character.encode('cp932')
    except UnicodeEncodeError:
        data = None
    if data is None or data.decode('cp932', 'replace') != character:
        return 'U+%04x:-' % code
    # Python writes NEC's copies of the IBM extensions (ED, EE); Windows, and so the program,
    # writes IBM's own pair (FA-FC) for the same character.
    if data[0] in (0xed, 0xee):
        data = ibm[character]
    return 'U+%04x:%s' % (code, data.hex())

tokens = [decoded(bytes([byte])) for byte in range(256)]
tokens += [decoded(bytes([lead, trail])) for lead in range(256) for trail in range(256)]
tokens += [encoded(code) for code in range(0x10000)]
print(' '.join(tokens))
)";

QByteArray hex4(int value) {
    return QByteArray::number(value, 16).rightJustified(4, '0');
}

QByteArray decodedToken(QByteArrayView bytes) {
    bool valid = false;
    QByteArrayList units;
    for (const QChar unit : CodePage932::decode(bytes, &valid))
        units.append(hex4(unit.unicode()));
    return bytes.toByteArray().toHex() + ':' + units.join('.') + (valid ? "" : "!");
}

QByteArray encodedToken(char16_t code) {
    const std::optional<QByteArray> bytes = CodePage932::encode(QStringView(&code, 1));
    return "U+" + hex4(code) + ':' + (bytes ? bytes->toHex() : QByteArray("-"));
}
} // namespace

class TestCodePage932 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void encodesTheMicrosoftVariant_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("star of the data folder") << QStringLiteral("★") << QByteArray("\x81\x9A");
        QTest::newRow("NEC circled digit") << QStringLiteral("①") << QByteArray("\x87\x40");
        QTest::newRow("IBM extension in IBM's form")
            << QStringLiteral("纊") << QByteArray("\xFA\x5C");
        QTest::newRow("full-width tilde") << QStringLiteral("～") << QByteArray("\x81\x60");
        QTest::newRow("backslash stays ASCII") << QStringLiteral("\\") << QByteArray("\x5C");
        QTest::newRow("control codes in place")
            << QStringLiteral("\x1A\x1C\x7F") << QByteArray("\x1A\x1C\x7F");
        QTest::newRow("Windows' single bytes")
            << QStringLiteral("\u0080\uF8F0\uF8F1\uF8F3") << QByteArray("\x80\xA0\xFD\xFF");
        QTest::newRow("half-width katakana") << QStringLiteral("ｱ") << QByteArray("\xB1");
        QTest::newRow("mixed") << QStringLiteral("pop.例え.jp")
                               << QByteArray("pop.\x97\xE1\x82\xA6.jp");
    }
    void encodesTheMicrosoftVariant() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(CodePage932::encode(text), std::optional<QByteArray>(bytes));
        bool valid = false;
        QCOMPARE(CodePage932::decode(bytes, &valid), text);
        QVERIFY(valid);
    }

    // What Linux input methods type for some of the code page's characters is stored as Windows
    // stores it, and reads back as Windows reads it.
    void storesTypedFormsAsWindowsDoes_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("wave dash") << QStringLiteral("〜") << QByteArray("\x81\x60") << "～";
        QTest::newRow("minus sign") << QStringLiteral("−") << QByteArray("\x81\x7C") << "－";
        QTest::newRow("double vertical line")
            << QStringLiteral("‖") << QByteArray("\x81\x61") << "∥";
        QTest::newRow("em dash") << QStringLiteral("—") << QByteArray("\x81\x5C") << "―";
        QTest::newRow("cent, pound, not")
            << QStringLiteral("¢£¬") << QByteArray("\x81\x91\x81\x92\x81\xCA") << "￠￡￢";
    }
    void storesTypedFormsAsWindowsDoes() {
        QFETCH(QString, typed);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, readBack);
        QCOMPARE(CodePage932::encode(typed), std::optional<QByteArray>(bytes));
        QCOMPARE(CodePage932::decode(bytes), readBack);
        QCOMPARE(CodePage932::encode(readBack), std::optional<QByteArray>(bytes));
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

    void decodesBrokenBytesWithoutFailing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("lead byte cut off") << QByteArray("ab\x81") << QStringLiteral("ab\uFFFD");
        QTest::newRow("ASCII after a lead byte")
            << QByteArray("\x81\x7Fx") << QStringLiteral("\uFFFD\x7Fx");
        QTest::newRow("unassigned pair") << QByteArray("\x85\x40") << QStringLiteral("\uFFFD@");
    }
    void decodesBrokenBytesWithoutFailing() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        bool valid = true;
        QCOMPARE(CodePage932::decode(bytes, &valid), text);
        QVERIFY(!valid);
    }

    void agreesWithPythonOnEveryInput() {
        if (!QFileInfo::exists(python))
            QSKIP("/usr/bin/python3 is missing: its cp932 codec gives the expected table");
        QProcess process;
        process.start(python, {QStringLiteral("-c"), QString::fromUtf8(pythonTable)});
        QVERIFY(process.waitForFinished(60000));
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                 process.readAllStandardError().constData());
        const QByteArrayList expected = process.readAllStandardOutput().trimmed().split(' ');
        QCOMPARE(expected.size(), 256 + 0x10000 + 0x10000);

        qsizetype next = 0;
        for (int byte = 0; byte < 256; ++byte) {
            const char single = static_cast<char>(byte);
            QCOMPARE(decodedToken(QByteArrayView(&single, 1)), expected[next++]);
        }
        for (int pair = 0; pair < 0x10000; ++pair) {
            const char bytes[] = {static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)};
            QCOMPARE(decodedToken(QByteArrayView(bytes, 2)), expected[next++]);
        }
        for (int code = 0; code < 0x10000; ++code)
            QCOMPARE(encodedToken(static_cast<char16_t>(code)), expected[next++]);
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
