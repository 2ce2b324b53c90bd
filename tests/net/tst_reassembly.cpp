#include "common/text.h"
#include "fakeclock.h"
#include "fakefrontend.h"
#include "net/reassembly.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace zn;
using namespace zn::test;

namespace {

constexpr quint32 PeerA = 0xC0A80114; // 192.168.1.20
constexpr quint32 PeerB = 0xC0A80115;

// The datagrams a peer sends for `message`: "%5d" header, CR LF escaped,
// a NUL appended, cut into numbered pieces of 510 bytes.
QList<QByteArray> frame(const QByteArray &message)
{
    const QByteArray body = QByteArray::number(message.size()).rightJustified(5, ' ') + message;
    const QByteArray s = ReplaceAll(CrLf, LineBreakEscape, body) + '\0';
    QList<QByteArray> datagrams;
    for (qsizetype at = 0, n = 1; at < s.size(); at += 510, ++n) {
        QByteArray d(1, char(n));
        d += s.mid(at, 510);
        if (d.size() == 511)
            d += '\0';
        datagrams.append(d);
    }
    return datagrams;
}

QByteArray textOfLength(qsizetype n)
{
    QByteArray m = "ZNMESSAGE:MESSAGE&|1.2.3.4&|PC&|H&|";
    while (m.size() < n)
        m += char('a' + m.size() % 26);
    return m.left(n);
}

int collecting(const Reassembler &r)
{
    int n = 0;
    for (const ReceiveSlot &s : r.receiveSlots())
        n += s.isFree() ? 0 : 1;
    return n;
}

const QString TooMuchData =
    QStringLiteral("一度に大量のデータを受信しました。一部のデータが正常に受信できませんでした。"
                   "もし、このメッセージが続けて出るようなら、一度、Zephinetを再起動してください。");

} // namespace

class TestReassembly : public QObject {
    Q_OBJECT
private slots:
    void completeMessage_cheapLookAgreesWithFullJoin();
    void filter_dropsOnlyWhatWouldBeIgnored();
    void framing_sizes();
    void completeMessage_data();
    void completeMessage();
    void anyOrder_completesOnLastArrival_data();
    void anyOrder_completesOnLastArrival();
    void oneDatagram_dispatchedAtOnce();
    void lineBreaks_arriveAsCrLf();
    void sameMessageTwice_dispatchedTwice();
    void repeatedFragment_opensNewSlot();
    void twentyFirstSender_takesIdlestSlot();
    void oneSender_holdsItsShare_everyLossReportedAndNamed();
    void flood_cannotPushOutAPeersSlowMessages_data();
    void flood_cannotPushOutAPeersSlowMessages();
    void ignoredDatagrams_openNoSlot_data();
    void ignoredDatagrams_openNoSlot();
    void emptyPayload_fillsExistingSlot();
    void expiry_afterAMinuteOfSilence();
    void expiry_ofSlotFilledAtClockZero();
    void expiry_twoSlotsOfOneSender_twoWarnings();
    void handler_seesFreedSlot();
};

void TestReassembly::framing_sizes()
{
    // The test framer itself must cut as peers do.
    QCOMPARE(frame(textOfLength(505)).size(), 2); // body 510: 512 + 2
    QCOMPARE(frame(textOfLength(505)).at(1), QByteArray("\x02\0", 2));
    QCOMPARE(frame(textOfLength(504)).size(), 1); // body 509: one 512, two NULs
    QCOMPARE(frame(textOfLength(504)).at(0).size(), 512);
    QCOMPARE(frame(textOfLength(1200)).size(), 3);
    QCOMPARE(frame(textOfLength(1200)).at(2).size(), 187);
}

