#include "window/X11Pointer.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#ifdef RIMVISTA_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace rimvista {

#ifdef RIMVISTA_HAVE_XCB

namespace {

// A button press of the X input extension, version 2, as the X C binding lays it out: the fixed
// part of the protocol's event with the full sequence number inserted after the first 32 bytes.
// Positions are 16.16 fixed point.
struct InputButtonPress {
    std::uint8_t responseType;
    std::uint8_t extension;
    std::uint16_t sequence;
    std::uint32_t length;
    std::uint16_t eventType;
    std::uint16_t deviceId;
    std::uint32_t time;
    std::uint32_t detail;
    std::uint32_t root;
    std::uint32_t event;
    std::uint32_t child;
    std::uint32_t fullSequence;
    std::int32_t rootX;
    std::int32_t rootY;
};
constexpr std::uint16_t kInputButtonPress = 4;

}  // namespace

std::unique_ptr<X11Pointer> X11Pointer::create() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return nullptr;
    xcb_connection_t* c = x11->connection();
    const char name[] = "XInputExtension";
    xcb_query_extension_reply_t* r =
        xcb_query_extension_reply(c, xcb_query_extension(c, sizeof name - 1, name), nullptr);
    const int opcode = r && r->present ? r->major_opcode : -1;
    std::free(r);
    return std::unique_ptr<X11Pointer>(new X11Pointer(opcode));
}

X11Pointer::X11Pointer(int inputExtension) : m_inputExtension(inputExtension) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Pointer::~X11Pointer() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11Pointer::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const int type = event->response_type & 0x7f;
    if (type == XCB_BUTTON_PRESS) {
        const auto* press = reinterpret_cast<const xcb_button_press_event_t*>(event);
        m_time = press->time;
        m_at = QPointF(press->root_x, press->root_y);
    } else if (type == XCB_GE_GENERIC && m_inputExtension >= 0) {
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        // Only a press of the input extension is known to be long enough to read.
        if (generic->extension != m_inputExtension || generic->event_type != kInputButtonPress ||
            32 + 4 * std::size_t(generic->length) + 4 < sizeof(InputButtonPress))
            return false;
        InputButtonPress press;
        std::memcpy(&press, event, sizeof press);
        m_time = press.time;
        m_at = QPointF(press.rootX / 65536.0, press.rootY / 65536.0);
    }
    return false;  // Qt handles every event as well
}

std::optional<QPointF> X11Pointer::pressAt(unsigned long time) const {
    if (!m_at || time != m_time) return std::nullopt;
    return m_at;
}

#else  // no X11 support built in

std::unique_ptr<X11Pointer> X11Pointer::create() {
    return nullptr;
}
X11Pointer::X11Pointer(int inputExtension) : m_inputExtension(inputExtension) {}
X11Pointer::~X11Pointer() = default;
bool X11Pointer::nativeEventFilter(const QByteArray&, void*, qintptr*) {
    return false;
}
std::optional<QPointF> X11Pointer::pressAt(unsigned long) const {
    return std::nullopt;
}

#endif

}  // namespace rimvista
