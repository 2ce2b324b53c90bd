// The 1000-peer join with the main window on screen (offscreen platform):
// GUI-thread CPU from the first answer until the list shows every peer.
// Usage: QT_QPA_PLATFORM=offscreen bench_join_window [peers=1000] [rounds=3]
#include "app/desktopfrontend.h"
#include "app/session.h"
#include "app/tmainform.h"
#include "net/transport.h"
#include "net/udpservice.h"
#include "net/wire.h"
#include "peers/roster.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeView>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace zn;

namespace {
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
