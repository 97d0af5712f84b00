#include "platform/ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

#include "FileContent.h"

namespace {

// The bytes of address space the process takes now.
rlim_t addressSpaceInUse() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(0).toULongLong() *
           static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_path;

    QByteArray read(QByteArrayView section, QByteArrayView key, qsizetype size = 256) {
        return ProfileFile::readString(m_path, section, key, "<default>", size);
    }
    std::optional<QString> write(QByteArrayView key, const QByteArray& value,
                                 ProfileFile::Access access = ProfileFile::Access::Shared) {
        return ProfileFile::writeStrings(m_path, "EXEINI", {{key.toByteArray(), value}}, access);
    }

private Q_SLOTS:
    void init() { m_path = m_dir.filePath(QStringLiteral("test.ini")); }
    void cleanup() { QFile::remove(m_path); }

    void readsWithTheWindowsRules() {
        QVERIFY(writeContent(m_path, "NAME=before any section\r\n"
                                     "[Other]\r\nNAME=other section\r\n"
                                     "  [ exeini ]  \r\n"
                                     "   name   =  padded value  \r\n"
                                     "NAME=second of the same key\r\n"
                                     "Quoted=\"  kept blanks  \"\r\n"
                                     "Single='x'\r\n"
                                     "Unpaired=\"x'\r\n"
                                     "NoEquals\r\n"
                                     "Empty=\n"
                                     "[EXEINI]\r\nLATER=second section of the same name\r\n"));
        QCOMPARE(read("EXEINI", "NAME"), QByteArray("padded value"));
        QCOMPARE(read("other", "name"), QByteArray("other section"));
        QCOMPARE(read("EXEINI", "quoted"), QByteArray("  kept blanks  "));
        QCOMPARE(read("EXEINI", "Single"), QByteArray("x"));
        QCOMPARE(read("EXEINI", "Unpaired"), QByteArray("\"x'"));
        QCOMPARE(read("EXEINI", "NoEquals"), QByteArray(""));
        QCOMPARE(read("EXEINI", "Empty"), QByteArray(""));
        QCOMPARE(read("EXEINI", "LATER"), QByteArray("<default>"));
        QCOMPARE(read("EXEINI", "Missing"), QByteArray("<default>"));
        QCOMPARE(read("Missing", "NAME"), QByteArray("<default>"));
    }

    void readsLoneCrLinesLikeCrLf_data() {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("value") << QByteArray("section1") << QByteArray("name1") << 256
                               << QByteArray("val1");
        QTest::newRow("key in another case")
            << QByteArray("section1") << QByteArray("NaMe1") << 256 << QByteArray("val1");
        QTest::newRow("quotes removed")
            << QByteArray("section1") << QByteArray("name2") << 256 << QByteArray("val2");
        QTest::newRow("last key") << QByteArray("section1") << QByteArray("name4") << 256
                                  << QByteArray("a");
        QTest::newRow("cut by the buffer")
            << QByteArray("section1") << QByteArray("name1") << 4 << QByteArray("val");
        QTest::newRow("not in the next section")
            << QByteArray("section2") << QByteArray("name1") << 256 << QByteArray("<default>");
    }
    void readsLoneCrLinesLikeCrLf() {
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(int, bufferSize);
        QFETCH(QByteArray, expected);
        // The file of Wine's conformance test of lone-CR lines, which Windows reads as CR LF ones.
        const QByteArrayList lines = {"[section1]", "name1=val1", "name2=\"val2\"",
                                      "name3",      "name4=a",    "[section2]"};
        for (const QByteArray& end : {QByteArray("\r"), QByteArray("\r\n")}) {
            QVERIFY(writeContent(m_path, lines.join(end) + end));
            QCOMPARE(read(section, key, bufferSize), expected);
        }
    }

