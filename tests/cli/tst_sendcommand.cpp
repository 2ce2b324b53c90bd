#include "session/session.h"
#include "cli/cli.h"
#include "cli/sendcommand.h"
#include "common/codec.h"
#include "fakefrontend.h"
#include "net/netfakes.h"
#include "net/reassembly.h"
#include "net/wire.h"
#include "peers/roster.h"

#include <QTest>
#include <QTextStream>

using namespace zn;
using zn::test::FakeFrontend;
using zn::test::RecordingTransport;

class TestSendCommand : public QObject {
    Q_OBJECT
private slots:
    void matchUser_prefersMachineNameAndRefusesSharedHandles();
    void send_reachesOnlineUsersAndReportsTheOthers();
    void wait_confirmationsSettleEachRecipientOnce();
    void commandLine_data();
    void commandLine();
    void textFromInput_dropsOneFinalLineBreak();
};

namespace {
QList<TPeer> peers(std::initializer_list<std::pair<const char *, const char *>> handleAndMachine)
{
    QList<TPeer> out;
    int n = 1;
    for (const auto &[handle, machine] : handleAndMachine)
        out.append({cp932::encode(QString::fromUtf8(handle)).bytes, machine, "10.0.0." + QByteArray::number(n++),
                    false});
    return out;
}

// A session whose datagrams are recorded, with some peers online.
struct Fixture {
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session{frontend, {}, &transport};
    QString output;
    QTextStream out{&output};

    explicit Fixture(const QList<TPeer> &online)
    {
        session.local.MachineName = "SELF";
        session.settings.HandleName = "self";
        session.settings.LogSave = false;
        session.settings.ActivePortNo = 0;
        if (!session.startSocketService())
            qFatal("no socket");
        session.local.Address = "10.0.0.99";
        for (const TPeer &p : online)
            session.roster().AddOrUpdatePeer(p.HandleName, p.MachineName, p.Address, p.Absent);
        transport.sent.clear();
    }
    void confirmFrom(const QByteArray &handle)
    {
        emit session.reassembler().messageReceived(OpenCheckMessage("10.0.0.99", handle), "10.0.0.1");
    }
};
} // namespace

void TestSendCommand::matchUser_prefersMachineNameAndRefusesSharedHandles()
{
    const QList<TPeer> online = peers({{"bob", "PC1"}, {"PC1x", "PC2"}, {"PC3", "PC4"}, {"ann", "PC3"},
                                       {"twin", "PC5"}, {"twin", "PC6"}, {"me", "SELF"}});
    QCOMPARE(MatchUser(online, "PC1", "SELF").index, 0);
    QCOMPARE(MatchUser(online, "bob", "SELF").index, 0);
    // "PC3" is one peer's handle name and another's machine name: the machine wins.
    QCOMPARE(MatchUser(online, "PC3", "SELF").index, 3);
    QCOMPARE(MatchUser(online, "twin", "SELF").kind, PeerMatch::Several);
    QCOMPARE(MatchUser(online, "PC6", "SELF").index, 5);
    QCOMPARE(MatchUser(online, "me", "SELF").kind, PeerMatch::None);
    QCOMPARE(MatchUser(online, "SELF", "SELF").kind, PeerMatch::None);
    QCOMPARE(MatchUser(online, "pc1", "SELF").kind, PeerMatch::None);
}

void TestSendCommand::send_reachesOnlineUsersAndReportsTheOthers()
{
    Fixture f(peers({{"bob", "PC1"}, {"田中", "PC2"}, {"twin", "PC5"}, {"twin", "PC6"}}));
    SendCommand command(f.session, {u"田中"_qs, u"carol"_qs, u"PC1"_qs}, "hi\r\nthere", false, f.out);
    QVERIFY(!command.resolve());
    command.send();
    QCOMPARE(f.transport.messages(),
             (QList<QByteArray>{MessageMessage("10.0.0.2", "SELF", "self", "hi\\|there"),
                                MessageMessage("10.0.0.1", "SELF", "self", "hi\\|there")}));
    QCOMPARE(f.output, u"sent: 田中 (PC2)\nnot-online: carol\nsent: bob (PC1)\n"_qs);
    QCOMPARE(command.exitCode(false), int(ExitNotOnline));

    Fixture g(peers({{"twin", "PC5"}, {"twin", "PC6"}, {"bob", "PC1"}}));
    SendCommand shared(g.session, {u"twin"_qs, u"bob"_qs}, "x", true, g.out);
    shared.send();
    QCOMPARE(g.transport.sent.size(), 1);
    QCOMPARE(g.output, u"{\"outcome\":\"ambiguous\",\"user\":\"twin\"}\n"
                       "{\"handleName\":\"bob\",\"machineName\":\"PC1\",\"outcome\":\"sent\",\"user\":\"bob\"}\n"_qs);
    QCOMPARE(shared.exitCode(false), int(ExitUsage));
}

