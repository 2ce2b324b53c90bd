#include "platform/desktopnotifier.h"

#include "platform/iconstrip.h"
#include "settings/settings.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QImage>
#include <QTimer>

namespace zn {

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

// The "image-data" hint: raw RGBA rows, (iiibiiay) on the bus.
struct NotificationImage {
    int width = 0;
    int height = 0;
    int rowStride = 0;
    bool hasAlpha = true;
    int bitsPerSample = 8;
    int channels = 4;
    QByteArray data;
};

} // namespace

} // namespace zn

Q_DECLARE_METATYPE(zn::NotificationImage)

namespace zn {

namespace {

QDBusArgument &operator<<(QDBusArgument &argument, const NotificationImage &image)
{
    argument.beginStructure();
    argument << image.width << image.height << image.rowStride << image.hasAlpha << image.bitsPerSample
             << image.channels << image.data;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, NotificationImage &image)
{
    argument.beginStructure();
    argument >> image.width >> image.height >> image.rowStride >> image.hasAlpha >> image.bitsPerSample
        >> image.channels >> image.data;
    argument.endStructure();
    return argument;
}

// The program's star, as every window of it carries it: no icon of the
// program is installed in the desktop's icon theme.
NotificationImage starImage()
{
    const QImage image = IconStrip::pixmap(IconStrip::Present, 32).toImage().convertToFormat(QImage::Format_RGBA8888);
    NotificationImage star;
    star.width = image.width();
    star.height = image.height();
    star.rowStride = int(image.bytesPerLine());
    star.data = QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
    return star;
}

} // namespace

DesktopNotifier::DesktopNotifier(const Settings &settings, QObject *parent) : QObject(parent), m_settings(settings)
{
    qDBusRegisterMetaType<NotificationImage>();
}

DesktopNotifier::~DesktopNotifier() = default;

bool DesktopNotifier::chosen(const Settings &settings)
{
    if (settings.DesktopNotification >= 0)
        return settings.DesktopNotification != 0;
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QString DesktopNotifier::escaped(const QString &text)
{
    // Only what markup needs: fewer kinds are safer with small servers.
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        default: out += c; break;
        }
    }
    return out;
}

bool DesktopNotifier::connectBus()
{
    if (m_busConnected)
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // By path and interface alone: naming the service would make QtDBus
    // ask the bus for its owner there and then, and wait for the answer.
    bus.connect(QString(), Path, Interface, QStringLiteral("NotificationClosed"), this,
                SLOT(notificationClosed(uint, uint)));
    bus.connect(QString(), Path, Interface, QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
    // A server that starts (or comes back) after a failed call is used
    // again; it may be another one, which may read markup otherwise.
    auto *watcher = new QDBusServiceWatcher(Service, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        m_serverMissing = false;
        m_capabilities = Capabilities::Unknown;
    });
    m_busConnected = true;
    return true;
}

void DesktopNotifier::askCapabilities()
{
    m_capabilities = Capabilities::Asked;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        const QDBusPendingReply<QStringList> reply = *finished;
        if (reply.isError()) {
            m_capabilities = Capabilities::Unknown;
            m_serverMissing = true;
            for (Slot &slot : m_slots)
                fallBack(slot);
            return;
        }
        // A server without markup shows the body as it comes: escaping
        // there would show the entities.
        m_bodyMarkup = reply.value().contains(QLatin1String("body-markup"));
        m_capabilities = Capabilities::Known;
        flush();
    });
}

bool DesktopNotifier::announce(NoticeKind kind, const QString &text, bool important)
{
    if (!chosen(m_settings) || m_serverMissing || !connectBus())
        return false;
    Group group = Sent;
    QString category;
    switch (kind) {
    case NoticeKind::Arrival:
        group = Arrivals;
        category = QStringLiteral("im.received");
        break;
    case NoticeKind::Online:
        group = Presence;
        category = QStringLiteral("presence.online");
        break;
    case NoticeKind::Offline:
        group = Presence;
        category = QStringLiteral("presence.offline");
        break;
    case NoticeKind::ReadConfirmed: category = QStringLiteral("im"); break;
    case NoticeKind::DeliveryWarning: category = QStringLiteral("im.error"); break;
    }
    Slot &slot = m_slots[group];
    slot.lines.append(text);
    if (slot.lines.size() > MaxLines)
        slot.lines.remove(0, slot.lines.size() - MaxLines);
    slot.unconfirmed.append({text, important});
    slot.category = category;
    slot.important = slot.important || important;
    slot.dirty = true;
    queueFlush();
    return true;
}

