#include "chara/Form1.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace {

constexpr int walkTickMs = 200;
// An hour's walk: where a courier unseen for longer stands is as random, and showing it stays
// quick.
constexpr qint64 maxUnseenTicks = 3600 * 1000 / walkTickMs;
constexpr float twipsPerInch = 1440.0f;

} // namespace

Form1& Form1::instance() {
    return FormInstance<Form1>::get();
}

Form1::Form1()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      m_walk(15.0f, 15.0f, clockSeededRandom()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("飛脚"));
    // The courier runs past; it must not take the keyboard from the window the user works in.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_timer.setParent(this);
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(walkTickMs);
    connect(&m_timer, &QTimer::timeout, this, &Form1::tick);
    m_unseenSince.start();
}

void Form1::load() {
    m_pictures = loadFramePictures();
    m_frameRegions = BuildFrameRegions(m_pictures);
    setFixedSize(m_pictures[0].size());
    const QScreen* screen = QGuiApplication::primaryScreen();
    m_twipsPerPixelX = twipsPerInch / static_cast<float>(screen->logicalDotsPerInchX());
    m_twipsPerPixelY = twipsPerInch / static_cast<float>(screen->logicalDotsPerInchY());
    m_walk = CourierWalk(m_twipsPerPixelX, m_twipsPerPixelY, clockSeededRandom());
    // At the pointer, as far as the primary screen, where the courier runs, allows.
    const QRect area = screen->geometry();
    const QPoint pointer = QCursor::pos();
    m_place = QPoint(std::clamp(pointer.x(), area.left(), area.right() + 1 - width()),
                     std::clamp(pointer.y(), area.top(), area.bottom() + 1 - height()));
    move(m_place);
}

void Form1::setRandomSource(CourierWalk::RandomSource random) {
    m_walk = CourierWalk(m_twipsPerPixelX, m_twipsPerPixelY, std::move(random));
}

QSize Form1::twipsOf(QSize pixels) const {
    return {static_cast<int>(std::lround(pixels.width() * m_twipsPerPixelX)),
            static_cast<int>(std::lround(pixels.height() * m_twipsPerPixelY))};
}

void Form1::tick() {
    // The walk waits while the user drags, so that the two do not pull the window to and fro,
    // and goes on from wherever the drag left it.
    if (m_dragged)
        return;
    if (isVisible())
        m_place = pos();
    takeStep();
    if (isVisible())
        move(m_place);
    ApplyFrameRegion(m_walk.frameIndex());
}

// The walk keeps to a screen whose corner is at (0, 0); the primary screen, where the courier
// runs, may lie anywhere on the desktop.
void Form1::takeStep() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint onScreen = m_place - screen.topLeft();
    const QPoint twips(static_cast<int>(std::lround(onScreen.x() * m_twipsPerPixelX)),
                       static_cast<int>(std::lround(onScreen.y() * m_twipsPerPixelY)));
    const QPoint next = m_walk.step(twips, twipsOf(m_pictures[0].size()), twipsOf(screen.size()));
    m_place = screen.topLeft() + QPoint(static_cast<int>(std::lround(next.x() / m_twipsPerPixelX)),
                                        static_cast<int>(std::lround(next.y() / m_twipsPerPixelY)));
}

void Form1::ApplyFrameRegion(int k) {
    m_shownFrame = k;
    m_frameUnseen = true;
    // Unseen, the shape and the picture reach the X server only when the courier is shown.
    if (isVisible())
        showFrame();
}

void Form1::showFrame() {
    setMask(regionFromRecord(m_frameRegions[m_shownFrame]));
    update();
    m_frameUnseen = false;
}

void Form1::showEvent(QShowEvent*) {
    catchUpUnseenTicks();
    move(m_place);
    if (m_frameUnseen)
        showFrame();
    m_timer.start();
}

// Called back, the courier walks on unseen. Nobody sees those steps, so they are taken when it is
// shown again rather than as they fall due: an idle program does not wake for them.
void Form1::hideEvent(QHideEvent*) {
    m_place = pos();
    m_timer.stop();
    m_unseenSince.start();
}

void Form1::catchUpUnseenTicks() {
    const qint64 due = std::min(m_unseenSince.elapsed() / walkTickMs, maxUnseenTicks);
    for (qint64 i = 0; i < due; ++i)
        takeStep();
    if (due > 0) {
        m_shownFrame = m_walk.frameIndex();
        m_frameUnseen = true;
    }
    m_unseenSince.invalidate();
}

void Form1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_pictures[m_shownFrame]);
}

void Form1::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragged = windowHandle()->startSystemMove(); // moved as by its caption
    else if (event->button() == Qt::RightButton)
        Q_EMIT endProgramRequested();
}

// The button's release ends the drag; the window manager passes it on when it lets go, and a
// move without buttons makes sure of it.
void Form1::mouseReleaseEvent(QMouseEvent*) {
    m_dragged = false;
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton)
        m_dragged = false;
}
