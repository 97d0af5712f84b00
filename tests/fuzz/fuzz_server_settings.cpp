// Feeds any bytes to the reader of "vbmail.ini" as the file. Whatever the bytes: every value read
// is at most 100 characters; a field is set the same whatever it held before, and kept when no
// line can be for it; saving the settings read changes no byte of the file; a changed value
// saves and loads back, the others as they were.

#include "settings/ServerSettingsFile.h"

#include "FileContent.h"
#include "FuzzFolder.h"

#include <QDir>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype maxValueLength = 100;
constexpr qsizetype maxServerSettingsFileBytes = 16 * 1024;
constexpr qint16 unsetFlag = 12345;

struct TextField {
    QByteArrayView prefix;
    QString SettingsStore::*field;
};
const TextField textFields[] = {{"SMTP=", &SettingsStore::SmtpServer},
                                {"POP3=", &SettingsStore::Pop3Server},
                                {"MAIL=", &SettingsStore::MailAddress}};

// A text no line can give, being longer than any value read.
const QString unsetText(maxValueLength + 1, QLatin1Char('?'));

bool sameServers(const SettingsStore& a, const SettingsStore& b) {
    for (const auto& [prefix, field] : textFields)
        if (a.*field != b.*field)
            return false;
    return a.ApopFlag == b.ApopFlag;
}

// The reader takes the file from the working directory; the fuzzer's own stays what it was.
class InFolder {
public:
    explicit InFolder(const QString& folder) : m_before(::open(".", O_RDONLY | O_DIRECTORY)) {
        require(m_before >= 0 && QDir::setCurrent(folder));
    }
    ~InFolder() {
        require(::fchdir(m_before) == 0);
        ::close(m_before);
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    int m_before;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    static const QString folder = fuzzFolder();
    const InFolder inFolder(folder);
    const QString fileName = QString::fromLatin1(serverSettingsFileName);
    require(writeContent(fileName, input));

    SettingsStore unset;
    for (const auto& [prefix, field] : textFields)
        unset.*field = unsetText;
    unset.ApopFlag = unsetFlag;
    LoadServerSettings(unset);
    SettingsStore fresh;
    LoadServerSettings(fresh);

    for (const auto& [prefix, field] : textFields) {
        const bool set = unset.*field != unsetText;
        require(!set || input.contains(prefix));
        require(set ? fresh.*field == unset.*field : (fresh.*field).isEmpty());
        require((fresh.*field).size() <= maxValueLength);
    }
    const bool apopSet = unset.ApopFlag != unsetFlag;
    require(!apopSet || input.contains("APOP="));
    require(apopSet ? fresh.ApopFlag == unset.ApopFlag
                    : fresh.ApopFlag == 0 || fresh.ApopFlag == unsetFlag);

    // A file too large to be the program's is never replaced; any other takes a save.
    const SaveResult unchanged = SaveServerSettings(ServerSettingsChanges::allOf(fresh));
    require(contentOf(fileName) == input);
    require(!unchanged || input.size() > maxServerSettingsFileBytes);

    SettingsStore changed = fresh;
    changed.Pop3Server = QStringLiteral("pop3s://changed.example.jp");
    if (SaveServerSettings({.Pop3Server = changed.Pop3Server}))
        return 0;
    SettingsStore loadedBack;
    LoadServerSettings(loadedBack);
    require(sameServers(loadedBack, changed));
    return 0;
}
