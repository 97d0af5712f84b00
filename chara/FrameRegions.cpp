#include "chara/FrameRegions.h"

FrameRegionRecord regionOfFrame(const QImage& picture) {
    const QRgb key = picture.pixel(0, 0);
    const auto belongs = [&](int x, int y) {
        return !picture.valid(x, y) || picture.pixel(x, y) != key;
    };
    // Column by column, each column top to bottom; a run of outline pixels in a column joins the
    // region in one piece, which gives the same region as adding them one by one.
    QRegion outline;
    for (int x = 0; x < frameScanSize; ++x) {
        for (int y = 0; y < frameScanSize; ++y) {
            if (!belongs(x, y))
                continue;
            const int top = y;
            while (y + 1 < frameScanSize && belongs(x, y + 1))
                ++y;
            outline += QRect(x, top, 1, y - top + 1);
        }
    }
    return {QList<QRect>(outline.begin(), outline.end())};
}

FrameRegions BuildFrameRegions(const FramePictures& pictures) {
    FrameRegions regions;
    for (int i = 0; i < frameCount; ++i)
        regions[i] = regionOfFrame(pictures[i]);
    return regions;
}

QRegion regionFromRecord(const FrameRegionRecord& record) {
    QRegion region;
    region.setRects(record.rectangles.constData(), static_cast<int>(record.rectangles.size()));
    return region;
}

FramePictures loadFramePictures() {
    FramePictures pictures;
    for (int i = 0; i < frameCount; ++i)
        pictures[i] = QImage(QStringLiteral(":/images/frame%1.png").arg(i))
                          .convertToFormat(QImage::Format_RGB32);
    return pictures;
}
