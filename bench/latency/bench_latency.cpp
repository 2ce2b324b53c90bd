// How long a MESSAGE takes from its last datagram leaving a peer to standing
// in this copy's unread queue, beside a bare datagram between the same two
// hosts in the same run. Both sides read CLOCK_MONOTONIC, which every
// network namespace of the machine shares, so one-way times are direct.
//
//   bench_latency receive ADDRESS PORT BARE_PORT OUT [LOG_FILE]
//       (on the receiving host) a session on its real UDP service on PORT,
//       addressed as ADDRESS, logging to LOG_FILE when one is given; beside
//       it a thread in a blocking recv on BARE_PORT. Says "ready" on
//       standard output, and ends once every message that the sender's last
//       bare datagram ("end <messages>") counts is queued, or 10 s after it.
//       Writes "<kind> <number> <monotonic ns>" lines to OUT.
//   bench_latency send TO_ADDRESS PORT BARE_PORT SAMPLES GAP_US OUT
//       (on the sending host) in turn: a bare datagram to BARE_PORT, a
//       MESSAGE of 1 datagram and one of 5 to PORT, each to the limited
//       broadcast address as every peer sends a MESSAGE, GAP_US apart.
//       Writes the time each last datagram left to OUT.
//   bench_latency report SENT RECEIVED [LABEL]
//       median and 99th percentile per kind, and the messages' difference to
//       the bare datagram.
#include "benchsupport.h"
#include "common/ipv4.h"
#include "net/udpservice.h"
#include "net/wire.h"
#include "session/recvqueue.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace zn;
using namespace zn::bench;

namespace {

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct Sample {
    std::string kind;
    long number;
    qint64 ns;
};

bool writeSamples(const char *path, const std::vector<Sample> &samples)
{
    FILE *f = std::fopen(path, "w");
    if (!f)
        return false;
    for (const Sample &s : samples)
        std::fprintf(f, "%s %ld %lld\n", s.kind.c_str(), s.number, static_cast<long long>(s.ns));
    return std::fclose(f) == 0;
}

// The message text: "<kind> <number> " and, for "m5", filler up to five datagrams.
QByteArray messageText(const char *kind, long number)
{
    return QByteArray(kind) + ' ' + QByteArray::number(qlonglong(number)) + ' ';
}

QList<QByteArray> messageDatagrams(const QByteArray &to, const char *kind, long number, int datagrams)
{
    QByteArray text = messageText(kind, number) + "a message";
    QList<QByteArray> all = MakeDatagrams(MessageMessage(to, "PEER", "peer", text));
    // For five: four full pieces and a part of the fifth.
    while (all.size() < datagrams) {
        text += QByteArray(64, 'x');
        all = MakeDatagrams(MessageMessage(to, "PEER", "peer", text));
    }
    return all;
}

int udpSocket(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(INADDR_ANY);
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0
        || ::bind(fd, reinterpret_cast<const sockaddr *>(&at), sizeof at) != 0) {
        std::perror("socket");
        std::exit(1);
    }
    return fd;
}

