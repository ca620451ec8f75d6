// The view over the picture: the wheel moves it by screen pixels, the same at every zoom; the
// bars show and set the share of the picture's overflow that is scrolled.
#include <QApplication>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "window/EventHook.h"
#include "window/FrmMain.h"
#include "window/PictureBox.h"
#include "window/Viewport.h"

namespace rimvista {

namespace {

// The bar value (0..100) nearest to the share of `overflow` that the edge has scrolled.
int shareValue(int edge, int overflow) {
    return std::clamp(static_cast<int>(std::lround(-edge * 100.0 / overflow)), 0, 100);
}

}  // namespace

void FrmMain::connectWheels() {
    connect(picCont, &Viewport::wheelTurned, this, &FrmMain::viewportWheel);
    // The picture takes the wheel itself: a wheel event reaches the viewport on its own only
    // when it comes from the window system.
    new EventHook(Picture1, [this](QEvent* e) {
        if (e->type() != QEvent::Wheel) return false;
        auto* wheel = static_cast<QWheelEvent*>(e);
        viewportWheel(wheel, Picture1->mapTo(picCont->client(), wheel->position()));
        return true;
    });
    // Over a bar the wheel moves the view along that bar, by the same pixels; down or away from
    // the user moves the horizontal bar on to the right, as the vertical bar moves down.
    for (QScrollBar* bar : {HScroll1, VScroll1}) {
        new EventHook(bar, [this, bar](QEvent* e) {
            if (e->type() != QEvent::Wheel) return false;
            const QPoint n = wheelNotches(static_cast<QWheelEvent*>(e));
            const int by = -(n.x() + n.y()) * wheelStep();
            scrollView(bar == HScroll1 ? QPoint(by, 0) : QPoint(0, by));
            e->accept();
            return true;
        });
    }
}

QPoint FrmMain::wheelNotches(const QWheelEvent* event) {
    m_wheelRest += event->angleDelta();
    // 120 is one notch of an ordinary wheel; finer wheels add up to it.
    const QPoint notches(m_wheelRest.x() / 120, m_wheelRest.y() / 120);
    m_wheelRest -= notches * 120;
    return notches;
}

int FrmMain::wheelStep() const {
    return QApplication::wheelScrollLines() * picCont->fontMetrics().lineSpacing();
}

void FrmMain::viewportWheel(QWheelEvent* event, QPointF at) {
    event->accept();
    const QPoint n = wheelNotches(event);
    if (event->modifiers() & Qt::ControlModifier) {
        if (n.y() != 0) zoomAbout(n.y(), at);
        return;
    }
    int across = n.x(), down = n.y();
    if (event->modifiers() & Qt::ShiftModifier) {
        across += down;
        down = 0;
    }
    // A turn away from the user (positive) goes back up, or left.
    scrollView(QPoint(-across, -down) * wheelStep());
}

void FrmMain::scrollView(QPoint pixels) {
    const QSize view = picCont->client()->size();
    // One axis: the new edge, or nothing when the picture does not reach past the viewport.
    const auto along = [](QScrollBar* bar, int edge, int picture, int viewExtent, int by) {
        const int overflow = picture - viewExtent;
        if (overflow <= 0 || by == 0) return edge;
        const int moved = std::clamp(edge - by, -overflow, 0);
        const QSignalBlocker quiet(bar);  // the bar shows the share; the picture keeps its pixel
        bar->setValue(shareValue(moved, overflow));
        return moved;
    };
    Picture1->move(along(HScroll1, Picture1->x(), Picture1->width(), view.width(), pixels.x()),
                   along(VScroll1, Picture1->y(), Picture1->height(), view.height(), pixels.y()));
}

void FrmMain::resetView() {
    const QSignalBlocker h(HScroll1), v(VScroll1);
    HScroll1->setValue(0);
    VScroll1->setValue(0);
    Picture1->move(0, 0);
}

int FrmMain::placeAtShare(QScrollBar* bar, double share, int pictureExtent, int viewExtent) {
    const int overflow = pictureExtent - viewExtent;
    const QSignalBlocker quiet(bar);
    if (overflow <= 0 && Picture1->zoom() != 1.0) {
        bar->setValue(0);
        return 0;
    }
    // At 100 % a picture that fits is where the bar puts it: further right (down) as it grows.
    const int edge = static_cast<int>(std::lround(-share * overflow));
    bar->setValue(overflow == 0 ? bar->value() : shareValue(edge, overflow));
    return edge;
}

}  // namespace rimvista