void TestReassembly::completeMessage_data()
{
    QTest::addColumn<QList<QByteArray>>("fragments");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QByteArray>("message");

    QTest::addRow("exact") << QList<QByteArray>{"    3abc"} << true << QByteArray("abc");
    QTest::addRow("short") << QList<QByteArray>{"    3ab"} << false << QByteArray();
    QTest::addRow("longer than announced") << QList<QByteArray>{"    3abcd"} << true << QByteArray("abcd");
    QTest::addRow("header only, zero") << QList<QByteArray>{"    0"} << true << QByteArray();
    QTest::addRow("under five bytes") << QList<QByteArray>{"   1"} << false << QByteArray();
    QTest::addRow("letters in header") << QList<QByteArray>{"x   3abc"} << false << QByteArray();
    QTest::addRow("blank header") << QList<QByteArray>{"     abc"} << false << QByteArray();
    QTest::addRow("trailing blank in header") << QList<QByteArray>{"   3 abc"} << false << QByteArray();
    QTest::addRow("missing middle") << QList<QByteArray>{"   10abc", {}, "ij"} << false << QByteArray();
    QTest::addRow("joined pieces") << QList<QByteArray>{"   10abc", "defg", "hij"} << true << QByteArray("abcdefghij");
    QTest::addRow("escape is CR LF") << QList<QByteArray>{"    4a\\|b"} << true << QByteArray("a\r\nb");
    QTest::addRow("raw CR LF dropped") << QList<QByteArray>{"    2a\r\nb"} << true << QByteArray("ab");
    QTest::addRow("lone CR kept") << QList<QByteArray>{"    3a\rb"} << true << QByteArray("a\rb");
    QTest::addRow("escape cut between pieces") << QList<QByteArray>{"    4a\\", "|b"} << true << QByteArray("a\r\nb");
}

void TestReassembly::completeMessage()
{
    QFETCH(QList<QByteArray>, fragments);
    QFETCH(bool, complete);
    QFETCH(QByteArray, message);
    const std::optional<QByteArray> result = Reassembler::completeMessage(fragments);
    QCOMPARE(result.has_value(), complete);
    if (complete)
        QCOMPARE(*result, message);
}

void TestReassembly::anyOrder_completesOnLastArrival_data()
{
    QTest::addColumn<QList<int>>("order");
    QTest::addRow("1 2 3") << QList<int>{1, 2, 3};
    QTest::addRow("2 3 1") << QList<int>{2, 3, 1};
    QTest::addRow("3 2 1") << QList<int>{3, 2, 1};
    QTest::addRow("1 3 2") << QList<int>{1, 3, 2};
}

void TestReassembly::anyOrder_completesOnLastArrival()
{
    QFETCH(QList<int>, order);
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);
    QSignalSpy spy(&r, &Reassembler::messageReceived);

    const QByteArray message = textOfLength(1200);
    const QList<QByteArray> datagrams = frame(message);
    QCOMPARE(datagrams.size(), 3);
    for (int i = 0; i < order.size(); ++i) {
        QCOMPARE(spy.size(), 0);
        r.ReceiveDatagram(datagrams.at(order.at(i) - 1), PeerA);
    }
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toByteArray(), message);
    QCOMPARE(spy.at(0).at(1).toByteArray(), QByteArray("192.168.1.20"));
    QCOMPARE(collecting(r), 0);
    QVERIFY(frontend.notices.isEmpty());
}

void TestReassembly::oneDatagram_dispatchedAtOnce()
{
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);
    QSignalSpy spy(&r, &Reassembler::messageReceived);

    r.ReceiveDatagram(frame("ZNMESSAGE:LOGOUT&|PC1").at(0), 0x0A000001);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toByteArray(), QByteArray("ZNMESSAGE:LOGOUT&|PC1"));
    QCOMPARE(spy.at(0).at(1).toByteArray(), QByteArray("10.0.0.1"));
    QCOMPARE(collecting(r), 0);
    QCOMPARE(r.slot(19).LastReceived, 0);
}

void TestReassembly::lineBreaks_arriveAsCrLf()
{
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);
    QSignalSpy spy(&r, &Reassembler::messageReceived);

    // 600 bytes with line breaks on both sides of the 510-byte cut.
    QByteArray message = textOfLength(500) + "\r\n\r\n\r\n" + textOfLength(94) + "\rlone\n";
    for (const QByteArray &d : frame(message))
        r.ReceiveDatagram(d, PeerA);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toByteArray(), message);
}

void TestReassembly::sameMessageTwice_dispatchedTwice()
{
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);
    QSignalSpy spy(&r, &Reassembler::messageReceived);

    const QList<QByteArray> datagrams = frame(textOfLength(1200));
    for (int copy = 0; copy < 2; ++copy)
        for (const QByteArray &d : datagrams)
            r.ReceiveDatagram(d, PeerA);
    QCOMPARE(spy.size(), 2);
    QCOMPARE(collecting(r), 0);
}

