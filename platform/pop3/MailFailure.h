#pragma once

#include <QByteArray>
#include <QString>

// A failed library call: its code (one of the NMailError values) and the text that tells the
// user what failed, in one or two lines (a refused login may add one on what the ID holds).
struct MailFailure {
    int code = 0;
    QString text;

    static MailFailure notInitialized();
    static MailFailure badHandle();
    static MailFailure badAddress(const QString& server);
    static MailFailure hostNotFound(const QString& host);
    static MailFailure connectionRefused(const QString& host, quint16 port);
    static MailFailure connectionFailed(const QString& host, const QString& reason);
    static MailFailure connectionLost(const QString& host);
    static MailFailure timedOut(const QString& host, int seconds);
    static MailFailure tooSlow(const QString& host, qint64 bytes, int seconds);
    static MailFailure closedWhileWaiting();
    static MailFailure busy();
    static MailFailure certificateRejected(const QString& host, const QString& reasons);
    static MailFailure tlsFailed(const QString& host, const QString& reason);
    static MailFailure startTlsRefused(const QString& host, const QByteArray& reply);
    static MailFailure protocol(const QString& host, const QByteArray& received);
    // A listing that leaves out a message it must name.
    static MailFailure missingFromListing(const QString& host, const QByteArray& command,
                                          qint64 number);
    static MailFailure greetingRefused(const QString& host, const QByteArray& reply);
    static MailFailure loginRefused(const QByteArray& reply);
    static MailFailure alreadyLoggedIn();
    static MailFailure notLoggedIn();
    static MailFailure unsendableCredentials();
    static MailFailure apopUnavailable();
    static MailFailure noSuchMessage(qint64 number);
    static MailFailure serverRefused(const QByteArray& command, const QByteArray& reply);
    static MailFailure tooLarge(const QString& host);

    // What a failure code means, without the particulars of one failure.
    static QString meaningOf(int code);
};
