#include "common/codec.h"
#include "fakeclock.h"
#include "net/identity.h"

#include <QTest>

using namespace zn;
using zn::test::FakeClock;

class TestIdentity : public QObject {
    Q_OBJECT
private slots:
    void machineName_data();
    void machineName();
    void localAddress_data();
    void localAddress();
    void localAddress_ofThisHost_isNeverLoopback();
    void directedBroadcasts_segmentsTheLimitedBroadcastMisses();
    void onLink_subnetsOfUpInterfaces_loopbackOnlyOwn();
};

void TestIdentity::machineName_data()
{
    QTest::addColumn<QString>("hostName");
    QTest::addColumn<QByteArray>("machineName");

    QTest::addRow("plain") << QStringLiteral("pc-sales01") << QByteArray("pc-sales01");
    QTest::addRow("first label") << QStringLiteral("alpha.example.org") << QByteArray("alpha");
    QTest::addRow("exactly 15") << QStringLiteral("ABCDEFGHIJKLMNO") << QByteArray("ABCDEFGHIJKLMNO");
    QTest::addRow("cut to 15") << QStringLiteral("ABCDEFGHIJKLMNOPQRST.lan") << QByteArray("ABCDEFGHIJKLMNO");
    // Eight double-byte characters are 16 bytes: the eighth does not fit whole.
    QTest::addRow("double-byte not split") << QStringLiteral("営業部のパソコン") << cp932::bytes(u"営業部のパソコ");
    QTest::addRow("no CP932 form") << QStringLiteral("😀pc") << QByteArray("xn--pc-mo82a");
    QTest::addRow("empty") << QString() << QByteArray();
}

void TestIdentity::machineName()
{
    QFETCH(QString, hostName);
    QFETCH(QByteArray, machineName);
    QCOMPARE(MachineNameFromHostName(hostName), machineName);
}

void TestIdentity::localAddress_data()
{
    QTest::addColumn<QList<InterfaceCandidate>>("interfaces");
    QTest::addColumn<QList<QHostAddress>>("resolved");
    QTest::addColumn<QByteArray>("address");

    const QHostAddress lan(QStringLiteral("192.168.1.23"));
    const QHostAddress second(QStringLiteral("10.1.2.3"));
    const QHostAddress v6(QStringLiteral("fe80::1"));
    const QHostAddress debianLoopback(QStringLiteral("127.0.1.1"));
    const InterfaceCandidate loopback{true, true, true, false, {QHostAddress(QStringLiteral("127.0.0.1"))}};
    const InterfaceCandidate ethernet{true, true, false, true, {v6, lan, second}};
    InterfaceCandidate down = ethernet;
    down.up = false;
    InterfaceCandidate notRunning = ethernet;
    notRunning.running = false;
    InterfaceCandidate pointToPoint = ethernet;
    pointToPoint.canBroadcast = false;
    const InterfaceCandidate other{true, true, false, true, {second}};
    const InterfaceCandidate v6Only{true, true, false, true, {v6}};

    QTest::addRow("first IPv4 of the first fitting interface")
        << QList<InterfaceCandidate>{loopback, ethernet, other} << QList<QHostAddress>{} << QByteArray("192.168.1.23");
    QTest::addRow("down interface skipped")
        << QList<InterfaceCandidate>{down, other} << QList<QHostAddress>{} << QByteArray("10.1.2.3");
    QTest::addRow("interface not running skipped")
        << QList<InterfaceCandidate>{notRunning, other} << QList<QHostAddress>{} << QByteArray("10.1.2.3");
    QTest::addRow("no broadcast skipped")
        << QList<InterfaceCandidate>{pointToPoint, other} << QList<QHostAddress>{} << QByteArray("10.1.2.3");
    QTest::addRow("IPv6-only interface skipped")
        << QList<InterfaceCandidate>{v6Only, other} << QList<QHostAddress>{} << QByteArray("10.1.2.3");
    QTest::addRow("interfaces before resolution")
        << QList<InterfaceCandidate>{ethernet} << QList<QHostAddress>{second} << QByteArray("192.168.1.23");
    QTest::addRow("resolution as fallback, 127.x ignored")
        << QList<InterfaceCandidate>{loopback} << QList<QHostAddress>{debianLoopback, v6, second}
        << QByteArray("10.1.2.3");
    QTest::addRow("host name resolving to 127.0.1.1 only")
        << QList<InterfaceCandidate>{loopback} << QList<QHostAddress>{debianLoopback} << QByteArray("Unknown");
    QTest::addRow("nothing at all") << QList<InterfaceCandidate>{} << QList<QHostAddress>{} << QByteArray("Unknown");
}

void TestIdentity::localAddress()
{
    QFETCH(QList<InterfaceCandidate>, interfaces);
    QFETCH(QList<QHostAddress>, resolved);
    QFETCH(QByteArray, address);
    QCOMPARE(ChooseLocalAddress(interfaces, resolved), address);
}

void TestIdentity::localAddress_ofThisHost_isNeverLoopback()
{
    const QByteArray address = GetLocalAddress();
    QVERIFY2(!address.startsWith("127."), address.constData());
    QVERIFY(!address.isEmpty());
}