    void missingOrStrangeFilesReadAsDefaults() {
        QCOMPARE(read("EXEINI", "NAME"), QByteArray("<default>"));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("test.ini")));
        QCOMPARE(read("EXEINI", "NAME"), QByteArray("<default>"));
        QVERIFY(QDir(m_dir.path()).rmdir(QStringLiteral("test.ini")));

        QByteArray binary(1 << 20, '\0');
        for (qsizetype i = 0; i < binary.size(); ++i)
            binary[i] = static_cast<char>((i * 7919) % 251);
        QVERIFY(writeContent(m_path, binary));
        QCOMPARE(read("EXEINI", "NAME"), QByteArray("<default>"));
        QCOMPARE(ProfileFile::readInt(m_path, "EXEINI", "NUMBER", 0), 0);
    }

    void saysWhyAnExistingFileCannotBeRead_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<bool>("problem");
        QTest::newRow("missing") << QStringLiteral("missing") << false;
        QTest::newRow("readable") << QStringLiteral("readable") << false;
        QTest::newRow("a folder") << QStringLiteral("folder") << true;
        QTest::newRow("without permission") << QStringLiteral("no permission") << true;
    }
    void saysWhyAnExistingFileCannotBeRead() {
        QFETCH(QString, obstacle);
        QFETCH(bool, problem);
        if (obstacle == u"folder")
            QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("test.ini")));
        if (obstacle != u"missing" && obstacle != u"folder")
            QVERIFY(writeContent(m_path, "[EXEINI]\r\nNUMBER=1\r\n"));
        if (obstacle == u"no permission") {
            QVERIFY(QFile::setPermissions(m_path, QFile::WriteOwner));
            if (QFile file(m_path); file.open(QIODevice::ReadOnly))
                QSKIP("Permission bits do not stop this user's reads (root).");
        }
        QString reason = QStringLiteral("left from before");
        const int number = ProfileFile::readInt(m_path, "EXEINI", "NUMBER", 7, &reason);
        QCOMPARE(number, obstacle == u"readable" ? 1 : 7);
        QCOMPARE(reason.isEmpty(), !problem);
        if (obstacle == u"folder")
            QVERIFY(QDir(m_dir.path()).rmdir(QStringLiteral("test.ini")));
    }

    void cutsValuesLikeAFixedBuffer() {
        const QByteArray longValue(300, 'x');
        QVERIFY(writeContent(m_path, "[EXEINI]\r\nNAME=" + longValue + "\r\nNUL=ab\0cd\r\n"));
        QCOMPARE(read("EXEINI", "NAME"), longValue.left(255));
        QCOMPARE(read("EXEINI", "NAME", 1), QByteArray());
        // A double-byte character whose second byte would fall past the buffer is left out whole.
        QVERIFY(
            writeContent(m_path, "[EXEINI]\r\nNAME=" + QByteArray(254, 'a') + "\x83\x41" + "\r\n"));
        QCOMPARE(read("EXEINI", "NAME"), QByteArray(254, 'a'));
        QVERIFY(writeContent(m_path, QByteArray("[EXEINI]\r\nNUL=ab\0cd\r\n", 21)));
        QCOMPARE(read("EXEINI", "NUL"), QByteArray("ab"));
    }

    void namesFoldOnlyWholeCharacters() {
        // "ア" is 0x83 0x41 and "ャ" 0x83 0x61: their second bytes are 'A' and 'a'. Full-width
        // letters ("Ａ" 0x82 0x60, "ａ" 0x82 0x81) fold like any other letters.
        QVERIFY(writeContent(m_path,
                             "[EXEINI]\r\n\x83\x61=small\r\n\x83\x41=large\r\n\x82\x60=wide\r\n"));
        QCOMPARE(read("EXEINI", "\x83\x41"), QByteArray("large"));
        QCOMPARE(read("exeini", "\x82\x81"), QByteArray("wide"));
    }

    void readsIntegersLikeWindows_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("expected");
        QTest::newRow("one") << QByteArray("NUMBER=1") << 1;
        QTest::newRow("two") << QByteArray("NUMBER=2") << 2;
        QTest::newRow("quoted") << QByteArray("NUMBER=\"1\"") << 1;
        QTest::newRow("trailing text") << QByteArray("NUMBER= -7 apples") << -7;
        QTest::newRow("no digits") << QByteArray("NUMBER=yes") << 0;
        QTest::newRow("empty value gives the default") << QByteArray("NUMBER=") << 42;
        QTest::newRow("missing key gives the default") << QByteArray("OTHER=1") << 42;
        QTest::newRow("wraps past 32 bits") << QByteArray("NUMBER=4294967297") << 1;
    }
    void readsIntegersLikeWindows() {
        QFETCH(QByteArray, line);
        QFETCH(int, expected);
        QVERIFY(writeContent(m_path, "[EXEINI]\r\n" + line + "\r\n"));
        QCOMPARE(ProfileFile::readInt(m_path, "EXEINI", "NUMBER", 42), expected);
    }

    void createsAFreshFileByteExact() {
        QCOMPARE(write("NUMBER", "1"), std::nullopt);
        QCOMPARE(contentOf(m_path), QByteArray("[EXEINI]\r\nNUMBER=1\r\n"));
        QCOMPARE(ProfileFile::writeStrings(m_path, "EXEINI", {{"NAME", "a"}, {"NAME2", "b"}},
                                           ProfileFile::Access::Shared),
                 std::nullopt);
        QCOMPARE(contentOf(m_path), QByteArray("[EXEINI]\r\nNUMBER=1\r\nNAME=a\r\nNAME2=b\r\n"));
    }

    void valuesReadBackAsWritten_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("plain") << QByteArray("pa ss") << QByteArray("NAME2=pa ss");
        QTest::newRow("blanks around") << QByteArray(" pass\t") << QByteArray("NAME2=\" pass\t\"");
        QTest::newRow("quotes around") << QByteArray("'pass'") << QByteArray("NAME2=\"'pass'\"");
        QTest::newRow("double quotes around") << QByteArray("\"\"") << QByteArray("NAME2=\"\"\"\"");
        QTest::newRow("one quote") << QByteArray("pass\"") << QByteArray("NAME2=pass\"");
    }
    void valuesReadBackAsWritten() {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, line);
        QCOMPARE(write("NAME2", value), std::nullopt);
        QCOMPARE(contentOf(m_path), "[EXEINI]\r\n" + line + "\r\n");
        QCOMPARE(read("EXEINI", "NAME2"), value);
    }

    void rewritesInPlaceKeepingEveryOtherLine() {
        const QByteArray before = "; written by hand\n"
                                  "[Other]\r\nNUMBER=7\r\n"
                                  "\r\n"
                                  "[exeINI]\n"
                                  "  Number = 0   \n"
                                  "Odd line without equals\r\n"
                                  "\r\n"
                                  "\r\n"
                                  "[Last]\r\nX=1";
        QVERIFY(writeContent(m_path, before));
        QCOMPARE(write("NUMBER", "1"), std::nullopt);
        QCOMPARE(write("NAME", "new"), std::nullopt);
        QCOMPARE(contentOf(m_path), QByteArray("; written by hand\n"
                                               "[Other]\r\nNUMBER=7\r\n"
                                               "\r\n"
                                               "[exeINI]\n"
                                               "Number=1\n"
                                               "Odd line without equals\r\n"
                                               "NAME=new\r\n"
                                               "\r\n"
                                               "\r\n"
                                               "[Last]\r\nX=1"));
    }

    void savesKeepLoneCrLines_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("replaced line keeps its CR")
            << QByteArray("[EXEINI]\rNUMBER=1\r") << QByteArray("[EXEINI]\rNUMBER=0\r");
        QTest::newRow("added line ends in CR LF")
            << QByteArray("[EXEINI]\rNAME=a\r\r[Other]\rX=1\r")
            << QByteArray("[EXEINI]\rNAME=a\rNUMBER=0\r\n\r[Other]\rX=1\r");
        QTest::newRow("added section after CR lines")
            << QByteArray("[Other]\rX=1\r") << QByteArray("[Other]\rX=1\r[EXEINI]\r\nNUMBER=0\r\n");
        QTest::newRow("lone CR among CR LF lines") << QByteArray("[EXEINI]\r\nNUMBER=1\rX=2\r\n")
                                                   << QByteArray("[EXEINI]\r\nNUMBER=0\rX=2\r\n");
    }
    void savesKeepLoneCrLines() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QVERIFY(writeContent(m_path, before));
        QCOMPARE(write("NUMBER", "0"), std::nullopt);
        QCOMPARE(contentOf(m_path), after);
    }

    void appendsAMissingSectionAfterAnUnendedLastLine() {
        QVERIFY(writeContent(m_path, "[Other]\r\nX=1"));
        QCOMPARE(write("NUMBER", "0"), std::nullopt);
        QCOMPARE(contentOf(m_path), QByteArray("[Other]\r\nX=1\r\n[EXEINI]\r\nNUMBER=0\r\n"));
        QVERIFY(writeContent(m_path, "[EXEINI]"));
        QCOMPARE(write("NUMBER", "0"), std::nullopt);
        QCOMPARE(contentOf(m_path), QByteArray("[EXEINI]\r\nNUMBER=0\r\n"));
    }

    void ownerOnlyFilesStayPrivate() {
        QVERIFY(writeContent(m_path, "[EXEINI]\r\n"));
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ReadGroup | QFile::ReadOther));
        QCOMPARE(write("NAME2", "secret", ProfileFile::Access::OwnerOnly), std::nullopt);
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFile::permissions(m_path) & others, QFile::Permissions());
        QVERIFY(QFile::permissions(m_path).testFlags(QFile::ReadOwner | QFile::WriteOwner));
    }

    void failedWritesLeaveNothingTorn() {
        // A folder in the file's place cannot be replaced; a file in the folder's place cannot
        // hold the file.
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("test.ini")));
        QVERIFY(write("NUMBER", "1").has_value());
        QVERIFY(QDir(m_dir.path()).rmdir(QStringLiteral("test.ini")));

        QVERIFY(writeContent(m_dir.filePath(QStringLiteral("notafolder")), "x"));
        const auto failure =
            ProfileFile::writeStrings(m_dir.filePath(QStringLiteral("notafolder/test.ini")),
                                      "EXEINI", {{"NUMBER", "1"}}, ProfileFile::Access::Shared);
        QVERIFY(failure.has_value());
        QVERIFY(!failure->isEmpty());
    }

    void smallFilesReadInLittleAddressSpace() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer keeps address space of its own.");
