#include "app/HomePage.h"

#include "ui/MessageBoxes.h"

#include "platform/ProgramFolders.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>

namespace {

void sayNoBrowser(QWidget* parent, const QUrl& address) {
    MessageBoxes::error(parent,
                        QStringLiteral("ホームページを開けるウェブブラウザーが見つかりません。\n"
                                       "ブラウザーで次のページを開いてください。\n%1")
                            .arg(address.toString()));
}

// A browser that was there but failed: said with how it ended, so that it can be looked into.
void sayBrowserFailed(QWidget* parent, const QUrl& address, const QString& howItEnded) {
    MessageBoxes::error(parent,
                        QStringLiteral("ウェブブラウザーがホームページを開けませんでした（%1）。\n"
                                       "ブラウザーで次のページを開いてください。\n%2")
                            .arg(howItEnded, address.toString()));
}

// xdg-open's exit status for "a required tool could not be found": no browser at all.
constexpr int xdgOpenFoundNoTool = 3;

// xdg-open says that no browser took the page only by its exit status, which QDesktopServices,
// starting it detached, never reads. It may also wait for the browser it started, so it is
// watched rather than waited for.
void openWithXdgOpen(const QString& xdgOpen, QWidget* parent, const QUrl& address) {
    auto* process = new QProcess(qApp);
    const QPointer<QWidget> owner = parent;
    QObject::connect(process, &QProcess::finished, process,
                     [process, owner, address](int exitCode, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit)
                             sayBrowserFailed(owner, address, QStringLiteral("異常終了"));
                         else if (exitCode == xdgOpenFoundNoTool)
                             sayNoBrowser(owner, address);
                         else if (exitCode != 0)
                             sayBrowserFailed(owner, address,
                                              QStringLiteral("終了コード %1").arg(exitCode));
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, owner, address](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         sayNoBrowser(owner, address);
                         process->deleteLater();
                     });
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(xdgOpen, {address.toString(QUrl::FullyEncoded)});
}

} // namespace

QUrl homePageAddress() {
    const QString built = QStringLiteral(POMARIN_HOME_PAGE);
    if (!built.isEmpty())
        return QUrl(built);
    return QUrl::fromLocalFile(shippedFilesFolder() + QStringLiteral("/homepage/index.html"));
}

void openHomePage(QWidget* parent) {
    const auto answer = MessageBoxes::show(
        parent, QMessageBox::Question, QStringLiteral("確認"),
        QStringLiteral("「ちくわ商会」作者のホームページです。ちょっと見てみますか？"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    const QUrl address = homePageAddress();
    if (address.isLocalFile() && !QFileInfo::exists(address.toLocalFile())) {
        MessageBoxes::error(parent, QStringLiteral("ホームページのファイルが見つかりません。\n%1")
                                        .arg(address.toLocalFile()));
        return;
    }
    if (const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        !xdgOpen.isEmpty())
        openWithXdgOpen(xdgOpen, parent, address);
    else if (!QDesktopServices::openUrl(address))
        sayNoBrowser(parent, address);
}
