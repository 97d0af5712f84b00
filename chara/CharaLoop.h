#pragma once

#include <QImage>
#include <QObject>
#include <QTimer>

#include "chara/CharaPose.h"

#include <optional>

class StageCanvas;

// A redraw loop: it draws the current cell onto its stage and presents that cell when the
// animation state changes. Only the step timers change what a stage shows,
// so the loop needs no timer of its own: a change is on the screen at once, within the cadence a
// timed loop would have (21 ms on the main window), and an idle program sleeps between steps.
// While a modal message box blocks the stage's window the loop stands still, as a loop that the
// box holds would; it draws the state of the moment when the box closes.
class CharaLoop : public QObject {
    Q_OBJECT
public:
    CharaLoop(StageCanvas* stage, const QImage& sheet, CharaPose& state, QObject* parent);
    ~CharaLoop() override;

    // Puts the character in its starting pose and draws from now on.
    void run();
    // Draws the state as it is now, once the loop runs.
    void stateChanged();
    // Every loop that draws state draws it as it is now: what a step timer calls after a tick.
    static void stateChangedEverywhere(const CharaPose& state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void drawFrame();

    StageCanvas* m_stage;
    QImage m_sheet;
    CharaPose& m_state;
    bool m_running = false;
    bool m_blocked = false; // by a modal message box
    std::optional<CharaPose> m_lastDrawn;
};

// A window's step timer "tmrCharaStep": every interval it toggles the shared CharaStep and has
// every loop draw the change.
QTimer* startCharaStepTimer(QObject* parent, int intervalMs);
