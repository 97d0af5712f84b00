#include "mail/FetchEveryMessage.h"

#include "mail/MailLibrary.h"

void FetchEveryMessage(MailLibrary& library, int handle, int count) {
    QString subject, from, date, to;
    for (int number = 1; number <= count; ++number) {
        library.pop3GetMailStatus(handle, number, subject, from, date, to, 0);
        library.pop3GetMailSize(handle, number);
        QByteArray message;
        library.pop3GetMail(handle, number, subject, from, date, to, message, 0, 0);
    }
}
