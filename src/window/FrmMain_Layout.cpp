// Window rectangle, layout of the controls, scrolling, and the background's mouse moves.
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

namespace {

// Keeps a restored rectangle usable: at least the layout's minimum, at most the screen, and
// with a good part of it on some screen.
QRect usableRect(QRect r, QSize minimum) {
    QScreen* target = nullptr;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect visible = s->availableGeometry().intersected(r);
        if (visible.width() >= 100 && visible.height() >= 50) target = s;
    }
    const bool onScreen = target != nullptr;
    if (!target) target = QGuiApplication::primaryScreen();
    if (!target) return r.isValid() ? r : QRect(r.topLeft(), minimum);
    const QRect avail = target->availableGeometry();
    r.setWidth(std::clamp(r.width(), minimum.width(), std::max(minimum.width(), avail.width())));
    r.setHeight(
        std::clamp(r.height(), minimum.height(), std::max(minimum.height(), avail.height())));
    if (!onScreen) r.moveTopLeft(avail.topLeft());
    return r;
}

}  // namespace

void FrmMain::restoreWindowRect() {
    const int top = Ini().ReadInt("Position", "Top", 0);
    const int left = Ini().ReadInt("Position", "Left", 0);
    const int width = Ini().ReadInt("Position", "Width", 8000);
    const int height = Ini().ReadInt("Position", "Height", 6000);
    const QRect px = twipsToPixels(left, top, width, height);
    // The stored figures include the window's frame. Some platforms know the frame as soon as
    // the native window exists; under an X11 window manager it is known only once the manager
    // has framed the shown window, and applyRestoredFrame() finishes the job then.
    (void)winId();
    m_assumedFrame = frameMargins();
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    const QRect outer = usableRect(px, minimumSize() + frameExtra);
    m_restoredTwips = QRect(left, top, width, height);
    m_restoredPx = outer;
    m_frameFixPending = true;
    move(outer.topLeft());
    resize(outer.size() - frameExtra);
    m_normalRectPx = outer;
}

QMargins FrmMain::frameMargins() const {
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void FrmMain::applyRestoredFrame() {
    if (!m_frameFixPending || !isVisible()) return;
    const QMargins frame = frameMargins();
    // While the manager reparents the window, Qt may for a moment pair the new frame with the
    // old inner rectangle; such margins are no frame, so wait for the next look.
    const auto plausible = [](int m) { return m >= 0 && m <= 100; };
    if (!plausible(frame.left()) || !plausible(frame.top()) || !plausible(frame.right()) ||
        !plausible(frame.bottom()))
        return;
    if (frame.isNull() && m_assumedFrame.isNull()) return;  // not framed (yet)
    const QRect outer = m_restoredPx;
    const QRect inner = outer.marginsRemoved(frame);
    if (frameGeometry() == outer && geometry() == inner) {
        m_frameFixPending = false;
        m_normalRectPx = outer;
        return;
    }
    // The window manager has framed the window with other margins than were assumed: put the
    // frame, not the inner area, on the stored rectangle, or every session would grow it by
    // one frame and leave the title bar off the screen. A manager busy placing the window may
    // undo the first request, so look again; one that insists on its own place has the last word.
    if (++m_frameFixAttempts > kFrameFixAttempts) {
        m_frameFixPending = false;
        return;
    }
    // The inner rectangle, not move(): Qt may still believe the frame stands where it should
    // and would then send nothing.
    setGeometry(QRect(inner.topLeft(), inner.size().expandedTo(minimumSize())));
    m_normalRectPx = outer;
}

void FrmMain::rememberNormalRect() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    applyRestoredFrame();
    const QRect outer = frameGeometry();
    // Before the window is shown Qt reports the rectangle it was asked for; keep that.
    if (outer.isValid()) m_normalRectPx = outer;
}

void FrmMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    rememberNormalRect();
}

void FrmMain::watchForFrame(int triesLeft) {
    QTimer::singleShot(50, this, [this, triesLeft] {
        applyRestoredFrame();
        if (m_frameFixPending && triesLeft > 1) watchForFrame(triesLeft - 1);
    });
}

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
