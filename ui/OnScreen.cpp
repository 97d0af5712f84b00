#include "ui/OnScreen.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

QScreen* screenHolding(const QWidget& window) {
    if (QScreen* screen = QGuiApplication::screenAt(window.frameGeometry().center()))
        return screen;
    return window.screen();
}

class ScreenWatch : public QObject {
public:
    explicit ScreenWatch(QWidget& window) : QObject(&window), m_window(window) {
        for (QScreen* screen : QGuiApplication::screens())
            watch(screen);
        connect(qApp, &QGuiApplication::screenAdded, this, &ScreenWatch::watch);
        connect(qApp, &QGuiApplication::screenRemoved, this, &ScreenWatch::refit);
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            refit();
        return false;
    }

private:
    void watch(QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, &ScreenWatch::refit);
        connect(screen, &QScreen::availableGeometryChanged, this, &ScreenWatch::refit);
    }

    // Once Qt has done with the change: a monitor that goes hands its windows to another screen
    // only after it said so, and a window being shown has its frame only then.
    void refit() {
        QMetaObject::invokeMethod(
            this, [this] { moveOntoScreen(m_window); }, Qt::QueuedConnection);
    }

    QWidget& m_window;
};

} // namespace

void moveOntoScreen(QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect area = screenHolding(window)->availableGeometry();
    const QPoint place(
        std::max(std::min(frame.left(), area.right() + 1 - frame.width()), area.left()),
        std::max(std::min(frame.top(), area.bottom() + 1 - frame.height()), area.top()));
    if (place != frame.topLeft())
        window.move(place);
}

void keepOnScreen(QWidget& window) {
    new ScreenWatch(window);
}
