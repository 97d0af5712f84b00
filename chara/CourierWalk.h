#pragma once

#include <QPoint>
#include <QSize>
#include <functional>

// The courier's wander over the screen, in twips: straight runs of 6 to 26 ticks, each tick a
// step of up to 5 pixels' worth along each axis, held at the screen's edges.
class CourierWalk {
public:
    // Uniform numbers in [0, 1).
    using RandomSource = std::function<float()>;

    CourierWalk(float twipsPerPixelX, float twipsPerPixelY, RandomSource random);

    // One tick from where the window stands now (the user may have dragged it). Returns the new
    // top-left corner; frameIndex() then tells which picture to show.
    QPoint step(QPoint position, QSize pictureTwips, QSize screenTwips);

    // Running phase in bit 0, moving right in bit 1, moving up in bit 2.
    int frameIndex() const;

    qint16 StepX = 0;
    qint16 StepY = 0;
    qint16 StepsLeft = 0;

private:
    float m_twipsPerPixelX;
    float m_twipsPerPixelY;
    RandomSource m_random;
};

// A clock-seeded source for the program.
CourierWalk::RandomSource clockSeededRandom();
