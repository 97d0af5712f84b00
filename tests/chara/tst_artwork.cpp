#include "chara/DrawChara.h"

#include <QImage>
#include <QTest>

// The pictures the program ships: what the drawing code relies on of them.
class TestArtwork : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sheetMasksMatchTheirPosesExactly() {
        const QImage sheet =
            QImage(QStringLiteral(":/images/chara.png")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(sheet.size(), QSize(64, 256));
        const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
        for (int y = 0; y < charaMaskOffset; ++y)
            for (int x = 0; x < sheet.width(); ++x) {
                const QRgb pose = sheet.pixel(x, y);
                const QRgb mask = sheet.pixel(x, y + charaMaskOffset);
                QCOMPARE(mask, pose == white ? black : white);
            }
        // Every cell holds a figure.
        QImage blank(charaCellSize, charaCellSize, QImage::Format_RGB32);
        blank.fill(white);
        for (int cell = 0; cell < 8; ++cell)
            QVERIFY(sheet.copy((cell % 2) * 32, (cell / 2) * 32, 32, 32) != blank);
    }

    void stageIsCutFromTheSceneWhereItStands() {
        const QImage scene =
            QImage(QStringLiteral(":/images/scene.png")).convertToFormat(QImage::Format_RGB32);
        const QImage stage =
            QImage(QStringLiteral(":/images/stage.png")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(scene.size(), QSize(279, 179));
        QCOMPARE(stage.size(), QSize(41, 37));
        // The scene shows inside a two-pixel border, so client (240, 136) is scene (238, 134).
        QCOMPARE(stage, scene.copy(238, 134, 41, 37));
    }

    void iconIsA32PixelPictureOfAtMost256Colours() {
        const QImage icon(QStringLiteral(":/images/icon.png"));
        QCOMPARE(icon.size(), QSize(32, 32));
        QSet<QRgb> colours;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                colours.insert(icon.pixel(x, y));
        QVERIFY(colours.size() <= 256);
    }
};

QTEST_GUILESS_MAIN(TestArtwork)
#include "tst_artwork.moc"