#endif
        // 16 MiB more than the process takes: room for a small file, not for a buffer as large
        // as the largest file read.
        QVERIFY(writeContent(m_path, "[EXEINI]\r\nNAME=small\r\n"));
        rlimit before = {};
        QCOMPARE(::getrlimit(RLIMIT_AS, &before), 0);
        rlimit tight = before;
        tight.rlim_cur = qMin(before.rlim_cur, addressSpaceInUse() + (16 << 20));
        QCOMPARE(::setrlimit(RLIMIT_AS, &tight), 0);
        QByteArray value;
        try {
            value = read("EXEINI", "NAME");
        } catch (const std::bad_alloc&) {
            value = "<out of memory>";
        }
        QCOMPARE(::setrlimit(RLIMIT_AS, &before), 0);
        QCOMPARE(value, QByteArray("small"));
    }

    void hugeFilesAreReadButNeverCutShort() {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray filler = QByteArray(1023, 'z') + '\n';
        file.write("[EXEINI]\r\n");
        for (int i = 0; i < 50 * 1024; ++i) // 50 MB of lines
            file.write(filler);
        file.write("NAME=at the end\r\n");
        file.close();
        QCOMPARE(read("EXEINI", "NAME"), QByteArray("at the end"));

        QVERIFY(file.resize(ProfileFile::maxFileBytes + 1));
        const QByteArray head = contentOf(m_path).left(64);
        QVERIFY(write("NUMBER", "1").has_value());
        QCOMPARE(QFileInfo(m_path).size(), ProfileFile::maxFileBytes + 1);
        QCOMPARE(contentOf(m_path).left(64), head);
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
