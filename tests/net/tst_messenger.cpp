#include "common/codec.h"
#include "common/ipv4.h"
#include "common/localpeer.h"
#include "net/messenger.h"
#include "net/wire.h"
#include "netfakes.h"
#include "peers/roster.h"
#include "settings/settings.h"

#include <QTest>

#include <memory>

using namespace zn;
using namespace zn::test;

namespace {
enum Kind { Login, LoginOk, InfoChange, Logout, HuzaiCheck, HuzaiMessage, MessageTo, OpenCheck, Exclamation };

constexpr quint32 Broadcast = 0xFFFFFFFFu;

// The datagram of a message that fits in one: number 1, "%5d" body, NUL.
QByteArray single(const char *header, const QByteArray &escapedMessage)
{
    return QByteArray(1, '\x01') + QByteArray(header) + escapedMessage + QByteArray(1, '\0');
}

// Local peer PC1 "Taro" at 192.168.0.10, absent; PC2 "Hanako" at
// 192.168.0.20 in the roster.
struct Rig {
    Rig()
    {
        settings.HandleName = "Taro";
        local.MachineName = "PC1";
        local.Address = "192.168.0.10";
        local.AbsentMode = true;
        roster = std::make_unique<Roster>(settings, local);
        roster->AddOrUpdatePeer("Hanako", "PC2", "192.168.0.20", false);
        messenger = std::make_unique<Messenger>(settings, local, *roster, transport, log);
    }

    bool send(Kind kind, const QByteArray &arg1, const QByteArray &arg2 = {})
    {
        switch (kind) {
        case Login: return messenger->SendLogin();
        case LoginOk: return messenger->SendLoginOk(arg1);
        case InfoChange: return messenger->SendInfoChange();
        case Logout: return messenger->SendLogout();
        case HuzaiCheck: return messenger->SendHuzaiCheck(arg1);
        case HuzaiMessage: return messenger->SendHuzaiMessage(arg1, arg2);
        case MessageTo: return messenger->SendMessageTo(arg1, arg2);
        case OpenCheck: return messenger->SendOpenCheck(arg1);
        case Exclamation: return messenger->SendMessageExclamation(arg1);
        }
        return false;
    }

    Settings settings;
    LocalPeer local;
    RecordingFrontend frontend;
    CallLog calls;
    RecordingTransport transport{&calls};
    RecordingLog log{&calls};
    std::unique_ptr<Roster> roster;
    std::unique_ptr<Messenger> messenger;
};
} // namespace

class TestMessenger : public QObject {
    Q_OBJECT
private slots:
    void builders_data();
    void builders();
    void builders_emptyArgument_data();
    void builders_emptyArgument();
    void transmit_order_data();
    void transmit_order();
    void transmit_sendIpLongerThan255_stopsAt255();
    void transmit_refusedBroadcast_eachSegmentThenExtraAddresses();
    void transmit_nothingSent_toldOnceUntilSomethingGoes();
    void addressedKinds_onLink_toTheAddresseeAlone();
    void sendOpenCheck_unlistedSender_toTheAddressItCameFrom();
    void transmit_failingExtraAddress_isIgnored();
    void transmit_explicitAddress_onlyThere();
    void sendDatagrams_multiDatagram_inOrder_stopsAtFailure();
    void sendDatagrams_tooLong_sendsNothing();
    void sendMessageTo_logsWhatWentOut();
    void sendMessageTo_unknownMachineOrFailedSend_notLogged();
};