void TestReassembly::repeatedFragment_opensNewSlot()
{
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);
    QSignalSpy spy(&r, &Reassembler::messageReceived);

    const QList<QByteArray> datagrams = frame(textOfLength(1200));
    r.ReceiveDatagram(datagrams.at(0), PeerA);
    QCOMPARE(r.slot(19).SenderAddress, QByteArray("192.168.1.20"));
    r.ReceiveDatagram(datagrams.at(0), PeerA);
    QCOMPARE(r.slot(18).SenderAddress, QByteArray("192.168.1.20"));
    QCOMPARE(collecting(r), 2);

    // The later fragments go to the last candidate, the higher slot.
    r.ReceiveDatagram(datagrams.at(1), PeerA);
    r.ReceiveDatagram(datagrams.at(2), PeerA);
    QCOMPARE(spy.size(), 1);
    QVERIFY(r.slot(19).isFree());
    QCOMPARE(r.slot(18).Fragments.size(), 1);
    QCOMPARE(collecting(r), 1);
}

// A flood from many senders must not shut out real peers: with all twenty
// slots collecting, the one idle longest gives way (data is lost, and the
// notice says so, but not once per datagram), and a message that one
// datagram completes needs no slot at all.
void TestReassembly::twentyFirstSender_takesIdlestSlot()
{
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);
    QSignalSpy spy(&r, &Reassembler::messageReceived);

    const QList<QByteArray> datagrams = frame(textOfLength(1200));
    for (quint32 i = 0; i < 20; ++i) {
        clock.ms = 100 + i;
        r.ReceiveDatagram(datagrams.at(0), 0x0A000001 + i);
    }
    clock.ms = 200;
    r.ReceiveDatagram(datagrams.at(1), 0x0A000001); // the first sender is busy again
    QCOMPARE(collecting(r), 20);
    QVERIFY(frontend.notices.isEmpty());

    r.ReceiveDatagram(datagrams.at(0), 0x0A000100);
    QCOMPARE(frontend.notices.size(), 1);
    QCOMPARE(frontend.notices.at(0).text, QString(TooMuchData + u"失われたのは「10.0.0.2」からのメッセージです。"));
    QVERIFY(frontend.notices.at(0).important);
    QStringList senders;
    for (const ReceiveSlot &s : r.receiveSlots())
        senders << QString::fromLatin1(s.SenderAddress);
    QVERIFY(senders.contains(u"10.0.1.0"));
    QVERIFY(!senders.contains(u"10.0.0.2")); // idle longest: given up
    QCOMPARE(collecting(r), 20);

    // A one-datagram message gets through although every slot collects.
    r.ReceiveDatagram(frame("ZNMESSAGE:LOGOUT&|PC9").at(0), 0x0A000200);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(collecting(r), 20);

    // More losses within the notice's interval say nothing new; later they do.
    r.ReceiveDatagram(datagrams.at(0), 0x0A000101);
    QCOMPARE(frontend.notices.size(), 1);
    clock.advance(Reassembler::OverflowNoticeIntervalMs);
    r.ReceiveDatagram(datagrams.at(0), 0x0A000102);
    QCOMPARE(frontend.notices.size(), 2);

    // The busy sender still completes its message.
    r.ReceiveDatagram(datagrams.at(2), 0x0A000001);
    QCOMPARE(spy.size(), 2);
    QCOMPARE(spy.at(1).at(0).toByteArray(), textOfLength(1200));
}

// A sender starting a fifth message while four of its own are incomplete
// gives up its own idlest, never another sender's slot; each message given
// up is reported, and the notice names whose it was.
void TestReassembly::oneSender_holdsItsShare_everyLossReportedAndNamed()
{
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);
    r.setSenderName([](const QByteArray &address) {
        return address == "192.168.1.20" ? QStringLiteral("有栖") : QString::fromLatin1(address);
    });
    QSignalSpy givenUp(&r, &Reassembler::messageGivenUp);
    const QByteArray first = frame(textOfLength(1200)).at(0);

    clock.ms = 10;
    r.ReceiveDatagram(first, PeerB);
    for (int i = 0; i < 6; ++i) {
        clock.ms = 100 + i;
        r.ReceiveDatagram(first, PeerA);
    }
    int ofA = 0;
    for (const ReceiveSlot &s : r.receiveSlots())
        ofA += s.SenderIpv4 == PeerA ? 1 : 0;
    QCOMPARE(ofA, Reassembler::MaxSlotsPerSender);
    QCOMPARE(collecting(r), Reassembler::MaxSlotsPerSender + 1); // B's slot stays
    QCOMPARE(givenUp.size(), 2);
    QCOMPARE(givenUp.at(0).at(0).toByteArray(), "192.168.1.20");
    QCOMPARE(givenUp.at(1).at(0).toByteArray(), "192.168.1.20");
    QCOMPARE(frontend.notices.size(), 1);
    QCOMPARE(frontend.notices.at(0).text, QString(TooMuchData + u"失われたのは「有栖」からのメッセージです。"));
}

