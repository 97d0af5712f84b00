#include "chara/DrawChara.h"

#include "resources/ProgramIcon.h"

#include <QImage>
#include <QSet>
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

    // Every size is pixel art: fully opaque or fully transparent pixels, and no more colours than
    // the drawings have; a blurring resample would add both.
    void iconComesInEverySizeCrisp() {
        QSet<QRgb> drawnColours;
        for (const int size : programIconSizes) {
            const QImage icon = QImage(QStringLiteral(":/images/icon%1.png").arg(size))
                                    .convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(icon.size(), QSize(size, size));
            QSet<QRgb> colours;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    const QRgb pixel = icon.pixel(x, y);
                    QVERIFY2(qAlpha(pixel) == 0 || qAlpha(pixel) == 255,
                             qPrintable(QStringLiteral("icon%1 at %2,%3").arg(size).arg(x).arg(y)));
                    if (qAlpha(pixel) == 255)
                        colours.insert(pixel);
                }
            QVERIFY(colours.size() > 4);
            QCOMPARE(qAlpha(icon.pixel(0, 0)), 0); // drawn on transparency
            if (size <= 48)
                drawnColours.unite(colours);
            else
                QVERIFY2(drawnColours.contains(colours), qPrintable(QString::number(size)));
        }
    }
};

QTEST_GUILESS_MAIN(TestArtwork)
#include "tst_artwork.moc"
