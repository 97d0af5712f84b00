// What idling costs any Qt program on this machine, for bench/idle to compare with: a window
// with a timer of the main window's step that does nothing ("timer"), or that also repaints a
// 32 x 32 cell of a 41 x 37 child widget, as a step of the stage does ("repaint").

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class Cell : public QWidget {
public:
    explicit Cell(QWidget* parent) : QWidget(parent), m_image(41, 37, QImage::Format_RGB32) {
        setFixedSize(m_image.size());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void step() {
        m_image.fill((m_step = !m_step) ? Qt::darkBlue : Qt::darkRed);
        repaint(QRect(9, 5, 32, 32));
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter(this).drawImage(event->rect().topLeft(), m_image, event->rect());
    }

private:
    QImage m_image;
    bool m_step = false;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const bool repaint = argc > 1 && qstrcmp(argv[1], "repaint") == 0;
    QWidget window;
    window.setWindowTitle(QStringLiteral("idle reference"));
    window.resize(281, 200);
    auto* cell = new Cell(&window);
    cell->move(240, 136);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, cell, [cell, repaint] {
        if (repaint)
            cell->step();
    });
    timer.start(300);
    window.show();
    return QApplication::exec();
}
