#include "settings/ReadProblems.h"

#include "ui/MessageBoxes.h"

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

// message holds %1 for the file's name.
void note(const QString& path, const QString& message) {
    const QString file = QFileInfo(path).absoluteFilePath();
    Notes& all = notes();
    const QMutexLocker lock(&all.mutex);
    if (all.files.contains(file))
        return;
    all.files.insert(file);
    all.untaken.append({message.arg(QDir::toNativeSeparators(file))});
}

} // namespace

void noteReadProblem(const QString& path, const QString& reason) {
    note(path, QStringLiteral("設定ファイルを読み込めません。\n%1\n") + reason);
}

void noteUnreadableText(const QString& path) {
    note(path, QStringLiteral("設定ファイルに読めない文字があります。\n%1\n"
                              "ファイルはシフト JIS（コードページ 932）で保存してください。\n"
                              "書き換えていない値は、そのまま残ります。"));
}

QList<SaveFailure> takeReadProblems() {
    Notes& all = notes();
    const QMutexLocker lock(&all.mutex);
    return std::exchange(all.untaken, {});
}

void showReadProblems(QWidget* parent) {
    for (const SaveFailure& problem : takeReadProblems())
        MessageBoxes::error(parent, problem.message);
}
