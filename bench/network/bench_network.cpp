// A simulated segment of N copies (bench/network/segment.h): what goes over
// the wire and what each copy spends when
//   a. one copy starts into a segment where the others run,
//   b. one running copy refreshes its list,
//   c. every copy starts at a random moment of one minute.
// Usage: bench_network [N ...]   (default 10 100 1000 10000)
//
// Up to 100 copies every arrival runs at every copy and is timed ("full").
// Beyond, a broadcast that names its addressee runs at the addressee and at
// 32 observers spread over the segment, and is counted at the others
// ("sampled"); CPU per copy is then the observers' (and the subject's), and
// the total is the subject plus the observers' mean for every other copy.
//
// At 10,000 a segment where everyone lists everyone holds 10^8 rows, which
// one process cannot: in a and b only the observers and the subject list
// the whole segment (filled directly); the others start with empty lists.
// Scenario c lists about 10^7 rows there and is computed instead by a model:
// in c every LOGIN comes from a machine its receiver does not list yet, from
// a source and name it has not heard, so whether it is answered depends only
// on each receiver's new-machine budget (the real AnswerLimiter buckets).
// The model runs beside the real simulation at every smaller N, which shows
// whether the two agree.
#include "common/ipv4.h"
#include "net/answerlimiter.h"
#include "net/messenger.h"
#include "net/wire.h"
#include "network/segment.h"
#include "peers/roster.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>

using namespace zn;
using namespace zn::bench;

