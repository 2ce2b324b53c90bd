#include "cli/cli.h"
#include "net/identity.h"
#include "peers/roster.h"

#include <QTest>

using namespace zn;

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void describeMessage_data();
    void describeMessage();
    void describePeers_tableAndJson();
    void usableNetwork_data();
    void usableNetwork();
};

void TestCli::describeMessage_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("json");
    QTest::addColumn<QString>("line");

    QTest::addRow("login") << QByteArray("ZNMESSAGE:LOGIN&|pc1&|alice&|0&|10.0.0.1&|ZN150") << false
                           << QStringLiteral("12:00:00.000 10.0.0.9 LOGIN pc1 | alice | 0 | 10.0.0.1 | ZN150");
    // CP932 decoded; CR LF and a backslash kept on one line.
    QTest::addRow("message text") << QByteArray("ZNMESSAGE:MESSAGE&|10.0.0.2&|pc1&|\x88\xa4&|a\r\nb\\c") << false
                                  << QStringLiteral("12:00:00.000 10.0.0.9 MESSAGE 10.0.0.2 | pc1 | 愛 | a\\nb\\\\c");
    QTest::addRow("empty last field") << QByteArray("ZNMESSAGE:LOGOUT&|") << false
                                      << QStringLiteral("12:00:00.000 10.0.0.9 LOGOUT ");
    QTest::addRow("unknown keyword") << QByteArray("HELLO") << false << QStringLiteral("12:00:00.000 10.0.0.9 HELLO");
    QTest::addRow("json") << QByteArray("ZNMESSAGE:LOGOUT&|pc1") << true
                          << QStringLiteral(R"({"fields":["pc1"],"from":"10.0.0.9","kind":"LOGOUT","time":"12:00:00.000"})");
    QTest::addRow("json keeps line breaks") << QByteArray("ZNMESSAGE:OPEN_CHECK&|1&|x\r\ny") << true
                                            << QStringLiteral(R"({"fields":["1","x\r\ny"],"from":"10.0.0.9","kind":"OPEN_CHECK","time":"12:00:00.000"})");
}

void TestCli::describeMessage()
{
    QFETCH(QByteArray, message);
    QFETCH(bool, json);
    QFETCH(QString, line);
    QCOMPARE(zn::describeMessage(message, "10.0.0.9", QStringLiteral("12:00:00.000"), json), line);
}

void TestCli::describePeers_tableAndJson()
{
    const QList<TPeer> peers = {{"alice", "PC1", "10.0.0.1", false}, {"<b>bob</b>", "PC22", "10.0.0.22", true}};
    QCOMPARE(describePeers(peers, false),
             QStringLiteral("HANDLE      MACHINE  ADDRESS    STATE\n"
                            "alice       PC1      10.0.0.1   present\n"
                            "<b>bob</b>  PC22     10.0.0.22  absent\n"));
    QCOMPARE(describePeers(peers, true),
             QStringLiteral(R"([{"absent":false,"address":"10.0.0.1","handleName":"alice","machineName":"PC1"},)"
                            R"({"absent":true,"address":"10.0.0.22","handleName":"<b>bob</b>","machineName":"PC22"}])"));
    QCOMPARE(describePeers({}, true), QStringLiteral("[]"));
}

void TestCli::usableNetwork_data()
{
    QTest::addColumn<QList<InterfaceCandidate>>("interfaces");
    QTest::addColumn<bool>("usable");

    const QHostAddress lan(QStringLiteral("192.168.1.23"));
    const InterfaceCandidate loopback{true, true, true, false, {QHostAddress(QStringLiteral("127.0.0.1"))}};
    const InterfaceCandidate ethernet{true, true, false, true, {lan}};
    InterfaceCandidate down = ethernet;
    down.up = false;
    InterfaceCandidate notRunning = ethernet;
    notRunning.running = false;
    InterfaceCandidate pointToPoint = ethernet;
    pointToPoint.canBroadcast = false;
    InterfaceCandidate loopbackWithLan = loopback;
    loopbackWithLan.addresses.append(lan);
    const InterfaceCandidate v6Only{true, true, false, true, {QHostAddress(QStringLiteral("fe80::1"))}};
    const InterfaceCandidate noAddress{true, true, false, true, {}};
    const InterfaceCandidate debianLoopback{true, true, false, true, {QHostAddress(QStringLiteral("127.0.1.1"))}};

    // Whatever the host name resolves to: the interfaces alone decide.
    QTest::addRow("loopback only") << QList<InterfaceCandidate>{loopback} << false;
    QTest::addRow("nothing") << QList<InterfaceCandidate>{} << false;
    QTest::addRow("ethernet down") << QList<InterfaceCandidate>{loopback, down} << false;
    QTest::addRow("ethernet not running") << QList<InterfaceCandidate>{notRunning} << false;
    QTest::addRow("point to point") << QList<InterfaceCandidate>{pointToPoint} << false;
    QTest::addRow("LAN address on loopback") << QList<InterfaceCandidate>{loopbackWithLan} << false;
    QTest::addRow("IPv6 only") << QList<InterfaceCandidate>{v6Only} << false;
    QTest::addRow("no address") << QList<InterfaceCandidate>{noAddress} << false;
    QTest::addRow("127.x on ethernet") << QList<InterfaceCandidate>{debianLoopback} << false;
    QTest::addRow("ethernet") << QList<InterfaceCandidate>{ethernet} << true;
    QTest::addRow("ethernet after others") << QList<InterfaceCandidate>{loopback, down, v6Only, ethernet} << true;
}

void TestCli::usableNetwork()
{
    QFETCH(QList<InterfaceCandidate>, interfaces);
    QFETCH(bool, usable);
    QCOMPARE(HasUsableNetwork(interfaces), usable);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
