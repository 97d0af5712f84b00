#include "app/SecondStart.h"

#include "app/MainForm.h"

#include "settings/SettingsStore.h"

#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <chrono>
#include <cstdio>

namespace {

// A running copy answers at once unless it is stuck; a later start does not wait on it for long.
constexpr std::chrono::seconds answerWait{5};

QPointer<SingleInstance> thisCopy;

// The same folder however it was named: through a link, with "..", or not made yet.
QString sameFolder(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(path).absolutePath()) : canonical;
}

} // namespace

std::optional<int> handOverToRunningCopy() {
    auto* copies =
        new SingleInstance({sameFolder(QDir::currentPath()), sameFolder(DataFolder())}, qApp);
    switch (copies->start(answerWait)) {
    case SingleInstance::Start::First:
        thisCopy = copies;
        QObject::connect(copies, &SingleInstance::comeForwardRequested, copies,
                         [] { MainForm::instance().comeForward(); });
        return std::nullopt;
    case SingleInstance::Start::Forwarded:
        return 0;
    case SingleInstance::Start::Unanswered:
        std::fprintf(stderr, "ぽまりん already runs in this folder but did not answer; "
                             "no second copy was started.\n");
        return 0;
    }
    return std::nullopt;
}

void stopHearingOfLaterStarts() {
    if (thisCopy)
        thisCopy->withdraw();
}