void TestSendCommand::wait_confirmationsSettleEachRecipientOnce()
{
    Fixture f(peers({{"bob", "PC1"}, {"ann", "PC2"}}));
    SendCommand command(f.session, {u"bob"_qs, u"ann"_qs}, "x", false, f.out);
    int all = 0;
    connect(&command, &SendCommand::confirmedByAll, this, [&all] { ++all; });
    QVERIFY(command.resolve());
    command.send();
    QCOMPARE(command.exitCode(true), int(ExitUnconfirmed));
    QCOMPARE(command.exitCode(false), int(ExitOk));

    f.confirmFrom("bob");
    f.confirmFrom("bob");   // a second reading of the same message
    f.confirmFrom("zoe");   // a message sent by someone else's run
    QVERIFY(!command.allConfirmed());
    QCOMPARE(all, 0);
    f.output.clear();
    command.reportUnconfirmed();
    QCOMPARE(f.output, u"unconfirmed: ann (PC2)\n"_qs);

    f.confirmFrom("ann");
    QCOMPARE(all, 1);
    QVERIFY(command.allConfirmed());
    QCOMPARE(command.exitCode(true), int(ExitOk));
}

void TestSendCommand::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("users");
    QTest::addColumn<int>("wait");
    QTest::newRow("send") << QStringList{u"send"_qs, u"--wait"_qs, u"5"_qs, u"bob"_qs, u"PC2"_qs} << -1
                          << QStringList{u"bob"_qs, u"PC2"_qs} << 5;
    QTest::newRow("unknown option") << QStringList{u"send"_qs, u"--bogus"_qs, u"bob"_qs} << 2 << QStringList() << -1;
    QTest::newRow("no user") << QStringList{u"send"_qs, u"--text"_qs, u"hi"_qs} << 2 << QStringList() << -1;
    QTest::newRow("bad wait") << QStringList{u"send"_qs, u"--wait"_qs, u"-1"_qs, u"bob"_qs} << 2 << QStringList()
                              << -1;
    QTest::newRow("wait without send") << QStringList{u"who"_qs, u"--wait"_qs, u"1"_qs} << 2 << QStringList() << -1;
    QTest::newRow("absence") << QStringList{u"absence"_qs, u"bob"_qs, u"PC2"_qs} << -1
                             << QStringList{u"bob"_qs, u"PC2"_qs} << -1;
    QTest::newRow("absence without user") << QStringList{u"absence"_qs} << 2 << QStringList() << -1;
    QTest::newRow("absence with text") << QStringList{u"absence"_qs, u"--text"_qs, u"x"_qs, u"bob"_qs} << 2
                                       << QStringList() << -1;
    QTest::newRow("no command") << QStringList() << 2 << QStringList() << -1;
    QTest::newRow("help") << QStringList{u"--help"_qs} << 0 << QStringList() << -1;
}

void TestSendCommand::commandLine()
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

void TestSendCommand::textFromInput_dropsOneFinalLineBreak()
{
    QCOMPARE(TextFromInput("hello\n"), u"hello"_qs);
    QCOMPARE(TextFromInput("two\nlines\n\n"), u"two\nlines\n"_qs);
    QCOMPARE(TextFromInput("crlf\r\n"), u"crlf"_qs);
    QCOMPARE(TextFromInput("\xe7\x94\xb0\xe4\xb8\xad"), u"田中"_qs);
}

QTEST_GUILESS_MAIN(TestSendCommand)
#include "tst_sendcommand.moc"
