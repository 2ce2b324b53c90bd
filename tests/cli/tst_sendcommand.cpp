#include "cli/commandline.h"
#include "cli/sendcommand.h"
#include "commandfixture.h"
#include "common/codec.h"

#include <QTest>

using namespace zn;
using Fixture = zn::test::CommandFixture;

class TestSendCommand : public QObject {
    Q_OBJECT
private slots:
    void matchUser_prefersMachineNameAndRefusesSharedHandles();
    void send_reachesOnlineUsersAndReportsTheOthers();
    void wait_confirmationsSettleEachRecipientOnce();
    void textFromInput_dropsOneFinalLineBreak();
};

namespace {
QList<TPeer> peers(std::initializer_list<std::pair<const char *, const char *>> handleAndMachine)
{
    QList<TPeer> out;
    int n = 1;
    for (const auto &[handle, machine] : handleAndMachine)
        out.append(
            {cp932::encode(QString::fromUtf8(handle)).bytes, machine, "10.0.0." + QByteArray::number(n++), false});
    return out;
}

} // namespace

void TestSendCommand::matchUser_prefersMachineNameAndRefusesSharedHandles()
{
    const QList<TPeer> online = peers({{"bob", "PC1"},
                                       {"PC1x", "PC2"},
                                       {"PC3", "PC4"},
                                       {"ann", "PC3"},
                                       {"twin", "PC5"},
                                       {"twin", "PC6"},
                                       {"me", "SELF"}});
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
    command.act();
    QCOMPARE(f.transport.messages(),
             (QList<QByteArray>{MessageMessage("10.0.0.2", "SELF", "self", "hi\\|there"),
                                MessageMessage("10.0.0.1", "SELF", "self", "hi\\|there")}));
    QCOMPARE(f.output, u"sent: 田中 (PC2)\nnot-online: carol\nsent: bob (PC1)\n"_qs);
    QCOMPARE(command.exitCode(false), int(ExitNotOnline));

    Fixture g(peers({{"twin", "PC5"}, {"twin", "PC6"}, {"bob", "PC1"}}));
    SendCommand shared(g.session, {u"twin"_qs, u"bob"_qs}, "x", true, g.out);
    shared.act();
    QCOMPARE(g.transport.sent.size(), 1);
    QCOMPARE(g.output,
             u"{\"outcome\":\"ambiguous\",\"user\":\"twin\"}\n"
             "{\"handleName\":\"bob\",\"machineName\":\"PC1\",\"outcome\":\"sent\",\"user\":\"bob\"}\n"_qs);
    QCOMPARE(shared.exitCode(false), int(ExitUsage));
}

void TestSendCommand::wait_confirmationsSettleEachRecipientOnce()
{
    Fixture f(peers({{"bob", "PC1"}, {"ann", "PC2"}}));
    SendCommand command(f.session, {u"bob"_qs, u"ann"_qs}, "x", false, f.out);
    int all = 0;
    connect(&command, &SendCommand::repliedByAll, this, [&all] { ++all; });
    QVERIFY(command.resolve());
    command.act();
    QCOMPARE(command.exitCode(true), int(ExitUnconfirmed));
    QCOMPARE(command.exitCode(false), int(ExitOk));

    f.confirmFrom("bob");
    f.confirmFrom("bob"); // a second reading of the same message
    f.confirmFrom("zoe"); // a message sent by someone else's run
    QVERIFY(!command.allReplied());
    QCOMPARE(all, 0);
    f.output.clear();
    command.reportUnreplied();
    QCOMPARE(f.output, u"unconfirmed: ann (PC2)\n"_qs);

    f.confirmFrom("ann");
    QCOMPARE(all, 1);
    QVERIFY(command.allReplied());
    QCOMPARE(command.exitCode(true), int(ExitOk));
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
