#include "chara/CourierWalk.h"

#include <chrono>
#include <cmath>
#include <memory>
#include <random>

namespace {

// Whole numbers are taken to the nearest, halves to the even neighbour.
qint16 roundToEven(float value) {
    return static_cast<qint16>(std::nearbyint(value));
}

} // namespace

CourierWalk::CourierWalk(float twipsPerPixelX, float twipsPerPixelY, RandomSource random)
    : m_twipsPerPixelX(twipsPerPixelX), m_twipsPerPixelY(twipsPerPixelY),
      m_random(std::move(random)) {}

QPoint CourierWalk::step(QPoint position, QSize pictureTwips, QSize screenTwips) {
    if (StepsLeft < 1) {
        const float r1 = m_random();
        const float r2 = m_random();
        const float r3 = m_random();
        StepsLeft = roundToEven((r1 * 10.0f + 3.0f) * 2.0f);
        StepX = roundToEven((r2 * 10.0f - 5.0f) * m_twipsPerPixelX);
        StepY = roundToEven((r3 * 10.0f - 5.0f) * m_twipsPerPixelY);
    }
    --StepsLeft;
    qint32 left = position.x() + StepX;
    qint32 top = position.y() + StepY;
    left = qMax(left, 0);
    top = qMax(top, 0);
    if (pictureTwips.width() + left > screenTwips.width())
        left = screenTwips.width() - pictureTwips.width();
    if (pictureTwips.height() + top > screenTwips.height())
        top = screenTwips.height() - pictureTwips.height();
    return {left, top};
}

int CourierWalk::frameIndex() const {
    return StepsLeft % 2 + (StepX > 0 ? 2 : 0) + (StepY < 0 ? 4 : 0);
}

CourierWalk::RandomSource clockSeededRandom() {
    const auto seed =
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    auto engine = std::make_shared<std::mt19937_64>(seed);
    return [engine] {
        // The distribution may round up to 1 in single precision; the walk needs [0, 1).
        float value = 1.0f;
        while (value >= 1.0f)
            value = std::uniform_real_distribution<float>(0.0f, 1.0f)(*engine);
        return value;
    };
}
