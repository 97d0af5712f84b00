#include "chara/FrameRegions.h"

#include <QTest>

namespace {

const QRgb grey = qRgb(160, 160, 160);

// A ring: a figure with a hole of the key colour inside it.
QImage ringPicture() {
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(grey);
    for (int y = 10; y < 50; ++y)
        for (int x = 8; x < 40; ++x)
            if (!(x >= 18 && x < 30 && y >= 20 && y < 40))
                picture.setPixel(x, y, qRgb(200, 40 + x, 30 + y));
    return picture;
}

// Every position of the scan square that the outline must hold, and no other.
void expectOutline(const QImage& picture, const QRegion& region) {
    const QRgb key = picture.pixel(0, 0);
    for (int y = 0; y < frameScanSize; ++y)
        for (int x = 0; x < frameScanSize; ++x) {
            const bool expected = !picture.valid(x, y) || picture.pixel(x, y) != key;
            if (region.contains(QPoint(x, y)) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
    QVERIFY(!region.contains(QPoint(frameScanSize, 0)));
    QVERIFY(!region.contains(QPoint(0, frameScanSize)));
}

} // namespace

class TestFrameRegions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void outlineHoldsExactlyTheFigureWithItsHoles() {
        const QImage picture = ringPicture();
        expectOutline(picture, regionFromRecord(regionOfFrame(picture)));
        QVERIFY(!regionFromRecord(regionOfFrame(picture)).contains(QPoint(20, 25)));
    }

    void aPictureAllInItsKeyShowsNothing() {
        QImage picture(64, 64, QImage::Format_RGB32);
        picture.fill(qRgb(12, 34, 56));
        const QRegion region = regionFromRecord(regionOfFrame(picture));
        QVERIFY(region.intersected(QRect(0, 0, 64, 64)).isEmpty());
        QVERIFY(region.contains(QPoint(64, 0)) && region.contains(QPoint(0, 64)));
    }

    void theTopLeftPixelIsTheKeyWhateverItsColour() {
        QImage picture = ringPicture();
        picture.setPixel(0, 0, qRgb(255, 0, 0));
        const QRegion region = regionFromRecord(regionOfFrame(picture));
        expectOutline(picture, region);
        QVERIFY(!region.contains(QPoint(0, 0)));
        QVERIFY(region.contains(QPoint(1, 0))); // grey is just another colour now
    }

    void suppliedFramesAreOutlinedExactly() {
        const FramePictures pictures = loadFramePictures();
        const FrameRegions regions = BuildFrameRegions(pictures);
        for (int i = 0; i < frameCount; ++i) {
            QCOMPARE(pictures[i].size(), QSize(64, 64));
            QCOMPARE(pictures[i].pixel(0, 0), grey);
            expectOutline(pictures[i], regionFromRecord(regions[i]));
            // The stored form has room for 201 rectangles in its original form.
            QVERIFY(regions[i].rectangles.size() <= 201);
        }
        // Running up shows the courier's back, not its face; left and right runs face opposite
        // ways, and the two phases of a run differ.
        for (int i = 0; i < 4; ++i)
            QVERIFY(regions[i + 4].rectangles != regions[i].rectangles);
        for (const int i : {0, 1, 4, 5})
            QVERIFY(regions[i].rectangles != regions[i + 2].rectangles);
        for (int i = 0; i < frameCount; i += 2)
            QVERIFY(pictures[i] != pictures[i + 1]);
    }
};

QTEST_GUILESS_MAIN(TestFrameRegions)
#include "tst_frameregions.moc"
