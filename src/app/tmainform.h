#pragma once

#include <QMainWindow>
#include <QSet>

#include <functional>

class QAction;
class QActionGroup;
class QLabel;
class QTimer;
class QMenu;
class QToolButton;
class QTreeView;

namespace zn {

class DesktopFrontend;
class RosterModel;
class Session;
struct TPeer;

// The commands of the main window that open other windows. Whoever owns
// those windows connects them; the selection is TMainForm::selectedPeers().
struct MainWindowCommands {
    QAction *miMessageSend;
    QAction *miMessageRecv;
    QAction *miMessageClipSend;
    QAction *miMessageClipRecv;
    QAction *miMessageHuzaiRecv;
    QAction *miSettingHuzaiMode; // checkable; its owner keeps the check mark on AbsentMode
    QAction *miSettingOption;
    QAction *miShowLogShow;
    QAction *miHelpHelp;
    QAction *miHelpHomepage;
    QAction *miHelpMail;
    QAction *miHelpVersion;
    QAction *miHelpDiagnosis;
};

// The online-status window: toolbar, user list, status bar and main menu.
// A coordinator: the roster, the messenger and the settings do the work.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    TMainForm(Session &session, DesktopFrontend &frontend, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Start-up after the settings were read: placement and font size.
    void FormCreate();
    // Shut-down: this window's placement, once.
    void FormDestroy();
    MainWindowCommands commands() const;
    // Whether there is a tray to hide into; without one (the default) the
    // window minimises instead.
    void setTrayPresent(std::function<bool()> present) { m_trayPresent = std::move(present); }

    // Closing asks "終了してもよろしいですか？" unless this is set (signals,
    // the end of the desktop session). Such a shut-down is unattended: it
    // never waits for an answer, and failures go to standard error.
    void setQuitWithoutAsking(bool on);

    QTreeView *userList() const { return m_lvUser; }
    QLabel *statusLabel() const { return m_sbStatus; }
    // The status bar's offer of the connection checks, shown when the list
    // still holds nobody but this user a while after the start.
    QLabel *lonelyHint() const { return m_sbLonely; }
    static constexpr int LonelyHintMs = 60 * 1000;
    // From the start of the socket: after `delayMs` the list is looked at,
    // once per run.
    void startLonelyWatch(int delayMs = LonelyHintMs);
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
    // Hides the window into the tray, or minimises it where there is none.
    void hideToTray();
    // The number of unread messages changed: the receive commands follow.
    void unreadChanged(int count);

signals:
    void quitRequested();
    void fontSizeChanged(int points);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // The list is quiet while the window is hidden or minimised.
    void hideEvent(QHideEvent *event) override;
    // Enter on the user list acts as a double click on it.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void lvUserClick();
    // A roster change: the command states follow once the event loop runs
    // again, so that a burst of changes costs one look at the selection.
    void rosterChanged();
    void lvUserDblClick();
    void setCommandWanted(QAction *action, bool wanted);
    void showPeerCount(int count);
    // Whether the list holds anyone but this user.
    bool othersListed() const;
    void lonelyWatchTimer();
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
    QLabel *m_sbLonely = nullptr;
    QTimer *m_lonelyTimer = nullptr;
    QMenu *m_pmRightClick = nullptr;
    std::function<bool()> m_trayPresent = [] { return false; };
    int m_fontSize = 9;
    bool m_quitWithoutAsking = false;
    bool m_destroyed = false;
    bool m_commandStateQueued = false;

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
    QAction *miHelpDiagnosis = nullptr;
    QAction *miMessageRightSend = nullptr;
    QAction *miMessageRightClipSend = nullptr;
    QActionGroup *m_fontGroup = nullptr;
    // Commands whose windows exist; the others stay disabled.
    QSet<QAction *> m_available;
};

} // namespace zn
