// The simulated segment delivers as a real one would, and skipping the
// arrivals addressed elsewhere changes no copy's outcome.
#include "net/messenger.h"
#include "network/segment.h"
#include "peers/roster.h"

#include <QtTest>

using namespace zn;
using namespace zn::bench;

class TstSegment : public QObject {
    Q_OBJECT
private slots:
    void deliversLikeASegment();
    void skippingChangesNoOutcome();
};

void TstSegment::deliversLikeASegment()
{
    Segment seg(3);
    seg.setDirect(false);
    seg.start(0);
    seg.drain();
    seg.start(1);
    seg.drain();
    // LOGIN 0 and its own answer, LOGIN 1 and the answers of 0 and 1; every
    // broadcast reaches each started copy, the sender included, and copy 2
    // (no socket yet) hears nothing.
    QCOMPARE(seg.wire().datagrams, 5);
    QCOMPARE(seg.wire().receptions, 1 + 1 + 2 + 2 * 2);
    QCOMPARE(seg.session(0).roster().count(), 2);
    QCOMPARE(seg.session(1).roster().count(), 2);
    QCOMPARE(seg.session(2).roster().count(), 0);

    // An addressed message reaches its addressee only; one to an address
    // outside the segment is lost, and the directed broadcast is a broadcast.
    QVERIFY(seg.session(0).messenger().SendMessageTo("hello", "PC00001"));
    seg.drain();
    QCOMPARE(seg.session(1).recvQueue().UnreadCount(), 1);
    QCOMPARE(seg.session(0).recvQueue().UnreadCount(), 0);
    seg.resetCounts();
    QVERIFY(seg.session(0).messenger().SendDatagrams("ZNMESSAGE:LOGOUT&|PC00000", "10.9.0.1"));
    QVERIFY(seg.session(1).messenger().SendDatagrams("ZNMESSAGE:LOGOUT&|PC00000", "10.0.255.255"));
    seg.drain();
    QCOMPARE(seg.wire().receptions, 2);
    QCOMPARE(seg.session(1).roster().indexOfMachine("PC00000"), -1);

    // Delivering directly, the answers reach the copy that asked alone; a
    // list of 5,000 holds its answer back for a moment within 100 ms.
    Segment direct(3);
    direct.start(0);
    direct.drain();
    direct.start(1);
    direct.drain();
    QCOMPARE(direct.wire().datagrams, 5);
    QCOMPARE(direct.wire().receptions, 1 + 1 + 2 + 2);
    QCOMPARE(direct.session(0).roster().count(), 2);
    QCOMPARE(direct.session(1).roster().count(), 2);
    for (int i = 0; i < 5000; ++i)
        direct.session(0).roster().AddOrUpdatePeer("h", "X" + QByteArray::number(i), "10.1.0.1", false);
    direct.clock.ms = 100000;
    direct.start(2);
    direct.drain();
    QCOMPARE(direct.session(2).roster().count(), 3);
    QVERIFY(direct.clock.ms >= 100000 && direct.clock.ms <= 100100);
}

void TstSegment::skippingChangesNoOutcome()
{
    constexpr int n = 30;
    Segment full(n), sampled(n);
    full.setDirect(false);
    sampled.setDirect(false);
    sampled.setSkipping(true);
    sampled.setObservers({0, 17});
    for (Segment *seg : {&full, &sampled}) {
        for (int i = 0; i < n; ++i) {
            seg->clock.ms = 100 * i;
            seg->start(i);
            seg->drain();
        }
        seg->refresh(5);
        seg->drain();
        seg->session(3).messenger().SendMessageTo("to 17", "PC00017");
        seg->session(4).messenger().SendMessageTo("to 20", "PC00020");
        seg->drain();
    }
    QVERIFY(sampled.wire().skipped > 0);
    QCOMPARE(sampled.wire().datagrams, full.wire().datagrams);
    QCOMPARE(sampled.wire().bytes, full.wire().bytes);
    QCOMPARE(sampled.wire().receptions, full.wire().receptions);
    for (int i = 0; i < n; ++i) {
        QCOMPARE(sampled.session(i).roster().count(), n);
        QCOMPARE(sampled.session(i).recvQueue().UnreadCount(), full.session(i).recvQueue().UnreadCount());
    }
    QCOMPARE(sampled.session(20).recvQueue().UnreadCount(), 1);

    // A message of several datagrams turns skipping off for good: a copy
    // collecting pieces does not drop the next one unseen.
    sampled.resetCounts();
    sampled.session(3).messenger().SendMessageTo(QByteArray(1500, 'x'), "PC00017");
    sampled.drain();
    sampled.session(0).messenger().SendOpenCheck("PC00001");
    sampled.drain();
    QCOMPARE(sampled.wire().skipped, 0);
    QCOMPARE(sampled.session(17).recvQueue().UnreadCount(), 2);
}

QTEST_GUILESS_MAIN(TstSegment)
#include "tst_segment.moc"
