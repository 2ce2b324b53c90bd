// How much CPU the GUI thread spends when N peers answer a LOGIN at once:
// a test peer sends N LOGIN_OK datagrams over loopback to a session, which
// reassembles, dispatches and sorts them into its roster.
// Usage: bench_join [peers=1000] [rounds=5]
#include "app/session.h"
#include "common/frontend.h"
#include "net/transport.h"
#include "net/udpservice.h"
#include "net/wire.h"
#include "peers/roster.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace zn;

namespace {
struct QuietFrontend : Frontend {
    Answer showMessageBox(const QString &, int) override { return Answer::Ok; }
    void showEventNotice(const QString &, bool) override {}
    void playEventSound(SoundKind) override {}
    void messageArrived(const QByteArray &, const QByteArray &, const QByteArray &) override {}
    void openAbsenceWindow(const QByteArray &, const QByteArray &, const QByteArray &) override {}
};
struct NoTransport : DatagramTransport {
    bool sendDatagram(quint32, const QByteArray &) override { return true; }
};

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int peers = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<double> cpu, wall;
    for (int round = 0; round < rounds; ++round) {
        QuietFrontend frontend;
        NoTransport transport;
        Session session(frontend, {}, &transport);
        session.local.MachineName = "SELF";
        session.settings.ActivePortNo = 0;
        if (!session.startSocketService())
            return 1;
        session.local.Address = "127.0.0.1";
        const quint16 port = session.udp().port();
        const double cpuStart = threadCpuMs();
        QElapsedTimer timer;
        timer.start();
        QThread *sender = QThread::create([port, peers] {
            QUdpSocket socket;
            for (int i = 0; i < peers; ++i) {
                const QByteArray n = QByteArray::number(i);
                const QByteArray machine = "PC" + n, handle = "user" + n, address = "10.1.0." + n;
                for (const QByteArray &d : MakeDatagrams(LoginOkMessage("127.0.0.1", machine, handle, "0", address)))
                    socket.writeDatagram(d, QHostAddress::LocalHost, port);
            }
        });
        sender->start();
        while (session.roster().count() < peers && timer.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        cpu.push_back(threadCpuMs() - cpuStart);
        wall.push_back(timer.nsecsElapsed() / 1e6);
        sender->wait();
        delete sender;
        if (session.roster().count() != peers) {
            std::fprintf(stderr, "round %d: roster holds %lld of %d peers\n", round,
                         static_cast<long long>(session.roster().count()), peers);
            return 1;
        }
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    std::printf("join of %d peers, %d rounds: GUI-thread CPU ms min %.1f median %.1f max %.1f; "
                "wall ms median %.1f\n",
                peers, rounds, cpu.front(), cpu[cpu.size() / 2], cpu.back(), wall[wall.size() / 2]);
    return 0;
}
