#include "app/HomePage.h"

#include "settings/MessageBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace {

QString shippedPagePath() {
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString besideProgram = programDir.filePath(QStringLiteral("homepage/index.html"));
    const QString installed =
        programDir.filePath(QStringLiteral("../share/pomarin/homepage/index.html"));
    if (!QFileInfo::exists(besideProgram) && QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    return besideProgram;
}

} // namespace

QUrl homePageAddress() {
    const QString built = QStringLiteral(POMARIN_HOME_PAGE);
    if (!built.isEmpty())
        return QUrl(built);
    return QUrl::fromLocalFile(shippedPagePath());
}

void openHomePage(QWidget* parent) {
    const auto answer = MessageBox::show(
        parent, QMessageBox::Question, QStringLiteral("確認"),
        QStringLiteral("「ちくわ商会」作者のホームページです。ちょっと見てみますか？"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    const QUrl address = homePageAddress();
    if (address.isLocalFile() && !QFileInfo::exists(address.toLocalFile())) {
        MessageBox::error(parent, QStringLiteral("ホームページのファイルが見つかりません。\n%1")
                                      .arg(address.toLocalFile()));
        return;
    }
    if (!QDesktopServices::openUrl(address))
        MessageBox::error(parent,
                          QStringLiteral("ホームページを開けるウェブブラウザーが見つかりません。\n"
                                         "ブラウザーで次のページを開いてください。\n%1")
                              .arg(address.toString()));
}
