#pragma once

#include "settings/AccountFile.h"
#include "ui/FormInstance.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// "ID,PASS": the POP3 account, put into the settings record and, with the save box ticked,
// stored in the account file.
class IdPassForm : public QDialog {
    Q_OBJECT
public:
    // The one account dialog; made hidden and filled from the account file when it does not
    // exist. Show it to let the user edit it.
    static IdPassForm& instance();

    // The boxes, which the mail check fills with the stored account.
    QLineEdit* IdText;
    QLineEdit* PassText;

private:
    friend class FormInstance<IdPassForm>;
    IdPassForm();
    void makeControls();
    void layOutControls();
    void load();
    void saveAndClose();

    QPushButton* OKCommand;
    QPushButton* CancelCommand;
    QCheckBox* Check1;
    AccountEntry m_loaded; // as the account file held it when the dialog was made
};
