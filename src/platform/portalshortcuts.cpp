#include "platform/portalshortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QLoggingCategory>

#include <utility>

namespace zn {

namespace {

Q_LOGGING_CATEGORY(lcPortal, "zephinet.portal")

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// a(sa{sv}): each shortcut's id and its properties.
using ShortcutList = QList<std::pair<QString, QVariantMap>>;

QDBusMessage portalCall(const QString &method)
{
    return QDBusMessage::createMethodCall(PortalService, PortalPath, ShortcutsInterface, method);
}

// The path where the portal puts the request of `token` for this
// connection: the unique name without ':', dots as underscores.
QString requestPath(const QString &token)
{
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(u'.', u'_');
    return PortalPath + QStringLiteral("/request/") + sender + u'/' + token;
}

} // namespace

PortalShortcuts::PortalShortcuts(QObject *parent) : QObject(parent)
{
    qDBusRegisterMetaType<std::pair<QString, QVariantMap>>();
    qDBusRegisterMetaType<ShortcutList>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        // Decided before anyone listens: no signal needed.
        m_state = State::Unavailable;
        return;
    }
    bus.connect(PortalService, PortalPath, ShortcutsInterface, QStringLiteral("Activated"), this,
                SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    // Only a portal that knows the interface has its version; asking
    // starts the portal where the bus can start it.
    QDBusMessage get = QDBusMessage::createMethodCall(
        PortalService, PortalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << ShortcutsInterface << QStringLiteral("version");
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isError())
            return failed(reply.error().message());
        qCDebug(lcPortal) << "GlobalShortcuts version" << reply.value().variant().toUInt();
        createSession();
    });
}

PortalShortcuts::~PortalShortcuts()
{
    // The desktop forgets the shortcuts with the session.
    if (!m_session.isEmpty()) {
        QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
            PortalService, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
    }
}

void PortalShortcuts::add(const QString &id, const QString &trigger, const QString &description)
{
    remove(id);
    m_shortcuts.append({id, trigger, description});
    ++m_revision;
    if (!m_session.isEmpty())
        bindLater();
}

void PortalShortcuts::remove(const QString &id)
{
    m_shortcuts.removeIf([&id](const Shortcut &s) { return s.id == id; });
}

void PortalShortcuts::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void PortalShortcuts::failed(const QString &why)
{
    qCDebug(lcPortal) << "no global shortcuts:" << why;
    m_then = nullptr;
    m_requestPath.clear();
    setState(State::Unavailable);
}

void PortalShortcuts::request(const QString &method, QList<QVariant> arguments,
                              std::function<void(const QVariantMap &)> then)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString token = QStringLiteral("zephinet%1").arg(++m_token);
    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    // Listening before the call: the answer may come before the reply.
    m_requestPath = requestPath(token);
    m_then = std::move(then);
    bus.connect(PortalService, m_requestPath, RequestInterface, QStringLiteral("Response"), this,
                SLOT(onResponse(uint, QVariantMap)));
    QDBusMessage call = portalCall(method);
    call.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, bus](QDBusPendingCallWatcher *w) mutable {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError())
            return failed(reply.error().message());
        // A portal older than the token convention answers elsewhere.
        const QString path = reply.value().path();
        if (path != m_requestPath && m_then) {
            bus.disconnect(PortalService, m_requestPath, RequestInterface, QStringLiteral("Response"), this,
                           SLOT(onResponse(uint, QVariantMap)));
            m_requestPath = path;
            bus.connect(PortalService, m_requestPath, RequestInterface, QStringLiteral("Response"), this,
                        SLOT(onResponse(uint, QVariantMap)));
        }
    });
}

void PortalShortcuts::onResponse(uint response, const QVariantMap &results)
{
    QDBusConnection::sessionBus().disconnect(PortalService, m_requestPath, RequestInterface, QStringLiteral("Response"),
                                             this, SLOT(onResponse(uint, QVariantMap)));
    m_requestPath.clear();
    const std::function<void(const QVariantMap &)> then = std::exchange(m_then, nullptr);
    // 1: the user cancelled; 2: the desktop refused or failed.
    if (response != 0)
        return failed(QStringLiteral("the portal answered %1").arg(response));
    if (then)
        then(results);
}

void PortalShortcuts::createSession()
{
    // A session of an earlier instance may still be closing under the same path.
    static int sessions = 0;
    request(QStringLiteral("CreateSession"),
            {QVariantMap{{QStringLiteral("session_handle_token"), QStringLiteral("zephinet%1").arg(++sessions)}}},
            [this](const QVariantMap &results) {
                m_session = results.value(QStringLiteral("session_handle")).toString();
                if (m_session.isEmpty())
                    return failed(QStringLiteral("no session"));
                // The desktop may end the session, and the keys with it.
                QDBusConnection::sessionBus().connect(PortalService, m_session,
                                                      QStringLiteral("org.freedesktop.portal.Session"),
                                                      QStringLiteral("Closed"), this, SLOT(onSessionClosed()));
                bind();
            });
}

void PortalShortcuts::bindLater()
{
    if (m_bindQueued)
        return;
    m_bindQueued = true;
    // Shortcuts added together go in one request.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bindQueued = false;
            if (!m_bindPending)
                bind();
        },
        Qt::QueuedConnection);
}

void PortalShortcuts::bind()
{
    if (m_state == State::Unavailable)
        return;
    ShortcutList list;
    for (const Shortcut &s : std::as_const(m_shortcuts)) {
        list.append({s.id,
                     QVariantMap{{QStringLiteral("description"), s.description},
                                 {QStringLiteral("preferred_trigger"), s.trigger}}});
    }
    const int asked = m_revision;
    m_bindPending = true;
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(list), QString(), QVariantMap()},
            [this, asked](const QVariantMap &) {
                m_bindPending = false;
                setState(State::Bound);
                // More were added while the desktop was asked.
                if (m_revision != asked)
                    bindLater();
            });
}

void PortalShortcuts::onSessionClosed()
{
    m_session.clear();
    failed(QStringLiteral("the desktop closed the session"));
}

void PortalShortcuts::onActivated(const QDBusObjectPath &session, const QString &id, qulonglong, const QVariantMap &)
{
    if (session.path() != m_session)
        return;
    for (const Shortcut &s : std::as_const(m_shortcuts)) {
        if (s.id == id) {
            emit activated(id);
            return;
        }
    }
}

} // namespace zn
