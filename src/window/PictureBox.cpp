#include "window/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "core/ReducedCopy.h"
#include "window/DisplayScale.h"
#include "window/X11Pointer.h"

namespace rimvista {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), m_x11Pointer(X11Pointer::create()) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(16, 16);  // 240 twips at 15 twips per pixel, as designed
}

PictureBox::~PictureBox() = default;

void PictureBox::setPicture(PixelSurface picture) {
    m_surface = std::move(picture);
    m_reduced = QImage();
    if (m_surface.isNull()) {
        m_view = QImage();
        resize(16, 16);
    } else {
        // RGB32 is B, G, R, X in memory on little-endian machines: the surface's own layout.
        m_view = QImage(m_surface.bits(), m_surface.width(), m_surface.height(),
                        static_cast<qsizetype>(m_surface.bytesPerLine()), QImage::Format_RGB32);
        fitSize();
    }
    update();
}

void PictureBox::setZoom(double factor) {
    if (!(factor > 0) || factor == m_zoom) return;
    m_zoom = factor;
    if (m_reduction != reductionFor()) m_reduced = QImage();
    if (hasPicture()) fitSize();
    update();
}

void PictureBox::fitSize() {
    const auto extent = [this](int pixels) {
        return std::max(1, static_cast<int>(std::lround(pixels * m_zoom)));
    };
    resize(extent(m_surface.width()), extent(m_surface.height()));
}

double PictureBox::scaleX() const {
    return hasPicture() ? double(width()) / m_surface.width() : 1.0;
}

double PictureBox::scaleY() const {
    return hasPicture() ? double(height()) / m_surface.height() : 1.0;
}

QPointF PictureBox::toPicture(QPointF p) const {
    return {p.x() / scaleX(), p.y() / scaleY()};
}

int PictureBox::reductionFor() const {
    // The largest whole factor that still leaves the copy at least as large as what is shown,
    // so the last step to the shown size only ever enlarges, a little.
    return m_zoom >= 1.0 ? 1 : std::max(1, static_cast<int>(std::floor(1.0 / m_zoom + 1e-9)));
}

PixelSurface* PictureBox::surface() {
    if (m_failTransfers || m_surface.isNull()) return nullptr;
    return &m_surface;
}

void PictureBox::refreshReduced(const PixelRect& changed) {
    if (m_reduced.isNull() || m_reduction < 2) return;
    const PixelRect blocks = reducedBlocks(m_surface, m_reduction, changed);
    reduceBlocks(m_surface, m_reduction, blocks, m_reduced.bits(),
                 static_cast<std::size_t>(m_reduced.bytesPerLine()));
}

void PictureBox::surfaceChanged(const PixelRect& changed) {
    if (changed.isEmpty()) return;
    refreshReduced(changed);
    if (m_zoom == 1.0) {
        update(QRect(changed.x, changed.y, changed.width, changed.height));
        return;
    }
    // One widget pixel more on each side: the smoothed reduced copy blends neighbours.
    const double sx = scaleX(), sy = scaleY();
    const int x0 = static_cast<int>(std::floor(changed.x * sx)) - 1;
    const int y0 = static_cast<int>(std::floor(changed.y * sy)) - 1;
    const int x1 = static_cast<int>(std::ceil((changed.x + changed.width) * sx)) + 1;
    const int y1 = static_cast<int>(std::ceil((changed.y + changed.height) * sy)) + 1;
    update(QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)));
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect r = event->rect();
    if (m_view.isNull()) {
        painter.fillRect(r, palette().window());
        return;
    }
    if (m_zoom == 1.0) {
        // Only the exposed part is drawn, so a huge picture costs what is on screen.
        painter.drawImage(r.topLeft(), m_view, r);
        return;
    }
    const double sx = scaleX(), sy = scaleY();
    if (m_zoom > 1.0 || reductionFor() == 1) {
        // Whole picture pixels around the exposed part, each a block of sx x sy: unsmoothed when
        // enlarged, smoothed when shown a little smaller (no reduced copy pays off there).
        const int x0 = std::max(0, static_cast<int>(std::floor(r.left() / sx)));
        const int y0 = std::max(0, static_cast<int>(std::floor(r.top() / sy)));
        const int x1 =
            std::min(m_surface.width(), static_cast<int>(std::ceil((r.right() + 1) / sx)));
        const int y1 =
            std::min(m_surface.height(), static_cast<int>(std::ceil((r.bottom() + 1) / sy)));
        if (x1 <= x0 || y1 <= y0) return;
        if (m_zoom < 1.0) painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(x0 * sx, y0 * sy, (x1 - x0) * sx, (y1 - y0) * sy), m_view,
                          QRectF(x0, y0, x1 - x0, y1 - y0));
        return;
    }
    if (m_reduced.isNull()) {
        m_reduction = reductionFor();
        m_reduced = QImage(reducedExtent(m_surface.width(), m_reduction),
                           reducedExtent(m_surface.height(), m_reduction), QImage::Format_RGB32);
        if (m_reduced.isNull()) {
            painter.fillRect(r, palette().window());
            return;
        }
        refreshReduced({0, 0, m_surface.width(), m_surface.height()});
    }
    // The copy covers the picture's whole extent in blocks; the last block may reach past it.
    const double cx = sx * m_reduction, cy = sy * m_reduction;
    const QRectF target(0, 0, m_reduced.width() * cx, m_reduced.height() * cy);
    if (std::abs(cx - 1.0) > 1e-9 || std::abs(cy - 1.0) > 1e-9)
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRect(r);
    painter.drawImage(target, m_reduced);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved();
    event->accept();
}

QPointF PictureBox::exactPosition(const QMouseEvent* event) const {
    // Qt rounds the widget's own position to its whole pixels; the position in the window keeps
    // what the platform gave.
    const QPointF inWindow = event->scenePosition() - QPointF(mapTo(window(), QPoint(0, 0)));
    const QPointF reported = std::abs(inWindow.x() - event->position().x()) <= 1 &&
                                     std::abs(inWindow.y() - event->position().y()) <= 1
                                 ? inWindow
                                 : event->position();
    if (!m_x11Pointer) return reported;
    // X11 gives Qt whole pixels of its own already; the server's report of the press is finer.
    const std::optional<QPointF> root = m_x11Pointer->pressAt(event->timestamp());
    if (!root) return reported;
    const DisplayScale scale(screen());
    const QPointF local =
        (*root - scale.toNative(QPointF(mapToGlobal(QPoint(0, 0))))) / scale.factor;
    // The same press, seen finer: within the whole pixel Qt rounded it to.
    if (std::abs(local.x() - reported.x()) > 1 || std::abs(local.y() - reported.y()) > 1)
        return reported;
    return local;
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event->button(), toPicture(exactPosition(event)));
    event->accept();
}

}  // namespace rimvista
