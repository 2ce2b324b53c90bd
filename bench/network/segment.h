// A broadcast segment of many copies in one process: real sessions whose
// datagrams travel through a queue instead of sockets, in simulated time:
// answers a session holds back for a moment go out when the clock reaches
// that moment. A datagram sent to
// a copy's address reaches that copy; one sent to 255.255.255.255 or to the
// segment's directed broadcast reaches every copy, the sender included, as a
// socket bound to the wildcard address hears its own broadcast. Each
// reception enters the session where a datagram read from the socket does:
// the reassembler, which hands complete messages to the dispatcher.
#pragma once

#include "benchsupport.h"
#include "common/clock.h"
#include "net/reassembly.h"
#include "session/session.h"

#include <QByteArray>
#include <QList>
#include <queue>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace zn::bench {

// Simulated time: it moves only when the scenario moves it.
class SimClock final : public Clock {
public:
    qint64 ms = 0;
    qint64 monotonicMs() const override { return ms; }
    QDateTime now() const override { return QDateTime(QDate(2024, 4, 1), QTime(9, 0)).addMSecs(ms); }
};

// What went over the wire and what it cost, since the last reset.
struct WireCount {
    qint64 datagrams = 0; // sent, one per sendDatagram
    qint64 bytes = 0;
    qint64 receptions = 0; // datagram arrivals at a copy, skipped ones included
    qint64 skipped = 0;    // arrivals not run (see Segment::setSkipping)
    // Arrivals at one host within one simulated second, the most of any
    // host and second (skipped arrivals counted as well).
    qint64 peakPerSecond = 0;
    qint64 firstMs = -1, lastMs = -1; // the first and last arrival
};

class Segment {
public:
    // Copy i is machine "PC" + i (five digits), handle "user" + i, address
    // 10.0.(i / 250).(i % 250 + 1) in the segment 10.0.0.0/16.
    explicit Segment(int copies);
    ~Segment();
    Segment(const Segment &) = delete;
    Segment &operator=(const Segment &) = delete;

    int size() const { return int(m_copies.size()); }
    Session &session(int i);
    static quint32 addressOf(int i);
    // The copy of that address, or -1.
    int indexOf(quint32 ipv4);
    static constexpr quint32 DirectedBroadcast = 0x0A00FFFFu; // 10.0.255.255

    SimClock clock;

    // Only started copies hear anything: before, no socket is bound.
    bool started(int i) const;
    // What the session does once its socket is bound: the address is known,
    // then its LOGIN goes out. Nothing is delivered until drain().
    void start(int i);
    // The same without the LOGIN: a copy that was running already (set up
    // by hand, not by the wire).
    void markRunning(int i);
    // What the refresh command does: the list is emptied, then a LOGIN.
    void refresh(int i);
    // Delivers queued datagrams, and those they cause, with the answers held
    // back, moving the clock to each one's moment, until none is left.
    void drain();
    // The same, but only up to the moment `ms`; the clock then stands there.
    void drainUntil(qint64 ms);
    // Every copy delivers to the addressee alone what names one on the
    // segment (the default), or broadcasts everything.
    void setDirect(bool on);

    // A single-datagram message that only its addressee acts on (field 1
    // names an address) changes nothing in any other copy: its reassembly
    // drops it unbuilt. With skipping on, such a broadcast runs only at the
    // addressee and at the observers; every other arrival is counted. It
    // stays off once a message of several datagrams has gone out, since a
    // copy collecting those would not drop its pieces unseen.
    void setSkipping(bool on) { m_skipping = on; }
    // The copies at which every arrival runs and is timed.
    void setObservers(const std::vector<int> &copies);
    void setTiming(bool on) { m_timing = on; }

    const WireCount &wire() const { return m_wire; }
    // CPU spent in copy i's arrivals since the last reset (timed copies only), ms.
    double cpuMs(int i) const;
    qint64 arrivals(int i) const;
    // The median CPU of one dropped arrival (addressed elsewhere) at the
    // observers since the last reset, ns; 0 when none was timed.
    double medianDropNs() const;
    void resetCounts();

private:
    struct Copy;
    class Port;
    struct Queued {
        int from;
        quint32 to;
        QByteArray datagram;
    };
    void send(int from, quint32 to, const QByteArray &datagram);
    void arrive(int copy, int from, const QByteArray &datagram, bool dropSample);
    // Counts one arrival at copy i in the current simulated second.
    void countArrival(int i);
    // Notes copy i's next held-back answer, if any.
    void noteDue(int i);
    void deliverQueued();
    // Field 1 of a single-datagram message only its addressee acts on, as
    // an address; nothing when every copy may act on it.
    std::optional<quint32> addressee(const QByteArray &datagram);

    QuietFrontend m_frontend;
    std::vector<std::unique_ptr<Copy>> m_copies;
    std::deque<Queued> m_queue;
    // (moment, copy) of held-back answers, the earliest on top.
    std::priority_queue<std::pair<qint64, int>, std::vector<std::pair<qint64, int>>, std::greater<>> m_due;
    WireCount m_wire;
    bool m_skipping = false;
    bool m_multiDatagramSeen = false;
    bool m_timing = true;
    bool m_closing = false;
    int m_started = 0;
    std::vector<int> m_observers;
    std::vector<qint64> m_dropNs;
    // Reads keyword and field 1 of a datagram by the same rules the
    // sessions' reassembly uses.
    Reassembler m_probe;
    QByteArray m_probeKeyword;
    QByteArray m_probeField1;
    bool m_probeSeen = false;
    qint64 m_timerOverheadNs = 0;
};

} // namespace zn::bench
