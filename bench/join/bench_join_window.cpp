// A join with the main window on screen (offscreen platform): a test peer
// answers for N machines at once; prints the GUI-thread CPU from the first
// answer until the list shows every peer, and the event loop's longest stall
// meanwhile (the lateness of a 1 ms timer: how long the window was frozen).
// Usage: QT_QPA_PLATFORM=offscreen bench_join_window [peers=1000] [rounds=3]
#include "app/desktopshell.h"
#include "app/tmainform.h"
#include "benchsupport.h"
#include "net/udpservice.h"
#include "peers/roster.h"
#include "platform/desktopfrontend.h"
#include "session/session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
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
    std::vector<double> cpu, stall;
    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir dir;
        DesktopFrontend frontend;
        NoTransport transport;
        Session session(frontend, {}, &transport);
        session.loadSettings(dir.path() + u'/');
        session.settings.ActivePortNo = 0;
        session.local.MachineName = "SELF";
        DesktopShell shell(session, frontend);
        TMainForm &form = shell.mainWindow();
        if (!shell.start())
            return 1;
        session.local.Address = "127.0.0.1";
        form.show();
        QCoreApplication::processEvents();
        const quint16 port = session.udp().port();
        QElapsedTimer beat;
        qint64 lastBeat = 0, worstGap = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = beat.nsecsElapsed();
            worstGap = std::max(worstGap, now - lastBeat);
            lastBeat = now;
        });
        beat.start();
        tick.start();
        const double start = threadCpuMs();
        QThread *sender = startLoginOkFlood(port, peers);
        QElapsedTimer timer;
        timer.start();
        while (form.userList()->model()->rowCount() < peers && timer.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QCoreApplication::processEvents(); // the list repaints
        cpu.push_back(threadCpuMs() - start);
        tick.stop();
        stall.push_back(std::max<qint64>(0, worstGap - 1000000) / 1e6);
        sender->wait();
        delete sender;
        if (form.userList()->model()->rowCount() != peers)
            return 1;
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(stall.begin(), stall.end());
    std::printf("join of %d peers with the main window, %d rounds: GUI-thread CPU ms min %.1f median %.1f max %.1f;"
                " longest stall ms median %.1f max %.1f\n",
                peers, rounds, cpu.front(), cpu[cpu.size() / 2], cpu.back(), stall[stall.size() / 2], stall.back());
    return 0;
}
