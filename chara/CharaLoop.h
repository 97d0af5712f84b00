#pragma once

#include <QImage>
#include <QObject>
#include <QTimer>

#include "chara/CharaState.h"

#include <optional>

class CharaStage;

// A redraw loop: every interval it draws the current cell onto its stage and presents the stage
// when that changed a pixel, so that an unchanged stage costs no repaint.
class CharaLoop : public QObject {
    Q_OBJECT
public:
    CharaLoop(CharaStage* stage, const QImage& sheet, CharaState& state, int intervalMs,
              QObject* parent);

    // Puts the character in its starting pose and draws from now on.
    void run();

private:
    void drawFrame();

    CharaStage* m_stage;
    QImage m_sheet;
    CharaState& m_state;
    std::optional<CharaState> m_lastDrawn;
    QTimer m_timer;
};
