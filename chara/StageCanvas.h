#pragma once

#include <QImage>
#include <QWidget>

// A stage: a small picture area that shows its back image, into which the redraw loop draws.
class StageCanvas : public QWidget {
    Q_OBJECT
public:
    StageCanvas(const QImage& background, QWidget* parent);

    QImage& backImage() { return m_backImage; }

    // Shows the part of the back image that was drawn on, now: a step is on the screen when it
    // happens, without another pass of the event loop. Unseen, it costs nothing.
    void present(const QRect& drawn) { repaint(drawn); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_backImage;
};
