#include "platform/ProfileFile.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <future>
#include <new>
#include <sys/file.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

ino_t inodeOf(const QString& path) {
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

const QByteArray mark = "\xEF\xBB\xBF";

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
    void cleanup() {
        QFile::remove(m_path);
        QFile::remove(m_path + QStringLiteral(".new"));
    }

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

    void readsLoneCrLinesAndMarkedFilesLikeCrLf_data() {
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
    void readsLoneCrLinesAndMarkedFilesLikeCrLf() {
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(int, bufferSize);
        QFETCH(QByteArray, expected);
        // The file of Wine's conformance test of lone-CR lines, which Windows reads as CR LF ones;
        // and the same after a UTF-8 byte-order mark.
        const QByteArrayList lines = {"[section1]", "name1=val1", "name2=\"val2\"",
                                      "name3",      "name4=a",    "[section2]"};
        for (const QByteArray& start : {QByteArray(), mark})
            for (const QByteArray& end : {QByteArray("\r"), QByteArray("\r\n")}) {
                QVERIFY(writeContent(m_path, start + lines.join(end) + end));
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
        QTest::addColumn<QString>("problem");
        QTest::newRow("missing") << QStringLiteral("missing") << QString();
        QTest::newRow("readable") << QStringLiteral("readable") << QString();
        QTest::newRow("a folder") << QStringLiteral("folder")
                                  << QStringLiteral("同じ名前のフォルダがあります。");
        QTest::newRow("a pipe") << QStringLiteral("pipe")
                                << QStringLiteral("通常のファイルではありません。");
        QTest::newRow("without permission")
            << QStringLiteral("no permission") << QStringLiteral("アクセスが拒否されました。");
    }
    void saysWhyAnExistingFileCannotBeRead() {
        QFETCH(QString, obstacle);
        QFETCH(QString, problem);
        if (obstacle == u"folder")
            QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("test.ini")));
        if (obstacle == u"pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(m_path).constData(), 0600), 0);
        if (obstacle == u"readable" || obstacle == u"no permission")
            QVERIFY(writeContent(m_path, "[EXEINI]\r\nNUMBER=1\r\n"));
        // Permission bits do not stop root's reads: root reads as "nobody" then.
        const bool asNobody = obstacle == u"no permission" && ::geteuid() == 0;
        if (obstacle == u"no permission")
            QVERIFY(QFile::setPermissions(m_path, QFile::WriteOwner));
        if (asNobody)
            ::setfsuid(65534);
        QString reason = QStringLiteral("left from before");
        const int number = ProfileFile::readInt(m_path, "EXEINI", "NUMBER", 7, &reason);
        if (asNobody)
            ::setfsuid(0);
        QCOMPARE(number, obstacle == u"readable" ? 1 : 7);
        QCOMPARE(reason, problem);
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

    void savesKeepLineEndsAndMark_data() {
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
        QTest::newRow("byte-order mark before the section")
            << mark + "[EXEINI]\r\nNAME=a\r\n"
            << mark + "[EXEINI]\r\nNAME=a\r\nNUMBER=0\r\n";
        QTest::newRow("only a byte-order mark") << mark << mark + "[EXEINI]\r\nNUMBER=0\r\n";
    }
    void savesKeepLineEndsAndMark() {
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

    void savesOnlyValuesThatChanged_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QList<ProfileFile::Entry>>("entries");
        QTest::addColumn<QByteArray>("after");
        const QByteArray padded = "[EXEINI]\r\n  Name = \"value\"  \r\nNUMBER=1\r\n";
        const QByteArray nul("[EXEINI]\r\nNAME=ab\0cd\r\n", 21);
        const QByteArray marked = mark + "[exeini]\rName='x'\rNUMBER\r";
        QTest::newRow("blanks and quotes")
            << padded << QList<ProfileFile::Entry>{{"NAME", "value"}} << padded;
        QTest::newRow("bytes after a NUL")
            << nul << QList<ProfileFile::Entry>{{"NAME", "ab"}} << nul;
        QTest::newRow("marked, lone CRs, other case, no equals")
            << marked << QList<ProfileFile::Entry>{{"NAME", "x"}, {"number", ""}} << marked;
        QTest::newRow("one of two changed")
            << padded << QList<ProfileFile::Entry>{{"NAME", "value"}, {"NUMBER", "2"}}
            << QByteArray("[EXEINI]\r\n  Name = \"value\"  \r\nNUMBER=2\r\n");
        QTest::newRow("first of two equal keys") << QByteArray("[EXEINI]\r\nNAME=a\r\nNAME=b\r\n")
                                                 << QList<ProfileFile::Entry>{{"NAME", "b"}}
                                                 << QByteArray("[EXEINI]\r\nNAME=b\r\nNAME=b\r\n");
        QTest::newRow("absent key added")
            << nul << QList<ProfileFile::Entry>{{"NAME2", ""}} << nul + "NAME2=\r\n";
    }
    void savesOnlyValuesThatChanged() {
        QFETCH(QByteArray, before);
        QFETCH(QList<ProfileFile::Entry>, entries);
        QFETCH(QByteArray, after);
        QVERIFY(writeContent(m_path, before));
        const QDateTime earlier = QDateTime::currentDateTimeUtc().addSecs(-3600);
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadOnly) &&
                file.setFileTime(earlier, QFileDevice::FileModificationTime));
        const ino_t inode = inodeOf(m_path);
        QCOMPARE(ProfileFile::writeStrings(m_path, "EXEINI", entries, ProfileFile::Access::Shared),
                 std::nullopt);
        QCOMPARE(contentOf(m_path), after);
        if (after == before) {
            QCOMPARE(QFileInfo(m_path).lastModified(), earlier);
            QCOMPARE(inodeOf(m_path), inode);
            QVERIFY(!QFile::exists(m_path + QStringLiteral(".new")));
        }
    }

    void concurrentSavesKeepEachOthersChanges() {
        // Each side checks before each save that its own key still holds the value it saved last:
        // a save that read the file before the other side's save and wrote after it would have put
        // back the older value.
        constexpr int rounds = 100;
        const auto saveRounds = [this](const QByteArray& key) {
            int lostOrFailed = 0;
            for (int round = 1; round <= rounds; ++round) {
                if (ProfileFile::readString(m_path, "EXEINI", key, "0", 16) !=
                    QByteArray::number(round - 1))
                    ++lostOrFailed;
                if (ProfileFile::writeStrings(m_path, "EXEINI", {{key, QByteArray::number(round)}},
                                              ProfileFile::Access::Shared))
                    ++lostOrFailed;
            }
            return lostOrFailed;
        };
        auto first = std::async(std::launch::async, saveRounds, QByteArray("FIRST"));
        auto second = std::async(std::launch::async, saveRounds, QByteArray("SECOND"));
        QCOMPARE(first.get(), 0);
        QCOMPARE(second.get(), 0);
        QCOMPARE(read("EXEINI", "FIRST"), QByteArray::number(rounds));
        QCOMPARE(read("EXEINI", "SECOND"), QByteArray::number(rounds));
    }

    void readsAHeadUpToTheLimitGiven() {
        const QByteArray content(4097, 'x');
        QVERIFY(writeContent(m_path, content));
        QString problem = QStringLiteral("left from before");
        QCOMPARE(ProfileFile::readFileHead(m_path, &problem, 4096 + 1), content);
        QCOMPARE(ProfileFile::readFileHead(m_path, &problem, 10), content.left(10));
        QCOMPARE(problem, QString());
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

    void failedWritesLeaveNothingTorn_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QString>("reason"); // empty: the system's words
        const QString folder = QStringLiteral("同じ名前のフォルダがあります。");
        QTest::newRow("folder in the file's place") << QStringLiteral("folder") << false << folder;
        QTest::newRow("folder in the file's place, written whole")
            << QStringLiteral("folder") << true << folder;
        QTest::newRow("file in the folder's place") << QStringLiteral("file") << false << QString();
        QTest::newRow("another save holds the lock")
            << QStringLiteral("lock") << false
            << QStringLiteral("ほかのプログラムがこのファイルを保存中です。"
                              "しばらくしてからもう一度保存してください。");
    }
    void failedWritesLeaveNothingTorn() {
        QFETCH(QString, obstacle);
        QFETCH(bool, whole);
        QFETCH(QString, reason);
        QString path = m_path;
        int lock = -1;
        if (obstacle == u"folder")
            QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("test.ini")));
        if (obstacle == u"file")
            path = m_path + QStringLiteral("/test.ini");
        if (obstacle != u"folder")
            QVERIFY(writeContent(m_path, "[EXEINI]\r\nNUMBER=0\r\n"));
        if (obstacle == u"lock") {
            lock = ::open(QFile::encodeName(m_path + QStringLiteral(".new")).constData(),
                          O_CREAT | O_RDWR, 0600);
            QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX) == 0);
        }
        const QByteArray before = contentOf(m_path);
        const auto failure = whole ? ProfileFile::rewriteFile(
                                         path, ProfileFile::maxProfileFileBytes,
                                         [](QByteArrayView) -> std::optional<QByteArray> {
                                             return "[EXEINI]\r\nNUMBER=1\r\n";
                                         },
                                         ProfileFile::Access::Shared)
                                   : ProfileFile::writeStrings(path, "EXEINI", {{"NUMBER", "1"}},
                                                               ProfileFile::Access::Shared);
        if (lock >= 0)
            ::close(lock);
        QVERIFY(failure.has_value());
        QCOMPARE(reason.isEmpty() ? QString() : *failure, reason);
        QVERIFY(!failure->isEmpty());
        QCOMPARE(contentOf(m_path), before);
        QCOMPARE(QFile::exists(m_path + QStringLiteral(".new")), obstacle == u"lock");
        if (obstacle == u"folder")
            QVERIFY(QDir(m_dir.path()).rmdir(QStringLiteral("test.ini")));
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

        QVERIFY(file.resize(ProfileFile::maxProfileFileBytes + 1));
        const QByteArray head = contentOf(m_path).left(64);
        QCOMPARE(write("NUMBER", "1"), QStringLiteral("ファイルが大きすぎます（%1 バイトまで）。")
                                           .arg(ProfileFile::maxProfileFileBytes));
        QCOMPARE(QFileInfo(m_path).size(), ProfileFile::maxProfileFileBytes + 1);
        QCOMPARE(contentOf(m_path).left(64), head);
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
