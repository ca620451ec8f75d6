#include "app/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace rimvista {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(16, 16);  // 240 twips at 15 twips per pixel, as designed
}

void PictureBox::setPicture(PixelSurface picture) {
    m_surface = std::move(picture);
    if (m_surface.isNull()) {
        m_view = QImage();
        resize(16, 16);
    } else {
        // RGB32 is B, G, R, X in memory on little-endian machines: the surface's own layout.
        m_view = QImage(m_surface.bits(), m_surface.width(), m_surface.height(),
                        static_cast<qsizetype>(m_surface.bytesPerLine()), QImage::Format_RGB32);
        resize(m_surface.width(), m_surface.height());
    }
    update();
}

PixelSurface* PictureBox::surface() {
    if (m_failTransfers || m_surface.isNull()) return nullptr;
    return &m_surface;
}

void PictureBox::surfaceChanged(const PixelRect& changed) {
    if (changed.isEmpty()) return;
    update(QRect(changed.x, changed.y, changed.width, changed.height));
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect r = event->rect();
    if (m_view.isNull()) {
        painter.fillRect(r, palette().window());
        return;
    }
    // Only the exposed part is drawn, so a huge picture costs what is on screen.
    painter.drawImage(r.topLeft(), m_view, r);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved();
    event->accept();
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event->button(), event->position());
    event->accept();
}

}  // namespace rimvista
