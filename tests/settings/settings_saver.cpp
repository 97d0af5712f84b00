// Saves the three settings files for tst_crashsafesaves, which kills it at random moments.
// "once a" and "once b" save one of two sets of settings and end; "loop" says "ready" and then
// saves the sets in turn until it is killed, with a dot after each set saved. The files go to the
// working directory and to the data folder beside this program, so the test runs a copy of it in a
// temporary folder.

#include "settings/AccountFile.h"
#include "settings/OptionFile.h"
#include "settings/ServerSettingsFile.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

struct Settings {
    QString smtp, pop3, mail;
    qint16 apop;
    QString option, id, password;
};

// The two sets differ in length, so that a file cut short or mixed from both would show.
const Settings sets[] = {
    {QStringLiteral("smtp.") + QString(80, u'a') + QStringLiteral(".jp"),
     QStringLiteral("pop.example.jp"), QStringLiteral("me@example.jp"), 0, QStringLiteral("0"),
     QString(120, u'i'), QStringLiteral("パスワード")},
    {QStringLiteral("smtp.example.jp"), QStringLiteral("pop3s://pop.example.jp:995"),
     QStringLiteral("ぽまりん <pomarin@example.jp>"), 1, QStringLiteral("1"),
     QStringLiteral("pomarin"), QString(200, u'p')},
};

// Says why on the standard error when a save fails, as the program says it in a box.
bool save(const Settings& settings) {
    SettingsStore store;
    store.SmtpServer = settings.smtp;
    store.Pop3Server = settings.pop3;
    store.MailAddress = settings.mail;
    store.ApopFlag = settings.apop;
    SaveResult failure = SaveServerSettings(ServerSettingsChanges::allOf(store));
    if (!failure)
        failure = WriteDisconnectOption(settings.option);
    if (!failure)
        failure = SaveAccount({}, {settings.id, settings.password, true});
    if (failure)
        std::fprintf(stderr, "%s\n", qUtf8Printable(failure->message));
    return !failure;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments[1] == u"once")
        return save(sets[arguments[2] == u"b" ? 1 : 0]) ? 0 : 1;
    if (arguments.size() != 2 || arguments[1] != u"loop")
        return 2;
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int turn = 1;; turn = 1 - turn) {
        if (!save(sets[turn]))
            return 1;
        std::fputc('.', stdout);
        std::fflush(stdout);
    }
}
