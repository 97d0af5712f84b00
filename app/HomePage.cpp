#include "app/HomePage.h"

#include "settings/MessageBox.h"

#include "platform/ProgramFolders.h"

#include <QDesktopServices>
#include <QFileInfo>

QUrl homePageAddress() {
    const QString built = QStringLiteral(POMARIN_HOME_PAGE);
    if (!built.isEmpty())
        return QUrl(built);
    return QUrl::fromLocalFile(ShippedFilesFolder() + QStringLiteral("/homepage/index.html"));
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
