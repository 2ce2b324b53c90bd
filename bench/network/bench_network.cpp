// A simulated segment of N copies (bench/network/segment.h): what goes over
// the wire and what each copy spends when
//   a. one copy starts into a segment where the others run,
//   b. one running copy refreshes its list,
//   c. every copy starts at a random moment of one minute.
// Usage: bench_network [--broadcast] [N ...]   (default 10 100 1000 10000)
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
// Scenario c lists 10^8 rows there and is computed instead by a model: in c
// every LOGIN comes from a machine its receiver does not list yet, from a
// source, name and address it has not heard, so whether it is answered
// depends only on each receiver's new-machine budget (the real AnswerLimiter
// bucket), and the answer goes out after the real LoginAnswers spread for
// the answering copy's list. The model runs beside the real simulation at
// every smaller N, which shows whether the two agree.
//
// The copies deliver directly (a message for one copy goes to its address
// alone) unless "--broadcast" comes first: every message by broadcast.
// Answers held back for a moment go out when the simulated clock reaches it.
// "peak/s" is the most arrivals at one host within one simulated second;
// "mean/s" the arrivals per host per second over the starting minute (c).
#include "common/ipv4.h"
#include "net/answerlimiter.h"
#include "net/loginanswers.h"
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
bool g_direct = true;

struct Row {
    int n;
    const char *scenario;
    const char *mode;
    WireCount wire;
    double medianMs = -1, maxMs = -1, totalMs = -1, dropNs = 0;
    double meanPerSecond = -1;
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
    seg.setDirect(g_direct);
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
    const qint64 startedAt = seg.clock.ms;
    seg.start(subject);
    seg.drain();
    g_rows.push_back(figures(seg, n, "a. one starts", listers, subject, n - 1));
    const qsizetype newList = seg.session(subject).roster().count();
    const qint64 filledAfterMs = seg.clock.ms - startedAt;
    for (int i : observers)
        listedEverywhere += seg.session(i).roster().indexOfMachine(seg.session(subject).local.MachineName) >= 0;

    seg.clock.ms += 3600 * 1000;
    seg.resetCounts();
    seg.refresh(subject);
    seg.drain();
    g_rows.push_back(figures(seg, n, "b. one refreshes", listers, subject, n - 1));
    std::printf("N=%d: the new copy lists %lld after %lld ms, %d of %zu observers list it; after the refresh it "
                "lists %lld\n",
                n, static_cast<long long>(newList), static_cast<long long>(filledAfterMs), listedEverywhere,
                observers.size(), static_cast<long long>(seg.session(subject).roster().count()));
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
    int fullAfter1 = 0, fullAfter2 = 0; // lists complete one and two minutes after the first start
    qint64 peakPerSecond = 0;
    // The same, answers to the host's own LOGIN aside: what the others'
    // starts cost a host that is already running.
    qint64 peakOthersPerSecond = 0;
    double meanPerSecond = 0;
};

