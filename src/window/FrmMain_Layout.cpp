// Layout of the controls, scrolling, and the background's mouse moves.
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include "core/NumberText.h"
#include "core/cInifile.h"
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

void FrmMain::HScroll1_Change() {
    const float left =
        scrollPosition(Picture1->width(), picCont->client()->width(), HScroll1->value());
    Picture1->move(static_cast<int>(num::nearest(left)), Picture1->y());
}

void FrmMain::VScroll1_Change() {
    const float top =
        scrollPosition(Picture1->height(), picCont->client()->height(), VScroll1->value());
    Picture1->move(Picture1->x(), static_cast<int>(num::nearest(top)));
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