void TestMessenger::builders_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("arg1");
    QTest::addColumn<QByteArray>("arg2");
    QTest::addColumn<QByteArray>("datagram");

    QTest::addRow("LOGIN") << int(Login) << QByteArray() << QByteArray()
                           << single("   50", "ZNMESSAGE:LOGIN&|PC1&|Taro&|1&|192.168.0.10&|ZN150");
    QTest::addRow("LOGIN_OK") << int(LoginOk) << QByteArray("192.168.0.20") << QByteArray()
                              << single("   67", "ZNMESSAGE:LOGIN_OK&|192.168.0.20&|PC1&|Taro&|1&|192.168.0.10&|ZN150");
    QTest::addRow("INFO_CHANGE") << int(InfoChange) << QByteArray() << QByteArray()
                                 << single("   49", "ZNMESSAGE:INFO_CHANGE&|PC1&|Taro&|1&|192.168.0.10");
    QTest::addRow("LOGOUT") << int(Logout) << QByteArray() << QByteArray() << single("   21", "ZNMESSAGE:LOGOUT&|PC1");
    QTest::addRow("HUZAI_CHECK") << int(HuzaiCheck) << QByteArray("192.168.0.20") << QByteArray()
                                 << single("   49", "ZNMESSAGE:HUZAI_CHECK&|192.168.0.20&|192.168.0.10");
    QTest::addRow("HUZAI_MESSAGE") << int(HuzaiMessage) << QByteArray("Nothing") << QByteArray("192.168.0.20")
                                   << single("   57", "ZNMESSAGE:HUZAI_MESSAGE&|192.168.0.20&|PC1&|Taro&|Nothing");
    QTest::addRow("MESSAGE, line break escaped")
        << int(MessageTo) << QByteArray("Hello\r\nWorld") << QByteArray("PC2")
        << single("   56", "ZNMESSAGE:MESSAGE&|192.168.0.20&|PC1&|Taro&|Hello\\|World");
    QTest::addRow("MESSAGE, lone CR and LF kept")
        << int(MessageTo) << QByteArray("a\rb\nc") << QByteArray("PC2")
        << single("   49", "ZNMESSAGE:MESSAGE&|192.168.0.20&|PC1&|Taro&|a\rb\nc");
    QTest::addRow("OPEN_CHECK") << int(OpenCheck) << QByteArray("PC2") << QByteArray()
                                << single("   40", "ZNMESSAGE:OPEN_CHECK&|192.168.0.20&|Taro");
    QTest::addRow("MESSAGE_EXCLAMATION") << int(Exclamation) << QByteArray("192.168.0.20") << QByteArray()
                                         << single("   49", "ZNMESSAGE:MESSAGE_EXCLAMATION&|192.168.0.20&|Taro");
}

void TestMessenger::builders()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, arg1);
    QFETCH(QByteArray, arg2);
    QFETCH(QByteArray, datagram);
    Rig rig;
    QVERIFY(rig.send(Kind(kind), arg1, arg2));
    QCOMPARE(rig.transport.sent, (QList<SentDatagram>{{Broadcast, datagram}}));
}

void TestMessenger::builders_emptyArgument_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("arg1");
    QTest::addColumn<QByteArray>("arg2");

    QTest::addRow("LOGIN_OK without address") << int(LoginOk) << QByteArray() << QByteArray();
    QTest::addRow("HUZAI_CHECK without address") << int(HuzaiCheck) << QByteArray() << QByteArray();
    QTest::addRow("HUZAI_MESSAGE without address") << int(HuzaiMessage) << QByteArray("Nothing") << QByteArray();
    QTest::addRow("MESSAGE to a machine not listed") << int(MessageTo) << QByteArray("hi") << QByteArray("PC9");
    QTest::addRow("MESSAGE without machine") << int(MessageTo) << QByteArray("hi") << QByteArray();
    QTest::addRow("OPEN_CHECK to a machine not listed") << int(OpenCheck) << QByteArray("PC9") << QByteArray();
    QTest::addRow("OPEN_CHECK without machine") << int(OpenCheck) << QByteArray() << QByteArray();
    QTest::addRow("MESSAGE_EXCLAMATION without address") << int(Exclamation) << QByteArray() << QByteArray();
}

void TestMessenger::builders_emptyArgument()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, arg1);
    QFETCH(QByteArray, arg2);
    Rig rig;
    rig.settings.SendIP = "10.0.0.1&|";
    QVERIFY(!rig.send(Kind(kind), arg1, arg2));
    QCOMPARE(rig.transport.attempts, 0);
}

