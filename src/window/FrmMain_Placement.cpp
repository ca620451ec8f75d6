// The window's rectangle: restored from the settings at start, followed while the user moves and
// resizes the window, and written back at shutdown (Form_Unload). The stored figures are those of
// the whole window, frame included.
//
// On X11 the frame belongs to the window manager, which adds it only after the window is shown;
// the manager's own figures (frame extents, work area) are read through X11Frame, and the frame
// is put on the stored rectangle once the manager has taken the window on. Elsewhere Qt knows the
// frame as soon as the window exists.
#include <QGuiApplication>
#include <QMoveEvent>
#include <QScreen>
#include <QTimer>
#include <cmath>

#include "core/cInifile.h"
#include "window/DisplayScale.h"
#include "window/FrmMain.h"
#include "window/WindowLayout.h"
#include "window/X11Frame.h"

namespace rimvista {

namespace {

QRect nativeGeometry(const QScreen* screen) {
    const QRect g = screen->geometry();
    return QRect(g.topLeft(), g.size() * screen->devicePixelRatio());
}

// The screen that shows most of `frame` (the display's pixels), or the primary one.
QScreen* screenHolding(const QRect& frame) {
    QScreen* best = QGuiApplication::primaryScreen();
    qint64 bestArea = 0;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect shown = nativeGeometry(s).intersected(frame);
        const qint64 area = qint64(shown.width()) * shown.height();
        if (area > bestArea) {
            best = s;
            bestArea = area;
        }
    }
    return best;
}

bool notNormal(Qt::WindowStates state) {
    return state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
}

}  // namespace

QRect FrmMain::nativeWorkArea(const QRect& frame) const {
    const QScreen* s = screenHolding(frame);
    if (!s) return {};
    if (m_x11) {
        // The manager's work area covers every screen; the window's part of it is its screen's.
        if (const std::optional<QRect> area = m_x11->workArea()) {
            const QRect part = area->intersected(nativeGeometry(s));
            if (!part.isEmpty()) return part;
        }
    }
    return DisplayScale(s).toNative(s->availableGeometry());
}

void FrmMain::restoreWindowRect() {
    const int top = Ini().ReadInt("Position", "Top", 0);
    const int left = Ini().ReadInt("Position", "Left", 0);
    const int width = Ini().ReadInt("Position", "Width", 8000);
    const int height = Ini().ReadInt("Position", "Height", 6000);
    m_storedRect = twipsToPixels(left, top, width, height);
    m_restoredTwips = QRect(left, top, width, height);
    const DisplayScale scale(screen());
    const QRect area = scale.toLogical(nativeWorkArea(scale.toNative(m_storedRect))).toRect();
    m_x11 = X11Frame::create();
    QRect outer;
    if (m_x11) {
        // The frame is not known before the manager has framed the shown window. A position given
        // before the window exists is the frame's corner, so the title bar is on the screen from
        // the start; placeOnManagerFigures() gives the inside its size once the frame is known.
        outer = fitFrameInto(m_storedRect, area, minimumSize());
        m_frameFixPending = true;
        move(outer.topLeft());
        resize(outer.size());
        m_x11->attach(winId());
        connect(m_x11.get(), &X11Frame::managerChanged, this, &FrmMain::queuePlacement);
        // Measured with openbox 3.6: a map request that comes while the manager is starting can
        // stay queued, the window never shown, until another event reaches the manager. A
        // request for the frame extents is such an event, and harmless to any manager.
        m_managerWake = new QTimer(this);
        m_managerWake->setInterval(250);
        connect(m_managerWake, &QTimer::timeout, this, [this] {
            if (!isVisible() || m_x11->managed() || !m_x11->managerKeepsFrames())
                m_managerWake->stop();
            else
                m_x11->requestFrameExtents();
        });
    } else {
        (void)winId();  // platforms that draw or know the frame tell it once the window exists
        const QSize frame = frameGeometry().size() - geometry().size();
        outer = fitFrameInto(m_storedRect, area, minimumSize() + frame);
        move(outer.topLeft());
        resize(outer.size() - frame);
    }
    m_restoredRect = outer;
    m_normalRect = outer;
}

bool FrmMain::framePending() const {
    return m_frameFixPending && m_x11 && m_x11->managerKeepsFrames();
}

void FrmMain::queuePlacement() {
    if (m_placementQueued || !m_frameFixPending) return;
    m_placementQueued = true;
    QMetaObject::invokeMethod(this, &FrmMain::placeOnManagerFigures, Qt::QueuedConnection);
}

void FrmMain::placeOnManagerFigures() {
    m_placementQueued = false;
    if (!m_frameFixPending || !m_x11 || !isVisible() || !m_x11->managed()) return;
    if (notNormal(windowState())) {
        m_frameFixPending = false;
        return;
    }
    const std::optional<QRect> client = m_x11->clientRect();
    if (!client) return;
    // A manager that frames nothing (or this window not) leaves the frame empty.
    const QMargins frame = m_x11->frameExtents().value_or(QMargins());
    const DisplayScale scale(screen());
    const QRect wanted = scale.toNative(m_storedRect);
    const QSize frameSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QRect outer =
        fitFrameInto(wanted, nativeWorkArea(wanted),
                     scale.toNative(QRectF(QPointF(), minimumSize())).size() + frameSize);
    QRect inner = outer.marginsRemoved(frame);
    // On a display scaled by a whole factor Qt lets the window take only sizes that are whole
    // multiples of it; the manager rounds down to one, and so does the request.
    if (const int step = qRound(scale.factor); step > 1 && qFuzzyCompare(scale.factor, step))
        inner.setSize(QSize(inner.width() / step * step, inner.height() / step * step));
    if (*client == inner) {
        m_frameFixPending = false;
        m_restoredRect = scale.toLogical(inner.marginsAdded(frame));
        m_normalRect = m_restoredRect;
        return;
    }
    if (m_placeRequests++ >= kPlaceRequests) {
        m_frameFixPending = false;
        rememberNormalRect();
        return;
    }
    // The answer is the manager's next configuration of the window, which calls this again.
    if (!m_x11->requestPlace(outer.topLeft(), inner.size()))
        setGeometry(scale.toLogical(inner).toRect());
}

void FrmMain::rememberNormalRect() {
    if (notNormal(windowState()) || framePending()) return;
    if (m_x11 && isVisible()) {
        // Qt's rectangle is the one last asked for, which the manager may not have applied yet;
        // the server's own figures are finer on a scaled display once it has.
        const DisplayScale scale(screen());
        const QMargins frame = m_x11->frameExtents().value_or(QMargins());
        QRectF inner = geometry();
        if (const std::optional<QRect> client = m_x11->clientRect()) {
            const QRectF exact = scale.toLogical(*client);
            const auto near = [](QPointF a, QPointF b) {
                return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1;
            };
            if (near(exact.topLeft(), inner.topLeft()) &&
                near(exact.bottomRight(), inner.bottomRight()))
                inner = exact;
        }
        m_normalRect = inner.marginsAdded(QMarginsF(frame) / scale.factor);
        return;
    }
    // Before the window is shown Qt reports the rectangle it was asked for; keep that.
    const QRect outer = frameGeometry();
    if (outer.isValid()) m_normalRect = outer;
}

void FrmMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    rememberNormalRect();
}

}  // namespace rimvista
