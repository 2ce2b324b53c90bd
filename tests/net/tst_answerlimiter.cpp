// Floods of LOGINs and HUZAI_CHECKs: a copy answers a few, never one
// broadcast per forged datagram, while a peer it knows still gets through.
#include "net/answerlimiter.h"

#include "common/localpeer.h"
#include "fakeclock.h"
#include "fakefrontend.h"
#include "net/dispatcher.h"
#include "net/messenger.h"
#include "net/wire.h"
#include "netfakes.h"
#include "peers/roster.h"
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
    Roster roster{settings, local, frontend};
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
    void roster_holdsAtMostMaxPeers();
};

void TestAnswerLimiter::buckets_burstThenOnePerPeriod_boundedTable()
{
    FakeClock clock;
    TokenBuckets buckets(clock, 3, 100, 2);
    for (int i = 0; i < 3; ++i)
        QVERIFY(buckets.take("a"));
    QVERIFY(!buckets.has("a"));
    QVERIFY(!buckets.take("a"));
    QVERIFY(buckets.take("b"));  // keys are apart
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
    QCOMPARE(answers, AnswerLimiter::PerPeerBurst);
    // New names from the same source fare no better, and leave no rows.
    for (int i = 0; i < 100; ++i)
        answers += f.login("NEW" + QByteArray::number(i), "10.9.9.9");
    QCOMPARE(answers, AnswerLimiter::PerPeerBurst);
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
    QCOMPARE(answers, AnswerLimiter::PerPeerBurst);
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

void TestAnswerLimiter::roster_holdsAtMostMaxPeers()
{
    Settings settings;
    LocalPeer local;
    FakeFrontend frontend;
    Roster roster(settings, local, frontend);
    for (int i = 0; i < Roster::MaxPeers + 10; ++i)
        roster.AddOrUpdatePeer("h", "PC" + QByteArray::number(i), address(i), false);
    QCOMPARE(roster.count(), qsizetype(Roster::MaxPeers));
    QCOMPARE(roster.FindAddressByMachine("PC" + QByteArray::number(Roster::MaxPeers)), QByteArray());
    // Those listed still change.
    roster.AddOrUpdatePeer("renamed", "PC7", "10.2.0.7", true);
    QCOMPARE(roster.FindHandleByMachine("PC7"), QByteArray("renamed"));
}

QTEST_GUILESS_MAIN(TestAnswerLimiter)
#include "tst_answerlimiter.moc"
