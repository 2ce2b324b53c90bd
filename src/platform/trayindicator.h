#pragma once

#include "platform/trayanimation.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QTimer>

class QMenu;
class QSystemTrayIcon;

namespace zn {

struct Settings;

// The main tray icon behind signals: no window touches QSystemTrayIcon. It
// shows the unread indicator of animation() and reports the mouse; what a
// click does (it depends on DialogShowing and the unread queue) is its
// owner's decision.
//
// The 100 ms step timer runs only while the animation runs, so an idle
// program has no periodic wake-up from the tray.
//
// Without a system tray the icon is simply not seen (and appears if a tray
// starts later); nothing else changes.
//
// A tray of StatusNotifierItems (trayIsStatusNotifier()) reports no double
// click; there two clicks within the desktop's double-click time are one
// double click, as on an X11 tray (a host may report a double click as
// three clicks: only the first two count), and the middle click, which such
// a tray does report, means what the double click means.
class TrayIndicator : public QObject {
    Q_OBJECT
public:
    static constexpr int StepMilliseconds = 100;

    explicit TrayIndicator(const Settings &settings, QObject *parent = nullptr);
    ~TrayIndicator() override;

    // StartTrayAnimation(), ResetTrayIcon() and setAbsentMode() go here.
    TrayAnimation &animation() { return m_animation; }
    const TrayAnimation &animation() const { return m_animation; }

    // Adds the icon to the tray (start-up) or removes it (shut-down).
    void show();
    void hide();

    bool isStepTimerActive() const { return m_timer.isActive(); }
    // The image of the icon strip and the tip the icon shows now.
    int shownImage() const { return m_shownImage; }
    QString toolTip() const;
    // Where the tray host placed the icon; empty while it is not in a tray
    // or when the host does not tell (StatusNotifierItems).
    QRect geometry() const;
    // The menu the tray host shows by itself on a right click, where it
    // draws menus itself (StatusNotifierItems, over D-Bus); elsewhere the
    // owner opens it at contextMenuRequested, which lets it refuse.
    void publishMenu(QMenu *menu);

signals:
    // Left button: the oldest unread message, or with none the user list.
    void clicked();
    // Double click: the program to the front, then the user list.
    void doubleClicked();
    // Right button: the tray menu at `globalPos` (when no dialog is showing).
    // Not where the host shows the published menu itself.
    void contextMenuRequested(QPoint globalPos);

private:
    void apply();
    void singleClick();

    TrayAnimation m_animation;
    QTimer m_timer;
    // Asked before the icon is made, when Qt makes the same choice.
    const bool m_statusNotifier;
    QSystemTrayIcon *m_icon;
    // The last click of a tray without double clicks, and whether it already
    // ended a double click.
    QElapsedTimer m_lastClick;
    bool m_lastClickPaired = false;
    int m_shownImage = -1;
};

} // namespace zn