void TestIdentity::directedBroadcasts_segmentsTheLimitedBroadcastMisses()
{
    const auto ip = [](const char *text) { return QHostAddress(QString::fromLatin1(text)); };
    const auto ipv4 = [&](const char *text) { return ip(text).toIPv4Address(); };
    const InterfaceCandidate loopback{true, true, true, false, {ip("127.0.0.1")}, {}};
    const InterfaceCandidate eth0{true, true, false, true, {ip("fe80::1"), ip("10.77.0.1")}, {ip("10.77.0.255")}};
    const InterfaceCandidate eth1{
        true, true, false, true, {ip("10.88.0.1"), ip("10.99.0.1")}, {ip("10.88.0.255"), ip("10.99.0.255")}};
    InterfaceCandidate down = eth1;
    down.up = false;
    InterfaceCandidate pointToPoint = eth1;
    pointToPoint.canBroadcast = false;
    // A host route (10.66.0.9/32): the system gives the address itself as its broadcast.
    const InterfaceCandidate hostRoute{true, true, false, true, {ip("10.66.0.9")}, {ip("10.66.0.9")}};
    const InterfaceCandidate sameSegment{true, true, false, true, {ip("10.77.0.2")}, {ip("10.77.0.255")}};
    const QList<InterfaceCandidate> host{loopback, eth0, eth1, hostRoute, sameSegment};

    // No default route: every segment, once each, the first subnet of a link.
    QCOMPARE(DirectedBroadcasts(host, std::nullopt), (QList<quint32>{ipv4("10.77.0.255"), ipv4("10.88.0.255")}));
    // The limited broadcast leaves by eth0 (its default route): the others.
    QCOMPARE(DirectedBroadcasts({loopback, eth0, eth1, hostRoute}, ipv4("10.77.0.1")),
             QList<quint32>{ipv4("10.88.0.255")});
    QCOMPARE(DirectedBroadcasts({eth0}, ipv4("10.77.0.1")), QList<quint32>{});
    QCOMPARE(DirectedBroadcasts({loopback, down, pointToPoint, hostRoute}, std::nullopt), QList<quint32>{});

    // Looked up again once a second, not at every message.
    FakeClock clock;
    int looks = 0;
    SegmentBroadcasts segments(
        clock,
        [&] {
            ++looks;
            return host;
        },
        [&]() -> std::optional<quint32> { return ipv4("10.88.0.1"); });
    QCOMPARE(segments(), (QList<quint32>{ipv4("10.77.0.255")}));
    clock.advance(SegmentBroadcasts::FreshMs - 1);
    segments();
    QCOMPARE(looks, 1);
    clock.advance(1);
    segments();
    QCOMPARE(looks, 2);
}

void TestIdentity::onLink_subnetsOfUpInterfaces_loopbackOnlyOwn()
{
    const auto ip = [](const char *text) { return QHostAddress(QString::fromLatin1(text)); };
    const auto ipv4 = [&](const char *text) { return ip(text).toIPv4Address(); };
    const InterfaceCandidate loopback{true, true, true, false, {ip("127.0.0.1")}, {}, u"lo"_qs, {8}};
    const InterfaceCandidate eth0{
        true, true, false, true, {ip("fe80::1"), ip("10.77.0.1")}, {ip("10.77.0.255")}, u"eth0"_qs, {64, 24}};
    InterfaceCandidate down{true, true, false, true, {ip("10.88.0.1")}, {ip("10.88.0.255")}, u"eth1"_qs, {16}};
    down.up = false;
    const InterfaceCandidate wide{true,       true, false, true, {ip("172.16.3.4")}, {ip("172.31.255.255")},
                                  u"eth2"_qs, {12}};
    const QList<InterfaceCandidate> host{loopback, eth0, down, wide};
    for (const char *on : {"10.77.0.1", "10.77.0.9", "10.77.0.255", "172.20.1.1", "127.0.0.1"})
        QVERIFY2(OnLink(host, ipv4(on)), on);
    for (const char *off : {"10.77.1.9", "10.88.0.9", "127.0.0.2", "127.0.1.1", "192.168.0.1", "172.32.0.1"})
        QVERIFY2(!OnLink(host, ipv4(off)), off);

    // This machine's own interfaces, as the system lists them.
    const QList<InterfaceCandidate> system = SystemInterfaces();
    QVERIFY(OnLink(system, ipv4("127.0.0.1")));
    QVERIFY(!OnLink(system, ipv4("127.0.0.2")));
    const QByteArray own = AddressFromInterfaces(system);
    if (!own.isEmpty())
        QVERIFY(OnLink(system, ipv4(own.constData())));
    // Looked at through the same once-a-second look as the broadcasts.
    FakeClock clock;
    SegmentBroadcasts segments(
        clock, [&] { return host; }, [] { return std::optional<quint32>(); });
    QVERIFY(segments.onLink(ipv4("10.77.0.9")));
    QVERIFY(!segments.onLink(ipv4("10.78.0.9")));
}

QTEST_GUILESS_MAIN(TestIdentity)
#include "tst_identity.moc"
