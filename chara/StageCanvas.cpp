#include "chara/StageCanvas.h"

#include <QPaintEvent>
#include <QPainter>

StageCanvas::StageCanvas(const QImage& background, QWidget* parent)
    : QWidget(parent), m_backImage(background.convertToFormat(QImage::Format_RGB32)) {
    setObjectName(QStringLiteral("picMain"));
    setFixedSize(m_backImage.size());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StageCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect().topLeft(), m_backImage, event->rect());
}
