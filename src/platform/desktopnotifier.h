// Notices about peers announced through the desktop's notification server
// (org.freedesktop.Notifications on the session bus) instead of the
// notification window.
#pragma once

#include "common/frontend.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <QVariantMap>

#include <array>
#include <functional>

class QDBusPendingCallWatcher;

namespace zn {

struct Settings;

// Each group of notices (arrivals; users coming and going; what became of
// the messages sent) is one notification on the server, which later notices
// of the group replace while it is open: a burst of arrivals gives one
// notification that counts the unread messages, not one per message. The
// arrivals' notification has a default action, the receive command. Nothing
// here waits for the bus: every call is asynchronous, and a notice that the
// server refuses, or that finds no server, goes to the fallback (the
// notification window).
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(const Settings &settings, QObject *parent = nullptr);
    ~DesktopNotifier() override;

    // Whether the settings send notices to the server: DesktopNotification
    // 1 (or more); or never chosen (negative) and the desktop is Wayland,
    // where a window cannot place itself or stay on top.
    static bool chosen(const Settings &settings);
    // Texts of the network in the body of a server that reads markup.
    static QString escaped(const QString &text);

    // True when the notice goes to the server; false when the settings want
    // the window or no server is there, and the caller shows it there.
    bool announce(NoticeKind kind, const QString &text, bool important);
    void setFallback(std::function<void(const QString &, bool)> fallback) { m_fallback = std::move(fallback); }
    // The count that the arrivals' notification shows; at 0 it closes.
    void setUnreadCount(int count);

    // The newest lines that one notification shows.
    static constexpr int MaxLines = 5;

signals:
    // The default action of the arrivals' notification was invoked.
    void openRequested();

private slots:
    // The server's signals; QtDBus connects them by their signatures.
    void notificationClosed(uint id, uint reason);
    void actionInvoked(uint id, const QString &actionKey);

private:
    enum Group { Arrivals, Presence, Sent, GroupCount };
    struct Slot {
        uint id = 0;       // the server's notification, 0 while none is open
        QStringList lines; // newest last
        // The notices that the server has not taken yet, as the window
        // would show them.
        QList<QPair<QString, bool>> unconfirmed;
        qsizetype inFlight = 0; // of `unconfirmed`, those the call under way carries
        QString category;
        bool important = false;
        bool pending = false; // a call is under way
        bool dirty = false;   // changed since the last call
    };

    bool connectBus();
    void askCapabilities();
    void queueFlush();
    void flush();
    void send(Group group);
    void replied(Group group, QDBusPendingCallWatcher *watcher);
    void fallBack(Slot &slot);
    QString summary(Group group) const;
    QVariantMap hints(const Slot &slot) const;

    const Settings &m_settings;
    std::array<Slot, GroupCount> m_slots;
    std::function<void(const QString &, bool)> m_fallback;
    int m_unread = 0;
    // The arrivals' latest notification, open or just closed.
    uint m_arrivalsShown = 0;
    bool m_busConnected = false;
    enum class Capabilities { Unknown, Asked, Known };
    Capabilities m_capabilities = Capabilities::Unknown;
    bool m_bodyMarkup = false;
    // A call failed: the window is used until a server registers.
    bool m_serverMissing = false;
    bool m_flushQueued = false;
};

} // namespace zn
