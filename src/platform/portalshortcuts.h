#pragma once

#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class QDBusMessage;

namespace zn {

// System-wide shortcuts through the desktop portal's GlobalShortcuts
// interface, the way a Wayland desktop grants them: one session, bound with
// every shortcut at once; the desktop may let the user change the keys or
// refuse them. Every call is asynchronous. States: Probing until the portal
// answered, then Bound when the desktop took the shortcuts, or Unavailable
// (no portal on the session bus, no GlobalShortcuts in it, refused).
class PortalShortcuts : public QObject {
    Q_OBJECT
public:
    enum class State { Probing, Bound, Unavailable };

    explicit PortalShortcuts(QObject *parent = nullptr);
    ~PortalShortcuts() override;

    // `trigger` in the portal's form, "CTRL+ALT+m"; `description` names
    // the command in the desktop's settings. Shortcuts added after the
    // binding are bound in a new request.
    void add(const QString &id, const QString &trigger, const QString &description);
    // The shortcut stays with the desktop until the session ends, but no
    // longer fires.
    void remove(const QString &id);
    State state() const { return m_state; }

signals:
    void activated(const QString &id);
    void stateChanged(zn::PortalShortcuts::State state);

private slots:
    // Old-style slots: QtDBus delivers bus signals only to these.
    void onActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                     const QVariantMap &options);
    void onResponse(uint response, const QVariantMap &results);
    void onSessionClosed();

private:
    struct Shortcut {
        QString id;
        QString trigger;
        QString description;
    };
    void setState(State state);
    void createSession();
    void bindLater();
    void bind();
    // Calls `method` with `arguments`, its last one the options map that
    // gets the request's token; `then` runs with the request's results when
    // the portal answers with success, any other answer ends in Unavailable.
    void request(const QString &method, QList<QVariant> arguments, std::function<void(const QVariantMap &)> then);
    void failed(const QString &why);

    State m_state = State::Probing;
    QList<Shortcut> m_shortcuts;
    QString m_session;
    QString m_requestPath;
    std::function<void(const QVariantMap &)> m_then;
    bool m_bindQueued = false;
    bool m_bindPending = false;
    int m_revision = 0;
    int m_token = 0;
};

} // namespace zn
