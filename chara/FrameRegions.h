#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QRegion>
#include <array>

// The courier's eight frame pictures and their outlines. A frame's outline is every position of a
// 101 x 101 square whose colour differs from the picture's top-left pixel; positions past the
// picture have no colour and so always belong to it (the window is only as large as the picture,
// so they never show). Outlines are worked out once and kept as rectangles; showing a frame only
// rebuilds its region from them.
inline constexpr int frameCount = 8;
inline constexpr int frameScanSize = 101;

using FramePictures = std::array<QImage, frameCount>;

// One frame's outline as stored region data.
struct FrameRegionRecord {
    QList<QRect> rectangles;
};

using FrameRegions = std::array<FrameRegionRecord, frameCount>;

// One frame's outline, from its picture; BuildFrameRegions works out all eight.
FrameRegionRecord regionOfFrame(const QImage& picture);
FrameRegions BuildFrameRegions(const FramePictures& pictures);

QRegion regionFromRecord(const FrameRegionRecord& record);

// The supplied pictures: running left and right in two phases each; moving up shows the same
// pictures as moving sideways.
FramePictures loadFramePictures();
