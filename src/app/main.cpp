#include "platform/desktopfrontend.h"
#include "session/session.h"
#include "app/tmainform.h"
#include "app/translations.h"
#include "platform/tiventform.h"
#include "platform/eventsound.h"
#include "platform/unixsignals.h"

#include "platform/trayindicator.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QSessionManager>

#include <cstdio>
#include <cstring>

using namespace zn;

namespace {

// Without a display Qt aborts with a message about platform plugins that
// tells a user nothing; say what is missing instead. QT_QPA_PLATFORM or
// -platform (offscreen, a VNC server, ...) is the user's own choice of display.
bool hasDisplay(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char **argv)
{
    if (!hasDisplay(argc, argv)) {
        std::fputs("zephinet: no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                   "start it on a desktop, or use zephinet-cli\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zephinet"));
    QApplication::setQuitOnLastWindowClosed(false);
    installQtTranslations(app);
    // Japanese texts need a CJK face whatever the desktop's own font is.
    QFont font = QApplication::font();
    font.setFamilies({font.family(), QStringLiteral("Noto Sans CJK JP")});
    QApplication::setFont(font);

    DesktopFrontend frontend;
    Session session(frontend, QApplication::arguments().mid(1));
    session.loadSettings();

    TMainForm mainForm(session, frontend);
    if (!mainForm.FormCreate())
        return 0;  // the box was shown; the window position is still saved

    // Without a stored position the window starts centred; any stored one,
    // negative too, is where the user left it.
    TIventForm notice(session.settings, session.readPosition(PlacementSection::IventForm));
    frontend.showNoticesIn(notice);
    const SystemClock soundClock;
    EventSound sound(session.settings, {}, &soundClock);
    frontend.setSoundSink([&sound](SoundKind kind) { sound.PlayEventSound(kind); });
    QObject::connect(&mainForm, &TMainForm::fontSizeChanged, &notice, &TIventForm::LayoutEventNotice);
    mainForm.addPlacementSaver([&session, &notice] {
        const QPoint at = notice.placement();
        session.writePlacement(PlacementSection::IventForm, {at.x(), at.y(), 0, 0}, false);
    });

    // Signals and the end of the desktop session quit in order, without asking.
    UnixSignalWatcher signalWatcher;
    auto quitWithoutAsking = [&mainForm] {
        mainForm.setQuitWithoutAsking(true);
        mainForm.close();
    };
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &mainForm, quitWithoutAsking);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &mainForm,
                     [&mainForm](QSessionManager &) { mainForm.setQuitWithoutAsking(true); });
    QObject::connect(&app, &QGuiApplication::aboutToQuit, &mainForm, [&mainForm] { mainForm.setQuitWithoutAsking(true); });
    QObject::connect(&mainForm, &TMainForm::quitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    // With a tray the program lives there: the main window has no taskbar
    // entry and may start hidden. Without one it keeps its taskbar entry and
    // starts minimised at most, so that it never becomes unreachable.
    const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    mainForm.tray().show();
    if (trayAvailable)
        mainForm.setWindowFlag(Qt::Tool, true);
    if (!session.settings.StartShow)
        mainForm.show();
    else if (!trayAvailable)
        mainForm.showMinimized();

    const int result = app.exec();

    // LOGOUT, then the placements of the notification window and the main window.
    mainForm.FormDestroy();
    return result;
}
