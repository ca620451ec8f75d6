#include "window/WindowLayout.h"

#include <algorithm>
#include <utility>

namespace rimvista {

WindowLayout computeLayout(double width, double height) {
    WindowLayout l;
    l.viewport = QRectF(100, 100, std::max(0.0, width - 2500), std::max(0.0, height - 700));
    l.vScroll = QRectF(l.viewport.left() + l.viewport.width(), l.viewport.top(),
                       kScrollBarThickness, l.viewport.height());
    l.hScroll = QRectF(l.viewport.left(), l.viewport.top() + l.viewport.height(),
                       l.viewport.width(), kScrollBarThickness);
    l.panel = QPointF(l.vScroll.left() + l.vScroll.width() + 100, l.vScroll.top());
    l.sizeLabel = QRectF(l.viewport.left(), l.hScroll.top() + l.hScroll.height(), l.hScroll.width(),
                         kSizeLabelHeight);
    return l;
}

namespace {

// Start and length of one axis.
std::pair<int, int> fitAxis(int start, int length, int areaStart, int areaLength, int minimum) {
    length = std::max(std::min(length, areaLength), minimum);
    start = std::min(start, areaStart + areaLength - length);
    return {std::max(start, areaStart), length};
}

}  // namespace

QRect fitFrameInto(const QRect& frame, const QRect& area, QSize minimum) {
    if (area.isEmpty()) return QRect(frame.topLeft(), frame.size().expandedTo(minimum));
    const auto [x, w] = fitAxis(frame.x(), frame.width(), area.x(), area.width(), minimum.width());
    const auto [y, h] =
        fitAxis(frame.y(), frame.height(), area.y(), area.height(), minimum.height());
    return QRect(x, y, w, h);
}

float scrollPosition(double pictureExtent, double viewportInnerExtent, int value) {
    return static_cast<float>(-(pictureExtent - viewportInnerExtent) * value / 100.0);
}

}  // namespace rimvista
