#include "chara/CharaLoop.h"

#include "chara/CharaStage.h"
#include "chara/DrawChara.h"

CharaLoop::CharaLoop(CharaStage* stage, const QImage& sheet, CharaState& state, int intervalMs,
                     QObject* parent)
    : QObject(parent), m_stage(stage), m_sheet(sheet.convertToFormat(QImage::Format_RGB32)),
      m_state(state) {
    // A precise timer never fires early: each redraw waits at least its interval.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CharaLoop::drawFrame);
}

void CharaLoop::run() {
    ResetCharaPose(m_state);
    m_lastDrawn.reset();
    drawFrame();
    m_timer.start();
}

void CharaLoop::drawFrame() {
    // Drawing the same cell at the same place again changes no pixel: only this loop draws on
    // its stage.
    if (m_lastDrawn == m_state)
        return;
    m_lastDrawn = m_state;
    QImage& stage = m_stage->backImage();
    const QRect cell(m_state.CharaX, m_state.CharaY, charaCellSize, charaCellSize);
    const QImage before = stage.copy(cell);
    DrawChara(stage, m_sheet, m_state);
    if (stage.copy(cell) != before)
        m_stage->present();
}
