#include "ui/DialogLook.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
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

void makeBlue(QWidget* control) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    control->setPalette(palette);
}

QLabel* blueLabel(const QString& text, const char* objectName, QWidget* parent) {
    auto* label = named(new QLabel(text, parent), objectName);
    makeBlue(label);
    return label;
}

QHBoxLayout* boxAndLabelRow(QCheckBox* box, QLabel* label) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(box);
    row->addWidget(label);
    row->addStretch();
    return row;
}

void chainTabOrder(std::initializer_list<QWidget*> controls) {
    for (auto next = controls.begin(); next + 1 != controls.end(); ++next)
        QWidget::setTabOrder(*next, *(next + 1));
}

QHBoxLayout* buttonsAtBothEnds(QPushButton* left, QPushButton* right) {
    auto* row = new QHBoxLayout;
    row->addWidget(left);
    row->addStretch();
    row->addWidget(right);
    return row;
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
