#include "settings/ReadProblems.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <utility>

namespace {

struct Notes {
    QMutex mutex;
    QSet<QString> files;
    QList<SaveFailure> untaken;
};

Notes& notes() {
    static Notes instance;
    return instance;
}

} // namespace

void noteReadProblem(const QString& path, const QString& reason) {
    const QString file = QFileInfo(path).absoluteFilePath();
    Notes& all = notes();
    const QMutexLocker lock(&all.mutex);
    if (all.files.contains(file))
        return;
    all.files.insert(file);
    all.untaken.append({QStringLiteral("設定ファイル「%1」を読み込めません。\n%2")
                            .arg(QDir::toNativeSeparators(file), reason)});
}

QList<SaveFailure> takeReadProblems() {
    Notes& all = notes();
    const QMutexLocker lock(&all.mutex);
    return std::exchange(all.untaken, {});
}
