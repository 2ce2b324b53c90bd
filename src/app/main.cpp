#include "app/desktopshell.h"
#include "app/makerinfo.h"
#include "app/translations.h"
#include "common/version.h"
#include "platform/desktopfrontend.h"
#include "platform/singlecopy.h"
#include "session/session.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <optional>

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

constexpr char HelpText[] = "Usage: zephinet [--user-list | --receive | --send] [NAME] [Qt options]\n"
                            "A messenger for one local network, with no server. The windows are in Japanese.\n"
                            "\n"
                            "  NAME         use the settings file \"Zephinet -NAME-.INI\" instead of Zephinet.INI\n"
                            "  --user-list  show the user list of the copy that runs with these settings\n"
                            "  --receive    open the oldest unread message there\n"
                            "  --send       open a send window there, to the users selected in its list\n"
                            "               (each starts the program first when no copy runs)\n"
                            "  --version    print the version and where the settings file is, and exit\n"
                            "  --help       print this help, and exit\n"
                            "  -platform P  Qt's platform plugin (xcb, wayland, offscreen, ...)\n"
                            "\n"
                            "Exit codes: 0 quit, or the command was passed to the running copy;\n"
                            "2 no graphical session. zephinet-cli is a peer for the terminal.\n";

// --help and --version answer on the terminal, with or without a display;
// nullopt when neither was asked.
std::optional<int> answerOnTerminal(int argc, char **argv)
{
    bool help = false;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        help = help || std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0;
        version = version || std::strcmp(argv[i], "--version") == 0;
    }
    if (help) {
        std::fputs(HelpText, stdout);
        return 0;
    }
    if (!version)
        return std::nullopt;
    const QCoreApplication app(argc, argv);
    QStringList parameters = QCoreApplication::arguments().mid(1);
    SingleCopy::takeCommands(parameters);
    parameters.removeAll(u"--version"_qs);
    const QString settings = ProgramDirectory() + SettingsFileName(parameters);
    std::printf("zephinet %s (%s)\nsettings file: %s\n", qPrintable(ProgramVersion()), qPrintable(ReleaseDate()),
                qPrintable(settings));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (const std::optional<int> answered = answerOnTerminal(argc, argv))
        return *answered;
    if (!hasDisplay(argc, argv)) {
        std::fputs("zephinet: no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                   "start it on a desktop, or use zephinet-cli\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zephinet"));
    // The desktop entry's name: a Wayland compositor shows its icon, and a
    // notification server its name, by it.
    QGuiApplication::setDesktopFileName(maker::applicationId());
    QApplication::setQuitOnLastWindowClosed(false);
    installQtTranslations(app);
    // Japanese texts need a CJK face whatever the desktop's own font is.
    QFont font = QApplication::font();
    font.setFamilies({font.family(), QStringLiteral("Noto Sans CJK JP")});
    QApplication::setFont(font);

    // The commands are options; every other parameter keeps its meaning, and
    // the first names the settings file.
    QStringList parameters = QApplication::arguments().mid(1);
    const QList<CopyCommand> commands = SingleCopy::takeCommands(parameters);
    // Asked before the settings are read: a copy that passes its command on
    // has touched neither the files nor the port.
    SingleCopy copy(QGuiApplication::desktopFileName());
    if (copy.claim(ProgramDirectory() + SettingsFileName(parameters), commands) == SingleCopy::Claim::Passed)
        return 0;

    DesktopFrontend frontend;
    Session session(frontend, parameters);
    session.loadSettings();
    // Until the settings are read the desktop chooses; a choice in the
    // options wins from then on, before the first window is made.
    if (session.settings.Language >= 0)
        installQtTranslations(app, chosenScreenLanguage(session.settings.Language, desktopMessageLocale()));

    DesktopShell shell(session, frontend, &app);
    QObject::connect(&copy, &SingleCopy::commandRequested, &shell, &DesktopShell::performCommand);
    copy.setSegmentCheck([&shell](quint16 port, int seconds, auto reply) { shell.checkSegment(port, seconds, reply); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &copy, &SingleCopy::release);
    for (const CopyCommand command : commands)
        shell.performCommand(command);
    return shell.run();
}
