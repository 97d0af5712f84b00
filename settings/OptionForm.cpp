#include "settings/OptionForm.h"

#include "settings/ServerSettingsFile.h"
#include "settings/SettingsStore.h"
#include "ui/DialogLook.h"
#include "ui/MessageBoxes.h"

#include "platform/pop3/ServerAddress.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {
constexpr int serverBoxWidth = 260;
constexpr int checkIndent = 16;

// A caption as a screen reader says it: "(&S)" marks a key to press, not a word to read.
QString withoutAccessKey(const QString& caption) {
    static const QRegularExpression accessKey(QStringLiteral("\\(&.\\)$"));
    return QString(caption).remove(accessKey);
}
} // namespace

OptionForm& OptionForm::instance() {
    return FormInstance<OptionForm>::get();
}

OptionForm::OptionForm() {
    makeSettingsDialog(this, "OptionForm", QStringLiteral("サーバー設定"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    makeControls();
    layOutControls();
    // Enter in a box saves nothing: neither button is the default.
    OKCommand->setAutoDefault(false);
    CancelCommand->setAutoDefault(false);
    chainTabOrder({SmtpText, Pop3Text, ApopCheck, OKCommand, CancelCommand, MailText});
    connect(OKCommand, &QPushButton::clicked, this, &OptionForm::saveAndClose);
    // "中止", like Esc and the close box, drops what was typed.
    connect(CancelCommand, &QPushButton::clicked, this, &OptionForm::reject);
    SmtpText->setFocus(); // first in the tab order
    fixSizeAndCentre(this);
}

void OptionForm::makeControls() {
    SmtpText = named(new QLineEdit(this), "SmtpText");
    Pop3Text = named(new QLineEdit(this), "Pop3Text");
    MailText = named(new QLineEdit(this), "MailText");
    for (QLineEdit* box : {SmtpText, Pop3Text, MailText}) {
        box->setFixedWidth(serverBoxWidth);
        // No more than a start of the program reads back from "vbmail.ini".
        box->setMaxLength(serverSettingsValueLength);
    }
    ApopCheck = named(new QCheckBox(QStringLiteral("APOP を使用する(&A)"), this), "ApopCheck");
    ApopCheck->setAccessibleName(withoutAccessKey(ApopCheck->text()));
    makeBlue(ApopCheck);
    OKCommand = named(new QPushButton(QStringLiteral("設定"), this), "OKCommand");
    CancelCommand = named(new QPushButton(QStringLiteral("中止"), this), "CancelCommand");
}

void OptionForm::layOutControls() {
    auto* layout = new QVBoxLayout(this);
    const std::tuple<const char*, const char*, QLineEdit*> rows[] = {
        {"SMTPサーバー名(&S)", "Label1", SmtpText},
        {"POP3サーバー名(&P)", "Label2", Pop3Text},
        {"メールアドレス(&M)", "Label3", MailText},
    };
    for (const auto& [caption, name, box] : rows) {
        QLabel* label = blueLabel(QString::fromUtf8(caption), name, this);
        label->setBuddy(box);
        box->setAccessibleName(withoutAccessKey(label->text()));
        layout->addWidget(label);
        layout->addWidget(box);
    }
    auto* apopRow = new QHBoxLayout;
    apopRow->addSpacing(checkIndent);
    apopRow->addWidget(ApopCheck);
    layout->addLayout(apopRow);
    layout->addLayout(buttonsAtBothEnds(OKCommand, CancelCommand));
}

void OptionForm::load() {
    const SettingsStore& store = SettingsStore::instance();
    SmtpText->setText(store.SmtpServer);
    Pop3Text->setText(store.Pop3Server);
    MailText->setText(store.MailAddress);
    ApopCheck->setChecked(store.ApopFlag != 0);
    m_loaded = shown();
}

ServerSettingsChanges OptionForm::shown() const {
    return {SmtpText->text(), Pop3Text->text(), MailText->text(),
            static_cast<qint16>(ApopCheck->isChecked() ? 1 : 0)};
}

ServerSettingsChanges OptionForm::changes() const {
    const ServerSettingsChanges now = shown();
    const auto ifChanged = [](const auto& value, const auto& loaded) {
        return value == loaded ? std::nullopt : value;
    };
    return {ifChanged(now.SmtpServer, m_loaded.SmtpServer),
            ifChanged(now.Pop3Server, m_loaded.Pop3Server),
            ifChanged(now.MailAddress, m_loaded.MailAddress),
            ifChanged(now.ApopFlag, m_loaded.ApopFlag)};
}

void OptionForm::saveAndClose() {
    const QString pop3Server = Pop3Text->text();
    // A server the check could not reach is refused now, not at the next check.
    if (!pop3Server.isEmpty() && !parseServerAddress(pop3Server)) {
        MessageBoxes::error(
            this, QStringLiteral("POP3サーバー名の形が正しくありません。\n%1\n"
                                 "次のどれかの形で入力してください（ポート番号は 1～65535）。\n"
                                 "ホスト名\nホスト名:ポート番号\n"
                                 "pop3://ホスト名 または pop3://ホスト名:ポート番号（暗号化なし）\n"
                                 "pop3s://ホスト名 または pop3s://ホスト名:ポート番号（TLS）")
                      .arg(pop3Server));
        Pop3Text->setFocus();
        return;
    }
    // Only what the user changed here is stored, into the file as it is now: another copy of the
    // program, or a hand edit, may have changed the rest since the dialog was filled. The record
    // takes the values only once they are stored: on a failure the dialog stays open with what was
    // typed, and the record and the file keep what they held.
    const ServerSettingsChanges changed = changes();
    if (const SaveResult failure = SaveServerSettings(changed)) {
        MessageBoxes::error(this, failure->message);
        return;
    }
    SettingsStore& store = SettingsStore::instance();
    store.SmtpServer = changed.SmtpServer.value_or(store.SmtpServer);
    store.Pop3Server = changed.Pop3Server.value_or(store.Pop3Server);
    store.MailAddress = changed.MailAddress.value_or(store.MailAddress);
    store.ApopFlag = changed.ApopFlag.value_or(store.ApopFlag);
    accept();
}