// A peer sends messages of three datagrams 300 ms apart while a flood of
// never-completed first fragments fills the table, from one address at
// 1,000 a second or from twenty addresses at 200 a second each. Every
// message of the peer arrives, and no loss is reported against it.
void TestReassembly::flood_cannotPushOutAPeersSlowMessages_data()
{
    QTest::addColumn<int>("floodSources");
    QTest::addColumn<int>("perSourceMs");
    QTest::addRow("one address at 1000/s") << 1 << 1;
    QTest::addRow("twenty addresses at 200/s") << 20 << 5;
}

void TestReassembly::flood_cannotPushOutAPeersSlowMessages()
{
    QFETCH(int, floodSources);
    QFETCH(int, perSourceMs);
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);
    QSignalSpy received(&r, &Reassembler::messageReceived);
    QSignalSpy givenUp(&r, &Reassembler::messageGivenUp);
    const QByteArray flood = frame(textOfLength(1200)).at(0);
    constexpr quint32 FloodBase = 0x0A000100;
    constexpr int Messages = 10;
    constexpr qint64 GapMs = 300;

    QList<QByteArray> texts;
    QList<QByteArray> peer;
    for (int m = 0; m < Messages; ++m) {
        texts.append(textOfLength(1100 + m));
        peer += frame(texts.last());
    }
    QCOMPARE(peer.size(), 3 * Messages);
    int mostOfOne = 0;
    const qint64 end = qint64(peer.size() + 1) * GapMs;
    for (qint64 ms = 1; ms <= end; ++ms) {
        clock.ms = ms;
        for (int s = 0; s < floodSources; ++s) {
            if ((ms + s) % perSourceMs == 0)
                r.ReceiveDatagram(flood, FloodBase + quint32(s));
        }
        if (ms % GapMs == 0 && ms / GapMs <= peer.size())
            r.ReceiveDatagram(peer.at(int(ms / GapMs - 1)), PeerA);
        for (int s = 0; s < floodSources; ++s) {
            int held = 0;
            for (const ReceiveSlot &slot : r.receiveSlots())
                held += slot.SenderIpv4 == FloodBase + quint32(s) ? 1 : 0;
            mostOfOne = qMax(mostOfOne, held);
        }
    }
    QList<QByteArray> arrived;
    for (const QList<QVariant> &args : received)
        arrived.append(args.at(0).toByteArray());
    QCOMPARE(arrived, texts);
    for (const QList<QVariant> &args : givenUp)
        QVERIFY(args.at(0).toByteArray() != "192.168.1.20");
    QVERIFY(givenUp.size() > 1000); // the flood's own messages
    QVERIFY(mostOfOne <= Reassembler::MaxSlotsPerSender);
}

void TestReassembly::ignoredDatagrams_openNoSlot_data()
{
    QTest::addColumn<QList<QByteArray>>("datagrams");
    QTest::addColumn<int>("dispatched");

    QTest::addRow("zero bytes") << QList<QByteArray>{QByteArray()} << 0;
    QTest::addRow("over 512 bytes") << QList<QByteArray>{QByteArray(1, '\1') + QByteArray(512, 'a')} << 0;
    QTest::addRow("number only") << QList<QByteArray>{QByteArray("\1")} << 0;
    QTest::addRow("number and NUL") << QList<QByteArray>{QByteArray("\3\0", 2)} << 0;
    // A body of exactly 510 bytes: the message completes with the first
    // datagram; the second holds only its number and the NUL.
    QTest::addRow("after its message completed") << frame(textOfLength(505)) << 1;
    QTest::addRow("before its message") << QList<QByteArray>{frame(textOfLength(505)).at(1),
                                                             frame(textOfLength(505)).at(0)}
                                        << 1;
}

void TestReassembly::ignoredDatagrams_openNoSlot()
{
    QFETCH(QList<QByteArray>, datagrams);
    QFETCH(int, dispatched);
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);
    QSignalSpy spy(&r, &Reassembler::messageReceived);

    for (const QByteArray &d : datagrams)
        r.ReceiveDatagram(d, PeerA);
    QCOMPARE(spy.size(), dispatched);
    QCOMPARE(collecting(r), 0);
    clock.advance(120000);
    QVERIFY(r.expire().isEmpty());
    QVERIFY(frontend.notices.isEmpty());
}

