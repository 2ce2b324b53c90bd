#include "cli/cli.h"

#include "app/session.h"
#include "common/codec.h"
#include "common/text.h"
#include "net/identity.h"
#include "net/messenger.h"
#include "net/reassembly.h"
#include "net/udpservice.h"
#include "peers/roster.h"
#include "platform/unixsignals.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>

namespace zn {

namespace {
constexpr int DefaultWhoSeconds = 3;

QString oneLine(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            out += u"\\\\";
        else if (c == u'\r')
            out += u"\\r";
        else if (c == u'\n')
            out += u"\\n";
        else
            out += c;
    }
    return out.replace(u"\\r\\n"_qs, u"\\n"_qs);
}

void applyOptions(Settings &settings, const CliOptions &options, const QByteArray &machineName)
{
    settings.HandleName = options.handleName.isEmpty() ? machineName : options.handleName;
    settings.PortNo = options.port;
    settings.ActivePortNo = options.port;
    settings.SendIP.clear();
    for (const QString &address : options.sendIp)
        settings.SendIP += address.toLatin1() + "&|";
}

// Runs the event loop for `seconds` (0: until a signal), or until a signal.
void runFor(int seconds)
{
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, qApp, &QCoreApplication::quit);
    if (seconds > 0)
        QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}
} // namespace

CliFrontend::CliFrontend(QTextStream &err)
    : m_err(err)
{
}

Answer CliFrontend::showMessageBox(const QString &text, int flags)
{
    m_err << "zephinet-cli: " << text << Qt::endl;
    return (flags & mb::ButtonMask) == mb::YesNo ? Answer::No : Answer::Ok;
}

void CliFrontend::showEventNotice(const QString &text, bool important)
{
    m_err << (important ? "zephinet-cli: notice (important): " : "zephinet-cli: notice: ") << text << Qt::endl;
}

void CliFrontend::messageArrived(const QByteArray &machineName, const QByteArray &handleName,
                                 const QByteArray &text)
{
    m_err << "zephinet-cli: message from " << cp932::decode(handleName) << " (" << cp932::decode(machineName)
          << "): " << oneLine(cp932::decode(text)) << Qt::endl;
}

void CliFrontend::openAbsenceWindow(const QByteArray &machineName, const QByteArray &handleName,
                                    const QByteArray &text)
{
    m_err << "zephinet-cli: absence message of " << cp932::decode(handleName) << " ("
          << cp932::decode(machineName) << "): " << oneLine(cp932::decode(text)) << Qt::endl;
}

QString describeMessage(const QByteArray &message, const QByteArray &sender, const QString &time, bool json)
{
    const QByteArray keyword = GetField(message, 0);
    const QByteArray prefix = "ZNMESSAGE:";
    const QString kind = keyword.startsWith(prefix) ? cp932::decode(keyword.mid(prefix.size()))
                                                    : cp932::decode(keyword);
    QStringList fields;
    for (int i = 1; i < 256; ++i) {
        // Stop after the last separator; a trailing empty field is kept.
        qsizetype at = 0;
        for (int n = 0; n < i && at >= 0; ++n) {
            at = message.indexOf(FieldSeparator, at);
            if (at >= 0)
                at += FieldSeparator.size();
        }
        if (at < 0)
            break;
        fields << cp932::decode(GetField(message, i));
    }
    if (json) {
        QJsonObject object{{u"time"_qs, time},
                           {u"from"_qs, QString::fromLatin1(sender)},
                           {u"kind"_qs, kind},
                           {u"fields"_qs, QJsonArray::fromStringList(fields)}};
        return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    QStringList shown;
    for (const QString &field : fields)
        shown << oneLine(field);
    return time + u' ' + QString::fromLatin1(sender) + u' ' + oneLine(kind)
           + (shown.isEmpty() ? QString() : u' ' + shown.join(u" | "_qs));
}

QString describePeers(const QList<TPeer> &peers, bool json)
{
    if (json) {
        QJsonArray array;
        for (const TPeer &p : peers)
            array.append(QJsonObject{{u"handleName"_qs, cp932::decode(p.HandleName)},
                                     {u"machineName"_qs, cp932::decode(p.MachineName)},
                                     {u"address"_qs, cp932::decode(p.Address)},
                                     {u"absent"_qs, p.Absent}});
        return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
    }
    QList<QStringList> rows{{u"HANDLE"_qs, u"MACHINE"_qs, u"ADDRESS"_qs, u"STATE"_qs}};
    for (const TPeer &p : peers)
        rows.append({oneLine(cp932::decode(p.HandleName)), oneLine(cp932::decode(p.MachineName)),
                     oneLine(cp932::decode(p.Address)), p.Absent ? u"absent"_qs : u"present"_qs});
    int widths[3] = {0, 0, 0};
    for (const QStringList &row : rows)
        for (int c = 0; c < 3; ++c)
            widths[c] = qMax(widths[c], int(row[c].size()));
    QString out;
    for (const QStringList &row : rows) {
        for (int c = 0; c < 3; ++c)
            out += row[c].leftJustified(widths[c] + 2);
        out += row[3] + u'\n';
    }
    return out;
}

bool HasUsableNetwork(const QList<InterfaceCandidate> &interfaces)
{
    return !AddressFromInterfaces(interfaces).isEmpty();
}

int runWho(const CliOptions &options, QTextStream &out, QTextStream &err)
{
    CliFrontend frontend(err);
    Session session(frontend, {});
    session.local.MachineName = GetMachineName();
    applyOptions(session.settings, options, session.local.MachineName);
    if (!HasUsableNetwork(SystemInterfaces())) {
        err << "zephinet-cli: no usable IPv4 network interface" << Qt::endl;
        return ExitNoNetwork;
    }
    if (!session.startSocketService())
        return ExitPortInUse;
    runFor(options.seconds < 0 ? DefaultWhoSeconds : qMax(options.seconds, 1));
    QList<TPeer> others;
    for (const TPeer &peer : session.roster().peers())
        if (peer.MachineName != session.local.MachineName)
            others.append(peer);
    out << describePeers(others, options.json);
    if (options.json)
        out << '\n';
    out.flush();
    session.shutdown();  // LOGOUT
    return ExitOk;
}

int runWatch(const CliOptions &options, QTextStream &out, QTextStream &err)
{
    CliFrontend frontend(err);
    SystemClock clock;
    UdpService udp;
    Reassembler reassembler(clock, frontend);
    if (!udp.start(options.port)) {
        err << "zephinet-cli: " << SocketStartFailureText.toString() << Qt::endl;
        return ExitPortInUse;
    }
    QObject::connect(&udp, &UdpService::datagramReceived, &reassembler, &Reassembler::ReceiveDatagram);
    QObject::connect(&reassembler, &Reassembler::messageReceived, &reassembler,
                     [&out, &options](const QByteArray &message, const QByteArray &sender) {
                         const QString time = QDateTime::currentDateTime().toString(u"HH:mm:ss.zzz"_qs);
                         out << describeMessage(message, sender, time, options.json) << Qt::endl;
                     });
    err << "zephinet-cli: watching UDP port " << udp.port() << Qt::endl;
    runFor(options.seconds < 0 ? 0 : options.seconds);
    udp.stop();
    return ExitOk;
}

} // namespace zn
