#include "app/CommandLine.h"

#include "platform/ProgramFolders.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* needsDesktop = "ぽまりん needs a graphical desktop, but ";

QtMessageHandler qtHandler = nullptr;
bool displayRefused = false;

[[noreturn]] void exitWithoutDisplay(const char* reason) {
    std::fprintf(stderr, "%s%s.\n", needsDesktop, reason);
    std::_Exit(1);
}

// Qt's X11 plugin warns that it could not connect, the plugin loader warns that the plugin did not
// load, and the application aborts with a fatal message about platform plugins. Only the first
// tells the cause; what follows it is said in one line of ours.
void reportDisplayFailure(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    if (type == QtWarningMsg && context.category &&
        std::strcmp(context.category, "qt.qpa.xcb") == 0 &&
        message.startsWith(QLatin1String("could not connect to display"))) {
        displayRefused = true;
        return;
    }
    if (displayRefused) {
        if (type != QtFatalMsg)
            return;
        const QByteArray reason = "the display " + qgetenv("DISPLAY") + " could not be opened";
        exitWithoutDisplay(reason.constData());
    }
    qtHandler(type, context, message);
}

} // namespace

std::optional<int> answerCommandLine(int argc, char* argv[]) {
    if (argc != 2)
        return std::nullopt;
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("pomarin %s\n", POMARIN_VERSION);
        return 0;
    }
    if (std::strcmp(argv[1], "--help") == 0) {
        std::printf("usage: pomarin [--config-folder | --version | --help]\n"
                    "ぽまりん, a desktop mascot that checks one POP3 mailbox when asked.\n"
                    "Its settings are vbmail.ini in the current directory and the files in the\n"
                    "★MailData folder beside the program, or in ~/.config/pomarin when it is\n"
                    "installed. --config-folder starts it in ~/.config/pomarin (or\n"
                    "$XDG_CONFIG_HOME/pomarin), so that vbmail.ini is kept there too: the desktop\n"
                    "menu starts it so.\n");
        return 0;
    }
    if (std::strcmp(argv[1], "--config-folder") == 0) {
        // Without either, the folder would be guessed at the root of the file system.
        if (qEnvironmentVariableIsEmpty("HOME") &&
            !qEnvironmentVariable("XDG_CONFIG_HOME").startsWith(QLatin1Char('/'))) {
            std::fprintf(stderr, "ぽまりん has no home folder (HOME is not set) to keep its "
                                 "settings in.\n");
            return 1;
        }
        const QString folder = userSettingsFolder();
        if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
            std::fprintf(stderr, "ぽまりん could not make or enter its settings folder %s.\n",
                         qPrintable(folder));
            return 1;
        }
    }
    return std::nullopt;
}

void requireDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        exitWithoutDisplay("no display was found (DISPLAY is not set)");
    qtHandler = qInstallMessageHandler(reportDisplayFailure);
}
