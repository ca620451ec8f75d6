#pragma once
// Qt's pixels and the display's own on one screen. Qt keeps a screen's top-left corner where the
// display has it and scales everything from there by the screen's pixel ratio.

#include <QPointF>
#include <QRect>
#include <QScreen>

namespace rimvista {

struct DisplayScale {
    double factor = 1.0;
    QPointF origin;

    explicit DisplayScale(const QScreen* screen) {
        if (!screen) return;
        factor = screen->devicePixelRatio();
        origin = screen->geometry().topLeft();
    }
    QPointF toNative(QPointF p) const { return origin + (p - origin) * factor; }
    QPointF toLogical(QPointF p) const { return origin + (p - origin) / factor; }
    QRect toNative(const QRectF& r) const {
        const QPointF topLeft = toNative(r.topLeft());
        return QRect(qRound(topLeft.x()), qRound(topLeft.y()), qRound(r.width() * factor),
                     qRound(r.height() * factor));
    }
    QRectF toLogical(const QRect& r) const {
        return QRectF(toLogical(QPointF(r.topLeft())), QSizeF(r.size()) / factor);
    }
};

}  // namespace rimvista
