#include "network/segment.h"

#include "common/ipv4.h"
#include "net/loginanswers.h"
#include "net/messenger.h"
#include "net/wire.h"
#include "peers/roster.h"

#include <QHash>

#include <algorithm>
#include <ctime>
#include <limits>

namespace zn::bench {

namespace {

qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The median cost of reading the clock twice, taken off every timed arrival.
qint64 measureTimerOverhead()
{
    std::vector<qint64> spans(2001);
    for (qint64 &span : spans) {
        const qint64 start = threadCpuNs();
        span = threadCpuNs() - start;
    }
    std::nth_element(spans.begin(), spans.begin() + qsizetype(spans.size() / 2), spans.end());
    return spans[spans.size() / 2];
}

// Enough drop samples for a steady median without holding millions.
constexpr size_t MaxDropSamples = size_t(1) << 20;

} // namespace

class Segment::Port final : public DatagramTransport {
public:
    Port(Segment &segment, int index) : m_segment(segment), m_index(index) {}
    bool sendDatagram(quint32 ipv4, const QByteArray &datagram) override
    {
        m_segment.send(m_index, ipv4, datagram);
        return true;
    }

private:
    Segment &m_segment;
    int m_index;
};

struct Segment::Copy {
    Port port;
    std::unique_ptr<Session> session;
    bool started = false;
    bool timed = false;
    qint64 cpuNs = 0;
    qint64 arrivals = 0;
    qint64 second = -1; // the simulated second counted in `inSecond`
    qint64 inSecond = 0;
    std::optional<qint64> due = {}; // the moment noted in m_due
};

Segment::Segment(int copies) : m_probe(clock, m_frontend), m_timerOverheadNs(measureTimerOverhead())
{
    m_probe.setMessageFilter([this](QByteArrayView keyword, QByteArrayView field1) {
        m_probeSeen = true;
        m_probeKeyword = keyword.toByteArray();
        m_probeField1 = field1.toByteArray();
        return false;
    });
    m_copies.reserve(size_t(copies));
    for (int i = 0; i < copies; ++i) {
        auto copy = std::make_unique<Copy>(Copy{Port(*this, i), nullptr});
        copy->session = std::make_unique<Session>(m_frontend, QStringList{}, &copy->port, &clock);
        Session &s = *copy->session;
        const QByteArray number = QByteArray::number(i).rightJustified(5, '0');
        s.local.MachineName = "PC" + number;
        s.settings.HandleName = "user" + number;
        s.messenger().setOnLinkTest([](quint32 ipv4) { return (ipv4 & 0xFFFF0000u) == 0x0A000000u; });
        m_copies.push_back(std::move(copy));
    }
}

Segment::~Segment()
{
    // The sessions say LOGOUT as they go; nobody is left to hear it.
    m_closing = true;
    m_copies.clear();
}

Session &Segment::session(int i)
{
    return *m_copies[size_t(i)]->session;
}

bool Segment::started(int i) const
{
    return m_copies[size_t(i)]->started;
}

double Segment::cpuMs(int i) const
{
    return double(m_copies[size_t(i)]->cpuNs) / 1e6;
}

qint64 Segment::arrivals(int i) const
{
    return m_copies[size_t(i)]->arrivals;
}

quint32 Segment::addressOf(int i)
{
    return 0x0A000000u | (quint32(i / 250) << 8) | quint32(i % 250 + 1);
}

int Segment::indexOf(quint32 ipv4)
{
    if ((ipv4 & 0xFFFF0000u) != 0x0A000000u)
        return -1;
    const int high = int((ipv4 >> 8) & 0xFF), low = int(ipv4 & 0xFF);
    if (low < 1 || low > 250)
        return -1;
    const int i = high * 250 + low - 1;
    return i < size() ? i : -1;
}

void Segment::markRunning(int i)
{
    Copy &c = *m_copies[size_t(i)];
    if (!c.started) {
        c.started = true;
        ++m_started;
    }
    c.session->local.SocketStarted = true;
    c.session->local.Address = DottedIPv4(addressOf(i));
}

void Segment::start(int i)
{
    markRunning(i);
    session(i).messenger().SendLogin();
}

void Segment::refresh(int i)
{
    session(i).roster().clear();
    session(i).messenger().SendLogin();
}

void Segment::setDirect(bool on)
{
    for (const auto &copy : m_copies)
        copy->session->settings.DirectSend = on ? 1 : 0;
}

void Segment::setObservers(const std::vector<int> &copies)
{
    for (const auto &copy : m_copies)
        copy->timed = false;
    m_observers = copies;
    for (int i : copies)
        m_copies[size_t(i)]->timed = true;
}

void Segment::send(int from, quint32 to, const QByteArray &datagram)
{
    if (!m_closing)
        m_queue.push_back({from, to, datagram});
}

std::optional<quint32> Segment::addressee(const QByteArray &datagram)
{
    m_probeSeen = false;
    m_probe.ReceiveDatagram(datagram, 0);
    m_probe.clearAll();
    if (!m_probeSeen) {
        m_multiDatagramSeen = true;
        return std::nullopt;
    }
    if (m_probeKeyword == keyword::Login || m_probeKeyword == keyword::InfoChange || m_probeKeyword == keyword::Logout)
        return std::nullopt;
    return InetAddr(m_probeField1);
}

void Segment::countArrival(int i)
{
    Copy &c = *m_copies[size_t(i)];
    const qint64 second = clock.ms / 1000;
    if (second != c.second) {
        c.second = second;
        c.inSecond = 0;
    }
    m_wire.peakPerSecond = std::max(m_wire.peakPerSecond, ++c.inSecond);
    if (m_wire.firstMs < 0)
        m_wire.firstMs = clock.ms;
    m_wire.lastMs = clock.ms;
}

void Segment::noteDue(int i)
{
    Copy &c = *m_copies[size_t(i)];
    const std::optional<qint64> due = c.session->loginAnswers().nextDueMs();
    if (due && (!c.due || *due < *c.due)) {
        c.due = due;
        m_due.push({*due, i});
    }
}

void Segment::arrive(int copy, int from, const QByteArray &datagram, bool dropSample)
{
    Copy &c = *m_copies[size_t(copy)];
    ++c.arrivals;
    ++m_wire.receptions;
    countArrival(copy);
    if (!m_timing || !c.timed) {
        c.session->reassembler().ReceiveDatagram(datagram, addressOf(from));
        noteDue(copy);
        return;
    }
    const qint64 start = threadCpuNs();
    c.session->reassembler().ReceiveDatagram(datagram, addressOf(from));
    const qint64 spent = std::max<qint64>(0, threadCpuNs() - start - m_timerOverheadNs);
    c.cpuNs += spent;
    if (dropSample && m_dropNs.size() < MaxDropSamples)
        m_dropNs.push_back(spent);
    noteDue(copy);
}

void Segment::drain()
{
    drainUntil(std::numeric_limits<qint64>::max());
}

void Segment::drainUntil(qint64 ms)
{
    for (;;) {
        deliverQueued();
        if (m_due.empty() || m_due.top().first > ms)
            break;
        const auto [at, i] = m_due.top();
        m_due.pop();
        Copy &c = *m_copies[size_t(i)];
        if (c.due == at)
            c.due.reset();
        clock.ms = std::max(clock.ms, at);
        const qint64 start = m_timing && c.timed ? threadCpuNs() : 0;
        c.session->loginAnswers().sendDue();
        if (m_timing && c.timed)
            c.cpuNs += std::max<qint64>(0, threadCpuNs() - start - m_timerOverheadNs);
        noteDue(i);
    }
    if (ms != std::numeric_limits<qint64>::max())
        clock.ms = std::max(clock.ms, ms);
}

void Segment::deliverQueued()
{
    while (!m_queue.empty()) {
        const Queued q = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_wire.datagrams;
        m_wire.bytes += q.datagram.size();
        if (q.to != BroadcastIPv4 && q.to != DirectedBroadcast) {
            const int to = indexOf(q.to);
            if (to >= 0 && m_copies[size_t(to)]->started)
                arrive(to, q.from, q.datagram, false);
            continue;
        }
        std::optional<quint32> only;
        if (m_skipping && !m_multiDatagramSeen)
            only = addressee(q.datagram);
        if (!only) {
            for (int i = 0; i < size(); ++i) {
                if (m_copies[size_t(i)]->started)
                    arrive(i, q.from, q.datagram, false);
            }
            continue;
        }
        const int target = indexOf(*only);
        qint64 ran = 0;
        if (target >= 0 && m_copies[size_t(target)]->started) {
            arrive(target, q.from, q.datagram, false);
            ++ran;
        }
        for (int i : m_observers) {
            if (i != target && m_copies[size_t(i)]->started) {
                arrive(i, q.from, q.datagram, true);
                ++ran;
            }
        }
        const qint64 rest = m_started - ran;
        m_wire.receptions += rest;
        m_wire.skipped += rest;
        // The skipped hosts heard it too; the busiest of them can be no
        // busier than an observer, which is counted.
    }
}

double Segment::medianDropNs() const
{
    if (m_dropNs.empty())
        return 0;
    std::vector<qint64> sorted = m_dropNs;
    std::nth_element(sorted.begin(), sorted.begin() + qsizetype(sorted.size() / 2), sorted.end());
    return double(sorted[sorted.size() / 2]);
}

void Segment::resetCounts()
{
    m_wire = {};
    m_dropNs.clear();
    for (const auto &copy : m_copies) {
        copy->cpuNs = 0;
        copy->arrivals = 0;
        copy->second = -1;
        copy->inSecond = 0;
    }
}

} // namespace zn::bench
