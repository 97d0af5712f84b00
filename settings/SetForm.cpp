#include "settings/SetForm.h"

#include "settings/IdPassForm.h"
#include "settings/OptionFile.h"
#include "settings/OptionForm.h"
#include "settings/ReadProblems.h"
#include "ui/DialogLook.h"
#include "ui/MessageBoxes.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QColor grey(192, 192, 192);

QPushButton* colouredButton(const QString& text, const char* name, const QColor& face,
                            QWidget* parent) {
    auto* button = named(new QPushButton(text, parent), name);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, face);
    button->setPalette(palette);
    return button;
}

// The option as the user left it when "ini.ini" could not keep it: later dialogs show it instead
// of the file's, until the program ends or a save succeeds.
std::optional<int> unstoredOption;
bool unstoredOptionSaid = false;

} // namespace

SetForm& SetForm::instance() {
    return FormInstance<SetForm>::get();
}

SetForm::SetForm() {
    makeSettingsDialog(this, "SetForm", QStringLiteral("設定"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, grey);
    setPalette(palette);
    setAutoFillBackground(true);

    Command1 = colouredButton(QStringLiteral("ID/PASS"), "Command1", QColor(255, 128, 0), this);
    Command2 =
        colouredButton(QStringLiteral("POPサーバー"), "Command2", QColor(128, 128, 255), this);
    Check1 = named(new QCheckBox(this), "Check1");

    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command1, 1);
    buttons->addWidget(Command2, 1);
    layout->addLayout(buttons);
    QLabel* optionLabel =
        blueLabel(QStringLiteral("新着がなければ接続を切断する。"), "Label1", this);
    // The box shows no text of its own: a screen reader reads it by the label beside it.
    Check1->setAccessibleName(optionLabel->text());
    layout->addLayout(boxAndLabelRow(Check1, optionLabel));

    chainTabOrder({Command2, Command1, Check1});
    connect(Command1, &QPushButton::clicked, this, [] { showInFront(IdPassForm::instance()); });
    connect(Command2, &QPushButton::clicked, this, [] { showInFront(OptionForm::instance()); });
    Command2->setFocus(); // first in the tab order
    fixSizeAndCentre(this);
}

void SetForm::load() {
    setDisconnectIfNoNewMail(ReadDisconnectOption());
    m_storedOption = DisconnectIfNoNewMail();
    if (unstoredOption)
        setDisconnectIfNoNewMail(*unstoredOption);
    showReadProblemsWhenShown(*this);
}

int SetForm::DisconnectIfNoNewMail() const {
    return Check1->isChecked() ? 1 : 0;
}

void SetForm::setDisconnectIfNoNewMail(int value) {
    if (value == 0 || value == 1)
        Check1->setChecked(value == 1);
}

SaveResult SetForm::storeOption() {
    const int option = DisconnectIfNoNewMail();
    SaveResult failure =
        WriteDisconnectOption(option == 1 ? QStringLiteral("1") : QStringLiteral("0"));
    unstoredOption = failure ? std::optional(option) : std::nullopt;
    if (!failure)
        unstoredOptionSaid = false;
    return failure;
}

// Nothing can cancel the close; an option that cannot be stored is said once, and kept. A box
// the user left as the file had it stores nothing: another copy of the program may have stored
// the option since.
void SetForm::closeEvent(QCloseEvent* event) {
    if (DisconnectIfNoNewMail() == m_storedOption) {
        unstoredOption.reset();
        event->accept();
        return;
    }
    if (const SaveResult failure = storeOption(); failure && !unstoredOptionSaid) {
        unstoredOptionSaid = true;
        MessageBoxes::error(this,
                            failure->message +
                                QStringLiteral("\nこの設定は、ぽまりんを終了するまで有効です。"));
    }
    event->accept();
}
