#pragma once

#include "watch/BackgroundCheck.h"

#include <QObject>
#include <QTimer>
#include <functional>

// When automatic checks run: one per interval, timed from the end of the one before, so that
// after a suspend or a clock jump no burst follows; never while the user is in the middle of
// something (a dialog or message box open, a mouse button held on the courier or elsewhere, the
// manual check running), which it waits out; and never two at once. Idle, it costs one timer a
// check.
class CheckSchedule : public QObject {
    Q_OBJECT
public:
    explicit CheckSchedule(MailLibrary& library, QObject* parent = nullptr);

    // 0: no automatic checks.
    void setIntervalMinutes(double minutes);
    double intervalMinutes() const { return m_minutes; }
    bool isChecking() const { return m_check.isRunning(); }

    // Runs then at once when no automatic check runs, else as soon as it has ended; the manual
    // check comes this way. While then runs, no automatic check starts.
    void runWhenFree(const std::function<void()>& then);

Q_SIGNALS:
    void checkStarting();
    void checked(const CheckOutcome& outcome);

protected:
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    void due();
    void startWhenQuiet();
    void ended(const CheckOutcome& outcome);
    void armTimer();
    bool userIsBusy() const;

    BackgroundCheck m_check;
    QTimer m_timer;
    double m_minutes = 0;
    bool m_waitingForQuiet = false;
    bool m_manualRunning = false;
    std::function<void()> m_afterCheck;
};
