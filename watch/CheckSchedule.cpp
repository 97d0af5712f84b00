#include "watch/CheckSchedule.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>

#include <cmath>

namespace {

constexpr double msPerMinute = 60'000;

} // namespace

CheckSchedule::CheckSchedule(MailLibrary& library, QObject* parent)
    : QObject(parent), m_check(library) {
    m_timer.setSingleShot(true);
    // Minutes apart, a check may come a little late: the system may then wake once for several
    // timers.
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CheckSchedule::due);
    connect(&m_check, &BackgroundCheck::finished, this, &CheckSchedule::ended);
}

void CheckSchedule::setIntervalMinutes(double minutes) {
    m_minutes = minutes > 0 ? minutes : 0;
    if (!m_check.isRunning())
        armTimer();
}

void CheckSchedule::armTimer() {
    m_timer.stop();
    if (m_minutes > 0)
        m_timer.start(static_cast<int>(std::lround(m_minutes * msPerMinute)));
}

void CheckSchedule::runWhenFree(const std::function<void()>& then) {
    if (m_check.isRunning()) {
        m_afterCheck = then;
        return;
    }
    m_manualRunning = true;
    then();
    m_manualRunning = false;
    if (m_waitingForQuiet)
        QTimer::singleShot(0, this, &CheckSchedule::startWhenQuiet);
}

void CheckSchedule::due() {
    if (m_waitingForQuiet)
        return;
    m_waitingForQuiet = true;
    qApp->installEventFilter(this);
    startWhenQuiet();
}

void CheckSchedule::startWhenQuiet() {
    if (!m_waitingForQuiet || userIsBusy() || m_check.isRunning())
        return;
    m_waitingForQuiet = false;
    qApp->removeEventFilter(this);
    if (m_minutes <= 0)
        return;
    Q_EMIT checkStarting();
    m_check.start(currentCheckRequest());
}

bool CheckSchedule::userIsBusy() const {
    if (m_manualRunning || QApplication::mouseButtons() != Qt::NoButton)
        return true;
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](const QWidget* window) {
        return window->isVisible() && qobject_cast<const QDialog*>(window);
    });
}

// While a check waits for a quiet moment: a window hidden or a button let go may be the end of
// what the user was doing, looked at once the event has been dealt with.
bool CheckSchedule::eventFilter(QObject* target, QEvent* event) {
    if (event->type() == QEvent::Hide || event->type() == QEvent::MouseButtonRelease)
        QTimer::singleShot(0, this, &CheckSchedule::startWhenQuiet);
    return QObject::eventFilter(target, event);
}

void CheckSchedule::ended(const CheckOutcome& outcome) {
    Q_EMIT checked(outcome);
    armTimer();
    if (const std::function<void()> then = std::exchange(m_afterCheck, {}))
        runWhenFree(then);
}