namespace {

constexpr int FullUpTo = 100;
constexpr int ObserverCount = 32;
constexpr qint64 StartWindowMs = 60 * 1000;

struct Row {
    int n;
    const char *scenario;
    const char *mode;
    WireCount wire;
    double medianMs = -1, maxMs = -1, totalMs = -1, dropNs = 0;
};
std::vector<Row> g_rows;

std::vector<int> spreadObservers(int n, int count)
{
    std::vector<int> out;
    if (n <= FullUpTo) {
        out.resize(size_t(n));
        std::iota(out.begin(), out.end(), 0);
        return out;
    }
    for (int k = 0; k < count; ++k)
        out.push_back(int(qint64(k) * n / count));
    return out;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Per-copy figures over the timed copies; `subject` (or -1) counts once,
// the observers' mean stands for each of the other `others` copies.
Row figures(Segment &seg, int n, const char *scenario, const std::vector<int> &observers, int subject, qint64 others)
{
    Row row{n, scenario, n <= FullUpTo ? "full" : "sampled", seg.wire()};
    std::vector<double> cpu;
    double observerSum = 0;
    int observerCount = 0;
    for (int i : observers) {
        cpu.push_back(seg.cpuMs(i));
        if (i != subject) {
            observerSum += seg.cpuMs(i);
            ++observerCount;
        }
    }
    if (subject >= 0 && std::find(observers.begin(), observers.end(), subject) == observers.end())
        cpu.push_back(seg.cpuMs(subject));
    row.medianMs = median(cpu);
    row.maxMs = *std::max_element(cpu.begin(), cpu.end());
    row.totalMs =
        (subject >= 0 ? seg.cpuMs(subject) : 0) + (observerCount ? observerSum / observerCount : 0) * double(others);
    row.dropNs = seg.medianDropNs();
    return row;
}

// Copies 0 to count - 1 running and listing one another.
void warmUp(Segment &seg, int count, const std::vector<int> &listers)
{
    seg.setTiming(false);
    seg.setSkipping(true);
    seg.setObservers({});
    if (seg.size() <= 1000) {
        // Through the wire, a second apart, so that no limit is reached.
        for (int i = 0; i < count; ++i) {
            seg.clock.ms += 1000;
            seg.start(i);
            seg.drain();
        }
        return;
    }
    for (int i = 0; i < count; ++i)
        seg.markRunning(i);
    for (int i : listers) {
        Roster &roster = seg.session(i).roster();
        for (int j = 0; j < count; ++j) {
            Session &peer = seg.session(j);
            roster.AddOrUpdatePeer(peer.settings.HandleName, peer.local.MachineName, peer.local.Address, false);
        }
    }
}

void startAndRefresh(int n)
{
    Segment seg(n);
    const int subject = n - 1;
    std::vector<int> observers = spreadObservers(n, ObserverCount);
    // The starting copy lists nobody yet; it is timed beside the observers.
    warmUp(seg, n - 1, observers);
    std::vector<int> listers = observers;
    listers.push_back(subject);
    int listedEverywhere = 0;

    seg.clock.ms += 3600 * 1000;
    seg.resetCounts();
    seg.setObservers(listers);
    seg.setTiming(true);
    seg.setSkipping(n > FullUpTo);
    seg.start(subject);
    seg.drain();
    g_rows.push_back(figures(seg, n, "a. one starts", listers, subject, n - 1));
    const qsizetype newList = seg.session(subject).roster().count();
    for (int i : observers)
        listedEverywhere += seg.session(i).roster().indexOfMachine(seg.session(subject).local.MachineName) >= 0;

    seg.clock.ms += 3600 * 1000;
    seg.resetCounts();
    seg.refresh(subject);
    seg.drain();
    g_rows.push_back(figures(seg, n, "b. one refreshes", listers, subject, n - 1));
    std::printf("N=%d: the new copy lists %lld, %d of %zu observers list it; after the refresh it lists %lld\n", n,
                static_cast<long long>(newList), listedEverywhere, observers.size(),
                static_cast<long long>(seg.session(subject).roster().count()));
}

std::vector<qint64> startTimes(int n, qint64 windowMs)
{
    std::mt19937_64 random(20240401);
    std::uniform_int_distribution<qint64> within(0, windowMs - 1);
    std::vector<qint64> times(static_cast<size_t>(n));
    for (qint64 &t : times)
        t = within(random);
    std::sort(times.begin(), times.end());
    return times;
}

struct Outcome {
    qint64 loginOks = 0;
    qint64 bytes = 0;
    int fullLists = 0;
    qint64 rows = 0;
    qint64 fewest = 0;
    qint64 allListedAtMs = -1;
};

// Scenario c by the model: each copy's new-machine budget decides alone.
Outcome modelEveryoneStarts(int n, qint64 windowMs)
{
    const std::vector<qint64> times = startTimes(n, windowMs);
    SimClock clock;
    std::vector<TokenBuckets> budget;
    budget.reserve(size_t(n));
    std::vector<qint64> listed(static_cast<size_t>(n), 0);
    std::vector<qint64> answerBytes(static_cast<size_t>(n));
    std::vector<qint64> addressBytes(static_cast<size_t>(n));
    Outcome out;
    for (int i = 0; i < n; ++i) {
        budget.emplace_back(clock, AnswerLimiter::NewPeerBurst, AnswerLimiter::NewPeerMsPerToken, 1);
        const QByteArray number = QByteArray::number(i).rightJustified(5, '0');
        const QByteArray address = DottedIPv4(Segment::addressOf(i));
        const QByteArray machine = "PC" + number, handle = "user" + number;
        answerBytes[size_t(i)] = MakeDatagrams(LoginOkMessage("", machine, handle, "0", address))[0].size();
        addressBytes[size_t(i)] = address.size();
        out.bytes += MakeDatagrams(LoginMessage(machine, handle, "0", address))[0].size();
    }
    qint64 rowsNow = 0;
    for (int x = 0; x < n; ++x) {
        clock.ms = times[size_t(x)];
        for (int y = 0; y <= x; ++y) {
            if (!budget[size_t(y)].take({}))
                continue;
            ++out.loginOks;
            out.bytes += answerBytes[size_t(y)] + addressBytes[size_t(x)];
            ++listed[size_t(y)];
            ++rowsNow;
            if (y != x) {
                ++listed[size_t(x)];
                ++rowsNow;
            }
        }
        if (out.allListedAtMs < 0 && rowsNow == qint64(n) * n && x == n - 1)
            out.allListedAtMs = clock.ms;
    }
    out.fewest = *std::min_element(listed.begin(), listed.end());
    for (qint64 count : listed) {
        out.rows += count;
        out.fullLists += count == n;
    }
    return out;
}

void everyoneStarts(int n, qint64 windowMs, const char *label, bool toTable = true)
{
    const Outcome model = modelEveryoneStarts(n, windowMs);
    if (n > 1000) {
        Row row{n, label, "model", {}};
        row.wire.datagrams = n + model.loginOks;
        row.wire.bytes = model.bytes;
        g_rows.push_back(row);
    } else {
        Segment seg(n);
        const std::vector<qint64> times = startTimes(n, windowMs);
        const std::vector<int> observers = spreadObservers(n, ObserverCount);
        seg.setObservers(observers);
        seg.setSkipping(n > FullUpTo);
        qint64 rows = 0;
        qint64 allListedAt = -1;
        for (int i = 0; i < n; ++i) {
            seg.clock.ms = times[size_t(i)];
            seg.start(i);
            seg.drain();
            if (i == n - 1) {
                rows = 0;
                for (int j = 0; j < n; ++j)
                    rows += seg.session(j).roster().count();
                if (rows == qint64(n) * n)
                    allListedAt = seg.clock.ms;
            }
        }
        if (toTable)
            g_rows.push_back(figures(seg, n, label, observers, -1, n));
        int full = 0;
        qint64 fewest = n;
        for (int j = 0; j < n; ++j) {
            const qsizetype count = seg.session(j).roster().count();
            full += count == n;
            fewest = std::min<qint64>(fewest, count);
        }
        std::printf("N=%d %s, simulated: %d of %d list everyone, %.1f%% of all rows, fewest %lld, "
                    "LOGIN_OK %lld; everyone listed %s\n",
                    n, label, full, n, 100.0 * double(rows) / (double(n) * n), static_cast<long long>(fewest),
                    static_cast<long long>(seg.wire().datagrams - n),
                    allListedAt >= 0 ? qPrintable(QStringLiteral("at %1 s").arg(allListedAt / 1000.0)) : "never");
    }
    std::printf("N=%d %s, model:     %d of %d list everyone, %.1f%% of all rows, fewest %lld, "
                "LOGIN_OK %lld; everyone listed %s\n",
                n, label, model.fullLists, n, 100.0 * double(model.rows) / (double(n) * n),
                static_cast<long long>(model.fewest), static_cast<long long>(model.loginOks),
                model.allListedAtMs >= 0 ? qPrintable(QStringLiteral("at %1 s").arg(model.allListedAtMs / 1000.0))
                                         : "never");
    std::fflush(stdout);
}

void printTable()
{
    std::printf("\n%7s  %-17s %-8s %12s %14s %16s %10s %10s %12s %8s\n", "N", "scenario", "mode", "datagrams", "bytes",
                "receptions", "cpu med ms", "cpu max ms", "cpu total ms", "drop ns");
    for (const Row &r : g_rows) {
        if (r.medianMs < 0) {
            std::printf("%7d  %-17s %-8s %12lld %14lld %16s %10s %10s %12s %8s\n", r.n, r.scenario, r.mode,
                        static_cast<long long>(r.wire.datagrams), static_cast<long long>(r.wire.bytes), "-", "-", "-",
                        "-", "-");
            continue;
        }
        std::printf("%7d  %-17s %-8s %12lld %14lld %16lld %10.3f %10.3f %12.1f %8.0f\n", r.n, r.scenario, r.mode,
                    static_cast<long long>(r.wire.datagrams), static_cast<long long>(r.wire.bytes),
                    static_cast<long long>(r.wire.receptions), r.medianMs, r.maxMs, r.totalMs, r.dropNs);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::max(2, std::atoi(argv[i])));
    if (sizes.empty())
        sizes = {10, 100, 1000, 10000};
    for (int n : sizes) {
        startAndRefresh(n);
        everyoneStarts(n, StartWindowMs, "c. all in 1 min");
        std::fflush(stdout);
    }
    // Where the limits bite below 10,000: the model against the real copies.
    if (sizes.size() > 1 || sizes.front() <= 1000)
        everyoneStarts(1000, 5000, "all in 5 s", false);
    printTable();
    return 0;
}
