#pragma once

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>

struct xcb_connection_t;

namespace zn {

// System-wide hot keys with Ctrl+Alt. Under X11 a key grab on the root
// window; elsewhere there is none and registering fails quietly. A key that
// another program holds cannot be registered; callers ignore that.
class GlobalHotKeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit GlobalHotKeys(QObject *parent = nullptr);
    ~GlobalHotKeys() override;

    // `key` is a Latin letter, 'A' to 'Z'. False when it cannot be had.
    bool registerHotKey(int id, char key);
    void unregisterHotKey(int id);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    void activated(int id);

private:
    struct Grab {
        int id;
        unsigned char keycode;
    };
    xcb_connection_t *m_connection = nullptr;
    unsigned int m_root = 0;
    QList<Grab> m_grabs;
};

} // namespace zn
