// The desktop over a session on fakes, for the tests of its windows: a
// settings file of its own in a fresh directory, every datagram recorded
// instead of sent, and the shell with the user-list window and everything
// around it.
#pragma once

#include "app/desktopshell.h"
#include "app/tmainform.h"
#include "fakeclock.h"
#include "net/netfakes.h"
#include "peers/roster.h"
#include "platform/desktopfrontend.h"
#include "session/session.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <initializer_list>
#include <memory>

namespace zn::test {

// The windows of one kind on screen, in the application's order.
template <class Window>
QList<Window *> visibleWindows()
{
    QList<Window *> out;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<Window *>(w); window && window->isVisible())
            out.append(window);
    }
    return out;
}

struct DesktopFixture {
    enum class Time { System, Fake };

    QTemporaryDir dir;
    DesktopFrontend frontend;
    RecordingTransport transport;
    FakeClock clock;
    std::unique_ptr<Session> session;
    std::unique_ptr<DesktopShell> shell;
    // The texts of the boxes shown, and their flags, in order.
    QStringList boxes;
    QList<int> boxFlags;

    // `ini` follows "[LocalSetting]\r\nPortNo=0\r\n" in the settings file;
    // port 0 binds an ephemeral port. With Time::Fake the session's clock
    // moves only when told.
    explicit DesktopFixture(const QByteArray &ini = {}, Time time = Time::System)
    {
        QFile file(iniPath());
        if (QTest::qVerify(file.open(QIODevice::WriteOnly), "file.open()", "", __FILE__, __LINE__))
            file.write("[LocalSetting]\r\nPortNo=0\r\n" + ini);
        file.close();
        session = std::make_unique<Session>(frontend, QStringList(), &transport, time == Time::Fake ? &clock : nullptr);
        session->loadSettings(dir.path() + u'/');
        shell = std::make_unique<DesktopShell>(*session, frontend);
        QObject::connect(&frontend, &DesktopFrontend::messageBoxShown, &frontend,
                         [this](const QString &text, int flags) {
                             boxes.append(text);
                             boxFlags.append(flags);
                         });
    }
    // The shell stops (LOGOUT, placements) with any box answered.
    ~DesktopFixture()
    {
        frontend.setAutoAnswer(Answer::Ok);
        shell.reset();
    }
    DesktopFixture(const DesktopFixture &) = delete;
    DesktopFixture &operator=(const DesktopFixture &) = delete;

    // Started with every box answered `answer`, as this copy "SELF" at
    // 10.0.0.9.
    void start(Answer answer)
    {
        frontend.setAutoAnswer(answer);
        shell->start();
        session->local.MachineName = "SELF";
        session->local.Address = "10.0.0.9";
    }

    struct OnlinePeer {
        QByteArray handle;
        QByteArray machine;
        QByteArray address;
        bool absent;
    };
    // Started as "me" with every box answered yes, and `peers` online.
    void startAsMe(std::initializer_list<OnlinePeer> peers)
    {
        start(Answer::Yes);
        session->settings.HandleName = "me";
        for (const OnlinePeer &p : peers)
            session->roster().AddOrUpdatePeer(p.handle, p.machine, p.address, p.absent);
    }

    TMainForm *form() const { return &shell->mainWindow(); }
    QString iniPath() const { return dir.filePath(QStringLiteral("Zephinet.INI")); }
};

} // namespace zn::test
