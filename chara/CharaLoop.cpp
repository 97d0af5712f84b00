#include "chara/CharaLoop.h"

#include "chara/DrawChara.h"
#include "chara/StageCanvas.h"

#include <QEvent>

namespace {

// The loops there are, so that a change of a state shared by two windows reaches both.
QList<CharaLoop*>& loops() {
    static QList<CharaLoop*> all;
    return all;
}

} // namespace

CharaLoop::CharaLoop(StageCanvas* stage, const QImage& sheet, CharaPose& state, QObject* parent)
    : QObject(parent), m_stage(stage), m_sheet(sheet.convertToFormat(QImage::Format_RGB32)),
      m_state(state) {
    loops().append(this);
    m_stage->window()->installEventFilter(this);
}

CharaLoop::~CharaLoop() {
    loops().removeOne(this);
}

void CharaLoop::stateChangedEverywhere(const CharaPose& state) {
    for (CharaLoop* loop : loops())
        if (&loop->m_state == &state)
            loop->stateChanged();
}

void CharaLoop::run() {
    resetCharaPose(m_state);
    m_lastDrawn.reset();
    m_running = true;
    drawFrame();
}

void CharaLoop::stateChanged() {
    if (m_running && !m_blocked)
        drawFrame();
}

bool CharaLoop::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::WindowBlocked) {
        m_blocked = true;
    } else if (event->type() == QEvent::WindowUnblocked) {
        m_blocked = false;
        stateChanged();
    }
    return false;
}

void CharaLoop::drawFrame() {
    // Drawing the same cell at the same place again changes no pixel: only this loop draws on
    // its stage.
    if (m_lastDrawn == m_state)
        return;
    m_lastDrawn = m_state;
    DrawChara(m_stage->backImage(), m_sheet, m_state);
    m_stage->present(QRect(m_state.CharaX, m_state.CharaY, charaCellSize, charaCellSize));
}

QTimer* startCharaStepTimer(QObject* parent, int intervalMs) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QStringLiteral("tmrCharaStep"));
    QObject::connect(timer, &QTimer::timeout, parent, [] {
        toggleCharaStep(sharedCharaPose());
        CharaLoop::stateChangedEverywhere(sharedCharaPose());
    });
    timer->start(intervalMs);
    return timer;
}
