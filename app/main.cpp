#include "app/CommandLine.h"
#include "app/MainForm.h"
#include "app/QtTexts.h"
#include "app/SecondStart.h"
#include "app/UiFont.h"

#include "platform/HeapPolicy.h"
#include "platform/NMailLibrary.h"
#include "resources/ProgramIcon.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    if (const auto status = answerCommandLine(argc, argv))
        return *status;

    // The courier places itself anywhere on the screen, which only X11 allows: on a Wayland
    // session run through XWayland unless another platform was asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        (qgetenv("XDG_SESSION_TYPE") == "wayland" ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")))
        qputenv("QT_QPA_PLATFORM", "xcb");
    requireDisplay();
    // The windows are small: shared-memory images save nothing, and each of them costs a wake-up
    // for its completion event, which an idle mascot pays every step of its stage.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");

    // The one menu stays in the window: handed to a desktop's global menu it would be out of
    // reach, Alt+F included, wherever no applet shows it.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    QApplication application(argc, argv);
    // Also the window class that window managers show and match: plain ASCII, as X11 expects.
    QApplication::setApplicationName(QStringLiteral("Pomarin"));
    if (const auto status = handOverToRunningCopy())
        return *status;
    QApplication::setFont(uiFont(9));
    // Every window, message boxes included, carries the program's icon.
    QApplication::setWindowIcon(programIcon());
    if (!installJapaneseQtTexts())
        qWarning("Qt's Japanese translations (qt6-translations-l10n) are missing: "
                 "its buttons will read in English.");
    if (!uiFontShowsJapanese())
        qWarning("No installed font shows Japanese (install fonts-ipafont-gothic or "
                 "fonts-noto-cjk): every label will read as boxes.");
    // The heap keeps a TLS check's batch buffers, and gives them back once its connection closes.
    HeapPolicy::keepBatchBuffersInHeap();
    NMailLibrary::setAfterCloseHook(HeapPolicy::giveBackKeptHeap);
    MainForm::instance();
    return QApplication::exec();
}
