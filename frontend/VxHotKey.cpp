#include "frontend/VxHotKey.h"

#include "diag/Diag.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#ifdef VX_HAVE_XCB
#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace {

void ReportUnavailableOnce() {
    static bool reported = false;
    if (reported)
        return;
    reported = true;
    DIAG_REPORT(kDiagReported, "VxMain: the activation key needs an X11 display; it is off");
}

#ifdef VX_HAVE_XCB

constexpr std::uint32_t kKeySymF1 = 0xffbe;
// NumLock and CapsLock must not stop the key from working.
constexpr std::uint16_t kIgnoredModifiers[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                               XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

xcb_connection_t* X11Connection() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_window_t RootWindow(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// The first key code whose unshifted symbol is the given key symbol; 0 if no
// key of this keyboard produces it.
unsigned KeyCodeFor(xcb_connection_t* connection, std::uint32_t keySym) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
        connection,
        xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr);
    if (reply == nullptr)
        return 0;
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(reply);
    const int perCode = reply->keysyms_per_keycode;
    unsigned found = 0;
    for (int i = 0; i < count && found == 0 && perCode > 0; ++i)
        if (symbols[i * perCode] == keySym)
            found = static_cast<unsigned>(setup->min_keycode + i);
    std::free(reply);
    return found;
}

#endif

} // namespace

TVxHotKey::TVxHotKey(QWidget* window) : window_(window) {}

TVxHotKey::~TVxHotKey() {
    Release();
}

void TVxHotKey::Set(int hotKey) {
    if (hotKey == hotKey_)
        return;
    Release();
    if (hotKey < 1 || hotKey > 12)
        return;
    if (Grab(hotKey))
        hotKey_ = hotKey;
}

#ifdef VX_HAVE_XCB

bool TVxHotKey::Grab(int hotKey) {
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr) {
        ReportUnavailableOnce();
        return false;
    }
    keyCode_ = KeyCodeFor(connection, kKeySymF1 + static_cast<std::uint32_t>(hotKey - 1));
    if (keyCode_ == 0) {
        DIAG_REPORT(kDiagReported, "VxMain: no key produces F%d; no activation key", hotKey);
        return false;
    }
    const xcb_window_t root = RootWindow(connection);
    for (std::uint16_t modifiers : kIgnoredModifiers) {
        xcb_void_cookie_t cookie = xcb_grab_key_checked(connection, 1, root, modifiers,
                                                        static_cast<xcb_keycode_t>(keyCode_),
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            // Another program holds the key: it stays theirs.
            DIAG_REPORT(kDiagReported, "VxMain: F%d is taken by another program [X error %d]",
                        hotKey, error->error_code);
            std::free(error);
            hotKey_ = hotKey;
            Release();
            return false;
        }
    }
    xcb_flush(connection);
    if (!filterInstalled_) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filterInstalled_ = true;
    }
    return true;
}

void TVxHotKey::Release() {
    if (hotKey_ == 0)
        return;
    hotKey_ = 0;
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr || keyCode_ == 0)
        return;
    const xcb_window_t root = RootWindow(connection);
    for (std::uint16_t modifiers : kIgnoredModifiers)
        xcb_ungrab_key(connection, static_cast<xcb_keycode_t>(keyCode_), root, modifiers);
    xcb_flush(connection);
    keyCode_ = 0;
}

bool TVxHotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (hotKey_ == 0 || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    if (press->detail != keyCode_)
        return false;
    if (window_->isMinimized())
        window_->showNormal();
    window_->raise();
    window_->activateWindow();
    return true;
}

#else

bool TVxHotKey::Grab(int) {
    ReportUnavailableOnce();
    return false;
}

void TVxHotKey::Release() {
    hotKey_ = 0;
}

bool TVxHotKey::nativeEventFilter(const QByteArray&, void*, qintptr*) {
    return false;
}

#endif