void DesktopNotifier::setUnreadCount(int count)
{
    m_unread = count;
    Slot &arrivals = m_slots[Arrivals];
    if (count > 0 || arrivals.id == 0 || arrivals.pending)
        return;
    // Read by other means: the notification has said its piece.
    QDBusConnection::sessionBus().send(
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("CloseNotification")) << arrivals.id);
    arrivals = Slot();
}

void DesktopNotifier::queueFlush()
{
    // Notices of one pass of the event loop (a datagram's burst) and the
    // unread count that they change go out together.
    if (m_flushQueued)
        return;
    m_flushQueued = true;
    QTimer::singleShot(0, this, &DesktopNotifier::flush);
}

void DesktopNotifier::flush()
{
    m_flushQueued = false;
    // The first notices wait for the server's capabilities.
    if (m_capabilities == Capabilities::Unknown)
        askCapabilities();
    if (m_capabilities != Capabilities::Known)
        return;
    for (int group = 0; group < GroupCount; ++group) {
        const Slot &slot = m_slots[size_t(group)];
        // A call under way sends the rest once its reply gives the id to replace.
        if (slot.dirty && !slot.pending)
            send(Group(group));
    }
}

QString DesktopNotifier::summary(Group group) const
{
    switch (group) {
    case Arrivals:
        return m_unread > 0 ? tr("未読メッセージが%n通あります", nullptr, m_unread) : tr("メッセージが届きました");
    case Presence: return tr("オンライン状況の変化");
    case Sent:
    case GroupCount: break;
    }
    return tr("送信したメッセージ");
}

QVariantMap DesktopNotifier::hints(const Slot &slot) const
{
    static const NotificationImage star = starImage();
    QVariantMap hints;
    const QString entry = QGuiApplication::desktopFileName();
    if (!entry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), entry);
    hints.insert(QStringLiteral("category"), slot.category);
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(slot.important ? 2 : 1)));
    hints.insert(QStringLiteral("image-data"), QVariant::fromValue(star));
    return hints;
}

void DesktopNotifier::send(Group group)
{
    Slot &slot = m_slots[group];
    QStringList actions;
    if (group == Arrivals)
        actions << QStringLiteral("default") << tr("開く");
    QStringList body = slot.lines;
    if (m_bodyMarkup) {
        for (QString &line : body)
            line = escaped(line);
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    call << QStringLiteral("Zephinet") << slot.id << QGuiApplication::desktopFileName() << summary(group)
         << body.join(u'\n') << actions << hints(slot) << qint32(-1);
    slot.pending = true;
    slot.dirty = false;
    slot.inFlight = slot.unconfirmed.size();
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, group](QDBusPendingCallWatcher *finished) {
        replied(group, finished);
        finished->deleteLater();
    });
}

void DesktopNotifier::replied(Group group, QDBusPendingCallWatcher *watcher)
{
    Slot &slot = m_slots[group];
    slot.pending = false;
    const QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        m_serverMissing = true;
        m_capabilities = Capabilities::Unknown;
        fallBack(slot);
        return;
    }
    slot.id = reply.value();
    if (group == Arrivals)
        m_arrivalsShown = slot.id;
    slot.unconfirmed.remove(0, slot.inFlight);
    slot.inFlight = 0;
    if (slot.dirty)
        send(group);
}

void DesktopNotifier::fallBack(Slot &slot)
{
    // A call under way ends the same way, with its own notices.
    if (slot.pending)
        return;
    const QList<QPair<QString, bool>> notices = slot.unconfirmed;
    slot = Slot();
    if (m_fallback) {
        for (const auto &[text, important] : notices)
            m_fallback(text, important);
    }
}

void DesktopNotifier::notificationClosed(uint id, uint reason)
{
    (void)reason;
    for (Slot &slot : m_slots) {
        if (slot.id != id || id == 0)
            continue;
        // The next notice of the group starts a notification of its own.
        slot.id = 0;
        slot.lines.clear();
        slot.important = false;
    }
}

void DesktopNotifier::actionInvoked(uint id, const QString &actionKey)
{
    // Servers may close the notification before they tell of the action.
    if (id != 0 && id == m_arrivalsShown && actionKey == QLatin1String("default"))
        emit openRequested();
}

} // namespace zn
