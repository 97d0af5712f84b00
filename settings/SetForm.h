#pragma once

#include "ui/FormInstance.h"

#include "settings/SaveFailure.h"

#include <QWidget>

class QCheckBox;
class QPushButton;

// "設定": opens the server and account dialogs, and holds in its box the option
// DisconnectIfNoNewMail, which is stored in "ini.ini" when the dialog is closed.
class SetForm : public QWidget {
    Q_OBJECT
public:
    // The one options dialog; made hidden, its box set from "ini.ini", when it does not exist.
    static SetForm& instance();

    // The option as the box holds it: 1 ticked, 0 cleared.
    int DisconnectIfNoNewMail() const;
    // 1 ticks the box and 0 clears it; any other value leaves it as it is.
    void setDisconnectIfNoNewMail(int value);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class FormInstance<SetForm>;
    SetForm();
    void load();
    // Stores the option in "ini.ini"; when it cannot be stored, it lasts until the program ends.
    SaveResult storeOption();

    QPushButton* Command1;
    QPushButton* Command2;
    QCheckBox* Check1;
    int m_storedOption = 0; // the box as "ini.ini" set it when the dialog was made
};
