// Builds the nine kinds of message from the local identity and sends them:
// by broadcast first, then once more to each extra address of SendIP. A kind
// that names its addressee's address goes to that address alone instead of
// the broadcast when the address is on a segment of this host.
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringView>

#include <functional>
#include <optional>

namespace zn {

// Told once when a broadcast could be sent nowhere (no network, or every
// destination refused), until something goes out again.
inline constexpr char NothingSentText[] = QT_TRANSLATE_NOOP(
    "zn::Messenger", "ネットワークにデータを送信できませんでした。ネットワークの接続と設定を確認してください。");

class DatagramTransport;
class LogWriter;
class Roster;
struct LocalPeer;
struct Settings;

class Messenger {
public:
    Messenger(const Settings &settings, const LocalPeer &local, const Roster &roster, DatagramTransport &transport,
              LogWriter &log);

    // The directed broadcast addresses (host byte order) of the segments
    // that a datagram to 255.255.255.255 does not reach: every segment when
    // the system refuses the limited broadcast (no default route), the
    // other segments of a host on several. Asked at each broadcast.
    using BroadcastRoutes = std::function<QList<quint32>()>;
    void setBroadcastRoutes(BroadcastRoutes routes) { m_broadcastRoutes = std::move(routes); }
    // Whether an address (host byte order) is on a segment of this host, so
    // that a datagram to it reaches the copy there. Without it, and with
    // DirectSend 0, every message goes by broadcast.
    using OnLinkTest = std::function<bool(quint32)>;
    void setOnLinkTest(OnLinkTest onLink) { m_onLink = std::move(onLink); }
    // Called when a message to be broadcast could be sent nowhere at all
    // (neither broadcast nor any extra address took it), once until a
    // message goes out again.
    void setNothingSentHandler(std::function<void()> handler) { m_nothingSent = std::move(handler); }
    // The last broadcast message went nowhere.
    bool nothingSent() const { return m_silent; }
    // Called whenever this copy broadcasts its LOGIN.
    void setLoginSentHandler(std::function<void()> handler) { m_loginSent = std::move(handler); }

    // One message to one address, or with an empty address by broadcast on
    // every segment (255.255.255.255, and the directed broadcast of each
    // segment that one does not reach) and then to each SendIP entry up to
    // the first empty one, whatever became of the broadcast. With an
    // address, true when it took every datagram; without, true when any
    // destination did.
    bool TransmitMessage(const QByteArray &message, const QByteArray &address = {});
    // A message for the copy at `addressee` alone: to that address and then
    // to each SendIP entry (but that address) when it is on a segment of this
    // host and direct delivery is on; by TransmitMessage's broadcast otherwise.
    bool TransmitAddressed(const QByteArray &message, const QByteArray &addressee);
    // Whether a message for `addressee` goes to that address alone.
    bool deliversDirectly(const QByteArray &addressee) const;
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
    // To the machine's listed address; when it is not listed, to
    // `unlistedAddress` (the address its message came from) if given.
    bool SendOpenCheck(const QByteArray &machineName, const QByteArray &unlistedAddress = {});
    bool SendMessageExclamation(const QByteArray &address);

private:
    // To `first` (none: every segment's broadcast), then to the SendIP
    // entries but `first`; tells the nothing-sent handler.
    bool transmit(const QByteArray &message, std::optional<quint32> first);

    const Settings &m_settings;
    const LocalPeer &m_local;
    const Roster &m_roster;
    DatagramTransport &m_transport;
    LogWriter &m_log;
    BroadcastRoutes m_broadcastRoutes;
    OnLinkTest m_onLink;
    std::function<void()> m_nothingSent;
    std::function<void()> m_loginSent;
    bool m_silent = false;
};

} // namespace zn
