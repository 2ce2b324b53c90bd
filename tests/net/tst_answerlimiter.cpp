// Floods of LOGINs and HUZAI_CHECKs: a copy answers a few, never one
// broadcast per forged datagram, while a peer it knows still gets through.
#include "common/localpeer.h"
#include "fakeclock.h"
#include "fakefrontend.h"
#include "net/answerlimiter.h"
#include "net/dispatcher.h"
#include "net/messenger.h"
#include "net/wire.h"
#include "netfakes.h"
#include "peers/roster.h"
#include "session/session.h"
#include "settings/settings.h"

#include <QTest>

using namespace zn;
using namespace zn::test;

namespace {

struct Fixture {
    FakeClock clock;
    Settings settings;
    LocalPeer local;
    FakeFrontend frontend;
    RecordingTransport transport;
    RecordingLog log;
    Roster roster{settings, local};
    Messenger messenger{settings, local, roster, transport, log};
    AnswerLimiter limiter{clock};
    Dispatcher dispatcher{settings, local, roster, messenger, frontend, frontend, &limiter};

    Fixture()
    {
        local.MachineName = "SELF";
        local.Address = "10.0.0.1";
        clock.ms = 1000;
    }

    // A LOGIN in `machine` from the datagram source `source`; the number of
    // LOGIN_OK answers it drew.
    int login(const QByteArray &machine, const QByteArray &source)
    {
        const qsizetype before = transport.sent.size();
        dispatcher.HandleReceivedMessage(LoginMessage(machine, "h", "0", source), source);
        return int(transport.sent.size() - before);
    }
};

QByteArray address(int i)
{
    return "10.1." + QByteArray::number(i / 256) + '.' + QByteArray::number(i % 256);
}

} // namespace

class TestAnswerLimiter : public QObject {
    Q_OBJECT
private slots:
    void buckets_burstThenOnePerPeriod_boundedTable();
    void loginFlood_oneSource_answersBurstThenOneASecond();
    void loginFlood_manyNames_manySources_boundedAndKnownPeerStillAnswered();
    void huzaiCheckFlood_answersLimited();
    void loginAnswers_perAddressee_forgersAndAMorningOf10000();
    void roster_holdsAtMostMaxPeers_newcomerAlwaysListed();
};

void TestAnswerLimiter::buckets_burstThenOnePerPeriod_boundedTable()
{
    FakeClock clock;
    TokenBuckets buckets(clock, 3, 100, 2);
    for (int i = 0; i < 3; ++i)
        QVERIFY(buckets.take("a"));
    QVERIFY(!buckets.has("a"));
    QVERIFY(!buckets.take("a"));
    QVERIFY(buckets.take("b")); // keys are apart
    clock.advance(99);
    QVERIFY(!buckets.take("a"));
    clock.advance(1);
    QVERIFY(buckets.take("a"));
    QVERIFY(!buckets.take("a"));
    // Idle long enough, the bucket is full again, not fuller.
    clock.advance(10000);
    for (int i = 0; i < 3; ++i)
        QVERIFY(buckets.take("a"));
    QVERIFY(!buckets.take("a"));
    // Never more than two keys; one that gave way starts full.
    QVERIFY(buckets.take("c"));
    QCOMPARE(buckets.trackedKeys(), qsizetype(2));
}

void TestAnswerLimiter::loginFlood_oneSource_answersBurstThenOneASecond()
{
    Fixture f;
    int answers = 0;
    for (int i = 0; i < 1000; ++i)
        answers += f.login("FLOOD", "10.9.9.9");
    // It names its own address, and that address is answered a few times.
    QCOMPARE(answers, AnswerLimiter::PerAddresseeBurst);
    // New names from the same source fare no better, and leave no rows.
    for (int i = 0; i < 100; ++i)
        answers += f.login("NEW" + QByteArray::number(i), "10.9.9.9");
    QCOMPARE(answers, AnswerLimiter::PerAddresseeBurst);
    QCOMPARE(f.roster.count(), 1);
    f.clock.advance(AnswerLimiter::PerPeerMsPerToken);
    QCOMPARE(f.login("FLOOD", "10.9.9.9"), 1);
    QCOMPARE(f.login("FLOOD", "10.9.9.9"), 0);
    // One name claimed from many sources is held by its name.
    f.clock.advance(60 * 1000);
    answers = 0;
    for (int i = 0; i < 100; ++i)
        answers += f.login("CLAIMED", address(i));
    QCOMPARE(answers, AnswerLimiter::PerPeerBurst);
}

