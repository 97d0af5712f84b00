#include "mail/MailLibrary.h"

#include "platform/NMail.h"

namespace {

class NMailLibrary final : public MailLibrary {
public:
    int pop3Connect(const QString& server) override { return NMailPop3Connect(server); }
    int pop3Authenticate(int handle, const QString& id, const QString& password,
                         int apop) override {
        return NMailPop3Authenticate(handle, id, password, apop);
    }
    int pop3GetUidl(int handle, QStringList& uids) override {
        return NMailPop3GetUidl(handle, uids);
    }
    int pop3GetMailStatus(int handle, int number, QString& subject, QString& from, QString& date,
                          QString& to, int flag) override {
        return NMailPop3GetMailStatus(handle, number, subject, from, date, to, flag);
    }
    int pop3GetMailSize(int handle, int number) override {
        return NMailPop3GetMailSize(handle, number);
    }
    int pop3GetMail(int handle, int number, QString& subject, QString& from, QString& date,
                    QString& to, QByteArray& message, int flag, int flag2) override {
        return NMailPop3GetMail(handle, number, subject, from, date, to, message, flag, flag2);
    }
    int getMessage(int code, QString& text, int& size) override {
        return NMailGetMessage(code, text, size);
    }
    int pop3Close(int handle) override { return NMailPop3Close(handle); }
};

} // namespace

MailLibrary& NMail() {
    static NMailLibrary library;
    return library;
}

QString CutAtNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}
