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

QRectF GuideMarker::outline(double dpr, double line) const {
    // In the display's own pixels, each of which belongs to the picture pixel its centre lies in:
    // the outline's lines, `line` thick, lie on the outermost of them inside the framed area.
    const auto first = [](double edge) { return std::ceil(edge - 0.5); };
    const double left = first(m_left * m_sx * dpr), top = first(m_top * m_sy * dpr);
    const double right = first((m_left + m_width) * m_sx * dpr);  // one past the last
    const double bottom = first((m_top + m_height) * m_sy * dpr);
    return {left + line / 2, top + line / 2, std::max(0.0, right - left - line),
            std::max(0.0, bottom - top - line)};
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
    const double dpr = devicePixelRatioF();
    const double line = std::max(1.0, std::round(dpr));  // one of Qt's pixels, in whole ones
    painter.scale(1 / dpr, 1 / dpr);
    painter.translate(-x() * dpr, -y() * dpr);
    const QRectF r = outline(dpr, line);
    // A white line under a black dashed line stays visible on light and dark pictures alike.
    painter.setPen(QPen(Qt::white, line, Qt::SolidLine));
    painter.drawRect(r);
    QPen dash(Qt::black, line, Qt::CustomDashLine);
    dash.setDashPattern({4, 4});
    painter.setPen(dash);
    painter.drawRect(r);
}

}  // namespace rimvista