int receiveMain(const QByteArray &address, quint16 port, quint16 barePort, const char *out, const char *logFile)
{
    QuietFrontend frontend;
    Session session(frontend, {});
    session.local.MachineName = "SELF";
    session.settings.ActivePortNo = port;
    session.settings.LogSave = logFile != nullptr;
    if (logFile)
        session.settings.LogFileName = QString::fromLocal8Bit(logFile);
    if (!session.startSocketService())
        return 1;
    session.local.Address = address;

    std::vector<Sample> samples;
    samples.reserve(20000);
    // Known once the sender's last bare datagram came: every message sent.
    size_t expected = SIZE_MAX;
    // The moment the queue announces the message; then it is read, so that
    // the queue never fills.
    QObject::connect(&session, &Session::messageQueued, [&] {
        const qint64 now = monotonicNs();
        const TRecvMessage message = session.recvQueue().TakeRecvMessage();
        const QList<QByteArray> words = message.RecvData.split(' ');
        if (words.size() >= 2)
            samples.push_back({words[0].toStdString(), words[1].toLong(), now});
        if (samples.size() >= expected)
            QCoreApplication::quit();
    });
    const auto ended = [&](size_t messages) {
        expected = messages;
        if (samples.size() >= expected)
            QCoreApplication::quit();
        // Whatever was lost is lost after this.
        QTimer::singleShot(10000, qApp, &QCoreApplication::quit);
    };

    std::vector<Sample> bare;
    bare.reserve(20000);
    const int bareFd = udpSocket(barePort);
    std::thread bareThread([&] {
        char buffer[600];
        for (;;) {
            const ssize_t n = ::recv(bareFd, buffer, sizeof buffer - 1, 0);
            const qint64 now = monotonicNs();
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            buffer[n] = 0;
            if (std::strncmp(buffer, "end ", 4) == 0) {
                const size_t messages = size_t(std::atol(buffer + 4));
                QMetaObject::invokeMethod(
                    qApp, [&ended, messages] { ended(messages); }, Qt::QueuedConnection);
                return;
            }
            bare.push_back({"bare", std::atol(buffer), now});
        }
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    // However the sender fares, the receiver ends.
    QTimer::singleShot(15 * 60 * 1000, qApp, [] { std::_Exit(2); });
    std::printf("ready\n");
    std::fflush(stdout);
    const double cpuStart = threadCpuMs();
    QCoreApplication::exec();
    // The GUI thread's processor time, all of it spent on the messages.
    std::printf("receiving thread: %.1f us of processor time per message\n",
                (threadCpuMs() - cpuStart) * 1000 / double(std::max<size_t>(1, samples.size())));
    bareThread.join();
    ::close(bareFd);
    samples.insert(samples.end(), bare.begin(), bare.end());
    return writeSamples(out, samples) ? 0 : 1;
}

int sendMain(const QByteArray &to, quint16 port, quint16 barePort, long count, long gapUs, const char *out)
{
    const int fd = udpSocket(0);
    const auto sendTo = [fd](quint16 destination, const QByteArray &datagram) {
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(destination);
        at.sin_addr.s_addr = htonl(BroadcastIPv4);
        if (::sendto(fd, datagram.constData(), size_t(datagram.size()), 0, reinterpret_cast<const sockaddr *>(&at),
                     sizeof at)
            != datagram.size()) {
            std::perror("sendto");
            std::exit(1);
        }
    };
    std::vector<Sample> samples;
    samples.reserve(size_t(count) * 3);
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const auto pause = [&] {
        next.tv_nsec += gapUs * 1000;
        next.tv_sec += next.tv_nsec / 1000000000;
        next.tv_nsec %= 1000000000;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {}
    };
    // Every datagram but the last goes out before the clock is read.
    const auto sendMessage = [&](const char *kind, long number, int datagrams) {
        const QList<QByteArray> all = messageDatagrams(to, kind, number, datagrams);
        for (qsizetype i = 0; i + 1 < all.size(); ++i)
            sendTo(port, all[i]);
        samples.push_back({kind, number, monotonicNs()});
        sendTo(port, all.last());
    };
    if (messageDatagrams(to, "m1", 0, 1).size() != 1 || messageDatagrams(to, "m5", count, 5).size() != 5) {
        std::fprintf(stderr, "the messages do not take 1 and 5 datagrams\n");
        return 1;
    }
    for (long i = 0; i < count; ++i) {
        const QByteArray bare = QByteArray::number(qlonglong(i));
        samples.push_back({"bare", i, monotonicNs()});
        sendTo(barePort, bare);
        pause();
        sendMessage("m1", i, 1);
        pause();
        sendMessage("m5", i, 5);
        pause();
    }
    // Late datagrams still find the receiver before it ends.
    ::usleep(200000);
    sendTo(barePort, "end " + QByteArray::number(qlonglong(count) * 2));
    ::close(fd);
    return writeSamples(out, samples) ? 0 : 1;
}

std::map<std::pair<std::string, long>, qint64> readSamples(const char *path)
{
    std::map<std::pair<std::string, long>, qint64> samples;
    FILE *f = std::fopen(path, "r");
    if (!f) {
        std::perror(path);
        std::exit(1);
    }
    char kind[16];
    long number;
    long long ns;
    while (std::fscanf(f, "%15s %ld %lld", kind, &number, &ns) == 3)
        samples[{kind, number}] = ns;
    std::fclose(f);
    return samples;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

int reportMain(const char *sentPath, const char *receivedPath, const char *label)
{
    const auto sent = readSamples(sentPath);
    const auto received = readSamples(receivedPath);
    std::map<std::string, std::vector<double>> us;
    std::map<std::string, int> sentCount;
    for (const auto &[key, ns] : sent) {
        ++sentCount[key.first];
        if (const auto found = received.find(key); found != received.end())
            us[key.first].push_back(double(found->second - ns) / 1000.0);
    }
    const double bareMedian = percentile(us["bare"], 0.5), bareP99 = percentile(us["bare"], 0.99);
    std::printf("%s\n", label);
    std::printf("  %-26s %7s %7s %10s %10s %10s\n", "", "sent", "taken", "median us", "p99 us", "- bare us");
    const std::pair<const char *, const char *> kinds[] = {
        {"bare", "bare datagram"}, {"m1", "MESSAGE of 1 datagram"}, {"m5", "MESSAGE of 5 datagrams"}};
    for (const auto &[kind, name] : kinds) {
        const std::vector<double> &v = us[kind];
        const double median = percentile(v, 0.5), p99 = percentile(v, 0.99);
        std::printf("  %-26s %7d %7zu %10.1f %10.1f", name, sentCount[kind], v.size(), median, p99);
        if (std::strcmp(kind, "bare") != 0)
            std::printf(" %+10.1f (p99 %+.1f)", median - bareMedian, p99 - bareP99);
        std::printf("\n");
    }
    return 0;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: bench_latency receive ADDRESS PORT BARE_PORT OUT [LOG_FILE]\n"
                 "       bench_latency send TO_ADDRESS PORT BARE_PORT SAMPLES GAP_US OUT\n"
                 "       bench_latency report SENT RECEIVED [LABEL]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "report" && argc >= 4)
        return reportMain(argv[2], argv[3], argc > 4 ? argv[4] : "");
    if (mode == "send" && argc == 8) {
        QCoreApplication app(argc, argv);
        return sendMain(argv[2], quint16(std::atoi(argv[3])), quint16(std::atoi(argv[4])), std::atol(argv[5]),
                        std::atol(argv[6]), argv[7]);
    }
    if (mode == "receive" && (argc == 6 || argc == 7)) {
        QCoreApplication app(argc, argv);
        return receiveMain(argv[2], quint16(std::atoi(argv[3])), quint16(std::atoi(argv[4])), argv[5],
                           argc == 7 ? argv[6] : nullptr);
    }
    return usage();
}
