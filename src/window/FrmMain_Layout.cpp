// Layout of the controls, scrolling, and the background's mouse moves.
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>

#include "core/NumberText.h"
#include "window/FrmMain.h"
#include "window/GuideMarker.h"
#include "window/PictureBox.h"
#include "window/Twips.h"
#include "window/Viewport.h"
#include "window/WindowLayout.h"

namespace rimvista {

void FrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    rememberNormalRect();
    Form_Resize();
}

void FrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Restoring from minimized may keep the size, so no resize event would lay the window out.
    if (event->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized))
        Form_Resize();
}

void FrmMain::Form_Resize() {
    if (windowState() & Qt::WindowMinimized) return;
    const QWidget* client = centralWidget();
    const WindowLayout l = computeLayout(client->width() * double(TwipsPerPixelX),
                                         client->height() * double(TwipsPerPixelY));
    const TwipsPerPixel scale{TwipsPerPixelX, TwipsPerPixelY};
    const auto px = [&scale](const QRectF& r) { return rimvista::twipsToPixels(r, scale); };
    picCont->setGeometry(px(l.viewport));
    VScroll1->setGeometry(px(l.vScroll));
    HScroll1->setGeometry(px(l.hScroll));
    Frame1->move(px(QRectF(l.panel, QSizeF(0, 0))).topLeft());
    // Each bar's change handler puts the picture back to the viewport's edge; a bar already at
    // 0 has the picture there.
    VScroll1->setValue(0);
    HScroll1->setValue(0);
    lblSize->setGeometry(px(l.sizeLabel));
}

namespace {

// The picture's edge for a bar's value; at another zoom than 100 % a picture that fits the
// viewport stays put at its near edge, and the bar goes back to 0.
int barEdge(QScrollBar* bar, int pictureExtent, int viewExtent, double zoom) {
    if (pictureExtent <= viewExtent && zoom != 1.0) {
        const QSignalBlocker quiet(bar);
        bar->setValue(0);
        return 0;
    }
    return static_cast<int>(num::nearest(scrollPosition(pictureExtent, viewExtent, bar->value())));
}

}  // namespace

void FrmMain::HScroll1_Change() {
    Picture1->move(
        barEdge(HScroll1, Picture1->width(), picCont->client()->width(), Picture1->zoom()),
        Picture1->y());
}

void FrmMain::VScroll1_Change() {
    Picture1->move(Picture1->x(), barEdge(VScroll1, Picture1->height(), picCont->client()->height(),
                                          Picture1->zoom()));
}

void FrmMain::Form_MouseMove() {
    sha0->setMarkerVisible(false);
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::MouseMove) {
        const auto* me = static_cast<QMouseEvent*>(event);
        // Only the window's own background: moves over a control belong to that control.
        if (!centralWidget()->childAt(me->position().toPoint())) Form_MouseMove();
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace rimvista
