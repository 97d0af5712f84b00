#include "settings/IdPassForm.h"

#include "settings/AccountFile.h"
#include "settings/ReadProblems.h"
#include "settings/SettingsStore.h"
#include "ui/DialogLook.h"
#include "ui/MessageBoxes.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int accountBoxWidth = 180;

// A password shows as a row of "*", whatever the style would draw.
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// A password shows as stars and goes straight into the box, never through an input method's
// composition.
void hideWhatIsTyped(QLineEdit* box) {
    box->setEchoMode(QLineEdit::Password);
    auto* stars = new StarPasswordStyle;
    stars->setParent(box);
    box->setStyle(stars);
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
}

} // namespace

IdPassForm& IdPassForm::instance() {
    return FormInstance<IdPassForm>::get();
}

IdPassForm::IdPassForm() {
    makeSettingsDialog(this, "IdPassForm", QStringLiteral("ID,PASS"));
    makeControls();
    layOutControls();
    OKCommand->setDefault(true);
    chainTabOrder({IdText, PassText, OKCommand, CancelCommand, Check1});
    connect(OKCommand, &QPushButton::clicked, this, &IdPassForm::saveAndClose);
    connect(CancelCommand, &QPushButton::clicked, this, &IdPassForm::reject);
    IdText->setFocus(); // first in the tab order
    fixSizeAndCentre(this);
}

void IdPassForm::makeControls() {
    IdText = named(new QLineEdit(this), "IdText");
    PassText = named(new QLineEdit(this), "PassText");
    IdText->setFixedWidth(accountBoxWidth);
    PassText->setFixedWidth(accountBoxWidth);
    hideWhatIsTyped(PassText);
    OKCommand = named(new QPushButton(QStringLiteral("OK"), this), "OKCommand");
    CancelCommand = named(new QPushButton(QStringLiteral("Cancel"), this), "CancelCommand");
    Check1 = named(new QCheckBox(this), "Check1");
}

void IdPassForm::layOutControls() {
    auto* boxes = new QGridLayout;
    auto* idLabel = named(new QLabel(QStringLiteral("ID"), this), "Label1");
    boxes->addWidget(idLabel, 0, 0);
    boxes->addWidget(IdText, 0, 1);
    auto* passwordLabel = named(new QLabel(QStringLiteral("Password"), this), "Label2");
    passwordLabel->setProperty("index", 0);
    boxes->addWidget(passwordLabel, 1, 0);
    boxes->addWidget(PassText, 1, 1);
    QLabel* saveLabel = blueLabel(QStringLiteral("IDパスワードを保存する"), "Label2", this);
    saveLabel->setProperty("index", 1);
    // The labels are no buddies of the boxes: a screen reader reads each box by its label.
    IdText->setAccessibleName(idLabel->text());
    PassText->setAccessibleName(passwordLabel->text());
    Check1->setAccessibleName(saveLabel->text());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(boxes);
    layout->addLayout(boxAndLabelRow(Check1, saveLabel));
    layout->addLayout(buttonsAtBothEnds(OKCommand, CancelCommand));
}

void IdPassForm::load() {
    const StoredAccount account = ReadAccount();
    showReadProblemsWhenShown(*this);
    IdText->setText(account.id);
    PassText->setText(account.password);
    Check1->setChecked(account.saveFlag == QLatin1String("1"));
    m_loaded = {account.id, account.password, Check1->isChecked()};
}

void IdPassForm::saveAndClose() {
    const AccountEntry confirmed{IdText->text(), PassText->text(), Check1->isChecked()};
    // Stored first: on a failure the dialog stays open with what was typed, and the record and
    // the file keep what they held.
    if (const SaveResult failure = SaveAccount(m_loaded, confirmed)) {
        MessageBoxes::error(this, failure->message);
        return;
    }
    SettingsStore& store = SettingsStore::instance();
    store.UserId = confirmed.id;
    store.UserPassword = confirmed.password;
    store.accountConfirmed = true;
    accept();
}
