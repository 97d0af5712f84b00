#include "mail/ShowCheckResult.h"

#include "mail/CheckWindow.h"

void ShowCheckResult(int N, CheckWindow& window) {
    if (N > 0) {
        window.runCourier();
        window.setResultText(QStringLiteral("新着メール有り。"));
        window.setResultNumber(QString::number(N));
        window.showInformationPanel();
    } else {
        window.showInformationPanel();
        window.setResultText(QStringLiteral("新着メールなし。"));
        window.setResultNumber(QString::number(N));
    }
}
