#pragma once

#include <QObject>

class QEvent;

// While it lives the program is busy: the pointer says so over its windows, and what the user
// types or clicks into them is dropped, shortcuts and input-method text included, so that nothing
// acts later on what was meant for a moment that has passed. Releases of buttons and keys pass,
// so that a press made before never stays held; a window's close request passes too, and so does
// input to a modal message box, which Qt already keeps to itself.
class ProgramBusy : public QObject {
public:
    ProgramBusy();
    ~ProgramBusy() override;
    ProgramBusy(const ProgramBusy&) = delete;
    ProgramBusy& operator=(const ProgramBusy&) = delete;

protected:
    bool eventFilter(QObject* target, QEvent* event) override;
};
