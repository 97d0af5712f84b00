#pragma once

#include <QImage>
#include <QWidget>

// A stage: a small picture area that shows its back image, into which the redraw loop draws.
class CharaStage : public QWidget {
    Q_OBJECT
public:
    CharaStage(const QImage& background, QWidget* parent);

    QImage& backImage() { return m_backImage; }

    // Shows the back image as it now stands.
    void present() { update(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_backImage;
};
