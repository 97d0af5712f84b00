#include "ui/DialogLook.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QScreen>

void makeSettingsDialog(QWidget* dialog, const char* objectName, const QString& title) {
    dialog->setObjectName(QString::fromLatin1(objectName));
    dialog->setWindowTitle(title);
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // The settings dialogs are made anew, and read their files again, each time they are used.
    dialog->setAttribute(Qt::WA_DeleteOnClose);
}

void fixSizeAndCentre(QWidget* dialog) {
    dialog->layout()->setSizeConstraint(QLayout::SetFixedSize);
    dialog->adjustSize();
    const QScreen* screen = dialog->screen() ? dialog->screen() : QGuiApplication::primaryScreen();
    dialog->move(screen->availableGeometry().center() - dialog->rect().center());
}

QLabel* blueLabel(const QString& text, const char* objectName, QWidget* parent) {
    auto* label = named(new QLabel(text, parent), objectName);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    return label;
}

void showInFront(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

void showWithoutActivating(QWidget& window) {
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.show();
}
