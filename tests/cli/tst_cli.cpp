#include "cli/clisession.h"
#include "cli/commandline.h"
#include "cli/terminaltext.h"
#include "net/identity.h"
#include "peers/roster.h"

#include <QHash>
#include <QRandomGenerator>
#include <QTest>

using namespace zn;

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void describeMessage_data();
    void describeMessage();
    void describePeers_tableAndJson();
    void describePeers_padsByDisplayWidth();
    void displayWidth_data();
    void displayWidth();
    void oneLine_data();
    void oneLine();
    void oneLine_distinctTextsStayDistinct();
    void usableNetwork_data();
    void usableNetwork();
    void commandLine_data();
    void commandLine();
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
                          << QStringLiteral(
                                 R"({"fields":["pc1"],"from":"10.0.0.9","kind":"LOGOUT","time":"12:00:00.000"})");
    QTest::addRow("json keeps line breaks")
        << QByteArray("ZNMESSAGE:OPEN_CHECK&|1&|x\r\ny") << true
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
    QCOMPARE(
        describePeers(peers, true),
        QStringLiteral(R"([{"absent":false,"address":"10.0.0.1","handleName":"alice","machineName":"PC1"},)"
                       R"({"absent":true,"address":"10.0.0.22","handleName":"<b>bob</b>","machineName":"PC22"}])"));
    QCOMPARE(describePeers({}, true), QStringLiteral("[]"));
}

void TestCli::describePeers_padsByDisplayWidth()
{
    const QList<TPeer> peers = {{"\x93\x63\x92\x86\x91\xbe\x98\x59", "PC1", "10.0.0.1", false}, // 田中太郎
                                {"bob", "\x82\x6f\x82\x62\x82\x51", "10.0.0.2", true},          // ＰＣ２
                                {"\xb1\xb2\xb3", "PC3", "10.0.0.3", false}};                    // ｱｲｳ
    QCOMPARE(describePeers(peers, false),
             QStringLiteral("HANDLE    MACHINE  ADDRESS   STATE\n"
                            "田中太郎  PC1      10.0.0.1  present\n"
                            "bob       ＰＣ２   10.0.0.2  absent\n"
                            "ｱｲｳ       PC3      10.0.0.3  present\n"));
}

void TestCli::displayWidth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");

    QTest::addRow("ASCII") << QStringLiteral("alice") << 5;
    QTest::addRow("kanji and kana") << QStringLiteral("田中さん") << 8;
    QTest::addRow("full-width forms") << QStringLiteral("ＡＢ１") << 6;
    QTest::addRow("ideographic space") << QStringLiteral("\u3000") << 2;
    QTest::addRow("half-width katakana") << QStringLiteral("ｶﾞｲ") << 3;
    QTest::addRow("combining accent") << QStringLiteral("e\u0301") << 1;
    QTest::addRow("extension B, a surrogate pair") << QStringLiteral("\U00020B9F") << 2;
    QTest::addRow("Greek") << QStringLiteral("αβ") << 2;
    QTest::addRow("empty") << QString() << 0;
}

void TestCli::displayWidth()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QCOMPARE(zn::displayWidth(text), width);
}

void TestCli::oneLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");

    QTest::addRow("plain") << QStringLiteral("日本 ok") << QStringLiteral("日本 ok");
    QTest::addRow("CR LF") << QStringLiteral("a\r\nb") << QStringLiteral("a\\nb");
    QTest::addRow("lone CR") << QStringLiteral("a\rb") << QStringLiteral("a\\rb");
    QTest::addRow("lone LF") << QStringLiteral("a\nb") << QStringLiteral("a\\x0Ab");
    QTest::addRow("CR CR LF") << QStringLiteral("\r\r\n") << QStringLiteral("\\r\\n");
    QTest::addRow("LF CR") << QStringLiteral("\n\r") << QStringLiteral("\\x0A\\r");
    QTest::addRow("backslash r") << QStringLiteral("a\\rb") << QStringLiteral("a\\\\rb");
    QTest::addRow("backslash n") << QStringLiteral("\\n") << QStringLiteral("\\\\n");
    QTest::addRow("backslash, CR LF") << QStringLiteral("\\\r\n") << QStringLiteral("\\\\\\n");
    QTest::addRow("terminal escape") << QStringLiteral("\x1b[2J") << QStringLiteral("\\x1B[2J");
    QTest::addRow("tab, DEL, C1") << QStringLiteral("\t\x7f\u009b") << QStringLiteral("\\x09\\x7F\\x9B");
}

void TestCli::oneLine()
{
    QFETCH(QString, text);
    QFETCH(QString, line);
    QCOMPARE(zn::oneLine(text), line);
}

// Texts built from the characters that take part in escapes: no two
// different ones may be written alike.
void TestCli::oneLine_distinctTextsStayDistinct()
{
    const QString alphabet = QStringLiteral("\\rnx0A\r\n\x1b");
    QRandomGenerator random(6);
    QHash<QString, QString> textOfLine;
    for (int i = 0; i < 20000; ++i) {
        QString text;
        for (int n = int(random.bounded(7)); n > 0; --n)
            text += alphabet.at(int(random.bounded(int(alphabet.size()))));
        const QString line = zn::oneLine(text);
        QVERIFY(!line.contains(u'\r') && !line.contains(u'\n') && !line.contains(u'\x1b'));
        const auto seen = textOfLine.constFind(line);
        if (seen != textOfLine.cend())
            QVERIFY2(*seen == text, qPrintable(u"both written " + line));
        textOfLine.insert(line, text);
    }
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

void TestCli::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("users");
    QTest::addColumn<int>("wait");
    QTest::newRow("send") << QStringList{u"send"_qs, u"--wait"_qs, u"5"_qs, u"bob"_qs, u"PC2"_qs} << -1
                          << QStringList{u"bob"_qs, u"PC2"_qs} << 5;
    QTest::newRow("unknown option") << QStringList{u"send"_qs, u"--bogus"_qs, u"bob"_qs} << 2 << QStringList() << -1;
    QTest::newRow("no user") << QStringList{u"send"_qs, u"--text"_qs, u"hi"_qs} << 2 << QStringList() << -1;
    QTest::newRow("bad wait") << QStringList{u"send"_qs, u"--wait"_qs, u"-1"_qs, u"bob"_qs} << 2 << QStringList() << -1;
    QTest::newRow("wait without send") << QStringList{u"who"_qs, u"--wait"_qs, u"1"_qs} << 2 << QStringList() << -1;
    QTest::newRow("absence") << QStringList{u"absence"_qs, u"bob"_qs, u"PC2"_qs} << -1
                             << QStringList{u"bob"_qs, u"PC2"_qs} << -1;
    QTest::newRow("absence without user") << QStringList{u"absence"_qs} << 2 << QStringList() << -1;
    QTest::newRow("absence with text") << QStringList{u"absence"_qs, u"--text"_qs, u"x"_qs, u"bob"_qs} << 2
                                       << QStringList() << -1;
    QTest::newRow("no command") << QStringList() << 2 << QStringList() << -1;
    QTest::newRow("help") << QStringList{u"--help"_qs} << 0 << QStringList() << -1;
}

void TestCli::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    arguments.prepend(u"zephinet-cli"_qs);
    const CommandLine line = ParseCommandLine(arguments);
    QCOMPARE(line.exitCode, exitCode);
    QCOMPARE(line.output.isEmpty(), exitCode < 0);
    if (exitCode < 0) {
        QTEST(line.users, "users");
        QTEST(line.options.wait, "wait");
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
