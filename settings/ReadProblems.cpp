#include "settings/ReadProblems.h"

#include "ui/MessageBoxes.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QWidget>
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

// message holds %1 for the file's name; each kind of note is made once per file.
void note(const QString& kind, const QString& path, const QString& message) {
    const QString file = QFileInfo(path).absoluteFilePath();
    Notes& all = notes();
    const QMutexLocker lock(&all.mutex);
    if (all.files.contains(kind + file))
        return;
    all.files.insert(kind + file);
    all.untaken.append({message.arg(QDir::toNativeSeparators(file))});
}

// Watches a window for its first show, then goes.
class ProblemsOnFirstShow : public QObject {
public:
    explicit ProblemsOnFirstShow(QWidget& window) : QObject(&window) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* window = static_cast<QWidget*>(watched);
            window->removeEventFilter(this);
            deleteLater();
            // The show event comes before the window is on the screen; the boxes come after.
            QMetaObject::invokeMethod(
                window, [window] { showReadProblems(window); }, Qt::QueuedConnection);
        }
        return false;
    }
};

} // namespace

void noteReadProblem(const QString& path, const QString& reason) {
    note(QStringLiteral("unreadable:"), path,
         QStringLiteral("設定ファイルを読み込めません。\n%1\n") + reason);
}

void noteUnreadableText(const QString& path) {
    note(QStringLiteral("unreadable:"), path,
         QStringLiteral("設定ファイルに読めない文字があります。\n%1\n"
                        "ファイルはシフト JIS（コードページ 932）か、"
                        "BOM 付きの UTF-8 で保存してください。\n"
                        "書き換えていない値は、そのまま残ります。"));
}

void noteReadableByOthers(const QString& path, const std::optional<QString>& notMadePrivate) {
    const QString outcome =
        notMadePrivate
            ? QStringLiteral("あなただけが読めるようにできませんでした。\n") + *notMadePrivate
            : QStringLiteral("あなただけが読み書きできるようにしました。");
    note(QStringLiteral("private:"), path,
         QStringLiteral("パスワードを保存したファイルが、ほかのユーザーにも読める状態でした。\n"
                        "%1\n") +
             outcome);
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

void showReadProblemsWhenShown(QWidget& window) {
    new ProblemsOnFirstShow(window);
}
