#include "window/X11Frame.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef RIMVISTA_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace rimvista {

#ifdef RIMVISTA_HAVE_XCB

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> reply(T* r) {
    return Reply<T>(r, &std::free);
}

enum AtomIndex {
    FrameExtents,
    RequestFrameExtents,
    WorkArea,
    CurrentDesktop,
    Supported,
    SupportingWmCheck,
    WmState,
    MoveResizeWindow,
    AtomCount
};

constexpr const char* kAtomNames[AtomCount] = {
    "_NET_FRAME_EXTENTS", "_NET_REQUEST_FRAME_EXTENTS", "_NET_WORKAREA", "_NET_CURRENT_DESKTOP",
    "_NET_SUPPORTED",     "_NET_SUPPORTING_WM_CHECK",   "WM_STATE",      "_NET_MOVERESIZE_WINDOW"};

// The 32-bit items of a property, at most `count` of them; empty when it is missing.
std::vector<std::uint32_t> property32(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                                      std::uint32_t count) {
    const auto r = reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, count), nullptr));
    if (!r || r->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
    const int n = xcb_get_property_value_length(r.get()) / 4;
    return std::vector<std::uint32_t>(values, values + n);
}

}  // namespace

struct X11Frame::Display {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t atoms[AtomCount] = {};
};

std::unique_ptr<X11Frame> X11Frame::create() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return nullptr;
    auto display = std::make_unique<Display>();
    xcb_connection_t* c = display->connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen) return nullptr;
    display->root = screen->root;
    xcb_intern_atom_cookie_t cookies[AtomCount];
    for (int i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(kAtomNames[i])),
                                     kAtomNames[i]);
    for (int i = 0; i < AtomCount; ++i) {
        const auto r = reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
        display->atoms[i] = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    return std::unique_ptr<X11Frame>(new X11Frame(std::move(display)));
}

X11Frame::X11Frame(std::unique_ptr<Display> display) : m_display(std::move(display)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Frame::~X11Frame() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11Frame::attach(unsigned long window) {
    m_window = window;
}

bool X11Frame::managerSupports(unsigned atom) const {
    const Display& x = *m_display;
    const std::vector<std::uint32_t> check =
        property32(x.connection, x.root, x.atoms[SupportingWmCheck], 1);
    if (check.empty() || check[0] == 0) return false;
    // A long list: every hint the manager knows.
    const std::vector<std::uint32_t> supported =
        property32(x.connection, x.root, x.atoms[Supported], 4096);
    for (const std::uint32_t a : supported)
        if (a == atom) return true;
    return false;
}

bool X11Frame::managerKeepsFrames() const {
    return managerSupports(m_display->atoms[FrameExtents]);
}

std::optional<QRect> X11Frame::workArea() const {
    const Display& x = *m_display;
    const std::vector<std::uint32_t> desktop =
        property32(x.connection, x.root, x.atoms[CurrentDesktop], 1);
    const std::uint32_t index = desktop.empty() ? 0 : desktop[0];
    if (index > 1024) return std::nullopt;
    const std::vector<std::uint32_t> areas =
        property32(x.connection, x.root, x.atoms[WorkArea], 4 * (index + 1));
    if (areas.size() < 4 * (std::size_t(index) + 1)) return std::nullopt;
    const std::uint32_t* a = &areas[4 * index];
    const QRect area(static_cast<std::int32_t>(a[0]), static_cast<std::int32_t>(a[1]),
                     static_cast<std::int32_t>(a[2]), static_cast<std::int32_t>(a[3]));
    if (area.isEmpty()) return std::nullopt;
    return area;
}

std::optional<QMargins> X11Frame::frameExtents() const {
    if (!m_window) return std::nullopt;
    const Display& x = *m_display;
    const std::vector<std::uint32_t> e =
        property32(x.connection, static_cast<xcb_window_t>(m_window), x.atoms[FrameExtents], 4);
    if (e.size() < 4) return std::nullopt;
    // Left, right, top, bottom.
    return QMargins(static_cast<int>(e[0]), static_cast<int>(e[2]), static_cast<int>(e[1]),
                    static_cast<int>(e[3]));
}

bool X11Frame::managed() const {
    if (!m_window) return false;
    const Display& x = *m_display;
    const std::vector<std::uint32_t> state =
        property32(x.connection, static_cast<xcb_window_t>(m_window), x.atoms[WmState], 1);
    return !state.empty() && state[0] != 0;  // 0 is withdrawn
}

std::optional<QRect> X11Frame::clientRect() const {
    if (!m_window) return std::nullopt;
    xcb_connection_t* c = m_display->connection;
    const auto w = static_cast<xcb_window_t>(m_window);
    const xcb_get_geometry_cookie_t gc = xcb_get_geometry(c, w);
    const xcb_translate_coordinates_cookie_t tc =
        xcb_translate_coordinates(c, w, m_display->root, 0, 0);
    const auto g = reply(xcb_get_geometry_reply(c, gc, nullptr));
    const auto t = reply(xcb_translate_coordinates_reply(c, tc, nullptr));
    if (!g || !t) return std::nullopt;
    return QRect(t->dst_x, t->dst_y, g->width, g->height);
}

void X11Frame::sendToManager(unsigned type, const std::array<std::uint32_t, 5>& data) {
    xcb_client_message_event_t e;
    std::memset(&e, 0, sizeof e);
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = static_cast<xcb_window_t>(m_window);
    e.type = type;
    std::copy(data.begin(), data.end(), e.data.data32);
    xcb_send_event(m_display->connection, 0, m_display->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&e));
    xcb_flush(m_display->connection);
}

