#pragma once

#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

class QEvent;

// While it lives, what the user types or clicks into the program's windows waits, and reaches
// them, in order, when it ends: so a check that keeps the windows painting cannot be entered
// again from its own menu. A window's close request from the window manager, and input to a
// modal message box (which Qt already keeps to itself), pass at once.
class HeldUserInput : public QObject {
public:
    HeldUserInput();
    ~HeldUserInput() override;
    HeldUserInput(const HeldUserInput&) = delete;
    HeldUserInput& operator=(const HeldUserInput&) = delete;

protected:
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    struct Held {
        QPointer<QObject> target;
        std::unique_ptr<QEvent> event;
    };
    std::vector<Held> m_held;
};
