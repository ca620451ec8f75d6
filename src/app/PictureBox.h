#pragma once
// Picture1: shows one picture at its own size, in pixels, and keeps the persistent bitmap the
// frame engine paints into. The widget never copies the pixels: it paints straight from the
// surface through a QImage view.

#include <QImage>
#include <QWidget>

#include "engine/PixelSurface.h"

namespace rimvista {

class PictureBox : public QWidget, public PictureTarget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Makes `picture` the box's picture; the box takes its size. An empty surface clears it.
    void setPicture(PixelSurface picture);
    bool hasPicture() const { return !m_surface.isNull(); }
    const PixelSurface& picture() const { return m_surface; }

    // Inside size in pixels: the picture's size, or the empty box's own size without one.
    int ScaleWidth() const { return hasPicture() ? m_surface.width() : width(); }
    int ScaleHeight() const { return hasPicture() ? m_surface.height() : height(); }

    // PictureTarget
    PixelSurface* surface() override;
    void surfaceChanged(const PixelRect& changed) override;

    // Makes every pixel transfer fail, as a device that refuses its bits would; lets tests prove
    // the commands stay consistent when painting cannot happen.
    void simulateTransferFailure(bool fail) { m_failTransfers = fail; }

signals:
    void mouseMoved();
    void mousePressed(Qt::MouseButton button, QPointF position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    PixelSurface m_surface;
    QImage m_view;
    bool m_failTransfers = false;
};

}  // namespace rimvista
