#include "cli/clisession.h"

#include "cli/commandline.h"
#include "net/identity.h"
#include "net/messenger.h"
#include "platform/unixsignals.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

namespace zn {

CliFrontend::CliFrontend(QTextStream &err) : m_err(err)
{}

Answer CliFrontend::showMessageBox(const QString &text, int flags)
{
    m_err << "zephinet-cli: " << text << Qt::endl;
    return (flags & mb::ButtonMask) == mb::YesNo ? Answer::No : Answer::Ok;
}

void CliFrontend::showEventNotice(const QString &text, bool important)
{
    m_err << (important ? "zephinet-cli: notice (important): " : "zephinet-cli: notice: ") << text << Qt::endl;
}

bool HasUsableNetwork(const QList<InterfaceCandidate> &interfaces)
{
    return !AddressFromInterfaces(interfaces).isEmpty();
}

CliSession::CliSession(const CliOptions &options, QTextStream &err) : frontend(err), m_err(err)
{
    session.local.MachineName = GetMachineName();
    Settings &settings = session.settings;
    settings.HandleName = options.handleName.isEmpty() ? session.local.MachineName : options.handleName;
    settings.PortNo = options.port;
    settings.ActivePortNo = options.port;
    settings.SendIP.clear();
    for (const QString &address : options.sendIp)
        settings.SendIP += address.toLatin1() + "&|";
    if (options.broadcastOnly)
        settings.DirectSend = 0;
}

int CliSession::start()
{
    if (!HasUsableNetwork(SystemInterfaces())) {
        m_err << "zephinet-cli: no usable IPv4 network interface" << Qt::endl;
        return ExitNoNetwork;
    }
    if (!session.startSocketService())
        return ExitPortInUse;
    // The LOGIN went out nowhere: nobody can answer, and an empty list would
    // read as nobody online.
    if (session.messenger().nothingSent()) {
        m_err << "zephinet-cli: nothing could be sent on any network" << Qt::endl;
        return ExitNoNetwork;
    }
    return ExitOk;
}

void runFor(int seconds)
{
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, qApp, &QCoreApplication::quit);
    if (seconds > 0)
        QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

} // namespace zn
