#include "watch/BackgroundCheck.h"

#include <QThread>

BackgroundCheck::BackgroundCheck(MailLibrary& library, QObject* parent)
    : QObject(parent), m_library(library) {}

BackgroundCheck::~BackgroundCheck() {
    // Only a test ends here with a check running; the program itself ends its process at once.
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void BackgroundCheck::start(const CheckRequest& request) {
    if (m_thread)
        return;
    m_thread =
        QThread::create([this, request] { m_outcome = runAutomaticCheck(m_library, request); });
    connect(m_thread, &QThread::finished, this, [this] {
        m_thread->deleteLater();
        m_thread = nullptr;
        Q_EMIT finished(std::exchange(m_outcome, {}));
    });
    m_thread->start();
}
