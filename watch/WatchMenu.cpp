#include "watch/WatchMenu.h"

#include "watch/CheckSchedule.h"

#include "platform/AutostartEntry.h"
#include "settings/WatchFile.h"
#include "ui/MessageBoxes.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>

namespace {

struct IntervalChoice {
    const char16_t* caption;
    double minutes;
};
constexpr IntervalChoice intervalChoices[] = {
    {u"しない", 0}, {u"5分ごと", 5}, {u"15分ごと", 15}, {u"30分ごと", 30}, {u"60分ごと", 60}};

void sayIfFailed(QWidget* parent, const SaveResult& result) {
    if (result)
        MessageBoxes::error(parent, result->message);
}

void chooseInterval(QWidget* parent, CheckSchedule& schedule, double minutes) {
    if (minutes == schedule.intervalMinutes())
        return;
    schedule.setIntervalMinutes(minutes);
    sayIfFailed(parent, WriteCheckInterval(minutes));
}

// Started by the desktop as this copy was: the same program, arguments and folder.
void startWithDesktop(QWidget* parent, bool on) {
    const std::optional<QString> failure =
        on ? AutostartEntry::create(QCoreApplication::applicationFilePath(),
                                    QCoreApplication::arguments().mid(1), QDir::currentPath())
           : AutostartEntry::remove();
    if (failure) {
        sayIfFailed(parent, SaveFailure::cannotWrite(AutostartEntry::path(), *failure));
        return;
    }
    sayIfFailed(parent, WriteStartsWithDesktop(on));
}

void addIntervalMenu(QMenu& menu, QWidget* parent, CheckSchedule& schedule) {
    QMenu* intervals = menu.addMenu(QStringLiteral("自動チェック"));
    auto* group = new QActionGroup(intervals);
    for (const IntervalChoice& choice : intervalChoices) {
        QAction* action = intervals->addAction(QString::fromUtf16(choice.caption));
        action->setCheckable(true);
        action->setChecked(choice.minutes == schedule.intervalMinutes());
        group->addAction(action);
        const double minutes = choice.minutes;
        QObject::connect(action, &QAction::triggered, parent, [parent, &schedule, minutes] {
            chooseInterval(parent, schedule, minutes);
        });
    }
}

} // namespace

void showWatchMenu(QWidget* parent, const QPoint& globalPosition, CheckSchedule& schedule) {
    QMenu menu(parent);
    addIntervalMenu(menu, parent, schedule);
    QAction* autostart = menu.addAction(QStringLiteral("ログイン時に起動する"));
    autostart->setCheckable(true);
    autostart->setChecked(AutostartEntry::exists());
    QObject::connect(autostart, &QAction::triggered, parent,
                     [parent](bool on) { startWithDesktop(parent, on); });
    menu.exec(globalPosition);
}