void X11Frame::requestFrameExtents() {
    if (!m_window || !managerSupports(m_display->atoms[RequestFrameExtents])) return;
    sendToManager(m_display->atoms[RequestFrameExtents], {});
}

bool X11Frame::requestPlace(QPoint frameTopLeft, QSize clientSize) {
    if (!m_window || !managerSupports(m_display->atoms[MoveResizeWindow])) return false;
    // North-west gravity: the position is the frame's outer corner. All four figures given; the
    // request comes from an application (source 1).
    constexpr std::uint32_t kNorthWest = 1, kAllFigures = 0xF << 8, kFromApplication = 1 << 12;
    sendToManager(
        m_display->atoms[MoveResizeWindow],
        {kNorthWest | kAllFigures | kFromApplication, static_cast<std::uint32_t>(frameTopLeft.x()),
         static_cast<std::uint32_t>(frameTopLeft.y()),
         static_cast<std::uint32_t>(clientSize.width()),
         static_cast<std::uint32_t>(clientSize.height())});
    return true;
}

bool X11Frame::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!m_window || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    xcb_window_t about = 0;
    switch (event->response_type & 0x7f) {
        case XCB_PROPERTY_NOTIFY: {
            const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (p->atom == m_display->atoms[FrameExtents] || p->atom == m_display->atoms[WmState])
                about = p->window;
            break;
        }
        case XCB_CONFIGURE_NOTIFY:
            about = reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window;
            break;
        case XCB_MAP_NOTIFY:
            about = reinterpret_cast<const xcb_map_notify_event_t*>(event)->window;
            break;
        case XCB_REPARENT_NOTIFY:
            about = reinterpret_cast<const xcb_reparent_notify_event_t*>(event)->window;
            break;
        default:
            break;
    }
    if (about == m_window) emit managerChanged();
    return false;  // Qt handles every event as well
}

#else  // no X11 support built in

struct X11Frame::Display {};

std::unique_ptr<X11Frame> X11Frame::create() {
    return nullptr;
}
X11Frame::X11Frame(std::unique_ptr<Display> display) : m_display(std::move(display)) {}
X11Frame::~X11Frame() = default;
void X11Frame::attach(unsigned long window) {
    m_window = window;
}
bool X11Frame::managerSupports(unsigned) const {
    return false;
}
bool X11Frame::managerKeepsFrames() const {
    return false;
}
std::optional<QRect> X11Frame::workArea() const {
    return std::nullopt;
}
std::optional<QMargins> X11Frame::frameExtents() const {
    return std::nullopt;
}
bool X11Frame::managed() const {
    return false;
}
std::optional<QRect> X11Frame::clientRect() const {
    return std::nullopt;
}
void X11Frame::requestFrameExtents() {}
bool X11Frame::requestPlace(QPoint, QSize) {
    return false;
}
bool X11Frame::nativeEventFilter(const QByteArray&, void*, qintptr*) {
    return false;
}

#endif

}  // namespace rimvista
