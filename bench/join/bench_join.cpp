// How much CPU the GUI thread spends when N peers answer a LOGIN at once:
// a test peer sends N LOGIN_OK datagrams over loopback to a session, which
// reassembles, dispatches and sorts them into its roster.
// Usage: bench_join [peers=1000] [rounds=5]
#include "benchsupport.h"
#include "net/udpservice.h"
#include "peers/roster.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

using namespace zn;
using namespace zn::bench;

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
        QThread *sender = startLoginOkFlood(port, peers);
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
