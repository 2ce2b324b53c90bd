// Whatever arrives on the port, the program stays sound: reassembly and
// dispatch are fed a long seeded stream of hostile and half-valid datagrams.
#include "common/localpeer.h"
#include "fakeclock.h"
#include "fakefrontend.h"
#include "net/dispatcher.h"
#include "net/messenger.h"
#include "net/reassembly.h"
#include "net/wire.h"
#include "netfakes.h"
#include "peers/roster.h"
#include "session/session.h"
#include "settings/settings.h"

#include <QRandomGenerator>
#include <QTest>

using namespace zn;
using namespace zn::test;

class TestHostileDatagrams : public QObject {
    Q_OBJECT
private slots:
    void seededStream_keepsStateSound_data();
    void seededStream_keepsStateSound();
};

namespace {
QByteArray randomBytes(QRandomGenerator &rng, int size)
{
    // Bytes that matter to the layout come often: separators, escapes, NUL,
    // CR, LF, digits, spaces and CP932 lead bytes.
    static const char interesting[] = {'&', '|', '\\', '\0', '\r',       '\n',       ' ',        '0',
                                       '1', '9', '-',  'x',  char(0x81), char(0x95), char(0x5C), char(0xFF)};
    QByteArray out(size, Qt::Uninitialized);
    for (char &c : out)
        c = rng.bounded(3) == 0 ? interesting[rng.bounded(int(sizeof interesting))] : char(rng.bounded(256));
    return out;
}

QByteArray randomMessage(QRandomGenerator &rng)
{
    static const QByteArrayView kinds[] = {keyword::Login,   keyword::LoginOk,    keyword::InfoChange,
                                           keyword::Logout,  keyword::HuzaiCheck, keyword::HuzaiMessage,
                                           keyword::Message, keyword::OpenCheck,  keyword::MessageExclamation};
    QByteArray message = kinds[rng.bounded(9)].toByteArray();
    const int fields = rng.bounded(8);
    for (int i = 0; i < fields; ++i) {
        message += "&|";
        switch (rng.bounded(4)) {
        case 0: message += "10.0.0.1"; break;                         // the local address
        case 1: message += QByteArray::number(rng.bounded(3)); break; // absence flags
        case 2: message += "PC" + QByteArray::number(rng.bounded(40)); break;
        default: message += randomBytes(rng, rng.bounded(1200)); break;
        }
    }
    return message;
}
} // namespace

void TestHostileDatagrams::seededStream_keepsStateSound_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 3u, 20240401u})
        QTest::addRow("seed %u", seed) << seed;
}

void TestHostileDatagrams::seededStream_keepsStateSound()
{
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    Settings settings;
    settings.OnlineCheck = settings.OfflineCheck = settings.OpenCheck = true;
    settings.HuzaiMessage = "away";
    LocalPeer local;
    local.MachineName = "SELF";
    local.Address = "10.0.0.1";
    local.AbsentMode = true;
    FakeFrontend frontend;
    FakeClock clock;
    RecordingTransport transport;
    RecordingLog log;
    Roster roster(settings, local);
    announcePresence(roster, settings, local, frontend);
    Messenger messenger(settings, local, roster, transport, log);
    Dispatcher dispatcher(settings, local, roster, messenger, frontend, frontend);
    Reassembler reassembler(clock, frontend);
    QObject::connect(&reassembler, &Reassembler::messageReceived, &reassembler,
                     [&](const QByteArray &message) { dispatcher.HandleReceivedMessage(message); });
    // A box runs a nested loop in which more datagrams arrive.
    int maxOpenBoxes = 0;
    int depth = 0;
    std::function<void()> feedOne;
    frontend.whileBoxOpen = [&] {
        maxOpenBoxes = qMax(maxOpenBoxes, frontend.openBoxes);
        if (depth++ < 3)
            feedOne();
        --depth;
    };

    feedOne = [&] {
        const quint32 sender = 0x0A000000u + rng.bounded(30);
        QByteArray datagram;
        switch (rng.bounded(3)) {
        case 0: // raw noise of any size, over 512 bytes and empty included
            datagram = randomBytes(rng, rng.bounded(600));
            break;
        case 1: { // one fragment of a real message, possibly out of order
            const QList<QByteArray> pieces = MakeDatagrams(randomMessage(rng));
            if (!pieces.isEmpty())
                datagram = pieces.at(rng.bounded(int(pieces.size())));
            break;
        }
        default: // a whole real message, in order
            for (const QByteArray &piece : MakeDatagrams(randomMessage(rng)))
                reassembler.ReceiveDatagram(piece, sender);
            return;
        }
        reassembler.ReceiveDatagram(datagram, sender);
    };

    for (int i = 0; i < 20000; ++i) {
        feedOne();
        if (i % 1000 == 999) {
            clock.advance(61 * 1000);
            reassembler.expire();
        }
    }

    // The stream reached every part: rows, answers, notices, messages. No
    // box but an asked-for answer's comes from the network.
    QVERIFY(roster.count() > 0);
    for (const FakeFrontend::Box &box : std::as_const(frontend.boxes))
        QVERIFY2(box.text.endsWith(u"不在メッセージが設定されていません。"), qPrintable(box.text));
    QVERIFY(!transport.sent.isEmpty());
    QVERIFY(!frontend.notices.isEmpty());
    QVERIFY(!frontend.messages.isEmpty());
    // One conversion box at a time at most, whatever arrived inside it.
    QVERIFY(maxOpenBoxes <= 1);
    // The roster stays keyed by machine name: never two rows for one name.
    QSet<QByteArray> machines;
    for (const TPeer &peer : roster.peers()) {
        QVERIFY(!machines.contains(peer.MachineName));
        machines.insert(peer.MachineName);
    }
    // No slot holds more than the 256 fragments a one-byte number can name.
    for (const ReceiveSlot &slot : reassembler.receiveSlots())
        QVERIFY(slot.Fragments.size() <= 256);
    // Every answer that went out is a well-formed datagram.
    for (const SentDatagram &d : transport.sent)
        QVERIFY(d.datagram.size() >= 2 && d.datagram.size() <= MaxDatagramBytes);
}

QTEST_GUILESS_MAIN(TestHostileDatagrams)
#include "tst_hostiledatagrams.moc"
