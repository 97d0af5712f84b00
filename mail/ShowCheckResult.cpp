#include "mail/ShowCheckResult.h"

#include "mail/CheckWindow.h"

#include <QString>

void ShowCheckResult(std::optional<int> N, CheckWindow& window, bool courierRuns) {
    if (N && *N > 0) {
        if (courierRuns)
            window.runCourier();
        window.setResultText(QStringLiteral("新着メール有り。"));
        window.setResultNumber(QString::number(*N));
        window.showInformationPanel();
    } else {
        window.showInformationPanel();
        window.setResultText(N ? QStringLiteral("新着メールなし。")
                               : QStringLiteral("チェックできませんでした。"));
        window.setResultNumber(N ? QString::number(*N) : QString());
    }
}