void TestAnswerLimiter::loginFlood_manyNames_manySources_boundedAndKnownPeerStillAnswered()
{
    Fixture f;
    QCOMPARE(f.login("KNOWN", "10.0.0.2"), 1);
    int answers = 0;
    for (int i = 0; i < 5000; ++i)
        answers += f.login("F" + QByteArray::number(i), address(i));
    QCOMPARE(answers, AnswerLimiter::NewPeerBurst - 1);
    QCOMPARE(f.roster.count(), qsizetype(AnswerLimiter::NewPeerBurst));
    // The known peer logs in again in the middle of it: answered at once.
    QCOMPARE(f.login("KNOWN", "10.0.0.2"), 1);
    // A second of flood brings one new peer per token.
    f.clock.advance(1000);
    answers = 0;
    for (int i = 5000; i < 10000; ++i)
        answers += f.login("F" + QByteArray::number(i), address(i));
    QCOMPARE(answers, int(1000 / AnswerLimiter::NewPeerMsPerToken));
    QCOMPARE(f.login("KNOWN", "10.0.0.2"), 1);
    QVERIFY(f.frontend.boxes.isEmpty());
}

void TestAnswerLimiter::huzaiCheckFlood_answersLimited()
{
    Fixture f;
    int answers = 0;
    for (int i = 0; i < 200; ++i) {
        const qsizetype before = f.transport.sent.size();
        f.dispatcher.HandleReceivedMessage(HuzaiCheckMessage("10.0.0.1", "10.0.0.7"), "10.0.0.7");
        answers += f.transport.sent.size() > before;
    }
    QCOMPARE(answers, AnswerLimiter::PerAddresseeBurst);
    // From many sources: all together, and a LOGIN flood takes none of it.
    f.clock.advance(60 * 1000);
    for (int i = 0; i < 1000; ++i)
        f.login("F" + QByteArray::number(i), address(i));
    answers = 0;
    for (int i = 0; i < 200; ++i) {
        const qsizetype before = f.transport.sent.size();
        f.dispatcher.HandleReceivedMessage(HuzaiCheckMessage("10.0.0.1", address(i)), address(i));
        answers += f.transport.sent.size() > before;
    }
    QCOMPARE(answers, AnswerLimiter::AbsenceBurst);
}

void TestAnswerLimiter::loginAnswers_perAddressee_forgersAndAMorningOf10000()
{
    Fixture f;
    const auto loginNaming = [&](const QByteArray &machine, const QByteArray &source, const QByteArray &named) {
        const qsizetype before = f.transport.sent.size();
        f.dispatcher.HandleReceivedMessage(LoginMessage(machine, "h", "0", named), source);
        return int(f.transport.sent.size() - before);
    };
    // Forged LOGINs from many sources, all naming one victim: it receives a
    // few answers, then one a second.
    int answers = 0;
    for (int i = 0; i < 1000; ++i)
        answers += loginNaming("V" + QByteArray::number(i), address(i), "10.2.0.1");
    QCOMPARE(answers, AnswerLimiter::PerAddresseeBurst);
    f.clock.advance(1000);
    answers = 0;
    for (int i = 1000; i < 2000; ++i)
        answers += loginNaming("V" + QByteArray::number(i), address(i), "10.2.0.1");
    QCOMPARE(answers, 1);
    // A source making up a new name for each LOGIN gets a couple listed.
    f.clock.advance(60 * 1000);
    answers = 0;
    for (int i = 0; i < 100; ++i)
        answers += f.login("N" + QByteArray::number(i), "10.3.0.1");
    QCOMPARE(answers, AnswerLimiter::NewPeerPerSourceBurst);
    // A copy that leaves and comes back, again and again, is always answered.
    f.clock.advance(60 * 1000);
    for (int i = 0; i < 5; ++i) {
        f.clock.advance(AnswerLimiter::PerPeerMsPerToken);
        QCOMPARE(f.login("BACK", "10.3.0.2"), 1);
        f.dispatcher.HandleReceivedMessage(LogoutMessage("BACK"), "10.3.0.2");
    }

    // A morning: 10,000 copies start within one minute, each with one
    // LOGIN; every one is answered and listed.
    Fixture morning;
    answers = 0;
    for (int i = 0; i < 10000; ++i) {
        morning.clock.ms = 1000 + qint64(i) * 6;
        answers += morning.login("PC" + QByteArray::number(i),
                                 "10.4." + QByteArray::number(i / 250) + '.' + QByteArray::number(i % 250 + 1));
    }
    QCOMPARE(answers, 10000);
    QCOMPARE(morning.roster.count(), qsizetype(10000));
}

