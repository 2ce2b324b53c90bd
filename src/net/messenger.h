// Builds the nine kinds of message from the local identity and sends them:
// by broadcast first, then once more to each extra address of SendIP.
#pragma once

#include <QByteArray>

namespace zn {

class DatagramTransport;
class LogWriter;
class Roster;
struct LocalPeer;
struct Settings;

class Messenger {
public:
    Messenger(const Settings &settings, const LocalPeer &local, const Roster &roster,
              DatagramTransport &transport, LogWriter &log);

    // One message to one address, or with an empty address to the broadcast
    // address and then each SendIP entry up to the first empty one. True when
    // the first destination took every datagram.
    bool TransmitMessage(const QByteArray &message, const QByteArray &address = {});
    // Frames one message and sends all its datagrams to one destination
    // (empty = broadcast). False for an unparsable address or a send error.
    bool SendDatagrams(const QByteArray &message, const QByteArray &address);

    bool SendLogin();
    bool SendLoginOk(const QByteArray &address);
    bool SendInfoChange();
    bool SendLogout();
    bool SendHuzaiCheck(const QByteArray &address);
    bool SendHuzaiMessage(const QByteArray &text, const QByteArray &address);
    bool SendMessageTo(const QByteArray &text, const QByteArray &machineName);
    bool SendOpenCheck(const QByteArray &machineName);
    bool SendMessageExclamation(const QByteArray &address);

private:
    const Settings &m_settings;
    const LocalPeer &m_local;
    const Roster &m_roster;
    DatagramTransport &m_transport;
    LogWriter &m_log;
};

} // namespace zn
