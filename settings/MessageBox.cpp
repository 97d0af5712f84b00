#include "settings/MessageBox.h"

#include "settings/ReadProblems.h"

#include <QGuiApplication>

namespace {

struct TestState {
    std::optional<QMessageBox::StandardButton> answer;
    QList<MessageBox::Shown> shown;
};

TestState& testState() {
    static TestState state;
    return state;
}

} // namespace

namespace MessageBox {

QMessageBox::StandardButton show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                 const QString& text, QMessageBox::StandardButtons buttons) {
    if (testState().answer) {
        testState().shown.append({icon, title, text, buttons});
        return *testState().answer;
    }
    // A box waits for the user: the pointer shows the usual arrow over it, even in a busy spell.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(icon, title, text, buttons, parent);
    // An error's text can be selected and copied, to search for it or pass it on.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    return answer;
}

void error(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::NoIcon, QStringLiteral("エラー"), text, QMessageBox::Ok);
}

void showReadProblems(QWidget* parent) {
    for (const SaveFailure& problem : takeReadProblems())
        error(parent, problem.message);
}

void setTestAnswer(std::optional<QMessageBox::StandardButton> answer) {
    testState().answer = answer;
}

QList<Shown> takeShown() {
    return std::exchange(testState().shown, {});
}

} // namespace MessageBox
