#include "app/ProgramBusy.h"

#include <QApplication>
#include <QEvent>

namespace {

// What acts on the user's behalf. Shortcuts and input-method text reach their targets as events
// that Qt or the input method sends, not as the window system's own, so the type alone decides.
bool actsForTheUser(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TabletPress:
    case QEvent::NativeGesture:
        return true;
    default:
        return false;
    }
}

} // namespace

ProgramBusy::ProgramBusy() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
}

ProgramBusy::~ProgramBusy() {
    qApp->removeEventFilter(this);
    QGuiApplication::restoreOverrideCursor();
}

bool ProgramBusy::eventFilter(QObject*, QEvent* event) {
    return actsForTheUser(event->type()) && !QApplication::activeModalWidget();
}
