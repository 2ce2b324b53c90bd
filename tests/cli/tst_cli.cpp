#include "cli/cli.h"
#include "peers/roster.h"

#include <QTest>

using namespace zn;

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void describeMessage_data();
    void describeMessage();
    void describePeers_tableAndJson();
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

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
