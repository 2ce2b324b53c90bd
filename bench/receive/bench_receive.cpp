// What the receive path costs the GUI thread per datagram, beside a bare
// blocking recv loop that takes the very same stream in the same run.
// A sender thread sends each stream over loopback in bursts; the receiving
// thread's CPU time is divided by the datagrams it took.
//   others:  one-datagram MESSAGEs addressed to another copy
//   loginok: LOGIN_OK addressed to this copy from 1,000 machine names in turn
// Usage: bench_receive [datagrams=200000] [rounds=3] [stream]
#include "benchsupport.h"
#include "net/udpservice.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace zn;
using namespace zn::bench;

namespace {

constexpr int Burst = 32;

using Stream = std::function<QByteArray(int)>;

QByteArray toOthers(int i)
{
    const QByteArray machine = "PC" + QByteArray::number(i % 1000);
    return MakeDatagrams(MessageMessage("10.9.9.9", machine, "someone", "a message for somebody else")).value(0);
}

QByteArray loginOk(int i)
{
    const QByteArray n = QByteArray::number(i % 1000);
    const QByteArray machine = "PC" + n, handle = "user" + n, address = "10.1.0." + n;
    return MakeDatagrams(LoginOkMessage("127.0.0.1", machine, handle, "0", address)).value(0);
}

// Sends the stream to the port from another thread, in bursts with a short
// pause, so that the receiver's queue keeps up; then `last` once.
QThread *startSender(quint16 port, int datagrams, const Stream &stream, const QByteArray &last)
{
    QThread *sender = QThread::create([=] {
        std::vector<QByteArray> all;
        all.reserve(size_t(datagrams));
        for (int i = 0; i < datagrams; ++i)
            all.push_back(stream(i));
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const auto send = [&](const QByteArray &d) {
            (void)::sendto(fd, d.constData(), size_t(d.size()), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
        };
        for (int i = 0; i < datagrams; ++i) {
            send(all[size_t(i)]);
            if (i % Burst == Burst - 1)
                ::usleep(200);
        }
        ::usleep(20000);
        send(last);
        ::close(fd);
    });
    sender->start();
    return sender;
}

void bigQueue(int fd)
{
    const int bytes = 4 << 20;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        (void)::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

struct Result {
    double cpuUs = 0;
    int received = 0;
};

// recv into one buffer until the last datagram (a single byte) arrives.
Result bareLoop(int datagrams, const Stream &stream)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    bigQueue(fd);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    ::bind(fd, reinterpret_cast<const sockaddr *>(&at), sizeof at);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&at), &length);
    QThread *sender = startSender(ntohs(at.sin_port), datagrams, stream, QByteArray(1, 'E'));
    Result result;
    const double start = threadCpuMs();
    result.received = int(receiveUntilEndMark(fd));
    result.cpuUs = (threadCpuMs() - start) * 1000;
    sender->wait();
    delete sender;
    ::close(fd);
    return result;
}

// The program's own path: socket service, reassembly, dispatch, roster.
Result sessionPath(int datagrams, const Stream &stream)
{
    QuietFrontend frontend;
    NoTransport transport;
    Session session(frontend, {}, &transport);
    session.local.MachineName = "SELF";
    session.settings.ActivePortNo = 0;
    if (!session.startSocketService())
        std::exit(1);
    session.local.Address = "127.0.0.1";
    Result result;
    QObject::connect(&session.udp(), &UdpService::datagramReceived, [&] { ++result.received; });
    const QByteArray last = MakeDatagrams(LoginOkMessage("127.0.0.1", "END", "end", "0", "10.2.0.1")).value(0);
    QThread *sender = startSender(session.udp().port(), datagrams, stream, last);
    // A real event loop, which sleeps while nothing comes, as the program's does.
    QEventLoop loop;
    QObject::connect(&session.roster(), &Roster::countChanged, &loop, [&] {
        if (session.roster().indexOfMachine("END") >= 0)
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    const double start = threadCpuMs();
    loop.exec();
    result.cpuUs = (threadCpuMs() - start) * 1000;
    result.received -= 1;
    sender->wait();
    delete sender;
    return result;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int datagrams = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::pair<const char *, Stream> streams[] = {{"others", toOthers}, {"loginok", loginOk}};
    for (const auto &[name, stream] : streams) {
        if (argc > 3 && std::strcmp(argv[3], name) != 0)
            continue;
        std::vector<double> bare, ours;
        int bareReceived = 0, ourReceived = 0;
        for (int round = 0; round < rounds; ++round) {
            const Result b = bareLoop(datagrams, stream);
            const Result s = sessionPath(datagrams, stream);
            bare.push_back(b.cpuUs / std::max(1, b.received));
            ours.push_back(s.cpuUs / std::max(1, s.received));
            bareReceived = b.received;
            ourReceived = s.received;
        }
        std::printf("%-8s %d datagrams sent: bare recv %.2f us/datagram (%d taken), "
                    "receive path %.2f us/datagram (%d taken), ratio %.2f\n",
                    name, datagrams, median(bare), bareReceived, median(ours), ourReceived,
                    median(ours) / median(bare));
    }
    return 0;
}
