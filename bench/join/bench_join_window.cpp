// The 1000-peer join with the main window on screen (offscreen platform):
// GUI-thread CPU from the first answer until the list shows every peer.
// Usage: QT_QPA_PLATFORM=offscreen bench_join_window [peers=1000] [rounds=3]
#include "app/desktopfrontend.h"
#include "app/session.h"
#include "app/tmainform.h"
#include "benchsupport.h"
#include "net/udpservice.h"
#include "peers/roster.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>

using namespace zn;
using namespace zn::bench;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int peers = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    std::vector<double> cpu;
    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir dir;
        DesktopFrontend frontend;
        NoTransport transport;
        Session session(frontend, {}, &transport);
        session.loadSettings(dir.path() + u'/');
        session.settings.ActivePortNo = 0;
        session.local.MachineName = "SELF";
        TMainForm form(session, frontend);
        if (!form.FormCreate())
            return 1;
        session.local.Address = "127.0.0.1";
        form.show();
        QCoreApplication::processEvents();
        const quint16 port = session.udp().port();
        const double start = threadCpuMs();
        QThread *sender = startLoginOkFlood(port, peers);
        QElapsedTimer timer;
        timer.start();
        while (form.userList()->model()->rowCount() < peers && timer.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QCoreApplication::processEvents();  // the list repaints
        cpu.push_back(threadCpuMs() - start);
        sender->wait();
        delete sender;
        if (form.userList()->model()->rowCount() != peers)
            return 1;
    }
    std::sort(cpu.begin(), cpu.end());
    std::printf("join of %d peers with the main window, %d rounds: GUI-thread CPU ms min %.1f median %.1f max %.1f\n",
                peers, rounds, cpu.front(), cpu[cpu.size() / 2], cpu.back());
    return 0;
}
