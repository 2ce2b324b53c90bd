#pragma once

#include "peers/tanimationform.h"
#include "peers/traymenu.h"

#include <QMainWindow>
#include <QSet>

#include <functional>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QToolButton;
class QTreeView;

namespace zn {

class AbsenceCenter;
class DesktopFrontend;
class GlobalHotKeys;
class HelpCommands;
class MessageCenter;
class OptionFormOpener;
class RosterModel;
class Session;
class TrayIndicator;
struct TPeer;

// The online-status window: toolbar, user list, status bar and main menu.
// A coordinator: the roster, the messenger and the settings do the work.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    TMainForm(Session &session, DesktopFrontend &frontend, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Start-up after the settings were read: placement, font size, socket.
    // False when the socket service could not start (its box was shown).
    bool FormCreate();
    // Shut-down in order: LOGOUT and the socket closed first, since nothing
    // after it may keep the other copies waiting; then the other windows'
    // placements (the savers, in the order added), then this window's.
    void FormDestroy();
    void addPlacementSaver(std::function<void()> saver) { m_placementSavers.push_back(std::move(saver)); }

    // Closing asks "終了してもよろしいですか？" unless this is set (signals,
    // the end of the desktop session). Such a shut-down is unattended: it
    // never waits for an answer, and failures go to standard error.
    void setQuitWithoutAsking(bool on);

    QTreeView *userList() const { return m_lvUser; }
    QLabel *statusLabel() const { return m_sbStatus; }
    QMenu *sendList() const { return m_pmSendList; }
    QMenu *taskMenu() const { return m_pmTaskMenu; }
    const TaskMenuItems &taskMenuItems() const { return m_taskItems; }
    MessageCenter &messages() const { return *m_messages; }
    // The options window's opening; its signals carry the applied settings
    // and the help topics asked for.
    OptionFormOpener &options() const { return *m_options; }
    AbsenceCenter &absence() const { return *m_absence; }
    TrayIndicator &tray() const { return *m_tray; }
    HelpCommands &help() const { return *m_help; }
    // The selected users of the list, in list order.
    QList<TPeer> selectedPeers() const;
    int displayFontSize() const { return m_fontSize; }
    // The least width of a user-list column in the current font: its caption
    // with a sort mark, the header's margins and room for a sort indicator.
    int minimumColumnWidth(int column) const;

    // The font-size command for 14, 12, 9 or 8 points.
    void miShowFontLargeClick(int size);
    void miShowRefreshClick();
    void miMessageCloseClick();
    // Shows the main window and brings it to the front.
    void miUserListShowClick();
    // The main tray icon: a click reads the oldest unread message (with
    // none, shows this window), a double click shows this window, a right
    // click opens the tray menu; none of
    // them while a box or prompt is open.
    void trayClicked();
    void trayDoubleClicked();
    void trayContextMenu(const QPoint &globalPos);
    // The tray menu opens: the receive captions carry the unread count.
    void pmTaskMenuPopup();
    // Hides the window into the tray, or minimises it where there is none.
    void hideToTray();
    // A system-wide hot key: 1134 Ctrl+Alt+M, 1135 Ctrl+Alt+S, 1136 Ctrl+Alt+R.
    void hotKeyPressed(int id);
    // The manual at the topic of a help context number (the options dialog's
    // controls, the password fields).
    void ShowHelpTopic(int context);

    enum HotKey { HotKeyUserList = 1134, HotKeySendList = 1135, HotKeyReceive = 1136 };

signals:
    void quitRequested();
    void fontSizeChanged(int points);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // Enter on the user list acts as a double click on it.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createTray();
    void unreadChanged(int count);
    void lvUserClick();
    // A roster change: the command states follow once the event loop runs
    // again, so that a burst of changes costs one look at the selection.
    void rosterChanged();
    void lvUserDblClick();
    void setCommandWanted(QAction *action, bool wanted);
    void showPeerCount(int count);
    void updateSortMarks();
    void columnClicked(int column);
    void readPlacement();
    // Every column at least as wide as its caption with a sort mark needs in
    // the list's font.
    void fitColumnsToCaptions();
    void keepColumnWide(int column, int oldWidth, int newWidth);
    void writePlacement();
    // Moves and shrinks the window so that its frame lies on a screen.
    void keepFrameOnScreen();

    Session &m_session;
    DesktopFrontend &m_frontend;
    RosterModel *m_model = nullptr;
    QTreeView *m_lvUser = nullptr;
    QLabel *m_sbStatus = nullptr;
    QMenu *m_pmRightClick = nullptr;
    QMenu *m_pmSendList = nullptr;
    QMenu *m_pmTaskMenu = nullptr;
    TaskMenuItems m_taskItems;
    TrayIndicator *m_tray = nullptr;
    MessageCenter *m_messages = nullptr;
    OptionFormOpener *m_options = nullptr;
    HelpCommands *m_help = nullptr;
    AbsenceCenter *m_absence = nullptr;
    CursorFrame m_cursorFrame;
    GlobalHotKeys *m_hotKeys = nullptr;
    int m_fontSize = 9;
    bool m_quitWithoutAsking = false;
    bool m_destroyed = false;
    bool m_commandStateQueued = false;
    std::vector<std::function<void()>> m_placementSavers;

    // Commands; those whose windows come later stay disabled until then.
    QAction *miMessageSend = nullptr;
    QAction *miMessageRecv = nullptr;
    QAction *miMessageClipSend = nullptr;
    QAction *miMessageClipRecv = nullptr;
    QAction *miMessageHuzaiRecv = nullptr;
    QAction *miMessageClose = nullptr;
    QAction *miMessageEnd = nullptr;
    QAction *miSettingHuzaiMode = nullptr;
    QAction *miSettingOption = nullptr;
    QAction *miShowLogShow = nullptr;
    QAction *miShowFontBigLarge = nullptr;
    QAction *miShowFontLarge = nullptr;
    QAction *miShowFontMiddle = nullptr;
    QAction *miShowFontSmall = nullptr;
    QAction *miShowRefresh = nullptr;
    QAction *miHelpHelp = nullptr;
    QAction *miHelpHomepage = nullptr;
    QAction *miHelpMail = nullptr;
    QAction *miHelpVersion = nullptr;
    QAction *miMessageRightSend = nullptr;
    QAction *miMessageRightClipSend = nullptr;
    QActionGroup *m_fontGroup = nullptr;
    // Commands whose windows exist; the others stay disabled.
    QSet<QAction *> m_available;
};

} // namespace zn
