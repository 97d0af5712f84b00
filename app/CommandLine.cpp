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

QtMessageHandler qtHandler = nullptr;
bool displayRefused = false;

// These lines come before Qt, and its translations, are there: the locale's messages category
// says the language, as the C library reads it.
bool japanese() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QByteArray value = qgetenv(variable);
        if (!value.isEmpty())
            return value.startsWith("ja");
    }
    return false;
}

const char* localised(const char* english, const char* inJapanese) {
    return japanese() ? inJapanese : english;
}

[[noreturn]] void exitWithoutDisplay(const QByteArray& reason) {
    std::fprintf(stderr,
                 localised("ぽまりん needs a graphical desktop, but %s.\n",
                           "ぽまりんにはグラフィカルなデスクトップが必要ですが、%s。\n"),
                 reason.constData());
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
        const QByteArray display = qgetenv("DISPLAY");
        exitWithoutDisplay(japanese() ? "ディスプレイ " + display + " を開けませんでした"
                                      : "the display " + display + " could not be opened");
    }
    qtHandler(type, context, message);
}

void printHelp() {
    std::fputs(
        localised(
            "usage: pomarin [--config-folder | --version | --help]\n"
            "ぽまりん, a desktop mascot that checks one POP3 mailbox when asked.\n"
            "Its settings are vbmail.ini in the current directory and the files in the\n"
            "★MailData folder beside the program, or in ~/.config/pomarin when it is\n"
            "installed. --config-folder starts it in ~/.config/pomarin (or\n"
            "$XDG_CONFIG_HOME/pomarin), so that vbmail.ini is kept there too: the desktop\n"
            "menu starts it so.\n",
            "使い方: pomarin [--config-folder | --version | --help]\n"
            "ぽまりん: 頼まれたときに POP3 "
            "のメールボックスを一つ調べるデスクトップマスコット。\n"
            "設定は、今いるディレクトリの vbmail.ini と、プログラムの隣の ★MailData\n"
            "フォルダー（インストールしたときは ~/.config/pomarin）のファイルです。\n"
            "--config-folder を付けると ~/.config/pomarin（または $XDG_CONFIG_HOME/pomarin）\n"
            "で起動し、vbmail.ini "
            "もそこに置きます。デスクトップのメニューはこうして起動します。\n"),
        stdout);
}

// Makes the user's settings folder the working directory; the exit status when it cannot.
std::optional<int> enterSettingsFolder() {
    // Without either, the folder would be guessed at the root of the file system.
    if (qEnvironmentVariableIsEmpty("HOME") &&
        !qEnvironmentVariable("XDG_CONFIG_HOME").startsWith(QLatin1Char('/'))) {
        std::fputs(localised("ぽまりん has no home folder (HOME is not set) to keep its settings "
                             "in.\n",
                             "ぽまりんには設定を置くホームフォルダーがありません（HOME が設定されて"
                             "いません）。\n"),
                   stderr);
        return 1;
    }
    const QString folder = userSettingsFolder();
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
        std::fprintf(
            stderr,
            localised("ぽまりん could not make or enter its settings folder %s.\n",
                      "ぽまりんは設定フォルダー %s を作ることも、そこに入ることもできません"
                      "でした。\n"),
            qPrintable(folder));
        return 1;
    }
    return std::nullopt;
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
        printHelp();
        return 0;
    }
    if (std::strcmp(argv[1], "--config-folder") == 0)
        return enterSettingsFolder();
    return std::nullopt;
}

void requireDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        exitWithoutDisplay(
            localised("no display was found (DISPLAY is not set)",
                      "ディスプレイが見つかりません（DISPLAY が設定されていません）"));
    qtHandler = qInstallMessageHandler(reportDisplayFailure);
}
