#include "ui/MessageBoxes.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

namespace {

struct TestState {
    std::optional<QMessageBox::StandardButton> answer;
    QList<MessageBoxes::Shown> shown;
};

TestState& testState() {
    static TestState state;
    return state;
}

// Bidirectional controls would let a server's text reorder what is shown around them.
bool isBidiControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// What a shown box does beyond Qt's own.
// - Qt lays a box out for the label's preferred width, and a long name that has to wrap anywhere
//   then takes more lines than the box gives it: its last lines would be cut off. Once the label
//   has its final width, the box grows by what is missing.
// - Ctrl+C with nothing selected copies the whole box, title, text and buttons, as Windows does,
//   to pass a message on.
class BoxManners : public QObject {
public:
    BoxManners(QMessageBox& box, QLabel* label) : QObject(&box), m_box(box), m_label(label) {
        label->installEventFilter(this);
        box.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_label && event->type() == QEvent::Resize)
            QMetaObject::invokeMethod(this, &BoxManners::grow, Qt::QueuedConnection);
        if (watched == &m_box && event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy) &&
            !m_label->hasSelectedText()) {
            copyWhole();
            return true;
        }
        return false;
    }

private:
    void copyWhole() const {
        QStringList buttons;
        for (const QAbstractButton* button : m_box.buttons())
            buttons << button->text().remove(QLatin1Char('&'));
        QGuiApplication::clipboard()->setText(
            QStringList{m_box.windowTitle(), m_label->text(), buttons.join(QStringLiteral("   "))}
                .join(QLatin1Char('\n')));
    }

    void grow() {
        const int missing = m_label->heightForWidth(m_label->width()) - m_label->height();
        if (missing <= 0)
            return;
        m_label->setMinimumHeight(m_label->height() + missing);
        m_box.setFixedHeight(m_box.height() + missing);
    }

    QMessageBox& m_box;
    QLabel* m_label;
};

// Qt keeps a column for an icon that a box does not have, as wide as a gap on some styles: the
// text would stand indented. Without an icon the text takes the icon's place.
void dropIconIndent(QMessageBox& box, QLabel* label) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid || grid->indexOf(label) < 0)
        return;
    for (int i = grid->count() - 1; i >= 0; --i) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        if (grid->itemAt(i)->spacerItem() && row == 0 && column == 0)
            delete grid->takeAt(i);
    }
    grid->removeWidget(label);
    grid->addWidget(label, 0, 0, 1, -1);
}

} // namespace

namespace MessageBoxes {

QString shownText(const QString& text) {
    QString shown;
    for (const char32_t c : text.toUcs4()) {
        const bool control = (c < 0x20 && c != u'\n' && c != u'\t') || (c >= 0x7F && c < 0xA0);
        if (control || isBidiControl(c))
            shown += QStringLiteral("<U+%1>").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
        else
            shown += QString::fromUcs4(&c, 1);
    }
    return shown;
}

QMessageBox::StandardButton show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                 const QString& text, QMessageBox::StandardButtons buttons) {
    if (testState().answer) {
        testState().shown.append({icon, title, shownText(text), buttons});
        return *testState().answer;
    }
    // A box waits for the user: the pointer shows the usual arrow over it, even in a busy spell.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    // A window not yet or no longer on the screen is no place to centre on: the screen is.
    QWidget* owner = parent && parent->isVisible() ? parent : nullptr;
    QMessageBox box(icon, title, shownText(text), buttons, owner);
    // A server's text is shown as it is, never as markup.
    box.setTextFormat(Qt::PlainText);
    // An error's text can be selected with the mouse and copied, to search for it or pass it
    // on; no text caret blinks in it.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        if (icon == QMessageBox::NoIcon)
            dropIconIndent(box, label);
        new BoxManners(box, label);
        // Qt wraps any line past 500 pixels, inside a Japanese word if it must: the box is made
        // wide enough for the widest line instead, as far as three quarters of the screen.
        const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
        int widest = 0;
        for (const QString& line : box.text().split(QLatin1Char('\n')))
            widest = qMax(widest, label->fontMetrics().horizontalAdvance(line) + 1);
        label->setMinimumWidth(qMin(widest, screen->availableGeometry().width() * 3 / 4));
    }
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    return answer;
}

void error(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::NoIcon, QStringLiteral("エラー"), text, QMessageBox::Ok);
}

void setTestAnswer(std::optional<QMessageBox::StandardButton> answer) {
    testState().answer = answer;
}

QList<Shown> takeShown() {
    return std::exchange(testState().shown, {});
}

} // namespace MessageBoxes
