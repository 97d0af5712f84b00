#include "chara/CourierWalk.h"

#include <QTest>
#include <deque>
#include <memory>

namespace {

const QSize picture(64 * 15, 64 * 15);
const QSize screen(1024 * 15, 768 * 15);

// A random source that hands out the given numbers in turn and counts what it handed out.
struct Numbers {
    std::shared_ptr<std::deque<float>> left = std::make_shared<std::deque<float>>();
    CourierWalk::RandomSource source() const {
        return [left = left] {
            if (left->empty())
                qFatal("the walk asked for more random numbers than the test gave");
            const float value = left->front();
            left->pop_front();
            return value;
        };
    }
};

CourierWalk walkWith(std::initializer_list<float> numbers, float twipsPerPixel = 15.0f) {
    Numbers given;
    given.left->assign(numbers);
    return CourierWalk(twipsPerPixel, twipsPerPixel, given.source());
}

} // namespace

class TestCourierWalk : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aRunIsDrawnWhenTheLastOneEnds() {
        // r1 = 0 gives the shortest run, 6 ticks; r2 = r3 = 0.75 a step of 37.5 twips, rounded
        // to the even 38.
        CourierWalk walk = walkWith({0.0f, 0.75f, 0.75f, 0.99999994f, 0.25f, 0.5f});
        QPoint position(7500, 6000);
        for (int tick = 1; tick <= 6; ++tick) {
            position = walk.step(position, picture, screen);
            QCOMPARE(walk.StepsLeft, qint16(6 - tick));
            QCOMPARE(position, QPoint(7500 + 38 * tick, 6000 + 38 * tick));
            // Phase from what is left of the run, right-facing, not moving up.
            QCOMPARE(walk.frameIndex(), (6 - tick) % 2 + 2);
        }
        // The seventh tick draws the longest run (26 ticks) and already takes its first step.
        position = walk.step(position, picture, screen);
        QCOMPARE(walk.StepsLeft, qint16(25));
        QCOMPARE(walk.StepX, qint16(-38));
        QCOMPARE(walk.StepY, qint16(0));
        QCOMPARE(walk.frameIndex(), 1 + 0 + 0); // left-facing; StepY = 0 is not "up"
    }

    void stepsRoundHalvesToEven_data() {
        QTest::addColumn<float>("r2");
        QTest::addColumn<float>("twipsPerPixel");
        QTest::addColumn<int>("stepX");
        QTest::newRow("2.5 to 2") << 0.75f << 1.0f << 2;
        QTest::newRow("-2.5 to -2") << 0.25f << 1.0f << -2;
        QTest::newRow("7.5 to 8") << 0.75f << 3.0f << 8;
        QTest::newRow("the middle is no step") << 0.5f << 15.0f << 0;
        QTest::newRow("largest step") << 0.99999994f << 15.0f << 75;
        QTest::newRow("smallest step") << 0.0f << 15.0f << -75;
    }
    void stepsRoundHalvesToEven() {
        QFETCH(float, r2);
        QFETCH(float, twipsPerPixel);
        QFETCH(int, stepX);
        CourierWalk walk = walkWith({0.125f, r2, 0.5f}, twipsPerPixel);
        walk.step(QPoint(5000, 5000), picture, screen);
        QCOMPARE(int(walk.StepX), stepX);
        QCOMPARE(walk.StepsLeft, qint16(7)); // (1.25 + 3) * 2 = 8.5, rounded to the even 8
    }

    void edgesHoldTheCourierWithoutBouncing() {
        CourierWalk walk = walkWith({0.5f, 0.99999994f, 0.99999994f});
        const QPoint corner(screen.width() - picture.width(), screen.height() - picture.height());
        QPoint position = corner - QPoint(60, 10);
        for (int tick = 0; tick < 8; ++tick) {
            position = walk.step(position, picture, screen);
            QCOMPARE(position, corner);
            QCOMPARE(walk.StepX, qint16(75)); // still running right, on the spot
        }
        walk = walkWith({0.5f, 0.0f, 0.0f});
        position = walk.step(QPoint(30, 40), picture, screen);
        QCOMPARE(position, QPoint(0, 0));
        QCOMPARE(walk.frameIndex(), 1 + 0 + 4); // 15 ticks left: phase 1, left, up
    }
};

QTEST_GUILESS_MAIN(TestCourierWalk)
#include "tst_courierwalk.moc"
