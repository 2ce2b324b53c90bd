#include "platform/globalhotkeys.h"

#include "platform/portalshortcuts.h"

#include <QGuiApplication>

#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace zn {

namespace {
constexpr uint16_t CtrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
// A grab matches exact modifier states, so Caps Lock (Lock) and Num Lock
// (usually Mod2) must not stop the key from working.
constexpr uint16_t IgnoredMasks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
} // namespace

GlobalHotKeys::GlobalHotKeys(QObject *parent) : QObject(parent)
{
    if (auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        m_connection = x11->connection();
        if (m_connection) {
            const xcb_setup_t *setup = xcb_get_setup(m_connection);
            const xcb_screen_iterator_t screen = xcb_setup_roots_iterator(setup);
            m_root = screen.data ? screen.data->root : 0;
            QCoreApplication::instance()->installNativeEventFilter(this);
        }
    } else if (QGuiApplication::platformName().startsWith(u"wayland")) {
        // Nothing on Wayland lets a client grab keys: the desktop grants them.
        m_portal = new PortalShortcuts(this);
        connect(m_portal, &PortalShortcuts::activated, this, [this](const QString &id) { emit activated(id.toInt()); });
        connect(m_portal, &PortalShortcuts::stateChanged, this, [this] { emit serviceChanged(service()); });
    }
}

GlobalHotKeys::~GlobalHotKeys()
{
    while (!m_grabs.isEmpty())
        unregisterHotKey(m_grabs.last().id);
    if (m_connection)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

GlobalHotKeys::Service GlobalHotKeys::service() const
{
    if (m_connection && m_root)
        return Service::X11;
    if (!m_portal)
        return Service::None;
    switch (m_portal->state()) {
    case PortalShortcuts::State::Probing: return Service::Asking;
    case PortalShortcuts::State::Bound: return Service::Portal;
    case PortalShortcuts::State::Unavailable: break;
    }
    return Service::None;
}

bool GlobalHotKeys::registerHotKey(int id, char key, const QString &description)
{
    if (m_portal) {
        if (key < 'A' || key > 'Z' || m_portal->state() == PortalShortcuts::State::Unavailable)
            return false;
        // The portal names keys by their keysyms: the letter in lower case.
        m_portal->add(QString::number(id), QStringLiteral("CTRL+ALT+") + QChar(key - 'A' + 'a'),
                      description.isEmpty() ? QString::number(id) : description);
        return true;
    }
    if (!m_connection || !m_root || key < 'A' || key > 'Z')
        return false;
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(xcb_key_symbols_alloc(m_connection),
                                                                                &xcb_key_symbols_free);
    std::unique_ptr<xcb_keycode_t, decltype(&free)> codes(
        xcb_key_symbols_get_keycode(symbols.get(), xcb_keysym_t(key - 'A' + 'a')), &free);
    if (!codes || codes.get()[0] == XCB_NO_SYMBOL)
        return false;
    const xcb_keycode_t keycode = codes.get()[0];

    bool ok = true;
    for (const uint16_t extra : IgnoredMasks) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(m_connection, 1, m_root, CtrlAlt | extra, keycode,
                                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookie)) {
            free(error);
            ok = false;
        }
    }
    if (!ok) {
        for (const uint16_t extra : IgnoredMasks)
            xcb_ungrab_key(m_connection, keycode, m_root, CtrlAlt | extra);
        xcb_flush(m_connection);
        return false;
    }
    m_grabs.append({id, keycode});
    return true;
}

void GlobalHotKeys::unregisterHotKey(int id)
{
    if (m_portal)
        m_portal->remove(QString::number(id));
    for (qsizetype i = 0; i < m_grabs.size(); ++i) {
        if (m_grabs[i].id != id)
            continue;
        for (const uint16_t extra : IgnoredMasks)
            xcb_ungrab_key(m_connection, m_grabs[i].keycode, m_root, CtrlAlt | extra);
        xcb_flush(m_connection);
        m_grabs.removeAt(i);
        return;
    }
}

bool GlobalHotKeys::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7F) != XCB_KEY_PRESS)
        return false;
    auto *press = reinterpret_cast<xcb_key_press_event_t *>(event);
    if ((press->state & CtrlAlt) != CtrlAlt)
        return false;
    for (const Grab &grab : std::as_const(m_grabs)) {
        if (grab.keycode == press->detail) {
            emit activated(grab.id);
            return true;
        }
    }
    return false;
}

} // namespace zn