void TestAnswerLimiter::roster_holdsAtMostMaxPeers_newcomerAlwaysListed()
{
    Settings settings;
    LocalPeer local;
    FakeFrontend frontend;
    local.MachineName = "SELF";
    Roster roster(settings, local);
    announcePresence(roster, settings, local, frontend);
    const auto pc = [](int i) -> QByteArray { return "PC" + QByteArray::number(i); };
    roster.AddOrUpdatePeer("me", "SELF", "10.0.0.1", false, PeerOrigin::Unsolicited);
    for (int i = 1; i < Roster::MaxPeers; ++i)
        roster.AddOrUpdatePeer("h", pc(i), address(i), false, i % 2 ? PeerOrigin::Unsolicited : PeerOrigin::Announced);
    QCOMPARE(roster.count(), qsizetype(Roster::MaxPeers));
    // Unsolicited newcomers find no room.
    for (int i = Roster::MaxPeers; i < Roster::MaxPeers + 10; ++i)
        roster.AddOrUpdatePeer("h", pc(i), address(i), false, PeerOrigin::Unsolicited);
    QCOMPARE(roster.count(), qsizetype(Roster::MaxPeers));
    QCOMPARE(roster.FindAddressByMachine(pc(Roster::MaxPeers)), QByteArray());
    // Those listed still change.
    roster.AddOrUpdatePeer("renamed", "PC7", "10.2.0.7", true, PeerOrigin::Unsolicited);
    QCOMPARE(roster.FindHandleByMachine("PC7"), QByteArray("renamed"));

    // A machine that announces itself always gets its row: the oldest
    // unsolicited rows give way, quietly; PC3 announced itself since.
    roster.AddOrUpdatePeer("h", "PC3", address(3), false, PeerOrigin::Announced);
    frontend.clear();
    for (const QByteArray &machine : QByteArrayList{"NEW1", "NEW2", "NEW3"})
        roster.AddOrUpdatePeer("new", machine, "10.3.0.1", false, PeerOrigin::Announced);
    QCOMPARE(roster.count(), qsizetype(Roster::MaxPeers));
    for (const QByteArray &machine : QByteArrayList{"NEW1", "NEW2", "NEW3", "SELF", "PC2", "PC3", "PC4"})
        QVERIFY2(roster.indexOfMachine(machine) >= 0, machine.constData());
    for (const int gone : {1, 5, 7})
        QCOMPARE(roster.indexOfMachine(pc(gone)), -1);
    QCOMPARE(frontend.sounds, QList<SoundKind>(3, SoundKind::UserOnline));

    // With no unsolicited row left, the oldest announced one gives way,
    // never the local machine's.
    for (int i = 1; i < Roster::MaxPeers; i += 2)
        roster.RemovePeer(pc(i));
    for (int i = 0; roster.count() < Roster::MaxPeers; ++i)
        roster.AddOrUpdatePeer("a", "A" + QByteArray::number(i), address(i), false, PeerOrigin::Announced);
    roster.AddOrUpdatePeer("u", "UNSOLICITED", "10.3.0.2", false, PeerOrigin::Unsolicited);
    QCOMPARE(roster.indexOfMachine("UNSOLICITED"), -1);
    roster.AddOrUpdatePeer("last", "LAST", "10.3.0.3", false, PeerOrigin::Announced);
    QVERIFY(roster.indexOfMachine("LAST") >= 0);
    QVERIFY(roster.indexOfMachine("SELF") >= 0);
    QCOMPARE(roster.indexOfMachine("PC2"), -1);
    QCOMPARE(roster.count(), qsizetype(Roster::MaxPeers));
}

QTEST_GUILESS_MAIN(TestAnswerLimiter)
#include "tst_answerlimiter.moc"
