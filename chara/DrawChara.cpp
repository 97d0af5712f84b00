#include "chara/DrawChara.h"

#include <QImage>

void DrawChara(QImage& stage, const QImage& sheet, const CharaPose& state) {
    // Word by word in 32-bit RGB, a few microseconds: a painter would cost more than the drawing.
    Q_ASSERT(stage.format() == QImage::Format_RGB32 && sheet.format() == QImage::Format_RGB32);
    const QPoint pose(state.CharaStep * charaCellSize, state.CharaRow * charaCellSize);
    const QPoint target(state.CharaX, state.CharaY);
    const QRect cell = QRect(target, QSize(charaCellSize, charaCellSize)) & stage.rect() &
                       sheet.rect().translated(target - pose) &
                       sheet.rect().translated(target - pose - QPoint(0, charaMaskOffset));
    const QPoint toSheet = pose - target;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(stage.scanLine(y));
        const auto* colour = reinterpret_cast<const QRgb*>(sheet.constScanLine(y + toSheet.y()));
        const auto* mask =
            reinterpret_cast<const QRgb*>(sheet.constScanLine(y + toSheet.y() + charaMaskOffset));
        for (int x = cell.left(); x <= cell.right(); ++x)
            out[x] = (out[x] | mask[x + toSheet.x()]) & colour[x + toSheet.x()];
    }
}
