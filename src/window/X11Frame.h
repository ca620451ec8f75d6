#pragma once
// The window manager's own figures on X11: the frame it puts around the main window and the
// desktop's work area, read from the properties the manager keeps, and placement requests made in
// the manager's own terms. Qt works the frame out from the window tree, which a manager still busy
// framing the window shows half-built; the properties are what the manager itself says, and each
// change of them is announced to the window.
//
// Everything here is in the display's own (device) pixels. On any other platform create() gives
// nothing and the window keeps Qt's figures.

#include <QAbstractNativeEventFilter>
#include <QMargins>
#include <QObject>
#include <QRect>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace rimvista {

class X11Frame : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Nothing unless the program runs on an X11 display.
    static std::unique_ptr<X11Frame> create();
    ~X11Frame() override;
    X11Frame(const X11Frame&) = delete;
    X11Frame& operator=(const X11Frame&) = delete;

    // The top-level window whose frame is watched (its X window id).
    void attach(unsigned long window);

    // Whether a window manager that publishes frame extents runs now.
    bool managerKeepsFrames() const;
    // The current desktop's work area; nothing when no manager publishes one.
    std::optional<QRect> workArea() const;
    // The extents of the frame the manager gave the window; nothing before it said.
    std::optional<QMargins> frameExtents() const;
    // Whether the manager has taken the window on (it keeps its WM_STATE).
    bool managed() const;
    // The window's own rectangle, without the frame, on the root window.
    std::optional<QRect> clientRect() const;

    // Asks the manager for the extents it would give the window; the answer comes as a change.
    // Also wakes a manager that holds the window's map request unanswered: one that was still
    // starting when the request came may leave it queued until some other event reaches it.
    void requestFrameExtents();
    // Asks the manager to put the frame's top-left corner at `frameTopLeft` and give the window
    // the inside size `clientSize`. False when the manager takes no such request.
    bool requestPlace(QPoint frameTopLeft, QSize clientSize);

signals:
    // The manager changed one of the window's properties it keeps, or the window was configured,
    // mapped or reparented: the figures above may have changed.
    void managerChanged();

protected:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Display;
    explicit X11Frame(std::unique_ptr<Display> display);
    bool managerSupports(unsigned atom) const;
    // A client message of the given type about our window, sent to the root for the manager.
    void sendToManager(unsigned type, const std::array<std::uint32_t, 5>& data);

    std::unique_ptr<Display> m_display;
    unsigned long m_window = 0;
};

}  // namespace rimvista
