#pragma once

#include "settings/ServerSettingsFile.h"
#include "ui/FormInstance.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// "サーバー設定": edits the server fields of the settings record and saves them to
// "vbmail.ini". It stays above all ordinary windows while it is open.
class OptionForm : public QDialog {
    Q_OBJECT
public:
    // The one server settings dialog; made hidden and filled from the record when it does not
    // exist (a closed one is gone, so the next use fills it afresh). Show it to let the user
    // edit it.
    static OptionForm& instance();

private:
    friend class FormInstance<OptionForm>;
    OptionForm();
    void makeControls();
    void layOutControls();
    void load();
    // The four values as the controls show them.
    ServerSettingsChanges shown() const;
    // The values the user changed since the dialog was filled.
    ServerSettingsChanges changes() const;
    void saveAndClose();

    QLineEdit* SmtpText;
    QLineEdit* Pop3Text;
    QLineEdit* MailText;
    QCheckBox* ApopCheck;
    QPushButton* OKCommand;
    QPushButton* CancelCommand;
    ServerSettingsChanges m_loaded; // every value, as the dialog was filled
};
