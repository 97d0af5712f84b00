#pragma once

#include "ui/FormInstance.h"

#include "chara/CourierWalk.h"
#include "chara/FrameRegions.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

// The courier let loose on the desktop: a borderless window above all others, cut to the outline
// of the picture it shows, that wanders about the screen until it is called back. The left button
// drags it; the right button ends the program.
class Form1 : public QWidget {
    Q_OBJECT
public:
    // The one courier window, made hidden and loaded on first use.
    static Form1& instance();

    // Shows frame k: its picture, and its outline as the window's shape.
    void ApplyFrameRegion(int k);

    // One tick of Timer1, which runs while the courier is shown: a step of the walk, then the
    // frame that goes with it.
    void tick();

    // Replaces the clock-seeded random numbers of the walk.
    void setRandomSource(CourierWalk::RandomSource random);

Q_SIGNALS:
    // A right click: the program is to end at once.
    void endProgramRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    friend class FormInstance<Form1>;
    friend class TestForm1; // reads the walk, the place and the frame shown
    Form1();
    void load();
    QSize twipsOf(QSize pixels) const;
    void showFrame();
    void catchUpUnseenTicks();
    // A step of the walk from m_place, to m_place.
    void takeStep();

    FramePictures m_pictures;
    FrameRegions m_frameRegions;
    int m_shownFrame = 0;
    bool m_frameUnseen = true; // the frame last chosen has not reached the window (none has yet)
    QPoint m_place;
    bool m_dragged = false; // the window manager is moving it for the user
    float m_twipsPerPixelX = 15.0f;
    float m_twipsPerPixelY = 15.0f;
    CourierWalk m_walk;
    QTimer m_timer;
    QElapsedTimer m_unseenSince; // valid while hidden
};
