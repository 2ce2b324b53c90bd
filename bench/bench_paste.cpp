// How long pasting a long text into a send window takes, the cut to 2048
// bytes included, for one long line and for short lines:
// bench_paste [characters...] (default 2000 5000 20000).
#include "benchsupport.h"
#include "messaging/tsendform.h"
#include "platform/desktopfrontend.h"
#include "session/messagecheck.h"
#include "session/session.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace zn;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.append(std::atoi(argv[i]));
    if (sizes.isEmpty())
        sizes = {2000, 5000, 20000};
    QTemporaryDir dir;
    DesktopFrontend frontend;
    frontend.setAutoAnswer(Answer::Ok);
    bench::NoTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir.path() + u'/');
    SendWindowList windows;
    for (const bool oneLine : {true, false}) {
        for (const int size : sizes) {
            // One long line of "あ" (a paragraph pasted whole), or Japanese
            // sentences of 20 characters on lines of their own.
            QString text;
            const QString line =
                oneLine ? QStringLiteral("あ") : QStringLiteral("会議は三時から第二会議室で行います。\n");
            while (text.size() < size)
                text += line;
            text.truncate(size);
            TSendForm form(session, frontend, windows, 9);
            form.show();
            QGuiApplication::clipboard()->setText(text);
            QElapsedTimer wall;
            wall.start();
            const double cpu = bench::threadCpuMs();
            form.mmSendData->paste();
            std::printf("paste %d characters (%s): %.2f s wall, %.2f s CPU, %lld bytes kept\n", size,
                        oneLine ? "one line" : "lines", double(wall.elapsed()) / 1000,
                        (bench::threadCpuMs() - cpu) / 1000,
                        static_cast<long long>(MessageTextBytes(form.mmSendData->toPlainText())));
            std::fflush(stdout);
        }
    }
    return 0;
}