void TestReassembly::emptyPayload_fillsExistingSlot()
{
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);

    clock.ms = 1000;
    r.ReceiveDatagram(frame(textOfLength(1200)).at(0), PeerA);
    clock.ms = 5000;
    r.ReceiveDatagram(QByteArray("\3\0", 2), PeerA);
    QCOMPARE(collecting(r), 1);
    QCOMPARE(r.slot(19).Fragments.size(), 3);
    QCOMPARE(r.slot(19).LastReceived, 5000);
}

void TestReassembly::expiry_afterAMinuteOfSilence()
{
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);

    const QList<QByteArray> datagrams = frame(textOfLength(1200));
    clock.ms = 0; // a monotonic clock may read 0 at its start
    r.ReceiveDatagram(datagrams.at(0), PeerA);
    clock.ms = 30000;
    r.ReceiveDatagram(datagrams.at(2), PeerA); // datagram 2 is lost
    QCOMPARE(r.slot(19).LastReceived, 30000);

    clock.ms = 30000 + 60000;
    QVERIFY(r.expire().isEmpty());
    QCOMPARE(collecting(r), 1);

    clock.ms = 30000 + 60001;
    QCOMPARE(r.expire(), QList<QByteArray>{"192.168.1.20"});
    QCOMPARE(collecting(r), 0);
    QCOMPARE(r.slot(19).LastReceived, 0);
    QVERIFY(r.slot(19).Fragments.isEmpty());
    QVERIFY(r.expire().isEmpty());
}

// A monotonic clock may read 0 when the first fragment comes; the slot must
// still count as collecting and expire a minute later.
void TestReassembly::expiry_ofSlotFilledAtClockZero()
{
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);

    r.ReceiveDatagram(frame(textOfLength(1200)).at(0), PeerA);
    QCOMPARE(collecting(r), 1);
    clock.ms = 60000;
    QVERIFY(r.expire().isEmpty());
    clock.ms = 60002;
    QCOMPARE(r.expire(), QList<QByteArray>{"192.168.1.20"});
    QCOMPARE(collecting(r), 0);
}

void TestReassembly::expiry_twoSlotsOfOneSender_twoWarnings()
{
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);

    const QList<QByteArray> datagrams = frame(textOfLength(1200));
    clock.ms = 100;
    r.ReceiveDatagram(datagrams.at(0), PeerA);
    r.ReceiveDatagram(datagrams.at(0), PeerA);
    r.ReceiveDatagram(datagrams.at(0), PeerB);
    clock.ms = 200;
    r.clearSlot(17);
    clock.ms = 60101;
    QCOMPARE(r.expire(), (QList<QByteArray>{"192.168.1.20", "192.168.1.20"}));
}

void TestReassembly::handler_seesFreedSlot()
{
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler r(clock, frontend);
    QList<QByteArray> received;

    // The handler receives another message, as a nested event loop would.
    const QList<QByteArray> inner = frame("ZNMESSAGE:LOGOUT&|PC2");
    connect(&r, &Reassembler::messageReceived, this, [&](const QByteArray &message) {
        received.append(message);
        QCOMPARE(collecting(r), 0);
        if (received.size() == 1)
            r.ReceiveDatagram(inner.at(0), PeerA);
    });
    for (const QByteArray &d : frame(textOfLength(1200)))
        r.ReceiveDatagram(d, PeerA);
    QCOMPARE(received.size(), 2);
    QCOMPARE(received.at(0), textOfLength(1200));
    QCOMPARE(received.at(1), QByteArray("ZNMESSAGE:LOGOUT&|PC2"));
}

QTEST_GUILESS_MAIN(TestReassembly)
// The completion test joins the fragments, removes CR LF pairs, turns "\|"
// into CR LF and reads the 5-byte header; written out plainly here so that
// the quicker checks in front of it can be compared with it.
static std::optional<QByteArray> fullJoin(const QList<QByteArray> &fragments)
{
    QByteArray joined;
    for (const QByteArray &f : fragments)
        joined += f;
    const QByteArray body = ReplaceAll("\\|", "\r\n", ReplaceAll("\r\n", "", joined));
    if (body.size() < 5)
        return std::nullopt;
    qsizetype i = 0;
    while (i < 5 && body[i] == ' ')
        ++i;
    if (i == 5)
        return std::nullopt;
    qsizetype length = 0;
    for (; i < 5; ++i) {
        if (body[i] < '0' || body[i] > '9')
            return std::nullopt;
        length = length * 10 + (body[i] - '0');
    }
    if (body.size() < length + 5)
        return std::nullopt;
    return body.sliced(5);
}