// Scenario c by the model: each copy's new-machine budget decides alone;
// answers go out after the answering copy's spread, and go to the copy that
// asked alone (delivering directly) or to every copy (broadcast).
Outcome modelEveryoneStarts(int n, qint64 windowMs)
{
    const std::vector<qint64> times = startTimes(n, windowMs);
    SimClock clock;
    std::mt19937_64 random(7);
    std::vector<TokenBuckets> budget;
    budget.reserve(size_t(n));
    std::vector<qint64> listed(static_cast<size_t>(n), 0);
    std::vector<qint64> viaLogin(static_cast<size_t>(n), 0);
    std::vector<std::vector<qint64>> answerTimes(static_cast<size_t>(n));
    std::vector<qint64> answerBytes(static_cast<size_t>(n));
    std::vector<qint64> addressBytes(static_cast<size_t>(n));
    // Arrivals per host and second, over two minutes and a little more.
    constexpr int Seconds = 125;
    std::vector<std::vector<qint32>> perSecond(static_cast<size_t>(n), std::vector<qint32>(Seconds, 0));
    std::vector<qint32> loginsPerSecond(Seconds, 0);
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
    qint64 arrivals = 0;
    for (int x = 0; x < n; ++x) {
        clock.ms = times[size_t(x)];
        // Its LOGIN reaches every copy started so far, itself included.
        ++loginsPerSecond[size_t(clock.ms / 1000)];
        arrivals += x + 1;
        for (int y = 0; y <= x; ++y) {
            if (!budget[size_t(y)].take({}))
                continue;
            ++out.loginOks;
            out.bytes += answerBytes[size_t(y)] + addressBytes[size_t(x)];
            ++listed[size_t(y)];
            ++viaLogin[size_t(y)];
            ++rowsNow;
            const qint64 spread = LoginAnswers::spreadMs(listed[size_t(y)]);
            const qint64 at = clock.ms + (spread > 0 ? std::uniform_int_distribution<qint64>(0, spread)(random) : 0);
            if (g_direct) {
                if (at / 1000 < Seconds)
                    ++perSecond[size_t(x)][size_t(at / 1000)];
                ++arrivals;
            } else {
                // Every started copy hears it; the per-second counts of the
                // busiest host are those of the first one.
                if (at / 1000 < Seconds)
                    ++perSecond[0][size_t(at / 1000)];
                arrivals += x + 1;
            }
            answerTimes[size_t(x)].push_back(at);
            if (y != x) {
                ++listed[size_t(x)];
                ++rowsNow;
            }
        }
        if (out.allListedAtMs < 0 && rowsNow == qint64(n) * n && x == n - 1)
            out.allListedAtMs = clock.ms;
    }
    out.fewest = *std::min_element(listed.begin(), listed.end());
    for (int x = 0; x < n; ++x) {
        out.rows += listed[size_t(x)];
        out.fullLists += listed[size_t(x)] == n;
        // Its answers (its own among them) and the LOGINs it took in.
        const auto by = [&](qint64 t) {
            const std::vector<qint64> &got = answerTimes[size_t(x)];
            return std::count_if(got.begin(), got.end(), [t](qint64 at) { return at <= t; }) + viaLogin[size_t(x)] - 1;
        };
        out.fullAfter1 += by(60 * 1000) >= n;
        out.fullAfter2 += by(120 * 1000) >= n;
    }
    // The LOGINs reach every host that has started; the busiest host is
    // the one that started first.
    for (int x = 0; x < (g_direct ? n : 1); ++x) {
        for (int sec = 0; sec < Seconds; ++sec) {
            const qint64 here = qint64(perSecond[size_t(x)][size_t(sec)]) + loginsPerSecond[size_t(sec)];
            out.peakPerSecond = std::max(out.peakPerSecond, here);
        }
    }
    // Delivering directly, the others' answers pass a running host by; by
    // broadcast it hears them all.
    for (int sec = 0; sec < Seconds; ++sec) {
        const qint64 heard = qint64(loginsPerSecond[size_t(sec)]) + (g_direct ? 0 : perSecond[0][size_t(sec)]);
        out.peakOthersPerSecond = std::max(out.peakOthersPerSecond, heard);
    }
    out.meanPerSecond = double(arrivals) / n / (double(windowMs) / 1000);
    return out;
}

int fullLists(Segment &seg)
{
    int full = 0;
    for (int j = 0; j < seg.size(); ++j)
        full += seg.session(j).roster().count() == seg.size();
    return full;
}

