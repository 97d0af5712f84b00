#include "chara/CharaPose.h"
#include "chara/DrawChara.h"

#include <QImage>
#include <QTest>

namespace {

// A sheet whose every pose pixel and mask pixel is known: poses hold colours made from their
// position with pure white around a diamond, masks the diamond in white on black.
bool inFigure(int x, int y, int column) {
    const int centre = 15 + column; // step 1's figure stands one pixel further right
    return std::abs(x - centre) + std::abs(y - 16) <= 9;
}

QRgb poseColour(int x, int y, int row, int column) {
    return qRgb(40 + x * 5, 30 + y * 6, 60 * row + 20 * column);
}

QImage testSheet() {
    QImage sheet(64, 256, QImage::Format_RGB32);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 2; ++column)
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) {
                    const bool figure = inFigure(x, y, column);
                    const int sx = column * 32 + x;
                    sheet.setPixel(sx, row * 32 + y,
                                   figure ? poseColour(x, y, row, column) : qRgb(255, 255, 255));
                    sheet.setPixel(sx, row * 32 + y + 128,
                                   figure ? qRgb(255, 255, 255) : 0xFF000000);
                }
    return sheet;
}

QImage testStage() {
    QImage stage(41, 37, QImage::Format_RGB32);
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 41; ++x)
            stage.setPixel(x, y, qRgb(x * 6, 200 - y * 5, (x * y) % 256));
    return stage;
}

} // namespace

class TestDrawChara : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void drawsTheMaskedPosePixelExact_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::newRow("front view, step 0") << 0 << 2 << 0 << 0;
        QTest::newRow("front view, step 1") << 1 << 2 << 0 << 0;
        QTest::newRow("row 0, moved") << 1 << 0 << 5 << 3;
        QTest::newRow("cut by the stage's corner") << 0 << 3 << 20 << 15;
    }
    void drawsTheMaskedPosePixelExact() {
        QFETCH(int, step);
        QFETCH(int, row);
        QFETCH(int, left);
        QFETCH(int, top);
        const QImage sheet = testSheet();
        const QImage background = testStage();
        QImage stage = background;
        CharaPose state;
        state.CharaStep = qint16(step);
        state.CharaRow = qint16(row);
        state.CharaX = qint16(left);
        state.CharaY = qint16(top);
        DrawChara(stage, sheet, state);

        for (int y = 0; y < stage.height(); ++y)
            for (int x = 0; x < stage.width(); ++x) {
                const int cx = x - left, cy = y - top;
                const bool inCell = cx >= 0 && cx < 32 && cy >= 0 && cy < 32;
                const QRgb expected = inCell && inFigure(cx, cy, step)
                                          ? poseColour(cx, cy, row, step)
                                          : background.pixel(x, y);
                QCOMPARE(stage.pixel(x, y), expected);
            }
    }

    void drawsOnWhatIsThereWithoutRestoring() {
        const QImage sheet = testSheet();
        QImage stage = testStage();
        CharaPose state;
        resetCharaPose(state);
        DrawChara(stage, sheet, state);
        state.CharaStep = 1;
        DrawChara(stage, sheet, state);
        // Step 0's figure reaches one pixel further left than step 1's and stays drawn there.
        QCOMPARE(stage.pixel(6, 16), poseColour(6, 16, 2, 0));
        QCOMPARE(stage.pixel(7, 16), poseColour(7, 16, 2, 1));
        // The stage's right nine columns and bottom five rows never change.
        const QImage background = testStage();
        QCOMPARE(stage.copy(32, 0, 9, 37), background.copy(32, 0, 9, 37));
        QCOMPARE(stage.copy(0, 32, 41, 5), background.copy(0, 32, 41, 5));
    }

    void stepTimerTogglesTheStep() {
        CharaPose state;
        toggleCharaStep(state);
        QCOMPARE(state.CharaStep, qint16(1));
        toggleCharaStep(state);
        QCOMPARE(state.CharaStep, qint16(0));
        state.CharaStep = 7;
        toggleCharaStep(state);
        QCOMPARE(state.CharaStep, qint16(0));
    }
};

QTEST_GUILESS_MAIN(TestDrawChara)
#include "tst_drawchara.moc"