void TestReassembly::completeMessage_cheapLookAgreesWithFullJoin()
{
    QRandomGenerator rng(4711);
    static const char alphabet[] = {' ', ' ', '0', '1', '2', '9', '\r', '\n', '\\', '|', 'a', 'x'};
    int complete = 0;
    for (int round = 0; round < 20000; ++round) {
        QList<QByteArray> fragments(1 + rng.bounded(4));
        for (QByteArray &f : fragments) {
            const int size = rng.bounded(4) == 0 ? 0 : rng.bounded(12);
            for (int i = 0; i < size; ++i)
                f += alphabet[rng.bounded(int(sizeof alphabet))];
        }
        // Half the time the first non-empty fragment starts with a header.
        if (rng.bounded(2) == 0)
            fragments[rng.bounded(int(fragments.size()))].prepend(
                QByteArray::number(rng.bounded(15)).rightJustified(5, ' '));
        const auto expected = fullJoin(fragments);
        QCOMPARE(Reassembler::completeMessage(fragments), expected);
        complete += expected.has_value();
    }
    // Both outcomes were exercised plenty.
    QVERIFY(complete > 1000);
    QVERIFY(complete < 19000);
}

// Lone datagrams are judged where they lie, before a message is built: the
// filter sees exactly the keyword and field 1 the full build gives, never
// drops what it would have let through, and what it lets through is built
// byte for byte as before.
void TestReassembly::filter_dropsOnlyWhatWouldBeIgnored()
{
    QRandomGenerator rng(815);
    static const QByteArrayView pieces[] = {
        "ZNMESSAGE:MESSAGE", "ZNMESSAGE:LOGIN", "&|", "&|", "\\|", "\\", "\r\n", "\r", "|", "&",
        "10.0.0.1",          "10.0.0.2",        "x",  "  "};
    FakeClock clock;
    FakeFrontend frontend;
    Reassembler plain(clock, frontend);
    Reassembler filtered(clock, frontend);
    QList<QByteArray> all, passed, asked;
    int dropped = 0, unjudged = 0;
    connect(&plain, &Reassembler::messageReceived, this, [&](const QByteArray &m) { all << m; });
    connect(&filtered, &Reassembler::messageReceived, this, [&](const QByteArray &m) { passed << m; });
    filtered.setMessageFilter([&](QByteArrayView kind, QByteArrayView field1) {
        asked << kind.toByteArray() + "&|" + field1.toByteArray();
        return field1 == "10.0.0.1";
    });
    for (int round = 0; round < 5000; ++round) {
        QByteArray message;
        for (int n = rng.bounded(8); n >= 0; --n)
            message += pieces[rng.bounded(int(std::size(pieces)))];
        QByteArray datagram = frame(message).at(0);
        if (rng.bounded(4) == 0) // now and then a raw CR or "\|" in the header itself
            datagram.insert(1 + rng.bounded(7), rng.bounded(2) ? "\r\n" : "\\|");
        const qsizetype before = all.size(), beforePassed = passed.size(), beforeAsked = asked.size();
        plain.ReceiveDatagram(datagram, 0x0A000001 + quint32(round));
        filtered.ReceiveDatagram(datagram, 0x0A000001 + quint32(round));
        const bool built = all.size() > before, kept = passed.size() > beforePassed;
        const bool judged = asked.size() > beforeAsked;
        QVERIFY(built || !kept);
        if (!built)
            continue;
        const QByteArray &m = all.last();
        if (judged)
            QCOMPARE(asked.last(), GetField(m, 0) + "&|" + GetField(m, 1));
        if (kept) {
            QCOMPARE(passed.last(), m);
        } else {
            QVERIFY(judged);
            QVERIFY(GetField(m, 1) != "10.0.0.1");
            ++dropped;
        }
        unjudged += !judged;
    }
    // Both ways were taken plenty: judged in place, and built first.
    QVERIFY(dropped > 500);
    QVERIFY(unjudged > 500);
}

#include "tst_reassembly.moc"
