#pragma once

#include "watch/AutomaticCheck.h"

#include <QObject>

class QThread;

// Runs automatic checks on a thread of their own, so that whatever the server does, the
// program's windows take every click and key at once. The mail library is used by one thread at a
// time: the manual check waits until this one has ended.
class BackgroundCheck : public QObject {
    Q_OBJECT
public:
    explicit BackgroundCheck(MailLibrary& library, QObject* parent = nullptr);
    ~BackgroundCheck() override;

    bool isRunning() const { return m_thread != nullptr; }
    // Starts a check unless one runs; finished comes on this object's thread.
    void start(const CheckRequest& request);

Q_SIGNALS:
    void finished(const CheckOutcome& outcome);

private:
    MailLibrary& m_library;
    QThread* m_thread = nullptr;
    CheckOutcome m_outcome; // written by the thread, read once it has ended
};