void everyoneStarts(int n, qint64 windowMs, const char *label, bool toTable = true)
{
    const Outcome model = modelEveryoneStarts(n, windowMs);
    if (n > 1000) {
        Row row{n, label, "model", {}};
        row.wire.datagrams = n + model.loginOks;
        row.wire.bytes = model.bytes;
        row.wire.peakPerSecond = model.peakPerSecond;
        row.meanPerSecond = model.meanPerSecond;
        g_rows.push_back(row);
    } else {
        Segment seg(n);
        seg.setDirect(g_direct);
        const std::vector<qint64> times = startTimes(n, windowMs);
        const std::vector<int> observers = spreadObservers(n, ObserverCount);
        seg.setObservers(observers);
        seg.setSkipping(n > FullUpTo);
        for (int i = 0; i < n; ++i) {
            seg.drainUntil(times[size_t(i)]);
            seg.start(i);
        }
        seg.drainUntil(60 * 1000);
        const int after1 = fullLists(seg);
        seg.drainUntil(120 * 1000);
        const int after2 = fullLists(seg);
        seg.drain();
        if (toTable) {
            Row row = figures(seg, n, label, observers, -1, n);
            row.meanPerSecond = double(seg.wire().receptions) / n / (double(windowMs) / 1000);
            g_rows.push_back(row);
        }
        qint64 rows = 0;
        qint64 fewest = n;
        for (int j = 0; j < n; ++j) {
            const qsizetype count = seg.session(j).roster().count();
            rows += count;
            fewest = std::min<qint64>(fewest, count);
        }
        std::printf("N=%d %s, simulated: %d of %d list everyone after 1 min, %d after 2 min, %.1f%% of all rows, "
                    "fewest %lld, LOGIN_OK %lld\n",
                    n, label, after1, n, after2, 100.0 * double(rows) / (double(n) * n), static_cast<long long>(fewest),
                    static_cast<long long>(seg.wire().datagrams - n));
    }
    std::printf("N=%d %s, model:     %d of %d list everyone after 1 min, %d after 2 min, %.1f%% of all rows, "
                "fewest %lld, LOGIN_OK %lld; at one host at most %lld arrivals in a second, %.0f a second on "
                "average, at most %lld in a second besides the answers to its own LOGIN\n",
                n, label, model.fullAfter1, n, model.fullAfter2, 100.0 * double(model.rows) / (double(n) * n),
                static_cast<long long>(model.fewest), static_cast<long long>(model.loginOks),
                static_cast<long long>(model.peakPerSecond), model.meanPerSecond,
                static_cast<long long>(model.peakOthersPerSecond));
    std::fflush(stdout);
}

void printTable()
{
    std::printf("\n%s\n%7s  %-17s %-8s %12s %14s %16s %8s %8s %10s %10s %12s %8s\n",
                g_direct ? "delivering directly" : "every message by broadcast", "N", "scenario", "mode", "datagrams",
                "bytes", "receptions", "peak/s", "mean/s", "cpu med ms", "cpu max ms", "cpu total ms", "drop ns");
    for (const Row &r : g_rows) {
        const QByteArray mean = r.meanPerSecond >= 0 ? QByteArray::number(r.meanPerSecond, 'f', 0) : "-";
        const QByteArray peak = r.wire.peakPerSecond > 0 ? QByteArray::number(r.wire.peakPerSecond) : "-";
        if (r.medianMs < 0) {
            std::printf("%7d  %-17s %-8s %12lld %14lld %16s %8s %8s %10s %10s %12s %8s\n", r.n, r.scenario, r.mode,
                        static_cast<long long>(r.wire.datagrams), static_cast<long long>(r.wire.bytes), "-",
                        peak.constData(), mean.constData(), "-", "-", "-", "-");
            continue;
        }
        std::printf("%7d  %-17s %-8s %12lld %14lld %16lld %8s %8s %10.3f %10.3f %12.1f %8.0f\n", r.n, r.scenario,
                    r.mode, static_cast<long long>(r.wire.datagrams), static_cast<long long>(r.wire.bytes),
                    static_cast<long long>(r.wire.receptions), peak.constData(), mean.constData(), r.medianMs, r.maxMs,
                    r.totalMs, r.dropNs);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--broadcast") == 0)
            g_direct = false;
        else
            sizes.push_back(std::max(2, std::atoi(argv[i])));
    }
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
