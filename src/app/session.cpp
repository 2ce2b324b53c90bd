#include "app/session.h"

#include "common/frontend.h"
#include "log/logwriter.h"
#include "net/dispatcher.h"
#include "net/identity.h"
#include "net/messenger.h"
#include "net/reassembly.h"
#include "net/udpservice.h"
#include "peers/roster.h"

#include <QHostAddress>

#include <cstdio>

namespace zn {

namespace {
// Records nothing yet: the log file arrives with the messaging windows. Sent
// messages still go through the writer's interface in the right order.
class NoLogWriter final : public LogWriter {
public:
    bool WriteLog(const QByteArray &, const QByteArray &, const QByteArray &) override { return true; }
};
} // namespace

Session::Session(Frontend &frontend, QStringList parameters, DatagramTransport *transport,
                 QObject *parent)
    : QObject(parent)
    , m_frontend(frontend)
    , m_parameters(std::move(parameters))
    , m_log(std::make_unique<NoLogWriter>())
    , m_roster(std::make_unique<Roster>(settings, local, frontend))
    , m_udp(std::make_unique<UdpService>())
    , m_messenger(std::make_unique<Messenger>(settings, local, *m_roster,
                                              transport ? *transport : *m_udp, *m_log))
    , m_reassembler(std::make_unique<Reassembler>(m_clock, frontend))
    , m_dispatcher(std::make_unique<Dispatcher>(settings, local, *m_roster, *m_messenger, frontend))
{
    connect(m_udp.get(), &UdpService::datagramReceived, this, &Session::datagramReceived);
    connect(m_reassembler.get(), &Reassembler::messageReceived, this,
            [this](const QByteArray &message) { m_dispatcher->HandleReceivedMessage(message); });
}

Session::~Session()
{
    shutdown();
}

void Session::loadSettings(const QString &programDirectory)
{
    // The machine name comes first: it is the default handle name.
    local.MachineName = GetMachineName();
    const QString directory = programDirectory.isEmpty() ? ProgramDirectory() : programDirectory;
    m_store = std::make_unique<SettingsStore>(directory + SettingsFileName(m_parameters));
    settings = m_store->load(local.MachineName, directory);
}

QString Session::settingsPath() const
{
    return m_store ? m_store->filePath() : QString();
}

bool Session::startSocketService()
{
    local.SocketStarted = StartSocketService(*m_udp, settings.ActivePortNo, m_frontend);
    if (!local.SocketStarted)
        return false;
    local.Address = GetLocalAddress();
    m_messenger->SendLogin();
    return true;
}

void Session::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    if (local.SocketStarted)
        m_messenger->SendLogout();
    m_udp->stop();
    m_reassembler->clearAll();
}

void Session::datagramReceived(const QByteArray &datagram, const QByteArray &sender)
{
    m_reassembler->ReceiveDatagram(datagram, QHostAddress(QString::fromLatin1(sender)).toIPv4Address());
}

MainPlacement Session::readMainPlacement(const Placement &defaults) const
{
    if (!m_store)
        return {defaults, DefaultColumnWidths};
    return {m_store->readPlacement(PlacementSection::MainForm, defaults), m_store->readColumnWidths()};
}

void Session::writeMainPlacement(const MainPlacement &placement)
{
    if (m_store)
        reportWriteError(m_store->writeMainPlacement(placement.window, placement.columns));
}

Placement Session::readPlacement(QByteArrayView section, const Placement &defaults) const
{
    return m_store ? m_store->readPlacement(section, defaults) : defaults;
}

void Session::writePlacement(QByteArrayView section, const Placement &placement, bool withSize)
{
    if (m_store)
        reportWriteError(m_store->writePlacement(section, placement, withSize));
}

void Session::writeFontSize(quint8 size)
{
    settings.Size = size;
    if (m_store)
        reportWriteError(m_store->writeFontSize(size));
}

void Session::sortByColumn(int column)
{
    if (m_roster->columnClicked(column) && m_store)
        reportWriteError(m_store->writeSort(settings.SortIndex, settings.SortUpper));
}

int Session::fontSizeForStoredValue(int stored)
{
    return NormalizeFontSize(stored);
}

void Session::reportWriteError(const QString &error)
{
    if (error.isEmpty())
        return;
    if (!m_unattended) {
        m_frontend.showMessageBox(error, mb::Ok | mb::IconError);
    } else if (m_errorOutput) {
        m_errorOutput(error);
    } else {
        const QByteArray line = "zephinet: " + error.toLocal8Bit() + '\n';
        std::fputs(line.constData(), stderr);
    }
}

} // namespace zn
