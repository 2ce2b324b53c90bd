// Fuzz target: one complete message from a peer through a whole session:
// reassembly, field splitting, decoding, the dispatcher's handlers, the
// unread queue, the log and the answers sent, with the session in each
// state that changes the path.
//
// Input: two state bytes, then the datagrams.
//   byte 0   0x01 absent            0x02 unread queue full (256 waiting)
//            0x04 log viewer open   0x08 datagrams arrive while a box is open
//            0x10 the sender was asked for its absence message, and so was
//                 PC3 at 10.0.0.3 (an answer counts for either address)
//            0x20 each queued message is read at once (its read confirmation goes out)
//            0x40 the sender is in the roster
//            0x80 the notices for read confirmations and arrivals are on
//   byte 1   0x01 framed: the rest is one message text, cut into datagrams
//                 by the program's own wire code; else the rest is datagrams
//                 separated by 0xFF
//            0x02 framed datagrams arrive last first
//            0x04 no absence message is set
//            0x08 the log keeps one record only
//            0x10 the datagrams come from this copy's own address (its
//                 broadcasts come back to it)
#include "common/codec.h"
#include "common/text.h"
#include "fakeclock.h"
#include "fakefrontend.h"
#include "log/logfile.h"
#include "net/netfakes.h"
#include "net/reassembly.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace zn;

namespace {

constexpr quint32 LocalIPv4 = 0x0A000001u; // 10.0.0.1
constexpr quint32 PeerIPv4 = 0x0A000002u;  // 10.0.0.2
const QByteArray LocalAddress = "10.0.0.1";
const QByteArray PeerAddress = "10.0.0.2";
const QByteArray ThirdAddress = "10.0.0.3";
const QByteArray LocalMachine = "SELF";
const QByteArray LocalHandle = "self";

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_message: %s\n", what);
        std::abort();
    }
}

QString logDirectory()
{
    // Memory-backed when there is one: the log is written for every message.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/zephinet-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/zephinet-fuzz-XXXXXX"));
    check(dir.isValid(), "no temporary directory");
    return dir.path();
}

