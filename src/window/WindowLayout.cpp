#include "window/WindowLayout.h"

#include <algorithm>

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

float scrollPosition(double pictureExtent, double viewportInnerExtent, int value) {
    return static_cast<float>(-(pictureExtent - viewportInnerExtent) * value / 100.0);
}

}  // namespace rimvista
