#include "chara/DrawChara.h"

#include <QImage>
#include <QPainter>

void DrawChara(QImage& stage, const QImage& sheet, const CharaState& state) {
    const QPoint target(state.CharaX, state.CharaY);
    const QRect pose(state.CharaStep * charaCellSize, state.CharaRow * charaCellSize, charaCellSize,
                     charaCellSize);
    QPainter painter(&stage);
    painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    painter.drawImage(target, sheet, pose.translated(0, charaMaskOffset));
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.drawImage(target, sheet, pose);
}
