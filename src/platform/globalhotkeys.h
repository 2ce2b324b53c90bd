#pragma once

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>

struct xcb_connection_t;

namespace zn {

class PortalShortcuts;

// System-wide hot keys with Ctrl+Alt. Under X11 a key grab on the root
// window; under Wayland the desktop portal's global shortcuts, which the
// desktop may grant later, bind to other keys or refuse; elsewhere there is
// none and registering fails quietly. A key that another program holds
// cannot be registered; callers ignore that.
class GlobalHotKeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // What gives the keys here. Asking is the portal's state until it
    // answered; None where nothing can give them.
    enum class Service { X11, Asking, Portal, None };

    explicit GlobalHotKeys(QObject *parent = nullptr);
    ~GlobalHotKeys() override;

    // `key` is a Latin letter, 'A' to 'Z'; `description` names the command
    // where the desktop lists the keys. False when it cannot be had (under
    // Wayland: when it is already clear that the desktop gives no keys).
    bool registerHotKey(int id, char key, const QString &description = {});
    void unregisterHotKey(int id);
    Service service() const;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    void activated(int id);
    void serviceChanged(zn::GlobalHotKeys::Service service);

private:
    struct Grab {
        int id;
        unsigned char keycode;
    };
    xcb_connection_t *m_connection = nullptr;
    unsigned int m_root = 0;
    QList<Grab> m_grabs;
    PortalShortcuts *m_portal = nullptr;
};

} // namespace zn
