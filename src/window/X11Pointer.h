#pragma once
// Where the last mouse button was pressed on an X11 display, in the display's own pixels. Qt hands
// widgets whole pixels of its own, which on a display scaled by 2 are two of the display's: a
// press on the right half of a picture pixel would come as the next pixel. The press as the X
// server reported it is exact. Elsewhere create() gives nothing and Qt's position stands (other
// platforms pass fractional positions on).

#include <QAbstractNativeEventFilter>
#include <QPointF>
#include <memory>
#include <optional>

namespace rimvista {

class X11Pointer : public QAbstractNativeEventFilter {
public:
    // Nothing unless the program runs on an X11 display.
    static std::unique_ptr<X11Pointer> create();
    ~X11Pointer() override;
    X11Pointer(const X11Pointer&) = delete;
    X11Pointer& operator=(const X11Pointer&) = delete;

    // The position on the root window of the press the server stamped with `time` (the
    // timestamp Qt passes on with its mouse event); nothing for any other press.
    std::optional<QPointF> pressAt(unsigned long time) const;

protected:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    explicit X11Pointer(int inputExtension);

    int m_inputExtension;  // the X input extension's major opcode, or -1
    unsigned long m_time = 0;
    std::optional<QPointF> m_at;
};

}  // namespace rimvista