void TestMessenger::transmit_order_data()
{
    QTest::addColumn<QByteArray>("sendIp");
    QTest::addColumn<QList<quint32>>("destinations");

    QTest::addRow("broadcast only") << QByteArray() << QList<quint32>{Broadcast};
    QTest::addRow("two extra") << QByteArray("10.0.0.1&|172.16.5.9&|")
                               << QList<quint32>{Broadcast, 0x0A000001u, 0xAC100509u};
    QTest::addRow("no trailing separator") << QByteArray("10.0.0.1") << QList<quint32>{Broadcast, 0x0A000001u};
    QTest::addRow("empty entry ends the list")
        << QByteArray("10.0.0.1&|&|10.0.0.2&|") << QList<quint32>{Broadcast, 0x0A000001u};
    QTest::addRow("leading empty entry") << QByteArray("&|10.0.0.1&|") << QList<quint32>{Broadcast};
    QTest::addRow("unparsable and broadcast entries skipped")
        << QByteArray("10.0.0.1&|server&|255.255.255.255&|1.2.3.256&|10.0.0.2&|")
        << QList<quint32>{Broadcast, 0x0A000001u, 0x0A000002u};
    QTest::addRow("short form") << QByteArray("10.1&|") << QList<quint32>{Broadcast, 0x0A000001u};
}

void TestMessenger::transmit_order()
{
    QFETCH(QByteArray, sendIp);
    QFETCH(QList<quint32>, destinations);
    Rig rig;
    rig.settings.SendIP = sendIp;
    QVERIFY(rig.messenger->SendLogout());
    QCOMPARE(rig.transport.destinations(), destinations);
    for (const SentDatagram &d : std::as_const(rig.transport.sent))
        QCOMPARE(d.datagram, single("   21", "ZNMESSAGE:LOGOUT&|PC1"));
}

void TestMessenger::transmit_sendIpLongerThan255_stopsAt255()
{
    Rig rig;
    QList<quint32> expected{Broadcast};
    for (quint32 i = 0; i < 300; ++i) {
        const quint32 ipv4 = 0x0A000000u + i;
        rig.settings.SendIP += DottedIPv4(ipv4) + "&|";
        if (i < 255)
            expected.append(ipv4);
    }
    QVERIFY(rig.messenger->SendLogout());
    QCOMPARE(rig.transport.destinations(), expected);
}

void TestMessenger::transmit_refusedBroadcast_eachSegmentThenExtraAddresses()
{
    // Without a default route the system refuses 255.255.255.255: the same
    // datagrams go to the directed broadcast of each segment, and the extra
    // addresses are never skipped.
    Rig rig;
    rig.settings.SendIP = "10.0.0.1&|10.0.0.2&|";
    rig.transport.failingAddress = Broadcast;
    int told = 0;
    rig.messenger->setNothingSentHandler([&] { ++told; });
    rig.messenger->setBroadcastRoutes([] { return QList<quint32>{0x0A4D00FFu, 0x0A5800FFu}; });
    QVERIFY(rig.messenger->SendLogin());
    QCOMPARE(rig.transport.destinations(), (QList<quint32>{0x0A4D00FFu, 0x0A5800FFu, 0x0A000001u, 0x0A000002u}));
    for (const SentDatagram &d : rig.transport.sent)
        QCOMPARE(d.datagram, rig.transport.sent.first().datagram);
    QCOMPARE(rig.transport.sent.first().datagram,
             MakeDatagrams(LoginMessage("PC1", "Taro", "1", "192.168.0.10")).first());

    // No segment at all: the extra addresses still go.
    rig.transport.sent.clear();
    rig.messenger->setBroadcastRoutes({});
    QVERIFY(rig.messenger->SendLogout());
    QCOMPARE(rig.transport.destinations(), (QList<quint32>{0x0A000001u, 0x0A000002u}));
    QCOMPARE(told, 0);
    QVERIFY(!rig.messenger->nothingSent());
}

