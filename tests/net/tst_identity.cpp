#include "common/codec.h"
#include "net/identity.h"

#include <QTest>

using namespace zn;

class TestIdentity : public QObject {
    Q_OBJECT
private slots:
    void machineName_data();
    void machineName();
    void localAddress_data();
    void localAddress();
    void localAddress_ofThisHost_isNeverLoopback();
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
    QTest::addRow("double-byte not split") << QStringLiteral("営業部のパソコン")
                                           << cp932::bytes(u"営業部のパソコ");
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

QTEST_GUILESS_MAIN(TestIdentity)
#include "tst_identity.moc"
