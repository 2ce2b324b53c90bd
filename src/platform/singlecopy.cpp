#include "platform/singlecopy.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFileInfo>

#include <utility>

namespace zn {

namespace {

// A copy that is busy starting (a box of its own open) answers once its
// event loop runs again; a copy that hangs must not hold this one forever.
constexpr int CallTimeoutMs = 10000;
constexpr int Attempts = 3;

QString methodName(CopyCommand command)
{
    switch (command) {
    case CopyCommand::Receive: return QStringLiteral("Receive");
    case CopyCommand::Send: return QStringLiteral("Send");
    default: return QStringLiteral("ShowUserList");
    }
}

} // namespace

SingleCopy::SingleCopy(QString applicationId, QObject *parent)
    : QObject(parent), m_applicationId(std::move(applicationId))
{}

SingleCopy::~SingleCopy()
{
    if (m_registered)
        QDBusConnection::sessionBus().unregisterObject(objectPath());
}

QString SingleCopy::busName(const QString &applicationId, const QString &settingsPath)
{
    const QFileInfo file(settingsPath);
    QString path = file.canonicalFilePath();
    if (path.isEmpty()) {
        // No file yet: the first start writes it in this directory.
        const QString directory = QFileInfo(file.absolutePath()).canonicalFilePath();
        path = (directory.isEmpty() ? file.absolutePath() : directory) + u'/' + file.fileName();
    }
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).left(16).toHex();
    // An element of a bus name must not start with a digit.
    return applicationId + QStringLiteral(".i") + QString::fromLatin1(hash);
}

QString SingleCopy::objectPath() const
{
    return u'/' + QString(m_applicationId).replace(u'.', u'/');
}

QString SingleCopy::interfaceName() const
{
    return m_applicationId + QStringLiteral(".Commands");
}

QList<CopyCommand> SingleCopy::takeCommands(QStringList &parameters)
{
    QList<CopyCommand> commands;
    for (qsizetype i = 0; i < parameters.size();) {
        const QString &p = parameters[i];
        if (p == u"--user-list")
            commands.append(CopyCommand::UserList);
        else if (p == u"--receive")
            commands.append(CopyCommand::Receive);
        else if (p == u"--send")
            commands.append(CopyCommand::Send);
        else {
            ++i;
            continue;
        }
        parameters.removeAt(i);
    }
    return commands;
}

SingleCopy::Claim SingleCopy::claim(const QString &settingsPath, const QList<CopyCommand> &commands)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Claim::Alone;
    const QString name = busName(m_applicationId, settingsPath);
    if (!m_registered) {
        m_registered = bus.registerObject(objectPath(), interfaceName(), this, QDBusConnection::ExportScriptableSlots);
        if (!m_registered)
            return Claim::Alone;
    }
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
            name, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
        if (!reply.isValid())
            return Claim::Alone;
        if (reply.value() == QDBusConnectionInterface::ServiceRegistered) {
            m_heldName = name;
            return Claim::Running;
        }
        switch (passOn(name, commands)) {
        case Answer::Taken: return Claim::Passed;
        case Answer::Gone: continue;
        case Answer::None: break;
        }
        break;
    }
    // The name is held by something that does not answer: run as if there
    // were no bus, and let the port decide.
    return Claim::Alone;
}

void SingleCopy::release()
{
    if (m_heldName.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.interface())
        bus.interface()->unregisterService(std::exchange(m_heldName, {}));
}

QString SingleCopy::CheckSegment(int port, int seconds, const QDBusMessage &message)
{
    message.setDelayedReply(true);
    const auto reply = [message,
                        error = interfaceName() + QStringLiteral(".NotOnThisPort")](std::optional<QString> json) {
        QDBusConnection::sessionBus().send(
            json ? message.createReply(*json)
                 : message.createErrorReply(error, QStringLiteral("this copy does not hold that port")));
    };
    if (!m_segmentCheck || port < 1 || port > 65535 || seconds < 1 || seconds > MaxCheckSeconds)
        reply(std::nullopt);
    else
        m_segmentCheck(quint16(port), seconds, reply);
    return {};
}

SingleCopy::Answer SingleCopy::passOn(const QString &name, const QList<CopyCommand> &commands) const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QList<CopyCommand> asked = commands.isEmpty() ? QList<CopyCommand>{CopyCommand::UserList} : commands;
    for (const CopyCommand command : asked) {
        const QDBusMessage call =
            QDBusMessage::createMethodCall(name, objectPath(), interfaceName(), methodName(command));
        const QDBusMessage reply = bus.call(call, QDBus::Block, CallTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage)
            continue;
        // The owner ended between the refusal and the call: the name is free again.
        const QString error = reply.errorName();
        if (error == u"org.freedesktop.DBus.Error.ServiceUnknown"
            || error == u"org.freedesktop.DBus.Error.NameHasNoOwner")
            return Answer::Gone;
        return Answer::None;
    }
    return Answer::Taken;
}

} // namespace zn
