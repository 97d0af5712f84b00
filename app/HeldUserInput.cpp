#include "app/HeldUserInput.h"

#include <QApplication>
#include <QEvent>

namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

} // namespace

HeldUserInput::HeldUserInput() {
    qApp->installEventFilter(this);
}

HeldUserInput::~HeldUserInput() {
    qApp->removeEventFilter(this);
    for (Held& held : m_held)
        if (held.target)
            QCoreApplication::postEvent(held.target, held.event.release());
}

bool HeldUserInput::eventFilter(QObject* target, QEvent* event) {
    if (!event->spontaneous() || !isUserInput(event->type()) || QApplication::activeModalWidget())
        return false;
    m_held.push_back({target, std::unique_ptr<QEvent>(event->clone())});
    return true;
}
