// How long the log viewer takes to open on a full log of 10000 records, and
// what a record written while it is open costs: bench_logviewer [records]
#include "app/desktopshell.h"
#include "benchsupport.h"
#include "common/codec.h"
#include "log/logfile.h"
#include "messaging/messagecenter.h"
#include "messaging/tlogform.h"
#include "platform/desktopfrontend.h"
#include "session/session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace zn;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : LogFile::MaxLoadedRecords;
    QTemporaryDir dir;
    DesktopFrontend frontend;
    frontend.setAutoAnswer(Answer::Ok);
    bench::NoTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir.path() + u'/');
    session.local.MachineName = "SELF";
    session.settings.HandleName = "me";
    session.settings.ActivePortNo = 0;
    session.settings.MouseAnimation = 0;
    session.settings.LogFileMaxCount = 0;
    DesktopShell shell(session, frontend);
    shell.start();

    // Records of a realistic size: a Japanese time stamp, two labels and a
    // three-line text of about 120 bytes.
    QByteArray content;
    const QByteArray record = cp932::bytes(u"2026年12月08日 午後 2時05分12秒\r\n") + PeerLabel("alice", "PC-ALICE")
        + "\r\n" + PeerLabel("me", "SELF") + "\r\n"
        + "Meeting moved to room 2 at three o'clock.\\|Please bring the printed agenda."
          "\\|Thanks, see you there.\r\n";
    for (int i = 0; i < count; ++i)
        content += record;
    QFile file(session.settings.LogFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return 1;
    file.close();
    std::printf("log file: %d records, %lld bytes\n", count, static_cast<long long>(content.size()));

    {
        QElapsedTimer wall;
        wall.start();
        const double cpu = bench::threadCpuMs();
        const LoadedLog loaded = session.log().LoadLog();
        std::printf("reading the file alone: %lld ms wall, %.1f ms CPU, %lld records\n",
                    static_cast<long long>(wall.elapsed()), bench::threadCpuMs() - cpu,
                    static_cast<long long>(loaded.records.size()));
    }

    for (int run = 1; run <= 3; ++run) {
        QElapsedTimer wall;
        wall.start();
        const double cpu = bench::threadCpuMs();
        shell.messages().miShowLogShowClick();
        TLogForm *viewer = shell.messages().logForm();
        // Until the first paint is through.
        viewer->repaint();
        QApplication::processEvents();
        std::printf("open %d: %lld ms wall, %.1f ms CPU, %lld records shown as %s\n", run,
                    static_cast<long long>(wall.elapsed()), bench::threadCpuMs() - cpu,
                    static_cast<long long>(viewer->count()), qPrintable(viewer->windowTitle()));
        if (run < 3) {
            viewer->close();
            QApplication::processEvents();
        }
    }

    const int writes = 10;
    auto writeSome = [&session] {
        QElapsedTimer wall;
        wall.start();
        for (int i = 0; i < writes; ++i)
            session.log().WriteLog(PeerLabel("alice", "PC-ALICE"), PeerLabel("me", "SELF"), "hello");
        return double(wall.elapsed()) / writes;
    };
    const double withViewer = writeSome();
    std::printf("record written with the viewer open (file rewritten, viewer reloaded): %.1f ms each, now %s\n",
                withViewer, qPrintable(shell.messages().logForm()->windowTitle()));
    shell.messages().logForm()->close();
    QApplication::processEvents();
    std::printf("record written without a viewer (file rewritten only): %.1f ms each\n", writeSome());
    shell.stop();
    return 0;
}
