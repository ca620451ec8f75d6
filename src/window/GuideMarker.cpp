#include "window/GuideMarker.h"

#include <QEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace rimvista {

namespace {

// Screen coordinates of widgets are ints; keep well inside that range (and inside the
// widget size limit of 2^24 - 1 even for a far edge of Left + Width).
constexpr float kCoordinateLimit = 1.0e7f;

bool fitsCoordinates(float v) {
    return std::isfinite(v) && std::fabs(v) <= kCoordinateLimit;
}

}  // namespace

GuideMarker::GuideMarker(QWidget* picture) : QWidget(picture) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    // The widget covers only the part of the outline inside the picture, so it follows the
    // picture's size.
    if (picture) picture->installEventFilter(this);
    hide();
    place();
}

bool GuideMarker::setLeft(float v) {
    if (!fitsCoordinates(v)) return false;
    m_left = v;
    place();
    return true;
}

bool GuideMarker::setTop(float v) {
    if (!fitsCoordinates(v)) return false;
    m_top = v;
    place();
    return true;
}

bool GuideMarker::setMarkerWidth(float v) {
    if (!fitsCoordinates(v) || v < 0) return false;
    m_width = v;
    place();
    return true;
}

bool GuideMarker::setMarkerHeight(float v) {
    if (!fitsCoordinates(v) || v < 0) return false;
    m_height = v;
    place();
    return true;
}

void GuideMarker::setMarkerVisible(bool visible) {
    if (visible != isVisibleTo(parentWidget())) setVisible(visible);
}

void GuideMarker::setScale(double sx, double sy) {
    if (!(sx > 0) || !(sy > 0) || (sx == m_sx && sy == m_sy)) return;
    m_sx = sx;
    m_sy = sy;
    place();
}

QRectF GuideMarker::shown() const {
    // A width of W picture pixels covers columns Left .. Left + W - 1, that is widget columns
    // Left * sx up to (Left + W) * sx - 1.
    return {m_left * m_sx, m_top * m_sy, std::max(0.0, m_width * m_sx - 1),
            std::max(0.0, m_height * m_sy - 1)};
}

bool GuideMarker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) place();
    return QWidget::eventFilter(watched, event);
}

void GuideMarker::place() {
    // The outline plus a pixel on each side for the contrasting line, cut to the picture: a
    // marker far larger than the picture must not make a widget of that size.
    const int x0 = static_cast<int>(std::floor(m_left * m_sx)) - 1;
    const int y0 = static_cast<int>(std::floor(m_top * m_sy)) - 1;
    const int x1 = static_cast<int>(std::ceil((m_left + m_width) * m_sx)) + 1;
    const int y1 = static_cast<int>(std::ceil((m_top + m_height) * m_sy)) + 1;
    QRect covered(QPoint(x0, y0), QPoint(x1, y1));
    if (const QWidget* picture = parentWidget()) covered &= picture->rect();
    if (covered.isEmpty()) covered = QRect(0, 0, 0, 0);
    setGeometry(covered);
    update();
}

void GuideMarker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF r = shown().translated(-x(), -y());
    // A white line under a black dashed line stays visible on light and dark pictures alike.
    painter.setPen(QPen(Qt::white, 1, Qt::SolidLine));
    painter.drawRect(r);
    QPen dash(Qt::black, 1, Qt::CustomDashLine);
    dash.setDashPattern({4, 4});
    painter.setPen(dash);
    painter.drawRect(r);
}

}  // namespace rimvista
