#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One running copy of the program per key: the first start holds a lock and listens; a later
// start with the same key asks the running copy to come forward, and ends. Where no folder of
// the user's own can hold the lock, every start runs.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Start {
        First,      // this copy runs, and hears of later starts through comeForwardRequested
        Forwarded,  // a running copy took the request
        Unanswered, // a running copy holds the lock but did not answer in time
    };

    // The key is made of the parts and the user's id.
    explicit SingleInstance(const QStringList& keyParts, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Decides whether this copy runs, waiting at most `wait` for a running one to answer.
    Start start(std::chrono::milliseconds wait);

    // Gives up the lock and stops listening, so that nothing is left behind in the folder.
    void withdraw();

Q_SIGNALS:
    void comeForwardRequested();

private:
    void listen();
    bool askRunningCopy(std::chrono::milliseconds wait) const;
    void takeRequests();
    void answer(QLocalSocket* socket);

    QString m_path; // the lock and the socket, without the lock's suffix; empty when unsafe
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
