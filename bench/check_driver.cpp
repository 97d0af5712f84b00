// Does what one check of the program does through the mail library: count, then status, size
// and whole message of every message. Prints the count and the bytes received.
//
//     check_driver [--keep] [--uidl] SERVER USER PASSWORD [CA_FILE]
//
// The program has the library throw each message away; --keep holds every one whole instead, as
// a caller that wants the messages does, for measuring what holding them costs. --uidl asks for
// the messages' unique ids after the login, as a caller that tells new mail from old does, and
// fails unless there is one for every message.

#include "platform/HeapPolicy.h"
#include "platform/NMail.h"
#include "platform/NMailLibrary.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    const auto usage = [] {
        std::fprintf(stderr,
                     "usage: check_driver [--keep] [--uidl] SERVER USER PASSWORD [CA_FILE]\n");
        return 2;
    };
    bool keep = false, uidl = false;
    while (arguments.size() > 1 && arguments[1].startsWith(QLatin1String("--"))) {
        const QString option = arguments.takeAt(1);
        if (option == QLatin1String("--keep"))
            keep = true;
        else if (option == QLatin1String("--uidl"))
            uidl = true;
        else
            return usage();
    }
    if (arguments.size() < 4)
        return usage();
    // The program's heap policy, so that the check costs what it costs there.
    HeapPolicy::keepBatchBuffersInHeap();
    NMailLibrary::setAfterCloseHook(HeapPolicy::giveBackKeptHeap);
    NMailInitializeWinSock();
    NMailSetOption(NMailOptionStatusBufferSize, 8192);
    NMailSetOption(NMailOptionKeepMessages, keep ? 1 : 0);
    if (arguments.size() > 4 && !NMailLibrary::addTrustedCaCertificateFile(arguments[4])) {
        std::fprintf(stderr, "no certificate in %s\n", qPrintable(arguments[4]));
        return 2;
    }

    const auto fail = [] {
        QString text;
        int size = 8192;
        NMailGetMessage(0, text, size);
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return 1;
    };
    const int handle = NMailPop3Connect(arguments[1]);
    if (handle == -1)
        return fail();
    const int count = NMailPop3Authenticate(handle, arguments[2], arguments[3], 0);
    if (count < 0)
        return fail();
    if (uidl) {
        QStringList uids;
        const int ids = NMailPop3GetUidl(handle, uids);
        if (ids < 0)
            return fail();
        if (ids != count) {
            std::fprintf(stderr, "%d unique ids for %d messages\n", ids, count);
            return 1;
        }
    }
    qint64 received = 0;
    QString subject, from, date, to;
    for (int number = 1; number <= count; ++number) {
        NMailPop3GetMailStatus(handle, number, subject, from, date, to, 0);
        NMailPop3GetMailSize(handle, number);
        QByteArray message;
        const int length = NMailPop3GetMail(handle, number, subject, from, date, to, message, 0, 0);
        if (length < 0)
            return fail();
        received += length;
    }
    NMailPop3Close(handle);
    NMailEndWinSock();
    std::printf("%d messages, %lld bytes\n", count, static_cast<long long>(received));
    return 0;
}