// Every datagram this copy sent, reassembled per destination: each must
// make a complete message of a kind this copy sends, whose own fields (not
// those echoed from the network) are intact.
void checkSent(const QList<test::SentDatagram> &sent, const Clock &clock, const Settings &settings, bool absent)
{
    test::FakeFrontend quiet;
    Reassembler reader(clock, quiet);
    int messages = 0;
    QObject::connect(&reader, &Reassembler::messageReceived, &reader, [&](const QByteArray &message) {
        ++messages;
        const QByteArray kind = GetField(message, 0);
        if (kind == keyword::LoginOk) {
            check(GetField(message, 2) == LocalMachine && GetField(message, 3) == LocalHandle
                      && GetField(message, 4) == (absent ? "1" : "0") && GetField(message, 5) == LocalAddress
                      && GetField(message, 6) == VersionTag && GetField(message, 7).isEmpty(),
                  "LOGIN_OK fields");
        } else if (kind == keyword::HuzaiMessage) {
            const QByteArray text = absent && !settings.HuzaiMessage.isEmpty()
                ? cp932::bytes(u"≪不在メッセージです≫") + "\r\n\r\n" + settings.HuzaiMessage
                : QByteArrayLiteral("Nothing");
            check(GetField(message, 2) == LocalMachine && GetField(message, 3) == LocalHandle
                      && GetField(message, 4) == text && GetField(message, 5).isEmpty(),
                  "HUZAI_MESSAGE fields");
        } else {
            check(kind == keyword::OpenCheck || kind == keyword::MessageExclamation, "unexpected kind of answer");
            check(GetField(message, 2) == LocalHandle && GetField(message, 3).isEmpty(), "answer fields");
        }
    });
    for (const test::SentDatagram &d : sent) {
        check(d.datagram.size() >= 2 && d.datagram.size() <= MaxDatagramBytes, "datagram size");
        check(d.datagram[0] != '\0' && d.datagram.endsWith('\0'), "datagram framing");
        // The broadcast address reads as a sender like any other.
        reader.ReceiveDatagram(d.datagram, d.ipv4);
    }
    for (const ReceiveSlot &slot : reader.receiveSlots())
        check(slot.isFree(), "an answer that does not complete");
    check(messages > 0 || sent.isEmpty(), "datagrams without a message");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_message";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static const QString logPath = logDirectory() + QStringLiteral("/LOG.ZNG");

    if (size < 2)
        return 0;
    const uint8_t state = data[0];
    const uint8_t options = data[1];
    const QByteArrayView rest(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));

    const bool absent = state & 0x01;
    const bool queueFull = state & 0x02;
    const bool viewerOpen = state & 0x04;
    const bool boxOpen = state & 0x08;
    const bool asked = state & 0x10;
    const bool reader = state & 0x20;
    const bool senderKnown = state & 0x40;
    const bool notices = state & 0x80;
    const bool framed = options & 0x01;
    const bool reversed = options & 0x02;
    const bool noAbsenceMessage = options & 0x04;
    const int maxRecords = options & 0x08 ? 1 : 0;
    const quint32 sender = options & 0x10 ? LocalIPv4 : PeerIPv4;

    QList<QByteArray> datagrams;
    if (framed) {
        datagrams = MakeDatagrams(rest);
        if (reversed)
            std::reverse(datagrams.begin(), datagrams.end());
    } else {
        datagrams = rest.toByteArray().split('\xFF');
    }

    QFile::remove(logPath);
    test::FakeFrontend frontend;
    test::FakeClock clock;
    test::RecordingTransport transport;
    Session session(frontend, {}, &transport, &clock);
    session.local.MachineName = LocalMachine;
    session.local.Address = LocalAddress;
    session.local.AbsentMode = absent;
    Settings &settings = session.settings;
    settings.HandleName = LocalHandle;
    settings.HuzaiMessage = noAbsenceMessage ? QByteArray() : QByteArrayLiteral("out\r\nback at 3");
    settings.OpenCheck = settings.RecvCheck = notices;
    settings.OnlineCheck = settings.OfflineCheck = notices;
    // The log is written only where a viewer reads it back: writing a file
    // for every input in every state would halve the rate for no new path.
    settings.LogSave = viewerOpen;
    settings.LogFileName = logPath;
    settings.LogFileMaxCount = maxRecords;

    Roster &roster = session.roster();
    roster.AddOrUpdatePeer(LocalHandle, LocalMachine, LocalAddress, absent);
    if (senderKnown)
        roster.AddOrUpdatePeer("peer", "PC2", PeerAddress, false);
    if (queueFull) {
        while (session.recvQueue().add({"waiting", "peer", "PC2", "then"})) {}
    }
    if (asked) {
        roster.AddOrUpdatePeer("third", "PC3", ThirdAddress, false);
        session.askAbsenceMessage(sender == LocalIPv4 ? LocalAddress : PeerAddress);
        session.askAbsenceMessage(ThirdAddress);
    }
    transport.sent.clear();
    frontend.clear();

    // The log viewer reads the file again after every record written, as
    // the window does; the record on top is the message just queued.
    int queued = 0;
    int written = 0;
    if (viewerOpen) {
        QObject::connect(&session.log(), &LogFile::written, &session, [&] {
            ++written;
            const LoadedLog log = session.log().LoadLog();
            check(log.state == LoadedLog::Records, "the log reads back empty");
            // One signal may stand for several records written in one go.
            check(maxRecords ? log.records.size() == 1 : log.records.size() >= written, "records in the log");
            const LogRecord &top = log.records.first();
            check(top.RecvUser == PeerLabel(LocalHandle, LocalMachine), "addressee line");
            // A message the full queue refused is logged all the same; it is
            // in no queue to compare with.
            if (!queueFull) {
                const TRecvMessage &message = session.recvQueue().newest();
                check(top.SendUser == LogFile::LabelLine(PeerLabel(message.HandleName, message.MachineName)),
                      "sender line");
                check(top.LogData == LogFile::UnescapeText(LogFile::EscapeText(message.RecvData)), "text line");
            }
            // What the viewer shows and the peers its reply would go to.
            const int self = roster.indexOfMachine(LocalMachine);
            check(FindLabelledPeer(top.RecvUser, roster) == (self < 0 ? nullptr : &roster.peers()[self]),
                  "the addressee label names this copy");
            FindLabelledPeer(top.SendUser, roster);
            cp932::decode(top.SendUser);
            cp932::toWidgetText(top.LogData);
        });
    }
    QObject::connect(&session, &Session::messageQueued, &session, [&] {
        ++queued;
        check(!queueFull, "a message queued past the limit");
        // Each record written before the next arrives, as an idle program
        // writes it, so that the record on top is this message.
        if (viewerOpen)
            session.log().flush();
        if (reader) {
            const TRecvMessage message = session.TakeRecvMessage();
            cp932::toWidgetText(message.RecvData);
        }
    });

    // Datagrams are handled in the loop of any box that opens, as they are
    // in the program; a box inside a box of the same kind is the fault.
    qsizetype next = 0;
    auto deliverRest = [&] {
        while (next < datagrams.size()) {
            const QByteArray &datagram = datagrams[next++];
            clock.advance(10);
            session.reassembler().ReceiveDatagram(datagram, sender);
        }
    };
    if (boxOpen) {
        frontend.whileBoxOpen = [&] {
            check(frontend.openBoxes <= 2, "boxes nested");
            deliverRest();
        };
    }
    deliverRest();
    // A minute later: what never completed is given up and its sender warned.
    clock.advance(Reassembler::ExpiryMs + 1);
    session.TimeoutTimerTimer();

    qsizetype answers = frontend.absenceWindows.size();
    for (const test::FakeFrontend::Arrival &window : std::as_const(frontend.absenceWindows)) {
        cp932::decode(window.handleName);
        cp932::toWidgetText(window.text);
    }
    for (const test::FakeFrontend::Box &box : std::as_const(frontend.boxes))
        answers += box.text.contains(QStringLiteral("不在メッセージが設定されていません"));
    check(answers <= (asked ? 2 : 0), "an absence answer nobody asked for, or one twice");
    check(session.recvQueue().UnreadCount() == (queueFull ? RecvQueue::Capacity : reader ? 0 : queued), "unread count");
    // Refused messages wait for the log's thread: every record reaches the
    // file, and the handlers above, which read this frame's counters, see
    // the last of them here rather than in the session's destructor.
    session.log().flush();
    QObject::disconnect(&session.log(), nullptr, &session, nullptr);
    check(viewerOpen || written == 0, "the log written while it is off");
    if (!viewerOpen) {
        check(written == 0, "the log written while it is off");
    } else if (!queueFull) {
        const LoadedLog log = session.log().LoadLog();
        const qsizetype records = log.state == LoadedLog::Records ? log.records.size() : 0;
        check(records == (maxRecords ? std::min(queued, 1) : queued), "the log written once per queued message");
    }
    for (qsizetype i = 0; i < roster.count(); ++i)
        check(roster.indexOfMachine(roster.peers().at(i).MachineName) == i, "a machine twice in the roster");
    checkSent(transport.sent, clock, settings, absent);
    return 0;
}