void TestMessenger::addressedKinds_onLink_toTheAddresseeAlone()
{
    // This host is on 192.168.0.0/24; PC2 at 192.168.0.20 is on the link.
    Rig rig;
    rig.settings.SendIP = "10.0.0.1&|192.168.0.20&|";
    rig.messenger->setBroadcastRoutes([] { return QList<quint32>{0x0A5800FFu}; });
    rig.messenger->setOnLinkTest([](quint32 ipv4) { return (ipv4 >> 8) == 0xC0A800u; });
    const QList<quint32> direct{0xC0A80014u, 0x0A000001u};
    const QList<quint32> broadcast{Broadcast, 0x0A5800FFu, 0x0A000001u, 0xC0A80014u};
    const QList<std::pair<Kind, QByteArray>> addressed{{LoginOk, "192.168.0.20"}, {HuzaiCheck, "192.168.0.20"},
                                                       {HuzaiMessage, "text"},    {MessageTo, "text"},
                                                       {OpenCheck, "PC2"},        {Exclamation, "192.168.0.20"}};
    const auto sendEach = [&](const QList<quint32> &expected) {
        for (const auto &[kind, arg] : addressed) {
            rig.transport.sent.clear();
            const QByteArray second = kind == HuzaiMessage ? QByteArray("192.168.0.20")
                : kind == MessageTo                        ? QByteArray("PC2")
                                                           : QByteArray();
            QVERIFY(rig.send(kind, arg, second));
            QCOMPARE(rig.transport.destinations(), expected);
            // The bytes are those a broadcast carries.
            QVERIFY(rig.transport.messages().first().contains("192.168.0.20"));
        }
    };
    sendEach(direct);
    // Presence stays a broadcast.
    for (Kind kind : {Login, InfoChange, Logout}) {
        rig.transport.sent.clear();
        QVERIFY(rig.send(kind, {}));
        QCOMPARE(rig.transport.destinations(), broadcast);
    }
    // An addressee announced off every segment of this host is sought by broadcast.
    rig.transport.sent.clear();
    QVERIFY(rig.messenger->SendLoginOk("172.16.0.5"));
    QCOMPARE(rig.transport.destinations(), broadcast);
    // Broadcast only, as chosen in the options.
    rig.settings.DirectSend = 0;
    sendEach(broadcast);
    rig.settings.DirectSend = 1;
    sendEach(direct);
}

void TestMessenger::transmit_nothingSent_toldOnceUntilSomethingGoes()
{
    Rig rig;
    rig.transport.failingAddress = Broadcast;
    int told = 0;
    rig.messenger->setNothingSentHandler([&] { ++told; });
    QVERIFY(!rig.messenger->SendLogin());
    QVERIFY(!rig.messenger->SendInfoChange());
    QVERIFY(rig.messenger->nothingSent());
    QCOMPARE(told, 1);
    rig.transport.failingAddress = 0;
    QVERIFY(rig.messenger->SendInfoChange());
    QVERIFY(!rig.messenger->nothingSent());
    rig.transport.failingAddress = Broadcast;
    QVERIFY(!rig.messenger->SendLogout());
    QCOMPARE(told, 2);
}

void TestMessenger::sendOpenCheck_unlistedSender_toTheAddressItCameFrom()
{
    Rig rig;
    QVERIFY(rig.messenger->SendOpenCheck("PC2", "10.0.0.7"));
    QVERIFY(rig.messenger->SendOpenCheck("PC9", "10.0.0.7"));
    QVERIFY(!rig.messenger->SendOpenCheck("PC9"));
    QCOMPARE(rig.transport.messages(),
             (QList<QByteArray>{"ZNMESSAGE:OPEN_CHECK&|192.168.0.20&|Taro", "ZNMESSAGE:OPEN_CHECK&|10.0.0.7&|Taro"}));
}

void TestMessenger::transmit_failingExtraAddress_isIgnored()
{
    Rig rig;
    rig.settings.SendIP = "10.0.0.1&|10.0.0.2&|";
    rig.transport.failingAddress = 0x0A000001u;
    QVERIFY(rig.messenger->SendLogin());
    QCOMPARE(rig.transport.destinations(), (QList<quint32>{Broadcast, 0x0A000002u}));
}

