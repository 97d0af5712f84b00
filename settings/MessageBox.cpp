#include "settings/MessageBox.h"

#include "settings/ReadProblems.h"

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
    QMessageBox box(icon, title, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
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
