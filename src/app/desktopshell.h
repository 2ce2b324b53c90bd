#pragma once

#include "common/clock.h"
#include "peers/tanimationform.h"
#include "peers/traymenu.h"
#include "platform/singlecopy.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;

namespace zn {

class AbsenceCenter;
class DesktopFrontend;
class DesktopNotifier;
class EventSound;
class GlobalHotKeys;
class HelpCommands;
class MessageCenter;
class OptionFormOpener;
class Session;
class TDiagnosisForm;
class TIventForm;
class TMainForm;
class TrayIndicator;
class UnixSignalWatcher;

// The owner of the desktop: the user-list window and, around it, the message
// and absence commands, the options and help commands, the tray icon with its
// menu, the hot keys, the notice window, the sounds and the signal watcher.
// It starts them in order and stops them in order. The user-list window asks
// for other windows through its commands, which are connected here; it never
// sees the tray.
class DesktopShell : public QObject {
    Q_OBJECT
public:
    DesktopShell(Session &session, DesktopFrontend &frontend, QObject *parent = nullptr);
    ~DesktopShell() override;

    // The program's life after the settings were read: start(), the desktop
    // shown, the event loop, stop(). 0 when the socket service could not
    // start (its box was shown; the placements are still saved).
    int run();
    // Start-up: the main window's placement and font size, the socket, the
    // hot keys. False when the socket service could not start.
    bool start();
    // The notice window and the sounds, the quit paths, the tray icon; then
    // the main window as StartShow and the tray allow.
    void showDesktop();
    // Shut-down in order: LOGOUT and the socket closed first, since nothing
    // after it may keep the other copies waiting; then the other windows'
    // placements (the notice window's and the savers, in the order added),
    // then the main window's. Once only; the destructor calls it too.
    void stop();
    void addPlacementSaver(std::function<void()> saver) { m_placementSavers.push_back(std::move(saver)); }

    TMainForm &mainWindow() const { return *m_mainWindow; }
    MessageCenter &messages() const { return *m_messages; }
    // The options window's opening; its signals carry the applied settings
    // and the help topics asked for.
    OptionFormOpener &options() const { return *m_options; }
    AbsenceCenter &absence() const { return *m_absence; }
    HelpCommands &help() const { return *m_help; }
    // The connection checks' window, null until it was first opened.
    TDiagnosisForm *diagnosisForm() const { return m_diagnosisForm.get(); }
    // "接続の診断(&D)": the window, running the checks.
    void miHelpDiagnosisClick();
    // The segment check that the companion's diagnosis asks of the copy
    // holding `port`; `reply` gets the finding as JSON, or nothing when this
    // copy does not hold it.
    void checkSegment(quint16 port, int seconds, const std::function<void(std::optional<QString>)> &reply);
    TrayIndicator &tray() const { return *m_tray; }
    QMenu *taskMenu() const { return m_pmTaskMenu; }
    const TaskMenuItems &taskMenuItems() const { return m_taskItems; }
    QMenu *sendList() const { return m_pmSendList; }
    // The notice window once the desktop is shown, else null.
    TIventForm *notice() const { return m_notice.get(); }
    // The notification server's side of the notices once the desktop is shown, else null.
    DesktopNotifier *notifier() const { return m_notifier.get(); }

    // Shows the main window and brings it to the front.
    void miUserListShowClick();
    // The main tray icon: a click reads the oldest unread message (with
    // none, shows the main window), a double click shows the main window, a
    // right click opens the tray menu; none of them while a box or prompt is
    // open.
    void trayClicked();
    void trayDoubleClicked();
    void trayContextMenu(const QPoint &globalPos);
    // The tray menu opens: the receive captions carry the unread count.
    void pmTaskMenuPopup();
    // A system-wide hot key: 1134 Ctrl+Alt+M, 1135 Ctrl+Alt+S, 1136 Ctrl+Alt+R.
    void hotKeyPressed(int id);
    // A command from the command line or from another program over the
    // session bus: the user list shown, the oldest unread message read, a
    // send window. Before the desktop is shown it waits for it; like a hot
    // key, it does nothing while a box or prompt is open.
    void performCommand(CopyCommand command);
    // The manual at the topic of a help context number (the options dialog's
    // controls, the password fields).
    void ShowHelpTopic(int context);

    enum HotKey { HotKeyUserList = 1134, HotKeySendList = 1135, HotKeyReceive = 1136 };

private:
    void connectMainWindow();
    void createSendList();
    void createTray();
    // The send command without a window of the user list's own: the user
    // list with its send window for the users selected there, else the
    // send list over the user list.
    void sendFromOutside();

    Session &m_session;
    DesktopFrontend &m_frontend;
    // Declared first, destroyed last: the parts below act on its windows.
    std::unique_ptr<TMainForm> m_mainWindow;
    std::unique_ptr<MessageCenter> m_messages;
    std::unique_ptr<OptionFormOpener> m_options;
    std::unique_ptr<HelpCommands> m_help;
    std::unique_ptr<TDiagnosisForm> m_diagnosisForm;
    std::unique_ptr<AbsenceCenter> m_absence;
    std::unique_ptr<TrayIndicator> m_tray;
    std::unique_ptr<GlobalHotKeys> m_hotKeys;
    // Children of the main window, so that they open over it.
    QMenu *m_pmTaskMenu = nullptr;
    QMenu *m_pmSendList = nullptr;
    TaskMenuItems m_taskItems;
    CursorFrame m_cursorFrame;
    SystemClock m_soundClock;
    std::unique_ptr<TIventForm> m_notice;
    std::unique_ptr<DesktopNotifier> m_notifier;
    std::unique_ptr<EventSound> m_sound;
    std::unique_ptr<UnixSignalWatcher> m_signalWatcher;
    std::vector<std::function<void()>> m_placementSavers;
    bool m_stopped = false;
    bool m_desktopShown = false;
    QList<CopyCommand> m_waitingCommands;
};

} // namespace zn