void TestMessenger::transmit_explicitAddress_onlyThere()
{
    Rig rig;
    rig.settings.SendIP = "10.0.0.1&|";
    QVERIFY(rig.messenger->TransmitMessage("ZNMESSAGE:LOGOUT&|PC1", "10.0.0.9"));
    QCOMPARE(rig.transport.destinations(), QList<quint32>{0x0A000009u});
    QVERIFY(!rig.messenger->TransmitMessage("ZNMESSAGE:LOGOUT&|PC1", "255.255.255.255"));
    QVERIFY(!rig.messenger->TransmitMessage("ZNMESSAGE:LOGOUT&|PC1", "no address"));
    QCOMPARE(rig.transport.attempts, 1);
}

void TestMessenger::sendDatagrams_multiDatagram_inOrder_stopsAtFailure()
{
    const QByteArray message = JoinMessage(keyword::Message, {QByteArray(1200, 'x')});
    const QList<QByteArray> datagrams = MakeDatagrams(message);
    QCOMPARE(datagrams.size(), 3);

    Rig rig;
    QVERIFY(rig.messenger->SendDatagrams(message, "10.0.0.1"));
    QCOMPARE(
        rig.transport.sent,
        (QList<SentDatagram>{{0x0A000001u, datagrams[0]}, {0x0A000001u, datagrams[1]}, {0x0A000001u, datagrams[2]}}));

    Rig failing;
    failing.transport.failAtAttempt = 2;
    QVERIFY(!failing.messenger->SendDatagrams(message, "10.0.0.1"));
    QCOMPARE(failing.transport.attempts, 2);
    QCOMPARE(failing.transport.sent, (QList<SentDatagram>{{0x0A000001u, datagrams[0]}}));
}

void TestMessenger::sendDatagrams_tooLong_sendsNothing()
{
    Rig rig;
    QVERIFY(!rig.messenger->SendMessageTo(QByteArray(99999, 'x'), "PC2"));
    QCOMPARE(rig.transport.attempts, 0);
    QVERIFY(!rig.messenger->SendDatagrams(QByteArray(100000, 'x'), {}));
    QCOMPARE(rig.transport.attempts, 0);
}

void TestMessenger::sendMessageTo_logsWhatWentOut()
{
    Rig rig;
    rig.settings.HandleName = cp932::bytes(u"太郎");
    rig.roster->AddOrUpdatePeer(cp932::bytes(u"花子"), "PC2", "192.168.0.20", false);
    QVERIFY(rig.messenger->SendMessageTo("Hi\r\n", "PC2"));
    QCOMPARE(rig.calls, (CallLog{"send", "log"}));
    QCOMPARE(rig.log.records.size(), 1);
    QCOMPARE(rig.log.records[0][0], cp932::bytes(u"太郎（PC1）"));
    QCOMPARE(rig.log.records[0][1], cp932::bytes(u"花子（PC2）"));
    QCOMPARE(rig.log.records[0][2], QByteArray("Hi\r\n"));
    // The full-width parentheses are these bytes on the wire and in the log.
    QCOMPARE(rig.log.records[0][1].right(7), QByteArray("\x81iPC2\x81j"));
}

void TestMessenger::sendMessageTo_unknownMachineOrFailedSend_notLogged()
{
    Rig rig;
    rig.settings.SendIP = "10.0.0.1&|";
    QVERIFY(!rig.messenger->SendMessageTo("Hi", "PC9"));
    QCOMPARE(rig.calls, CallLog{});
    QVERIFY(rig.log.records.isEmpty());

    // Known, but the broadcast fails: nothing went out, nothing is on record.
    Rig failing;
    failing.roster->AddOrUpdatePeer("Hanako", "PC2", "192.168.0.20", false);
    failing.transport.failAtAttempt = 1;
    QVERIFY(!failing.messenger->SendMessageTo("Hi", "PC2"));
    QVERIFY(failing.log.records.isEmpty());
}

QTEST_GUILESS_MAIN(TestMessenger)
#include "tst_messenger.moc"
