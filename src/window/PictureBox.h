#pragma once
// Picture1: shows one picture, at its own size or zoomed, and keeps the persistent bitmap the
// frame engine paints into. At 100 % and above the widget paints straight from the surface
// through a QImage view; below 100 % it paints from a reduced copy that it keeps up to date where
// the engine reports changes, so a fitted 48-megapixel picture redraws in a few milliseconds.

#include <QImage>
#include <QPointF>
#include <QWidget>
#include <memory>

#include "core/PixelSurface.h"

namespace rimvista {

class X11Pointer;

class PictureBox : public QWidget, public PictureTarget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    // Makes `picture` the box's picture; the box takes its size at the current zoom. An empty
    // surface clears it.
    void setPicture(PixelSurface picture);
    bool hasPicture() const { return !m_surface.isNull(); }
    const PixelSurface& picture() const { return m_surface; }

    // Inside size in pixels: the picture's size, or the empty box's own size without one.
    int ScaleWidth() const { return hasPicture() ? m_surface.width() : width(); }
    int ScaleHeight() const { return hasPicture() ? m_surface.height() : height(); }

    // Shows the picture at `factor` times its size; the widget becomes the rounded size (at
    // least one pixel), so each axis has its own exact scale below.
    void setZoom(double factor);
    double zoom() const { return m_zoom; }
    // Widget pixels per picture pixel, per axis (1 at 100 %).
    double scaleX() const;
    double scaleY() const;
    // A point of the widget in picture pixels (fractional).
    QPointF toPicture(QPointF widgetPoint) const;

    // PictureTarget
    PixelSurface* surface() override;
    void surfaceChanged(const PixelRect& changed) override;

    // Makes every pixel transfer fail, as a device that refuses its bits would; lets tests prove
    // the commands stay consistent when painting cannot happen.
    void simulateTransferFailure(bool fail) { m_failTransfers = fail; }

signals:
    void mouseMoved();
    // `position` in picture pixels, as exact as the platform tells it (fractions of a pixel on
    // a scaled display or when zoomed).
    void mousePressed(Qt::MouseButton button, QPointF position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void fitSize();
    // The press's position in the widget, to the display's own pixel.
    QPointF exactPosition(const QMouseEvent* event) const;
    int reductionFor() const;
    void refreshReduced(const PixelRect& changed);

    PixelSurface m_surface;
    QImage m_view;
    double m_zoom = 1.0;
    // Box-filtered copy, one pixel per m_reduction x m_reduction block; null when not needed.
    QImage m_reduced;
    int m_reduction = 1;
    bool m_failTransfers = false;
    std::unique_ptr<X11Pointer> m_x11Pointer;
};

}  // namespace rimvista
